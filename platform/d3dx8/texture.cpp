// Texture creation and loading: decode, size for the device, resample, key, mip chain, pack.
#include "d3dx8/texture.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "d3dx8/image/filebytes.h"
#include "d3dx8/image/imagedecode.h"
#include "d3dx8/mipchain.h"
#include "d3dx8/texturecache.h"
#include "win32/codepage.h"

namespace {

using Level = d3dx::ImageLevel;

UINT NextPowerOfTwo(UINT v) {
    UINT p = 1;
    while (p < v && p < (1u << 30)) p <<= 1;
    return p;
}

UINT FullChainLength(UINT w, UINT h) {
    UINT levels = 1;
    while (w > 1 || h > 1) {
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
        ++levels;
    }
    return levels;
}

// Sizes and level count the device will accept for a request.
void FitToDevice(IDirect3DDevice8* device, UINT* width, UINT* height, UINT* levels) {
    D3DCAPS8 caps{};
    device->GetDeviceCaps(&caps);
    if (caps.TextureCaps & D3DPTEXTURECAPS_POW2) {
        *width = NextPowerOfTwo(*width);
        *height = NextPowerOfTwo(*height);
    }
    if (caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) *width = *height = std::max(*width, *height);
    if (caps.MaxTextureWidth) *width = std::min<UINT>(*width, caps.MaxTextureWidth);
    if (caps.MaxTextureHeight) *height = std::min<UINT>(*height, caps.MaxTextureHeight);
    const UINT full = FullChainLength(*width, *height);
    if (*levels == 0 || *levels == D3DX_DEFAULT || *levels > full) *levels = full;
}

DWORD Bits(DWORD argb, int shift, int bits) { return ((argb >> shift) & 0xFF) >> (8 - bits); }

// Writes one texel in the texture's format; false for a format this loader cannot fill.
bool Pack(D3DFORMAT format, DWORD c, BYTE* p) {
    const DWORD a = c >> 24, r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    auto put16 = [p](DWORD v) { std::memcpy(p, &v, 2); };
    switch (format) {
        case D3DFMT_A8R8G8B8: std::memcpy(p, &c, 4); return true;
        case D3DFMT_X8R8G8B8: {
            const DWORD v = c | 0xFF000000u;
            std::memcpy(p, &v, 4);
            return true;
        }
        case D3DFMT_R8G8B8:
            p[0] = static_cast<BYTE>(b);
            p[1] = static_cast<BYTE>(g);
            p[2] = static_cast<BYTE>(r);
            return true;
        case D3DFMT_R5G6B5: put16(Bits(c, 16, 5) << 11 | Bits(c, 8, 6) << 5 | Bits(c, 0, 5)); return true;
        case D3DFMT_X1R5G5B5: put16(0x8000 | Bits(c, 16, 5) << 10 | Bits(c, 8, 5) << 5 | Bits(c, 0, 5)); return true;
        case D3DFMT_A1R5G5B5:
            put16((a >= 0x80 ? 0x8000 : 0) | Bits(c, 16, 5) << 10 | Bits(c, 8, 5) << 5 | Bits(c, 0, 5));
            return true;
        case D3DFMT_A4R4G4B4:
            put16(Bits(c, 24, 4) << 12 | Bits(c, 16, 4) << 8 | Bits(c, 8, 4) << 4 | Bits(c, 0, 4));
            return true;
        case D3DFMT_X4R4G4B4: put16(0xF000 | Bits(c, 16, 4) << 8 | Bits(c, 8, 4) << 4 | Bits(c, 0, 4)); return true;
        case D3DFMT_R3G3B2:
            p[0] = static_cast<BYTE>(Bits(c, 16, 3) << 5 | Bits(c, 8, 3) << 2 | Bits(c, 0, 2));
            return true;
        case D3DFMT_A8: p[0] = static_cast<BYTE>(a); return true;
        case D3DFMT_L8: p[0] = static_cast<BYTE>((r * 77 + g * 150 + b * 29 + 128) >> 8); return true;
        case D3DFMT_A8L8:
            p[0] = static_cast<BYTE>((r * 77 + g * 150 + b * 29 + 128) >> 8);
            p[1] = static_cast<BYTE>(a);
            return true;
        default: return false;
    }
}

UINT PackedBytes(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8: return 4;
        case D3DFMT_R8G8B8: return 3;
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4:
        case D3DFMT_A8L8: return 2;
        case D3DFMT_R3G3B2:
        case D3DFMT_A8:
        case D3DFMT_L8: return 1;
        default: return 0;
    }
}

HRESULT FillLevel(IDirect3DTexture8* texture, UINT index, D3DFORMAT format, const Level& level) {
    D3DLOCKED_RECT locked{};
    if (const HRESULT hr = texture->LockRect(index, &locked, nullptr, 0); FAILED(hr)) return hr;
    const UINT bytes = PackedBytes(format);
    for (UINT y = 0; y < level.height; ++y) {
        BYTE* row = static_cast<BYTE*>(locked.pBits) + static_cast<std::ptrdiff_t>(y) * locked.Pitch;
        const DWORD* texels = &level.texels[std::size_t{y} * level.width];
        if (format == D3DFMT_A8R8G8B8) {  // the level's own layout
            std::memcpy(row, texels, std::size_t{level.width} * 4);
            continue;
        }
        if (format == D3DFMT_X8R8G8B8) {
            for (UINT x = 0; x < level.width; ++x) {
                const DWORD v = texels[x] | 0xFF000000u;
                std::memcpy(row + std::size_t{x} * 4, &v, 4);
            }
            continue;
        }
        for (UINT x = 0; x < level.width; ++x) Pack(format, texels[x], row + x * bytes);
    }
    return texture->UnlockRect(index);
}

// Fills every level of `texture` from `top` (already of the texture's size).
HRESULT FillChain(IDirect3DTexture8* texture, D3DFORMAT format, Level top, DWORD mipFilter) {
    const DWORD levels = texture->GetLevelCount();
    const DWORD kind = mipFilter & 0xFFFF;
    Level next;
    for (DWORD i = 0; i < levels; ++i) {
        if (i > 0) {
            D3DSURFACE_DESC desc{};
            texture->GetLevelDesc(i, &desc);
            d3dx::NextMipLevel(top, desc.Width, desc.Height, kind == D3DX_FILTER_NONE ? D3DX_FILTER_POINT : mipFilter,
                               &next);
            std::swap(top, next);
        }
        if (const HRESULT hr = FillLevel(texture, i, format, top); FAILED(hr)) return hr;
    }
    return D3D_OK;
}

D3DXIMAGE_FILEFORMAT FileFormatOf(d3dx::ImageFileFormat f) {
    switch (f) {
        case d3dx::ImageFileFormat::Jpeg: return D3DXIFF_JPG;
        case d3dx::ImageFileFormat::Tga: return D3DXIFF_TGA;
        case d3dx::ImageFileFormat::Png: return D3DXIFF_PNG;
        default: return D3DXIFF_BMP;
    }
}

// What a texture made from an image will be: the device's sizes, the full format, the filters.
struct TexturePlan {
    UINT width, height, levels;
    D3DFORMAT format;
    DWORD filter, mipFilter;
};

TexturePlan PlanTexture(IDirect3DDevice8* device, const d3dx::DecodedImage& image, UINT width, UINT height, UINT levels,
                        D3DFORMAT format, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey) {
    // The decoded size, which is the file's unless the decoder had to scale it down to its budget.
    if (width == 0 || width == D3DX_DEFAULT) width = image.width;
    if (height == 0 || height == D3DX_DEFAULT) height = image.height;
    FitToDevice(device, &width, &height, &levels);
    if (format == D3DFMT_UNKNOWN) format = image.hasAlpha || colorKey != 0 ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    if (filter == D3DX_DEFAULT) filter = D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER;
    if (mipFilter == D3DX_DEFAULT) mipFilter = D3DX_FILTER_BOX;
    return TexturePlan{width, height, levels, format, filter, mipFilter};
}

// Texels of every level of the chain.
std::uint64_t ChainTexels(const TexturePlan& plan) {
    std::uint64_t texels = 0;
    UINT w = plan.width, h = plan.height;
    for (UINT i = 0; i < plan.levels; ++i) {
        texels += std::uint64_t{w} * h;
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
    }
    return texels;
}

D3DXIMAGE_INFO InfoOf(const d3dx::DecodedImage& image) {
    return D3DXIMAGE_INFO{
        image.fileWidth,  image.fileHeight,          1, 1, image.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8,
        D3DRTYPE_TEXTURE, FileFormatOf(image.format)};
}

HRESULT CreateFromImage(IDirect3DDevice8* device, d3dx::DecodedImage&& image, const TexturePlan& plan, DWORD usage,
                        D3DPOOL pool, D3DCOLOR colorKey, IDirect3DTexture8** out) {
    const UINT width = plan.width, height = plan.height;
    if (PackedBytes(plan.format) == 0) return D3DERR_INVALIDCALL;

    // The decoded texels become the top level itself; only a change of size makes a second image.
    Level top{image.width, image.height, std::move(image.texels)};
    if (colorKey != 0)
        for (DWORD& t : top.texels)
            if (t == colorKey) t = 0;
    if (top.width != width || top.height != height) top = d3dx::Resample(top, width, height, plan.filter);

    // Default-pool textures cannot be locked: fill a system-memory copy and hand it over.
    const bool staged = pool == D3DPOOL_DEFAULT && !(usage & D3DUSAGE_DYNAMIC);
    IDirect3DTexture8* texture = nullptr;
    if (const HRESULT hr = device->CreateTexture(width, height, plan.levels, usage, plan.format, pool, &texture);
        FAILED(hr))
        return hr;
    IDirect3DTexture8* fill = texture;
    if (staged) {
        if (const HRESULT hr =
                device->CreateTexture(width, height, plan.levels, 0, plan.format, D3DPOOL_SYSTEMMEM, &fill);
            FAILED(hr)) {
            texture->Release();
            return hr;
        }
    }
    HRESULT hr = E_OUTOFMEMORY;
    try {
        hr = FillChain(fill, plan.format, std::move(top), plan.mipFilter);
    } catch (const std::bad_alloc&) {
    }
    if (SUCCEEDED(hr) && staged) hr = device->UpdateTexture(fill, texture);
    if (staged) fill->Release();
    if (FAILED(hr)) {
        texture->Release();
        return hr;
    }
    *out = texture;
    return D3D_OK;
}

// No image larger than the device's largest texture is decoded: it could only be shrunk.
d3dx::DecodeLimits LimitsFor(IDirect3DDevice8* device, std::string* refusal) {
    D3DCAPS8 caps{};
    device->GetDeviceCaps(&caps);
    const UINT side = std::max<UINT>(caps.MaxTextureWidth, caps.MaxTextureHeight);
    return d3dx::DecodeLimits{side ? side : d3dx::kMaxImageDimension, refusal};
}

// An image refused as too large says why, as a refused mesh does; missing and damaged files
// are the caller's to report.
HRESULT ReportRefusal(HRESULT hr, const char* what, const std::string& refusal) {
    if (hr == d3dx::kImageTooLarge) {
        const std::string line = std::string(what) + ": texture refused: " +
                                 (refusal.empty() ? std::string("the image is too large") : refusal) + "\n";
        OutputDebugStringA(line.c_str());
    }
    return hr;
}

HRESULT ReportOutOfMemory(const char* what) {
    const std::string line = std::string(what) + ": texture refused: not enough memory to load it\n";
    OutputDebugStringA(line.c_str());
    return E_OUTOFMEMORY;
}

// The file's identity and the request; false when the file cannot say who it is.
bool KeyOf(IDirect3DDevice8* device, std::FILE* file, UINT width, UINT height, UINT levels, DWORD usage,
           D3DFORMAT format, D3DPOOL pool, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
           d3dx::FileTextureKey* key) {
    key->device = device;
    struct stat st {};
    if (::fstat(::fileno(file), &st) != 0) return false;
    key->fileDevice = st.st_dev;
    key->inode = st.st_ino;
    key->size = static_cast<std::uint64_t>(st.st_size);
    key->modifiedSec = st.st_mtim.tv_sec;
    key->modifiedNsec = st.st_mtim.tv_nsec;
    key->width = width;
    key->height = height;
    key->levels = levels;
    key->usage = usage;
    key->format = format;
    key->pool = pool;
    key->filter = filter;
    key->mipFilter = mipFilter;
    key->colorKey = colorKey;
    return true;
}

// Texels set aside under the device's budget, given back unless handed to the texture made.
class TexelReservation {
public:
    TexelReservation(IDirect3DDevice8* device, std::uint64_t texels) : device_(device), texels_(texels) {
        made_ = d3dx::ReserveFileTexels(device, texels, &held_);
    }
    ~TexelReservation() {
        if (made_) d3dx::ReturnFileTexels(device_, texels_);
    }
    TexelReservation(const TexelReservation&) = delete;
    TexelReservation& operator=(const TexelReservation&) = delete;

    bool Made() const { return made_; }
    std::uint64_t Texels() const { return texels_; }
    std::uint64_t Held() const { return held_; }
    std::uint64_t Hand() {
        made_ = false;
        return texels_;
    }

private:
    IDirect3DDevice8* device_;
    std::uint64_t texels_;
    std::uint64_t held_ = 0;
    bool made_ = false;
};

HRESULT ReportOverBudget(const char* file, const TexelReservation& reserved) {
    const std::string line = std::string(file) + ": texture refused: its " + std::to_string(reserved.Texels()) +
                             " texels would bring the textures loaded from files to " +
                             std::to_string(reserved.Held() + reserved.Texels()) + ", beyond the " +
                             std::to_string(d3dx::FileTextureTexelBudget()) + " a device may hold\n";
    OutputDebugStringA(line.c_str());
    return d3dx::kImageTooLarge;
}

}  // namespace

HRESULT D3DXCreateTexture(IDirect3DDevice8* pDevice, UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                          D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture8** ppTexture) {
    if (!pDevice || !ppTexture) return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    if (Width == 0 || Width == D3DX_DEFAULT) Width = 256;
    if (Height == 0 || Height == D3DX_DEFAULT) Height = 256;
    FitToDevice(pDevice, &Width, &Height, &MipLevels);
    if (Format == D3DFMT_UNKNOWN) Format = D3DFMT_A8R8G8B8;
    return pDevice->CreateTexture(Width, Height, MipLevels, Usage, Format, Pool, ppTexture);
}

HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice8* pDevice, LPCVOID pSrcData, UINT SrcDataSize, UINT Width,
                                            UINT Height, UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                            DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                            PALETTEENTRY* /*pPalette*/, IDirect3DTexture8** ppTexture) {
    if (!pDevice || !pSrcData || !ppTexture) return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    try {
        d3dx::DecodedImage image;
        std::string refusal;
        const HRESULT hr =
            d3dx::DecodeImage(static_cast<const BYTE*>(pSrcData), SrcDataSize, &image, LimitsFor(pDevice, &refusal));
        if (FAILED(hr)) return ReportRefusal(hr, "image in memory", refusal);
        if (pSrcInfo) *pSrcInfo = InfoOf(image);
        const TexturePlan plan =
            PlanTexture(pDevice, image, Width, Height, MipLevels, Format, Filter, MipFilter, ColorKey);
        return CreateFromImage(pDevice, std::move(image), plan, Usage, Pool, ColorKey, ppTexture);
    } catch (const std::bad_alloc&) {
        return ReportOutOfMemory("image in memory");
    }
}

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice8* pDevice, LPCSTR pSrcFile, UINT Width, UINT Height,
                                     UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                     DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                     PALETTEENTRY* /*pPalette*/, IDirect3DTexture8** ppTexture) {
    if (!pDevice || !pSrcFile || !ppTexture) return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    try {
        const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(d3dx::OpenLoaderFile(pSrcFile), &std::fclose);
        if (!file) return E_FAIL;
        // A file and a request already loaded on this device are the same texture.
        d3dx::FileTextureKey key;
        const bool shared = KeyOf(pDevice, file.get(), Width, Height, MipLevels, Usage, Format, Pool, Filter, MipFilter,
                                  ColorKey, &key);
        if (shared) {
            if (IDirect3DTexture8* texture = d3dx::FindFileTexture(key, pSrcInfo)) {
                *ppTexture = texture;
                return D3D_OK;
            }
            // Refused before and still no room: refused again without decoding it.
            std::uint64_t texels = 0;
            if (d3dx::RefusedFileTextureCost(key, &texels)) {
                TexelReservation room(pDevice, texels);
                if (!room.Made()) return ReportOverBudget(pSrcFile, room);
            }
        }
        d3dx::DecodedImage image;
        {
            std::vector<BYTE> bytes;
            if (const HRESULT hr = d3dx::ReadWholeFile(file.get(), &bytes); FAILED(hr)) return hr;
            std::string refusal;
            const HRESULT hr = d3dx::DecodeImage(bytes.data(), bytes.size(), &image, LimitsFor(pDevice, &refusal));
            if (FAILED(hr)) return ReportRefusal(hr, pSrcFile, refusal);
        }
        const D3DXIMAGE_INFO info = InfoOf(image);
        if (pSrcInfo) *pSrcInfo = info;
        const TexturePlan plan =
            PlanTexture(pDevice, image, Width, Height, MipLevels, Format, Filter, MipFilter, ColorKey);
        // Everything a device holds from files counts, shared or not.
        TexelReservation reserved(pDevice, ChainTexels(plan));
        if (!reserved.Made()) {
            if (shared) d3dx::RememberFileTextureRefusal(key, reserved.Texels());
            return ReportOverBudget(pSrcFile, reserved);
        }
        IDirect3DTexture8* texture = nullptr;
        if (const HRESULT hr = CreateFromImage(pDevice, std::move(image), plan, Usage, Pool, ColorKey, &texture);
            FAILED(hr))
            return hr;
        d3dx::AddFileTexture(key, texture, reserved.Hand(), info, shared);
        *ppTexture = texture;
        return D3D_OK;
    } catch (const std::bad_alloc&) {
        return ReportOutOfMemory(pSrcFile);
    }
}

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice8* pDevice, LPCSTR pSrcFile, IDirect3DTexture8** ppTexture) {
    return D3DXCreateTextureFromFileExA(pDevice, pSrcFile, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                        D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, ppTexture);
}
