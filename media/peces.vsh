; Fish and moving rocks: base pass, blended from three key poses by the weights in c2.
; Pose k: position v(k), normal v(3 + k), texture coordinates v(6 + k).
vs.1.0

; Blend the poses. A weight of exactly 1 gives that pose exactly. The blended normal is not
; renormalised: it only shortens between poses, which dims a little and never brightens.
mul r7, v0, c2.x
mad r7, v1, c2.y, r7
mad r7, v2, c2.z, r7
mov r7.w, c0.z
mul r8, v3, c2.x
mad r8, v4, c2.y, r8
mad r8, v5, c2.z, r8
mul r9, v6, c2.x
mad r9, v7, c2.y, r9
mad r9, v8, c2.z, r9

; Clip position. peces2.vsh repeats this block and the blend above exactly, so the depth of
; both passes is identical.
m4x4 oPos, r7, c4

; Sun: ambient colour B plus colour A by how much the normal faces the light (c19 travels).
dp3 r0.x, r8, -c19
max r0.x, r0.x, c0.x
mov r10, c22                    ; vs.1.x reads one constant register per instruction
mad r1, c21, r0.x, r10

; Lamp: a spot at the diver's eye looking ahead, worked out in view space (c8 world x view, the
; eye at the origin looking along +z), where the fish's own turn and size are included.
m4x4 r2, r7, c8
m3x3 r3, r8, c8
dp3 r3.w, r3, r3
rsq r3.w, r3.w
mul r3.xyz, r3, r3.w            ; unit normal
dp3 r4.w, r2, r2
max r4.w, r4.w, c1.z            ; keep clear of the eye itself
rsq r5.w, r4.w
mul r2.xyz, r2, r5.w            ; unit direction from the eye
sge r4.x, r2.z, c52.w           ; inside the cone (c52.w = cosine of its half angle)
dp3 r4.y, r3, -r2
max r4.y, r4.y, c0.x            ; surfaces turned towards the lamp
mul r4.x, r4.x, r4.y
dst r5, r4.wwww, r5.wwww        ; (1, d, d*d, 1/d)
dp3 r5.x, r5, c53               ; attenuation: c53.x + c53.y d + c53.z d*d
max r5.x, r5.x, c0.z            ; never brighter than c52, also before the lamp was ever set
rcp r5.x, r5.x
mul r4.x, r4.x, r5.x
mul r4.x, r4.x, c1.z            ; a quarter of c52: bright within a few units, not white
mad r1.xyz, c52, r4.x, r1

; Diffuse colour, kept in 0..1; alpha comes from the texture.
max r1, r1, c0.x
min oD0.xyz, r1, c0.z
mov oD0.w, c0.z

mov oT0.xy, r9

; Linear vertex fog on the view depth: (end - z) / (end - start), 1 near, 0 past the end.
dp4 r6.x, r7, c10
add r6.x, -r6.x, c23.y
mul r6.x, r6.x, c23.z
max r6.x, r6.x, c0.x
min oFog.x, r6.x, c0.z
