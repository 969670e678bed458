vs.1.1
mad r0, c1, v0, c2
