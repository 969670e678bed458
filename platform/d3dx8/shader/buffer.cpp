// ID3DXBuffer: bytes with a reference count.
#include <atomic>
#include <new>
#include <vector>

#include "d3dx8/d3dx8shader.h"

namespace {

class Buffer final : public ID3DXBuffer {
public:
    // Never empty storage, so the pointer of a zero-sized buffer is still valid.
    explicit Buffer(DWORD size) : bytes_(size ? size : 1u, 0), size_(size) {}

    HRESULT QueryInterface(REFIID riid, void** ppvObj) override {
        if (!ppvObj) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_ID3DXBuffer) {
            *ppvObj = static_cast<ID3DXBuffer*>(this);
            AddRef();
            return S_OK;
        }
        *ppvObj = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    LPVOID GetBufferPointer() override { return bytes_.data(); }
    DWORD GetBufferSize() override { return size_; }

private:
    ~Buffer() = default;

    std::atomic<ULONG> refs_{1};
    std::vector<BYTE> bytes_;
    DWORD size_;
};

}  // namespace

HRESULT D3DXCreateBuffer(DWORD numBytes, LPD3DXBUFFER* ppBuffer) {
    if (!ppBuffer) return D3DERR_INVALIDCALL;
    *ppBuffer = nullptr;
    try {
        *ppBuffer = new Buffer(numBytes);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}
