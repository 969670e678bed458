#include "d3d8/vshader.h"

#include <cstring>

#include "d3d8/shaderinterp.h"
#include "d3d8/shadertokens.h"

namespace d3d8 {

namespace {
constexpr size_t kMaxDeclarationTokens = 1024;
constexpr size_t kMaxFunctionTokens = 65536;
}  // namespace

UINT VertexTypeSize(DWORD type) {
    switch (type) {
        case D3DVSDT_FLOAT1: return 4;
        case D3DVSDT_FLOAT2: return 8;
        case D3DVSDT_FLOAT3: return 12;
        case D3DVSDT_FLOAT4: return 16;
        case D3DVSDT_D3DCOLOR: return 4;
        case D3DVSDT_UBYTE4: return 4;
        case D3DVSDT_SHORT2: return 4;
        case D3DVSDT_SHORT4: return 8;
        default: return 0;
    }
}

HRESULT ParseDeclaration(const DWORD* tokens, VertexShader& out) {
    if (!tokens) return D3DERR_INVALIDCALL;
    out.elements.clear();
    out.declConstants.clear();
    out.streamSize.fill(0);
    out.usedStreams = 0;
    int stream = -1;
    for (size_t i = 0; i < kMaxDeclarationTokens; ++i) {
        DWORD t = tokens[i];
        if (t == D3DVSD_END()) {
            out.declaration.assign(tokens, tokens + i + 1);
            return D3D_OK;
        }
        DWORD kind = (t & D3DVSD_TOKENTYPEMASK) >> D3DVSD_TOKENTYPESHIFT;
        switch (kind) {
            case D3DVSD_TOKEN_NOP:
                if (t != 0) return D3DERR_INVALIDCALL;
                break;
            case D3DVSD_TOKEN_STREAM:
                if (t & D3DVSD_STREAMTESSMASK) return D3DERR_INVALIDCALL;  // no tessellation here
                if ((t & ~(D3DVSD_TOKENTYPEMASK | D3DVSD_STREAMNUMBERMASK)) != 0) return D3DERR_INVALIDCALL;
                stream = static_cast<int>(t & D3DVSD_STREAMNUMBERMASK);
                break;
            case D3DVSD_TOKEN_STREAMDATA: {
                if (stream < 0) return D3DERR_INVALIDCALL;
                if (t & D3DVSD_DATALOADTYPEMASK) {  // skip
                    out.streamSize[stream] += 4 * ((t & D3DVSD_SKIPCOUNTMASK) >> D3DVSD_SKIPCOUNTSHIFT);
                    break;
                }
                DWORD type = (t & D3DVSD_DATATYPEMASK) >> D3DVSD_DATATYPESHIFT;
                DWORD reg = t & D3DVSD_VERTEXREGMASK;
                UINT size = VertexTypeSize(type);
                if (size == 0 || reg >= kVsInputRegisters) return D3DERR_INVALIDCALL;
                if ((t & ~(D3DVSD_TOKENTYPEMASK | D3DVSD_DATATYPEMASK | D3DVSD_VERTEXREGMASK)) != 0)
                    return D3DERR_INVALIDCALL;
                for (const auto& e : out.elements)
                    if (e.reg == reg) return D3DERR_INVALIDCALL;
                out.elements.push_back({static_cast<DWORD>(stream), reg, type, out.streamSize[stream]});
                out.streamSize[stream] += size;
                out.usedStreams |= 1u << stream;
                break;
            }
            case D3DVSD_TOKEN_CONSTMEM: {
                DWORD count = (t & D3DVSD_CONSTCOUNTMASK) >> D3DVSD_CONSTCOUNTSHIFT;
                DWORD addr = t & D3DVSD_CONSTADDRESSMASK;
                if (addr + count > kVsConstRegisters) return D3DERR_INVALIDCALL;
                if (i + 4 * count >= kMaxDeclarationTokens) return D3DERR_INVALIDCALL;
                for (DWORD c = 0; c < count; ++c) {
                    std::array<float, 4> v;
                    std::memcpy(v.data(), tokens + i + 1 + 4 * c, 16);
                    out.declConstants.emplace_back(addr + c, v);
                }
                i += 4 * count;
                break;
            }
            case D3DVSD_TOKEN_EXT: {
                DWORD count = (t & D3DVSD_EXTCOUNTMASK) >> D3DVSD_EXTCOUNTSHIFT;
                i += count;
                break;
            }
            default: return D3DERR_INVALIDCALL;
        }
    }
    return D3DERR_INVALIDCALL;
}

namespace {

bool CheckDest(DWORD t, DWORD opcode) {
    if (!IsParamToken(t)) return false;
    DWORD type = ParamRegType(t), num = ParamRegNum(t);
    if (DestWriteMask(t) == 0) return false;
    switch (type) {
        case D3DSPR_TEMP: return num < kVsTempRegisters;
        case D3DSPR_ADDR: return num == 0 && opcode == D3DSIO_MOV;
        case D3DSPR_RASTOUT: return num <= D3DSRO_POINT_SIZE;
        case D3DSPR_ATTROUT: return num < kVsColorOutputs;
        case D3DSPR_TEXCRDOUT: return num < kVsTexCoordOutputs;
        default: return false;
    }
}

bool CheckSource(DWORD t) {
    if (!IsParamToken(t)) return false;
    DWORD type = ParamRegType(t), num = ParamRegNum(t);
    if (SrcIsRelative(t) && type != D3DSPR_CONST) return false;
    DWORD mod = t & D3DSP_SRCMOD_MASK;
    if (mod != D3DSPSM_NONE && mod != D3DSPSM_NEG) return false;
    switch (type) {
        case D3DSPR_TEMP: return num < kVsTempRegisters;
        case D3DSPR_INPUT: return num < kVsInputRegisters;
        case D3DSPR_CONST: return num < kVsConstRegisters;
        case D3DSPR_ADDR: return num == 0;
        default: return false;
    }
}

}  // namespace

HRESULT CheckFunction(const DWORD* tokens, std::vector<DWORD>& out) {
    if (!tokens) return D3DERR_INVALIDCALL;
    DWORD version = tokens[0];
    if (version != D3DVS_VERSION(1, 0) && version != D3DVS_VERSION(1, 1)) return D3DERR_INVALIDCALL;
    size_t i = 1;
    while (i < kMaxFunctionTokens) {
        DWORD t = tokens[i];
        DWORD op = TokenOpcode(t);
        if (t == D3DVS_END()) {
            out.assign(tokens, tokens + i + 1);
            // The translation and the interpreter work from the decoded program: it must decode.
            VsProgram program;
            return DecodeVertexShader(out.data(), out.size(), &program) ? D3D_OK : D3DERR_INVALIDCALL;
        }
        if (op == D3DSIO_COMMENT) {
            i += 1 + CommentLength(t);
            continue;
        }
        if (t & 0xFFFF0000u) return D3DERR_INVALIDCALL;  // vs.1.x instruction tokens carry no flags
        if (op == D3DSIO_DEF) {
            if (i + 5 >= kMaxFunctionTokens) return D3DERR_INVALIDCALL;
            DWORD d = tokens[i + 1];
            if (!IsParamToken(d) || ParamRegType(d) != D3DSPR_CONST || ParamRegNum(d) >= kVsConstRegisters)
                return D3DERR_INVALIDCALL;
            i += 6;
            continue;
        }
        const VsOpcodeInfo* info = FindVsOpcode(op);
        if (!info) return D3DERR_INVALIDCALL;
        ++i;
        if (info->hasDest) {
            if (i >= kMaxFunctionTokens || !CheckDest(tokens[i], op)) return D3DERR_INVALIDCALL;
            ++i;
        }
        for (int s = 0; s < info->sources; ++s) {
            if (i >= kMaxFunctionTokens || !CheckSource(tokens[i])) return D3DERR_INVALIDCALL;
            // A matrix macro reads rows past its second source register.
            if (s == 1 && MatrixMacroRows(op) > 0 && !SrcIsRelative(tokens[i])) {
                DWORD type = ParamRegType(tokens[i]);
                DWORD last = ParamRegNum(tokens[i]) + static_cast<DWORD>(MatrixMacroRows(op)) - 1;
                DWORD limit = type == D3DSPR_CONST   ? kVsConstRegisters
                              : type == D3DSPR_TEMP  ? kVsTempRegisters
                              : type == D3DSPR_INPUT ? kVsInputRegisters
                                                     : 0;
                if (last >= limit) return D3DERR_INVALIDCALL;
            }
            ++i;
        }
    }
    return D3DERR_INVALIDCALL;
}

}  // namespace d3d8
