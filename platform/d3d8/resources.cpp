#include "d3d8/resources.h"

#include <algorithm>

#include "d3d8/device.h"
#include "d3d8/formats.h"

namespace d3d8 {

// ---- ResourceBase ----

template <class Iface>
ResourceBase<Iface>::ResourceBase(DeviceImpl* device, D3DRESOURCETYPE type, D3DPOOL pool, DWORD usage)
    : device_(device), type_(type), pool_(pool), usage_(usage) {
    device_->AddRef();
    device_->ResourceCreated(pool_);
    counted_ = true;
}

template <class Iface> ResourceBase<Iface>::~ResourceBase() {
    // Only a derived constructor that threw ends a resource without its last public Release.
    if (counted_) {
        device_->ResourceReleased(pool_);
        device_->Release();
    }
}

template <class Iface> void ResourceBase<Iface>::OnPublicZero() {
    private_.Clear();
    counted_ = false;
    DeviceImpl* device = device_;
    device->ResourceReleased(pool_);
    if (BoundCount() == 0) delete this;
    device->Release();  // may end the device, and with it the bindings that keep this object
}

template <class Iface> HRESULT ResourceBase<Iface>::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DResource8 || IsInterface(riid)) {
        *ppv = static_cast<Iface*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

template <class Iface> HRESULT ResourceBase<Iface>::GetDevice(IDirect3DDevice8** ppDevice) {
    if (!ppDevice) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *ppDevice = device_;
    return D3D_OK;
}

template class ResourceBase<IDirect3DTexture8>;
template class ResourceBase<IDirect3DVertexBuffer8>;
template class ResourceBase<IDirect3DIndexBuffer8>;

// ---- SurfaceImpl ----

SurfaceImpl::SurfaceImpl(DeviceImpl* device, Owner owner, TextureImpl* texture, UINT level, UINT width, UINT height,
                         D3DFORMAT format, D3DPOOL pool, DWORD usage)
    : device_(device), owner_(owner), texture_(texture), level_(level), width_(width), height_(height), format_(format),
      pool_(pool), usage_(usage) {
    if (owner_ == Owner::Self) pixels_.assign(LevelSize(format, width, height), 0);
    if (owner_ == Owner::Self) {
        device_->AddRef();
        device_->ResourceCreated(pool_);
    }
}

SurfaceImpl::~SurfaceImpl() = default;

void SurfaceImpl::Resize(UINT width, UINT height, D3DFORMAT format) {
    width_ = width;
    height_ = height;
    format_ = format;
    if (owner_ == Owner::Self)
        pixels_.assign(LevelSize(format, width, height), 0);
    else
        pixels_ = {};
}

std::vector<BYTE>& SurfaceImpl::Pixels() {
    if (owner_ == Owner::Device && pixels_.empty()) pixels_.assign(LevelSize(format_, width_, height_), 0);
    return pixels_;
}

HRESULT SurfaceImpl::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DSurface8) {
        *ppv = static_cast<IDirect3DSurface8*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG SurfaceImpl::AddRef() {
    switch (owner_) {
        case Owner::Texture: return texture_->AddRef();
        case Owner::Device: return device_->AddRef();
        default: return PublicAddRef();
    }
}

ULONG SurfaceImpl::Release() {
    switch (owner_) {
        case Owner::Texture: return texture_->Release();
        case Owner::Device: return device_->Release();
        default: return PublicRelease();
    }
}

void SurfaceImpl::OnPublicZero() {
    if (owner_ != Owner::Self) {
        if (BoundCount() == 0) delete this;
        return;
    }
    DeviceImpl* device = device_;
    device->ResourceReleased(pool_);
    if (BoundCount() == 0) delete this;
    device->Release();
}

HRESULT SurfaceImpl::GetDevice(IDirect3DDevice8** ppDevice) {
    if (!ppDevice) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *ppDevice = device_;
    return D3D_OK;
}

HRESULT SurfaceImpl::GetContainer(REFIID riid, void** ppContainer) {
    if (!ppContainer) return D3DERR_INVALIDCALL;
    if (owner_ == Owner::Texture) return texture_->QueryInterface(riid, ppContainer);
    return device_->QueryInterface(riid, ppContainer);
}

HRESULT SurfaceImpl::GetDesc(D3DSURFACE_DESC* d) {
    if (!d) return D3DERR_INVALIDCALL;
    d->Format = format_;
    d->Type = D3DRTYPE_SURFACE;
    d->Usage = usage_;
    d->Pool = pool_;
    d->Size = LevelSize(format_, width_, height_);
    d->MultiSampleType = D3DMULTISAMPLE_NONE;
    d->Width = width_;
    d->Height = height_;
    return D3D_OK;
}

HRESULT SurfaceImpl::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    if (owner_ == Owner::Texture) return texture_->LockRect(level_, locked, rect, flags);
    if (!locked || locked_) return D3DERR_INVALIDCALL;
    // The back buffer and depth buffer are not lockable here; image surfaces are.
    if (owner_ == Owner::Device || IsDepthFormat(format_)) return D3DERR_INVALIDCALL;
    UINT pitch = RowPitch(format_, width_);
    UINT bpp = BytesPerPixel(format_);
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->right <= rect->left || rect->bottom <= rect->top ||
            static_cast<UINT>(rect->right) > width_ || static_cast<UINT>(rect->bottom) > height_ || bpp == 0)
            return D3DERR_INVALIDCALL;
        locked->pBits = pixels_.data() + rect->top * pitch + rect->left * bpp;
    } else {
        locked->pBits = pixels_.data();
    }
    locked->Pitch = static_cast<INT>(pitch);
    locked_ = true;
    return D3D_OK;
}

HRESULT SurfaceImpl::UnlockRect() {
    if (owner_ == Owner::Texture) return texture_->UnlockRect(level_);
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    return D3D_OK;
}

// ---- TextureImpl ----

TextureImpl::TextureImpl(DeviceImpl* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                         D3DPOOL pool)
    : ResourceBase(device, D3DRTYPE_TEXTURE, pool, usage), format_(format) {
    UINT w = width, h = height;
    for (UINT i = 0; i < levels; ++i) {
        Level l;
        l.width = w;
        l.height = h;
        l.pitch = RowPitch(format, w);
        l.data.assign(LevelSize(format, w, h), 0);
        levels_.push_back(std::move(l));
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
    }
    surfaces_.assign(levels_.size(), nullptr);
}

TextureImpl::~TextureImpl() {
    Device()->GetBackend().ForgetTexture(this);
    for (SurfaceImpl* s : surfaces_)
        if (s) s->BindRelease();
}

bool TextureImpl::IsInterface(REFIID riid) const {
    return riid == IID_IDirect3DBaseTexture8 || riid == IID_IDirect3DTexture8;
}

void TextureImpl::Touch() { ++version_; }

HRESULT TextureImpl::GetLevelDesc(UINT level, D3DSURFACE_DESC* d) {
    if (level >= levels_.size() || !d) return D3DERR_INVALIDCALL;
    d->Format = format_;
    d->Type = D3DRTYPE_SURFACE;
    d->Usage = Usage();
    d->Pool = Pool();
    d->Size = static_cast<UINT>(levels_[level].data.size());
    d->MultiSampleType = D3DMULTISAMPLE_NONE;
    d->Width = levels_[level].width;
    d->Height = levels_[level].height;
    return D3D_OK;
}

HRESULT TextureImpl::GetSurfaceLevel(UINT level, IDirect3DSurface8** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (level >= levels_.size()) return D3DERR_INVALIDCALL;
    if (!surfaces_[level]) {
        // A level surface lives as long as the texture; its counts are the texture's.
        surfaces_[level] = new SurfaceImpl(Device(), SurfaceImpl::Owner::Texture, this, level, levels_[level].width,
                                           levels_[level].height, format_, Pool(), Usage());
        surfaces_[level]->BindAdd();
        surfaces_[level]->PublicRelease();
    }
    AddRef();
    *out = surfaces_[level];
    return D3D_OK;
}

HRESULT TextureImpl::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD /*flags*/) {
    if (!locked || level >= levels_.size()) return D3DERR_INVALIDCALL;
    if (Pool() == D3DPOOL_DEFAULT && !(Usage() & D3DUSAGE_DYNAMIC)) return D3DERR_INVALIDCALL;
    auto guard = Guard();
    Level& l = levels_[level];
    if (l.locked) return D3DERR_INVALIDCALL;
    BYTE* bits = l.data.data();
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->right <= rect->left || rect->bottom <= rect->top ||
            static_cast<UINT>(rect->right) > l.width || static_cast<UINT>(rect->bottom) > l.height)
            return D3DERR_INVALIDCALL;
        if (IsCompressedFormat(format_)) {
            if ((rect->left | rect->top) & 3) return D3DERR_INVALIDCALL;
            bits += (rect->top / 4) * l.pitch + (rect->left / 4) * (format_ == D3DFMT_DXT1 ? 8 : 16);
        } else {
            bits += rect->top * l.pitch + rect->left * BytesPerPixel(format_);
        }
    }
    l.locked = true;
    locked->pBits = bits;
    locked->Pitch = static_cast<INT>(l.pitch);
    // Hold the guard until the unlock: a reader on another thread waits for a whole frame copy.
    guard.release();
    return D3D_OK;
}

HRESULT TextureImpl::UnlockRect(UINT level) {
    if (level >= levels_.size()) return D3DERR_INVALIDCALL;
    std::unique_lock guard(mutex_, std::adopt_lock);
    Level& l = levels_[level];
    if (!l.locked) {
        guard.release();
        return D3DERR_INVALIDCALL;
    }
    l.locked = false;
    ++version_;
    return D3D_OK;
}

HRESULT TextureImpl::AddDirtyRect(const RECT*) {
    ++version_;
    return D3D_OK;
}

// ---- BufferImpl ----

template <class Iface, class Desc>
BufferImpl<Iface, Desc>::BufferImpl(DeviceImpl* device, D3DRESOURCETYPE type, UINT length, DWORD usage,
                                    DWORD fvfOrFormat, D3DPOOL pool)
    : ResourceBase<Iface>(device, type, pool, usage), data_(length, 0), fvfOrFormat_(fvfOrFormat) {
    dirtyEnd_ = length;
}

template <class Iface, class Desc> BufferImpl<Iface, Desc>::~BufferImpl() {
    if constexpr (std::is_same_v<Iface, IDirect3DVertexBuffer8>)
        this->Device()->GetBackend().ForgetVertexBuffer(this);
    else
        this->Device()->GetBackend().ForgetIndexBuffer(this);
}

template <class Iface, class Desc> bool BufferImpl<Iface, Desc>::IsInterface(REFIID riid) const {
    if constexpr (std::is_same_v<Iface, IDirect3DVertexBuffer8>)
        return riid == IID_IDirect3DVertexBuffer8;
    else
        return riid == IID_IDirect3DIndexBuffer8;
}

template <class Iface, class Desc>
HRESULT BufferImpl<Iface, Desc>::Lock(UINT offset, UINT size, BYTE** out, DWORD flags) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    UINT length = Length();
    if (offset > length || (size != 0 && size > length - offset)) return D3DERR_INVALIDCALL;
    if (size == 0) size = length - offset;
    if (!(flags & D3DLOCK_READONLY)) {
        if (flags & D3DLOCK_DISCARD) {
            discarded_ = true;
            dirtyBegin_ = 0;
            dirtyEnd_ = length;
        } else if (dirtyBegin_ == dirtyEnd_) {
            dirtyBegin_ = offset;
            dirtyEnd_ = offset + size;
        } else {
            dirtyBegin_ = std::min(dirtyBegin_, offset);
            dirtyEnd_ = std::max(dirtyEnd_, offset + size);
        }
    }
    ++locks_;
    *out = data_.data() + offset;
    return D3D_OK;
}

template <class Iface, class Desc> HRESULT BufferImpl<Iface, Desc>::Unlock() {
    if (locks_ == 0) return D3DERR_INVALIDCALL;
    if (--locks_ == 0) ++version_;
    return D3D_OK;
}

template <class Iface, class Desc> HRESULT BufferImpl<Iface, Desc>::GetDesc(Desc* d) {
    if (!d) return D3DERR_INVALIDCALL;
    d->Type = this->GetType();
    d->Usage = this->Usage();
    d->Pool = this->Pool();
    d->Size = Length();
    if constexpr (std::is_same_v<Desc, D3DVERTEXBUFFER_DESC>) {
        d->Format = D3DFMT_VERTEXDATA;
        d->FVF = fvfOrFormat_;
    } else {
        d->Format = static_cast<D3DFORMAT>(fvfOrFormat_);
    }
    return D3D_OK;
}

template class BufferImpl<IDirect3DVertexBuffer8, D3DVERTEXBUFFER_DESC>;
template class BufferImpl<IDirect3DIndexBuffer8, D3DINDEXBUFFER_DESC>;

}  // namespace d3d8
