// IDirect3D8 over scripted adapters: creation, identifiers, modes, Check answers and caps.
#include <cstring>

#include "d3d8/direct3d.h"
#include "record_fixture.h"

using namespace d3d8test;

TEST(Direct3DCreate, OnlyVersion220AndScriptedFailureGiveNull) {
    d3d8::SetBackendOverride(d3d8::BackendKind::Record);
    EXPECT_EQ(Direct3DCreate8(120), nullptr);
    auto failing = std::make_shared<d3d8::RecordScenario>();
    failing->failCreate = true;
    d3d8::SetRecordScenario(failing);
    EXPECT_EQ(Direct3DCreate8(D3D_SDK_VERSION), nullptr);
    d3d8::SetRecordScenario(nullptr);
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    EXPECT_EQ(d3d->Release(), 0u);
    d3d8::SetBackendOverride(std::nullopt);
}

class EnumTest : public RecordTest {
protected:
    void SetUp() override {
        d3d8::RecordAdapter a;
        a.description = std::string(600, 'x');  // longer than the identifier holds
        a.modes = {{640, 480, 60, D3DFMT_R5G6B5}, {640, 480, 75, D3DFMT_R5G6B5}, {800, 600, 60, D3DFMT_X8R8G8B8}};
        D3DCAPS8 caps = d3d8::BuiltinCaps(1, D3DDEVTYPE_HAL, 1024);
        caps.DevCaps &= ~D3DDEVCAPS_PUREDEVICE;
        a.halCaps = caps;
        script_->adapters.push_back(a);
        script_->checkDeviceFormat = [](UINT adapter, D3DDEVTYPE, D3DFORMAT, DWORD usage, D3DRESOURCETYPE,
                                        D3DFORMAT f) -> HRESULT {
            if (adapter == 1 && (usage & D3DUSAGE_DEPTHSTENCIL)) return f == D3DFMT_D32 ? D3D_OK : D3DERR_NOTAVAILABLE;
            return D3D_OK;
        };
        RecordTest::SetUp();
    }
};

TEST_F(EnumTest, AdaptersAndModesComeFromTheScript) {
    ASSERT_EQ(d3d_->GetAdapterCount(), 2u);
    D3DADAPTER_IDENTIFIER8 id;
    ASSERT_EQ(d3d_->GetAdapterIdentifier(1, 0, &id), D3D_OK);
    EXPECT_EQ(std::strlen(id.Description), 511u);
    EXPECT_EQ(d3d_->GetAdapterIdentifier(2, 0, &id), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d_->GetAdapterModeCount(1), 3u);
    EXPECT_EQ(d3d_->GetAdapterModeCount(7), 0u);
    D3DDISPLAYMODE m;
    ASSERT_EQ(d3d_->EnumAdapterModes(1, 1, &m), D3D_OK);
    EXPECT_EQ(m.RefreshRate, 75u);
    EXPECT_EQ(d3d_->EnumAdapterModes(1, 3, &m), D3DERR_INVALIDCALL);
    ASSERT_EQ(d3d_->GetAdapterDisplayMode(0, &m), D3D_OK);
    EXPECT_EQ(m.Format, D3DFMT_X8R8G8B8);
}

TEST_F(EnumTest, ScriptedCheckAnswersReplaceTheRules) {
    EXPECT_EQ(d3d_->CheckDeviceFormat(1, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                      D3DFMT_D16),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d_->CheckDeviceFormat(1, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                      D3DFMT_D32),
              D3D_OK);
}

TEST_F(RecordTest, BuiltinCheckRules) {
    struct Case {
        UINT adapter;
        D3DFORMAT depth;
        HRESULT expected;
    } depthCases[] = {
        {0, D3DFMT_D16, D3D_OK},
        {0, D3DFMT_D24X8, D3D_OK},
        {0, D3DFMT_D24S8, D3D_OK},
        {0, D3DFMT_D32, D3D_OK},
        {0, D3DFMT_D15S1, D3DERR_NOTAVAILABLE},
        {0, D3DFMT_D24X4S4, D3DERR_NOTAVAILABLE},
        {0, D3DFMT_X8R8G8B8, D3DERR_NOTAVAILABLE},
    };
    for (const auto& c : depthCases)
        EXPECT_EQ(d3d_->CheckDeviceFormat(c.adapter, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL,
                                          D3DRTYPE_SURFACE, c.depth),
                  c.expected)
            << c.adapter << " " << c.depth;
    struct TypeCase {
        D3DFORMAT display, back;
        BOOL windowed;
        HRESULT expected;
    } typeCases[] = {
        {D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE, D3D_OK},
        {D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, FALSE, D3D_OK},
        {D3DFMT_R5G6B5, D3DFMT_R5G6B5, FALSE, D3D_OK},
        {D3DFMT_X1R5G5B5, D3DFMT_X1R5G5B5, TRUE, D3D_OK},
        {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8, FALSE, D3DERR_NOTAVAILABLE},
        {D3DFMT_A1R5G5B5, D3DFMT_A1R5G5B5, FALSE, D3DERR_NOTAVAILABLE},
    };
    for (const auto& c : typeCases)
        EXPECT_EQ(d3d_->CheckDeviceType(0, D3DDEVTYPE_HAL, c.display, c.back, c.windowed), c.expected)
            << c.display << " " << c.back;
    EXPECT_EQ(d3d_->CheckDeviceType(0, D3DDEVTYPE_SW, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d_->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_D16), D3D_OK);
    EXPECT_EQ(d3d_->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE, D3DMULTISAMPLE_NONE), D3D_OK);
}

TEST_F(EnumTest, CapsHaveWhatTheFrameworkReads) {
    for (auto type : {D3DDEVTYPE_HAL, D3DDEVTYPE_REF}) {
        D3DCAPS8 c;
        ASSERT_EQ(d3d_->GetDeviceCaps(0, type, &c), D3D_OK);
        EXPECT_EQ(c.DeviceType, type);
        EXPECT_TRUE(c.Caps2 & D3DCAPS2_CANRENDERWINDOWED);
        EXPECT_TRUE(c.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
        EXPECT_TRUE(c.DevCaps & D3DDEVCAPS_PUREDEVICE);
        EXPECT_GE(c.VertexShaderVersion, D3DVS_VERSION(1, 1));
        EXPECT_EQ(c.MaxVertexShaderConst, 96u);
        EXPECT_GE(c.MaxStreams, 3u);
        EXPECT_TRUE(c.VertexProcessingCaps & D3DVTXPCAPS_DIRECTIONALLIGHTS);
        EXPECT_GE(c.MaxActiveLights, 8u);
        EXPECT_GE(c.MaxTextureWidth, 256u);
    }
    D3DCAPS8 c;
    ASSERT_EQ(d3d_->GetDeviceCaps(1, D3DDEVTYPE_HAL, &c), D3D_OK);
    EXPECT_FALSE(c.DevCaps & D3DDEVCAPS_PUREDEVICE);
    EXPECT_EQ(c.AdapterOrdinal, 1u);
    EXPECT_EQ(d3d_->GetDeviceCaps(0, D3DDEVTYPE_SW, &c), D3DERR_INVALIDDEVICE);
}

// A device with hardware vertex processing takes shaders up to the version its caps report;
// software processing runs every vs.1.x.
TEST_F(EnumTest, VertexShadersAboveTheReportedVersionAreRefused) {
    D3DCAPS8 caps = d3d8::BuiltinCaps(0, D3DDEVTYPE_HAL, 1024);
    caps.VertexShaderVersion = D3DVS_VERSION(1, 0);
    script_->adapters[0].halCaps = caps;
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);  // reads the adapters as scripted now
    ASSERT_NE(d3d, nullptr);
    const DWORD decl[] = {0x20000000, 0x40020000, 0xFFFFFFFF};
    const DWORD vs10[] = {D3DVS_VERSION(1, 0), 0x00000001, 0x800F0000, 0x90E40000, 0x0000FFFF};
    const DWORD vs11[] = {D3DVS_VERSION(1, 1), 0x00000001, 0x800F0000, 0x90E40000, 0x0000FFFF};
    for (DWORD behaviour : {DWORD(D3DCREATE_HARDWARE_VERTEXPROCESSING), DWORD(D3DCREATE_SOFTWARE_VERTEXPROCESSING)}) {
        SCOPED_TRACE(behaviour);
        D3DPRESENT_PARAMETERS pp = WindowedParams();
        IDirect3DDevice8* dev = nullptr;
        ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, FakeWindow(), behaviour, &pp, &dev), D3D_OK);
        DWORD handle = 0;
        EXPECT_EQ(dev->CreateVertexShader(decl, vs10, &handle, 0), D3D_OK);
        EXPECT_EQ(dev->CreateVertexShader(decl, vs11, &handle, 0),
                  behaviour == D3DCREATE_SOFTWARE_VERTEXPROCESSING ? D3D_OK : D3DERR_INVALIDCALL);
        dev->Release();
    }
    d3d->Release();
}
