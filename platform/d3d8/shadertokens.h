// Direct3D 8 vertex-shader token format: the version token, instruction tokens, destination and
// source parameter tokens, comments and the end token, with the helpers the assembler, the
// interpreter and the GLSL translation share to build and take apart tokens.
//
// A shader is: version token, then instructions until the end token. An instruction is an opcode
// token followed by its parameters (destination first, then sources); `def` is followed by a
// destination and four raw floats; a comment token carries its length in DWORDs and is skipped.
#pragma once

#include "win32/wintypes.h"

// ---- Version token ----
constexpr DWORD D3DVS_VERSION(DWORD major, DWORD minor) { return 0xFFFE0000u | (major << 8) | minor; }
constexpr DWORD D3DPS_VERSION(DWORD major, DWORD minor) { return 0xFFFF0000u | (major << 8) | minor; }
constexpr DWORD D3DSHADER_VERSION_MAJOR(DWORD version) { return (version >> 8) & 0xFFu; }
constexpr DWORD D3DSHADER_VERSION_MINOR(DWORD version) { return version & 0xFFu; }
constexpr DWORD D3DSHADER_VERSION_TYPE_MASK = 0xFFFF0000u;
constexpr DWORD D3DSHADER_VERSION_VERTEX = 0xFFFE0000u;

// ---- Instruction token ----
enum D3DSHADER_INSTRUCTION_OPCODE_TYPE : DWORD {
    D3DSIO_NOP = 0,
    D3DSIO_MOV = 1,
    D3DSIO_ADD = 2,
    D3DSIO_SUB = 3,
    D3DSIO_MAD = 4,
    D3DSIO_MUL = 5,
    D3DSIO_RCP = 6,
    D3DSIO_RSQ = 7,
    D3DSIO_DP3 = 8,
    D3DSIO_DP4 = 9,
    D3DSIO_MIN = 10,
    D3DSIO_MAX = 11,
    D3DSIO_SLT = 12,
    D3DSIO_SGE = 13,
    D3DSIO_EXP = 14,
    D3DSIO_LOG = 15,
    D3DSIO_LIT = 16,
    D3DSIO_DST = 17,
    D3DSIO_LRP = 18,
    D3DSIO_FRC = 19,
    D3DSIO_M4x4 = 20,
    D3DSIO_M4x3 = 21,
    D3DSIO_M3x4 = 22,
    D3DSIO_M3x3 = 23,
    D3DSIO_M3x2 = 24,
    D3DSIO_EXPP = 78,
    D3DSIO_LOGP = 79,
    D3DSIO_DEF = 81,
    D3DSIO_COMMENT = 0xFFFE,
    D3DSIO_END = 0xFFFF,
};

constexpr DWORD D3DSI_OPCODE_MASK = 0x0000FFFFu;
constexpr DWORD D3DSI_COMMENTSIZE_SHIFT = 16;
constexpr DWORD D3DSI_COMMENTSIZE_MASK = 0x7FFF0000u;
constexpr DWORD D3DSHADER_COMMENT(DWORD dwordCount) {
    return ((dwordCount << D3DSI_COMMENTSIZE_SHIFT) & D3DSI_COMMENTSIZE_MASK) | D3DSIO_COMMENT;
}
constexpr DWORD D3DVS_END() { return 0x0000FFFFu; }

// ---- Parameter tokens (destination and source) ----
constexpr DWORD D3DSP_PARAM_BIT = 0x80000000u;  // set in every parameter token
constexpr DWORD D3DSP_REGNUM_MASK = 0x00000FFFu;
constexpr DWORD D3DSP_REGTYPE_SHIFT = 28;
constexpr DWORD D3DSP_REGTYPE_MASK = 0x70000000u;

enum D3DSHADER_PARAM_REGISTER_TYPE : DWORD {
    D3DSPR_TEMP = 0,       // r0-r11
    D3DSPR_INPUT = 1,      // v0-v15
    D3DSPR_CONST = 2,      // c0-c95
    D3DSPR_ADDR = 3,       // a0
    D3DSPR_RASTOUT = 4,    // oPos, oFog, oPts
    D3DSPR_ATTROUT = 5,    // oD0, oD1
    D3DSPR_TEXCRDOUT = 6,  // oT0-oT7
};

// Register numbers within D3DSPR_RASTOUT.
enum D3DVS_RASTOUT_OFFSETS : DWORD {
    D3DSRO_POSITION = 0,
    D3DSRO_FOG = 1,
    D3DSRO_POINT_SIZE = 2,
};

// Destination: write mask and result modifier.
constexpr DWORD D3DSP_WRITEMASK_0 = 0x00010000u;
constexpr DWORD D3DSP_WRITEMASK_1 = 0x00020000u;
constexpr DWORD D3DSP_WRITEMASK_2 = 0x00040000u;
constexpr DWORD D3DSP_WRITEMASK_3 = 0x00080000u;
constexpr DWORD D3DSP_WRITEMASK_ALL = 0x000F0000u;
constexpr DWORD D3DSP_WRITEMASK_SHIFT = 16;
constexpr DWORD D3DSP_DSTMOD_SHIFT = 20;
constexpr DWORD D3DSP_DSTMOD_MASK = 0x00F00000u;
constexpr DWORD D3DSP_DSTSHIFT_SHIFT = 24;
constexpr DWORD D3DSP_DSTSHIFT_MASK = 0x0F000000u;

// Source: relative addressing (c[a0.x + n]), swizzle and modifier.
constexpr DWORD D3DVS_ADDRESSMODE_SHIFT = 13;
constexpr DWORD D3DVS_ADDRESSMODE_MASK = 1u << D3DVS_ADDRESSMODE_SHIFT;
constexpr DWORD D3DVS_ADDRMODE_ABSOLUTE = 0;
constexpr DWORD D3DVS_ADDRMODE_RELATIVE = 1u << D3DVS_ADDRESSMODE_SHIFT;

constexpr DWORD D3DVS_SWIZZLE_SHIFT = 16;
constexpr DWORD D3DVS_SWIZZLE_MASK = 0x00FF0000u;
// Each of the four result components names its source component in two bits: x, y, z, w = 0..3.
constexpr DWORD D3DSP_SWIZZLE(DWORD x, DWORD y, DWORD z, DWORD w) {
    return ((x & 3u) | ((y & 3u) << 2) | ((z & 3u) << 4) | ((w & 3u) << 6)) << D3DVS_SWIZZLE_SHIFT;
}
constexpr DWORD D3DVS_NOSWIZZLE = D3DSP_SWIZZLE(0, 1, 2, 3);
constexpr DWORD D3DSP_REPLICATERED = D3DSP_SWIZZLE(0, 0, 0, 0);
constexpr DWORD D3DSP_REPLICATEGREEN = D3DSP_SWIZZLE(1, 1, 1, 1);
constexpr DWORD D3DSP_REPLICATEBLUE = D3DSP_SWIZZLE(2, 2, 2, 2);
constexpr DWORD D3DSP_REPLICATEALPHA = D3DSP_SWIZZLE(3, 3, 3, 3);

constexpr DWORD D3DSP_SRCMOD_SHIFT = 24;
constexpr DWORD D3DSP_SRCMOD_MASK = 0x0F000000u;
constexpr DWORD D3DSPSM_NONE = 0u << D3DSP_SRCMOD_SHIFT;
constexpr DWORD D3DSPSM_NEG = 1u << D3DSP_SRCMOD_SHIFT;

// ---- Register limits of vs.1.0 / vs.1.1 ----
namespace d3d8 {

constexpr DWORD kVsInputRegisters = 16;
constexpr DWORD kVsTempRegisters = 12;
constexpr DWORD kVsConstRegisters = 96;
constexpr DWORD kVsTexCoordOutputs = 8;
constexpr DWORD kVsColorOutputs = 2;

// ---- Building tokens ----
constexpr DWORD MakeDestToken(DWORD regType, DWORD regNum, DWORD writeMask = D3DSP_WRITEMASK_ALL) {
    return D3DSP_PARAM_BIT | ((regType << D3DSP_REGTYPE_SHIFT) & D3DSP_REGTYPE_MASK) |
           (writeMask & D3DSP_WRITEMASK_ALL) | (regNum & D3DSP_REGNUM_MASK);
}
constexpr DWORD MakeSrcToken(DWORD regType, DWORD regNum, DWORD swizzle = D3DVS_NOSWIZZLE, bool negate = false,
                             bool relative = false) {
    return D3DSP_PARAM_BIT | ((regType << D3DSP_REGTYPE_SHIFT) & D3DSP_REGTYPE_MASK) | (swizzle & D3DVS_SWIZZLE_MASK) |
           (negate ? D3DSPSM_NEG : D3DSPSM_NONE) | (relative ? D3DVS_ADDRMODE_RELATIVE : D3DVS_ADDRMODE_ABSOLUTE) |
           (regNum & D3DSP_REGNUM_MASK);
}

// ---- Taking tokens apart ----
constexpr DWORD TokenOpcode(DWORD token) { return token & D3DSI_OPCODE_MASK; }
constexpr DWORD CommentLength(DWORD token) { return (token & D3DSI_COMMENTSIZE_MASK) >> D3DSI_COMMENTSIZE_SHIFT; }
constexpr bool IsParamToken(DWORD token) { return (token & D3DSP_PARAM_BIT) != 0; }
constexpr DWORD ParamRegType(DWORD token) { return (token & D3DSP_REGTYPE_MASK) >> D3DSP_REGTYPE_SHIFT; }
constexpr DWORD ParamRegNum(DWORD token) { return token & D3DSP_REGNUM_MASK; }
constexpr DWORD DestWriteMask(DWORD token) { return (token & D3DSP_WRITEMASK_ALL) >> D3DSP_WRITEMASK_SHIFT; }
constexpr bool SrcIsRelative(DWORD token) { return (token & D3DVS_ADDRESSMODE_MASK) != 0; }
constexpr bool SrcIsNegated(DWORD token) { return (token & D3DSP_SRCMOD_MASK) == D3DSPSM_NEG; }
// The source component (0..3) read for result component i (0..3).
constexpr DWORD SrcSwizzle(DWORD token, DWORD i) { return (token >> (D3DVS_SWIZZLE_SHIFT + 2 * i)) & 3u; }

// What follows an opcode in vs.1.x.
struct VsOpcodeInfo {
    DWORD opcode;
    const char* name;  // assembler mnemonic
    int sources;       // source parameters after the destination
    bool hasDest;
};

inline constexpr VsOpcodeInfo kVsOpcodes[] = {
    {D3DSIO_NOP, "nop", 0, false},  {D3DSIO_MOV, "mov", 1, true},   {D3DSIO_ADD, "add", 2, true},
    {D3DSIO_SUB, "sub", 2, true},   {D3DSIO_MAD, "mad", 3, true},   {D3DSIO_MUL, "mul", 2, true},
    {D3DSIO_RCP, "rcp", 1, true},   {D3DSIO_RSQ, "rsq", 1, true},   {D3DSIO_DP3, "dp3", 2, true},
    {D3DSIO_DP4, "dp4", 2, true},   {D3DSIO_MIN, "min", 2, true},   {D3DSIO_MAX, "max", 2, true},
    {D3DSIO_SLT, "slt", 2, true},   {D3DSIO_SGE, "sge", 2, true},   {D3DSIO_EXP, "exp", 1, true},
    {D3DSIO_LOG, "log", 1, true},   {D3DSIO_LIT, "lit", 1, true},   {D3DSIO_DST, "dst", 2, true},
    {D3DSIO_FRC, "frc", 1, true},   {D3DSIO_M4x4, "m4x4", 2, true}, {D3DSIO_M4x3, "m4x3", 2, true},
    {D3DSIO_M3x4, "m3x4", 2, true}, {D3DSIO_M3x3, "m3x3", 2, true}, {D3DSIO_M3x2, "m3x2", 2, true},
    {D3DSIO_EXPP, "expp", 1, true}, {D3DSIO_LOGP, "logp", 1, true},
};

// The vs.1.x instruction of an opcode, or nullptr (def, comments and the end token are not in
// the table: they are structure, not instructions).
constexpr const VsOpcodeInfo* FindVsOpcode(DWORD opcode) {
    for (const VsOpcodeInfo& info : kVsOpcodes)
        if (info.opcode == opcode) return &info;
    return nullptr;
}

// Instruction slots an opcode takes against the vs.1.x limit of kVsMaxInstructionSlots: the
// macros count as the instructions they stand for.
constexpr int kVsMaxInstructionSlots = 128;
constexpr int InstructionSlots(DWORD opcode) {
    switch (opcode) {
        case D3DSIO_M4x4:
        case D3DSIO_M3x4: return 4;
        case D3DSIO_M4x3:
        case D3DSIO_M3x3: return 3;
        case D3DSIO_M3x2: return 2;
        case D3DSIO_FRC: return 3;
        case D3DSIO_EXP:
        case D3DSIO_LOG: return 12;
        default: return 1;
    }
}

// Registers a matrix macro reads from its second source: m4x4 four, m3x2 two, and so on.
constexpr int MatrixMacroRows(DWORD opcode) {
    switch (opcode) {
        case D3DSIO_M4x4:
        case D3DSIO_M3x4: return 4;
        case D3DSIO_M4x3:
        case D3DSIO_M3x3: return 3;
        case D3DSIO_M3x2: return 2;
        default: return 0;
    }
}
// Components of each row dotted by a matrix macro (4 for m4xN, 3 for m3xN).
constexpr int MatrixMacroColumns(DWORD opcode) {
    switch (opcode) {
        case D3DSIO_M4x4:
        case D3DSIO_M4x3: return 4;
        case D3DSIO_M3x4:
        case D3DSIO_M3x3:
        case D3DSIO_M3x2: return 3;
        default: return 0;
    }
}

}  // namespace d3d8
