#include "win32/rot.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

namespace {

using WideString = std::basic_string<WCHAR>;

class ItemMoniker final : public win32::ComObject<IMoniker, IID_IMoniker> {
public:
    ItemMoniker(LPCWSTR delim, LPCWSTR item) : name_(delim ? delim : u"") { name_ += item ? item : u""; }

    const WideString& Name() const { return name_; }

    HRESULT IsEqual(IMoniker* other) override {
        if (!other) return E_INVALIDARG;
        LPWSTR otherName = nullptr;
        if (FAILED(other->GetDisplayName(nullptr, nullptr, &otherName))) return S_FALSE;
        const bool same = name_ == otherName;
        CoTaskMemFree(otherName);
        return same ? S_OK : S_FALSE;
    }

    HRESULT GetDisplayName(IUnknown*, IMoniker*, LPWSTR* out) override {
        if (!out) return E_POINTER;
        *out = static_cast<LPWSTR>(CoTaskMemAlloc((name_.size() + 1) * sizeof(WCHAR)));
        if (!*out) return E_OUTOFMEMORY;
        std::memcpy(*out, name_.c_str(), (name_.size() + 1) * sizeof(WCHAR));
        return S_OK;
    }

private:
    WideString name_;
};

// The table lives as long as the process and is never deleted, so its references only count.
class RunningObjectTable final : public IRunningObjectTable {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IRunningObjectTable) {
            *ppv = static_cast<IRunningObjectTable*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }

    HRESULT Register(DWORD, IUnknown* object, IMoniker* moniker, DWORD* cookie) override {
        if (!object || !moniker || !cookie) return E_INVALIDARG;
        LPWSTR name = nullptr;
        if (const HRESULT hr = moniker->GetDisplayName(nullptr, nullptr, &name); FAILED(hr)) return hr;
        Entry entry{0, object, name};
        CoTaskMemFree(name);
        std::lock_guard lock(mutex_);
        // Cookies are never reused, and 0 is never one, so a stale cookie revokes nothing.
        entry.cookie = ++lastCookie_;
        object->AddRef();
        entries_.push_back(std::move(entry));
        *cookie = entries_.back().cookie;
        return S_OK;
    }

    HRESULT Revoke(DWORD cookie) override {
        IUnknown* object = nullptr;
        {
            std::lock_guard lock(mutex_);
            for (auto it = entries_.begin(); it != entries_.end(); ++it)
                if (it->cookie == cookie) {
                    object = it->object;
                    entries_.erase(it);
                    break;
                }
        }
        if (!object) return E_INVALIDARG;
        object->Release();  // outside the lock: the object's last release may run anything
        return S_OK;
    }

    HRESULT IsRunning(IMoniker* moniker) override {
        IUnknown* object = nullptr;
        const HRESULT hr = GetObject(moniker, &object);
        if (FAILED(hr)) return hr == MK_E_UNAVAILABLE ? S_FALSE : hr;
        object->Release();
        return S_OK;
    }

    HRESULT GetObject(IMoniker* moniker, IUnknown** out) override {
        if (!moniker || !out) return E_INVALIDARG;
        *out = nullptr;
        LPWSTR name = nullptr;
        if (const HRESULT hr = moniker->GetDisplayName(nullptr, nullptr, &name); FAILED(hr)) return hr;
        const WideString wanted(name);
        CoTaskMemFree(name);
        std::lock_guard lock(mutex_);
        for (const Entry& e : entries_)
            if (e.name == wanted) {
                e.object->AddRef();
                *out = e.object;
                return S_OK;
            }
        return MK_E_UNAVAILABLE;
    }

    int Count() {
        std::lock_guard lock(mutex_);
        return static_cast<int>(entries_.size());
    }

private:
    struct Entry {
        DWORD cookie;
        IUnknown* object;
        WideString name;
    };
    std::mutex mutex_;
    std::vector<Entry> entries_;
    DWORD lastCookie_ = 0;
};

RunningObjectTable& Table() {
    static RunningObjectTable table;
    return table;
}

}  // namespace

HRESULT GetRunningObjectTable(DWORD reserved, IRunningObjectTable** pprot) {
    if (!pprot) return E_INVALIDARG;
    *pprot = nullptr;
    if (reserved != 0) return E_INVALIDARG;
    *pprot = &Table();
    return S_OK;
}

HRESULT CreateItemMoniker(LPCWSTR lpszDelim, LPCWSTR lpszItem, IMoniker** ppmk) {
    if (!ppmk) return E_INVALIDARG;
    *ppmk = new (std::nothrow) ItemMoniker(lpszDelim, lpszItem);
    return *ppmk ? S_OK : E_OUTOFMEMORY;
}

void* CoTaskMemAlloc(std::size_t cb) { return std::malloc(cb ? cb : 1); }
void CoTaskMemFree(void* pv) { std::free(pv); }

int win32::RunningObjectCount() { return Table().Count(); }
