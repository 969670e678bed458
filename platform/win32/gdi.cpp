// The GDI object table: device contexts and bitmaps, and the bitmaps behind cursors.
#include "win32/gdi.h"

#include <cstdlib>
#include <cstring>

#include "win32/resources.h"
#include "win32/gdiobjects.h"

namespace win32::gdi {

Table& Objects() {
    static Table table;
    return table;
}

Bitmap* Table::FindBitmap(HGDIOBJ h) {
    auto it = objects.find(h);
    return it == objects.end() ? nullptr : dynamic_cast<Bitmap*>(it->second.get());
}
Dc* Table::FindDc(HGDIOBJ h) {
    auto it = objects.find(h);
    return it == objects.end() ? nullptr : dynamic_cast<Dc*>(it->second.get());
}
Font* Table::FindFont(HGDIOBJ h) {
    auto it = objects.find(h);
    return it == objects.end() ? nullptr : dynamic_cast<Font*>(it->second.get());
}

HGDIOBJ Table::Add(std::unique_ptr<Object> object) {
    HGDIOBJ h = object.get();
    objects.emplace(h, std::move(object));
    return h;
}

bool Table::Selected(HGDIOBJ h) const {
    for (const auto& [handle, object] : objects)
        if (const auto* dc = dynamic_cast<const Dc*>(object.get()); dc && (dc->bitmap == h || dc->font == h))
            return true;
    return false;
}

}  // namespace win32::gdi

using namespace win32::gdi;

namespace {

HDC NewDc(bool screen) {
    auto dc = std::make_unique<Dc>();
    dc->screen = screen;
    return static_cast<HDC>(Objects().Add(std::move(dc)));
}

HBITMAP NewBitmap(LONG width, LONG height, WORD bitsPerPixel) {
    auto b = std::make_unique<Bitmap>();
    b->width = width;
    b->height = height;
    b->bitsPerPixel = bitsPerPixel;
    b->pixels.assign(static_cast<std::size_t>(width) * height, 0);
    return static_cast<HBITMAP>(Objects().Add(std::move(b)));
}

// A plain arrow for the system cursors, which have no image of their own here.
bool ArrowRow(int x, int y, char* out) {
    if (y >= 20 || x > y || x >= 13) return false;
    *out = (x == 0 || x == y || x == 12 || y == 19) ? '#' : '+';
    return true;
}

}  // namespace

HDC CreateCompatibleDC(HDC) {
    std::lock_guard lock(Objects().mutex);
    return NewDc(false);
}

BOOL DeleteDC(HDC hdc) {
    std::lock_guard lock(Objects().mutex);
    return Objects().FindDc(hdc) && Objects().objects.erase(hdc) ? TRUE : FALSE;
}

HDC GetDC(HWND) {
    std::lock_guard lock(Objects().mutex);
    return NewDc(true);
}

int ReleaseDC(HWND, HDC hdc) {
    std::lock_guard lock(Objects().mutex);
    Dc* dc = Objects().FindDc(hdc);
    if (!dc || !dc->screen) return 0;
    Objects().objects.erase(hdc);
    return 1;
}

int GetDeviceCaps(HDC /*hdc*/, int index) {
    switch (index) {
        case LOGPIXELSX:
        case LOGPIXELSY: return 96;
        case BITSPIXEL: return 32;
        case HORZRES: return 1024;
        case VERTRES: return 768;
        default: return 0;
    }
}

int SetMapMode(HDC hdc, int mode) {
    std::lock_guard lock(Objects().mutex);
    Dc* dc = Objects().FindDc(hdc);
    if (!dc || mode != MM_TEXT) return 0;
    return MM_TEXT;
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
    std::lock_guard lock(Objects().mutex);
    Dc* dc = Objects().FindDc(hdc);
    if (!dc) return CLR_INVALID;
    const COLORREF old = dc->textColor;
    dc->textColor = color;
    return old;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
    std::lock_guard lock(Objects().mutex);
    Dc* dc = Objects().FindDc(hdc);
    if (!dc) return CLR_INVALID;
    const COLORREF old = dc->bkColor;
    dc->bkColor = color;
    return old;
}

UINT SetTextAlign(HDC hdc, UINT align) {
    std::lock_guard lock(Objects().mutex);
    Dc* dc = Objects().FindDc(hdc);
    if (!dc) return GDI_ERROR;
    const UINT old = dc->align;
    dc->align = align;
    return old;
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE, DWORD) {
    if (bits) *bits = nullptr;
    if (!info || usage != DIB_RGB_COLORS) return nullptr;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    const long long height = h.biHeight < 0 ? -static_cast<long long>(h.biHeight) : h.biHeight;
    if (h.biBitCount != 32 || h.biCompression != BI_RGB || h.biWidth <= 0 || height <= 0 || h.biWidth > 16384 ||
        height > 16384)
        return nullptr;
    std::lock_guard lock(Objects().mutex);
    HBITMAP bitmap = NewBitmap(h.biWidth, static_cast<LONG>(height), 32);
    Bitmap* b = Objects().FindBitmap(bitmap);
    b->section = true;
    b->topDown = h.biHeight < 0;
    if (bits) *bits = b->pixels.data();
    return bitmap;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
    std::lock_guard lock(Objects().mutex);
    Dc* dc = Objects().FindDc(hdc);
    if (!dc) return nullptr;
    if (object == StockBitmap() || Objects().FindBitmap(object)) {
        HGDIOBJ old = dc->bitmap ? dc->bitmap : StockBitmap();
        dc->bitmap = object == StockBitmap() ? nullptr : object;
        return old;
    }
    if (object == StockFont() || Objects().FindFont(object)) {
        HGDIOBJ old = dc->font ? dc->font : StockFont();
        dc->font = object == StockFont() ? nullptr : object;
        return old;
    }
    return nullptr;
}

BOOL DeleteObject(HGDIOBJ object) {
    if (object == StockBitmap() || object == StockFont()) return TRUE;
    std::lock_guard lock(Objects().mutex);
    if (!Objects().FindBitmap(object) && !Objects().FindFont(object)) return FALSE;
    if (Objects().Selected(object)) return FALSE;
    Objects().objects.erase(object);
    return TRUE;
}

int GetObjectA(HGDIOBJ object, int size, LPVOID out) {
    std::lock_guard lock(Objects().mutex);
    const Bitmap* b = Objects().FindBitmap(object);
    if (!b) return 0;
    if (!out) return sizeof(BITMAP);
    if (size < static_cast<int>(sizeof(BITMAP))) return 0;
    BITMAP bm{};
    bm.bmWidth = b->width;
    bm.bmHeight = b->height;
    bm.bmBitsPixel = b->bitsPerPixel;
    bm.bmPlanes = 1;
    bm.bmWidthBytes = ((b->width * b->bitsPerPixel + 15) / 16) * 2;
    bm.bmBits = b->section ? const_cast<DWORD*>(b->pixels.data()) : nullptr;
    std::memcpy(out, &bm, sizeof bm);
    return sizeof(BITMAP);
}

int GetDIBits(HDC hdc, HBITMAP bitmap, UINT startScan, UINT scanLines, LPVOID bits, BITMAPINFO* info, UINT usage) {
    std::lock_guard lock(Objects().mutex);
    const Bitmap* b = Objects().FindBitmap(bitmap);
    if (!b || !info || !Objects().FindDc(hdc)) return 0;
    BITMAPINFOHEADER& h = info->bmiHeader;
    if (!bits) {
        h.biWidth = b->width;
        h.biHeight = b->height;
        h.biPlanes = 1;
        h.biBitCount = b->bitsPerPixel;
        h.biCompression = BI_RGB;
        return b->height;
    }
    if (h.biBitCount != 32 || h.biCompression != BI_RGB || usage != DIB_RGB_COLORS || h.biWidth != b->width) return 0;
    const bool topDown = h.biHeight < 0;
    auto* out = static_cast<DWORD*>(bits);
    UINT written = 0;
    // Scan line i of the request counts from the bottom for a bottom-up description.
    for (UINT i = 0; i < scanLines; ++i) {
        const long long scan = static_cast<long long>(startScan) + i;
        if (scan >= b->height) break;
        const LONG y = topDown ? static_cast<LONG>(scan) : b->height - 1 - static_cast<LONG>(scan);
        for (LONG x = 0; x < b->width; ++x) out[static_cast<std::size_t>(i) * b->width + x] = b->At(x, y) & 0x00FFFFFF;
        ++written;
    }
    return static_cast<int>(written);
}

BOOL GetIconInfo(HICON icon, ICONINFO* info) {
    if (!info) return FALSE;
    const auto value = reinterpret_cast<std::uintptr_t>(icon);
    const std::uintptr_t kind = value & ~std::uintptr_t{0xFFFF};
    const int id = static_cast<int>(value & 0xFFFF);
    // The cursor handle encodings of the windowing layer: system 0x1A0000 + id, resource 0x1D0000 + id.
    int width = 32, height = 32, hotX = 0, hotY = 0;
    const res::Cursor* def = nullptr;
    if (kind == 0x1D0000) {
        def = res::FindCursor(id);
        if (!def) return FALSE;
        width = def->width;
        height = def->height;
        hotX = def->hotX;
        hotY = def->hotY;
    } else if (kind != 0x1A0000) {
        return FALSE;
    }
    std::lock_guard lock(Objects().mutex);
    HBITMAP mask = NewBitmap(width, height * 2, 1);
    Bitmap* m = Objects().FindBitmap(mask);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            char c = '.';
            if (def) {
                c = def->rows[y][x];
            } else if (!ArrowRow(x, y, &c)) {
                c = '.';
            }
            // AND mask in the upper half (set: transparent), XOR image in the lower half.
            m->At(x, y) = c == '.' ? 0xFFFFFF : 0;
            m->At(x, y + height) = (c == '.' || c == '#') ? 0 : 0xFFFFFF;
        }
    *info = ICONINFO{FALSE, static_cast<DWORD>(hotX), static_cast<DWORD>(hotY), mask, nullptr};
    return TRUE;
}

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    const long long product = static_cast<long long>(number) * numerator;
    long long q = (std::llabs(product) + std::llabs(static_cast<long long>(denominator)) / 2) /
                  std::llabs(static_cast<long long>(denominator));
    if ((product < 0) != (denominator < 0)) q = -q;
    if (q > 0x7FFFFFFF || q < -0x7FFFFFFFLL - 1) return -1;
    return static_cast<int>(q);
}
