; Sea surface: base pass. Here c8..c11 hold the world matrix alone and c25 the diver's (eye)
; position; c26 is the highlight colour and c1.w its power. v0 position, v3 normal, v6 texture.
vs.1.0

; Clip position. mar2.vsh repeats this exact instruction, so the depth is identical.
m4x4 oPos, v0, c4

; World position and normal (the world matrix only turns about y and moves).
m4x4 r0, v0, c8
m3x3 r1.xyz, v3, c8

; Sun: ambient colour B plus colour A by how much the normal faces the light (c19 travels).
dp3 r2.x, r1, -c19
max r2.x, r2.x, c0.x
mov r10, c22                    ; vs.1.x reads one constant register per instruction
mad r3, c21, r2.x, r10
max r3, r3, c0.x
min oD0.xyz, r3, c0.z
mov oD0.w, c0.z

; Highlight: the normal against the half vector between the sun and the eye, to power c1.w.
add r4, c25, -r0
dp3 r4.w, r4, r4
max r4.w, r4.w, c1.z            ; keep clear of the eye itself
rsq r4.w, r4.w
mul r4.xyz, r4, r4.w            ; unit direction to the eye
add r4, r4, -c19
dp3 r4.w, r4, r4
max r4.w, r4.w, c1.z            ; sun and eye opposite: no highlight rather than a bad value
rsq r4.w, r4.w
mul r4.xyz, r4, r4.w
dp3 r5.y, r1, r4
mov r5.x, r2.x
mov r5.w, c1.w
lit r5, r5
mul oD1, c26, r5.z

mov oT0.xy, v6

; The sea is drawn only at the surface, where fog is off.
mov oFog.x, c0.z
