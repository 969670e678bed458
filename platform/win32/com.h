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

// Reference counting and QueryInterface for an object that exposes one interface: it answers
// IID_IUnknown and the identifiers listed, starts with one reference and deletes itself when the
// last one goes.
template <class Interface, const IID&... Iids>
class ComObject : public Interface {
public:
    HRESULT QueryInterface(REFIID riid, void** ppvObj) override {
        if (!ppvObj) return E_POINTER;
        if (riid == IID_IUnknown || ((riid == Iids) || ...)) {
            *ppvObj = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *ppvObj = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override {
        const ULONG left = --m_refs;
        if (left == 0) delete this;
        return left;
    }

protected:
    virtual ~ComObject() = default;

private:
    std::atomic<ULONG> m_refs{1};
};

}  // namespace win32
