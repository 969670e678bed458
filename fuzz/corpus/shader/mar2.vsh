; Sea surface: caustics pass, added (one/one) over the base pass. c8..c11 hold the world
; matrix alone, c25 the diver's position; c26 and c1.w the highlight.
vs.1.0

; Clip position: the same instruction as mar.vsh, so the depth is identical.
m4x4 oPos, v0, c4

m4x4 r0, v0, c8
m3x3 r1.xyz, v3, c8

; Sun with this pass's dimmer colours.
dp3 r2.x, r1, -c19
max r2.x, r2.x, c0.x
mov r10, c22                    ; vs.1.x reads one constant register per instruction
mad r3, c21, r2.x, r10
max r3, r3, c0.x
min oD0.xyz, r3, c0.z
mov oD0.w, c0.z

; Highlight, as in the base pass.
add r4, c25, -r0
dp3 r4.w, r4, r4
max r4.w, r4.w, c1.z
rsq r4.w, r4.w
mul r4.xyz, r4, r4.w
add r4, r4, -c19
dp3 r4.w, r4, r4
max r4.w, r4.w, c1.z
rsq r4.w, r4.w
mul r4.xyz, r4, r4.w
dp3 r5.y, r1, r4
mov r5.x, r2.x
mov r5.w, c1.w
lit r5, r5
mul oD1, c26, r5.z

; Caustic texture fixed to the world's x and z, drifting by c24.zw.
mul r6.xy, r0.xzzz, c24.xyyy
add oT0.xy, r6.xyyy, c24.zwww

mov oFog.x, c0.z
