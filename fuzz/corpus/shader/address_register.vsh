vs.1.1
def c90, 1, 2, 3, 4
mov a0.x, v0.x
add r0, c[a0.x + 1], c[a0.x + 1]
m4x4 oPos, r0, c4
exp r1, v1.x
log r2, v1.y
frc r3.xy, v2
lit r4, v3
dst r5, v4, r1
mov oD0, r4
mov oFog.x, r5.x
