#include "d3d8/gl/glprograms.h"

#include <bit>
#include <cstring>
#include <sstream>
#include <tuple>

#include "d3d8/formats.h"

namespace d3d8::gl {

namespace {

const char* kVaryings = "out vec4 vD0;\nout vec4 vD1;\nout vec4 vT[4];\nout float vFog;\n";

// Clip position in Direct3D's conventions to GL's: pixel centres at integers, depth 0..1. The
// y flip turns GL's fill rule upside down against Direct3D's top-left rule; 1/128 pixel upward
// makes an edge lying exactly on a row of centres include the top row and leave the bottom one.
const char* kPositionFix =
    "    gl_Position = vec4(P.x + uPixel.x * P.w, P.y - uPixel.y * (63.0 / 64.0) * P.w, 2.0 * P.z - P.w, P.w);\n";

const char kSwz[] = "xyzw";

std::string Swizzle(DWORD token) {
    std::string s = ".";
    for (DWORD i = 0; i < 4; ++i) s += kSwz[SrcSwizzle(token, i)];
    return s == ".xyzw" ? "" : s;
}

// A source register, optionally a matrix row past it.
std::string Source(DWORD token, int row = 0) {
    DWORD type = ParamRegType(token), num = ParamRegNum(token) + row;
    std::string reg;
    switch (type) {
        case D3DSPR_TEMP: reg = "r[" + std::to_string(num) + "]"; break;
        case D3DSPR_INPUT: reg = "v[" + std::to_string(num) + "]"; break;
        case D3DSPR_CONST:
            reg = SrcIsRelative(token) ? "C(a0 + " + std::to_string(num) + ")" : "c[" + std::to_string(num) + "]";
            break;
        default: reg = "vec4(0.0)"; break;
    }
    std::string s = "(" + reg + Swizzle(token) + ")";
    return SrcIsNegated(token) ? "(-" + s + ")" : s;
}

std::string Mask(DWORD mask) {
    std::string m = ".";
    for (int i = 0; i < 4; ++i)
        if (mask & (1u << i)) m += kSwz[i];
    return m;
}

// dest.mask = (value).mask
std::string Write(DWORD dest, const std::string& value, DWORD mask) {
    DWORD type = ParamRegType(dest), num = ParamRegNum(dest);
    if (type == D3DSPR_ADDR)
        return "    { float t = (" + value + ").x; a0 = isnan(t) ? -1 : int(clamp(floor(t), -1.0e6, 1.0e6)); }\n";
    std::string reg;
    switch (type) {
        case D3DSPR_TEMP: reg = "r[" + std::to_string(num) + "]"; break;
        case D3DSPR_ATTROUT: reg = num == 0 ? "oD0" : "oD1"; break;
        case D3DSPR_TEXCRDOUT: reg = "oT[" + std::to_string(num) + "]"; break;
        case D3DSPR_RASTOUT:
            if (num == D3DSRO_POSITION) {
                reg = "oPos";
                break;
            }
            if (!(mask & 1u)) return "";
            return std::string("    ") + (num == D3DSRO_FOG ? "oFog" : "oPts") + " = (" + value + ").x;\n";
        default: return "";
    }
    if (mask == 0) return "";
    std::string m = Mask(mask);
    return "    " + reg + m + " = (" + value + ")" + m + ";\n";
}

// A source register as the program reads it: a constant the program defines itself is taken from
// its def, everything else from Source.
std::string ProgramSource(const VsProgram& program, DWORD token, int row = 0) {
    if (ParamRegType(token) == D3DSPR_CONST && !SrcIsRelative(token)) {
        DWORD num = ParamRegNum(token) + row;
        for (const VsConstantDef& d : program.defs)
            if (d.reg == num) {
                std::string s = "(def" + std::to_string(num) + Swizzle(token) + ")";
                return SrcIsNegated(token) ? "(-" + s + ")" : s;
            }
    }
    return Source(token, row);
}

// The version, the constant block, the declared inputs and the outputs of the mode.
void EmitInterface(std::ostringstream& o, DWORD declaredInputs, VsOutputMode mode) {
    o << "#version 330 core\n"
         "layout(std140) uniform Constants { vec4 c[96]; };\n"
         "uniform vec2 uPixel;\n";
    for (int i = 0; i < 16; ++i)
        if (declaredInputs & (1u << i)) o << "layout(location = " << i << ") in vec4 in" << i << ";\n";
    if (mode == VsOutputMode::Capture)
        o << "out vec4 xPos;\nout vec4 xD0;\nout vec4 xD1;\nout vec4 xT[8];\nout float xFog;\nout float xPts;\n";
    else
        o << kVaryings << "invariant gl_Position;\n";
}

// The constants and functions the instructions call: the program's defs, the constant read C()
// that prefers them, and the LOGP and LIT operations.
void EmitHelpers(std::ostringstream& o, const VsProgram& program) {
    o << "const float INF = uintBitsToFloat(0x7F800000u);\n"
         "const float FMAX = 3.402823466e38;\n"
         "float Partial(float f) { return uintBitsToFloat(floatBitsToUint(f) & 0xFFFFFF00u); }\n";
    // A def overrides the block for this program, for relative reads too; its bits are kept exactly.
    for (const VsConstantDef& d : program.defs) {
        o << "const vec4 def" << d.reg << " = uintBitsToFloat(uvec4(";
        for (int i = 0; i < 4; ++i) o << (i ? ", " : "") << std::bit_cast<DWORD>(d.value[i]) << "u";
        o << "));\n";
    }
    o << "vec4 C(int i) {\n";
    for (const VsConstantDef& d : program.defs) o << "    if (i == " << d.reg << ") return def" << d.reg << ";\n";
    o << "    return (i >= 0 && i < 96) ? c[i] : vec4(0.0);\n}\n"
         "vec4 LogP(float x) {\n"
         "    float m = abs(x);\n"
         "    if (m == 0.0) return vec4(-FMAX, 1.0, -FMAX, 1.0);\n"
         "    if (isinf(m) || isnan(m)) return vec4(m, 1.0, m, 1.0);\n"
         "    uint bits = floatBitsToUint(m);\n"
         "    int e = int((bits >> 23) & 0xFFu) - 127;\n"
         "    float mant = uintBitsToFloat((bits & 0x007FFFFFu) | 0x3F800000u);\n"
         "    if (e == -127) { float l = floor(log2(m)); e = int(l); mant = m / exp2(l); }\n"
         "    return vec4(float(e), mant, Partial(log2(m)), 1.0);\n"
         "}\n"
         "vec4 Lit(vec4 a) {\n"
         "    float p = clamp(a.w, -127.9961, 127.9961);\n"
         "    vec4 r = vec4(1.0, 0.0, 0.0, 1.0);\n"
         "    if (a.x > 0.0) { r.y = a.x; if (a.y > 0.0) r.z = pow(a.y, p); }\n"
         "    return r;\n"
         "}\n";
}

// The start of main: the input registers (undeclared ones read 0), the temporaries and the
// address register cleared, the outputs at their defaults.
void EmitRegisters(std::ostringstream& o, DWORD declaredInputs) {
    o << "void main() {\n"
         "    vec4 v[16];\n";
    for (int i = 0; i < 16; ++i)
        o << "    v[" << i << "] = " << ((declaredInputs & (1u << i)) ? "in" + std::to_string(i) : "vec4(0.0)")
          << ";\n";
    o << "    vec4 r[12];\n"
         "    for (int i = 0; i < 12; ++i) r[i] = vec4(0.0);\n"
         "    int a0 = 0;\n"
         "    vec4 oPos = vec4(0.0, 0.0, 0.0, 1.0);\n"
         "    vec4 oD0 = vec4(1.0);\n"
         "    vec4 oD1 = vec4(0.0);\n"
         "    vec4 oT[8];\n"
         "    for (int i = 0; i < 8; ++i) oT[i] = vec4(0.0);\n"
         "    float oFog = 1.0;\n"
         "    float oPts = 1.0;\n";
}

// The value an arithmetic instruction computes from its sources a, b and c; empty for an opcode
// that is not one (a matrix macro, or one the translation leaves out).
std::string InstructionValue(DWORD op, const std::string& a, const std::string& b, const std::string& c) {
    const std::string s = a + ".w";
    switch (op) {
        case D3DSIO_MOV: return a;
        case D3DSIO_ADD: return a + " + " + b;
        case D3DSIO_SUB: return a + " - " + b;
        case D3DSIO_MUL: return a + " * " + b;
        case D3DSIO_MAD: return a + " * " + b + " + " + c;
        // Selected, not blended: a blend turns an infinite operand into NaN.
        case D3DSIO_MIN: return "mix(" + b + ", " + a + ", lessThan(" + a + ", " + b + "))";
        case D3DSIO_MAX: return "mix(" + b + ", " + a + ", greaterThanEqual(" + a + ", " + b + "))";
        case D3DSIO_SLT: return "vec4(lessThan(" + a + ", " + b + "))";
        case D3DSIO_SGE: return "vec4(greaterThanEqual(" + a + ", " + b + "))";
        case D3DSIO_DP3: return "vec4(dot(" + a + ".xyz, " + b + ".xyz))";
        case D3DSIO_DP4: return "vec4(dot(" + a + ", " + b + "))";
        case D3DSIO_RCP: return "vec4(" + s + " == 1.0 ? 1.0 : (" + s + " == 0.0 ? INF : 1.0 / " + s + "))";
        case D3DSIO_RSQ:
            return "vec4(abs(" + s + ") == 1.0 ? 1.0 : (" + s + " == 0.0 ? INF : inversesqrt(abs(" + s + "))))";
        case D3DSIO_EXP: return "vec4(exp2(" + s + "))";
        case D3DSIO_LOG: return "vec4(abs(" + s + ") == 0.0 ? -FMAX : log2(abs(" + s + ")))";
        case D3DSIO_EXPP:
            return "vec4(exp2(floor(" + s + ")), " + s + " - floor(" + s + "), Partial(exp2(" + s + ")), 1.0)";
        case D3DSIO_LOGP: return "LogP(" + s + ")";
        case D3DSIO_LIT: return "Lit(" + a + ")";
        case D3DSIO_DST: return "vec4(1.0, " + a + ".y * " + b + ".y, " + a + ".z, " + b + ".w)";
        case D3DSIO_FRC: return a + " - floor(" + a + ")";
        default: return "";
    }
}

bool IsMatrixMacro(DWORD op) {
    return op == D3DSIO_M4x4 || op == D3DSIO_M4x3 || op == D3DSIO_M3x4 || op == D3DSIO_M3x3 || op == D3DSIO_M3x2;
}

// A matrix macro: one dot product per row with the matrix's consecutive registers, written to the
// components the macro has.
std::string MatrixMacro(const VsProgram& program, const VsInstruction& ins, const std::string& a, DWORD mask) {
    const int rows = MatrixMacroRows(ins.opcode), cols = MatrixMacroColumns(ins.opcode);
    std::string comps[4] = {"0.0", "0.0", "0.0", "0.0"};
    for (int i = 0; i < rows; ++i) {
        const std::string row = ProgramSource(program, ins.src[1], i);
        comps[i] = cols == 4 ? "dot(" + a + ", " + row + ")" : "dot(" + a + ".xyz, " + row + ".xyz)";
    }
    const std::string r = "vec4(" + comps[0] + ", " + comps[1] + ", " + comps[2] + ", " + comps[3] + ")";
    return Write(ins.dest, r, mask & ((1u << rows) - 1u));
}

// The program's instructions, in order, each as an assignment to its destination.
void EmitInstructions(std::ostringstream& o, const VsProgram& program) {
    for (const VsInstruction& ins : program.code) {
        const DWORD op = ins.opcode;
        if (op == D3DSIO_NOP) continue;
        const DWORD mask = DestWriteMask(ins.dest);
        const std::string a = ProgramSource(program, ins.src[0]);
        if (IsMatrixMacro(op)) {
            o << MatrixMacro(program, ins, a, mask);
            continue;
        }
        const std::string b = ins.sourceCount > 1 ? ProgramSource(program, ins.src[1]) : "";
        const std::string c = ins.sourceCount > 2 ? ProgramSource(program, ins.src[2]) : "";
        const std::string r = InstructionValue(op, a, b, c);
        if (!r.empty()) o << Write(ins.dest, r, mask);
    }
}

// The end of main: the colours clamped, then the outputs handed on unchanged for capture, or in GL's
// conventions to the pixel stage.
void EmitOutputs(std::ostringstream& o, VsOutputMode mode) {
    o << "    oD0 = clamp(oD0, 0.0, 1.0);\n"
         "    oD1 = clamp(oD1, 0.0, 1.0);\n";
    if (mode == VsOutputMode::Capture) {
        o << "    xPos = oPos;\n    xD0 = oD0;\n    xD1 = oD1;\n"
             "    for (int i = 0; i < 8; ++i) xT[i] = oT[i];\n"
             "    xFog = oFog;\n    xPts = oPts;\n"
             "    gl_Position = oPos;\n"
             "}\n";
        return;
    }
    o << "    vec4 P = oPos;\n"
      << kPositionFix
      << "    vD0 = oD0;\n"
         "    vD1 = oD1;\n"
         "    for (int i = 0; i < 4; ++i) vT[i] = oT[i];\n"
         "    vFog = clamp(oFog, 0.0, 1.0);\n"
         "    gl_PointSize = max(oPts, 1.0);\n"
         "}\n";
}

}  // namespace

std::string TranslateVertexShader(const VsProgram& program, DWORD declaredInputs, VsOutputMode mode) {
    std::ostringstream o;
    EmitInterface(o, declaredInputs, mode);
    EmitHelpers(o, program);
    EmitRegisters(o, declaredInputs);
    EmitInstructions(o, program);
    EmitOutputs(o, mode);
    return o.str();
}

bool FixedKey::operator<(const FixedKey& o) const { return std::memcmp(this, &o, sizeof(FixedKey)) < 0; }

FixedKey MakeFixedKey(const DeviceState& s) {
    FixedKey k;
    std::memset(static_cast<void*>(&k), 0, sizeof(k));  // the key is compared bytewise
    k.fvf = s.vertexShader;
    const auto& rs = s.renderStates;
    bool transformed = (k.fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW;
    k.lighting = rs[D3DRS_LIGHTING] && !transformed;
    k.specular = rs[D3DRS_SPECULARENABLE] != 0;
    if (k.lighting) {
        k.localViewer = rs[D3DRS_LOCALVIEWER] != 0;
        k.normalize = rs[D3DRS_NORMALIZENORMALS] != 0;
        k.colorVertex = rs[D3DRS_COLORVERTEX] != 0;
        k.diffuseSource = rs[D3DRS_DIFFUSEMATERIALSOURCE];
        k.ambientSource = rs[D3DRS_AMBIENTMATERIALSOURCE];
        k.specularSource = rs[D3DRS_SPECULARMATERIALSOURCE];
        k.emissiveSource = rs[D3DRS_EMISSIVEMATERIALSOURCE];
        for (const auto& [index, slot] : s.lights)
            if (slot.enabled && k.lightCount < 8) k.lightTypes[k.lightCount++] = slot.light.Type;
    }
    if (rs[D3DRS_FOGENABLE] && !transformed) {
        k.fogMode = rs[D3DRS_FOGTABLEMODE] != D3DFOG_NONE ? rs[D3DRS_FOGTABLEMODE] : rs[D3DRS_FOGVERTEXMODE];
        k.rangeFog = rs[D3DRS_RANGEFOGENABLE] != 0;
    }
    return k;
}

std::string FixedVertexShader(const FixedKey& k) {
    std::ostringstream o;
    const DWORD fvf = k.fvf;
    const bool transformed = (fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW;
    const bool hasNormal = (fvf & D3DFVF_NORMAL) != 0;
    const bool hasDiffuse = (fvf & D3DFVF_DIFFUSE) != 0;
    const bool hasSpecular = (fvf & D3DFVF_SPECULAR) != 0;
    const int texCount = std::min(FvfTexCoordCount(fvf), kTexSets);
    o << "#version 330 core\n"
         "uniform mat4 uWorld, uView, uProj;\n"
         "uniform vec2 uPixel;\n"
         "uniform vec4 uViewport;\n"  // x, y, width, height of the viewport in Direct3D pixels
         "uniform vec2 uDepthRange;\n"
         "uniform vec4 uMatDiffuse, uMatAmbient, uMatSpecular, uMatEmissive;\n"
         "uniform float uMatPower;\n"
         "uniform vec4 uAmbient;\n"
         "uniform vec4 uFog;\n"  // start, end, density
         "uniform vec4 uLightDiffuse[8], uLightSpecular[8], uLightAmbient[8];\n"
         "uniform vec3 uLightPos[8], uLightDir[8];\n"
         "uniform vec4 uLightAtt[8];\n"   // range, att0, att1, att2
         "uniform vec3 uLightSpot[8];\n"  // cos(theta/2), cos(phi/2), falloff
         "layout(location = 0) in vec4 aPos;\n"
         "layout(location = 1) in vec3 aNormal;\n"
         "layout(location = 2) in vec4 aDiffuse;\n"
         "layout(location = 3) in vec4 aSpecular;\n"
         "layout(location = 4) in vec4 aTex0;\n"
         "layout(location = 5) in vec4 aTex1;\n"
         "layout(location = 6) in vec4 aTex2;\n"
         "layout(location = 7) in vec4 aTex3;\n"
      << kVaryings
      << "invariant gl_Position;\n"
         "void main() {\n"
      << "    vec4 diffuse = " << (hasDiffuse ? "aDiffuse" : "vec4(1.0)") << ";\n"
      << "    vec4 specular = " << (hasSpecular ? "aSpecular" : "vec4(0.0)") << ";\n";
    const char* tex[4] = {"aTex0", "aTex1", "aTex2", "aTex3"};
    for (int i = 0; i < kTexSets; ++i)
        o << "    vT[" << i << "] = " << (i < texCount ? tex[i] : "vec4(0.0, 0.0, 0.0, 1.0)") << ";\n";
    if (transformed) {
        o << "    float w = aPos.w != 0.0 ? 1.0 / aPos.w : 1.0;\n"
             "    vec2 ndc = vec2(2.0 * (aPos.x + 0.5 - uViewport.x) / uViewport.z - 1.0,\n"
             "                    1.0 - 2.0 * (aPos.y + 0.5 - 1.0 / 128.0 - uViewport.y) / uViewport.w);\n"
             "    float z = 2.0 * (aPos.z - uDepthRange.x) / max(uDepthRange.y - uDepthRange.x, 1e-20) - 1.0;\n"
             "    gl_Position = vec4(ndc * w, z * w, w);\n"
             "    vD0 = diffuse;\n"
             "    vD1 = specular;\n"
          << "    vFog = " << (hasSpecular ? "specular.a" : "1.0") << ";\n"
          << "}\n";
        return o.str();
    }
    o << "    vec4 world = uWorld * vec4(aPos.xyz, 1.0);\n"
         "    vec4 view = uView * world;\n"
         "    vec4 P = uProj * view;\n"
      << kPositionFix;
    if (k.lighting) {
        auto source = [&](DWORD src, const char* material) -> std::string {
            if (k.colorVertex && src == D3DMCS_COLOR1 && hasDiffuse) return "diffuse";
            if (k.colorVertex && src == D3DMCS_COLOR2 && hasSpecular) return "specular";
            return material;
        };
        o << "    vec4 md = " << source(k.diffuseSource, "uMatDiffuse") << ";\n"
          << "    vec4 ma = " << source(k.ambientSource, "uMatAmbient") << ";\n"
          << "    vec4 ms = " << source(k.specularSource, "uMatSpecular") << ";\n"
          << "    vec4 me = " << source(k.emissiveSource, "uMatEmissive") << ";\n"
          << "    vec3 n = " << (hasNormal ? "mat3(uView) * (mat3(uWorld) * aNormal)" : "vec3(0.0)") << ";\n";
        if (k.normalize) o << "    if (dot(n, n) > 0.0) n = normalize(n);\n";
        o << "    vec3 p = view.xyz;\n"
          << "    vec3 eye = " << (k.localViewer ? "-normalize(p)" : "vec3(0.0, 0.0, -1.0)") << ";\n"
          << "    vec3 amb = vec3(0.0), dif = vec3(0.0), spe = vec3(0.0);\n";
        for (int i = 0; i < k.lightCount; ++i) {
            std::string I = std::to_string(i);
            o << "    {\n        vec3 L; float att = 1.0;\n";
            if (k.lightTypes[i] == D3DLIGHT_DIRECTIONAL) {
                o << "        L = -normalize(uLightDir[" << I << "]);\n";
            } else {
                o << "        vec3 d = uLightPos[" << I << "] - p; float dist = length(d);\n"
                  << "        L = dist > 0.0 ? d / dist : vec3(0.0, 0.0, 1.0);\n"
                  << "        vec4 A = uLightAtt[" << I << "];\n"
                  << "        att = dist > A.x ? 0.0 : 1.0 / max(A.y + A.z * dist + A.w * dist * dist, 1e-20);\n";
                if (k.lightTypes[i] == D3DLIGHT_SPOT)
                    o << "        vec3 S = uLightSpot[" << I << "];\n"
                      << "        float rho = dot(-L, normalize(uLightDir[" << I << "]));\n"
                      << "        att *= rho > S.x ? 1.0 : (rho <= S.y ? 0.0 : pow(clamp((rho - S.y) / max(S.x - S.y, "
                         "1e-20), 0.0, 1.0), S.z));\n";
            }
            o << "        float nl = max(dot(n, L), 0.0);\n"
              << "        amb += uLightAmbient[" << I << "].rgb * att;\n"
              << "        dif += uLightDiffuse[" << I << "].rgb * nl * att;\n";
            if (k.specular)
                o << "        if (nl > 0.0) { vec3 h = normalize(L + eye);\n"
                  << "            spe += uLightSpecular[" << I
                  << "].rgb * pow(max(dot(n, h), 0.0), uMatPower) * att; }\n";
            o << "    }\n";
        }
        o << "    vD0 = clamp(vec4(me.rgb + ma.rgb * (uAmbient.rgb + amb) + md.rgb * dif, md.a), 0.0, 1.0);\n"
          << "    vD1 = clamp(vec4(ms.rgb * spe, 0.0), 0.0, 1.0);\n";
    } else {
        o << "    vD0 = diffuse;\n    vD1 = specular;\n";
    }
    switch (k.fogMode) {
        case D3DFOG_LINEAR:
            o << "    float fd = " << (k.rangeFog ? "length(view.xyz)" : "abs(view.z)") << ";\n"
              << "    vFog = clamp((uFog.y - fd) / max(uFog.y - uFog.x, 1e-20), 0.0, 1.0);\n";
            break;
        case D3DFOG_EXP: o << "    vFog = clamp(exp(-uFog.z * abs(view.z)), 0.0, 1.0);\n"; break;
        case D3DFOG_EXP2:
            o << "    float fe = uFog.z * abs(view.z);\n    vFog = clamp(exp(-fe * fe), 0.0, 1.0);\n";
            break;
        default: o << "    vFog = 1.0;\n"; break;
    }
    o << "}\n";
    return o.str();
}

bool PixelKey::operator<(const PixelKey& o) const { return std::memcmp(this, &o, sizeof(PixelKey)) < 0; }

PixelKey MakePixelKey(const DeviceState& s) {
    PixelKey k;
    std::memset(static_cast<void*>(&k), 0, sizeof(k));
    for (int st = 0; st < 2; ++st) {
        const auto& t = s.stageStates[st];
        if (st > 0 && k.colorOp[st - 1] == D3DTOP_DISABLE) break;
        k.colorOp[st] = t[D3DTSS_COLOROP];
        if (k.colorOp[st] == D3DTOP_DISABLE) break;
        k.colorArg1[st] = t[D3DTSS_COLORARG1];
        k.colorArg2[st] = t[D3DTSS_COLORARG2];
        k.alphaOp[st] = t[D3DTSS_ALPHAOP];
        k.alphaArg1[st] = t[D3DTSS_ALPHAARG1];
        k.alphaArg2[st] = t[D3DTSS_ALPHAARG2];
        k.texSet[st] = std::min<DWORD>(t[D3DTSS_TEXCOORDINDEX] & 0xFFFF, kTexSets - 1);
    }
    k.alphaFunc = s.renderStates[D3DRS_ALPHATESTENABLE] ? s.renderStates[D3DRS_ALPHAFUNC] : D3DCMP_ALWAYS;
    k.fog = s.renderStates[D3DRS_FOGENABLE] != 0;
    k.specular = s.renderStates[D3DRS_SPECULARENABLE] != 0;
    return k;
}

namespace {

std::string Arg(DWORD arg, int stage, bool alpha) {
    std::string v;
    switch (arg & D3DTA_SELECTMASK) {
        case D3DTA_DIFFUSE: v = "vD0"; break;
        case D3DTA_CURRENT: v = stage == 0 ? "vD0" : "cur"; break;
        case D3DTA_TEXTURE: v = "tex" + std::to_string(stage); break;
        case D3DTA_TFACTOR: v = "uTFactor"; break;
        case D3DTA_SPECULAR: v = "vD1"; break;
        default: v = "vec4(0.0)"; break;
    }
    if (arg & D3DTA_COMPLEMENT) v = "(vec4(1.0) - " + v + ")";
    if ((arg & D3DTA_ALPHAREPLICATE) && !alpha) v = "vec4(" + v + ".a)";
    return v;
}

std::string Op(DWORD op, const std::string& a, const std::string& b, int stage) {
    std::string tex = "tex" + std::to_string(stage);
    switch (op) {
        case D3DTOP_SELECTARG1: return a;
        case D3DTOP_SELECTARG2: return b;
        case D3DTOP_MODULATE: return a + " * " + b;
        case D3DTOP_MODULATE2X: return "2.0 * " + a + " * " + b;
        case D3DTOP_MODULATE4X: return "4.0 * " + a + " * " + b;
        case D3DTOP_ADD: return a + " + " + b;
        case D3DTOP_ADDSIGNED: return a + " + " + b + " - 0.5";
        case D3DTOP_ADDSIGNED2X: return "2.0 * (" + a + " + " + b + " - 0.5)";
        case D3DTOP_SUBTRACT: return a + " - " + b;
        case D3DTOP_ADDSMOOTH: return a + " + " + b + " - " + a + " * " + b;
        case D3DTOP_BLENDDIFFUSEALPHA: return "mix(" + b + ", " + a + ", vD0.a)";
        case D3DTOP_BLENDTEXTUREALPHA: return "mix(" + b + ", " + a + ", " + tex + ".a)";
        case D3DTOP_BLENDFACTORALPHA: return "mix(" + b + ", " + a + ", uTFactor.a)";
        case D3DTOP_BLENDCURRENTALPHA: return "mix(" + b + ", " + a + ", " + (stage == 0 ? "vD0" : "cur") + ".a)";
        case D3DTOP_DOTPRODUCT3: return "vec4(clamp(dot(" + a + ".rgb - 0.5, " + b + ".rgb - 0.5) * 4.0, 0.0, 1.0))";
        default: return a + " * " + b;
    }
}

}  // namespace

std::string PixelShader(const PixelKey& k) {
    std::ostringstream o;
    o << "#version 330 core\n"
         "in vec4 vD0;\nin vec4 vD1;\nin vec4 vT[4];\nin float vFog;\n"
         "uniform sampler2D uTex0, uTex1;\n"
         "uniform vec4 uTFactor;\n"
         "uniform vec3 uFogColor;\n"
         "uniform float uAlphaRef;\n"
         "out vec4 fragColor;\n"
         "void main() {\n"
         "    vec4 cur = vD0;\n";
    for (int st = 0; st < 2; ++st) {
        if (k.colorOp[st] == D3DTOP_DISABLE || k.colorOp[st] == 0) break;
        o << "    vec4 tex" << st << " = texture(uTex" << st << ", vT[" << k.texSet[st] << "].xy);\n";
        std::string c = Op(k.colorOp[st], Arg(k.colorArg1[st], st, false), Arg(k.colorArg2[st], st, false), st);
        std::string a = k.alphaOp[st] == D3DTOP_DISABLE
                            ? (st == 0 ? "vD0" : "cur")
                            : Op(k.alphaOp[st], Arg(k.alphaArg1[st], st, true), Arg(k.alphaArg2[st], st, true), st);
        o << "    { vec3 rgb = clamp((" << c << ").rgb, 0.0, 1.0); float al = clamp((" << a
          << ").a, 0.0, 1.0); cur = vec4(rgb, al); }\n";
    }
    if (k.specular) o << "    cur.rgb = clamp(cur.rgb + vD1.rgb, 0.0, 1.0);\n";
    if (k.alphaFunc != D3DCMP_ALWAYS) {
        const char* cmp = "true";
        switch (k.alphaFunc) {
            case D3DCMP_NEVER: cmp = "false"; break;
            case D3DCMP_LESS: cmp = "a < uAlphaRef"; break;
            case D3DCMP_EQUAL: cmp = "a == uAlphaRef"; break;
            case D3DCMP_LESSEQUAL: cmp = "a <= uAlphaRef"; break;
            case D3DCMP_GREATER: cmp = "a > uAlphaRef"; break;
            case D3DCMP_NOTEQUAL: cmp = "a != uAlphaRef"; break;
            case D3DCMP_GREATEREQUAL: cmp = "a >= uAlphaRef"; break;
            default: break;
        }
        // Compared as the 8-bit value the reference is given in.
        o << "    float a = floor(cur.a * 255.0 + 0.5);\n    if (!(" << cmp << ")) discard;\n";
    }
    if (k.fog) o << "    cur.rgb = mix(uFogColor, cur.rgb, vFog);\n";
    o << "    fragColor = cur;\n}\n";
    return o.str();
}

}  // namespace d3d8::gl
