#include "win32/capture.h"

#include <epoxy/gl.h>
#include <png.h>

#include <cstdio>
#include <algorithm>
#include <memory>

namespace win32::detail::capture {

bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb) {
    if (width <= 0 || height <= 0 || rgb.size() < static_cast<size_t>(width) * height * 3) {
        std::fprintf(stderr, "capture: nothing to write to %s\n", path.c_str());
        return false;
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file) {
        std::fprintf(stderr, "capture: cannot write %s\n", path.c_str());
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fprintf(stderr, "capture: failed writing %s\n", path.c_str());
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, const_cast<png_bytep>(rgb.data() + static_cast<size_t>(y) * width * 3));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool CaptureFramebuffer(const std::string& path, int x, int y, int width, int height) {
    if (width <= 0 || height <= 0) return WritePng(path, 0, 0, {});
    std::vector<std::uint8_t> pixels(static_cast<size_t>(width) * height * 3);
    GLint pack = 4, packBuffer = 0;
    glGetIntegerv(GL_PACK_ALIGNMENT, &pack);
    glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &packBuffer);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, pack);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, static_cast<GLuint>(packBuffer));
    // GL rows run bottom-up; PNG rows top-down.
    std::vector<std::uint8_t> flipped(pixels.size());
    size_t row = static_cast<size_t>(width) * 3;
    for (int r = 0; r < height; ++r) std::copy_n(pixels.data() + (height - 1 - r) * row, row, flipped.data() + r * row);
    return WritePng(path, width, height, flipped);
}

}  // namespace win32::detail::capture
