// The device core: every IDirect3DDevice8 call checked and kept as data; drawing, clearing and
// presenting go to a backend that reads the state at that moment. The core knows no backend by
// name: the Direct3D object hands it the one it was made with.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "d3d8/backend.h"
#include "d3d8/resources.h"
#include "d3d8/state.h"
#include "d3d8/vshader.h"

namespace d3d8 {

class Direct3D8Impl;
class DeviceImpl;

// One draw as the core hands it over: ranges checked, pointers valid for the call.
struct DrawCall {
    D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST;
    bool indexed = false;
    UINT startVertex = 0;  // first vertex (non-indexed) or minIndex (indexed)
    UINT vertexCount = 0;  // vertices spanned
    UINT startIndex = 0;
    UINT indexCount = 0;   // indices drawn (indexed)
    UINT vertexTotal = 0;  // vertices drawn (non-indexed)
    UINT primitiveCount = 0;
    // UP draws: the program's memory instead of stream 0 and the index buffer.
    const BYTE* upVertices = nullptr;
    UINT upStride = 0;
    const void* upIndices = nullptr;
    D3DFORMAT upIndexFormat = D3DFMT_INDEX16;
};

class Backend {
public:
    virtual ~Backend() = default;
    // Sets up the back buffer for `pp` (already completed by the core).
    virtual HRESULT Create(const D3DPRESENT_PARAMETERS& pp) = 0;
    virtual HRESULT Reset(const D3DPRESENT_PARAMETERS& pp) = 0;
    virtual HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) = 0;
    virtual HRESULT Draw(const DrawCall& call) = 0;
    virtual HRESULT Present() = 0;
    virtual void ForgetTexture(const TextureImpl*) {}
    virtual void ForgetVertexBuffer(const VertexBufferImpl*) {}
    virtual void ForgetIndexBuffer(const IndexBufferImpl*) {}
    virtual void ForgetShader(const VertexShader*) {}
    virtual void SetCursorVisible(bool) {}
    virtual HRESULT SetCursorImage(UINT, UINT, SurfaceImpl*) { return D3D_OK; }
    // Reads the back buffer into `surface` (same size, X8R8G8B8 / A8R8G8B8), top row first.
    virtual HRESULT ReadBack(SurfaceImpl* /*surface*/) { return D3DERR_INVALIDCALL; }
    // Whether the output a full-screen device shows on still has the user's focus; without it the
    // device is lost until the focus returns. A backend with no real output never loses it.
    virtual bool OutputFocused() const { return true; }
    // Every call the core takes, before it acts, for a backend that keeps a trace of them.
    virtual void Trace(const char* /*method*/, std::initializer_list<DWORD> /*args*/, const void* /*object*/) {}
};

class DeviceImpl final : public win32::RefCounted<IDirect3DDevice8> {
public:
    DeviceImpl(Direct3D8Impl* d3d, UINT adapter, D3DDEVTYPE type, HWND focus, DWORD behavior);
    // Completes the parameters and starts the backend.
    HRESULT Init(D3DPRESENT_PARAMETERS* pp);

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** ppv) override;

    // IDirect3DDevice8
    HRESULT TestCooperativeLevel() override;
    UINT GetAvailableTextureMem() override;
    HRESULT ResourceManagerDiscardBytes(DWORD Bytes) override;
    HRESULT GetDirect3D(IDirect3D8** ppD3D8) override;
    HRESULT GetDeviceCaps(D3DCAPS8* pCaps) override;
    HRESULT GetDisplayMode(D3DDISPLAYMODE* pMode) override;
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) override;
    HRESULT SetCursorProperties(UINT XHotSpot, UINT YHotSpot, IDirect3DSurface8* pCursorBitmap) override;
    void SetCursorPosition(int X, int Y, DWORD Flags) override;
    BOOL ShowCursor(BOOL bShow) override;
    HRESULT CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS*, IDirect3DSwapChain8**) override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
    HRESULT Present(const RECT*, const RECT*, HWND, const RGNDATA*) override;
    HRESULT GetBackBuffer(UINT BackBuffer, D3DBACKBUFFER_TYPE Type, IDirect3DSurface8** ppBackBuffer) override;
    HRESULT GetRasterStatus(D3DRASTER_STATUS* pRasterStatus) override;
    void SetGammaRamp(DWORD Flags, const D3DGAMMARAMP* pRamp) override;
    void GetGammaRamp(D3DGAMMARAMP* pRamp) override;
    HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                          IDirect3DTexture8** ppTexture) override;
    HRESULT CreateVolumeTexture(UINT, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DVolumeTexture8**) override;
    HRESULT CreateCubeTexture(UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DCubeTexture8**) override;
    HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                               IDirect3DVertexBuffer8** ppVertexBuffer) override;
    HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DIndexBuffer8** ppIndexBuffer) override;
    HRESULT CreateRenderTarget(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, BOOL, IDirect3DSurface8**) override;
    HRESULT CreateDepthStencilSurface(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, IDirect3DSurface8**) override;
    HRESULT CreateImageSurface(UINT Width, UINT Height, D3DFORMAT Format, IDirect3DSurface8** ppSurface) override;
    HRESULT CopyRects(IDirect3DSurface8* pSourceSurface, const RECT* pSourceRectsArray, UINT cRects,
                      IDirect3DSurface8* pDestinationSurface, const POINT* pDestPointsArray) override;
    HRESULT UpdateTexture(IDirect3DBaseTexture8* pSourceTexture, IDirect3DBaseTexture8* pDestinationTexture) override;
    HRESULT GetFrontBuffer(IDirect3DSurface8* pDestSurface) override;
    HRESULT SetRenderTarget(IDirect3DSurface8* pRenderTarget, IDirect3DSurface8* pNewZStencil) override;
    HRESULT GetRenderTarget(IDirect3DSurface8** ppRenderTarget) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface8** ppZStencilSurface) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
    HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
    HRESULT SetViewport(const D3DVIEWPORT8* pViewport) override;
    HRESULT GetViewport(D3DVIEWPORT8* pViewport) override;
    HRESULT SetMaterial(const D3DMATERIAL8* pMaterial) override;
    HRESULT GetMaterial(D3DMATERIAL8* pMaterial) override;
    HRESULT SetLight(DWORD Index, const D3DLIGHT8* pLight) override;
    HRESULT GetLight(DWORD Index, D3DLIGHT8* pLight) override;
    HRESULT LightEnable(DWORD Index, BOOL Enable) override;
    HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) override;
    HRESULT SetClipPlane(DWORD Index, const float* pPlane) override;
    HRESULT GetClipPlane(DWORD Index, float* pPlane) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
    HRESULT BeginStateBlock() override;
    HRESULT EndStateBlock(DWORD* pToken) override;
    HRESULT ApplyStateBlock(DWORD Token) override;
    HRESULT CaptureStateBlock(DWORD Token) override;
    HRESULT DeleteStateBlock(DWORD Token) override;
    HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE Type, DWORD* pToken) override;
    HRESULT SetClipStatus(const D3DCLIPSTATUS8* pClipStatus) override;
    HRESULT GetClipStatus(D3DCLIPSTATUS8* pClipStatus) override;
    HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) override;
    HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) override;
    HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) override;
    HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
    HRESULT ValidateDevice(DWORD* pNumPasses) override;
    HRESULT GetInfo(DWORD, void*, DWORD) override;
    HRESULT SetPaletteEntries(UINT, const PALETTEENTRY*) override;
    HRESULT GetPaletteEntries(UINT, PALETTEENTRY*) override;
    HRESULT SetCurrentTexturePalette(UINT) override;
    HRESULT GetCurrentTexturePalette(UINT*) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT minIndex, UINT NumVertices, UINT startIndex,
                                 UINT primCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount, const void* pVertexStreamZeroData,
                            UINT VertexStreamZeroStride) override;
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex, UINT NumVertexIndices,
                                   UINT PrimitiveCount, const void* pIndexData, D3DFORMAT IndexDataFormat,
                                   const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) override;
    HRESULT ProcessVertices(UINT, UINT, UINT, IDirect3DVertexBuffer8*, DWORD) override;
    HRESULT CreateVertexShader(const DWORD* pDeclaration, const DWORD* pFunction, DWORD* pHandle, DWORD Usage) override;
    HRESULT SetVertexShader(DWORD Handle) override;
    HRESULT GetVertexShader(DWORD* pHandle) override;
    HRESULT DeleteVertexShader(DWORD Handle) override;
    HRESULT SetVertexShaderConstant(DWORD Register, const void* pConstantData, DWORD ConstantCount) override;
    HRESULT GetVertexShaderConstant(DWORD Register, void* pConstantData, DWORD ConstantCount) override;
    HRESULT GetVertexShaderDeclaration(DWORD Handle, void* pData, DWORD* pSizeOfData) override;
    HRESULT GetVertexShaderFunction(DWORD Handle, void* pData, DWORD* pSizeOfData) override;
    HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData, UINT Stride) override;
    HRESULT GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8** ppStreamData, UINT* pStride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) override;
    HRESULT GetIndices(IDirect3DIndexBuffer8** ppIndexData, UINT* pBaseVertexIndex) override;
    HRESULT CreatePixelShader(const DWORD*, DWORD*) override;
    HRESULT SetPixelShader(DWORD Handle) override;
    HRESULT GetPixelShader(DWORD* pHandle) override;
    HRESULT DeletePixelShader(DWORD) override;
    HRESULT SetPixelShaderConstant(DWORD, const void*, DWORD) override;
    HRESULT GetPixelShaderConstant(DWORD, void*, DWORD) override;
    HRESULT GetPixelShaderFunction(DWORD, void*, DWORD*) override;
    HRESULT DrawRectPatch(UINT, const float*, const D3DRECTPATCH_INFO*) override;
    HRESULT DrawTriPatch(UINT, const float*, const D3DTRIPATCH_INFO*) override;
    HRESULT DeletePatch(UINT) override;

    // For resources and backends.
    const DeviceState& State() const { return state_; }
    const D3DPRESENT_PARAMETERS& PresentParams() const { return params_; }
    HWND Window() const { return params_.hDeviceWindow ? params_.hDeviceWindow : focus_; }
    const D3DCAPS8& Caps() const { return caps_; }
    Backend& GetBackend() { return *backend_; }
    Direct3D8Impl* D3D() const { return d3d_; }
    void ResourceCreated(D3DPOOL pool);
    void ResourceReleased(D3DPOOL pool);  // public count reached zero
    int LiveDefaultPoolResources() const { return liveDefault_; }
    void SetLost(bool lost);
    HRESULT Inject(const char* call) const;
    void LogCall(const char* method, std::initializer_list<DWORD> args, const void* object = nullptr);

private:
    ~DeviceImpl();
    HRESULT CompleteParams(D3DPRESENT_PARAMETERS& pp) const;
    HRESULT CheckDrawState(const DrawCall& call) const;
    HRESULT Draw(DrawCall& call);
    DeviceState& Target() { return recording_ ? recording_->values : state_; }
    StateMask* RecordMask() { return recording_ ? &recording_->mask : nullptr; }
    void ResetState();

    Direct3D8Impl* d3d_;
    UINT adapter_;
    D3DDEVTYPE type_;
    HWND focus_;
    DWORD behavior_;
    D3DPRESENT_PARAMETERS params_{};
    D3DCAPS8 caps_{};
    std::unique_ptr<Backend> backend_;
    DeviceState state_;
    std::unique_ptr<StateBlock> recording_;
    std::map<DWORD, std::unique_ptr<StateBlock>> stateBlocks_;
    DWORD nextStateBlock_ = 1;
    std::map<DWORD, std::shared_ptr<VertexShader>> shaders_;
    DWORD nextShader_ = 1;
    SurfaceImpl* backBuffer_ = nullptr;
    SurfaceImpl* depthSurface_ = nullptr;
    bool inScene_ = false;
    bool cursorVisible_ = false;
    int liveDefault_ = 0;
    enum class Loss { None, Lost, NotReset } loss_ = Loss::None;
    bool lostByFocus_ = false;
    D3DGAMMARAMP gamma_{};
    D3DCLIPSTATUS8 clipStatus_{};
};

}  // namespace d3d8
