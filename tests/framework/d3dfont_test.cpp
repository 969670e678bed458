#include <gtest/gtest.h>

#include <string>

#include "../platform/d3d8/gl_fixture.h"
#include "../platform/d3d8/record_fixture.h"
#include "framework/d3dfont.h"

namespace {

class FontTest : public d3d8test::RecordTest {
protected:
    void SetUp() override {
        RecordTest::SetUp();
        CreateDevice();
    }
    std::vector<const d3d8::Call*> Draws() {
        std::vector<const d3d8::Call*> d;
        for (const auto& c : Log())
            if (c.draw) d.push_back(&c);
        return d;
    }
    static const FontScreenVertex* Vertices(const d3d8::Call* c) {
        return reinterpret_cast<const FontScreenVertex*>(c->draw->streams[0].data.data());
    }
};

TEST_F(FontTest, TextureSizeFollowsThePointSizeAndTheDevice) {
    struct Case {
        DWORD points;
        DWORD texture;
    } cases[] = {{11, 256}, {20, 256}, {21, 512}, {40, 512}, {41, 1024}};
    for (const Case& c : cases) {
        CTextureFont font("Arial", c.points, D3DFONT_BOLD);
        ASSERT_EQ(font.Load(dev_), S_OK) << c.points;
        EXPECT_EQ(font.m_dwTexW, c.texture) << c.points;
        EXPECT_EQ(font.m_fTexScale, 1.0f);
        // Cells run left to right, one texel apart, and wrap to x = 0 one row below.
        const float(*r)[4] = font.m_afGlyphRect;
        for (int ch = 33; ch < 127; ++ch) {
            if (r[ch - 32][0] != 0.0f) {
                EXPECT_FLOAT_EQ(r[ch - 32][0] * c.texture, r[ch - 33][2] * c.texture + 1) << c.points << " " << ch;
                EXPECT_FLOAT_EQ(r[ch - 32][1], r[ch - 33][1]);
            } else {
                EXPECT_FLOAT_EQ(r[ch - 32][1] * c.texture, r[ch - 33][3] * c.texture + 1) << c.points << " " << ch;
            }
        }
    }
    D3DCAPS8 caps{};
    d3d_->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps);
    caps.MaxTextureWidth = caps.MaxTextureHeight = 256;
    dev_->Release();
    d3d_->Release();
    script_->adapters[0].halCaps = caps;
    d3d8::SetRecordScenario(script_);
    d3d_ = Direct3DCreate8(D3D_SDK_VERSION);
    dev_ = nullptr;
    CreateDevice();
    CTextureFont big("Arial", 30, 0);
    ASSERT_EQ(big.Load(dev_), S_OK);
    EXPECT_EQ(big.m_dwTexW, 256u);
    EXPECT_EQ(big.m_fTexScale, 0.5f);
}

TEST_F(FontTest, GlyphTexelsAreWhiteWithFourBitAlpha) {
    CTextureFont font("Arial", 11, D3DFONT_BOLD);
    ASSERT_EQ(font.Load(dev_), S_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(font.m_pGlyphTexture->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    int opaque = 0;
    for (DWORD y = 0; y < font.m_dwTexH; ++y)
        for (DWORD x = 0; x < font.m_dwTexW; ++x) {
            const WORD t = reinterpret_cast<const WORD*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch)[x];
            ASSERT_TRUE(t == 0 || (t & 0x0FFF) == 0x0FFF) << x << "," << y;
            opaque += t == 0xFFFF;
        }
    font.m_pGlyphTexture->UnlockRect(0);
    EXPECT_GT(opaque, 200);
}

TEST_F(FontTest, DrawLaysOutLinesBatchesAndRestoresTheCallerStates) {
    CTextureFont font("Arial", 11, D3DFONT_BOLD);
    EXPECT_EQ(font.Draw2DText(0, 0, 0xFFFFFF00, "x"), E_FAIL) << "before Load";
    ASSERT_EQ(font.Load(dev_), S_OK);
    EXPECT_EQ(font.Draw2DText(0, 0, 0xFFFFFF00, "x"), E_FAIL) << "before Restore";
    ASSERT_EQ(font.Restore(), S_OK);
    const float line = (font.m_afGlyphRect[0][3] - font.m_afGlyphRect[0][1]) * font.m_dwTexH;
    dev_->SetRenderState(D3DRS_ZENABLE, TRUE);
    dev_->SetRenderState(D3DRS_FOGENABLE, TRUE);
    dev_->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    dev_->BeginScene();

    Log().clear();
    ASSERT_EQ(font.Draw2DText(10, 20, 0xFFFFFF00, "A\nB"), S_OK);
    auto draws = Draws();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0]->draw->primitiveCount, 2u * 2);
    EXPECT_EQ(draws[0]->draw->vertexShader, 0x144u);
    const FontScreenVertex* v = Vertices(draws[0]);
    EXPECT_FLOAT_EQ(v[1].x, 9.5f);
    EXPECT_FLOAT_EQ(v[1].y, 19.5f);
    EXPECT_FLOAT_EQ(v[7].x, 9.5f);
    EXPECT_FLOAT_EQ(v[7].y, 19.5f + line);
    EXPECT_EQ(v[0].color, 0xFFFFFF00u);
    EXPECT_FLOAT_EQ(v[0].z, 0.9f);
    EXPECT_EQ(draws[0]->draw->RenderState(D3DRS_ZENABLE), 0u);
    EXPECT_EQ(draws[0]->draw->RenderState(D3DRS_ALPHABLENDENABLE), 1u);

    struct Case {
        std::string text;
        std::vector<UINT> batches;
    } cases[] = {{std::string(120, 'a'), {100, 100, 40}}, {"\xA1Hola", {8}}, {"", {}}};
    for (const Case& c : cases) {
        Log().clear();
        ASSERT_EQ(font.Draw2DText(10, 20, 0xFFFFFF00, c.text.c_str()), S_OK);
        std::vector<UINT> batches;
        for (const auto* d : Draws()) batches.push_back(d->draw->primitiveCount);
        EXPECT_EQ(batches, c.batches) << c.text.size();
        if (c.text[0] == '\xA1') {
            EXPECT_FLOAT_EQ(Vertices(Draws()[0])[1].x, 9.5f) << "the skipped byte takes no room";
        }
    }
    dev_->EndScene();
    DWORD z = 0, fog = 0, filter = 0;
    dev_->GetRenderState(D3DRS_ZENABLE, &z);
    dev_->GetRenderState(D3DRS_FOGENABLE, &fog);
    dev_->GetTextureStageState(0, D3DTSS_MINFILTER, &filter);
    EXPECT_EQ(z, 1u);
    EXPECT_EQ(fog, 1u);
    EXPECT_EQ(filter, DWORD{D3DTEXF_LINEAR});
    SIZE size{};
    ASSERT_EQ(font.MeasureText("ab\nc", &size), S_OK);
    EXPECT_EQ(size.cy, static_cast<LONG>(2 * line));
    dev_->SetStreamSource(0, nullptr, 0);
    dev_->SetTexture(0, nullptr);
    font.Invalidate();
}

// The scaled and world-space variants share the batching walk of Draw2DText but not its
// placement, glyph size, line step or batch limit.
TEST_F(FontTest, ScaledAndWorldTextPlaceGlyphsAndBatchByTheirOwnRules) {
    CTextureFont font("Arial", 11, D3DFONT_BOLD);
    ASSERT_EQ(font.Load(dev_), S_OK);
    ASSERT_EQ(font.Restore(), S_OK);
    const float line = (font.m_afGlyphRect[0][3] - font.m_afGlyphRect[0][1]) * font.m_dwTexH;
    const float* a = font.m_afGlyphRect['A' - 32];
    D3DVIEWPORT8 vp;
    dev_->GetViewport(&vp);
    dev_->BeginScene();

    Log().clear();
    ASSERT_EQ(font.DrawScaledText(0.0f, 0.0f, 0.5f, 0.1f, 0.2f, 0xFF00FF00, "A\nB", D3DFONT_FILTERED), S_OK);
    auto draws = Draws();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0]->draw->primitiveCount, 4u);
    EXPECT_EQ(draws[0]->draw->StageState(0, D3DTSS_MAGFILTER), DWORD{D3DTEXF_LINEAR});
    const FontScreenVertex* v = Vertices(draws[0]);
    const float sx = vp.Width / 2.0f, sy = -(vp.Height / 2.0f);
    EXPECT_FLOAT_EQ(v[1].x, sx - 0.5f);
    EXPECT_FLOAT_EQ(v[1].y, sy - 0.5f);
    EXPECT_FLOAT_EQ(v[0].z, 0.5f);
    EXPECT_FLOAT_EQ(v[2].x, sx + (a[2] - a[0]) * font.m_dwTexW * 0.1f * vp.Height / line - 0.5f);
    EXPECT_FLOAT_EQ(v[0].y, sy + (a[3] - a[1]) * font.m_dwTexH * 0.2f * vp.Height / line - 0.5f);
    EXPECT_FLOAT_EQ(v[7].x, sx - 0.5f);
    EXPECT_FLOAT_EQ(v[7].y, sy + 0.2f * vp.Height - 0.5f);

    Log().clear();
    ASSERT_EQ(font.Draw3DText("A\nB", D3DFONT_TWOSIDED), S_OK);
    draws = Draws();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0]->draw->primitiveCount, 4u);
    EXPECT_EQ(draws[0]->draw->vertexShader, 0x112u);
    EXPECT_EQ(draws[0]->draw->RenderState(D3DRS_CULLMODE), DWORD{D3DCULL_NONE});
    const auto* w = reinterpret_cast<const FontWorldVertex*>(draws[0]->draw->streams[0].data.data());
    EXPECT_FLOAT_EQ(w[0].p.x, 0.0f);
    EXPECT_FLOAT_EQ(w[0].p.y, 0.0f);
    EXPECT_FLOAT_EQ(w[0].n.z, -1.0f);
    EXPECT_FLOAT_EQ(w[1].p.y, (a[3] - a[1]) * font.m_dwTexH / 10.0f);
    EXPECT_FLOAT_EQ(w[2].p.x, (a[2] - a[0]) * font.m_dwTexW / 10.0f);
    EXPECT_FLOAT_EQ(w[6].p.x, 0.0f);
    EXPECT_FLOAT_EQ(w[6].p.y, -line / 10.0f);

    Log().clear();
    SIZE size{};
    font.MeasureText("A", &size);
    ASSERT_EQ(font.Draw3DText("A", D3DFONT_CENTERED), S_OK);
    draws = Draws();
    ASSERT_EQ(draws.size(), 1u);
    w = reinterpret_cast<const FontWorldVertex*>(draws[0]->draw->streams[0].data.data());
    EXPECT_FLOAT_EQ(w[0].p.x, -(size.cx / 10.0f) / 2.0f);
    EXPECT_FLOAT_EQ(w[0].p.y, -(size.cy / 10.0f) / 2.0f);
    EXPECT_EQ(draws[0]->draw->RenderState(D3DRS_CULLMODE), DWORD{D3DCULL_CCW});

    // World vertices are larger, so a world batch holds 43 characters, a screen batch 50.
    const std::string many(100, 'a');
    for (bool world : {false, true}) {
        Log().clear();
        ASSERT_EQ(world ? font.Draw3DText(many.c_str()) : font.DrawScaledText(0, 0, 0, 0.1f, 0.1f, 0, many.c_str()),
                  S_OK);
        std::vector<UINT> batches;
        for (const auto* d : Draws()) batches.push_back(d->draw->primitiveCount);
        const std::vector<UINT> expected = world ? std::vector<UINT>{86, 86, 28} : std::vector<UINT>{100, 100};
        EXPECT_EQ(batches, expected) << world;
    }
    dev_->EndScene();
    dev_->SetStreamSource(0, nullptr, 0);
    dev_->SetTexture(0, nullptr);
    font.Invalidate();
}

class FontPixelTest : public d3d8test::GlTest {};

TEST_F(FontPixelTest, YellowTextIsDrawnWhereTheLayoutPutsIt) {
    CTextureFont font("Arial", 11, D3DFONT_BOLD);
    ASSERT_EQ(font.Load(dev_), S_OK);
    ASSERT_EQ(font.Restore(), S_OK);
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    dev_->BeginScene();
    const char* text = "Peces :0";
    ASSERT_EQ(font.Draw2DText(2, 4, 0xFFFFFF00, text), S_OK);
    dev_->EndScene();
    dev_->Present(nullptr, nullptr, nullptr, nullptr);
    const auto pixels = Pixels();
    ASSERT_FALSE(pixels.empty());
    float x = 2;
    const float top = 4;
    for (const char* p = text; *p; ++p) {
        const float* r = font.m_afGlyphRect[*p - 32];
        const float w = (r[2] - r[0]) * font.m_dwTexW, h = (r[3] - r[1]) * font.m_dwTexH;
        int yellow = 0, other = 0;
        for (int py = static_cast<int>(top); py < static_cast<int>(top + h) && py < 64; ++py)
            for (int px = static_cast<int>(x); px < static_cast<int>(x + w) && px < 64; ++px) {
                const DWORD c = At(pixels, px, py);
                const DWORD red = c >> 16, green = (c >> 8) & 0xFF, blue = c & 0xFF;
                if (red > 0x80 && green > 0x80 && blue < 0x40)
                    ++yellow;
                else if (c != 0 && !(blue < 0x40 && red == green))
                    ++other;
            }
        if (*p != ' ') {
            EXPECT_GT(yellow, 2) << "glyph '" << *p << "'";
        }
        EXPECT_EQ(other, 0) << "glyph '" << *p << "'";
        x += w;
    }
    // Nothing below the line.
    for (int py = static_cast<int>(top + 20); py < 64; ++py)
        for (int px = 0; px < 64; ++px) ASSERT_EQ(At(pixels, px, py), 0u) << px << "," << py;
    dev_->SetStreamSource(0, nullptr, 0);
    dev_->SetTexture(0, nullptr);
    font.Invalidate();
    font.Destroy();
}

}  // namespace
