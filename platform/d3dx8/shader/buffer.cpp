// ID3DXBuffer: bytes with a reference count.
#include <new>
#include <vector>

#include "d3dx8/d3dx8shader.h"

namespace {

class Buffer final : public win32::ComObject<ID3DXBuffer, IID_ID3DXBuffer> {
public:
    // Never empty storage, so the pointer of a zero-sized buffer is still valid.
    explicit Buffer(DWORD size) : bytes_(size ? size : 1u, 0), size_(size) {}

    LPVOID GetBufferPointer() override { return bytes_.data(); }
    DWORD GetBufferSize() override { return size_; }

private:
    ~Buffer() override = default;

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
