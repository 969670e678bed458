// The texture pipeline after decoding: an image file loaded into a texture on the record device,
// with the request (size, mip levels, format, pool, filters, colour key) picked by the input's
// first eight bytes and the image file in the rest.
#include <array>
#include <cstring>

#include "d3d8/backend.h"
#include "d3dx8/d3dx8.h"
#include "fuzz.h"
#include "recorddevice.h"

namespace {

// Requested sizes stay small so that a run spends its time in the pipeline, not in one big resample.
UINT Size(std::uint8_t b) { return b == 0 ? D3DX_DEFAULT : b == 1 ? 0 : b % 129; }

constexpr std::array<D3DFORMAT, 14> kFormats = {
    D3DFMT_UNKNOWN,  D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5,
    D3DFMT_A4R4G4B4, D3DFMT_X4R4G4B4, D3DFMT_R3G3B2,   D3DFMT_A8,     D3DFMT_L8,     D3DFMT_A8L8,     D3DFMT_DXT1};
constexpr std::array<D3DPOOL, 3> kPools = {D3DPOOL_MANAGED, D3DPOOL_DEFAULT, D3DPOOL_SYSTEMMEM};
constexpr std::array<DWORD, 6> kFilters = {D3DX_DEFAULT,       D3DX_FILTER_NONE,     D3DX_FILTER_POINT,
                                           D3DX_FILTER_LINEAR, D3DX_FILTER_TRIANGLE, D3DX_FILTER_BOX};
constexpr std::array<D3DCOLOR, 4> kKeys = {0, 0xFF000000, 0xFFFFFFFF, 0xFFFF00FF};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static IDirect3DDevice8* const pDevice = fuzz::CreateRecordDevice(D3DCREATE_HARDWARE_VERTEXPROCESSING);
    if (!pDevice || size < 8) return 0;
    d3d8::RecordLog(pDevice)->clear();  // the device lives for the whole run
    const std::uint8_t* p = data;
    const UINT width = Size(p[0]), height = Size(p[1]);
    const UINT levels = p[2] == 0 ? D3DX_DEFAULT : p[2] % 16;
    const DWORD usage = (p[3] & 0x80) ? D3DUSAGE_DYNAMIC : 0;
    const D3DFORMAT format = kFormats[p[3] % kFormats.size()];
    const D3DPOOL pool = kPools[p[4] % kPools.size()];
    const DWORD filter =
        kFilters[p[5] % kFilters.size()] | ((p[5] & 0x80) ? D3DX_FILTER_MIRROR | D3DX_FILTER_DITHER : 0);
    const DWORD mipFilter = kFilters[p[6] % kFilters.size()] | ((p[6] & 0x80) ? D3DX_FILTER_MIRROR : 0);
    const D3DCOLOR key = kKeys[p[7] % kKeys.size()];

    IDirect3DTexture8* texture = nullptr;
    D3DXIMAGE_INFO info{};
    const HRESULT hr =
        D3DXCreateTextureFromFileInMemoryEx(pDevice, data + 8, static_cast<UINT>(size - 8), width, height, levels,
                                            usage, format, pool, filter, mipFilter, key, &info, nullptr, &texture);
    if (SUCCEEDED(hr) != (texture != nullptr)) __builtin_trap();
    if (!texture) return 0;
    // Every level the loader filled reads back whole.
    for (DWORD level = 0; level < texture->GetLevelCount(); ++level) {
        D3DSURFACE_DESC desc{};
        D3DLOCKED_RECT locked{};
        texture->GetLevelDesc(level, &desc);
        if (pool == D3DPOOL_DEFAULT && !(usage & D3DUSAGE_DYNAMIC)) break;  // not lockable
        if (FAILED(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY))) __builtin_trap();
        volatile BYTE sink = 0;
        for (UINT y = 0; y < desc.Height; ++y)
            sink = sink + static_cast<const BYTE*>(locked.pBits)[std::size_t{y} * locked.Pitch];
        texture->UnlockRect(level);
    }
    if (texture->Release() != 0) __builtin_trap();
    return 0;
}
