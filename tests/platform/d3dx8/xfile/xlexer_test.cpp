// Numbers of the text encoding, read in place, against strtod over the same characters.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "d3dx8/xfile/xlexer.h"

namespace {

std::vector<xfile::Token> Lex(const std::string& text) {
    xfile::Lexer lexer(reinterpret_cast<const BYTE*>(text.data()), text.size(), false, false);
    std::vector<xfile::Token> tokens;
    while (true) {
        xfile::Token t = lexer.Next();
        if (t.kind == xfile::Tok::End || t.kind == xfile::Tok::Error) break;
        tokens.push_back(std::move(t));
    }
    return tokens;
}

TEST(XLexerNumbers, RealsReadAsStrtodReadsThem) {
    const char* reals[] = {"0.5",
                           "-0.25",
                           "+1.5",
                           ".5",
                           "-.75",
                           "1.",
                           "1e3",
                           "2E-2",
                           "-1.5e+2",
                           "0.1",
                           "3.4028236e38",
                           "0.30000000000000004",
                           "123456789012345678901234567890.5",
                           "4.9e-324",
                           "1e400",
                           "-1e400",
                           "1e-400",
                           "2.2250738585072011e-308"};
    for (const char* text : reals) {
        const auto tokens = Lex(std::string(text) + ";");
        ASSERT_EQ(tokens.size(), 2u) << text;
        EXPECT_EQ(tokens[0].kind, xfile::Tok::Real) << text;
        const double expected = std::strtod(text[0] == '+' ? text + 1 : text, nullptr);
        EXPECT_EQ(std::memcmp(&tokens[0].real, &expected, sizeof expected), 0)
            << text << ": " << tokens[0].real << " against " << expected;
        EXPECT_EQ(tokens[1].kind, xfile::Tok::Separator) << text;
    }
}

// Every real of every generated mesh reads as strtod reads its characters.
TEST(XLexerNumbers, GeneratedMeshesReadAsBefore) {
    size_t reals = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(ABISALIA_MEDIA_DIR)) {
        if (entry.path().extension() != ".x") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (file.size() < 16 || file.compare(8, 4, "txt ") != 0) continue;
        const BYTE* body = reinterpret_cast<const BYTE*>(file.data()) + 16;
        xfile::Lexer lexer(body, file.size() - 16, false, false);
        size_t end = 0;
        while (true) {
            const xfile::Token t = lexer.Next();
            if (t.kind == xfile::Tok::End || t.kind == xfile::Tok::Error) break;
            const size_t start = end;
            end = lexer.Offset();
            if (t.kind != xfile::Tok::Real) continue;
            std::string text(reinterpret_cast<const char*>(body) + start, end - start);
            text = text.substr(text.find_last_of(" \t\r\n") + 1);
            const double expected = std::strtod(text.c_str(), nullptr);
            ASSERT_EQ(std::memcmp(&t.real, &expected, sizeof expected), 0)
                << entry.path().filename() << ": " << text << " read as " << t.real;
            ++reals;
        }
    }
    EXPECT_GT(reals, 1000u);
}

}  // namespace
