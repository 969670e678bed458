// Device life cycle, parameters, resources and presentation.
#include "d3d8/device.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "d3d8/direct3d.h"
#include "d3d8/formats.h"
#include "win32/glwindow.h"

namespace d3d8 {

DeviceImpl::DeviceImpl(Direct3D8Impl* d3d, UINT adapter, D3DDEVTYPE type, HWND focus, DWORD behavior)
    : d3d_(d3d), adapter_(adapter), type_(type), focus_(focus), behavior_(behavior) {
    d3d_->AddRef();
    d3d_->GetDeviceCaps(adapter, type, &caps_);
}

DeviceImpl::~DeviceImpl() {
    // Bindings first: dropping them may end resources, which tell the backend.
    recording_.reset();
    stateBlocks_.clear();
    state_.SetDefaults(0, 0, false);
    if (backend_)
        for (auto& [handle, shader] : shaders_) backend_->ForgetShader(shader.get());
    shaders_.clear();
    if (backBuffer_) backBuffer_->BindRelease();
    if (depthSurface_) depthSurface_->BindRelease();
    backend_.reset();
    if (!params_.Windowed) d3d_->SetFullscreenMode(adapter_, nullptr);
    d3d_->Release();
}

HRESULT DeviceImpl::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DDevice8) {
        *ppv = static_cast<IDirect3DDevice8*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

HRESULT DeviceImpl::Inject(const char* call) const {
    const RecordScenario* scenario = d3d_->Scenario();
    if (scenario && scenario->inject) return scenario->inject(call);
    return D3D_OK;
}

void DeviceImpl::LogCall(const char* method, std::initializer_list<DWORD> args, const void* object) {
    if (backend_) backend_->Trace(method, args, object);
}

void DeviceImpl::ResourceCreated(D3DPOOL pool) {
    if (pool == D3DPOOL_DEFAULT) ++liveDefault_;
}

void DeviceImpl::ResourceReleased(D3DPOOL pool) {
    if (pool == D3DPOOL_DEFAULT) --liveDefault_;
}

void DeviceImpl::SetLost(bool lost) {
    if (lost)
        loss_ = Loss::Lost;
    else if (loss_ == Loss::Lost)
        loss_ = Loss::NotReset;
    lostByFocus_ = false;
}

HRESULT DeviceImpl::CompleteParams(D3DPRESENT_PARAMETERS& pp) const {
    if (pp.BackBufferCount > 3) return D3DERR_INVALIDCALL;
    if (pp.BackBufferCount == 0) pp.BackBufferCount = 1;
    if (pp.SwapEffect < D3DSWAPEFFECT_DISCARD || pp.SwapEffect > D3DSWAPEFFECT_COPY_VSYNC) return D3DERR_INVALIDCALL;
    if (pp.MultiSampleType != D3DMULTISAMPLE_NONE && pp.SwapEffect != D3DSWAPEFFECT_DISCARD) return D3DERR_INVALIDCALL;
    if (pp.MultiSampleType != D3DMULTISAMPLE_NONE &&
        FAILED(d3d_->CheckDeviceMultiSampleType(adapter_, type_, pp.BackBufferFormat, pp.Windowed, pp.MultiSampleType)))
        return D3DERR_INVALIDCALL;
    if (pp.EnableAutoDepthStencil && !IsDepthFormat(pp.AutoDepthStencilFormat)) return D3DERR_INVALIDCALL;
    if (pp.EnableAutoDepthStencil &&
        FAILED(d3d_->CheckDeviceFormat(adapter_, type_, d3d_->Adapter(adapter_).desktop.Format, D3DUSAGE_DEPTHSTENCIL,
                                       D3DRTYPE_SURFACE, pp.AutoDepthStencilFormat)))
        return D3DERR_NOTAVAILABLE;
    HWND window = pp.hDeviceWindow ? pp.hDeviceWindow : focus_;
    if (!window) return D3DERR_INVALIDCALL;
    const AdapterInfo& adapter = d3d_->Adapter(adapter_);
    if (pp.Windowed) {
        if (pp.BackBufferFormat == D3DFMT_UNKNOWN) pp.BackBufferFormat = adapter.desktop.Format;
        if (pp.BackBufferWidth == 0 || pp.BackBufferHeight == 0) {
            int w = 0, h = 0;
            if (SDL_Window* sdl = win32::GlSdlWindow(window)) SDL_GetWindowSize(sdl, &w, &h);
            if (w <= 0 || h <= 0) w = 640, h = 480;
            if (pp.BackBufferWidth == 0) pp.BackBufferWidth = static_cast<UINT>(w);
            if (pp.BackBufferHeight == 0) pp.BackBufferHeight = static_cast<UINT>(h);
        }
        if (FAILED(d3d_->CheckDeviceType(adapter_, type_, adapter.desktop.Format, pp.BackBufferFormat, TRUE)))
            return D3DERR_INVALIDCALL;
    } else {
        if (pp.BackBufferWidth == 0 || pp.BackBufferHeight == 0) return D3DERR_INVALIDCALL;
        D3DFORMAT display = pp.BackBufferFormat == D3DFMT_A8R8G8B8   ? D3DFMT_X8R8G8B8
                            : pp.BackBufferFormat == D3DFMT_A1R5G5B5 ? D3DFMT_X1R5G5B5
                                                                     : pp.BackBufferFormat;
        bool listed = std::any_of(adapter.modes.begin(), adapter.modes.end(), [&](const D3DDISPLAYMODE& m) {
            return m.Width == pp.BackBufferWidth && m.Height == pp.BackBufferHeight && m.Format == display;
        });
        if (!listed) return D3DERR_INVALIDCALL;
        if (FAILED(d3d_->CheckDeviceType(adapter_, type_, display, pp.BackBufferFormat, FALSE)))
            return D3DERR_INVALIDCALL;
    }
    if (pp.BackBufferWidth > 16384 || pp.BackBufferHeight > 16384) return D3DERR_INVALIDCALL;
    return D3D_OK;
}

HRESULT DeviceImpl::Init(D3DPRESENT_PARAMETERS* pp) {
    D3DPRESENT_PARAMETERS p = *pp;
    HRESULT hr = CompleteParams(p);
    if (FAILED(hr)) return hr;
    params_ = p;
    if (!params_.hDeviceWindow) params_.hDeviceWindow = focus_;
    backend_ = d3d_->Profile().make(*this);
    backBuffer_ =
        new SurfaceImpl(this, SurfaceImpl::Owner::Device, nullptr, 0, params_.BackBufferWidth, params_.BackBufferHeight,
                        params_.BackBufferFormat, D3DPOOL_DEFAULT, D3DUSAGE_RENDERTARGET);
    backBuffer_->BindAdd();
    backBuffer_->PublicRelease();
    if (params_.EnableAutoDepthStencil) {
        depthSurface_ = new SurfaceImpl(this, SurfaceImpl::Owner::Device, nullptr, 0, params_.BackBufferWidth,
                                        params_.BackBufferHeight, params_.AutoDepthStencilFormat, D3DPOOL_DEFAULT,
                                        D3DUSAGE_DEPTHSTENCIL);
        depthSurface_->BindAdd();
        depthSurface_->PublicRelease();
    }
    state_.SetDefaults(params_.BackBufferWidth, params_.BackBufferHeight, params_.EnableAutoDepthStencil);
    hr = backend_->Create(params_);
    if (FAILED(hr)) return hr;
    if (!params_.Windowed) {
        D3DDISPLAYMODE mode{params_.BackBufferWidth, params_.BackBufferHeight, 60, params_.BackBufferFormat};
        d3d_->SetFullscreenMode(adapter_, &mode);
    }
    *pp = params_;
    LogCall("CreateDevice", {adapter_, type_, behavior_, params_.BackBufferWidth, params_.BackBufferHeight,
                             params_.BackBufferFormat, static_cast<DWORD>(params_.Windowed)});
    return D3D_OK;
}

HRESULT DeviceImpl::TestCooperativeLevel() {
    HRESULT hr = Inject("TestCooperativeLevel");
    if (FAILED(hr)) return hr;
    if (!params_.Windowed) {
        const bool focused = backend_->OutputFocused();
        if (!focused && loss_ == Loss::None) {
            loss_ = Loss::Lost;
            lostByFocus_ = true;
        } else if (focused && loss_ == Loss::Lost && lostByFocus_) {
            loss_ = Loss::NotReset;
        }
    }
    switch (loss_) {
        case Loss::Lost: return D3DERR_DEVICELOST;
        case Loss::NotReset: return D3DERR_DEVICENOTRESET;
        default: return D3D_OK;
    }
}

UINT DeviceImpl::GetAvailableTextureMem() { return 256u * 1024u * 1024u; }
HRESULT DeviceImpl::ResourceManagerDiscardBytes(DWORD) { return D3D_OK; }

HRESULT DeviceImpl::GetDirect3D(IDirect3D8** out) {
    if (!out) return D3DERR_INVALIDCALL;
    d3d_->AddRef();
    *out = d3d_;
    return D3D_OK;
}

HRESULT DeviceImpl::GetDeviceCaps(D3DCAPS8* caps) {
    if (!caps) return D3DERR_INVALIDCALL;
    *caps = caps_;
    return D3D_OK;
}

HRESULT DeviceImpl::GetDisplayMode(D3DDISPLAYMODE* mode) { return d3d_->GetAdapterDisplayMode(adapter_, mode); }

HRESULT DeviceImpl::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* p) {
    if (!p) return D3DERR_INVALIDCALL;
    *p = {adapter_, type_, focus_, behavior_};
    return D3D_OK;
}

HRESULT DeviceImpl::SetCursorProperties(UINT x, UINT y, IDirect3DSurface8* bitmap) {
    auto* s = dynamic_cast<SurfaceImpl*>(bitmap);
    if (!s || s->Format() != D3DFMT_A8R8G8B8 || x >= s->Width() || y >= s->Height()) return D3DERR_INVALIDCALL;
    LogCall("SetCursorProperties", {x, y}, bitmap);
    return backend_->SetCursorImage(x, y, s);
}

void DeviceImpl::SetCursorPosition(int x, int y, DWORD flags) {
    // The device's cursor image is the system's, drawn where the pointer is; the pointer is the
    // user's. Moving it here would turn every pointer motion into another one (the window procedure
    // passes each WM_MOUSEMOVE's position on), so the position is only recorded.
    LogCall("SetCursorPosition", {static_cast<DWORD>(x), static_cast<DWORD>(y), flags});
}

BOOL DeviceImpl::ShowCursor(BOOL show) {
    BOOL previous = cursorVisible_ ? TRUE : FALSE;
    cursorVisible_ = show != FALSE;
    LogCall("ShowCursor", {static_cast<DWORD>(show)});
    backend_->SetCursorVisible(cursorVisible_);
    return previous;
}

HRESULT DeviceImpl::CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS*, IDirect3DSwapChain8** out) {
    if (out) *out = nullptr;
    return D3DERR_NOTAVAILABLE;
}

void DeviceImpl::ResetState() {
    recording_.reset();
    state_.SetDefaults(params_.BackBufferWidth, params_.BackBufferHeight, params_.EnableAutoDepthStencil);
}

HRESULT DeviceImpl::Reset(D3DPRESENT_PARAMETERS* pp) {
    if (!pp) return D3DERR_INVALIDCALL;
    HRESULT hr = Inject("Reset");
    if (FAILED(hr)) {
        LogCall("Reset", {static_cast<DWORD>(hr)});
        return hr;
    }
    if (liveDefault_ > 0) {
        LogCall("Reset", {static_cast<DWORD>(D3DERR_INVALIDCALL)});
        return D3DERR_INVALIDCALL;
    }
    D3DPRESENT_PARAMETERS p = *pp;
    if (!p.hDeviceWindow) p.hDeviceWindow = params_.hDeviceWindow;
    hr = CompleteParams(p);
    if (FAILED(hr)) return hr;
    bool wasFullscreen = !params_.Windowed;
    params_ = p;
    backBuffer_->Resize(p.BackBufferWidth, p.BackBufferHeight, p.BackBufferFormat);
    if (depthSurface_ && !p.EnableAutoDepthStencil) {
        depthSurface_->BindRelease();
        depthSurface_ = nullptr;
    }
    if (p.EnableAutoDepthStencil) {
        if (!depthSurface_) {
            depthSurface_ =
                new SurfaceImpl(this, SurfaceImpl::Owner::Device, nullptr, 0, p.BackBufferWidth, p.BackBufferHeight,
                                p.AutoDepthStencilFormat, D3DPOOL_DEFAULT, D3DUSAGE_DEPTHSTENCIL);
            depthSurface_->BindAdd();
            depthSurface_->PublicRelease();
        } else {
            depthSurface_->Resize(p.BackBufferWidth, p.BackBufferHeight, p.AutoDepthStencilFormat);
        }
    }
    ResetState();
    inScene_ = false;
    hr = backend_->Reset(params_);
    if (FAILED(hr)) {
        loss_ = Loss::NotReset;
        return hr;
    }
    if (!params_.Windowed) {
        D3DDISPLAYMODE mode{params_.BackBufferWidth, params_.BackBufferHeight, 60, params_.BackBufferFormat};
        d3d_->SetFullscreenMode(adapter_, &mode);
    } else if (wasFullscreen) {
        d3d_->SetFullscreenMode(adapter_, nullptr);
    }
    loss_ = Loss::None;
    lostByFocus_ = false;
    *pp = params_;
    LogCall("Reset", {D3D_OK, params_.BackBufferWidth, params_.BackBufferHeight, params_.BackBufferFormat,
                      static_cast<DWORD>(params_.Windowed)});
    return D3D_OK;
}

HRESULT DeviceImpl::Present(const RECT*, const RECT*, HWND, const RGNDATA*) {
    LogCall("Present", {});
    if (loss_ != Loss::None) return D3DERR_DEVICELOST;
    if (inScene_) return D3DERR_INVALIDCALL;
    return backend_->Present();
}

HRESULT DeviceImpl::GetBackBuffer(UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface8** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (index >= params_.BackBufferCount || type != D3DBACKBUFFER_TYPE_MONO) return D3DERR_INVALIDCALL;
    backBuffer_->AddRef();
    *out = backBuffer_;
    return D3D_OK;
}

HRESULT DeviceImpl::GetRasterStatus(D3DRASTER_STATUS* status) {
    if (!status) return D3DERR_INVALIDCALL;
    status->InVBlank = TRUE;
    status->ScanLine = 0;
    return D3D_OK;
}

void DeviceImpl::SetGammaRamp(DWORD, const D3DGAMMARAMP* ramp) {
    if (ramp) gamma_ = *ramp;
}

void DeviceImpl::GetGammaRamp(D3DGAMMARAMP* ramp) {
    if (ramp) *ramp = gamma_;
}

HRESULT DeviceImpl::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DTexture8** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (width == 0 || height == 0 || width > caps_.MaxTextureWidth || height > caps_.MaxTextureHeight)
        return D3DERR_INVALIDCALL;
    if (!IsTextureFormat(format) && !IsCompressedFormat(format)) return D3DERR_INVALIDCALL;
    if (pool > D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
    if (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) return D3DERR_NOTAVAILABLE;
    HRESULT hr = Inject("CreateTexture");
    if (FAILED(hr)) return hr;
    UINT full = 1;
    for (UINT w = width, h = height; w > 1 || h > 1; w = std::max(1u, w / 2), h = std::max(1u, h / 2)) ++full;
    if (levels == 0 || levels > full) levels = full;
    // Storage that cannot be had is reported as Direct3D does, never thrown at the program.
    TextureImpl* t = nullptr;
    try {
        t = new TextureImpl(this, width, height, levels, usage, format, pool);
        LogCall("CreateTexture", {width, height, levels, usage, format, pool}, static_cast<IDirect3DBaseTexture8*>(t));
    } catch (const std::bad_alloc&) {
        if (t) t->Release();
        return E_OUTOFMEMORY;
    }
    *out = t;
    return D3D_OK;
}

HRESULT DeviceImpl::CreateVolumeTexture(UINT, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                                        IDirect3DVolumeTexture8** out) {
    if (out) *out = nullptr;
    return D3DERR_NOTAVAILABLE;
}

HRESULT DeviceImpl::CreateCubeTexture(UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DCubeTexture8** out) {
    if (out) *out = nullptr;
    return D3DERR_NOTAVAILABLE;
}

HRESULT DeviceImpl::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       IDirect3DVertexBuffer8** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (length == 0 || pool > D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
    if (fvf != 0 && (!IsValidFvf(fvf) || length < FvfStride(fvf))) return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
    HRESULT hr = Inject("CreateVertexBuffer");
    if (FAILED(hr)) return hr;
    VertexBufferImpl* b = nullptr;
    try {
        b = new VertexBufferImpl(this, D3DRTYPE_VERTEXBUFFER, length, usage, fvf, pool);
        LogCall("CreateVertexBuffer", {length, usage, fvf, pool}, static_cast<IDirect3DVertexBuffer8*>(b));
    } catch (const std::bad_alloc&) {
        if (b) b->Release();
        return E_OUTOFMEMORY;
    }
    *out = b;
    return D3D_OK;
}

HRESULT DeviceImpl::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DIndexBuffer8** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (length == 0 || pool > D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
    if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
    HRESULT hr = Inject("CreateIndexBuffer");
    if (FAILED(hr)) return hr;
    IndexBufferImpl* b = nullptr;
    try {
        b = new IndexBufferImpl(this, D3DRTYPE_INDEXBUFFER, length, usage, format, pool);
        LogCall("CreateIndexBuffer", {length, usage, format, pool}, static_cast<IDirect3DIndexBuffer8*>(b));
    } catch (const std::bad_alloc&) {
        if (b) b->Release();
        return E_OUTOFMEMORY;
    }
    *out = b;
    return D3D_OK;
}

HRESULT DeviceImpl::CreateRenderTarget(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, BOOL, IDirect3DSurface8** out) {
    if (out) *out = nullptr;
    return D3DERR_NOTAVAILABLE;
}

HRESULT DeviceImpl::CreateDepthStencilSurface(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, IDirect3DSurface8** out) {
    if (out) *out = nullptr;
    return D3DERR_NOTAVAILABLE;
}

HRESULT DeviceImpl::CreateImageSurface(UINT width, UINT height, D3DFORMAT format, IDirect3DSurface8** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (width == 0 || height == 0 || width > 16384 || height > 16384) return D3DERR_INVALIDCALL;
    if (!IsTextureFormat(format) && !IsCompressedFormat(format)) return D3DERR_INVALIDCALL;
    HRESULT hr = Inject("CreateImageSurface");
    if (FAILED(hr)) return hr;
    SurfaceImpl* s = nullptr;
    try {
        s = new SurfaceImpl(this, SurfaceImpl::Owner::Self, nullptr, 0, width, height, format, D3DPOOL_SYSTEMMEM, 0);
        LogCall("CreateImageSurface", {width, height, format}, static_cast<IDirect3DSurface8*>(s));
    } catch (const std::bad_alloc&) {
        if (s) s->Release();
        return E_OUTOFMEMORY;
    }
    *out = s;
    return D3D_OK;
}

namespace {

// Pixels of a surface, wherever they live, for CPU copies. Nullptr when not addressable.
struct SurfaceBits {
    BYTE* bits = nullptr;
    UINT pitch = 0, width = 0, height = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
};

bool Bits(IDirect3DSurface8* s, SurfaceBits& out, D3DLOCKED_RECT& locked) {
    D3DSURFACE_DESC d;
    if (FAILED(s->GetDesc(&d)) || FAILED(s->LockRect(&locked, nullptr, 0))) return false;
    out = {static_cast<BYTE*>(locked.pBits), static_cast<UINT>(locked.Pitch), d.Width, d.Height, d.Format};
    return true;
}

}  // namespace

HRESULT DeviceImpl::CopyRects(IDirect3DSurface8* src, const RECT* rects, UINT count, IDirect3DSurface8* dst,
                              const POINT* points) {
    auto* s = dynamic_cast<SurfaceImpl*>(src);
    auto* d = dynamic_cast<SurfaceImpl*>(dst);
    if (!s || !d || s == d) return D3DERR_INVALIDCALL;
    if (s == backBuffer_) {
        // Reading the back buffer: only whole copies into a surface of the same size.
        if (count != 0 || d->Width() != s->Width() || d->Height() != s->Height()) return D3DERR_INVALIDCALL;
        return backend_->ReadBack(d);
    }
    if (s->Format() != d->Format() || IsCompressedFormat(s->Format())) return D3DERR_INVALIDCALL;
    SurfaceBits sb, db;
    D3DLOCKED_RECT sl, dl;
    if (!Bits(src, sb, sl)) return D3DERR_INVALIDCALL;
    if (!Bits(dst, db, dl)) {
        src->UnlockRect();
        return D3DERR_INVALIDCALL;
    }
    UINT bpp = BytesPerPixel(sb.format);
    RECT whole{0, 0, static_cast<LONG>(sb.width), static_cast<LONG>(sb.height)};
    HRESULT hr = D3D_OK;
    UINT n = count ? count : 1;
    for (UINT i = 0; i < n; ++i) {
        RECT r = rects ? rects[i] : whole;
        POINT p = points ? points[i] : POINT{r.left, r.top};
        if (r.left < 0 || r.top < 0 || r.right <= r.left || r.bottom <= r.top ||
            static_cast<UINT>(r.right) > sb.width || static_cast<UINT>(r.bottom) > sb.height || p.x < 0 || p.y < 0 ||
            static_cast<UINT>(p.x + (r.right - r.left)) > db.width ||
            static_cast<UINT>(p.y + (r.bottom - r.top)) > db.height) {
            hr = D3DERR_INVALIDCALL;
            break;
        }
        for (LONG y = r.top; y < r.bottom; ++y)
            std::memcpy(db.bits + (p.y + y - r.top) * db.pitch + p.x * bpp, sb.bits + y * sb.pitch + r.left * bpp,
                        (r.right - r.left) * bpp);
    }
    src->UnlockRect();
    dst->UnlockRect();
    return hr;
}

HRESULT DeviceImpl::UpdateTexture(IDirect3DBaseTexture8* src, IDirect3DBaseTexture8* dst) {
    auto* s = dynamic_cast<TextureImpl*>(src);
    auto* d = dynamic_cast<TextureImpl*>(dst);
    if (!s || !d || s->Pool() != D3DPOOL_SYSTEMMEM || d->Pool() != D3DPOOL_DEFAULT || s->Format() != d->Format() ||
        s->Width() != d->Width() || s->Height() != d->Height() || s->GetLevelCount() < d->GetLevelCount())
        return D3DERR_INVALIDCALL;
    auto sg = s->Guard();
    auto dg = d->Guard();
    for (DWORD i = 0; i < d->GetLevelCount(); ++i) d->MutableLevels()[i].data = s->Levels()[i].data;
    d->Touch();
    return D3D_OK;
}

HRESULT DeviceImpl::GetFrontBuffer(IDirect3DSurface8* dst) {
    auto* d = dynamic_cast<SurfaceImpl*>(dst);
    if (!d || d->Format() != D3DFMT_A8R8G8B8 || d->Width() != params_.BackBufferWidth ||
        d->Height() != params_.BackBufferHeight)
        return D3DERR_INVALIDCALL;
    return backend_->ReadBack(d);
}

HRESULT DeviceImpl::SetRenderTarget(IDirect3DSurface8* target, IDirect3DSurface8* depth) {
    if (target && target != backBuffer_) return D3DERR_NOTAVAILABLE;
    if (depth && depth != depthSurface_) return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT DeviceImpl::GetRenderTarget(IDirect3DSurface8** out) {
    if (!out) return D3DERR_INVALIDCALL;
    backBuffer_->AddRef();
    *out = backBuffer_;
    return D3D_OK;
}

HRESULT DeviceImpl::GetDepthStencilSurface(IDirect3DSurface8** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (!depthSurface_) return D3DERR_NOTFOUND;
    depthSurface_->AddRef();
    *out = depthSurface_;
    return D3D_OK;
}

HRESULT DeviceImpl::BeginScene() {
    LogCall("BeginScene", {});
    if (inScene_) return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

HRESULT DeviceImpl::EndScene() {
    LogCall("EndScene", {});
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    return D3D_OK;
}

HRESULT DeviceImpl::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
    LogCall("Clear", {count, flags, color, FloatBits(z), stencil});
    if (count > 0 && !rects) return D3DERR_INVALIDCALL;
    if (flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_ZBUFFER) && !depthSurface_) return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_STENCIL) && (!depthSurface_ || (depthSurface_->Format() != D3DFMT_D24S8)))
        return D3DERR_INVALIDCALL;
    return backend_->Clear(count, rects, flags, color, z, stencil);
}

void SetDeviceLost(IDirect3DDevice8* device, bool lost) {
    if (auto* d = dynamic_cast<DeviceImpl*>(device)) d->SetLost(lost);
}

}  // namespace d3d8
