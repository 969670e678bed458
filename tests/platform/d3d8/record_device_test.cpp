// The device core through the record backend: defaults, reference counts, resources, state
// blocks, draws and bad input.
#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "record_fixture.h"

using namespace d3d8test;

namespace {

struct RsDefault {
    D3DRENDERSTATETYPE state;
    DWORD value;
};
const RsDefault kRenderDefaults[] = {
    {D3DRS_ZENABLE, D3DZB_TRUE},  // auto depth buffer asked for
    {D3DRS_ZWRITEENABLE, TRUE},
    {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
    {D3DRS_CULLMODE, D3DCULL_CCW},
    {D3DRS_FILLMODE, D3DFILL_SOLID},
    {D3DRS_ALPHABLENDENABLE, FALSE},
    {D3DRS_SRCBLEND, D3DBLEND_ONE},
    {D3DRS_DESTBLEND, D3DBLEND_ZERO},
    {D3DRS_ALPHATESTENABLE, FALSE},
    {D3DRS_ALPHAREF, 0},
    {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
    {D3DRS_FOGENABLE, FALSE},
    {D3DRS_FOGCOLOR, 0},
    {D3DRS_FOGTABLEMODE, D3DFOG_NONE},
    {D3DRS_FOGVERTEXMODE, D3DFOG_NONE},
    {D3DRS_FOGEND, 0x3F800000},  // 1.0f
    {D3DRS_SPECULARENABLE, FALSE},
    {D3DRS_LIGHTING, TRUE},
    {D3DRS_AMBIENT, 0},
    {D3DRS_CLIPPING, TRUE},
    {D3DRS_STENCILENABLE, FALSE},
    {D3DRS_COLORVERTEX, TRUE},
    {D3DRS_VERTEXBLEND, D3DVBF_DISABLE},
    {D3DRS_COLORWRITEENABLE, 0xF},
};

struct TssDefault {
    DWORD stage;
    D3DTEXTURESTAGESTATETYPE type;
    DWORD value;
};
const TssDefault kStageDefaults[] = {
    {0, D3DTSS_COLOROP, D3DTOP_MODULATE},
    {0, D3DTSS_COLORARG1, D3DTA_TEXTURE},
    {0, D3DTSS_COLORARG2, D3DTA_CURRENT},
    {0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1},
    {0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE},
    {0, D3DTSS_ALPHAARG2, D3DTA_CURRENT},
    {1, D3DTSS_COLOROP, D3DTOP_DISABLE},
    {1, D3DTSS_ALPHAOP, D3DTOP_DISABLE},
    {0, D3DTSS_MINFILTER, D3DTEXF_POINT},
    {0, D3DTSS_MAGFILTER, D3DTEXF_POINT},
    {0, D3DTSS_MIPFILTER, D3DTEXF_NONE},
    {0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP},
    {0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP},
    {1, D3DTSS_TEXCOORDINDEX, 1},
    {0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE},
};

void ExpectDefaults(IDirect3DDevice8* dev) {
    for (const auto& d : kRenderDefaults) {
        DWORD v = 0xDEAD;
        ASSERT_EQ(dev->GetRenderState(d.state, &v), D3D_OK);
        EXPECT_EQ(v, d.value) << "render state " << d.state;
    }
    for (const auto& d : kStageDefaults) {
        DWORD v = 0xDEAD;
        ASSERT_EQ(dev->GetTextureStageState(d.stage, d.type, &v), D3D_OK);
        EXPECT_EQ(v, d.value) << "stage " << d.stage << " state " << d.type;
    }
    D3DMATRIX m;
    for (auto t : {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION}) {
        ASSERT_EQ(dev->GetTransform(t, &m), D3D_OK);
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) EXPECT_EQ(m.m[i][j], i == j ? 1.0f : 0.0f);
    }
    float c[96 * 4];
    ASSERT_EQ(dev->GetVertexShaderConstant(0, c, 96), D3D_OK);
    for (float f : c) EXPECT_EQ(f, 0.0f);
    D3DVIEWPORT8 vp;
    dev->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 320u);
    EXPECT_EQ(vp.Height, 240u);
    EXPECT_EQ(vp.MaxZ, 1.0f);
    IDirect3DBaseTexture8* t = reinterpret_cast<IDirect3DBaseTexture8*>(1);
    dev->GetTexture(0, &t);
    EXPECT_EQ(t, nullptr);
}

const DWORD kOneStreamDecl[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_REG(3, D3DVSDT_FLOAT3),
                                D3DVSD_REG(6, D3DVSDT_FLOAT2), D3DVSD_END()};
const DWORD kMovShader[] = {D3DVS_VERSION(1, 1), D3DSIO_MOV, d3d8::MakeDestToken(D3DSPR_RASTOUT, D3DSRO_POSITION),
                            d3d8::MakeSrcToken(D3DSPR_INPUT, 0), D3DVS_END()};

}  // namespace

TEST_F(RecordTest, NewAndResetDevicesReadDirect3DDefaults) {
    CreateDevice();
    ExpectDefaults(dev_);
    dev_->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
    dev_->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    float one[4] = {1, 1, 1, 1};
    dev_->SetVertexShaderConstant(5, one, 1);
    D3DMATRIX m{};
    dev_->SetTransform(D3DTS_VIEW, &m);
    auto pp = WindowedParams();
    ASSERT_EQ(dev_->Reset(&pp), D3D_OK);
    ExpectDefaults(dev_);
}

TEST_F(RecordTest, DepthIsOffByDefaultWithoutAutoDepthBuffer) {
    auto pp = WindowedParams();
    pp.EnableAutoDepthStencil = FALSE;
    CreateDevice(pp);
    DWORD v = 1;
    dev_->GetRenderState(D3DRS_ZENABLE, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DZB_FALSE));
    EXPECT_EQ(dev_->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
}

TEST_F(RecordTest, ResourcesCountExactlyAndHoldTheDevice) {
    CreateDevice();
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(dev_->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    EXPECT_EQ(tex->AddRef(), 2u);
    EXPECT_EQ(tex->Release(), 1u);
    // The texture keeps one device reference: AddRef on the device shows it.
    EXPECT_EQ(dev_->AddRef(), 3u);
    EXPECT_EQ(dev_->Release(), 2u);
    // A level surface shares the texture's count.
    IDirect3DSurface8* level = nullptr;
    ASSERT_EQ(tex->GetSurfaceLevel(0, &level), D3D_OK);
    EXPECT_EQ(tex->AddRef(), 3u);
    tex->Release();
    EXPECT_EQ(level->Release(), 1u);
    // Binding does not count.
    dev_->SetTexture(0, tex);
    EXPECT_EQ(tex->AddRef(), 2u);
    tex->Release();
    IDirect3DBaseTexture8* got = nullptr;
    dev_->GetTexture(0, &got);
    EXPECT_EQ(got, tex);
    EXPECT_EQ(got->Release(), 1u);
    EXPECT_EQ(tex->Release(), 0u);
    EXPECT_EQ(dev_->AddRef(), 2u);
    EXPECT_EQ(dev_->Release(), 1u);
}

TEST_F(RecordTest, BoundObjectsStayUsableAndDeviceReleaseReachesZero) {
    CreateDevice();
    IDirect3DTexture8* tex = nullptr;
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    ASSERT_EQ(dev_->CreateTexture(4, 4, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    EXPECT_EQ(tex->GetLevelCount(), 3u);
    ASSERT_EQ(dev_->CreateVertexBuffer(96, 0, D3DFVF_XYZ, D3DPOOL_MANAGED, &vb), D3D_OK);
    ASSERT_EQ(dev_->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
    DWORD block = 0;
    dev_->BeginStateBlock();
    dev_->SetTexture(1, tex);
    dev_->EndStateBlock(&block);
    dev_->SetTexture(0, tex);
    dev_->SetStreamSource(0, vb, 12);
    dev_->SetIndices(ib, 0);
    EXPECT_EQ(tex->Release(), 0u);
    EXPECT_EQ(vb->Release(), 0u);
    EXPECT_EQ(ib->Release(), 0u);
    // Still drawable while bound.
    dev_->SetVertexShader(D3DFVF_XYZ);
    dev_->BeginScene();
    EXPECT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1), D3D_OK);
    dev_->EndScene();
    ASSERT_NE(LastDraw(), nullptr);
    EXPECT_EQ(LastDraw()->draw->textures[0], static_cast<IDirect3DBaseTexture8*>(tex));
    EXPECT_EQ(dev_->Release(), 0u);
    dev_ = nullptr;
}

TEST_F(RecordTest, DeviceKeepsDirect3DAlive) {
    CreateDevice();
    EXPECT_EQ(d3d_->Release(), 1u);  // the device's reference remains
    IDirect3D8* again = nullptr;
    ASSERT_EQ(dev_->GetDirect3D(&again), D3D_OK);
    EXPECT_EQ(again->Release(), 1u);
    EXPECT_EQ(dev_->Release(), 0u);
    dev_ = nullptr;
    d3d_ = nullptr;
}

TEST_F(RecordTest, ResetFailsWhileDefaultPoolResourceLives) {
    CreateDevice();
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(dev_->CreateVertexBuffer(64, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, &vb), D3D_OK);
    IDirect3DTexture8* managed = nullptr;
    ASSERT_EQ(dev_->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managed), D3D_OK);
    auto pp = WindowedParams();
    EXPECT_EQ(dev_->Reset(&pp), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Release(), 0u);
    EXPECT_EQ(dev_->Reset(&pp), D3D_OK);
    managed->Release();
}

TEST_F(RecordTest, BackBufferSurfaceCountsOnTheDevice) {
    CreateDevice();
    IDirect3DSurface8* bb = nullptr;
    ASSERT_EQ(dev_->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
    D3DSURFACE_DESC d;
    ASSERT_EQ(bb->GetDesc(&d), D3D_OK);
    EXPECT_EQ(d.Width, 320u);
    EXPECT_EQ(d.Height, 240u);
    EXPECT_EQ(d.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(bb->Release(), 1u);  // the device's own count
}

TEST_F(RecordTest, StateBlockRecordingLeavesCurrentStateAndCapturesOnlyItsStates) {
    CreateDevice();
    DWORD block = 0;
    ASSERT_EQ(dev_->BeginStateBlock(), D3D_OK);
    dev_->SetRenderState(D3DRS_ALPHAREF, 0x08);
    dev_->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    ASSERT_EQ(dev_->EndStateBlock(&block), D3D_OK);
    DWORD v = 1;
    dev_->GetRenderState(D3DRS_ALPHAREF, &v);
    EXPECT_EQ(v, 0u);  // unchanged by recording

    dev_->SetRenderState(D3DRS_ALPHAREF, 0x99);
    dev_->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    dev_->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    DWORD saved = 0;
    dev_->BeginStateBlock();
    dev_->SetRenderState(D3DRS_ALPHAREF, 0);
    dev_->SetTextureStageState(0, D3DTSS_MINFILTER, 0);
    dev_->EndStateBlock(&saved);
    ASSERT_EQ(dev_->CaptureStateBlock(saved), D3D_OK);

    ASSERT_EQ(dev_->ApplyStateBlock(block), D3D_OK);
    dev_->GetRenderState(D3DRS_ALPHAREF, &v);
    EXPECT_EQ(v, 0x08u);
    dev_->GetRenderState(D3DRS_ZFUNC, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DCMP_LESS));  // not in the block
    ASSERT_EQ(dev_->ApplyStateBlock(saved), D3D_OK);
    dev_->GetRenderState(D3DRS_ALPHAREF, &v);
    EXPECT_EQ(v, 0x99u);
    dev_->GetTextureStageState(0, D3DTSS_MINFILTER, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTEXF_LINEAR));

    EXPECT_EQ(dev_->DeleteStateBlock(block), D3D_OK);
    EXPECT_EQ(dev_->ApplyStateBlock(block), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev_->EndStateBlock(&block), D3DERR_INVALIDCALL);
}

TEST_F(RecordTest, CreateStateBlockAllRestoresEverything) {
    CreateDevice();
    DWORD all = 0;
    dev_->SetRenderState(D3DRS_FOGCOLOR, 0x123456);
    ASSERT_EQ(dev_->CreateStateBlock(D3DSBT_ALL, &all), D3D_OK);
    dev_->SetRenderState(D3DRS_FOGCOLOR, 0);
    float c[4] = {1, 2, 3, 4};
    dev_->SetVertexShaderConstant(7, c, 1);
    dev_->ApplyStateBlock(all);
    DWORD v = 0;
    dev_->GetRenderState(D3DRS_FOGCOLOR, &v);
    EXPECT_EQ(v, 0x123456u);
    float back[4];
    dev_->GetVertexShaderConstant(7, back, 1);
    EXPECT_EQ(back[0], 0.0f);
}

TEST_F(RecordTest, EachDrawKeepsTheDataItDrewThoughTheBufferIsRewritten) {
    CreateDevice();
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(dev_->CreateVertexBuffer(3 * 28, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0x144, D3DPOOL_DEFAULT, &vb),
              D3D_OK);
    dev_->SetVertexShader(0x144);
    dev_->SetStreamSource(0, vb, 28);
    dev_->BeginScene();
    for (float x : {1.0f, 2.0f}) {
        BYTE* p = nullptr;
        ASSERT_EQ(vb->Lock(0, 0, &p, D3DLOCK_DISCARD), D3D_OK);
        std::memcpy(p, &x, 4);
        vb->Unlock();
        float constant[4] = {x, 0, 0, 0};
        dev_->SetVertexShaderConstant(4, constant, 1);
        ASSERT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    }
    dev_->EndScene();
    std::vector<float> seen, constants;
    for (const auto& c : Log())
        if (c.draw) {
            ASSERT_EQ(c.method, "DrawPrimitive");
            float x;
            std::memcpy(&x, c.draw->streams.at(0).data.data(), 4);
            seen.push_back(x);
            constants.push_back(c.draw->constants[4][0]);
            EXPECT_EQ(c.draw->vertexShader, 0x144u);
            EXPECT_EQ(c.draw->streams[0].data.size(), 3u * 28u);
        }
    EXPECT_EQ(seen, (std::vector<float>{1.0f, 2.0f}));
    EXPECT_EQ(constants, (std::vector<float>{1.0f, 2.0f}));
    vb->Release();
}

// A long run on the record backend holds its memory: the log keeps the last presented frame whole
// (from the call after the Present before it) and what came after, never the frames before.
TEST_F(RecordTest, TheLogKeepsTheLastPresentedFrameOverALongRun) {
    CreateDevice();
    struct Vertex {
        float x, y, z, rhw;
    } tri[3] = {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}};
    dev_->SetVertexShader(D3DFVF_XYZRHW);
    size_t nAfterThree = 0;
    for (int nFrame = 1; nFrame <= 2000; ++nFrame) {
        dev_->Clear(0, nullptr, D3DCLEAR_TARGET, static_cast<D3DCOLOR>(nFrame), 1.0f, 0);
        dev_->BeginScene();
        for (int i = 0; i < 1 + nFrame % 2; ++i) dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof tri[0]);
        dev_->EndScene();
        ASSERT_EQ(dev_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        if (nFrame == 3) nAfterThree = Log().size();
    }
    // Frame 2000: Clear, BeginScene, one draw, EndScene, Present.
    std::vector<std::string> methods;
    for (const d3d8::Call& c : Log()) methods.push_back(c.method);
    EXPECT_EQ(methods, (std::vector<std::string>{"Clear", "BeginScene", "DrawPrimitiveUP", "EndScene", "Present"}));
    EXPECT_EQ(Log().size() + 1, nAfterThree) << "frame 3 drew twice";
    ASSERT_FALSE(Log().empty());
    EXPECT_EQ(Log().front().args.at(2), 2000u) << "the clear of the last frame";

    // The calls after the last Present stay with it until the next Present; a log cut short by its
    // owner is taken as it stands.
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 1, 1.0f, 0);
    EXPECT_EQ(Log().size(), 6u);
    Log().clear();
    dev_->BeginScene();
    dev_->EndScene();
    ASSERT_EQ(dev_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(Log().size(), 3u);
}

TEST_F(RecordTest, UpDrawsCopyTheirDataAndUnbindStreamZero) {
    CreateDevice();
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(dev_->CreateVertexBuffer(36, 0, D3DFVF_XYZ, D3DPOOL_MANAGED, &vb), D3D_OK);
    dev_->SetStreamSource(0, vb, 12);
    dev_->SetVertexShader(D3DFVF_XYZ);
    float tri[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    WORD idx[3] = {2, 1, 0};
    dev_->BeginScene();
    ASSERT_EQ(dev_->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, idx, D3DFMT_INDEX16, tri, 12), D3D_OK);
    dev_->EndScene();
    const auto* d = LastDraw();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->draw->indices, (std::vector<WORD>{2, 1, 0}));
    EXPECT_EQ(0, std::memcmp(d->draw->streams.at(0).data.data(), tri, sizeof(tri)));
    IDirect3DVertexBuffer8* bound = vb;
    UINT stride = 0;
    dev_->GetStreamSource(0, &bound, &stride);
    EXPECT_EQ(bound, nullptr);
    vb->Release();
}

TEST_F(RecordTest, VertexShaderHandlesAreNeverValidFvfsAndConstantsSurviveSwitching) {
    CreateDevice();
    DWORD a = 0, b = 0;
    ASSERT_EQ(dev_->CreateVertexShader(kOneStreamDecl, kMovShader, &a, 0), D3D_OK);
    ASSERT_EQ(dev_->CreateVertexShader(kOneStreamDecl, kMovShader, &b, 0), D3D_OK);
    EXPECT_NE(a, b);
    EXPECT_EQ(a & 1u, 1u);
    EXPECT_EQ(b & 1u, 1u);
    float c[4] = {0.5f, 1, 2, 3};
    dev_->SetVertexShaderConstant(0, c, 1);
    dev_->SetVertexShader(a);
    dev_->SetVertexShader(b);
    float back[4];
    dev_->GetVertexShaderConstant(0, back, 1);
    EXPECT_EQ(back[0], 0.5f);
    EXPECT_EQ(dev_->DeleteVertexShader(a), D3D_OK);
    EXPECT_EQ(dev_->SetVertexShader(a), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev_->DeleteVertexShader(a), D3DERR_INVALIDCALL);
    DWORD size = 0;
    ASSERT_EQ(dev_->GetVertexShaderFunction(b, nullptr, &size), D3D_OK);
    EXPECT_EQ(size, sizeof(kMovShader));
}

TEST_F(RecordTest, MalformedShadersAndDeclarationsAreRejected) {
    CreateDevice();
    const DWORD badRegDecl[] = {D3DVSD_STREAM(0), D3DVSD_REG(16, D3DVSDT_FLOAT3), D3DVSD_END()};
    const DWORD badTypeDecl[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, 9), D3DVSD_END()};
    const DWORD noStreamDecl[] = {D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_END()};
    const DWORD duplicateDecl[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_REG(0, D3DVSDT_FLOAT2),
                                   D3DVSD_END()};
    const DWORD garbageDecl[] = {0xC0000000u, D3DVSD_END()};
    const DWORD badVersion[] = {D3DVS_VERSION(2, 0), D3DVS_END()};
    const DWORD badOpcode[] = {D3DVS_VERSION(1, 1), 0x77, D3DVS_END()};
    const DWORD constPastEnd[] = {D3DVS_VERSION(1, 1), D3DSIO_MOV, d3d8::MakeDestToken(D3DSPR_RASTOUT, D3DSRO_POSITION),
                                  d3d8::MakeSrcToken(D3DSPR_CONST, 96), D3DVS_END()};
    const DWORD matrixPastEnd[] = {D3DVS_VERSION(1, 1),
                                   D3DSIO_M4x4,
                                   d3d8::MakeDestToken(D3DSPR_RASTOUT, D3DSRO_POSITION),
                                   d3d8::MakeSrcToken(D3DSPR_INPUT, 0),
                                   d3d8::MakeSrcToken(D3DSPR_CONST, 93),
                                   D3DVS_END()};
    const DWORD tempPastEnd[] = {D3DVS_VERSION(1, 1), D3DSIO_MOV, d3d8::MakeDestToken(D3DSPR_TEMP, 12),
                                 d3d8::MakeSrcToken(D3DSPR_INPUT, 0), D3DVS_END()};
    const DWORD notParam[] = {D3DVS_VERSION(1, 1), D3DSIO_MOV, 0x00000000u, d3d8::MakeSrcToken(D3DSPR_INPUT, 0),
                              D3DVS_END()};
    struct Case {
        const char* name;
        const DWORD* decl;
        const DWORD* fn;
    } cases[] = {
        {"register past v15", badRegDecl, kMovShader},
        {"unknown data type", badTypeDecl, kMovShader},
        {"data before a stream", noStreamDecl, kMovShader},
        {"register loaded twice", duplicateDecl, kMovShader},
        {"unknown token", garbageDecl, kMovShader},
        {"null declaration", nullptr, kMovShader},
        {"vs.2.0", kOneStreamDecl, badVersion},
        {"unknown opcode", kOneStreamDecl, badOpcode},
        {"c96", kOneStreamDecl, constPastEnd},
        {"m4x4 rows past c95", kOneStreamDecl, matrixPastEnd},
        {"r12", kOneStreamDecl, tempPastEnd},
        {"not a parameter", kOneStreamDecl, notParam},
    };
    for (const auto& c : cases) {
        DWORD handle = 0x1234;
        EXPECT_EQ(dev_->CreateVertexShader(c.decl, c.fn, &handle, 0), D3DERR_INVALIDCALL) << c.name;
        EXPECT_EQ(handle, 0x1234u) << c.name;
    }
}

TEST_F(RecordTest, BadResourceCallsGiveInvalidCall) {
    CreateDevice();
    IDirect3DTexture8* t = nullptr;
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    IDirect3DSurface8* s = nullptr;
    EXPECT_EQ(dev_->CreateTexture(0, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev_->CreateTexture(8, 0, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev_->CreateTexture(8, 8, 1, 0, D3DFMT_D16, D3DPOOL_MANAGED, &t), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev_->CreateTexture(1 << 20, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev_->CreateVertexBuffer(0, 0, 0, D3DPOOL_MANAGED, &vb), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev_->CreateVertexBuffer(16, 0, 0x112, D3DPOOL_MANAGED, &vb), D3DERR_INVALIDCALL);  // < one vertex
    EXPECT_EQ(dev_->CreateIndexBuffer(0, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev_->CreateIndexBuffer(8, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &ib), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev_->CreateImageSurface(0, 4, D3DFMT_A8R8G8B8, &s), D3DERR_INVALIDCALL);
    EXPECT_EQ(t, nullptr);
    EXPECT_EQ(vb, nullptr);

    ASSERT_EQ(dev_->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &vb), D3D_OK);
    BYTE* p = nullptr;
    EXPECT_EQ(vb->Lock(60, 8, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(65, 0, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(0xFFFFFFF0u, 0x20, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(64, 0, &p, 0), D3D_OK);  // an empty lock at the end
    vb->Unlock();
    EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);

    ASSERT_EQ(dev_->CreateTexture(8, 8, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
    D3DLOCKED_RECT lr;
    RECT past{0, 0, 9, 8};
    RECT empty{4, 4, 4, 8};
    EXPECT_EQ(t->LockRect(2, &lr, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(t->LockRect(0, &lr, &past, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(t->LockRect(0, &lr, &empty, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(t->LockRect(1, &lr, nullptr, 0), D3D_OK);
    EXPECT_EQ(lr.Pitch, 16);
    EXPECT_EQ(t->LockRect(1, &lr, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
    t->UnlockRect(1);
    EXPECT_EQ(t->UnlockRect(1), D3DERR_INVALIDCALL);

    EXPECT_EQ(dev_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(256), 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev_->SetTextureStageState(8, D3DTSS_COLOROP, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev_->SetTexture(8, t), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev_->SetStreamSource(16, vb, 12), D3DERR_INVALIDCALL);
    float c[8] = {};
    EXPECT_EQ(dev_->SetVertexShaderConstant(95, c, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev_->SetVertexShaderConstant(96, c, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev_->SetVertexShader(0x113), D3DERR_INVALIDCALL);  // odd and no such shader
    t->Release();
    vb->Release();
}

TEST_F(RecordTest, DrawsOutsideTheirBuffersAreRefused) {
    CreateDevice();
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    ASSERT_EQ(dev_->CreateVertexBuffer(4 * 12, 0, D3DFVF_XYZ, D3DPOOL_MANAGED, &vb), D3D_OK);
    ASSERT_EQ(dev_->CreateIndexBuffer(6 * 2, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
    BYTE* p;
    ib->Lock(0, 0, &p, 0);
    const WORD idx[6] = {0, 1, 2, 2, 1, 7};
    std::memcpy(p, idx, sizeof(idx));
    ib->Unlock();
    dev_->SetVertexShader(D3DFVF_XYZ);
    EXPECT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);  // outside a scene
    dev_->BeginScene();
    EXPECT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);  // nothing bound
    dev_->SetStreamSource(0, vb, 12);
    dev_->SetIndices(ib, 0);
    struct Case {
        const char* name;
        HRESULT expected;
        std::function<HRESULT()> draw;
    } cases[] = {
        {"fits", D3D_OK, [&] { return dev_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2); }},
        {"one vertex past", D3DERR_INVALIDCALL, [&] { return dev_->DrawPrimitive(D3DPT_TRIANGLELIST, 2, 1); }},
        {"bad type", D3DERR_INVALIDCALL, [&] { return dev_->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(9), 0, 1); }},
        {"indexed fits", D3D_OK, [&] { return dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1); }},
        {"indices past buffer", D3DERR_INVALIDCALL,
         [&] { return dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 3, 2); }},
        {"index outside range", D3DERR_INVALIDCALL,
         [&] { return dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 3, 1); }},
        {"range past vertices", D3DERR_INVALIDCALL,
         [&] { return dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 8, 3, 1); }},
        {"zero primitives", D3D_OK, [&] { return dev_->DrawPrimitive(D3DPT_TRIANGLELIST, 100, 0); }},
    };
    for (auto& c : cases) EXPECT_EQ(c.draw(), c.expected) << c.name;
    dev_->EndScene();
    vb->Release();
    ib->Release();
}

TEST_F(RecordTest, InjectedFailuresAndLossAreReported) {
    script_->inject = [](const char* call) -> HRESULT {
        if (std::strcmp(call, "CreateTexture") == 0) return D3DERR_OUTOFVIDEOMEMORY;
        if (std::strcmp(call, "Reset") == 0) return D3DERR_DEVICELOST;
        return D3D_OK;
    };
    CreateDevice();
    IDirect3DTexture8* t = nullptr;
    EXPECT_EQ(dev_->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3DERR_OUTOFVIDEOMEMORY);
    auto pp = WindowedParams();
    EXPECT_EQ(dev_->Reset(&pp), D3DERR_DEVICELOST);

    EXPECT_EQ(dev_->TestCooperativeLevel(), D3D_OK);
    d3d8::SetDeviceLost(dev_, true);
    EXPECT_EQ(dev_->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(dev_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    d3d8::SetDeviceLost(dev_, false);
    EXPECT_EQ(dev_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
}

TEST_F(RecordTest, LossEndsWithASuccessfulReset) {
    CreateDevice();
    d3d8::SetDeviceLost(dev_, true);
    d3d8::SetDeviceLost(dev_, false);
    auto pp = WindowedParams(640, 480);
    ASSERT_EQ(dev_->Reset(&pp), D3D_OK);
    EXPECT_EQ(dev_->TestCooperativeLevel(), D3D_OK);
    D3DVIEWPORT8 vp;
    dev_->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 640u);
}

TEST_F(RecordTest, CreateDeviceChecksItsArguments) {
    IDirect3DDevice8* dev = nullptr;
    auto pp = WindowedParams();
    EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, FakeWindow(), 0, &pp, &dev), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, FakeWindow(),
                                 D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, FakeWindow(),
                                 D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE, &pp, &dev),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d_->CreateDevice(1, D3DDEVTYPE_HAL, FakeWindow(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev),
              D3DERR_INVALIDCALL);
    pp.hDeviceWindow = nullptr;
    EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev),
              D3DERR_INVALIDCALL);
    auto full = WindowedParams(700, 500);
    full.Windowed = FALSE;
    EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, FakeWindow(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &full, &dev),
              D3DERR_INVALIDCALL);  // no such mode
    EXPECT_EQ(dev, nullptr);
    full = WindowedParams(640, 480);
    full.Windowed = FALSE;
    full.BackBufferFormat = D3DFMT_R5G6B5;
    ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, FakeWindow(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &full, &dev),
              D3D_OK);
    D3DDISPLAYMODE mode;
    d3d_->GetAdapterDisplayMode(0, &mode);
    EXPECT_EQ(mode.Format, D3DFMT_R5G6B5);
    EXPECT_EQ(mode.Width, 640u);
    EXPECT_EQ(dev->Release(), 0u);
    d3d_->GetAdapterDisplayMode(0, &mode);
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
}

TEST_F(RecordTest, TextureLockedOnAnotherThreadIsSafeAgainstReaders) {
    CreateDevice();
    IDirect3DTexture8* t = nullptr;
    ASSERT_EQ(dev_->CreateTexture(64, 64, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
    dev_->SetTexture(0, t);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (DWORD frame = 1; !stop; ++frame) {
            D3DLOCKED_RECT lr;
            if (t->LockRect(0, &lr, nullptr, 0) != D3D_OK) continue;
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 64; ++x) static_cast<DWORD*>(lr.pBits)[y * lr.Pitch / 4 + x] = frame;
            t->UnlockRect(0);
        }
    });
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(dev_->CreateVertexBuffer(36, 0, D3DFVF_XYZ, D3DPOOL_MANAGED, &vb), D3D_OK);
    dev_->SetStreamSource(0, vb, 12);
    dev_->SetVertexShader(D3DFVF_XYZ);
    dev_->BeginScene();
    for (int i = 0; i < 200; ++i) EXPECT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    dev_->EndScene();
    stop = true;
    writer.join();
    vb->Release();
    t->Release();
}
