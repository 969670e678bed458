; Objects (rocks, spear, diver, boat, overlay, HUD and video quads): base pass.
; v0 position, v3 normal, v6 texture coordinates; registers as in game/vsconsts.h.
vs.1.0

; The surface plane is the only object with vertices 100 units out at its own height (its
; corners); from below it shows the water's own colour here, fully fogged, and the caustics
; pass lights it.
def c40, 99.0, 0.001, 0.0, 0.0
mov r11, v0
max r11.xy, r11.xy, -r11.xy
sge r11.x, r11.x, c40.x
slt r11.y, r11.y, c40.y
mul r11.x, r11.x, r11.y

; Clip position. The caustics pass (objetos2.vsh) repeats this exact instruction so that its
; depth matches and LESSEQUAL lets it through.
m4x4 oPos, v0, c4

; Sun: ambient colour B plus colour A by how much the normal faces the light (c19 travels).
dp3 r0.x, v3, -c19
max r0.x, r0.x, c0.x
mov r10, c22                    ; vs.1.x reads one constant register per instruction
mad r1, c21, r0.x, r10

; Lamp: a spot at the diver's eye c50 looking along c25. World position is v0 + c51, exact for
; objects that are only translated and close enough for the small ones that turn.
add r2, v0, c51
add r2, r2, -c50
dp3 r3.x, r2, r2
max r3.x, r3.x, c1.z            ; keep clear of the eye itself
rsq r3.y, r3.x
mul r2.xyz, r2, r3.y            ; unit direction from the eye
dp3 r4.x, r2, c25
sge r4.x, r4.x, c52.w           ; inside the cone (c52.w = cosine of its half angle)
dp3 r4.y, v3, -r2
max r4.y, r4.y, c0.x            ; surfaces turned towards the lamp
mul r4.x, r4.x, r4.y
dst r5, r3.xxxx, r3.yyyy        ; (1, d, d*d, 1/d)
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

mov oT0.xy, v6

; Linear vertex fog on the view depth: (end - z) / (end - start), 1 near, 0 past the end; the
; surface plane all fog.
dp4 r6.x, v0, c10
add r6.x, -r6.x, c23.y
mul r6.x, r6.x, c23.z
max r6.x, r6.x, c0.x
min r6.x, r6.x, c0.z
add r11.y, c0.z, -r11.x
mul oFog.x, r6.x, r11.y
