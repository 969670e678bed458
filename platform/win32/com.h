// COM initialisation. Nothing here needs an apartment; the calls only count, so that tests can
// see each movie start paired with its stop.
#pragma once

#include <atomic>

#include "win32/wintypes.h"

inline constexpr GUID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** ppvObj) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

HRESULT CoInitialize(void* reserved);
void CoUninitialize();

namespace win32 {
// Current balance of CoInitialize over CoUninitialize calls.
int ComInitCount();
}  // namespace win32

namespace win32 {

// Reference counting for an object that exposes the interfaces listed: it starts with one reference
// and deletes itself when the last one goes. The object answers QueryInterface itself.
template <class... Interfaces> class RefCounted : public Interfaces... {
public:
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override {
        // A count already at zero stays there rather than wrapping round.
        if (m_refs.load() == 0) return 0;
        const ULONG left = --m_refs;
        if (left == 0) delete this;
        return left;
    }

protected:
    virtual ~RefCounted() = default;

private:
    std::atomic<ULONG> m_refs{1};
};

// RefCounted with the QueryInterface of an object that exposes one interface: it answers
// IID_IUnknown and the identifiers listed.
template <class Interface, const IID&... Iids> class ComObject : public RefCounted<Interface> {
public:
    HRESULT QueryInterface(REFIID riid, void** ppvObj) override {
        if (!ppvObj) return E_POINTER;
        if (riid == IID_IUnknown || ((riid == Iids) || ...)) {
            *ppvObj = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *ppvObj = nullptr;
        return E_NOINTERFACE;
    }
};

}  // namespace win32
