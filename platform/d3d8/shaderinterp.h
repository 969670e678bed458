// Vertex-shader tokens taken apart and run on the CPU.
//
// DecodeVertexShader checks a token stream completely (version, opcodes, parameter tokens,
// register ranges, lengths) so that whatever executes a decoded program never meets a malformed
// token. RunVertexShader then executes it for one vertex with Direct3D 8's results:
//   - scalar instructions (rcp rsq exp log expp logp) read the source component the swizzle
//     puts in w (with a replicate swizzle, the one named; with none, w) and replicate the result;
//   - rcp(0) = +inf, rcp(1) = 1; rsq works on |x| with rsq(0) = +inf, rsq(1) = 1;
//   - log and logp of 0 give -FLT_MAX; expp.z and logp.z keep only 15 mantissa bits;
//   - mov to a0.x takes floor(x); c[a0.x + n] outside c0..c95 reads (0, 0, 0, 0);
//   - lit clamps its power to +-127.9961; frc writes .y or .xy;
//   - oD0 and oD1 are clamped to [0, 1].
// def registers override the caller's constants for the run only.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "d3d8/shadertokens.h"

namespace d3d8 {

using VsVec4 = std::array<float, 4>;

struct VsInstruction {
    DWORD opcode = D3DSIO_NOP;
    DWORD dest = 0;  // destination parameter token; 0 for nop
    std::array<DWORD, 3> src{};
    int sourceCount = 0;
};

struct VsConstantDef {
    DWORD reg = 0;
    VsVec4 value{};
};

struct VsProgram {
    DWORD version = 0;
    std::vector<VsInstruction> code;  // in order; def and comments are not in it
    std::vector<VsConstantDef> defs;  // in order of appearance
    std::size_t tokenCount = 0;       // tokens read, version and end token included
};

// Decodes at most maxTokens tokens. On failure returns false, sets *error (when given) to a
// one-line reason and leaves *program empty.
bool DecodeVertexShader(const DWORD* tokens, std::size_t maxTokens, VsProgram* program, std::string* error = nullptr);

// Bits of VsOutputs::written.
enum : DWORD {
    kVsWrotePos = 1u << 0,
    kVsWroteD0 = 1u << 1,
    kVsWroteD1 = 1u << 2,
    kVsWroteFog = 1u << 3,
    kVsWrotePts = 1u << 4,
    kVsWroteT0 = 1u << 5,  // oTn sets kVsWroteT0 << n
};

struct VsOutputs {
    VsVec4 pos{0.0f, 0.0f, 0.0f, 1.0f};
    std::array<VsVec4, kVsColorOutputs> color{VsVec4{1.0f, 1.0f, 1.0f, 1.0f}, VsVec4{0.0f, 0.0f, 0.0f, 0.0f}};
    std::array<VsVec4, kVsTexCoordOutputs> tex{};
    float fog = 1.0f;
    float pointSize = 1.0f;
    DWORD written = 0;
};

struct VsInputs {
    std::array<VsVec4, kVsInputRegisters> v{};
    std::array<VsVec4, kVsConstRegisters> c{};
};

// Runs a decoded program for one vertex.
VsOutputs RunVertexShader(const VsProgram& program, const VsInputs& inputs);

}  // namespace d3d8
