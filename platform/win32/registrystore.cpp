#include "win32/registrystore.h"

#include <algorithm>
#include <optional>

namespace win32::registry {

namespace {

unsigned char Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

constexpr char kHex[] = "0123456789abcdef";

void AppendHexByte(std::string& out, unsigned char b) {
    out += kHex[b >> 4];
    out += kHex[b & 15];
}

// '%' itself, the quote that ends a name and every control character (a line break would end the
// line) become %XX.
std::string Escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F || c == '%' || c == '"') {
            out += '%';
            AppendHexByte(out, c);
        } else {
            out += ch;
        }
    }
    return out;
}

// A '%' not followed by two hex digits stands for itself: stores written before names were
// escaped read as they did.
std::string Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// One to eight hex digits and nothing else.
std::optional<DWORD> ParseHex32(std::string_view text) {
    if (text.empty() || text.size() > 8) return std::nullopt;
    DWORD v = 0;
    for (const char c : text) {
        const int d = HexDigit(c);
        if (d < 0) return std::nullopt;
        v = v << 4 | static_cast<DWORD>(d);
    }
    return v;
}

// "hh,hh,...": every byte two digits, separated by single commas; empty is no bytes.
std::optional<std::vector<BYTE>> ParseBytes(std::string_view text) {
    std::vector<BYTE> bytes;
    if (text.empty()) return bytes;
    if (text.size() % 3 != 2 || text.size() / 3 + 1 > kMaxValueBytes) return std::nullopt;
    bytes.reserve(text.size() / 3 + 1);
    for (std::size_t i = 0; i < text.size(); i += 3) {
        const int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0 || (i + 2 < text.size() && text[i + 2] != ',')) return std::nullopt;
        bytes.push_back(static_cast<BYTE>(hi * 16 + lo));
    }
    return bytes;
}

std::optional<Value> ParseValue(std::string_view rest) {
    Value v;
    if (rest.starts_with("sz:")) {
        if (rest.size() - 3 + 1 > kMaxValueBytes) return std::nullopt;
        v.type = 1;  // REG_SZ
        v.data.assign(rest.begin() + 3, rest.end());
        v.data.push_back(0);
    } else if (rest.starts_with("dword:")) {
        const auto d = ParseHex32(rest.substr(6));
        if (!d) return std::nullopt;
        v.type = 4;  // REG_DWORD
        v.data = {BYTE(*d), BYTE(*d >> 8), BYTE(*d >> 16), BYTE(*d >> 24)};
    } else if (rest.starts_with("hex(")) {
        const auto close = rest.find("):");
        if (close == std::string_view::npos) return std::nullopt;
        const auto type = ParseHex32(rest.substr(4, close - 4));
        auto bytes = ParseBytes(rest.substr(close + 2));
        if (!type || !bytes) return std::nullopt;
        v.type = *type;
        v.data = std::move(*bytes);
    } else {
        return std::nullopt;
    }
    return v;
}

// Written as "sz:": a REG_SZ whose only zero byte is its last and that holds no line break.
bool IsPlainText(const Value& v) {
    if (v.type != 1 || v.data.empty() || v.data.back() != 0) return false;
    return std::none_of(v.data.begin(), v.data.end() - 1, [](BYTE b) { return b == 0 || b == '\n' || b == '\r'; });
}

}  // namespace

bool NoCaseLess::operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return Lower(static_cast<unsigned char>(x)) < Lower(static_cast<unsigned char>(y));
    });
}

KeyMap ParseStore(std::string_view text) {
    KeyMap keys;
    ValueMap* current = nullptr;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            current = &keys[Unescape(line.substr(1, line.size() - 2))];
            continue;
        }
        if (!current || line.size() < 4 || line[0] != '"') continue;
        const auto close = line.find("\"=", 1);
        if (close == std::string_view::npos) continue;
        auto value = ParseValue(line.substr(close + 2));
        if (!value) continue;
        (*current)[Unescape(line.substr(1, close - 1))] = std::move(*value);
    }
    return keys;
}

std::string FormatStore(const KeyMap& keys) {
    std::string out;
    for (const auto& [key, values] : keys) {
        out += '[';
        out += Escape(key);
        out += "]\n";
        for (const auto& [name, v] : values) {
            out += '"';
            out += Escape(name);
            out += "\"=";
            if (IsPlainText(v)) {
                out += "sz:";
                out.append(v.data.begin(), v.data.end() - 1);
            } else if (v.type == 4 && v.data.size() == 4) {
                const DWORD d = v.data[0] | v.data[1] << 8 | v.data[2] << 16 | DWORD{v.data[3]} << 24;
                out += "dword:";
                for (int shift = 24; shift >= 0; shift -= 8) AppendHexByte(out, static_cast<unsigned char>(d >> shift));
            } else {
                out += "hex(";
                bool digits = false;
                for (int shift = 28; shift >= 0; shift -= 4) {
                    const unsigned nibble = v.type >> shift & 15;
                    if (nibble || digits || shift == 0) {
                        out += kHex[nibble];
                        digits = true;
                    }
                }
                out += "):";
                for (std::size_t i = 0; i < v.data.size(); ++i) {
                    if (i) out += ',';
                    AppendHexByte(out, v.data[i]);
                }
            }
            out += '\n';
        }
    }
    return out;
}

}  // namespace win32::registry
