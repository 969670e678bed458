// The vertex-shader assembler, the token checker and the CPU interpreter.
#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "d3d8/shaderinterp.h"
#include "d3dx8/d3dx8.h"
#include "shader_cases.h"
#include "scratch_file.h"

namespace {

constexpr DWORD kVs11 = 0xFFFE0101u;
constexpr DWORD kEnd = 0x0000FFFFu;

struct Assembled {
    HRESULT hr = E_FAIL;
    std::vector<DWORD> tokens;
    std::vector<DWORD> constants;
    std::string errors;
};

std::vector<DWORD> Dwords(LPD3DXBUFFER buffer) {
    const DWORD* p = static_cast<const DWORD*>(buffer->GetBufferPointer());
    return std::vector<DWORD>(p, p + buffer->GetBufferSize() / sizeof(DWORD));
}

Assembled Assemble(const std::string& text) {
    Assembled a;
    LPD3DXBUFFER code = nullptr, constants = nullptr, errors = nullptr;
    a.hr = D3DXAssembleShader(text.data(), static_cast<UINT>(text.size()), 0, &constants, &code, &errors);
    if (code) {
        a.tokens = Dwords(code);
        EXPECT_EQ(code->Release(), 0u);
    }
    if (constants) {
        a.constants = Dwords(constants);
        EXPECT_EQ(constants->Release(), 0u);
    }
    if (errors) {
        a.errors = static_cast<const char*>(errors->GetBufferPointer());
        EXPECT_EQ(errors->GetBufferSize(), a.errors.size() + 1) << "error text ends in one NUL";
        EXPECT_EQ(errors->Release(), 0u);
    }
    return a;
}

d3d8::VsOutputs RunShader(const std::vector<DWORD>& tokens, const d3d8::VsInputs& in) {
    d3d8::VsProgram program;
    std::string why;
    EXPECT_TRUE(d3d8::DecodeVertexShader(tokens.data(), tokens.size(), &program, &why)) << why;
    return d3d8::RunVertexShader(program, in);
}

TEST(VertexShader, TableAssemblesAndRuns) {
    const d3d8::VsInputs in = shadercases::Inputs();
    for (const shadercases::Case& c : shadercases::Cases()) {
        SCOPED_TRACE(c.name);
        Assembled a = Assemble(std::string("vs.1.1\n") + c.text + "\n");
        ASSERT_EQ(a.hr, S_OK) << a.errors;
        std::vector<DWORD> want{kVs11};
        want.insert(want.end(), c.tokens.begin(), c.tokens.end());
        want.push_back(kEnd);
        EXPECT_EQ(a.tokens, want);

        const d3d8::VsOutputs out = RunShader(a.tokens, in);
        std::array<float, 4> got{};
        int components = 4;
        switch (c.output) {
            case shadercases::Output::T0: got = out.tex[0]; break;
            case shadercases::Output::D0: got = out.color[0]; break;
            case shadercases::Output::D1: got = out.color[1]; break;
            case shadercases::Output::Pos: got = out.pos; break;
            case shadercases::Output::Fog:
                got[0] = out.fog;
                components = 1;
                break;
        }
        for (int i = 0; i < components; ++i)
            EXPECT_TRUE(shadercases::Matches(got[i], c.want[i], c.tolerance))
                << "component " << i << ": got " << got[i] << ", want " << c.want[i];
    }
}

TEST(VertexShader, SyntaxVariantsGiveTheSameTokens) {
    const std::string plain = "vs.1.1\nmov oT0, -c[a0.x + 3].yzxw\nm4x4 oPos, v0, c4\n";
    const std::string variants[] = {
        "VS.1.1\r\nMOV OT0, -C[A0.X + 3].YZXW\r\nM4X4 OPOS, V0, C4\r\n",
        "; header comment\n  vs.1.1   // version\n\nmov\toT0 ,-c[ 3 + a0.x ].yzxw ; swizzled\nm4x4 oPos, v0, c4",
    };
    const Assembled want = Assemble(plain);
    ASSERT_EQ(want.hr, S_OK) << want.errors;
    for (const std::string& v : variants) EXPECT_EQ(Assemble(v).tokens, want.tokens) << v;
    EXPECT_EQ(Assemble("vs.1.0\nmov oPos, v0").tokens.front(), 0xFFFE0100u);
}

TEST(VertexShader, DefIsReportedAsDeclarationConstants) {
    Assembled a = Assemble("vs.1.1\ndef c1, 1, 2, 3, 4\ndef c95, -0.5, 0, 0, 1e3\nmov oPos, c1\n");
    ASSERT_EQ(a.hr, S_OK) << a.errors;
    const std::vector<DWORD> want{0x82000001u,
                                  std::bit_cast<DWORD>(1.0f),
                                  std::bit_cast<DWORD>(2.0f),
                                  std::bit_cast<DWORD>(3.0f),
                                  std::bit_cast<DWORD>(4.0f),
                                  0x8200005Fu,
                                  std::bit_cast<DWORD>(-0.5f),
                                  0u,
                                  0u,
                                  std::bit_cast<DWORD>(1000.0f)};
    EXPECT_EQ(a.constants, want);
    EXPECT_TRUE(Assemble("vs.1.1\nmov oPos, c1\n").constants.empty());
}

TEST(VertexShader, AssemblerErrorsNameTheLine) {
    struct Case {
        const char* text;
        const char* message;  // expected within the error text, line included
    };
    const Case cases[] = {
        {"", "(1): error: no vs.1.0 or vs.1.1 version line"},
        {"; only a comment\n", "no vs.1.0 or vs.1.1 version line"},
        {"vs.2.0\nmov oPos, v0", "(1): error: expected vs.1.0 or vs.1.1"},
        {"mov oPos, v0\nvs.1.1", "(1): error: expected vs.1.0 or vs.1.1"},
        {"vs.1.1\nvs.1.1", "(2): error: second version line"},
        {"vs.1.1\n\nfoo r0, v0", "(3): error: unknown instruction 'foo'"},
        {"vs.1.1\ntex t0", "unknown instruction 'tex'"},
        {"vs.1.1\nadd r0, v0", "add takes 3 operands, not 2"},
        {"vs.1.1\nmov r12, v0", "register out of range 'r12'"},
        {"vs.1.1\nmov r0, v16", "register out of range 'v16'"},
        {"vs.1.1\nmov r0, c96", "register out of range 'c96'"},
        {"vs.1.1\nmov r0, c[a0.x + 96]", "register out of range"},
        {"vs.1.1\nmov oT8, v0", "register out of range 'oT8'"},
        {"vs.1.1\nmov oD2, v0", "register out of range 'oD2'"},
        {"vs.1.1\nmov r0, q0", "unknown register 'q0'"},
        {"vs.1.1\nmov r0, rx", "bad register 'rx'"},
        {"vs.1.1\nmov r0, c[a0.y]", "bad constant index"},
        {"vs.1.1\nmov r0, c[a0.x + a0.x]", "bad constant index"},
        {"vs.1.1\nmov r0, c[a0.x", "bad constant index"},
        {"vs.1.1\nmov v0, r0", "'v0' cannot be written"},
        {"vs.1.1\nmov c0, r0", "'c0' cannot be written"},
        {"vs.1.1\nmov r0.yx, v0", "bad write mask '.yx'"},
        {"vs.1.1\nmov r0.xx, v0", "bad write mask '.xx'"},
        {"vs.1.1\nmov r0., v0", "empty write mask"},
        {"vs.1.1\nmov r0, v0.xyzwx", "bad swizzle '.xyzwx'"},
        {"vs.1.1\nmov r0, v0.q", "bad swizzle '.q'"},
        {"vs.1.1\nmov r0, a0.x", "a0 cannot be read"},
        {"vs.1.1\nmov r0, r1[a0.x]", "bad register"},
        {"vs.1.1\nadd a0.x, c0, c0", "a0.x is written only by mov"},
        {"vs.1.1\nmov a0, c0", "a0.x is written only by mov"},
        {"vs.1.1\nm4x4 r0, v0, c93", "c93 out of range"},
        {"vs.1.1\nm3x3 r0, v0, v14", "v14 out of range"},
        {"vs.1.1\nfrc r0, v0", "frc writes .y or .xy"},
        {"vs.1.1\nmov oFog.y, v0", "oFog and oPts are written through .x"},
        {"vs.1.1\ndef c0, 1, 2, 3", "def takes a constant register and four numbers"},
        {"vs.1.1\ndef c0, 1, x, 3, 4", "'x' is not a number"},
        {"vs.1.1\ndef r0, 1, 2, 3, 4", "def needs a constant register"},
        {"vs.1.1\ndef c96, 1, 2, 3, 4", "register out of range"},
        {"vs.1.1\nmad r0, c1, v0, c2", "(2): error: reads two constant registers"},
        {"vs.1.1\nm4x4 r0, c0, c4", "reads two constant registers"},
        {"vs.1.1\nadd r0, c[a0.x], c3", "reads two constant registers"},
        {"vs.1.0\nmov a0.x, v0.x", "vs.1.0 has no address register a0"},
        {"vs.1.0\nmov r0, c[a0.x + 2]", "vs.1.0 has no address register a0"},
    };
    for (const Case& c : cases) {
        Assembled a = Assemble(c.text);
        EXPECT_EQ(a.hr, D3DXERR_INVALIDDATA) << c.text;
        EXPECT_TRUE(a.tokens.empty()) << c.text;
        EXPECT_NE(a.errors.find(c.message), std::string::npos) << c.text << "\ngave: " << a.errors;
        EXPECT_EQ(a.errors.rfind("memory(", 0), 0u) << a.errors;
    }
    // Every faulty line is reported, not just the first.
    Assembled two = Assemble("vs.1.1\nmov r0, v99\nmov oPos, v0\nfoo\n");
    EXPECT_NE(two.errors.find("(2): error"), std::string::npos) << two.errors;
    EXPECT_NE(two.errors.find("(4): error"), std::string::npos) << two.errors;
    EXPECT_EQ(two.errors.find("(3)"), std::string::npos) << two.errors;
}

// What vs.1.x allows at its limits is taken; one more slot is refused.
TEST(VertexShader, InstructionSlotsAndReadPortsAtTheirLimits) {
    auto repeat = [](const char* line, int n) {
        std::string text = "vs.1.0\n";
        for (int i = 0; i < n; ++i) text += std::string(line) + "\n";
        return text;
    };
    const struct {
        std::string text;
        bool ok;
    } cases[] = {
        {repeat("mov r0, v0", 128), true},
        {repeat("mov r0, v0", 129), false},
        {repeat("m4x4 r0, v0, c4", 32), true},
        {repeat("m4x4 r0, v0, c4", 32) + "nop\n", false},
        {repeat("exp r0, v0.x", 10) + repeat("mov r0, v0", 8).substr(7), true},
        {repeat("exp r0, v0.x", 11), false},
        {"vs.1.0\nmad r0, c1, v0, c1\nadd r0, c2.x, -c2.y", true},  // one register named twice
        {"vs.1.1\nmov a0.x, v0.x\nadd r0, c[a0.x + 1], c[a0.x + 1]", true},
    };
    for (const auto& c : cases) {
        const std::string head = c.text.substr(0, 40);
        Assembled a = Assemble(c.text.c_str());
        EXPECT_EQ(SUCCEEDED(a.hr), c.ok) << head << "\n" << a.errors;
        if (!c.ok) {
            EXPECT_NE(a.errors.find("instruction slots"), std::string::npos) << a.errors;
        }
    }
}

TEST(VertexShader, EntryPointsCheckTheirArguments) {
    LPD3DXBUFFER code = reinterpret_cast<LPD3DXBUFFER>(1), constants = code, errors = code;
    EXPECT_EQ(D3DXAssembleShader(nullptr, 4, 0, &constants, &code, &errors), D3DERR_INVALIDCALL);
    EXPECT_EQ(code, nullptr);
    EXPECT_EQ(constants, nullptr);
    EXPECT_EQ(errors, nullptr);
    const char text[] = "vs.1.1\nmov oPos, v0\n";
    EXPECT_EQ(D3DXAssembleShader(text, sizeof text, 0, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
    // The terminating NUL may be passed along; nothing after it is read.
    const char withTail[] = "vs.1.1\nmov oPos, v0\n\0garbage";
    EXPECT_EQ(D3DXAssembleShader(withTail, sizeof withTail, 0, nullptr, &code, nullptr), S_OK);
    EXPECT_EQ(code->Release(), 0u);
    EXPECT_EQ(D3DXAssembleShaderFromFileA(nullptr, 0, nullptr, &code, nullptr), D3DERR_INVALIDCALL);
}

TEST(VertexShader, AssemblesFromFilesByWindowsName) {
    namespace fs = std::filesystem;
    const testscratch::ScratchFolder scratch("vsasm_");
    const fs::path& dir = scratch.Path();
    fs::create_directories(dir / "Media");
    {
        std::ofstream(dir / "Media" / "Objetos.vsh", std::ios::binary)
            << "vs.1.1\r\n; a base pass\r\nm4x4 oPos, v0, c4\r\nmov oT0, v6\r\n";
        std::ofstream(dir / "Media" / "bad.vsh", std::ios::binary) << "vs.1.1\nmov oPos, v0\nmul r0, v0\n";
    }
    const std::string good = dir.string() + "\\media\\objetos.VSH";
    LPD3DXBUFFER code = nullptr, errors = nullptr;
    ASSERT_EQ(D3DXAssembleShaderFromFileA(good.c_str(), 0, nullptr, &code, &errors), S_OK);
    EXPECT_EQ(errors, nullptr);
    EXPECT_EQ(Dwords(code), (std::vector<DWORD>{kVs11, 0x14, 0xC00F0000u, 0x90E40000u, 0xA0E40004u, 0x1, 0xE00F0000u,
                                                0x90E40006u, kEnd}));
    EXPECT_EQ(code->Release(), 0u);

    const std::string bad = (dir / "Media" / "bad.vsh").string();
    EXPECT_EQ(D3DXAssembleShaderFromFileA(bad.c_str(), 0, nullptr, &code, &errors), D3DXERR_INVALIDDATA);
    EXPECT_EQ(code, nullptr);
    ASSERT_NE(errors, nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(errors->GetBufferPointer())),
              bad + "(3): error: mul takes 3 operands, not 2\n");
    EXPECT_EQ(errors->Release(), 0u);

    const std::string missing = (dir / "none.vsh").string();
    EXPECT_EQ(D3DXAssembleShaderFromFileA(missing.c_str(), 0, nullptr, &code, &errors), E_FAIL);
    ASSERT_NE(errors, nullptr);
    EXPECT_NE(std::string(static_cast<const char*>(errors->GetBufferPointer())).find(missing), std::string::npos);
    EXPECT_EQ(errors->Release(), 0u);
}

TEST(VertexShader, BuffersCountReferences) {
    LPD3DXBUFFER buffer = nullptr;
    ASSERT_EQ(D3DXCreateBuffer(16, &buffer), S_OK);
    EXPECT_EQ(buffer->GetBufferSize(), 16u);
    const BYTE* bytes = static_cast<const BYTE*>(buffer->GetBufferPointer());
    for (int i = 0; i < 16; ++i) EXPECT_EQ(bytes[i], 0);
    EXPECT_EQ(buffer->AddRef(), 2u);
    void* same = nullptr;
    EXPECT_EQ(buffer->QueryInterface(IID_ID3DXBuffer, &same), S_OK);
    EXPECT_EQ(same, buffer);
    EXPECT_EQ(buffer->Release(), 2u);
    EXPECT_EQ(buffer->QueryInterface(IID_IUnknown, &same), S_OK);
    EXPECT_EQ(same, buffer);
    EXPECT_EQ(buffer->Release(), 2u);
    const GUID other = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    void* none = buffer;
    EXPECT_EQ(buffer->QueryInterface(other, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(buffer->QueryInterface(IID_ID3DXBuffer, nullptr), E_POINTER);
    EXPECT_EQ(buffer->Release(), 1u);
    EXPECT_EQ(buffer->Release(), 0u);

    ASSERT_EQ(D3DXCreateBuffer(0, &buffer), S_OK);
    EXPECT_EQ(buffer->GetBufferSize(), 0u);
    EXPECT_NE(buffer->GetBufferPointer(), nullptr);
    EXPECT_EQ(buffer->Release(), 0u);
    EXPECT_EQ(D3DXCreateBuffer(4, nullptr), D3DERR_INVALIDCALL);
}

TEST(VertexShader, MalformedTokensAreRefused) {
    struct Case {
        const char* name;
        std::vector<DWORD> tokens;
    };
    const Case cases[] = {
        {"no tokens", {}},
        {"pixel-shader version", {0xFFFF0101u, kEnd}},
        {"vs.2.0 version", {0xFFFE0200u, kEnd}},
        {"no end token", {kVs11, 0x1, 0xE00F0000u, 0x90E40000u}},
        {"unknown opcode", {kVs11, 0x30, kEnd}},
        {"stray bits in an instruction", {kVs11, 0x00010001u, 0xE00F0000u, 0x90E40000u, kEnd}},
        {"missing source", {kVs11, 0x1, 0xE00F0000u, kEnd}},
        {"missing destination", {kVs11, 0x1, kEnd}},
        {"input as destination", {kVs11, 0x1, 0x900F0000u, 0x90E40000u, kEnd}},
        {"r12 as destination", {kVs11, 0x1, 0x800F000Cu, 0x90E40000u, kEnd}},
        {"empty write mask", {kVs11, 0x1, 0xE0000000u, 0x90E40000u, kEnd}},
        {"saturated destination", {kVs11, 0x1, 0xE01F0000u, 0x90E40000u, kEnd}},
        {"c96 as source", {kVs11, 0x1, 0xE00F0000u, 0xA0E40060u, kEnd}},
        {"relative temporary", {kVs11, 0x1, 0xE00F0000u, 0x80E42000u, kEnd}},
        {"unknown source modifier", {kVs11, 0x1, 0xE00F0000u, 0x92E40000u, kEnd}},
        {"output as source", {kVs11, 0x1, 0xE00F0000u, 0xE0E40000u, kEnd}},
        {"matrix past c95", {kVs11, 0x14, 0xE00F0000u, 0x90E40000u, 0xA0E4005Du, kEnd}},
        {"comment past the end", {kVs11, 0x000AFFFEu, kEnd}},
        {"truncated def", {kVs11, 0x51, 0xA00F0000u, 0x3F800000u}},
        {"def of a temporary", {kVs11, 0x51, 0x800F0000u, 0, 0, 0, 0, kEnd}},
    };
    for (const Case& c : cases) {
        d3d8::VsProgram program;
        program.version = 1;
        std::string why;
        EXPECT_FALSE(d3d8::DecodeVertexShader(c.tokens.data(), c.tokens.size(), &program, &why)) << c.name;
        EXPECT_FALSE(why.empty()) << c.name;
        EXPECT_EQ(program.version, 0u) << c.name;
        EXPECT_TRUE(program.code.empty()) << c.name;
    }
    // A length given short of the end token is honoured even when the end is in memory.
    const std::vector<DWORD> ok{kVs11, 0x0002FFFEu, 0xDEADBEEFu, 0x8BADF00Du, 0x1, 0xE00F0000u, 0x90E40000u, kEnd};
    d3d8::VsProgram program;
    EXPECT_FALSE(d3d8::DecodeVertexShader(ok.data(), ok.size() - 1, &program));
    ASSERT_TRUE(d3d8::DecodeVertexShader(ok.data(), ok.size(), &program));
    EXPECT_EQ(program.code.size(), 1u);
    EXPECT_EQ(program.tokenCount, ok.size());
}

// Random streams built from plausible pieces: whatever decodes must also run.
TEST(VertexShader, RandomTokensNeverCrash) {
    const DWORD pieces[] = {kVs11,       kEnd,        0x1,         0x4,         0x14,
                            0x18,        0x4E,        0x4F,        0x51,        0x13,
                            0x0001FFFEu, 0xE00F0000u, 0xE0030000u, 0xB0010000u, 0xC0010001u,
                            0x800F000Bu, 0x90E4000Fu, 0xA0E4205Fu, 0xA0E42000u, 0xA0E4005Cu,
                            0x80E4000Bu, 0x91FF0003u, 0x7F800000u, 0xFFFFFFFFu, 0};
    std::mt19937 rng(1234);
    const d3d8::VsInputs in = shadercases::Inputs();
    int decoded = 0;
    for (int round = 0; round < 4000; ++round) {
        std::vector<DWORD> tokens{kVs11};
        const int n = static_cast<int>(rng() % 12);
        for (int i = 0; i < n; ++i) tokens.push_back(rng() % 4 == 0 ? rng() : pieces[rng() % std::size(pieces)]);
        if (rng() % 2) tokens.push_back(kEnd);
        d3d8::VsProgram program;
        if (d3d8::DecodeVertexShader(tokens.data(), tokens.size(), &program)) {
            ++decoded;
            d3d8::RunVertexShader(program, in);
        }
    }
    EXPECT_GT(decoded, 0);
}

}  // namespace
