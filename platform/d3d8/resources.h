// Textures, surfaces and buffers: CPU copies with their Direct3D 8 interfaces. A backend keeps
// its own copy (a GL object) and refreshes it when the resource's version moves.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "d3d8/d3d8.h"
#include "d3d8/object.h"
#include "d3d8/privatedata.h"

namespace d3d8 {

class DeviceImpl;

// Implements IUnknown and the resource boilerplate over RefObject; holds a device reference while
// the program holds the resource.
template <class Iface> class ResourceBase : public Iface, public RefObject {
public:
    ResourceBase(DeviceImpl* device, D3DRESOURCETYPE type, D3DPOOL pool, DWORD usage);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return PublicAddRef(); }
    ULONG Release() override { return PublicRelease(); }
    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override;
    HRESULT SetPrivateData(REFGUID guid, const void* pData, DWORD size, DWORD flags) override {
        return private_.Set(guid, pData, size, flags);
    }
    HRESULT GetPrivateData(REFGUID guid, void* pData, DWORD* pSize) override {
        return private_.Get(guid, pData, pSize);
    }
    HRESULT FreePrivateData(REFGUID guid) override { return private_.Free(guid); }
    DWORD SetPriority(DWORD p) override { return std::exchange(priority_, p); }
    DWORD GetPriority() override { return priority_; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return type_; }

    DeviceImpl* Device() const { return device_; }
    D3DPOOL Pool() const { return pool_; }
    DWORD Usage() const { return usage_; }

protected:
    ~ResourceBase() override;
    void OnPublicZero() override;
    virtual bool IsInterface(REFIID riid) const = 0;

private:
    DeviceImpl* device_;
    D3DRESOURCETYPE type_;
    D3DPOOL pool_;
    DWORD usage_;
    DWORD priority_ = 0;
    // The device counts this resource (its reference and its pool's live count) until the last
    // public Release.
    bool counted_ = false;
    // Freed when the last public reference goes: for the program the resource is gone then,
    // even while a binding keeps its storage.
    PrivateData private_;
};

class TextureImpl;

// A surface: a texture level (counts go to the texture), an implicit surface of the device
// (counts go to the device), or a surface of its own (image surfaces).
class SurfaceImpl final : public IDirect3DSurface8, public RefObject {
public:
    enum class Owner { Texture, Device, Self };
    SurfaceImpl(DeviceImpl* device, Owner owner, TextureImpl* texture, UINT level, UINT width, UINT height,
                D3DFORMAT format, D3DPOOL pool, DWORD usage);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override;
    HRESULT SetPrivateData(REFGUID, const void*, DWORD, DWORD) override { return D3DERR_INVALIDCALL; }
    HRESULT GetPrivateData(REFGUID, void*, DWORD*) override { return D3DERR_NOTFOUND; }
    HRESULT FreePrivateData(REFGUID) override { return D3DERR_NOTFOUND; }
    HRESULT GetContainer(REFIID riid, void** ppContainer) override;
    HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override;
    HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect() override;

    UINT Width() const { return width_; }
    UINT Height() const { return height_; }
    D3DFORMAT Format() const { return format_; }
    // The surface's own pixels (Self and Device owners); texture levels live in the texture.
    // The back and depth buffers' copies, read only by a copy out of the back buffer, are made
    // (zeroed) at their first use: most devices never need them.
    std::vector<BYTE>& Pixels();
    void Resize(UINT width, UINT height, D3DFORMAT format);

protected:
    ~SurfaceImpl() override;
    void OnPublicZero() override;

private:
    DeviceImpl* device_;
    Owner owner_;
    TextureImpl* texture_;
    UINT level_;
    UINT width_, height_;
    D3DFORMAT format_;
    D3DPOOL pool_;
    DWORD usage_;
    bool locked_ = false;
    std::vector<BYTE> pixels_;
};

class TextureImpl final : public ResourceBase<IDirect3DTexture8> {
public:
    struct Level {
        UINT width = 0, height = 0, pitch = 0;
        std::vector<BYTE> data;
        bool locked = false;
    };

    TextureImpl(DeviceImpl* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);

    DWORD SetLOD(DWORD lod) override { return std::exchange(lod_, lod); }
    DWORD GetLOD() override { return lod_; }
    DWORD GetLevelCount() override { return static_cast<DWORD>(levels_.size()); }
    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface8** ppSurfaceLevel) override;
    HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect(UINT Level) override;
    HRESULT AddDirtyRect(const RECT*) override;

    D3DFORMAT Format() const { return format_; }
    UINT Width() const { return levels_[0].width; }
    UINT Height() const { return levels_[0].height; }

    // Reading the CPU copy from a drawing thread: hold the guard while reading. The version moves
    // at every unlock, so a backend uploads only what changed.
    std::unique_lock<std::recursive_mutex> Guard() const { return std::unique_lock(mutex_); }
    const std::vector<Level>& Levels() const { return levels_; }
    std::vector<Level>& MutableLevels() { return levels_; }
    unsigned long long Version() const { return version_; }
    void Touch();

protected:
    ~TextureImpl() override;
    bool IsInterface(REFIID riid) const override;

private:
    D3DFORMAT format_;
    DWORD lod_ = 0;
    std::vector<Level> levels_;
    std::vector<SurfaceImpl*> surfaces_;
    mutable std::recursive_mutex mutex_;
    std::atomic<unsigned long long> version_{1};
};

// Vertex and index buffers share their storage and locking.
template <class Iface, class Desc> class BufferImpl final : public ResourceBase<Iface> {
public:
    BufferImpl(DeviceImpl* device, D3DRESOURCETYPE type, UINT length, DWORD usage, DWORD fvfOrFormat, D3DPOOL pool);

    HRESULT Lock(UINT offset, UINT size, BYTE** ppbData, DWORD flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(Desc* pDesc) override;

    const std::vector<BYTE>& Data() const { return data_; }
    UINT Length() const { return static_cast<UINT>(data_.size()); }
    DWORD FvfOrFormat() const { return fvfOrFormat_; }
    unsigned long long Version() const { return version_; }
    // The range that changed since the backend last looked (whole buffer after a discard).
    UINT DirtyBegin() const { return dirtyBegin_; }
    UINT DirtyEnd() const { return dirtyEnd_; }
    void ClearDirty() { dirtyBegin_ = dirtyEnd_ = 0; }
    bool LastLockDiscarded() const { return discarded_; }

protected:
    ~BufferImpl() override;
    bool IsInterface(REFIID riid) const override;

private:
    std::vector<BYTE> data_;
    DWORD fvfOrFormat_;
    int locks_ = 0;
    UINT dirtyBegin_ = 0, dirtyEnd_ = 0;
    bool discarded_ = false;
    unsigned long long version_ = 1;
};

using VertexBufferImpl = BufferImpl<IDirect3DVertexBuffer8, D3DVERTEXBUFFER_DESC>;
using IndexBufferImpl = BufferImpl<IDirect3DIndexBuffer8, D3DINDEXBUFFER_DESC>;

}  // namespace d3d8
