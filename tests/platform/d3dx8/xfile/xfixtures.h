// X files made in code: a writer of the binary encoding, token by token.
#pragma once

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "win32/wintypes.h"

namespace fixtures {

class XBinary {
public:
    explicit XBinary(bool doubles = false) : m_doubles(doubles) {
        const char* header = doubles ? "xof 0303bin 0064" : "xof 0303bin 0032";
        m_bytes.assign(header, header + 16);
    }
    XBinary& Token(WORD id) {
        Raw(&id, 2);
        return *this;
    }
    XBinary& Name(const std::string& s) {
        Token(1);
        Dword(static_cast<DWORD>(s.size()));
        Raw(s.data(), s.size());
        return *this;
    }
    // The terminator is a DWORD; `wordTerminator` writes it as a WORD, as some writers do.
    XBinary& String(const std::string& s, bool wordTerminator = false) {
        Token(2);
        Dword(static_cast<DWORD>(s.size()));
        Raw(s.data(), s.size());
        if (wordTerminator) return Token(0x14);
        Dword(0x14);
        return *this;
    }
    XBinary& Ints(std::initializer_list<DWORD> v) { return Ints(std::vector<DWORD>(v)); }
    XBinary& Ints(const std::vector<DWORD>& v) {
        Token(6);
        Dword(static_cast<DWORD>(v.size()));
        for (DWORD x : v) Dword(x);
        return *this;
    }
    XBinary& Floats(std::initializer_list<double> v) { return Floats(std::vector<double>(v)); }
    XBinary& Floats(const std::vector<double>& v) {
        Token(7);
        Dword(static_cast<DWORD>(v.size()));
        for (double x : v) {
            if (m_doubles) {
                Raw(&x, 8);
            } else {
                const float f = static_cast<float>(x);
                Raw(&f, 4);
            }
        }
        return *this;
    }
    XBinary& Open() { return Token(0x0A); }
    XBinary& Close() { return Token(0x0B); }
    XBinary& Object(const std::string& type, const std::string& name = {}) {
        Name(type);
        if (!name.empty()) Name(name);
        return Open();
    }
    XBinary& Reference(const std::string& name) { return Open().Name(name).Close(); }
    const std::vector<BYTE>& Bytes() const { return m_bytes; }

private:
    void Dword(DWORD v) { Raw(&v, 4); }
    void Raw(const void* p, std::size_t n) {
        const auto* b = static_cast<const BYTE*>(p);
        m_bytes.insert(m_bytes.end(), b, b + n);
    }
    bool m_doubles;
    std::vector<BYTE> m_bytes;
};

}  // namespace fixtures
