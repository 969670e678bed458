// The shader table: for each instruction or special case, vs.1.1 text, the tokens it must
// assemble to (after the version token, before the end token), and the output it must give for
// the fixed inputs below, within a per-case tolerance. Shared by every test that runs shaders,
// on the CPU or on a GPU.
#pragma once

#include <array>
#include <cfloat>
#include <cmath>
#include <limits>
#include <vector>

#include "d3d8/shaderinterp.h"

namespace shadercases {

enum class Output { T0, D0, D1, Pos, Fog };

struct Case {
    const char* name;
    const char* text;           // statements after "vs.1.1"
    std::vector<DWORD> tokens;  // instruction tokens
    Output output;
    std::array<float, 4> want;  // for Fog only want[0] counts
    float tolerance;            // relative above magnitude 1, absolute below; 0 means exact
};

inline d3d8::VsInputs Inputs() {
    d3d8::VsInputs in;
    in.v[0] = {1.0f, -2.0f, 3.0f, 0.5f};
    in.v[1] = {0.25f, 4.0f, -1.0f, 2.0f};
    in.c[0] = {0.0f, 0.5f, 1.0f, 2.0f};
    in.c[1] = {1.0f, 0.0f, 0.0f, 0.0f};  // c1..c4: a matrix, one row per register
    in.c[2] = {0.0f, 1.0f, 0.0f, 0.0f};
    in.c[3] = {0.0f, 0.0f, 1.0f, 0.0f};
    in.c[4] = {10.0f, 20.0f, 30.0f, 1.0f};
    in.c[6] = {1.75f, -0.5f, 8.0f, 0.0f};  // address values
    in.c[8] = {2.5f, 12.0f, -1.25f, 0.0f};
    in.c[9] = {0.5f, 0.25f, 0.0f, 2.0f};     // lit: both terms
    in.c[10] = {-0.5f, 0.8f, 0.0f, 2.0f};    // lit: facing away
    in.c[11] = {0.5f, -0.1f, 0.0f, 2.0f};    // lit: no highlight
    in.c[12] = {0.5f, 1.01f, 0.0f, 200.0f};  // lit: power past the clamp
    return in;
}

constexpr DWORD kOT0 = 0xE00F0000u;  // oT0, all components
constexpr DWORD kV0 = 0x90E40000u;
constexpr DWORD kV1 = 0x90E40001u;
constexpr DWORD kC0 = 0xA0E40000u;
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kFull = 1e-6f;     // exp, log, rcp, rsq at full precision
constexpr float kPartial = 1e-3f;  // the partial-precision results of expp and logp

inline const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"mov", "mov oT0, v0", {0x1, kOT0, kV0}, Output::T0, {1, -2, 3, 0.5f}, 0},
        {"add", "add oT0, v0, v1", {0x2, kOT0, kV0, kV1}, Output::T0, {1.25f, 2, 2, 2.5f}, 0},
        {"sub", "sub oT0, v0, v1", {0x3, kOT0, kV0, kV1}, Output::T0, {0.75f, -6, 4, -1.5f}, 0},
        {"mul", "mul oT0, v0, v1", {0x5, kOT0, kV0, kV1}, Output::T0, {0.25f, -8, -3, 1}, 0},
        {"mad", "mad oT0, v0, v1, c0", {0x4, kOT0, kV0, kV1, kC0}, Output::T0, {0.25f, -7.5f, -2, 3}, 0},
        {"dp3", "dp3 oT0, v0, v1", {0x8, kOT0, kV0, kV1}, Output::T0, {-10.75f, -10.75f, -10.75f, -10.75f}, 0},
        {"dp4", "dp4 oT0, v0, v1", {0x9, kOT0, kV0, kV1}, Output::T0, {-9.75f, -9.75f, -9.75f, -9.75f}, 0},
        {"min", "min oT0, v0, v1", {0xA, kOT0, kV0, kV1}, Output::T0, {0.25f, -2, -1, 0.5f}, 0},
        {"max", "max oT0, v0, v1", {0xB, kOT0, kV0, kV1}, Output::T0, {1, 4, 3, 2}, 0},
        {"slt", "slt oT0, v0, v1", {0xC, kOT0, kV0, kV1}, Output::T0, {0, 1, 0, 1}, 0},
        {"sge", "sge oT0, v0, v1", {0xD, kOT0, kV0, kV1}, Output::T0, {1, 0, 1, 0}, 0},
        {"slt and sge at equality, through write masks",
         "slt oT0.xy, v0.x, c1.x\nsge oT0.zw, v0.x, c1.x",
         {0xC, 0xE0030000u, 0x90000000u, 0xA0000001u, 0xD, 0xE00C0000u, 0x90000000u, 0xA0000001u},
         Output::T0,
         {0, 0, 1, 1},
         0},
        {"rcp", "rcp oT0, v1.w", {0x6, kOT0, 0x90FF0001u}, Output::T0, {0.5f, 0.5f, 0.5f, 0.5f}, kFull},
        {"rcp without a swizzle reads w", "rcp oT0, v1", {0x6, kOT0, kV1}, Output::T0, {0.5f, 0.5f, 0.5f, 0.5f}, kFull},
        {"rcp of 0 is +inf", "rcp oT0, c0.x", {0x6, kOT0, 0xA0000000u}, Output::T0, {kInf, kInf, kInf, kInf}, 0},
        {"rcp of 1 is exactly 1", "rcp oT0, c1.x", {0x6, kOT0, 0xA0000001u}, Output::T0, {1, 1, 1, 1}, 0},
        {"rsq of a negated source uses |x|",
         "rsq oT0, -v1.y",
         {0x7, kOT0, 0x91550001u},
         Output::T0,
         {0.5f, 0.5f, 0.5f, 0.5f},
         kFull},
        {"rsq of a negative value uses |x|", "rsq oT0, v1.z", {0x7, kOT0, 0x90AA0001u}, Output::T0, {1, 1, 1, 1}, 0},
        {"rsq of 0 is +inf", "rsq oT0, c0.x", {0x7, kOT0, 0xA0000000u}, Output::T0, {kInf, kInf, kInf, kInf}, 0},
        {"rcp of a fraction",
         "rcp oT0, c8.y",
         {0x6, kOT0, 0xA0550008u},
         Output::T0,
         {0.0833333358f, 0.0833333358f, 0.0833333358f, 0.0833333358f},
         kFull},
        {"rsq of a fraction",
         "rsq oT0, c8.x",
         {0x7, kOT0, 0xA0000008u},
         Output::T0,
         {0.632455532f, 0.632455532f, 0.632455532f, 0.632455532f},
         kFull},
        {"exp of a negative fraction",
         "exp oT0, c8.z",
         {0xE, kOT0, 0xA0AA0008u},
         Output::T0,
         {0.420448208f, 0.420448208f, 0.420448208f, 0.420448208f},
         kFull},
        {"log of a fraction",
         "log oT0, c8.x",
         {0xF, kOT0, 0xA0000008u},
         Output::T0,
         {1.32192809f, 1.32192809f, 1.32192809f, 1.32192809f},
         kFull},
        {"exp",
         "exp oT0, v0.w",
         {0xE, kOT0, 0x90FF0000u},
         Output::T0,
         {1.41421356f, 1.41421356f, 1.41421356f, 1.41421356f},
         kFull},
        {"log", "log oT0, v1.y", {0xF, kOT0, 0x90550001u}, Output::T0, {2, 2, 2, 2}, kFull},
        {"log uses |x|", "log oT0, v0.y", {0xF, kOT0, 0x90550000u}, Output::T0, {1, 1, 1, 1}, kFull},
        {"log of 0 is -FLT_MAX",
         "log oT0, c0.x",
         {0xF, kOT0, 0xA0000000u},
         Output::T0,
         {-FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX},
         0},
        {"expp", "expp oT0, c8.x", {0x4E, kOT0, 0xA0000008u}, Output::T0, {4, 0.5f, 5.65685425f, 1}, kPartial},
        {"expp of a negative value",
         "expp oT0, -c8.x",
         {0x4E, kOT0, 0xA1000008u},
         Output::T0,
         {0.125f, 0.5f, 0.176776695f, 1},
         kPartial},
        {"logp", "logp oT0, c8.y", {0x4F, kOT0, 0xA0550008u}, Output::T0, {3, 1.5f, 3.5849625f, 1}, kPartial},
        {"logp of 0", "logp oT0, c0.x", {0x4F, kOT0, 0xA0000000u}, Output::T0, {-FLT_MAX, 1, -FLT_MAX, 1}, 0},
        {"lit", "lit oT0, c9", {0x10, kOT0, 0xA0E40009u}, Output::T0, {1, 0.5f, 0.0625f, 1}, kFull},
        {"lit facing away", "lit oT0, c10", {0x10, kOT0, 0xA0E4000Au}, Output::T0, {1, 0, 0, 1}, 0},
        {"lit without highlight", "lit oT0, c11", {0x10, kOT0, 0xA0E4000Bu}, Output::T0, {1, 0.5f, 0, 1}, 0},
        {"lit clamps the power",
         "lit oT0, c12",
         {0x10, kOT0, 0xA0E4000Cu},
         Output::T0,
         {1, 0.5f, 3.5737031f, 1},
         1e-5f},
        {"dst", "dst oT0, v0, v1", {0x11, kOT0, kV0, kV1}, Output::T0, {1, -8, 3, 2}, 0},
        {"frc",
         "mov oT0, c0\nfrc oT0.xy, c8.zx",
         {0x1, kOT0, kC0, 0x13, 0xE0030000u, 0xA0020008u},
         Output::T0,
         {0.75f, 0.5f, 1, 2},
         0},
        {"m4x4", "m4x4 oT0, v0, c1", {0x14, kOT0, kV0, 0xA0E40001u}, Output::T0, {1, -2, 3, 60.5f}, 0},
        {"m4x3",
         "mov oT0, c0\nm4x3 oT0.xyz, v0, c2",
         {0x1, kOT0, kC0, 0x15, 0xE0070000u, kV0, 0xA0E40002u},
         Output::T0,
         {-2, 3, 60.5f, 2},
         0},
        {"m3x4", "m3x4 oT0, v0, c1", {0x16, kOT0, kV0, 0xA0E40001u}, Output::T0, {1, -2, 3, 60}, 0},
        {"m3x3",
         "mov oT0, c0\nm3x3 oT0.xyz, v0, c2",
         {0x1, kOT0, kC0, 0x17, 0xE0070000u, kV0, 0xA0E40002u},
         Output::T0,
         {-2, 3, 60, 2},
         0},
        {"m3x3 leaves w alone under a full mask",
         "mov oT0, c0\nm3x3 oT0, v0, c2",
         {0x1, kOT0, kC0, 0x17, kOT0, kV0, 0xA0E40002u},
         Output::T0,
         {-2, 3, 60, 2},
         0},
        {"m3x2",
         "mov oT0, c0\nm3x2 oT0.xy, v0, c3",
         {0x1, kOT0, kC0, 0x18, 0xE0030000u, kV0, 0xA0E40003u},
         Output::T0,
         {3, 60, 1, 2},
         0},
        {"negated swizzle", "mov oT0, -v0.yzxw", {0x1, kOT0, 0x91C90000u}, Output::T0, {2, -3, -1, -0.5f}, 0},
        {"short swizzle repeats its last component",
         "mov oT0, v1.zy",
         {0x1, kOT0, 0x90560001u},
         Output::T0,
         {-1, 4, 4, 4},
         0},
        {"min and max select infinities",
         "rcp r0, c0.x\nmin oT0.xy, r0, v0\nmax oT0.zw, r0, v0",
         {0x6, 0x800F0000u, 0xA0000000u, 0xA, 0xE0030000u, 0x80E40000u, kV0, 0xB, 0xE00C0000u, 0x80E40000u, kV0},
         Output::T0,
         {1, -2, kInf, kInf},
         0},
        {"temporaries and write masks",
         "mov r0, v0\nmov r0.yw, v1\nmov oT0, r0",
         {0x1, 0x800F0000u, kV0, 0x1, 0x800A0000u, kV1, 0x1, kOT0, 0x80E40000u},
         Output::T0,
         {1, 4, 3, 2},
         0},
        {"a0 addressing floors",
         "mov a0.x, c6.x\nmov oT0, c[a0.x + 3]",
         {0x1, 0xB0010000u, 0xA0000006u, 0x1, kOT0, 0xA0E42003u},
         Output::T0,
         {10, 20, 30, 1},
         0},
        {"a0 addressing floors negative values",
         "mov a0.x, c6.y\nmov oT0, c[5 + a0.x]",
         {0x1, 0xB0010000u, 0xA0550006u, 0x1, kOT0, 0xA0E42005u},
         Output::T0,
         {10, 20, 30, 1},
         0},
        {"a0 addressing past c95 reads zero",
         "mov a0.x, c6.z\nmov oT0, c[a0.x + 90]",
         {0x1, 0xB0010000u, 0xA0AA0006u, 0x1, kOT0, 0xA0E4205Au},
         Output::T0,
         {0, 0, 0, 0},
         0},
        {"a0 addressing of a matrix",
         "mov a0.x, c6.x\nm4x4 oT0, v0, c[a0.x]",
         {0x1, 0xB0010000u, 0xA0000006u, 0x14, kOT0, kV0, 0xA0E42000u},
         Output::T0,
         {1, -2, 3, 60.5f},
         0},
        {"the last temporary",
         "mov r11, v1\nmov oT0, r11",
         {0x1, 0x800F000Bu, kV1, 0x1, kOT0, 0x80E4000Bu},
         Output::T0,
         {0.25f, 4, -1, 2},
         0},
        {"a0 addressing reads a def",
         "def c20, 1, 2, 3, 4\nmov a0.x, c6.x\nmov oT0, c[a0.x + 19]",
         {0x51, 0xA00F0014u, 0x3F800000u, 0x40000000u, 0x40400000u, 0x40800000u, 0x1, 0xB0010000u, 0xA0000006u, 0x1,
          kOT0, 0xA0E42013u},
         Output::T0,
         {1, 2, 3, 4},
         0},
        {"def overrides a constant",
         "def c1, 5, 6.0, 7.0f, 8\nmov oT0, c1",
         {0x51, 0xA00F0001u, 0x40A00000u, 0x40C00000u, 0x40E00000u, 0x41000000u, 0x1, kOT0, 0xA0E40001u},
         Output::T0,
         {5, 6, 7, 8},
         0},
        {"oPos", "m4x4 oPos, v0, c1", {0x14, 0xC00F0000u, kV0, 0xA0E40001u}, Output::Pos, {1, -2, 3, 60.5f}, 0},
        {"oD0 is clamped", "mov oD0, v0", {0x1, 0xD00F0000u, kV0}, Output::D0, {1, 0, 1, 0.5f}, 0},
        {"oD1 is clamped", "mov oD1, v1", {0x1, 0xD00F0001u, kV1}, Output::D1, {0.25f, 1, 0, 1}, 0},
        // oT0 holds the checked value; the other outputs are compared wherever a second
        // implementation runs the table.
        {"every texture output and oPts",
         "mov oT1, v0\nmov oT2, v1\nmov oT3, c4\nmov oT4, -v0\nmov oT5, v1.wzyx\nmov oT6, c9\nmov oT7, c8\n"
         "mov oPts, v1.w\nmov oT0, v1",
         {0x1, 0xE00F0001u, kV0,         0x1, 0xE00F0002u, kV1,         0x1, 0xE00F0003u, 0xA0E40004u,
          0x1, 0xE00F0004u, 0x91E40000u, 0x1, 0xE00F0005u, 0x901B0001u, 0x1, 0xE00F0006u, 0xA0E40009u,
          0x1, 0xE00F0007u, 0xA0E40008u, 0x1, 0xC0010002u, 0x90FF0001u, 0x1, kOT0,        kV1},
         Output::T0,
         {0.25f, 4, -1, 2},
         0},
        {"oFog takes x", "mov oFog, v1.y", {0x1, 0xC0010001u, 0x90550001u}, Output::Fog, {4, 0, 0, 0}, 0},
    };
    return cases;
}

// Whether got matches want under the case's tolerance (infinities and -FLT_MAX exactly).
inline bool Matches(float got, float want, float tolerance) {
    if (tolerance == 0.0f || std::isinf(want)) return got == want;
    return std::fabs(got - want) <= tolerance * std::fmax(1.0f, std::fabs(want));
}

}  // namespace shadercases
