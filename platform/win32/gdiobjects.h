// The objects behind GDI handles (a handle is the object's address), shared by the GDI files.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "win32/gdi.h"

namespace win32::gdi {

struct Object {
    virtual ~Object() = default;
};

struct Bitmap : Object {
    LONG width = 0, height = 0;
    WORD bitsPerPixel = 32;
    bool section = false;
    bool topDown = true;
    std::vector<DWORD> pixels;  // 0x00RRGGBB, rows in storage order
    DWORD& At(LONG x, LONG y) {
        const LONG row = topDown ? y : height - 1 - y;
        return pixels[static_cast<std::size_t>(row) * width + x];
    }
    DWORD At(LONG x, LONG y) const { return const_cast<Bitmap*>(this)->At(x, y); }
};

struct FontFace;  // FreeType state, in the font file
struct Font : Object {
    ~Font() override;
    FontFace* face = nullptr;
};

struct Dc : Object {
    bool screen = false;
    HGDIOBJ bitmap = nullptr;
    HGDIOBJ font = nullptr;
    COLORREF textColor = 0;
    COLORREF bkColor = 0xFFFFFF;
    UINT align = TA_TOP;
};

struct Table {
    std::recursive_mutex mutex;
    std::map<HGDIOBJ, std::unique_ptr<Object>> objects;
    Bitmap* FindBitmap(HGDIOBJ h);
    Dc* FindDc(HGDIOBJ h);
    Font* FindFont(HGDIOBJ h);
    HGDIOBJ Add(std::unique_ptr<Object> object);
    bool Selected(HGDIOBJ h) const;
};

Table& Objects();

// What a new context holds before anything is selected into it.
inline HGDIOBJ StockBitmap() { return reinterpret_cast<HGDIOBJ>(std::uintptr_t{0x6D10001}); }
inline HGDIOBJ StockFont() { return reinterpret_cast<HGDIOBJ>(std::uintptr_t{0x6D10002}); }

}  // namespace win32::gdi
