; Objects: caustics pass, added (one/one) over the base pass with black fog.
; v0 position, v3 normal; registers as in game/vsconsts.h.
vs.1.0

; Clip position: the same instruction as objetos.vsh, so the depth is identical.
m4x4 oPos, v0, c4

; Caustic light falls from above: colour A by the facing of the light (c22 is zero in this
; pass, and kept in the sum so both passes light alike).
dp3 r0.x, v3, -c19
max r0.x, r0.x, c0.x
mov r10, c22                    ; vs.1.x reads one constant register per instruction
mad r1, c21, r0.x, r10
max r1, r1, c0.x
min oD0.xyz, r1, c0.z
mov oD0.w, c0.z

; Caustic texture fixed to the world's x and z: one tile per 1 / c24.xy units, drifting by
; c24.zw.
add r2, v0, c51
mul r2.xy, r2.xzzz, c24.xyyy
add oT0.xy, r2.xyyy, c24.zwww

; The base pass's fog, so the added light fades out with distance.
dp4 r6.x, v0, c10
add r6.x, -r6.x, c23.y
mul r6.x, r6.x, c23.z
max r6.x, r6.x, c0.x
min oFog.x, r6.x, c0.z
