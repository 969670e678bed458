// What a crafted level folder can make its loaders spend: each class of file that once grew
// memory or time without bound, loaded through the loader the game uses, in a child whose peak
// resident memory and time are measured.
#include <png.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "../platform/d3dx8/image/imagefixtures.h"
#include "d3dx8/d3dx8.h"
#include "framework/apperrors.h"
#include "framework/d3dutil.h"
#include "game/levelread.h"
#include "measured_child.h"
#include "game_fixture.h"

namespace {

using fixtures::Bytes;

// What a load gave, sent back from the child that ran it.
struct Outcome {
    HRESULT result = E_UNEXPECTED;
    char message[400] = "";  // the loader's own line, where it gives one
    int errorLines = 0;      // lines of the shader assembler's error text
    std::size_t errorBytes = 0;
};

struct Measured {
    Outcome outcome;
    long peakMb = -1;     // -1: not measured (sanitizer shadow memory swamps it)
    double seconds = -1;  // processor time of the child
    bool finished = false;
};

// Runs `load` in a forked child whose high-water mark starts at what it holds and whose address
// space is bounded, so that a regression fails the case instead of taking the machine's memory.
// Under AddressSanitizer the load runs here, unmeasured.
Measured RunMeasured(const std::function<Outcome()>& load) {
    Measured m;
    if (measured::kSanitized) {
        m.outcome = load();
        m.finished = true;
        return m;
    }
    const measured::Child<Outcome> child = measured::RunInChild(load, {.addressBytesBeyondNow = rlim_t{2} << 30});
    if (!child.reported) return m;
    m.outcome = child.value;
    m.peakMb = child.peakMb;
    m.seconds = child.cpuSeconds;
    m.finished = true;
    return m;
}

void WriteFile(const std::string& path, const void* data, std::size_t size) {
    std::ofstream(path, std::ios::binary).write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// A file of `size` bytes that begins with `text` and costs nothing on disk beyond it.
void WriteSparse(const std::string& path, const std::string& text, std::uint64_t size) {
    WriteFile(path, text.data(), text.size());
    std::filesystem::resize_file(path, size);
}

// A 1 x 1 PNG carrying `chunks` compressed text chunks of 1 MB each: a few hundred kilobytes.
Bytes TextChunkPng(int chunks) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, &fixtures::WriteToBytes, nullptr);
    png_set_IHDR(png, info, 1, 1, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::string text(std::size_t{1} << 20, 'a');
    char key[] = "Comment";
    png_text entry{};
    entry.compression = PNG_TEXT_COMPRESSION_zTXt;
    entry.key = key;
    entry.text = text.data();
    entry.text_length = text.size();
    png_set_text(png, info, &entry, 1);
    png_write_info(png, info);
    png_byte row[1] = {0x80};
    png_write_row(png, row);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    // The one text chunk, repeated: its checksum covers only itself.
    for (std::size_t at = 8; at + 12 <= out.size();) {
        const std::size_t length =
            (std::size_t{out[at]} << 24) | (out[at + 1] << 16) | (out[at + 2] << 8) | out[at + 3];
        if (std::memcmp(&out[at + 4], "zTXt", 4) == 0) {
            const Bytes chunk(out.begin() + at, out.begin() + at + 12 + length);
            for (int i = 1; i < chunks; ++i) out.insert(out.begin() + at, chunk.begin(), chunk.end());
            break;
        }
        at += 12 + length;
    }
    return out;
}

// A 16 x 16 RLE8 bitmap whose first row holds `bytes` bytes of 255-texel runs, nearly all of them
// past the row's end.
Bytes RunsPastTheRow(std::size_t bytes) {
    Bytes runs(bytes, 255);
    for (std::size_t i = 1; i < runs.size(); i += 2) runs[i] = 1;
    runs.insert(runs.end(), {0, 1});
    fixtures::BmpSpec spec;
    spec.width = spec.height = 16;
    spec.bpp = 8;
    spec.compression = 1;
    spec.palette = {0, 0xFFFFFF};
    spec.pixels = std::move(runs);
    return fixtures::MakeBmp(spec);
}

// Copies the text into the outcome's message.
void Say(Outcome& o, const std::string& text) { std::snprintf(o.message, sizeof o.message, "%s", text.c_str()); }

class LevelBoundsTest : public gametest::GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        std::filesystem::create_directories("nivel1");
        pD3D_ = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(pD3D_, nullptr);
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = 64;
        pp.BackBufferHeight = 64;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.Windowed = TRUE;
        pp.hDeviceWindow = gametest::RecordWindow();
        ASSERT_EQ(pD3D_->CreateDevice(0, D3DDEVTYPE_HAL, pp.hDeviceWindow, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp,
                                      &pDevice_),
                  D3D_OK);
    }
    void TearDown() override {
        if (pDevice_) pDevice_->Release();
        if (pD3D_) pD3D_->Release();
        GameTest::TearDown();
    }

    Outcome Texture(const char* szName) {
        Outcome o;
        IDirect3DTexture8* pTexture = nullptr;
        o.result = gfxCreateTexture(pDevice_, szName, &pTexture, D3DFMT_UNKNOWN);
        if (pTexture) pTexture->Release();
        return o;
    }
    Outcome Shader(const char* szName) {
        static const DWORD kDecl[] = {0x20000000, 0x40020000, 0x40020003, 0x40010006, 0xFFFFFFFF};
        Outcome o;
        DWORD dwHandle = 0;
        o.result = gfxCreateVertexShader(pDevice_, szName, kDecl, &dwHandle);
        if (SUCCEEDED(o.result)) pDevice_->DeleteVertexShader(dwHandle);
        // The text the helper prints, as the assembler gives it.
        LPD3DXBUFFER pCode = nullptr, pErrors = nullptr;
        D3DXAssembleShaderFromFileA(szName, 0, nullptr, &pCode, &pErrors);
        if (pCode) pCode->Release();
        if (pErrors) {
            const std::string text = static_cast<const char*>(pErrors->GetBufferPointer());
            for (char ch : text) o.errorLines += ch == '\n';
            o.errorBytes = text.size();
            Say(o, text.substr(text.size() > 200 ? text.size() - 200 : 0));
            pErrors->Release();
        }
        return o;
    }
    Outcome Level() {
        Outcome o;
        gameResetProgramState();
        CGameApp app;
        o.result = app.LevelStatus();
        Say(o, lvlLastError());
        return o;
    }

    IDirect3D8* pD3D_ = nullptr;
    IDirect3DDevice8* pDevice_ = nullptr;
};

TEST_F(LevelBoundsTest, EachFileClassCostsBoundedMemoryAndTime) {
    Bytes bmp;
    const std::string strLevelText = gametest::SmallLevel("nivel1").at("nivel.plt");
    // Just under the 1 MB a shader file may hold.
    std::string strBadLines = "vs.1.1\n";
    while (strBadLines.size() + 9 < (std::size_t{1} << 20)) strBadLines += "bad line\n";
    struct Case {
        const char* name;
        std::function<void()> write;
        std::function<Outcome()> load;
        HRESULT result;
        const char* says;  // in the loader's line
        long peakMbBelow;
        int errorLinesAtMost;
    } cases[] = {
        {"PNG of 200 compressed text chunks of 1 MB each",
         [] {
             const Bytes png = TextChunkPng(200);
             ASSERT_LT(png.size(), 1u << 20);
             WriteFile("nivel1/texto.png", png.data(), png.size());
         },
         [&] { return Texture("nivel1\\texto.png"); }, D3D_OK, "", 100, 0},
        // From memory, with the texture loader's own settings: reading the file would cost more
        // than decoding its runs and hide what the decoder spends.
        {"RLE8 BMP of 64 MB of runs past the row's end", [&] { bmp = RunsPastTheRow(std::size_t{64} << 20); },
         [&] {
             Outcome o;
             IDirect3DTexture8* pTexture = nullptr;
             o.result = D3DXCreateTextureFromFileInMemoryEx(
                 pDevice_, bmp.data(), static_cast<UINT>(bmp.size()), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                 D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR,
                 D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR, 0, nullptr, nullptr, &pTexture);
             if (pTexture) pTexture->Release();
             return o;
         },
         D3D_OK, "", 100, 0},
        {"nivel.plt of 6 GB, sparse",
         [&] {
             WriteLevel("nivel1", gametest::SmallLevel("nivel1"));
             WriteSparse("nivel1/nivel.plt", strLevelText, std::uint64_t{6} << 30);
         },
         [&] { return Level(); }, AppErrMediaNotFound, "nivel1\\nivel.plt: the file is larger than 1 MB", 100, 0},
        {"ladrillos.plt one byte over the limit",
         [&] {
             WriteLevel("nivel1", gametest::SmallLevel("nivel1"));
             const std::string strRocks = gametest::SmallLevel("nivel1").at("ladrillos.plt");
             WriteFile("nivel1/ladrillos.plt",
                       (strRocks + std::string(kMaxLevelFileBytes + 1 - strRocks.size(), ' ')).data(),
                       kMaxLevelFileBytes + 1);
         },
         [&] { return Level(); }, AppErrMediaNotFound, "ladrillos.plt: the file is larger than 1 MB", 100, 0},
        {"ladrillos.plt of just the limit loads",
         [&] {
             WriteLevel("nivel1", gametest::SmallLevel("nivel1"));
             const std::string strRocks = gametest::SmallLevel("nivel1").at("ladrillos.plt");
             WriteFile("nivel1/ladrillos.plt",
                       (strRocks + std::string(kMaxLevelFileBytes - strRocks.size(), ' ')).data(), kMaxLevelFileBytes);
         },
         [&] { return Level(); }, 0, "", 100, 0},
        {"vertex shader of 100 MB, sparse",
         [] { WriteSparse("nivel1/grande.vsh", "vs.1.1\n", std::uint64_t{100} << 20); },
         [&] { return Shader("nivel1\\grande.vsh"); }, E_FAIL, "grande.vsh: error: the file is larger than 1 MB", 100,
         1},
        {"vertex shader of one word of nearly 1 MB",
         [&] {
             const std::string strWord = "vs.1.1\n" + std::string((std::size_t{1} << 20) - 8, 'x');
             WriteFile("nivel1/palabra.vsh", strWord.data(), strWord.size());
         },
         [&] { return Shader("nivel1\\palabra.vsh"); }, D3DXERR_INVALIDDATA, "unknown instruction 'xxx", 100, 1},
        {"vertex shader of 1 MB of bad lines",
         [&] { WriteFile("nivel1/malo.vsh", strBadLines.data(), strBadLines.size()); },
         [&] { return Shader("nivel1\\malo.vsh"); }, D3DXERR_INVALIDDATA, "more errors", 100, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.write();
        const Measured m = RunMeasured(c.load);
        EXPECT_TRUE(m.finished) << "the load ended the process (over 2 GB of address space, or a crash)";
        if (m.finished) {
            EXPECT_EQ(m.outcome.result, c.result);
            EXPECT_NE(std::strstr(m.outcome.message, c.says), nullptr) << m.outcome.message;
            EXPECT_LE(m.outcome.errorLines, c.errorLinesAtMost);
            EXPECT_LE(m.outcome.errorBytes, 8192u) << "the error text is a few dozen short lines";
            std::printf("%s: peak %ld MB, %.2f s\n", c.name, m.peakMb, m.seconds);
            if (m.peakMb >= 0) {
                EXPECT_LT(m.peakMb, c.peakMbBelow);
                EXPECT_LT(m.seconds, 2.0);
            }
        }
        std::filesystem::remove_all("nivel1");
        std::filesystem::create_directories("nivel1");
    }
}

}  // namespace
