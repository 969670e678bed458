// Tokens of the text and binary encodings of X files, read one at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "win32/wintypes.h"

namespace xfile {

enum class Tok {
    End,
    Name,  // identifiers, keywords included (binary keywords arrive as their text)
    String,
    Integer,
    Real,
    Guid,
    IntegerList,  // binary only
    RealList,     // binary only
    OBrace,
    CBrace,
    OBracket,
    CBracket,
    Dot,
    Separator,  // ',' or ';'
    Other,      // punctuation with no meaning in the data: ( ) < >
    Error,
};

// Texts and lists are views into the file's bytes: reading a token copies nothing.
struct Token {
    Tok kind = Tok::End;
    std::string_view text;
    std::int64_t integer = 0;
    double real = 0;
    GUID guid{};
    const BYTE* list = nullptr;  // IntegerList and RealList: `count` elements of `width` bytes
    std::size_t count = 0;
    std::size_t width = 4;

    std::uint32_t IntegerAt(std::size_t i) const {
        std::uint32_t v;
        std::memcpy(&v, list + i * 4, 4);
        return v;
    }
    double RealAt(std::size_t i) const {
        if (width == 8) {
            double d;
            std::memcpy(&d, list + i * 8, 8);
            return d;
        }
        float f;
        std::memcpy(&f, list + i * 4, 4);
        return f;
    }
};

class Lexer {
public:
    // `data` starts after the 16-byte header; reading starts at `start` and stops at `size`.
    Lexer(const BYTE* data, std::size_t size, bool binary, bool doubles, std::size_t start = 0);

    const Token& Peek();
    // The token read, valid until the next call.
    const Token& Next();
    // Reals still arrive as Tok::Real, but with no value: for reads that only delimit values.
    void SkipRealValues() { m_realValues = false; }
    std::size_t Offset() const { return m_pos; }
    // Where the next token (the peeked one, if any) starts: a lexer started there reads it again.
    std::size_t Position() const { return m_peeked ? m_nextStart : m_pos; }
    // A lexer over [begin, end) of the same bytes, in the same encoding.
    Lexer Range(std::size_t begin, std::size_t end) const { return Lexer(m_data, end, m_binary, m_doubles, begin); }

private:
    void Read(Token* t);
    void ReadText(Token* t);
    void ReadBinary(Token* t);
    void SkipStringTerminator();

    const BYTE* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    bool m_binary;
    bool m_doubles;
    bool m_realValues = true;
    bool m_peeked = false;
    std::size_t m_nextStart = 0;
    Token m_next;
};

bool ParseGuidText(std::string_view text, GUID* guid);

}  // namespace xfile
