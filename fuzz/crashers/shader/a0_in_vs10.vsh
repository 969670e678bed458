vs.1.0
mov a0.x, v0.x
mov r0, c[a0.x + 3]
