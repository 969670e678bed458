#include "d3dx8/image/imagedecode.h"

#include <cstring>

#include "d3dx8/image/filebytes.h"

namespace d3dx {

ImageFileFormat DetectImageFormat(const BYTE* data, std::size_t size) {
    static const BYTE kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (!data) return ImageFileFormat::Unknown;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return ImageFileFormat::Bmp;
    if (size >= 8 && std::memcmp(data, kPng, 8) == 0) return ImageFileFormat::Png;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return ImageFileFormat::Jpeg;
    if (size >= 18) {
        const unsigned mapType = data[1], type = data[2], depth = data[16];
        const bool knownType = (type >= 1 && type <= 3) || (type >= 9 && type <= 11);
        const bool knownDepth = depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
        if (mapType <= 1 && knownType && knownDepth) return ImageFileFormat::Tga;
    }
    return ImageFileFormat::Unknown;
}

HRESULT DecodeImage(const BYTE* data, std::size_t size, DecodedImage* out, const DecodeLimits& limits) {
    if (!out) return E_POINTER;
    *out = DecodedImage{};
    switch (DetectImageFormat(data, size)) {
        case ImageFileFormat::Bmp: return DecodeBmp(data, size, out, limits);
        case ImageFileFormat::Tga: return DecodeTga(data, size, out, limits);
        case ImageFileFormat::Png: return DecodePng(data, size, out, limits);
        case ImageFileFormat::Jpeg: return DecodeJpeg(data, size, out, limits);
        default: return kImageInvalidData;
    }
}

HRESULT DecodeImageFile(const char* fileName, DecodedImage* out, const DecodeLimits& limits) {
    if (!out) return E_POINTER;
    *out = DecodedImage{};
    std::vector<BYTE> bytes;
    const HRESULT hr = ReadWholeFile(fileName, &bytes);
    if (FAILED(hr)) return hr;
    return DecodeImage(bytes.data(), bytes.size(), out, limits);
}

}  // namespace d3dx
