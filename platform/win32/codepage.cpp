#include "win32/codepage.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Windows-1252 bytes 0x80..0x9F; the rest of the page is Latin-1. Unassigned bytes map to
// themselves, as the platform's table does.
constexpr char16_t kHigh1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t ByteToWide(unsigned char b) {
    return (b >= 0x80 && b <= 0x9F) ? kHigh1252[b - 0x80] : static_cast<char16_t>(b);
}

// The 1252 byte for a UTF-16 unit, or -1 when the page has none.
int WideToByte(char16_t w) {
    if (w < 0x80 || (w >= 0xA0 && w <= 0xFF)) return w;
    for (int i = 0; i < 32; ++i)
        if (kHigh1252[i] == w) return 0x80 + i;
    return -1;
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD /*flags*/, LPCSTR src, int cbMultiByte, LPWSTR dst, int cchWideChar) {
    if (!src || cbMultiByte == 0 || cchWideChar < 0 || (codePage != CP_ACP && codePage != 1252)) return 0;
    const int n = cbMultiByte < 0 ? static_cast<int>(std::char_traits<char>::length(src)) + 1 : cbMultiByte;
    if (cchWideChar == 0) return n;
    if (!dst) return 0;
    const int fit = n < cchWideChar ? n : cchWideChar;
    for (int i = 0; i < fit; ++i) dst[i] = ByteToWide(static_cast<unsigned char>(src[i]));
    return fit == n ? n : 0;
}

int WideCharToMultiByte(UINT codePage, DWORD /*flags*/, LPCWSTR src, int cchWideChar, LPSTR dst, int cbMultiByte,
                        LPCSTR defaultChar, BOOL* usedDefaultChar) {
    if (!src || cchWideChar == 0 || cbMultiByte < 0 || (codePage != CP_ACP && codePage != 1252)) return 0;
    int n = cchWideChar;
    if (n < 0) {
        n = 0;
        while (src[n]) ++n;
        ++n;
    }
    if (usedDefaultChar) *usedDefaultChar = FALSE;
    if (cbMultiByte == 0) return n;
    if (!dst) return 0;
    const char fallback = defaultChar ? *defaultChar : '?';
    const int fit = n < cbMultiByte ? n : cbMultiByte;
    for (int i = 0; i < fit; ++i) {
        const int b = WideToByte(src[i]);
        if (b < 0) {
            dst[i] = fallback;
            if (usedDefaultChar) *usedDefaultChar = TRUE;
        } else {
            dst[i] = static_cast<char>(b);
        }
    }
    return fit == n ? n : 0;
}

int wsprintfW(LPWSTR out, LPCWSTR format, ...) {
    va_list args;
    va_start(args, format);
    const int n = wvsprintfW(out, format, args);
    va_end(args);
    return n;
}

int wvsprintfW(LPWSTR out, LPCWSTR format, va_list args) {
    constexpr std::size_t kLimit = 1024;
    if (!out || !format) return 0;
    // Formatted in the code page, then widened: every conversion's text is single-byte.
    auto narrow = [](char16_t w) {
        const int b = WideToByte(w);
        return static_cast<char>(b < 0 ? '?' : b);
    };
    std::string text;
    for (LPCWSTR p = format; *p && text.size() < kLimit; ++p) {
        if (*p != u'%') {
            text += narrow(*p);
            continue;
        }
        std::string spec = "%";
        LPCWSTR q = p + 1;
        while (*q && *q < 0x80 && std::strchr("-+ #0123456789.", static_cast<char>(*q)))
            spec += static_cast<char>(*q++);
        while (*q == u'l' || *q == u'h') ++q;  // both 32 bits wide, as an int here
        char piece[kLimit + 1] = "";
        switch (*q) {
            case u'd':
            case u'i': std::snprintf(piece, sizeof piece, (spec + 'd').c_str(), va_arg(args, int)); break;
            case u'u':
            case u'x':
            case u'X':
                std::snprintf(piece, sizeof piece, (spec + static_cast<char>(*q)).c_str(), va_arg(args, unsigned));
                break;
            case u'c':
                std::snprintf(piece, sizeof piece, (spec + 'c').c_str(),
                              narrow(static_cast<char16_t>(va_arg(args, int))));
                break;
            case u's': {
                std::string arg;
                for (LPCWSTR w = va_arg(args, LPCWSTR); w && *w; ++w) arg += narrow(*w);
                std::snprintf(piece, sizeof piece, (spec + 's').c_str(), arg.c_str());
                break;
            }
            case u'%':
                piece[0] = '%';
                piece[1] = '\0';
                break;
            default:  // no conversion: the text stays as written
                for (LPCWSTR w = p; w < q; ++w) text += narrow(*w);
                p = q - 1;
                continue;
        }
        text += piece;
        p = q;
    }
    if (text.size() > kLimit) text.resize(kLimit);
    for (std::size_t i = 0; i < text.size(); ++i) out[i] = ByteToWide(static_cast<unsigned char>(text[i]));
    out[text.size()] = 0;
    return static_cast<int>(text.size());
}

void OutputDebugStringA(LPCSTR text) {
    if (text) std::fputs(text, stderr);
}

std::string win32::AnsiToUtf8(const char* text) {
    std::string out;
    if (!text) return out;
    for (const char* p = text; *p; ++p) {
        const char16_t w = ByteToWide(static_cast<unsigned char>(*p));
        if (w < 0x80) {
            out += static_cast<char>(w);
        } else if (w < 0x800) {
            out += static_cast<char>(0xC0 | (w >> 6));
            out += static_cast<char>(0x80 | (w & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (w >> 12));
            out += static_cast<char>(0x80 | ((w >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (w & 0x3F));
        }
    }
    return out;
}

std::string win32::Utf8ToAnsi(const char* text) {
    std::string out;
    if (!text) return out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p;) {
        std::uint32_t cp = *p;
        const int extra = cp < 0x80 ? 0 : (cp >> 5) == 6 ? 1 : (cp >> 4) == 14 ? 2 : (cp >> 3) == 30 ? 3 : -1;
        ++p;
        if (extra < 0) continue;
        cp &= extra == 0 ? 0x7F : (0x3F >> extra);
        bool ok = true;
        for (int i = 0; i < extra; ++i, ++p) {
            if ((*p & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (*p & 0x3F);
        }
        if (!ok || cp > 0xFFFF) continue;
        const int b = WideToByte(static_cast<char16_t>(cp));
        if (b >= 0) out.push_back(static_cast<char>(b));
    }
    return out;
}
