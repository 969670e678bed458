// Fonts: fontconfig finds the face's file, FreeType measures and draws its glyphs.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <string>

#include "win32/gdiobjects.h"

namespace win32::gdi {

struct FontFace {
    FT_Face face = nullptr;
    bool embolden = false;
    bool oblique = false;
    int ascent = 0;   // pixels above the baseline in the cell
    int descent = 0;  // pixels below it
};

namespace {

FT_Library Library() {
    static FT_Library library = [] {
        FT_Library l = nullptr;
        if (FT_Init_FreeType(&l) != 0) l = nullptr;
        return l;
    }();
    return library;
}

// The font file fontconfig picks for the request, with what it gives of weight and slant.
bool Match(const char* faceName, bool bold, bool italic, std::string* file, int* index, bool* isBold, bool* isItalic) {
    if (!FcInit()) return false;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(faceName && *faceName ? faceName : "sans"));
    if (!pattern) return false;
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;
    FcChar8* path = nullptr;
    int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
    bool ok = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch;
    if (ok) {
        *file = reinterpret_cast<const char*>(path);
        if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
        FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        *isBold = weight >= FC_WEIGHT_DEMIBOLD;
        *isItalic = slant != FC_SLANT_ROMAN;
    }
    FcPatternDestroy(match);
    return ok;
}

// Loads a character's glyph, with the synthetic styles applied; false when it has none.
bool LoadGlyph(FontFace& f, unsigned char c, bool render) {
    if (FT_Load_Char(f.face, c, FT_LOAD_DEFAULT) != 0) return false;
    if (f.embolden) FT_GlyphSlot_Embolden(f.face->glyph);
    if (f.oblique) FT_GlyphSlot_Oblique(f.face->glyph);
    if (render && FT_Render_Glyph(f.face->glyph, FT_RENDER_MODE_NORMAL) != 0) return false;
    return true;
}

int Advance(FontFace& f, unsigned char c) {
    if (!LoadGlyph(f, c, false)) return 0;
    return static_cast<int>((f.face->glyph->advance.x + 32) >> 6);
}

}  // namespace

Font::~Font() {
    if (face) {
        if (face->face) FT_Done_Face(face->face);
        delete face;
    }
}

}  // namespace win32::gdi

using namespace win32::gdi;

HFONT CreateFontA(int height, int, int, int, int weight, DWORD italic, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD,
                  LPCSTR faceName) {
    std::lock_guard lock(Objects().mutex);
    FT_Library library = Library();
    if (!library) return nullptr;
    const bool bold = weight >= 600;
    std::string file;
    int index = 0;
    bool isBold = false, isItalic = false;
    if (!Match(faceName, bold, italic != 0, &file, &index, &isBold, &isItalic)) return nullptr;
    auto face = std::make_unique<FontFace>();
    if (FT_New_Face(library, file.c_str(), index, &face->face) != 0) return nullptr;
    face->embolden = bold && !isBold;
    face->oblique = italic && !isItalic;
    FT_Face ft = face->face;
    const int units = ft->units_per_EM ? ft->units_per_EM : 2048;
    // Windows' cell is the OS/2 table's win ascent plus win descent.
    double ascentUnits = ft->ascender, descentUnits = -ft->descender;
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2)); os2 && os2->usWinAscent) {
        ascentUnits = os2->usWinAscent;
        descentUnits = os2->usWinDescent;
    }
    int pixels = height < 0 ? -height : height;
    if (height > 0) pixels = static_cast<int>(std::lround(height * units / (ascentUnits + descentUnits)));
    if (pixels == 0) pixels = 16;
    if (FT_Set_Pixel_Sizes(ft, 0, static_cast<FT_UInt>(pixels)) != 0) return nullptr;
    face->ascent = static_cast<int>(std::ceil(ascentUnits * pixels / units));
    face->descent = static_cast<int>(std::ceil(descentUnits * pixels / units));
    auto font = std::make_unique<Font>();
    font->face = face.release();
    return static_cast<HFONT>(Objects().Add(std::move(font)));
}

BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int count, LPSIZE size) {
    std::lock_guard lock(Objects().mutex);
    Dc* dc = Objects().FindDc(hdc);
    if (!dc || !size || count < 0 || (count > 0 && !text)) return FALSE;
    Font* font = Objects().FindFont(dc->font);
    if (!font) return FALSE;
    LONG width = 0;
    for (int i = 0; i < count; ++i) width += Advance(*font->face, static_cast<unsigned char>(text[i]));
    *size = SIZE{width, font->face->ascent + font->face->descent};
    return TRUE;
}

BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT*, LPCSTR text, UINT count, const INT* dx) {
    std::lock_guard lock(Objects().mutex);
    Dc* dc = Objects().FindDc(hdc);
    if (!dc || (count > 0 && !text)) return FALSE;
    Font* font = Objects().FindFont(dc->font);
    Bitmap* target = Objects().FindBitmap(dc->bitmap);
    if (!font || !target) return FALSE;
    FontFace& f = *font->face;
    const int cell = f.ascent + f.descent;
    // COLORREF is 0x00BBGGRR; bitmap pixels are 0x00RRGGBB.
    auto toPixel = [](COLORREF c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); };
    const DWORD fg = toPixel(dc->textColor), bg = toPixel(dc->bkColor);
    auto inside = [&](int px, int py) { return px >= 0 && py >= 0 && px < target->width && py < target->height; };
    for (UINT i = 0; i < count; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const int advance = Advance(f, c);
        if (options & ETO_OPAQUE)
            for (int py = y; py < y + cell; ++py)
                for (int px = x; px < x + advance; ++px)
                    if (inside(px, py)) target->At(px, py) = bg;
        if (LoadGlyph(f, c, true)) {
            const FT_GlyphSlot g = f.face->glyph;
            const FT_Bitmap& b = g->bitmap;
            const int left = x + g->bitmap_left, top = y + f.ascent - g->bitmap_top;
            for (unsigned row = 0; row < b.rows; ++row)
                for (unsigned col = 0; col < b.width; ++col) {
                    const int px = left + static_cast<int>(col), py = top + static_cast<int>(row);
                    if (!inside(px, py)) continue;
                    const unsigned cover = b.buffer[static_cast<std::ptrdiff_t>(row) * b.pitch + col];
                    if (cover == 0) continue;
                    DWORD& d = target->At(px, py);
                    DWORD out = 0;
                    for (int shift = 0; shift < 24; shift += 8) {
                        const int dc8 = static_cast<int>((d >> shift) & 0xFF),
                                  fc = static_cast<int>((fg >> shift) & 0xFF);
                        out |= static_cast<DWORD>(dc8 + (fc - dc8) * static_cast<int>(cover) / 255) << shift;
                    }
                    d = out;
                }
        }
        x += dx ? dx[i] : advance;
    }
    return TRUE;
}
