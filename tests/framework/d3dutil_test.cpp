#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "../platform/d3d8/record_fixture.h"
#include "framework/d3dcamera.h"
#include "framework/d3dutil.h"
#include "scratch_file.h"

namespace {

TEST(Helpers, LightAndMaterialValues) {
    D3DLIGHT8 light;
    std::memset(&light, 0x7F, sizeof light);
    gfxInitLight(light, D3DLIGHT_DIRECTIONAL, 0, -5, 0);
    EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_FLOAT_EQ(light.Position.y, -5.0f);
    EXPECT_FLOAT_EQ(light.Direction.y, -1.0f);
    EXPECT_FLOAT_EQ(light.Diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(light.Diffuse.a, 0.0f);
    EXPECT_FLOAT_EQ(light.Specular.r, 0.0f);
    EXPECT_FLOAT_EQ(light.Range, 1000.0f);
    EXPECT_FLOAT_EQ(light.Attenuation0, 0.0f);
    gfxInitLight(light, D3DLIGHT_POINT, 0, 0, 0);
    EXPECT_EQ(light.Direction.x, 0.0f) << "a zero vector stays zero";

    D3DMATERIAL8 m;
    std::memset(&m, 0x7F, sizeof m);
    gfxInitMaterial(m, 1, 0.5f, 0.25f, 1);
    EXPECT_FLOAT_EQ(m.Ambient.g, 0.5f);
    EXPECT_FLOAT_EQ(m.Diffuse.b, 0.25f);
    EXPECT_FLOAT_EQ(m.Specular.r, 0.0f);
    EXPECT_FLOAT_EQ(m.Emissive.a, 0.0f);
    EXPECT_FLOAT_EQ(m.Power, 0.0f);
}

TEST(Helpers, CubeFacesLookAlongTheirAxes) {
    const float looks[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (DWORD face = 0; face < 6; ++face) {
        const D3DXMATRIX m = gfxCubeMapViewMatrix(face);
        // The view's third column is the look direction.
        EXPECT_FLOAT_EQ(m._13, looks[face][0]) << face;
        EXPECT_FLOAT_EQ(m._23, looks[face][1]) << face;
        EXPECT_FLOAT_EQ(m._33, looks[face][2]) << face;
    }
    const D3DXMATRIX beyond = gfxCubeMapViewMatrix(6);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&beyond));
    const D3DXQUATERNION q = gfxRotationFromCursor(nullptr);
    EXPECT_EQ(q.w, 1.0f) << "no client area: no rotation";
}

class DeviceHelpers : public d3d8test::RecordTest {
protected:
    void SetUp() override {
        RecordTest::SetUp();
        CreateDevice();
    }
};

TEST_F(DeviceHelpers, ShaderFailureLeavesTheHandleAndSuccessCreatesOne) {
    const std::string bad = testscratch::Path("bad.vsh").string();
    const std::string good = testscratch::Path("good.vsh").string();
    std::ofstream(bad) << "vs.1.1\nfoo r0, v0\n";
    std::ofstream(good) << "vs.1.1\nmov oPos, v0\n";
    const DWORD decl[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_END()};
    DWORD handle = 0xABCD;
    EXPECT_TRUE(FAILED(gfxCreateVertexShader(dev_, bad.c_str(), decl, &handle)));
    EXPECT_TRUE(FAILED(gfxCreateVertexShader(dev_, "/nonexistent.vsh", decl, &handle)));
    EXPECT_EQ(handle, 0xABCDu);
    ASSERT_EQ(gfxCreateVertexShader(dev_, good.c_str(), decl, &handle), D3D_OK);
    EXPECT_NE(handle, 0xABCDu);
    dev_->DeleteVertexShader(handle);
}

TEST_F(DeviceHelpers, ColorKeyClearsExactlyTheMatchingTexels) {
    IDirect3DTexture8* t = nullptr;
    ASSERT_EQ(dev_->CreateTexture(2, 2, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &t), D3D_OK);
    D3DLOCKED_RECT lr;
    t->LockRect(0, &lr, nullptr, 0);
    const WORD in[4] = {0xFF0F, 0xFF0E, 0x7F0F, 0xFF0F};
    for (int i = 0; i < 4; ++i)
        reinterpret_cast<WORD*>(static_cast<BYTE*>(lr.pBits) + (i / 2) * lr.Pitch)[i % 2] = in[i];
    t->UnlockRect(0);
    ASSERT_EQ(gfxSetColorKey(t, 0x00FF00FF), S_OK);
    t->LockRect(0, &lr, nullptr, D3DLOCK_READONLY);
    const WORD expected[4] = {0, 0xFF0E, 0x7F0F, 0};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(reinterpret_cast<WORD*>(static_cast<BYTE*>(lr.pBits) + (i / 2) * lr.Pitch)[i % 2], expected[i]) << i;
    t->UnlockRect(0);
    t->Release();
    ASSERT_EQ(dev_->CreateTexture(2, 2, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &t), D3D_OK);
    EXPECT_EQ(gfxSetColorKey(t, 0), E_FAIL);
    t->Release();
}

TEST_F(DeviceHelpers, MonochromeCursorBecomesHalfHeightWithTransparentMask) {
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(arrow, &info));
    BITMAP bm{};
    ASSERT_EQ(GetObjectA(info.hbmMask, sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(bm.bmWidth, 32);
    EXPECT_EQ(bm.bmHeight, 64);
    EXPECT_EQ(info.hbmColor, nullptr);
    DeleteObject(info.hbmMask);
    Log().clear();
    ASSERT_EQ(gfxSetDeviceCursor(dev_, arrow), S_OK);
    bool created = false, set = false;
    for (const auto& c : Log()) {
        if (c.method == "CreateImageSurface") created = c.args[0] == 32 && c.args[1] == 32;
        if (c.method == "SetCursorProperties") set = c.object != nullptr;
    }
    EXPECT_TRUE(created && set);
    EXPECT_EQ(gfxSetDeviceCursor(dev_, reinterpret_cast<HCURSOR>(std::uintptr_t{0x1234})), E_FAIL);
}

TEST(ArcBall, VectorsAndMessages) {
    CArcBall ball;
    EXPECT_FLOAT_EQ(ball.ScreenToVector(5, 5).z, 1.0f) << "no window yet";
    ball.SetWindow(200, 100, 1.0f);
    const D3DXVECTOR3 centre = ball.ScreenToVector(100, 50);
    EXPECT_FLOAT_EQ(centre.x, 0.0f);
    EXPECT_FLOAT_EQ(centre.y, 0.0f);
    EXPECT_FLOAT_EQ(centre.z, 1.0f);
    const D3DXVECTOR3 rim = ball.ScreenToVector(200, 0);
    EXPECT_FLOAT_EQ(D3DXVec3Length(&rim), 1.0f);
    EXPECT_FLOAT_EQ(rim.z, 0.0f);
    EXPECT_GT(rim.x, 0.0f);
    EXPECT_GT(rim.y, 0.0f) << "y points up";

    struct Case {
        UINT message;
        BOOL handled;
    } cases[] = {{WM_MOUSEMOVE, TRUE},   {WM_LBUTTONDOWN, TRUE}, {WM_LBUTTONUP, TRUE},
                 {WM_RBUTTONDOWN, TRUE}, {WM_MBUTTONDOWN, TRUE}, {WM_KEYDOWN, FALSE}};
    for (const Case& c : cases) EXPECT_EQ(ball.HandleMessage(nullptr, c.message, 0, MAKELPARAM(-3, 7)), c.handled);
    EXPECT_EQ(ball.m_iMouseX, -3);
    EXPECT_EQ(ball.m_iMouseY, 7);
    EXPECT_FALSE(ball.m_bDrag);
    EXPECT_EQ(ball.m_qDown.w, 1.0f);
}

TEST(Camera, DefaultsAndBillboard) {
    CCamera camera;
    EXPECT_TRUE(D3DXMatrixIsIdentity(&camera.m_matView));
    EXPECT_FLOAT_EQ(camera.m_vSide.x, -1.0f);
    EXPECT_FLOAT_EQ(camera.m_fFar, 1000.0f);
    EXPECT_FLOAT_EQ(camera.m_matProj._34, 1.0f);
    camera.SetViewParams(D3DXVECTOR3(3, 4, 5), D3DXVECTOR3(3, 4, 9), D3DXVECTOR3(0, 1, 0));
    EXPECT_FLOAT_EQ(camera.m_vViewDir.z, 1.0f);
    EXPECT_FLOAT_EQ(camera.m_matBillboard._41, 0.0f);
    EXPECT_FLOAT_EQ(camera.m_matBillboard._43, 0.0f);
    EXPECT_FLOAT_EQ(camera.m_matView._43, -5.0f);
    camera.SetViewParams(D3DXVECTOR3(1, 1, 1), D3DXVECTOR3(1, 1, 1), D3DXVECTOR3(0, 1, 0));
    EXPECT_FALSE(std::isnan(camera.m_matView._11));
}

}  // namespace
