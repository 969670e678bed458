#include "d3dx8/texturecache.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <new>
#include <tuple>
#include <utility>

namespace d3dx {

namespace {

// The GUID under which a file texture carries its entry's token.
constexpr GUID kFileTextureToken = {0x5a1e7c0d, 0x41b3, 0x4c6e, {0x9d, 0x2f, 0x6b, 0x17, 0xa4, 0x88, 0x03, 0xe1}};

struct Entry {
    IDirect3DTexture8* texture;  // no reference of its own: the entry goes with the texture's last one
    unsigned long long id;
    D3DXIMAGE_INFO info;
};

class Cache {
public:
    static Cache& Instance() {
        // Never destroyed: textures released during the program's exit still find it.
        static Cache* const cache = new Cache;
        return *cache;
    }

    IDirect3DTexture8* Find(const FileTextureKey& key, D3DXIMAGE_INFO* info) {
        std::lock_guard lock(mutex_);
        const auto it = entries_.find(key);
        if (it == entries_.end()) return nullptr;
        it->second.texture->AddRef();
        if (info) *info = it->second.info;
        return it->second.texture;
    }

    bool Reserve(IDirect3DDevice8* device, std::uint64_t texels, std::uint64_t* held) {
        std::lock_guard lock(mutex_);
        std::uint64_t& h = held_[device];
        if (held) *held = h;
        if (texels > budget_ || h > budget_ - texels) {
            if (h == 0) held_.erase(device);
            ++refusals_;
            return false;
        }
        h += texels;
        return true;
    }

    void Return(IDirect3DDevice8* device, std::uint64_t texels) {
        std::lock_guard lock(mutex_);
        const auto it = held_.find(device);
        if (it == held_.end()) return;
        it->second -= std::min(it->second, texels);
        if (it->second == 0) held_.erase(it);
    }

    unsigned long long Enter(const FileTextureKey& key, IDirect3DTexture8* texture, const D3DXIMAGE_INFO& info) {
        std::lock_guard lock(mutex_);
        const unsigned long long id = ++lastId_;
        // Two loads of one key that overlapped: the first stays the one handed out.
        try {
            return entries_.emplace(key, Entry{texture, id, info}).second ? id : 0;
        } catch (const std::bad_alloc&) {
            return 0;
        }
    }

    void Leave(const FileTextureKey& key, unsigned long long id, std::uint64_t texels) {
        {
            std::lock_guard lock(mutex_);
            const auto it = entries_.find(key);
            if (it != entries_.end() && it->second.id == id) entries_.erase(it);
        }
        Return(key.device, texels);
    }

    std::uint64_t Held(IDirect3DDevice8* device) {
        std::lock_guard lock(mutex_);
        const auto it = held_.find(device);
        return it == held_.end() ? 0 : it->second;
    }

    void RememberRefusal(const FileTextureKey& key, std::uint64_t texels) {
        std::lock_guard lock(mutex_);
        // A bounded memory of what was refused: an entry forgotten only costs a decode again.
        if (refused_.size() >= kRefusalsKept) refused_.clear();
        try {
            refused_[key] = texels;
        } catch (const std::bad_alloc&) {
        }
    }

    bool RefusedCost(const FileTextureKey& key, std::uint64_t* texels) {
        std::lock_guard lock(mutex_);
        const auto it = refused_.find(key);
        if (it == refused_.end()) return false;
        *texels = it->second;
        return true;
    }

    std::uint64_t Refusals() {
        std::lock_guard lock(mutex_);
        return refusals_;
    }

    std::uint64_t Budget() {
        std::lock_guard lock(mutex_);
        return budget_;
    }

    std::uint64_t SetBudget(std::uint64_t texels) {
        std::lock_guard lock(mutex_);
        return std::exchange(budget_, texels);
    }

private:
    std::mutex mutex_;
    std::map<FileTextureKey, Entry> entries_;
    std::map<IDirect3DDevice8*, std::uint64_t> held_;
    unsigned long long lastId_ = 0;
    std::uint64_t refusals_ = 0;
    static constexpr std::size_t kRefusalsKept = 1024;
    std::map<FileTextureKey, std::uint64_t> refused_;
    std::uint64_t budget_ = kFileTextureTexelBudget;
};

// Held by the texture as private data; its last Release is the texture's.
class Token final : public IUnknown {
public:
    Token(const FileTextureKey& key, std::uint64_t texels) : key_(key), texels_(texels) {}

    // Shares the texture under the key; a texture the cache has no room to enter is not shared.
    void Enter(IDirect3DTexture8* texture, const D3DXIMAGE_INFO& info) {
        id_ = Cache::Instance().Enter(key_, texture, info);
    }

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown) {
            *ppv = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++count_; }
    ULONG Release() override {
        const ULONG left = --count_;
        if (left == 0) {
            Cache::Instance().Leave(key_, id_, texels_);
            delete this;
        }
        return left;
    }

private:
    ~Token() = default;

    FileTextureKey key_;
    unsigned long long id_ = 0;  // 0: not entered
    std::uint64_t texels_;
    std::atomic<ULONG> count_{1};
};

}  // namespace

bool FileTextureKey::operator<(const FileTextureKey& o) const {
    auto tie = [](const FileTextureKey& k) {
        return std::tie(k.device, k.fileDevice, k.inode, k.size, k.modifiedSec, k.modifiedNsec, k.width, k.height,
                        k.levels, k.usage, k.format, k.pool, k.filter, k.mipFilter, k.colorKey);
    };
    return tie(*this) < tie(o);
}

IDirect3DTexture8* FindFileTexture(const FileTextureKey& key, D3DXIMAGE_INFO* info) {
    return Cache::Instance().Find(key, info);
}

bool ReserveFileTexels(IDirect3DDevice8* device, std::uint64_t texels, std::uint64_t* held) {
    return Cache::Instance().Reserve(device, texels, held);
}

void ReturnFileTexels(IDirect3DDevice8* device, std::uint64_t texels) { Cache::Instance().Return(device, texels); }

void AddFileTexture(const FileTextureKey& key, IDirect3DTexture8* texture, std::uint64_t texels,
                    const D3DXIMAGE_INFO& info, bool share) {
    auto* token = new (std::nothrow) Token(key, texels);
    if (!token) {
        ReturnFileTexels(key.device, texels);
        return;
    }
    if (share) token->Enter(texture, info);
    try {
        texture->SetPrivateData(kFileTextureToken, static_cast<IUnknown*>(token), sizeof(IUnknown*), D3DSPD_IUNKNOWN);
    } catch (const std::bad_alloc&) {
    }
    // When the texture took the token, it holds the only reference from here on; otherwise this
    // Release ends the token, and with it the entry and the texels.
    token->Release();
}

std::uint64_t FileTexelsHeld(IDirect3DDevice8* device) { return Cache::Instance().Held(device); }

std::uint64_t SetFileTextureTexelBudget(std::uint64_t texels) { return Cache::Instance().SetBudget(texels); }

std::uint64_t FileTextureTexelBudget() { return Cache::Instance().Budget(); }

std::uint64_t FileTextureRefusals() { return Cache::Instance().Refusals(); }

void RememberFileTextureRefusal(const FileTextureKey& key, std::uint64_t texels) {
    Cache::Instance().RememberRefusal(key, texels);
}

bool RefusedFileTextureCost(const FileTextureKey& key, std::uint64_t* texels) {
    return Cache::Instance().RefusedCost(key, texels);
}

}  // namespace d3dx
