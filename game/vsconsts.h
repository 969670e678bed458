// Register interface between the game's renderers and its vertex-shader programs (media/*.vsh):
// the constant registers every renderer writes and the two vertex-input declarations.
// Matrices take four consecutive registers and are always sent transposed.
#pragma once

#include "win32/wintypes.h"

enum : DWORD {
    VSC_CONST_0 = 0,      // (0.0, 0.5, 1.0, 2.0)
    VSC_CONST_1 = 1,      // (1.0, 0.5, 0.25, specular power: 30 under water, 5 at the surface)
    VSC_BLEND = 2,        // key-pose blend weights (w0, w1, w2, -) of the object being drawn
    VSC_WVP = 4,          // c4..c7: world x view x projection
    VSC_WV = 8,           // c8..c11: world x view; the sea surface sends its world matrix alone
    VSC_LIGHT_DIR = 19,   // direction the light travels (unit length)
    VSC_UP = 20,          // (0.0, 1.0, 0.0, 0.0)
    VSC_COLOR_A = 21,     // level colour A, lit part (rgb, 1)
    VSC_COLOR_B = 22,     // level colour B, ambient part (rgb, 1); zero during the caustics pass
    VSC_FOG = 23,         // (0.5, fog end, 1 / (fog end - fog start), 0)
    VSC_ANIM = 24,        // (0.05, 0.05, sin t / 8, cos t / 10): caustic scale and drift
    VSC_LOOK_DIR = 25,    // the diver's look direction; for the sea surface the diver's position
    VSC_HIGHLIGHT = 26,   // specular colour of the sea surface
    VSC_PROJ = 28,        // c28..c31: the projection alone
    VSC_WVP2 = 34,        // c34..c37: world x view x projection again (sea floor only)
    VSC_DIVER_POS = 50,   // the diver's position (the lamp sits at the diver's eye)
    VSC_OBJECT_POS = 51,  // the object's own world position (sea floor: the patch position)
    VSC_LAMP = 52,        // lamp (r, g, b, cosine of the cone's half angle); zero when off
    VSC_LAMP2 = 53,       // lamp attenuation (constant, linear, quadratic, -)
    VSC_COUNT = 54,       // registers c0..c53 make up the interface
};

// One stream: position -> v0, normal -> v3, texture coordinates -> v6.
constexpr DWORD g_adwVSDeclOneStream[] = {
    0x20000000, 0x40020000, 0x40020003, 0x40010006, 0xFFFFFFFF,
};

// Three streams, one per key pose k: position -> v(k), normal -> v(3 + k), texture -> v(6 + k).
constexpr DWORD g_adwVSDeclThreeStreams[] = {
    0x20000000, 0x40020000, 0x40020003, 0x40010006, 0x20000001, 0x40020001, 0x40020004,
    0x40010007, 0x20000002, 0x40020002, 0x40020005, 0x40010008, 0xFFFFFFFF,
};
