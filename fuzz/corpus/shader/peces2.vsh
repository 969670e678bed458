; Fish and moving rocks: caustics pass, added (one/one) over the base pass with black fog.
; Pose k: position v(k), normal v(3 + k); blend weights in c2.
vs.1.0

; The blend and clip position exactly as in peces.vsh, so the depth is identical.
mul r7, v0, c2.x
mad r7, v1, c2.y, r7
mad r7, v2, c2.z, r7
mov r7.w, c0.z
mul r8, v3, c2.x
mad r8, v4, c2.y, r8
mad r8, v5, c2.z, r8
m4x4 oPos, r7, c4

; Caustic light falls from above: colour A by the facing of the light (c22 is zero here).
dp3 r0.x, r8, -c19
max r0.x, r0.x, c0.x
mov r10, c22                    ; vs.1.x reads one constant register per instruction
mad r1, c21, r0.x, r10
max r1, r1, c0.x
min oD0.xyz, r1, c0.z
mov oD0.w, c0.z

; Caustic texture fixed to the world's x and z (about r7 + c51), drifting by c24.zw.
add r2, r7, c51
mul r2.xy, r2.xzzz, c24.xyyy
add oT0.xy, r2.xyyy, c24.zwww

; The base pass's fog, so the added light fades out with distance.
dp4 r6.x, r7, c10
add r6.x, -r6.x, c23.y
mul r6.x, r6.x, c23.z
max r6.x, r6.x, c0.x
min oFog.x, r6.x, c0.z
