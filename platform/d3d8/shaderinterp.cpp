#include "d3d8/shaderinterp.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <limits>

namespace d3d8 {

namespace {

constexpr DWORD kDestReservedBits = 0x0FF0F000u;  // shift, modifier and high register-number bits
constexpr DWORD kSrcReservedBits = 0x0000D000u;   // register-number bits around the address-mode bit

std::string RegName(DWORD type, DWORD num) {
    switch (type) {
        case D3DSPR_TEMP: return "r" + std::to_string(num);
        case D3DSPR_INPUT: return "v" + std::to_string(num);
        case D3DSPR_CONST: return "c" + std::to_string(num);
        case D3DSPR_ADDR: return "a" + std::to_string(num);
        case D3DSPR_RASTOUT: return "rasterizer output " + std::to_string(num);
        case D3DSPR_ATTROUT: return "oD" + std::to_string(num);
        case D3DSPR_TEXCRDOUT: return "oT" + std::to_string(num);
        default: return "register type " + std::to_string(type);
    }
}

class Decoder {
public:
    Decoder(const DWORD* tokens, std::size_t count) : tokens_(tokens), count_(count) {}

    bool Run(VsProgram* program, std::string* error) {
        bool ok = Decode(program);
        if (!ok) {
            *program = VsProgram{};
            if (error) *error = error_;
        } else if (error) {
            error->clear();
        }
        return ok;
    }

private:
    bool Fail(std::string message) {
        error_ = "token " + std::to_string(pos_) + ": " + std::move(message);
        return false;
    }

    bool Next(DWORD* token) {
        if (pos_ >= count_) return Fail("shader ends without an end token");
        *token = tokens_[pos_++];
        return true;
    }

    bool Decode(VsProgram* program) {
        if (!tokens_ || count_ == 0) return Fail("no tokens");
        DWORD version = 0;
        Next(&version);
        if (version != D3DVS_VERSION(1, 0) && version != D3DVS_VERSION(1, 1))
            return Fail("not a vs.1.0 or vs.1.1 version token");
        program->version = version;
        int slots = 0;
        for (;;) {
            DWORD token = 0;
            if (!Next(&token)) return false;
            const DWORD opcode = TokenOpcode(token);
            if (opcode == D3DSIO_END) {
                if (token != D3DVS_END()) return Fail("malformed end token");
                break;
            }
            if (opcode == D3DSIO_COMMENT) {
                if (token & D3DSP_PARAM_BIT) return Fail("malformed comment token");
                const DWORD length = CommentLength(token);
                if (length > count_ - pos_) return Fail("comment runs past the end of the shader");
                pos_ += length;
                continue;
            }
            if (token & ~D3DSI_OPCODE_MASK) return Fail("instruction token with stray bits");
            if (opcode == D3DSIO_DEF) {
                if (!DecodeDef(program)) return false;
                continue;
            }
            const VsOpcodeInfo* info = FindVsOpcode(opcode);
            if (!info) return Fail("unknown opcode " + std::to_string(opcode));
            VsInstruction ins;
            ins.opcode = opcode;
            ins.sourceCount = info->sources;
            if (info->hasDest && !DecodeDest(opcode, &ins.dest)) return false;
            for (int i = 0; i < info->sources; ++i)
                if (!DecodeSrc(opcode, i, &ins.src[i])) return false;
            if (!CheckReadPorts(version, ins)) return false;
            slots += InstructionSlots(opcode);
            if (slots > kVsMaxInstructionSlots)
                return Fail("more than " + std::to_string(kVsMaxInstructionSlots) + " instruction slots");
            program->code.push_back(ins);
        }
        program->tokenCount = pos_;
        return true;
    }

    // vs.1.x reads one constant register per instruction (the same one may be named more than
    // once), and vs.1.0 has no address register.
    bool CheckReadPorts(DWORD version, const VsInstruction& ins) {
        const bool addressed = ins.dest && ParamRegType(ins.dest) == D3DSPR_ADDR;
        bool haveConstant = false;
        DWORD constant = 0;
        for (int i = 0; i < ins.sourceCount; ++i) {
            const DWORD t = ins.src[i];
            if (ParamRegType(t) != D3DSPR_CONST) continue;
            if (version == D3DVS_VERSION(1, 0) && SrcIsRelative(t)) return Fail("vs.1.0 has no address register a0");
            // A relative read names a different register than any absolute one.
            const DWORD key = ParamRegNum(t) | (SrcIsRelative(t) ? 0x80000000u : 0u);
            if (haveConstant && key != constant)
                return Fail("reads two constant registers; vs.1.x reads one per instruction");
            haveConstant = true;
            constant = key;
        }
        if (version == D3DVS_VERSION(1, 0) && addressed) return Fail("vs.1.0 has no address register a0");
        return true;
    }

    bool DecodeDef(VsProgram* program) {
        DWORD dest = 0;
        if (!Next(&dest)) return false;
        if (!IsParamToken(dest) || ParamRegType(dest) != D3DSPR_CONST || (dest & kDestReservedBits) ||
            (dest & D3DVS_ADDRESSMODE_MASK) || DestWriteMask(dest) != 0xF)
            return Fail("def needs a whole constant register");
        if (ParamRegNum(dest) >= kVsConstRegisters) return Fail("def register out of range");
        VsConstantDef def;
        def.reg = ParamRegNum(dest);
        for (float& f : def.value) {
            DWORD bits = 0;
            if (!Next(&bits)) return false;
            f = std::bit_cast<float>(bits);
        }
        program->defs.push_back(def);
        return true;
    }

    bool DecodeDest(DWORD opcode, DWORD* out) {
        DWORD t = 0;
        if (!Next(&t)) return false;
        if (!IsParamToken(t)) return Fail("missing destination parameter");
        if (t & (kDestReservedBits | D3DVS_ADDRESSMODE_MASK)) return Fail("destination with modifiers");
        const DWORD type = ParamRegType(t), num = ParamRegNum(t), mask = DestWriteMask(t);
        if (mask == 0) return Fail("empty write mask");
        bool inRange = false;
        switch (type) {
            case D3DSPR_TEMP: inRange = num < kVsTempRegisters; break;
            case D3DSPR_RASTOUT: inRange = num <= D3DSRO_POINT_SIZE; break;
            case D3DSPR_ATTROUT: inRange = num < kVsColorOutputs; break;
            case D3DSPR_TEXCRDOUT: inRange = num < kVsTexCoordOutputs; break;
            case D3DSPR_ADDR:
                if (num != 0 || mask != 0x1 || opcode != D3DSIO_MOV) return Fail("a0.x is written only by mov");
                inRange = true;
                break;
            default: return Fail(RegName(type, num) + " cannot be written");
        }
        if (!inRange) return Fail(RegName(type, num) + " out of range");
        if (type == D3DSPR_RASTOUT && num != D3DSRO_POSITION && mask != 0x1)
            return Fail("oFog and oPts are written through .x");
        if (opcode == D3DSIO_FRC && mask != 0x2 && mask != 0x3) return Fail("frc writes .y or .xy");
        *out = t;
        return true;
    }

    bool DecodeSrc(DWORD opcode, int index, DWORD* out) {
        DWORD t = 0;
        if (!Next(&t)) return false;
        if (!IsParamToken(t)) return Fail("missing source parameter");
        if (t & kSrcReservedBits) return Fail("source with reserved bits set");
        const DWORD mod = t & D3DSP_SRCMOD_MASK;
        if (mod != D3DSPSM_NONE && mod != D3DSPSM_NEG) return Fail("unsupported source modifier");
        const DWORD type = ParamRegType(t), num = ParamRegNum(t);
        const int rows = index == 1 ? MatrixMacroRows(opcode) : 0;
        const DWORD span = rows > 0 ? static_cast<DWORD>(rows) : 1u;
        if (SrcIsRelative(t) && type != D3DSPR_CONST) return Fail("only constants are addressed through a0");
        switch (type) {
            case D3DSPR_TEMP:
                if (num + span > kVsTempRegisters) return Fail(RegName(type, num) + " out of range");
                break;
            case D3DSPR_INPUT:
                if (num + span > kVsInputRegisters) return Fail(RegName(type, num) + " out of range");
                break;
            case D3DSPR_CONST:
                // A relative base may lie anywhere in the file; the run reads zero outside it.
                if (num >= kVsConstRegisters || (!SrcIsRelative(t) && num + span > kVsConstRegisters))
                    return Fail(RegName(type, num) + " out of range");
                break;
            default: return Fail(RegName(type, num) + " cannot be read");
        }
        *out = t;
        return true;
    }

    const DWORD* tokens_;
    std::size_t count_;
    std::size_t pos_ = 0;
    std::string error_;
};

// Keeps the top 15 of 23 mantissa bits: the partial precision of expp and logp.
float Partial(float f) { return std::bit_cast<float>(std::bit_cast<DWORD>(f) & 0xFFFFFF00u); }

class Machine {
public:
    Machine(const VsProgram& program, const VsInputs& inputs) : program_(program), in_(inputs) {
        constants_ = inputs.c;
        for (const VsConstantDef& def : program.defs) constants_[def.reg] = def.value;
    }

    VsOutputs Run() {
        for (const VsInstruction& ins : program_.code) Execute(ins);
        for (VsVec4& c : out_.color)
            for (float& f : c) f = std::clamp(f, 0.0f, 1.0f);  // NaN stays NaN, as std::clamp gives
        return out_;
    }

private:
    VsVec4 Register(DWORD type, DWORD num, bool relative, int offset) const {
        switch (type) {
            case D3DSPR_TEMP: return temps_[num + offset];
            case D3DSPR_INPUT: return in_.v[num + offset];
            case D3DSPR_CONST: {
                long index = static_cast<long>(num) + offset + (relative ? a0_ : 0);
                if (index < 0 || index >= static_cast<long>(kVsConstRegisters)) return {0.0f, 0.0f, 0.0f, 0.0f};
                return constants_[static_cast<std::size_t>(index)];
            }
            default: return {0.0f, 0.0f, 0.0f, 0.0f};
        }
    }

    // The source as the instruction sees it: swizzled and negated; offset picks a matrix row.
    VsVec4 Read(DWORD token, int offset = 0) const {
        const VsVec4 r = Register(ParamRegType(token), ParamRegNum(token), SrcIsRelative(token), offset);
        VsVec4 v;
        for (DWORD i = 0; i < 4; ++i) v[i] = r[SrcSwizzle(token, i)];
        if (SrcIsNegated(token))
            for (float& f : v) f = -f;
        return v;
    }

    float* DestRegister(DWORD token) {
        const DWORD num = ParamRegNum(token);
        switch (ParamRegType(token)) {
            case D3DSPR_TEMP: return temps_[num].data();
            case D3DSPR_ATTROUT: out_.written |= num == 0 ? kVsWroteD0 : kVsWroteD1; return out_.color[num].data();
            case D3DSPR_TEXCRDOUT: out_.written |= kVsWroteT0 << num; return out_.tex[num].data();
            case D3DSPR_RASTOUT:
                if (num == D3DSRO_POSITION) {
                    out_.written |= kVsWrotePos;
                    return out_.pos.data();
                }
                out_.written |= num == D3DSRO_FOG ? kVsWroteFog : kVsWrotePts;
                return num == D3DSRO_FOG ? &out_.fog : &out_.pointSize;  // written through .x only
            default: return nullptr;
        }
    }

    void Write(DWORD token, const VsVec4& value) {
        if (ParamRegType(token) == D3DSPR_ADDR) {
            // Far-off values only need to stay out of range; NaN addresses nothing.
            a0_ = std::isnan(value[0]) ? -1 : static_cast<int>(std::clamp(std::floor(value[0]), -1.0e6f, 1.0e6f));
            return;
        }
        float* dst = DestRegister(token);
        const DWORD mask = DestWriteMask(token);
        for (int i = 0; i < 4; ++i)
            if (mask & (1u << i)) dst[i] = value[i];
    }

    static VsVec4 Splat(float f) { return {f, f, f, f}; }
    static float Dot(const VsVec4& a, const VsVec4& b, int n) {
        float s = 0.0f;
        for (int i = 0; i < n; ++i) s += a[i] * b[i];
        return s;
    }
    static float Log2Abs(float f) {
        const float a = std::fabs(f);
        return a == 0.0f ? -FLT_MAX : std::log2(a);
    }

    void Execute(const VsInstruction& ins) {
        const DWORD op = ins.opcode;
        if (op == D3DSIO_NOP) return;
        VsVec4 a = Read(ins.src[0]);
        VsVec4 b = ins.sourceCount > 1 && MatrixMacroRows(op) == 0 ? Read(ins.src[1]) : VsVec4{};
        VsVec4 c = ins.sourceCount > 2 ? Read(ins.src[2]) : VsVec4{};
        const float s = a[3];  // the scalar operand
        VsVec4 r{};
        switch (op) {
            case D3DSIO_MOV: r = a; break;
            case D3DSIO_ADD:
                for (int i = 0; i < 4; ++i) r[i] = a[i] + b[i];
                break;
            case D3DSIO_SUB:
                for (int i = 0; i < 4; ++i) r[i] = a[i] - b[i];
                break;
            case D3DSIO_MUL:
                for (int i = 0; i < 4; ++i) r[i] = a[i] * b[i];
                break;
            case D3DSIO_MAD:
                for (int i = 0; i < 4; ++i) r[i] = a[i] * b[i] + c[i];
                break;
            case D3DSIO_MIN:
                for (int i = 0; i < 4; ++i) r[i] = a[i] < b[i] ? a[i] : b[i];
                break;
            case D3DSIO_MAX:
                for (int i = 0; i < 4; ++i) r[i] = a[i] >= b[i] ? a[i] : b[i];
                break;
            case D3DSIO_SLT:
                for (int i = 0; i < 4; ++i) r[i] = a[i] < b[i] ? 1.0f : 0.0f;
                break;
            case D3DSIO_SGE:
                for (int i = 0; i < 4; ++i) r[i] = a[i] >= b[i] ? 1.0f : 0.0f;
                break;
            case D3DSIO_DP3: r = Splat(Dot(a, b, 3)); break;
            case D3DSIO_DP4: r = Splat(Dot(a, b, 4)); break;
            case D3DSIO_RCP:
                r = Splat(s == 1.0f ? 1.0f : s == 0.0f ? std::numeric_limits<float>::infinity() : 1.0f / s);
                break;
            case D3DSIO_RSQ: {
                const float m = std::fabs(s);
                r = Splat(m == 1.0f ? 1.0f : m == 0.0f ? std::numeric_limits<float>::infinity() : 1.0f / std::sqrt(m));
                break;
            }
            case D3DSIO_EXP: r = Splat(std::exp2(s)); break;
            case D3DSIO_LOG: r = Splat(Log2Abs(s)); break;
            case D3DSIO_EXPP: {
                const float whole = std::floor(s);
                r = {std::exp2(whole), s - whole, Partial(std::exp2(s)), 1.0f};
                break;
            }
            case D3DSIO_LOGP: {
                const float m = std::fabs(s);
                if (m == 0.0f || !std::isfinite(m)) {
                    r = m == 0.0f ? VsVec4{-FLT_MAX, 1.0f, -FLT_MAX, 1.0f} : VsVec4{m, 1.0f, m, 1.0f};
                } else {
                    int e = 0;
                    const float mant = std::frexp(m, &e);  // m = mant * 2^e, mant in [0.5, 1)
                    r = {static_cast<float>(e - 1), mant * 2.0f, Partial(std::log2(m)), 1.0f};
                }
                break;
            }
            case D3DSIO_LIT: {
                const float power = std::clamp(a[3], -127.9961f, 127.9961f);
                r = {1.0f, 0.0f, 0.0f, 1.0f};
                if (a[0] > 0.0f) {
                    r[1] = a[0];
                    if (a[1] > 0.0f) r[2] = std::pow(a[1], power);
                }
                break;
            }
            case D3DSIO_DST: r = {1.0f, a[1] * b[1], a[2], b[3]}; break;
            case D3DSIO_FRC:
                for (int i = 0; i < 4; ++i) r[i] = a[i] - std::floor(a[i]);
                break;
            case D3DSIO_M4x4:
            case D3DSIO_M4x3:
            case D3DSIO_M3x4:
            case D3DSIO_M3x3:
            case D3DSIO_M3x2: {
                const int rows = MatrixMacroRows(op), cols = MatrixMacroColumns(op);
                for (int i = 0; i < rows; ++i) r[i] = Dot(a, Read(ins.src[1], i), cols);
                // Only the rows the macro computes are written, whatever the mask says.
                const DWORD rowMask = (1u << rows) - 1u;
                const DWORD dest =
                    (ins.dest & ~D3DSP_WRITEMASK_ALL) | ((DestWriteMask(ins.dest) & rowMask) << D3DSP_WRITEMASK_SHIFT);
                Write(dest, r);
                return;
            }
            default: return;
        }
        Write(ins.dest, r);
    }

    const VsProgram& program_;
    const VsInputs& in_;
    std::array<VsVec4, kVsConstRegisters> constants_;
    std::array<VsVec4, kVsTempRegisters> temps_{};
    int a0_ = 0;
    VsOutputs out_;
};

}  // namespace

bool DecodeVertexShader(const DWORD* tokens, std::size_t maxTokens, VsProgram* program, std::string* error) {
    Decoder decoder(tokens, maxTokens);
    return decoder.Run(program, error);
}

VsOutputs RunVertexShader(const VsProgram& program, const VsInputs& inputs) { return Machine(program, inputs).Run(); }

}  // namespace d3d8
