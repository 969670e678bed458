// Reading the plain-text level files: whitespace-separated words, integers and floats in a fixed
// order. Every token is checked; a file that ends early or holds a token of the wrong kind fails.
#pragma once

#include <sstream>
#include <string>

// Longest word a level file may hold.
constexpr size_t kMaxLevelWord = 255;
// Largest level file read: the shipped ones hold a few hundred bytes, a level of the largest rock
// count with ordinary names well under this. A larger file is refused unread.
constexpr size_t kMaxLevelFileBytes = size_t{1} << 20;

class CLevelTokens {
public:
    // Opens the file through the file layer and reads it whole. Ok() is false when it does not open,
    // and when it opens but cannot be read or is larger than kMaxLevelFileBytes (Opened() true).
    explicit CLevelTokens(const char* szPath);

    bool Opened() const { return m_bOpened; }
    bool Ok() const { return m_bOpened && m_bOk; }
    // The reason of the first failure, for the message.
    const std::string& Error() const { return m_strError; }

    // A word stored as szPrefix + word; the whole must fit nCapacity characters with the terminator.
    bool Word(char* szOut, size_t nCapacity, const char* szPrefix = "");
    bool Int(int* pnOut, int nMin, int nMax);
    bool Float(float* pfOut);

private:
    bool Fail(const std::string& strWhat);

    std::string m_strPath;
    std::istringstream m_in;
    bool m_bOpened;
    bool m_bOk;
    int m_nToken;
    std::string m_strError;
};

// A catch or drowning video name ending in "no" means the level has none.
bool lvlNoVideo(const char* szName);

// Reports a level file that was refused: to the trace output, and kept for the message box.
void lvlReportError(const char* szText);
const char* lvlLastError();

// Points out a value that is taken as read though it makes little sense, on the trace output
// (which is standard error); the level still loads.
void lvlReportWarning(const char* szFormat, ...);
