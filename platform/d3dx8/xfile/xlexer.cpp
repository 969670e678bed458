#include "d3dx8/xfile/xlexer.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>

namespace xfile {
namespace {

bool IsNameStart(BYTE c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsNameChar(BYTE c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-'; }
bool IsDigit(BYTE c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Binary token numbers of the encoding.
enum : WORD {
    kName = 1,
    kString = 2,
    kInteger = 3,
    kGuid = 5,
    kIntegerList = 6,
    kFloatList = 7,
    kOBrace = 0x0A,
    kCBrace = 0x0B,
    kOParen = 0x0C,
    kCParen = 0x0D,
    kOBracket = 0x0E,
    kCBracket = 0x0F,
    kOAngle = 0x10,
    kCAngle = 0x11,
    kDot = 0x12,
    kComma = 0x13,
    kSemicolon = 0x14,
    kTemplate = 0x1F,
    kWord = 0x28,
    kDword,
    kFloat,
    kDouble,
    kChar,
    kUchar,
    kSword,
    kSdword,
    kVoid,
    kLpstr,
    kUnicode,
    kCstring,
    kArray,
};

const char* KeywordText(WORD id) {
    switch (id) {
        case kTemplate: return "template";
        case kWord: return "WORD";
        case kDword: return "DWORD";
        case kFloat: return "FLOAT";
        case kDouble: return "DOUBLE";
        case kChar: return "CHAR";
        case kUchar: return "UCHAR";
        case kSword: return "SWORD";
        case kSdword: return "SDWORD";
        case kVoid: return "VOID";
        case kLpstr: return "LPSTR";
        case kUnicode: return "UNICODE";
        case kCstring: return "CSTRING";
        case kArray: return "array";
        default: return nullptr;
    }
}

// A number the scanner has delimited, read in place. from_chars rounds as strtod does; only out
// of range does it leave the value alone, where strtod's infinity or denormal is what we keep.
double ParseReal(const char* first, const char* last) {
    double value = 0;
    if (std::from_chars(first, last, value).ec == std::errc{}) return value;
    return std::strtod(std::string(first, last).c_str(), nullptr);
}

}  // namespace

bool ParseGuidText(std::string_view text, GUID* guid) {
    // 8-4-4-4-12 hexadecimal digits.
    static const int kGroups[5] = {8, 4, 4, 4, 12};
    std::size_t p = 0;
    BYTE bytes[16];
    int byteCount = 0;
    for (int g = 0; g < 5; ++g) {
        if (g > 0) {
            if (p >= text.size() || text[p] != '-') return false;
            ++p;
        }
        for (int i = 0; i < kGroups[g]; i += 2) {
            if (p + 1 >= text.size()) return false;
            const int hi = HexValue(text[p]), lo = HexValue(text[p + 1]);
            if (hi < 0 || lo < 0) return false;
            bytes[byteCount++] = static_cast<BYTE>(hi * 16 + lo);
            p += 2;
        }
    }
    if (p != text.size()) return false;
    guid->Data1 = (DWORD{bytes[0]} << 24) | (DWORD{bytes[1]} << 16) | (DWORD{bytes[2]} << 8) | bytes[3];
    guid->Data2 = static_cast<WORD>((bytes[4] << 8) | bytes[5]);
    guid->Data3 = static_cast<WORD>((bytes[6] << 8) | bytes[7]);
    std::memcpy(guid->Data4, bytes + 8, 8);
    return true;
}

Lexer::Lexer(const BYTE* data, std::size_t size, bool binary, bool doubles, std::size_t start)
    : m_data(data), m_size(size), m_pos(start), m_binary(binary), m_doubles(doubles) {}

const Token& Lexer::Peek() {
    if (!m_peeked) {
        m_nextStart = m_pos;
        Read(&m_next);
        m_peeked = true;
    }
    return m_next;
}

const Token& Lexer::Next() {
    Peek();
    m_peeked = false;
    return m_next;
}

void Lexer::Read(Token* t) {
    t->text = {};
    t->list = nullptr;
    t->count = 0;
    if (m_binary)
        ReadBinary(t);
    else
        ReadText(t);
}

void Lexer::ReadText(Token* t) {
    const BYTE* d = m_data;
    while (true) {
        while (m_pos < m_size && (d[m_pos] == ' ' || d[m_pos] == '\t' || d[m_pos] == '\r' || d[m_pos] == '\n')) ++m_pos;
        if (m_pos >= m_size) {
            t->kind = Tok::End;
            return;
        }
        const bool slashes = d[m_pos] == '/' && m_pos + 1 < m_size && d[m_pos + 1] == '/';
        if (!slashes && d[m_pos] != '#') break;
        while (m_pos < m_size && d[m_pos] != '\n') ++m_pos;
    }
    const BYTE c = d[m_pos];
    switch (c) {
        case '{':
            ++m_pos;
            t->kind = Tok::OBrace;
            return;
        case '}':
            ++m_pos;
            t->kind = Tok::CBrace;
            return;
        case '[':
            ++m_pos;
            t->kind = Tok::OBracket;
            return;
        case ']':
            ++m_pos;
            t->kind = Tok::CBracket;
            return;
        case ',':
        case ';':
            ++m_pos;
            t->kind = Tok::Separator;
            return;
        case '(':
        case ')':
        case '>':
            ++m_pos;
            t->kind = Tok::Other;
            return;
        default: break;
    }
    if (c == '<') {
        const std::size_t start = ++m_pos;
        while (m_pos < m_size && d[m_pos] != '>') ++m_pos;
        if (m_pos >= m_size) {
            t->kind = Tok::Error;
            return;
        }
        std::string_view text(reinterpret_cast<const char*>(d + start), m_pos - start);
        ++m_pos;
        while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
        while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
        t->kind = ParseGuidText(text, &t->guid) ? Tok::Guid : Tok::Error;
        return;
    }
    if (c == '"') {
        const std::size_t start = ++m_pos;
        while (m_pos < m_size && d[m_pos] != '"') ++m_pos;
        if (m_pos >= m_size) {
            t->kind = Tok::Error;
            return;
        }
        t->text = std::string_view(reinterpret_cast<const char*>(d + start), m_pos - start);
        ++m_pos;
        t->kind = Tok::String;
        return;
    }
    const bool signedNumber =
        (c == '-' || c == '+') && m_pos + 1 < m_size && (IsDigit(d[m_pos + 1]) || d[m_pos + 1] == '.');
    const bool dotNumber = c == '.' && m_pos + 1 < m_size && IsDigit(d[m_pos + 1]);
    if (IsDigit(c) || signedNumber || dotNumber) {
        std::size_t p = m_pos;
        if (d[p] == '-' || d[p] == '+') ++p;
        bool real = false;
        while (p < m_size && IsDigit(d[p])) ++p;
        if (p < m_size && d[p] == '.') {
            real = true;
            ++p;
            while (p < m_size && IsDigit(d[p])) ++p;
        }
        if (p < m_size && (d[p] == 'e' || d[p] == 'E')) {
            std::size_t q = p + 1;
            if (q < m_size && (d[q] == '-' || d[q] == '+')) ++q;
            if (q < m_size && IsDigit(d[q])) {
                real = true;
                p = q;
                while (p < m_size && IsDigit(d[p])) ++p;
            }
        }
        const char* first = reinterpret_cast<const char*>(d + m_pos);
        if (*first == '+') ++first;
        const char* last = reinterpret_cast<const char*>(d + p);
        m_pos = p;
        if (real) {
            t->kind = Tok::Real;
            t->real = m_realValues ? ParseReal(first, last) : 0;
            return;
        }
        const auto result = std::from_chars(first, last, t->integer);
        t->kind = result.ec == std::errc{} ? Tok::Integer : Tok::Error;
        return;
    }
    if (c == '.') {
        ++m_pos;
        t->kind = Tok::Dot;
        return;
    }
    if (IsNameStart(c)) {
        const std::size_t start = m_pos;
        while (m_pos < m_size && IsNameChar(d[m_pos])) ++m_pos;
        t->text = std::string_view(reinterpret_cast<const char*>(d + start), m_pos - start);
        t->kind = Tok::Name;
        return;
    }
    t->kind = Tok::Error;
}

void Lexer::ReadBinary(Token* t) {
    auto have = [&](std::uint64_t n) { return n <= m_size - m_pos; };
    auto u32 = [&]() {
        DWORD v;
        std::memcpy(&v, m_data + m_pos, 4);
        m_pos += 4;
        return v;
    };
    if (m_pos >= m_size) {
        t->kind = Tok::End;
        return;
    }
    if (!have(2)) {
        t->kind = Tok::Error;
        return;
    }
    const WORD id = static_cast<WORD>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
    m_pos += 2;
    t->kind = Tok::Error;
    switch (id) {
        case kName:
        case kString: {
            if (!have(4)) return;
            const DWORD count = u32();
            if (!have(count)) return;
            t->text = std::string_view(reinterpret_cast<const char*>(m_data + m_pos), count);
            m_pos += count;
            t->kind = id == kName ? Tok::Name : Tok::String;
            if (id == kString) SkipStringTerminator();
            return;
        }
        case kInteger:
            if (!have(4)) return;
            t->integer = u32();
            t->kind = Tok::Integer;
            return;
        case kGuid: {
            if (!have(16)) return;
            t->guid.Data1 = u32();
            t->guid.Data2 = static_cast<WORD>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
            t->guid.Data3 = static_cast<WORD>(m_data[m_pos + 2] | (m_data[m_pos + 3] << 8));
            std::memcpy(t->guid.Data4, m_data + m_pos + 4, 8);
            m_pos += 12;
            t->kind = Tok::Guid;
            return;
        }
        case kIntegerList: {
            if (!have(4)) return;
            const DWORD count = u32();
            if (!have(std::uint64_t{count} * 4)) return;
            t->list = m_data + m_pos;
            t->count = count;
            t->width = 4;
            m_pos += std::size_t{count} * 4;
            t->kind = Tok::IntegerList;
            return;
        }
        case kFloatList: {
            if (!have(4)) return;
            const DWORD count = u32();
            const std::size_t width = m_doubles ? 8 : 4;
            if (!have(std::uint64_t{count} * width)) return;
            t->list = m_data + m_pos;
            t->count = count;
            t->width = width;
            m_pos += std::size_t{count} * width;
            t->kind = Tok::RealList;
            return;
        }
        case kOBrace: t->kind = Tok::OBrace; return;
        case kCBrace: t->kind = Tok::CBrace; return;
        case kOBracket: t->kind = Tok::OBracket; return;
        case kCBracket: t->kind = Tok::CBracket; return;
        case kDot: t->kind = Tok::Dot; return;
        case kComma:
        case kSemicolon: t->kind = Tok::Separator; return;
        case kOParen:
        case kCParen:
        case kOAngle:
        case kCAngle: t->kind = Tok::Other; return;
        default:
            if (const char* keyword = KeywordText(id)) {
                t->text = keyword;
                t->kind = Tok::Name;
            }
            return;
    }
}

// A string ends with a separator written as a DWORD, which is taken here with the string; a
// separator written as a WORD, as some writers do, is left to be read as a token of its own.
void Lexer::SkipStringTerminator() {
    if (m_size - m_pos < 4) return;
    const WORD separator = static_cast<WORD>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
    if ((separator == kComma || separator == kSemicolon) && m_data[m_pos + 2] == 0 && m_data[m_pos + 3] == 0)
        m_pos += 4;
}

}  // namespace xfile
