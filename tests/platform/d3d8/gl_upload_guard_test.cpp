// A texture written on another thread, as the movie's streaming thread writes its frames, while
// the gl backend draws with it: the upload reads the texture's CPU copy under the texture's guard,
// so no drawn frame mixes two written frames. make test runs it under ThreadSanitizer as well
// (the driver's own reads of the texels are beyond its sight; the mixed frames are not).
#include <atomic>
#include <thread>

#include "gl_fixture.h"

namespace {

using d3d8test::GlTest;
using d3d8test::kTlFvf;
using d3d8test::Quad;
using d3d8test::TlVertex;

class GlUploadGuardTest : public GlTest {};

TEST_F(GlUploadGuardTest, TheUploadOfATextureWrittenOnAnotherThreadTakesItsGuard) {
    constexpr UINT kSide = 64;
    constexpr DWORD kColours[2] = {0xFFFF0000, 0xFF0000FF};
    IDirect3DTexture8* pTexture = nullptr;
    ASSERT_EQ(dev_->CreateTexture(kSide, kSide, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &pTexture), D3D_OK);
    auto write = [pTexture](DWORD colour) {
        D3DLOCKED_RECT lr;
        if (FAILED(pTexture->LockRect(0, &lr, nullptr, 0))) return false;
        for (UINT y = 0; y < kSide; ++y) {
            auto* pRow = reinterpret_cast<DWORD*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch);
            for (UINT x = 0; x < kSide; ++x) pRow[x] = colour;
        }
        return SUCCEEDED(pTexture->UnlockRect(0));
    };
    ASSERT_TRUE(write(kColours[0]));
    dev_->SetTexture(0, pTexture);
    dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev_->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    dev_->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    dev_->SetVertexShader(kTlFvf);
    TlVertex v[6];
    Quad(v, 0, 0, static_cast<float>(kSize), static_cast<float>(kSize), 0xFFFFFFFF);

    // The writer goes on until the drawing is done; the drawing waits for a few of its frames
    // between draws, so uploads and writes overlap whatever the scheduling.
    std::atomic<bool> bDone{false};
    std::atomic<int> nWritten{0};
    std::thread writer([&] {
        for (int i = 1; !bDone; ++i) {
            EXPECT_TRUE(write(kColours[i % 2]));
            ++nWritten;
        }
    });
    int nTorn = 0;
    for (int nFrame = 0; nFrame < 60; ++nFrame) {
        const int nBefore = nWritten;
        while (nWritten < nBefore + 2) std::this_thread::yield();
        dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        dev_->BeginScene();
        dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(TlVertex));
        dev_->EndScene();
        if (nFrame % 6 == 0) {
            const auto p = Pixels();
            ASSERT_FALSE(p.empty());
            const DWORD first = At(p, 0, 0);
            EXPECT_TRUE(first == (kColours[0] & 0xFFFFFF) || first == (kColours[1] & 0xFFFFFF)) << std::hex << first;
            nTorn += At(p, kSize - 1, kSize - 1) != first;
        } else {
            dev_->Present(nullptr, nullptr, nullptr, nullptr);
        }
    }
    bDone = true;
    writer.join();
    EXPECT_EQ(nTorn, 0) << "frames that mix two written frames";
    dev_->SetTexture(0, nullptr);
    EXPECT_EQ(pTexture->Release(), 0u);
}

}  // namespace
