// Baseline and progressive JPEG through libjpeg: grey, YCbCr/RGB and (Adobe) CMYK/YCCK files.
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

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

// State that must survive a longjmp, on the heap behind a pointer fixed before setjmp.
struct JpegReader {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    bool created = false;
    DecodedImage image;
    std::vector<JSAMPLE> row;
    HRESULT failure = kImageInvalidData;
    ~JpegReader() {
        if (created) jpeg_destroy_decompress(&info);
    }
};

HRESULT Run(JpegReader* r, const BYTE* data, std::size_t size) {
    r->info.err = jpeg_std_error(&r->errors.base);
    r->errors.base.error_exit = &OnError;
    r->errors.base.output_message = &OnMessage;
    r->errors.base.emit_message = &OnEmit;
    if (setjmp(r->errors.jump)) return r->failure;

    jpeg_create_decompress(&r->info);
    r->created = true;
    jpeg_mem_src(&r->info, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&r->info, TRUE) != JPEG_HEADER_OK) return kImageInvalidData;

    const J_COLOR_SPACE space = r->info.jpeg_color_space;
    const bool cmyk = space == JCS_CMYK || space == JCS_YCCK;
    r->info.out_color_space = cmyk ? JCS_CMYK : space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;

    if (std::uint64_t{r->info.image_width} * r->info.image_height > size * detail::kMaxJpegPixelsPerByte)
        return kImageInvalidData;  // more pixels than the file's bytes can code
    r->failure = detail::AllocateImage(r->info.image_width, r->info.image_height, ImageFileFormat::Jpeg,
                                       &r->image);
    if (FAILED(r->failure)) return r->failure;
    r->failure = kImageInvalidData;

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

HRESULT DecodeJpeg(const BYTE* data, std::size_t size, DecodedImage* out) {
    *out = DecodedImage{};
    if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8) return kImageInvalidData;
    auto reader = std::make_unique<JpegReader>();
    const HRESULT hr = Run(reader.get(), data, size);
    if (FAILED(hr)) return hr;
    *out = std::move(reader->image);
    return S_OK;
}

}  // namespace d3dx
