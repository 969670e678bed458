// PNG through libpng: every colour type and bit depth is expanded to 8-bit BGRA; palette and
// grey transparency (tRNS) become alpha. Gamma chunks are not applied: texels are the file's.
#include <png.h>

#include <bit>
#include <csetjmp>
#include <memory>
#include <vector>

#include "d3dx8/image/imagecommon.h"

namespace d3dx {
namespace {

struct MemorySource {
    const BYTE* data;
    std::size_t size;
    std::size_t offset;
};

void ReadFromMemory(png_structp png, png_bytep dest, png_size_t length) {
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (length > source->size - source->offset) png_error(png, "truncated file");
    std::memcpy(dest, source->data + source->offset, length);
    source->offset += length;
}

// What libpng may keep of a file beside its image.
constexpr png_uint_32 kMaxKeptChunks = 16;
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t{8} << 20;

void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

// Everything that must survive a longjmp lives here, on the heap, reached through a pointer
// that is set before setjmp and never changed after it.
struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    MemorySource source{};
    DecodedImage image;
    std::vector<png_bytep> rows;
    HRESULT failure = kImageInvalidData;
    ~PngReader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

HRESULT Run(PngReader* r, const DecodeLimits& limits) {
    if (setjmp(png_jmpbuf(r->png))) return r->failure;

    png_set_read_fn(r->png, &r->source, &ReadFromMemory);
    png_set_user_limits(r->png, kMaxImageDimension, kMaxImageDimension);
    // Only the image matters: text, profiles and every other ancillary chunk are skipped unread
    // (a megabyte of compressed text would otherwise inflate to a gigabyte), and the few chunks
    // libpng keeps are bounded in number and size whatever its build's defaults are.
    png_set_keep_unknown_chunks(r->png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_set_chunk_cache_max(r->png, kMaxKeptChunks);
    png_set_chunk_malloc_max(r->png, kMaxChunkBytes);
    png_read_info(r->png, r->info);

    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colourType = 0;
    png_get_IHDR(r->png, r->info, &width, &height, &bitDepth, &colourType, nullptr, nullptr, nullptr);
    const bool hasTrns = png_get_valid(r->png, r->info, PNG_INFO_tRNS) != 0;
    const bool alpha = (colourType & PNG_COLOR_MASK_ALPHA) != 0 || hasTrns;

    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(r->png);
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(r->png);
    if (hasTrns) png_set_tRNS_to_alpha(r->png);
    if (bitDepth == 16) png_set_scale_16(r->png);
    if (bitDepth < 8) png_set_packing(r->png);
    if ((colourType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(r->png);
    if (!alpha) png_set_filler(r->png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(r->png);  // bytes B, G, R, A: little-endian 0xAARRGGBB
    png_set_interlace_handling(r->png);
    png_read_update_info(r->png, r->info);
    if (png_get_rowbytes(r->png, r->info) != std::size_t{width} * 4) return kImageInvalidData;

    r->failure = detail::AllocateImage(width, height, ImageFileFormat::Png, r->source.size, limits, &r->image);
    if (FAILED(r->failure)) return r->failure;
    r->failure = kImageInvalidData;
    r->image.hasAlpha = alpha;
    r->rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        r->rows[y] = reinterpret_cast<png_bytep>(r->image.texels.data() + std::size_t{y} * width);
    png_read_image(r->png, r->rows.data());
    png_read_end(r->png, nullptr);
    return S_OK;
}

}  // namespace

HRESULT DecodePng(const BYTE* data, std::size_t size, DecodedImage* out, const DecodeLimits& limits) {
    static_assert(std::endian::native == std::endian::little, "texels are written as BGRA bytes");
    *out = DecodedImage{};
    if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0) return kImageInvalidData;
    // The header's size is judged before libpng allocates anything for the image.
    if (size >= 24 && std::memcmp(data + 12, "IHDR", 4) == 0) {
        auto be32 = [&](std::size_t at) {
            return (DWORD{data[at]} << 24) | (DWORD{data[at + 1]} << 16) | (DWORD{data[at + 2]} << 8) | data[at + 3];
        };
        const std::uint64_t width = be32(16), height = be32(20);
        if (width > kMaxImageDimension || height > kMaxImageDimension || width * height > kMaxImageTexels)
            return kImageTooLarge;
        // The filtered rows the image data must inflate to, at the fewest bits a pixel can take.
        if (size >= 26) {
            static const unsigned kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
            const unsigned depth = data[24], type = data[25];
            const unsigned channels = type < 7 ? kChannels[type] : 0;
            const std::uint64_t rowBytes = (width * channels * depth + 7) / 8 + 1;
            if (channels && rowBytes * height > size * detail::kMaxPngExpansion) return kImageInvalidData;
        }
    }
    auto reader = std::make_unique<PngReader>();
    reader->source = MemorySource{data, size, 0};
    reader->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, &OnError, &OnWarning);
    if (!reader->png) return E_OUTOFMEMORY;
    reader->info = png_create_info_struct(reader->png);
    if (!reader->info) return E_OUTOFMEMORY;
    const HRESULT hr = Run(reader.get(), limits);
    if (FAILED(hr)) return hr;
    *out = std::move(reader->image);
    return S_OK;
}

}  // namespace d3dx
