// Baseline and progressive JPEG through libjpeg: grey, YCbCr/RGB and (Adobe) CMYK/YCCK files.
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <csetjmp>
#include <memory>
#include <vector>

#include "d3dx8/image/imagecommon.h"

namespace d3dx {
namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    bool ranOut;
};

void OnError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1); }
void OnMessage(j_common_ptr) {}
// libjpeg pads a file that ends early with grey and only warns; a cut-off file is a failure here.
void OnEmit(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) reinterpret_cast<ErrorManager*>(info->err)->ranOut = true;
}

// A progressive file keeps the whole image's coefficients while it decodes, and every scan
// passes over all of them: both are bounded by the file's size, as the texels are.
constexpr long kMinCoefficientMemory = 16L << 20;
constexpr long kCoefficientBytesPerFileByte = 512;
constexpr int kMaxScans = 256;

void OnProgress(j_common_ptr info) {
    if (info->is_decompressor && reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans)
        std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// State that must survive a longjmp, on the heap behind a pointer fixed before setjmp.
struct JpegReader {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    bool created = false;
    jpeg_progress_mgr progress{};
    DecodedImage image;
    std::vector<JSAMPLE> row;
    HRESULT failure = kImageInvalidData;
    ~JpegReader() {
        if (created) jpeg_destroy_decompress(&info);
    }
};

HRESULT Run(JpegReader* r, const BYTE* data, std::size_t size, const DecodeLimits& limits) {
    r->info.err = jpeg_std_error(&r->errors.base);
    r->errors.base.error_exit = &OnError;
    r->errors.base.output_message = &OnMessage;
    r->errors.base.emit_message = &OnEmit;
    if (setjmp(r->errors.jump)) return r->failure;

    jpeg_create_decompress(&r->info);
    r->created = true;
    const std::uint64_t memory = std::uint64_t{size} * kCoefficientBytesPerFileByte;
    r->info.mem->max_memory_to_use =
        static_cast<long>(std::clamp<std::uint64_t>(memory, kMinCoefficientMemory, 1L << 30));
    r->progress.progress_monitor = &OnProgress;
    r->info.progress = &r->progress;
    jpeg_mem_src(&r->info, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&r->info, TRUE) != JPEG_HEADER_OK) return kImageInvalidData;

    const J_COLOR_SPACE space = r->info.jpeg_color_space;
    const bool cmyk = space == JCS_CMYK || space == JCS_YCCK;
    r->info.out_color_space = cmyk ? JCS_CMYK : space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;

    const std::uint64_t width = r->info.image_width, height = r->info.image_height;
    if (width * height > size * detail::kMaxJpegPixelsPerByte)
        return kImageInvalidData;  // more pixels than the file's bytes can code
    if (width > kMaxImageDimension || height > kMaxImageDimension || width * height > kMaxImageTexels)
        return detail::CheckImageBudget(width, height, size, DecodeLimits{kMaxImageDimension, limits.refusal});
    // Beyond the budget the image decodes at the first of 1/2, 1/4, 1/8 that fits it: libjpeg
    // then builds only the reduced image.
    unsigned denom = 1;
    auto scaled = [&](std::uint64_t side) { return (side + denom - 1) / denom; };
    while (denom < 8 &&
           FAILED(detail::CheckImageBudget(scaled(width), scaled(height), size, DecodeLimits{limits.maxSide})))
        denom *= 2;
    if (FAILED(detail::CheckImageBudget(scaled(width), scaled(height), size, DecodeLimits{limits.maxSide})))
        return detail::CheckImageBudget(width, height, size, limits);
    r->info.scale_num = 1;
    r->info.scale_denom = denom;
    jpeg_calc_output_dimensions(&r->info);
    r->failure = detail::AllocateImage(r->info.output_width, r->info.output_height, ImageFileFormat::Jpeg, size, limits,
                                       &r->image);
    if (FAILED(r->failure)) return r->failure;
    r->failure = kImageInvalidData;
    r->image.fileWidth = r->info.image_width;
    r->image.fileHeight = r->info.image_height;

    jpeg_start_decompress(&r->info);
    const unsigned channels = static_cast<unsigned>(r->info.output_components);
    if (r->info.output_width != r->image.width || r->info.output_height != r->image.height ||
        (channels != 1 && channels != 3 && channels != 4))
        return kImageInvalidData;
    r->row.resize(std::size_t{r->image.width} * channels);
    const bool adobeInverted = cmyk && r->info.saw_Adobe_marker;
    while (r->info.output_scanline < r->info.output_height) {
        const std::size_t y = r->info.output_scanline;
        JSAMPROW rows[1] = {r->row.data()};
        if (jpeg_read_scanlines(&r->info, rows, 1) != 1 || r->errors.ranOut) return kImageInvalidData;
        DWORD* dest = r->image.texels.data() + y * r->image.width;
        for (std::size_t x = 0; x < r->image.width; ++x) {
            const JSAMPLE* s = r->row.data() + x * channels;
            if (channels == 1) {
                dest[x] = detail::Argb(0xFF, s[0], s[0], s[0]);
            } else if (channels == 3) {
                dest[x] = detail::Argb(0xFF, s[0], s[1], s[2]);
            } else {
                // Adobe writers store CMYK inverted; the ink amounts then read directly as light.
                DWORD c = s[0], m = s[1], ye = s[2], k = s[3];
                if (!adobeInverted) c = 255 - c, m = 255 - m, ye = 255 - ye, k = 255 - k;
                dest[x] = detail::Argb(0xFF, c * k / 255, m * k / 255, ye * k / 255);
            }
        }
    }
    jpeg_finish_decompress(&r->info);
    return r->errors.ranOut ? kImageInvalidData : S_OK;
}

}  // namespace

HRESULT DecodeJpeg(const BYTE* data, std::size_t size, DecodedImage* out, const DecodeLimits& limits) {
    *out = DecodedImage{};
    if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8) return kImageInvalidData;
    auto reader = std::make_unique<JpegReader>();
    const HRESULT hr = Run(reader.get(), data, size, limits);
    if (FAILED(hr)) return hr;
    *out = std::move(reader->image);
    return S_OK;
}

}  // namespace d3dx
