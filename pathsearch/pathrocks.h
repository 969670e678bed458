// The rocks the path search steers around: each one's collision model and world matrix (16 floats,
// row vectors). The game fills it from its own rocks when a level is built and empties it with them.
#pragma once

#include "coldet/coldet.h"

struct PathRock {
    CollisionModel3D* pCollisionModel;
    const float* pfWorld;
};

inline const PathRock* g_pPathRocks = nullptr;
inline int g_nPathRocks = 0;

inline int pfGetRockCount() { return g_pPathRocks ? g_nPathRocks : 0; }
inline const PathRock& pfGetRock(int i) { return g_pPathRocks[i]; }
