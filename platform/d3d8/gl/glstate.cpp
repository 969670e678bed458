// What each draw of the gl backend sets up: render states, programs, uniforms, textures and vertex
// inputs, each sent to GL only when it changed (see glbackend.h).
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "d3d8/formats.h"
#include "d3d8/gl/glbackend.h"
#include "d3d8/gl/glenums.h"

namespace d3d8::gl {

namespace {

GLuint Compile(GLenum type, const std::string& source) {
    GLuint s = glCreateShader(type);
    const char* text = source.c_str();
    glShaderSource(s, 1, &text, nullptr);
    glCompileShader(s);
    GLint ok = 0;
    glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[2048];
        glGetShaderInfoLog(s, sizeof(log), nullptr, log);
        std::fprintf(stderr, "d3d8 gl: shader compile failed: %s\n", log);
        glDeleteShader(s);
        return 0;
    }
    return s;
}

// Whether `values` differ from what the program was last given in `slot`; remembers them if so.
bool Changed(Program& p, UniformSlot slot, const float* values, size_t count) {
    std::vector<float>& last = p.last[slot];
    if (last.size() == count && std::memcmp(last.data(), values, count * sizeof(float)) == 0) return false;
    last.assign(values, values + count);
    return true;
}

void ColorFloats(D3DCOLOR c, float* out) {
    out[0] = ((c >> 16) & 0xFF) / 255.0f;
    out[1] = ((c >> 8) & 0xFF) / 255.0f;
    out[2] = (c & 0xFF) / 255.0f;
    out[3] = ((c >> 24) & 0xFF) / 255.0f;
}

}  // namespace

void GlBackend::ApplyState(const DeviceState& s) {
    const auto& rs = s.renderStates;
    auto set = [](int& cache, int value, auto&& apply) {
        if (cache != value) {
            cache = value;
            apply(value);
        }
    };
    set(applied_.depthTest, targets_.HasDepth() && rs[D3DRS_ZENABLE] != D3DZB_FALSE,
        [](int on) { on ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST); });
    set(applied_.depthMask, rs[D3DRS_ZWRITEENABLE] != 0, [](int on) { glDepthMask(on ? GL_TRUE : GL_FALSE); });
    set(applied_.depthFunc, static_cast<int>(rs[D3DRS_ZFUNC]), [](int f) { glDepthFunc(CompareFunc(f)); });
    // Winding as seen on screen is kept by the y flip, so Direct3D clockwise is GL clockwise;
    // CCW culling culls GL back faces.
    set(applied_.cull, static_cast<int>(rs[D3DRS_CULLMODE]), [](int c) {
        if (c == D3DCULL_NONE) {
            glDisable(GL_CULL_FACE);
            return;
        }
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CW);
        glCullFace(c == D3DCULL_CCW ? GL_BACK : GL_FRONT);
    });
    set(applied_.fill, static_cast<int>(rs[D3DRS_FILLMODE]), [](int f) {
        glPolygonMode(GL_FRONT_AND_BACK, f == D3DFILL_POINT ? GL_POINT : f == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL);
    });
    set(applied_.blend, rs[D3DRS_ALPHABLENDENABLE] != 0, [](int on) { on ? glEnable(GL_BLEND) : glDisable(GL_BLEND); });
    if (rs[D3DRS_ALPHABLENDENABLE]) {
        int src = static_cast<int>(rs[D3DRS_SRCBLEND]), dst = static_cast<int>(rs[D3DRS_DESTBLEND]);
        if (applied_.srcBlend != src || applied_.dstBlend != dst) {
            applied_.srcBlend = src;
            applied_.dstBlend = dst;
            GLenum s = BlendFactor(src, true), d = BlendFactor(dst, false);
            if (src == D3DBLEND_BOTHSRCALPHA || src == D3DBLEND_BOTHINVSRCALPHA) d = BlendFactor(src, false);
            glBlendFunc(s, d);
        }
        set(applied_.blendOp, static_cast<int>(rs[D3DRS_BLENDOP]), [](int op) {
            GLenum e = op == D3DBLENDOP_SUBTRACT      ? GL_FUNC_SUBTRACT
                       : op == D3DBLENDOP_REVSUBTRACT ? GL_FUNC_REVERSE_SUBTRACT
                       : op == D3DBLENDOP_MIN         ? GL_MIN
                       : op == D3DBLENDOP_MAX         ? GL_MAX
                                                      : GL_FUNC_ADD;
            glBlendEquation(e);
        });
    }
    set(applied_.colorMask, static_cast<int>(rs[D3DRS_COLORWRITEENABLE] & 0xF),
        [](int m) { glColorMask((m & 1) != 0, (m & 2) != 0, (m & 4) != 0, (m & 8) != 0); });
    bool stencil = targets_.HasStencil() && rs[D3DRS_STENCILENABLE];
    set(applied_.stencil, stencil, [](int on) { on ? glEnable(GL_STENCIL_TEST) : glDisable(GL_STENCIL_TEST); });
    if (stencil) {
        glStencilFunc(CompareFunc(rs[D3DRS_STENCILFUNC]), static_cast<GLint>(rs[D3DRS_STENCILREF]),
                      rs[D3DRS_STENCILMASK]);
        glStencilOp(StencilOp(rs[D3DRS_STENCILFAIL]), StencilOp(rs[D3DRS_STENCILZFAIL]),
                    StencilOp(rs[D3DRS_STENCILPASS]));
        glStencilMask(rs[D3DRS_STENCILWRITEMASK]);
    }
    const D3DVIEWPORT8& vp = s.viewport;
    if (std::memcmp(&vp, &applied_.viewport, sizeof(vp)) != 0) {
        applied_.viewport = vp;
        glViewport(vp.X, static_cast<GLint>(targets_.Height()) - static_cast<GLint>(vp.Y + vp.Height), vp.Width,
                   vp.Height);
        glDepthRange(vp.MinZ, vp.MaxZ);
    }
}

GLuint GlBackend::VertexStage(const DeviceState& s) {
    if (s.shader && !s.shader->function.empty()) {
        auto it = shaderStages_.find(s.shader.get());
        if (it != shaderStages_.end()) return it->second;
        VsProgram program;
        const auto& fn = s.shader->function;
        GLuint stage = 0;
        if (DecodeVertexShader(fn.data(), fn.size(), &program)) {
            DWORD inputs = 0;
            for (const auto& e : s.shader->elements) inputs |= 1u << e.reg;
            stage = Compile(GL_VERTEX_SHADER, TranslateVertexShader(program, inputs));
        }
        shaderStages_[s.shader.get()] = stage;
        return stage;
    }
    FixedKey key = MakeFixedKey(s);
    if (s.shader) key.fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;  // declaration-only shader
    auto it = fixedStages_.find(key);
    if (it != fixedStages_.end()) return it->second;
    GLuint stage = Compile(GL_VERTEX_SHADER, FixedVertexShader(key));
    fixedStages_[key] = stage;
    return stage;
}

Program* GlBackend::ProgramFor(const DeviceState& s) {
    GLuint vs = VertexStage(s);
    if (!vs) return nullptr;
    PixelKey pk = MakePixelKey(s);
    auto key = std::make_pair(vs, pk);
    auto it = programs_.find(key);
    if (it != programs_.end()) return it->second.name ? &it->second : nullptr;
    Program p;
    GLuint fs = Compile(GL_FRAGMENT_SHADER, PixelShader(pk));
    if (fs) {
        p.name = glCreateProgram();
        glAttachShader(p.name, vs);
        glAttachShader(p.name, fs);
        glLinkProgram(p.name);
        glDetachShader(p.name, vs);
        glDetachShader(p.name, fs);
        glDeleteShader(fs);
        GLint ok = 0;
        glGetProgramiv(p.name, GL_LINK_STATUS, &ok);
        if (!ok) {
            char log[2048];
            glGetProgramInfoLog(p.name, sizeof(log), nullptr, log);
            std::fprintf(stderr, "d3d8 gl: program link failed: %s\n", log);
            glDeleteProgram(p.name);
            p.name = 0;
        }
    }
    if (p.name) {
        GLuint block = glGetUniformBlockIndex(p.name, "Constants");
        if (block != GL_INVALID_INDEX) glUniformBlockBinding(p.name, block, 0);
        auto loc = [&](const char* n) { return glGetUniformLocation(p.name, n); };
        p.pixel = loc("uPixel");
        p.viewport = loc("uViewport");
        p.depthRange = loc("uDepthRange");
        p.world = loc("uWorld");
        p.view = loc("uView");
        p.proj = loc("uProj");
        p.matDiffuse = loc("uMatDiffuse");
        p.matAmbient = loc("uMatAmbient");
        p.matSpecular = loc("uMatSpecular");
        p.matEmissive = loc("uMatEmissive");
        p.matPower = loc("uMatPower");
        p.ambient = loc("uAmbient");
        p.fog = loc("uFog");
        p.lightDiffuse = loc("uLightDiffuse");
        p.lightSpecular = loc("uLightSpecular");
        p.lightAmbient = loc("uLightAmbient");
        p.lightPos = loc("uLightPos");
        p.lightDir = loc("uLightDir");
        p.lightAtt = loc("uLightAtt");
        p.lightSpot = loc("uLightSpot");
        p.tfactor = loc("uTFactor");
        p.fogColor = loc("uFogColor");
        p.alphaRef = loc("uAlphaRef");
        UseProgram(p.name);
        glUniform1i(loc("uTex0"), 0);
        glUniform1i(loc("uTex1"), 1);
    }
    auto& stored = programs_[key] = p;
    return stored.name ? &stored : nullptr;
}

void GlBackend::ForgetShader(const VertexShader* s) {
    auto it = shaderStages_.find(s);
    if (it == shaderStages_.end()) return;
    if (MakeCurrent()) {
        for (auto p = programs_.begin(); p != programs_.end();) {
            if (p->first.first == it->second) {
                if (currentProgram_ == p->second.name) currentProgram_ = 0;
                glDeleteProgram(p->second.name);
                p = programs_.erase(p);
            } else {
                ++p;
            }
        }
        glDeleteShader(it->second);
    }
    shaderStages_.erase(it);
}

void GlBackend::SetUniforms(Program& p, const DeviceState& s) {
    const D3DVIEWPORT8& vp = s.viewport;
    const auto& rs = s.renderStates;
    float v[4];
    auto vec = [&](GLint loc, UniformSlot slot, size_t n, auto&& upload) {
        if (loc >= 0 && Changed(p, slot, v, n)) upload();
    };
    v[0] = 1.0f / vp.Width, v[1] = 1.0f / vp.Height;
    vec(p.pixel, kUPixel, 2, [&] { glUniform2fv(p.pixel, 1, v); });
    if (p.fogColor >= 0) {
        ColorFloats(rs[D3DRS_FOGCOLOR], v);
        vec(p.fogColor, kUFogColor, 3, [&] { glUniform3fv(p.fogColor, 1, v); });
    }
    v[0] = static_cast<float>(rs[D3DRS_ALPHAREF] & 0xFF);
    vec(p.alphaRef, kUAlphaRef, 1, [&] { glUniform1f(p.alphaRef, v[0]); });
    if (p.tfactor >= 0) {
        ColorFloats(rs[D3DRS_TEXTUREFACTOR], v);
        vec(p.tfactor, kUTFactor, 4, [&] { glUniform4fv(p.tfactor, 1, v); });
    }
    v[0] = static_cast<float>(vp.X), v[1] = static_cast<float>(vp.Y), v[2] = static_cast<float>(vp.Width),
    v[3] = static_cast<float>(vp.Height);
    vec(p.viewport, kUViewport, 4, [&] { glUniform4fv(p.viewport, 1, v); });
    v[0] = vp.MinZ, v[1] = vp.MaxZ;
    vec(p.depthRange, kUDepthRange, 2, [&] { glUniform2fv(p.depthRange, 1, v); });
    if (p.world < 0) return;  // a token shader reads only the constant block
    auto matrix = [&](GLint loc, UniformSlot slot, D3DTRANSFORMSTATETYPE t) {
        const float* m = &s.transforms[t].m[0][0];
        if (loc >= 0 && Changed(p, slot, m, 16)) glUniformMatrix4fv(loc, 1, GL_FALSE, m);
    };
    matrix(p.world, kUWorld, D3DTS_WORLD);
    matrix(p.view, kUView, D3DTS_VIEW);
    matrix(p.proj, kUProj, D3DTS_PROJECTION);
    const D3DMATERIAL8& m = s.material;
    auto material = [&](GLint loc, UniformSlot slot, const D3DCOLORVALUE& c) {
        if (loc >= 0 && Changed(p, slot, &c.r, 4)) glUniform4fv(loc, 1, &c.r);
    };
    material(p.matDiffuse, kUMatDiffuse, m.Diffuse);
    material(p.matAmbient, kUMatAmbient, m.Ambient);
    material(p.matSpecular, kUMatSpecular, m.Specular);
    material(p.matEmissive, kUMatEmissive, m.Emissive);
    v[0] = m.Power;
    vec(p.matPower, kUMatPower, 1, [&] { glUniform1f(p.matPower, v[0]); });
    if (p.ambient >= 0) {
        ColorFloats(rs[D3DRS_AMBIENT], v);
        vec(p.ambient, kUAmbient, 4, [&] { glUniform4fv(p.ambient, 1, v); });
    }
    if (p.fog >= 0) {
        v[0] = BitsFloat(rs[D3DRS_FOGSTART]), v[1] = BitsFloat(rs[D3DRS_FOGEND]),
        v[2] = BitsFloat(rs[D3DRS_FOGDENSITY]);
        v[3] = 0.0f;
        vec(p.fog, kUFog, 4, [&] { glUniform4fv(p.fog, 1, v); });
    }
    if (p.lightDiffuse < 0 && p.lightAmbient < 0) return;
    // One block for all light arrays: diffuse, specular, ambient, attenuation (4 each), position,
    // direction, spot (3 each), for 8 lights.
    float lights[8 * 25] = {};
    float *dif = lights, *spe = lights + 32, *amb = lights + 64, *att = lights + 96, *pos = lights + 128,
          *dir = lights + 152, *spot = lights + 176;
    const D3DMATRIX& view = s.transforms[D3DTS_VIEW];
    int n = 0;
    for (const auto& [index, slot] : s.lights) {
        if (!slot.enabled || n >= 8) continue;
        const D3DLIGHT8& l = slot.light;
        std::memcpy(dif + 4 * n, &l.Diffuse, 16);
        std::memcpy(spe + 4 * n, &l.Specular, 16);
        std::memcpy(amb + 4 * n, &l.Ambient, 16);
        // Lights live in world space; lighting runs in view space.
        const float P[3] = {l.Position.x, l.Position.y, l.Position.z},
                    D[3] = {l.Direction.x, l.Direction.y, l.Direction.z};
        for (int j = 0; j < 3; ++j) {
            pos[3 * n + j] = P[0] * view.m[0][j] + P[1] * view.m[1][j] + P[2] * view.m[2][j] + view.m[3][j];
            dir[3 * n + j] = D[0] * view.m[0][j] + D[1] * view.m[1][j] + D[2] * view.m[2][j];
        }
        att[4 * n] = l.Range;
        att[4 * n + 1] = l.Attenuation0;
        att[4 * n + 2] = l.Attenuation1;
        att[4 * n + 3] = l.Attenuation2;
        spot[3 * n] = std::cos(l.Theta / 2);
        spot[3 * n + 1] = std::cos(l.Phi / 2);
        spot[3 * n + 2] = l.Falloff;
        ++n;
    }
    if (n == 0 || !Changed(p, kULights, lights, std::size(lights))) return;
    glUniform4fv(p.lightDiffuse, n, dif);
    glUniform4fv(p.lightSpecular, n, spe);
    glUniform4fv(p.lightAmbient, n, amb);
    glUniform3fv(p.lightPos, n, pos);
    glUniform3fv(p.lightDir, n, dir);
    glUniform4fv(p.lightAtt, n, att);
    glUniform3fv(p.lightSpot, n, spot);
}

void GlBackend::BindTextures(const DeviceState& s) {
    for (int st = 0; st < 2; ++st) {
        TextureImpl* t = s.textures[st].get();
        GLuint name = white_;
        TexFormat f{};
        if (t && (TextureFormatOf(t->Format(), f) || IsCompressedFormat(t->Format()))) {
            GlTexture& g = textures_[t];
            if (!g.name) glGenTextures(1, &g.name);
            if (g.version != t->Version()) {
                BindTexture(st, g.name);
                auto guard = t->Guard();  // the streaming thread may be writing a frame
                g.version = t->Version();
                const auto& levels = t->Levels();
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels.size()) - 1);
                for (size_t i = 0; i < levels.size(); ++i) {
                    const auto& l = levels[i];
                    if (IsCompressedFormat(t->Format())) {
                        GLenum cf = t->Format() == D3DFMT_DXT1 ? GL_COMPRESSED_RGBA_S3TC_DXT1_EXT
                                    : (t->Format() == D3DFMT_DXT2 || t->Format() == D3DFMT_DXT3)
                                        ? GL_COMPRESSED_RGBA_S3TC_DXT3_EXT
                                        : GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
                        glCompressedTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), cf, l.width, l.height, 0,
                                               static_cast<GLsizei>(l.data.size()), l.data.data());
                    } else {
                        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), f.internal, l.width, l.height, 0, f.format,
                                     f.type, l.data.data());
                    }
                }
                GLint swz[4] = {GL_RED, GL_GREEN, GL_BLUE, f.opaque ? GL_ONE : GL_ALPHA};
                if (t->Format() == D3DFMT_L8) swz[0] = swz[1] = swz[2] = GL_RED;
                if (t->Format() == D3DFMT_A8L8) swz[0] = swz[1] = swz[2] = GL_RED, swz[3] = GL_GREEN;
                if (t->Format() == D3DFMT_A8) swz[0] = swz[1] = swz[2] = GL_ZERO, swz[3] = GL_RED;
                glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, swz);
            }
            name = g.name;
        }
        BindTexture(st, name);
        const auto& tss = s.stageStates[st];
        DWORD want[5] = {tss[D3DTSS_ADDRESSU], tss[D3DTSS_ADDRESSV], tss[D3DTSS_MINFILTER], tss[D3DTSS_MAGFILTER],
                         tss[D3DTSS_MIPFILTER]};
        if (std::memcmp(want, samplerState_[st], sizeof(want)) != 0) {
            std::memcpy(samplerState_[st], want, sizeof(want));
            GLuint sm = samplers_[st];
            glSamplerParameteri(sm, GL_TEXTURE_WRAP_S, Address(want[0]));
            glSamplerParameteri(sm, GL_TEXTURE_WRAP_T, Address(want[1]));
            bool linear = want[2] >= D3DTEXF_LINEAR;
            GLenum min = want[4] == D3DTEXF_NONE    ? (linear ? GL_LINEAR : GL_NEAREST)
                         : want[4] == D3DTEXF_POINT ? (linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST)
                                                    : (linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR);
            glSamplerParameteri(sm, GL_TEXTURE_MIN_FILTER, min);
            glSamplerParameteri(sm, GL_TEXTURE_MAG_FILTER, want[3] >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
        }
        if (!samplersBound_) glBindSampler(st, samplers_[st]);
    }
    samplersBound_ = true;
}

// The buffer's GL twin, bound to `target` and uploaded when the buffer's version moved.
template <class Buffer> GLuint GlBackend::Upload(const Buffer* b, GLenum target) {
    GlBuffer& g = buffers_[b];
    if (!g.name) glGenBuffers(1, &g.name);
    if (target == GL_ARRAY_BUFFER)
        BindArrayBuffer(g.name);
    else
        BindElementBuffer(g.name);
    if (g.version != b->Version()) {
        g.version = b->Version();
        glBufferData(target, b->Length(), b->Data().data(), GL_DYNAMIC_DRAW);
    }
    return g.name;
}

GLuint GlBackend::BufferFor(const VertexBufferImpl* b) { return Upload(b, GL_ARRAY_BUFFER); }

GLuint GlBackend::IndexBufferFor(const IndexBufferImpl* b) { return Upload(b, GL_ELEMENT_ARRAY_BUFFER); }

void GlBackend::SetupAttributes(const DeviceState& s, const DrawCall& call, GLuint upBuffer) {
    AttribSource want[16];
    auto source = [&](UINT stream, UINT& stride) -> GLuint {
        if (call.upVertices) {
            stride = call.upStride;
            return stream == 0 ? upBuffer : 0;
        }
        const StreamBinding& b = s.streams[stream];
        if (!b.buffer) return 0;
        stride = b.stride;
        return BufferFor(b.buffer.get());
    };
    auto attrib = [&](GLuint loc, DWORD type, GLuint buffer, UINT stride, UINT offset) {
        if (loc < 16) want[loc] = AttribSource{buffer, type, stride, offset};
    };
    if (s.shader) {
        // A declaration-only shader feeds the fixed stage by register meaning.
        bool fixed = s.shader->function.empty();
        for (const auto& e : s.shader->elements) {
            UINT stride = 0;
            GLuint buffer = source(e.stream, stride);
            if (!buffer) continue;
            GLint loc = static_cast<GLint>(e.reg);
            if (fixed) {
                loc = e.reg == D3DVSDE_POSITION   ? kAttrPosition
                      : e.reg == D3DVSDE_NORMAL   ? kAttrNormal
                      : e.reg == D3DVSDE_DIFFUSE  ? kAttrDiffuse
                      : e.reg == D3DVSDE_SPECULAR ? kAttrSpecular
                      : e.reg >= D3DVSDE_TEXCOORD0 && e.reg < D3DVSDE_TEXCOORD0 + 4
                          ? kAttrTex0 + static_cast<GLint>(e.reg - D3DVSDE_TEXCOORD0)
                          : -1;
                if (loc < 0) continue;
            }
            attrib(static_cast<GLuint>(loc), e.type, buffer, stride, e.offset);
        }
    } else if (UINT stride = 0; GLuint buffer = source(0, stride)) {
        const DWORD fvf = s.vertexShader;
        UINT offset = 0;
        switch (fvf & D3DFVF_POSITION_MASK) {
            case D3DFVF_XYZRHW:
                attrib(kAttrPosition, D3DVSDT_FLOAT4, buffer, stride, 0);
                offset = 16;
                break;
            case D3DFVF_XYZ:
                attrib(kAttrPosition, D3DVSDT_FLOAT3, buffer, stride, 0);
                offset = 12;
                break;
            default:  // blend weights are skipped: no vertex blending here
                attrib(kAttrPosition, D3DVSDT_FLOAT3, buffer, stride, 0);
                offset = 12 + 4 * (((fvf & D3DFVF_POSITION_MASK) - D3DFVF_XYZB1) / 2 + 1);
                break;
        }
        if (fvf & D3DFVF_NORMAL) attrib(kAttrNormal, D3DVSDT_FLOAT3, buffer, stride, offset), offset += 12;
        if (fvf & D3DFVF_PSIZE) offset += 4;
        if (fvf & D3DFVF_DIFFUSE) attrib(kAttrDiffuse, D3DVSDT_D3DCOLOR, buffer, stride, offset), offset += 4;
        if (fvf & D3DFVF_SPECULAR) attrib(kAttrSpecular, D3DVSDT_D3DCOLOR, buffer, stride, offset), offset += 4;
        for (int i = 0; i < FvfTexCoordCount(fvf); ++i) {
            int size = FvfTexCoordSize(fvf, i);
            if (i < kTexSets) attrib(kAttrTex0 + i, D3DVSDT_FLOAT1 + size - 1, buffer, stride, offset);
            offset += 4 * size;
        }
    }
    // Only what differs from the vertex array's present layout reaches GL.
    for (GLuint loc = 0; loc < 16; ++loc) {
        const AttribSource& w = want[loc];
        AttribSource& have = attribs_[loc];
        if (w == have) continue;
        if (w.type == kUnknown) {
            glDisableVertexAttribArray(loc);
            have = w;
            continue;
        }
        if (have.type == kUnknown) glEnableVertexAttribArray(loc);
        have = w;
        BindArrayBuffer(w.buffer);
        const void* p = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(w.offset));
        switch (w.type) {
            case D3DVSDT_FLOAT1: glVertexAttribPointer(loc, 1, GL_FLOAT, GL_FALSE, w.stride, p); break;
            case D3DVSDT_FLOAT2: glVertexAttribPointer(loc, 2, GL_FLOAT, GL_FALSE, w.stride, p); break;
            case D3DVSDT_FLOAT3: glVertexAttribPointer(loc, 3, GL_FLOAT, GL_FALSE, w.stride, p); break;
            case D3DVSDT_FLOAT4: glVertexAttribPointer(loc, 4, GL_FLOAT, GL_FALSE, w.stride, p); break;
            case D3DVSDT_D3DCOLOR: glVertexAttribPointer(loc, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, w.stride, p); break;
            case D3DVSDT_UBYTE4: glVertexAttribPointer(loc, 4, GL_UNSIGNED_BYTE, GL_FALSE, w.stride, p); break;
            case D3DVSDT_SHORT2: glVertexAttribPointer(loc, 2, GL_SHORT, GL_FALSE, w.stride, p); break;
            case D3DVSDT_SHORT4: glVertexAttribPointer(loc, 4, GL_SHORT, GL_FALSE, w.stride, p); break;
            default: break;
        }
    }
}

// Only the registers from the first to the last changed one go to the driver: a draw typically
// moves a matrix or two of the 96 registers.
void GlBackend::UploadConstants(const DeviceState& s) {
    constexpr size_t kRegister = sizeof(uploadedConstants_[0]);
    auto same = [&](size_t i) { return std::memcmp(uploadedConstants_[i], s.constants[i].data(), kRegister) == 0; };
    size_t first = 0, last = 96;
    if (constantsValid_) {
        while (first < 96 && same(first)) ++first;
        if (first == 96) return;
        while (same(last - 1)) --last;
    }
    for (size_t i = first; i < last; ++i) std::memcpy(uploadedConstants_[i], s.constants[i].data(), kRegister);
    glBindBuffer(GL_UNIFORM_BUFFER, ubo_);
    glBufferSubData(GL_UNIFORM_BUFFER, static_cast<GLintptr>(first * kRegister),
                    static_cast<GLsizeiptr>((last - first) * kRegister), uploadedConstants_[first]);
    constantsValid_ = true;
}

}  // namespace d3d8::gl
