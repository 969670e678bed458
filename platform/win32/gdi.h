// GDI as the texture font and the hardware-cursor helper use it: memory device contexts,
// 32-bit device-independent bitmap sections, fonts found through fontconfig and drawn with
// FreeType, cursor images as bitmaps, and reading bitmaps back.
#pragma once

#include "win32/wintypes.h"

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;  // negative: rows top-down
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};
struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
};
struct ICONINFO {
    BOOL fIcon;
    DWORD xHotspot;
    DWORD yHotspot;
    HBITMAP hbmMask;
    HBITMAP hbmColor;  // NULL for a monochrome cursor: its mask holds the AND and the XOR image
};

#define BI_RGB 0
#define DIB_RGB_COLORS 0
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define BITSPIXEL 12
#define HORZRES 8
#define VERTRES 10
#define MM_TEXT 1
#define TA_LEFT 0
#define TA_TOP 0
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004
#define FW_NORMAL 400
#define FW_BOLD 700
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define GDI_ERROR 0xFFFFFFFFu
#define CLR_INVALID 0xFFFFFFFFu

// Device contexts. The screen's (GetDC) reports 96 pixels per logical inch.
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC hdc);
int GetDeviceCaps(HDC hdc, int index);
int SetMapMode(HDC hdc, int mode);
COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF SetBkColor(HDC hdc, COLORREF color);
UINT SetTextAlign(HDC hdc, UINT align);

// Only 32-bit BI_RGB sections; *bits receives the rows (stored as the description says).
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset);
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
// Fails for an object still selected into a context.
BOOL DeleteObject(HGDIOBJ object);
int GetObjectA(HGDIOBJ object, int size, LPVOID out);
// Rows of a bitmap as 32-bit pixels (0x00RRGGBB), bottom-up unless the height is negative.
int GetDIBits(HDC hdc, HBITMAP bitmap, UINT startScan, UINT scanLines, LPVOID bits, BITMAPINFO* info, UINT usage);

// Fonts: height < 0 is the em height in pixels, > 0 the cell height. A face missing in bold or
// italic is made bold or slanted by FreeType. NULL when no font file can be found at all.
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                  DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, LPCSTR faceName);
// Width: the sum of the rounded advances; height: the font's cell (ascent + descent).
BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int count, LPSIZE size);
// Draws into the selected bitmap with the top of the cell at y; ETO_OPAQUE fills each cell with
// the background colour first. Writes are clipped to the bitmap.
BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count, const INT* dx);

// The bitmaps of a cursor, which the caller deletes.
BOOL GetIconInfo(HICON icon, ICONINFO* info);

// number x numerator / denominator, rounded half away from zero; -1 for a zero denominator.
int MulDiv(int number, int numerator, int denominator);
