// The shader table through three implementations: the assembler's tokens, the CPU interpreter and
// the GLSL translation run on llvmpipe, its outputs captured by transform feedback as floats.
#include <epoxy/gl.h>

#include <array>
#include <optional>
#include <string>

#include "../d3dx8/shader_cases.h"
#include "d3d8/gl/glprograms.h"
#include "d3dx8/d3dx8.h"
#include "gl_fixture.h"

using namespace d3d8test;

namespace {

using Captured = std::array<float, d3d8::gl::kCapturedFloats>;

// The interpreter's outputs in the order the translation captures them.
Captured Flatten(const d3d8::VsOutputs& out) {
    Captured f{};
    size_t n = 0;
    auto put = [&](const d3d8::VsVec4& v) {
        for (float x : v) f[n++] = x;
    };
    put(out.pos);
    put(out.color[0]);
    put(out.color[1]);
    for (const auto& t : out.tex) put(t);
    f[n++] = out.fog;
    f[n++] = out.pointSize;
    return f;
}

const char* OutputName(size_t i) {
    static const char* const kNames[] = {"oPos", "oD0", "oD1", "oT0", "oT1", "oT2", "oT3", "oT4", "oT5", "oT6", "oT7"};
    return i < 44 ? kNames[i / 4] : i == 44 ? "oFog" : "oPts";
}

// Offset of a case's checked output within Captured.
size_t OutputOffset(shadercases::Output o) {
    switch (o) {
        case shadercases::Output::Pos: return 0;
        case shadercases::Output::D0: return 4;
        case shadercases::Output::D1: return 8;
        case shadercases::Output::T0: return 12;
        case shadercases::Output::Fog: return 44;
    }
    return 0;
}

class GlShaderTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        if (HasFatalFailure()) return;
        glGenVertexArrays(1, &vao_);
        glGenBuffers(1, &ubo_);
        glGenBuffers(1, &feedback_);
        glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, feedback_);
        glBufferData(GL_TRANSFORM_FEEDBACK_BUFFER, sizeof(Captured), nullptr, GL_STREAM_READ);
    }
    void TearDown() override {
        glDeleteBuffers(1, &feedback_);
        glDeleteBuffers(1, &ubo_);
        glDeleteVertexArrays(1, &vao_);
        GlTest::TearDown();
    }

    // Runs translated GLSL for one vertex; nullopt (with the log reported) when it does not build.
    std::optional<Captured> Run(const std::string& glsl, const d3d8::VsInputs& in) {
        GLuint vs = glCreateShader(GL_VERTEX_SHADER);
        const char* text = glsl.c_str();
        glShaderSource(vs, 1, &text, nullptr);
        glCompileShader(vs);
        GLuint program = glCreateProgram();
        glAttachShader(program, vs);
        glTransformFeedbackVaryings(program, static_cast<GLsizei>(std::size(d3d8::gl::kCapturedOutputs)),
                                    d3d8::gl::kCapturedOutputs, GL_INTERLEAVED_ATTRIBS);
        glLinkProgram(program);
        glDeleteShader(vs);
        GLint ok = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &ok);
        if (!ok) {
            char log[4096] = {};
            glGetProgramInfoLog(program, sizeof(log), nullptr, log);
            ADD_FAILURE() << log << "\n" << glsl;
            glDeleteProgram(program);
            return std::nullopt;
        }
        glUniformBlockBinding(program, glGetUniformBlockIndex(program, "Constants"), 0);
        glBindBuffer(GL_UNIFORM_BUFFER, ubo_);
        glBufferData(GL_UNIFORM_BUFFER, sizeof(in.c), in.c.data(), GL_STREAM_DRAW);
        glBindBufferBase(GL_UNIFORM_BUFFER, 0, ubo_);
        glBindVertexArray(vao_);  // no arrays: every input reads its current value
        for (GLuint i = 0; i < in.v.size(); ++i) glVertexAttrib4fv(i, in.v[i].data());
        glUseProgram(program);
        glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, feedback_);
        glEnable(GL_RASTERIZER_DISCARD);
        glBeginTransformFeedback(GL_POINTS);
        glDrawArrays(GL_POINTS, 0, 1);
        glEndTransformFeedback();
        glDisable(GL_RASTERIZER_DISCARD);
        Captured got{};
        glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, feedback_);
        glGetBufferSubData(GL_TRANSFORM_FEEDBACK_BUFFER, 0, sizeof(got), got.data());
        glUseProgram(0);
        glDeleteProgram(program);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        return got;
    }

    GLuint vao_ = 0, ubo_ = 0, feedback_ = 0;
};

std::vector<DWORD> Assemble(const char* text) {
    std::string source = std::string("vs.1.1\n") + text + "\n";
    LPD3DXBUFFER code = nullptr, errors = nullptr;
    HRESULT hr = D3DXAssembleShader(source.data(), static_cast<UINT>(source.size()), 0, nullptr, &code, &errors);
    std::vector<DWORD> tokens;
    if (SUCCEEDED(hr) && code) {
        const DWORD* p = static_cast<const DWORD*>(code->GetBufferPointer());
        tokens.assign(p, p + code->GetBufferSize() / sizeof(DWORD));
    }
    EXPECT_EQ(hr, S_OK) << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
    if (code) code->Release();
    if (errors) errors->Release();
    return tokens;
}

}  // namespace

TEST_F(GlShaderTest, TranslationAgreesWithTheInterpreterOnEveryCaseAndOutput) {
    const d3d8::VsInputs in = shadercases::Inputs();
    for (const shadercases::Case& c : shadercases::Cases()) {
        SCOPED_TRACE(c.name);
        std::vector<DWORD> tokens = Assemble(c.text);
        std::vector<DWORD> want{D3DVS_VERSION(1, 1)};
        want.insert(want.end(), c.tokens.begin(), c.tokens.end());
        want.push_back(D3DVS_END());
        ASSERT_EQ(tokens, want);

        d3d8::VsProgram program;
        std::string why;
        ASSERT_TRUE(d3d8::DecodeVertexShader(tokens.data(), tokens.size(), &program, &why)) << why;
        const Captured cpu = Flatten(d3d8::RunVertexShader(program, in));
        std::optional<Captured> gpu =
            Run(d3d8::gl::TranslateVertexShader(program, 0xFFFF, d3d8::gl::VsOutputMode::Capture), in);
        ASSERT_TRUE(gpu.has_value());
        for (size_t i = 0; i < cpu.size(); ++i)
            EXPECT_TRUE(shadercases::Matches((*gpu)[i], cpu[i], c.tolerance))
                << OutputName(i) << "."
                << "xyzw"[i % 4] << ": gl " << (*gpu)[i] << ", interpreter " << cpu[i];
        const size_t at = OutputOffset(c.output);
        for (size_t i = 0; i < (c.output == shadercases::Output::Fog ? 1u : 4u); ++i)
            EXPECT_TRUE(shadercases::Matches((*gpu)[at + i], c.want[i], c.tolerance))
                << "component " << i << ": gl " << (*gpu)[at + i] << ", want " << c.want[i];
    }
}
