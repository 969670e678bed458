vs.1.1
// Every instruction and output once, with swizzles, negation and relative reads.
def c95, 0.5, -1.5, 1e10, 0
nop
mov a0.x, c1.y
mov r0, v0
add r1, r0, -c[a0.x + 2]
sub r2.xz, r1.yxwz, c3
mul r3, r2.xxxx, v1.w
mad r4, r3, c95, -r0
min r5, r4, c0.yyyy
max r6.w, r5, -r4
slt r7, r6, r5
sge r8, r6, c[3 + a0.x]
dp3 r9.x, r8, v2
dp4 r9.y, r8, v3
rcp r10.x, r9.x
rsq r10.y, r9.y
exp r11, r10.x
expp r11.y, r10.y
log r0.z, r10.x
logp r0.w, r10.y
lit r1, r11
dst r2, r1, r0
frc r3.xy, r2
m4x4 oPos, v0, c4
m4x3 r4.xyz, v0, c8
m3x4 r5, v3, c12
m3x3 r6.xyz, v3, c16
m3x2 r7.xy, v3, c20
mov oD0, r4
mov oD1, -r5.wzyx
mov oT0, r6
mov oT7.xy, r7
mov oFog.x, r3.x
mov oPts.x, c0.w
