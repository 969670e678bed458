// Tokens of the text and binary encodings of X files, read one at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

struct Token {
    Tok kind = Tok::End;
    std::string text;
    std::int64_t integer = 0;
    double real = 0;
    GUID guid{};
    std::vector<std::uint32_t> integers;
    std::vector<double> reals;
};

class Lexer {
public:
    // `data` starts after the 16-byte header.
    Lexer(const BYTE* data, std::size_t size, bool binary, bool doubles);

    const Token& Peek();
    Token Next();
    std::size_t Offset() const { return m_pos; }

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
    bool m_peeked = false;
    Token m_next;
};

bool ParseGuidText(const std::string& text, GUID* guid);

}  // namespace xfile
