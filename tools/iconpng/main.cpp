// iconpng SIZE FILE: writes the program's icon image of that size (16 or 32) as a PNG with
// transparency, for the desktop's icon theme.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "resources/resource.h"
#include "resources/programtables.h"

namespace {

int Nibble(char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1; }

bool WriteRgbaPng(const char* path, int size, const std::vector<png_byte>& rgba) {
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = png && info && !setjmp(png_jmpbuf(png));
    if (ok) {
        png_init_io(png, file);
        png_set_IHDR(png, info, size, size, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < size; ++y) png_write_row(png, &rgba[static_cast<size_t>(y) * size * 4]);
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    const int size = argc == 3 ? std::atoi(argv[1]) : 0;
    const res::Icon* icon = res::FindIn(res::ProgramIcons(), IDI_MAIN_ICON);
    const res::IconImage* image = nullptr;
    if (icon)
        for (const res::IconImage& i : icon->images)
            if (i.width == size && i.height == size) image = &i;
    if (!image) {
        std::fprintf(stderr, "usage: iconpng 16|32 FILE\n");
        return 2;
    }
    std::vector<png_byte> rgba(static_cast<size_t>(size) * size * 4, 0);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size && x < static_cast<int>(std::strlen(image->rows[y])); ++x) {
            const int index = Nibble(image->rows[y][x]);
            if (index < 0) continue;  // transparent
            const std::uint32_t c = icon->palette[index];
            png_byte* p = &rgba[(static_cast<size_t>(y) * size + x) * 4];
            p[0] = static_cast<png_byte>(c >> 16);
            p[1] = static_cast<png_byte>(c >> 8);
            p[2] = static_cast<png_byte>(c);
            p[3] = 255;
        }
    if (!WriteRgbaPng(argv[2], size, rgba)) {
        std::fprintf(stderr, "iconpng: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
