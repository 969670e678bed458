; Objects: caustics pass, added (one/one) over the base pass with black fog.
; v0 position, v3 normal; registers as in game/vsconsts.h.
vs.1.0

; The surface plane (the only object with vertices 100 units out at its own height) takes the whole caustic light,
; unfogged: from below it is the water's colour with the light playing on it.
def c40, 99.0, 0.001, 0.0, 0.0
mov r11, v0
max r11.xy, r11.xy, -r11.xy
sge r11.x, r11.x, c40.x
slt r11.y, r11.y, c40.y
mul r11.x, r11.x, r11.y

; Clip position: the same instruction as objetos.vsh, so the depth is identical.
m4x4 oPos, v0, c4

; Caustic light falls from above: colour A by the facing of the light (c22 is zero in this
; pass, and kept in the sum so both passes light alike).
dp3 r0.x, v3, -c19
max r0.x, r0.x, c0.x
mov r10, c22                    ; vs.1.x reads one constant register per instruction
mad r1, c21, r0.x, r10
max r1, r1, c0.x
min r1, r1, c0.z
add r3, c0.z, -r1
mad oD0.xyz, r3, r11.x, r1
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
min r6.x, r6.x, c0.z
max oFog.x, r6.x, r11.x
