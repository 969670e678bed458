#include "game/levelread.h"

#include <cerrno>
#include <cstdarg>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <locale>

#include "framework/sysutil.h"
#include "win32/fileio.h"

namespace {
std::string g_strLastLevelError;
}

CLevelTokens::CLevelTokens(const char* szPath) : m_strPath(szPath), m_bOpened(false), m_bOk(true), m_nToken(0) {
    m_in.imbue(std::locale::classic());
    std::FILE* pFile = win32::OpenFile(szPath, "rb");
    if (!pFile) {
        m_strError = std::string("cannot open ") + szPath;
        return;
    }
    m_bOpened = true;
    // One byte past the limit is enough to know the file is too large, whatever it claims to hold.
    std::string strText;
    char buf[4096];
    size_t n;
    while (strText.size() <= kMaxLevelFileBytes && (n = std::fread(buf, 1, sizeof buf, pFile)) > 0)
        strText.append(buf, n);
    const bool bReadError = std::ferror(pFile) != 0;
    std::fclose(pFile);
    if (bReadError) {
        m_bOk = false;
        m_strError = std::string(szPath) + ": the file cannot be read";
    } else if (strText.size() > kMaxLevelFileBytes) {
        m_bOk = false;
        m_strError = std::string(szPath) + ": the file is larger than " + std::to_string(kMaxLevelFileBytes >> 20) +
                     " MB, more than any level file needs";
    } else {
        m_in.str(strText);
    }
}

bool CLevelTokens::Fail(const std::string& strWhat) {
    if (m_bOk) m_strError = m_strPath + ": token " + std::to_string(m_nToken) + ": " + strWhat;
    m_bOk = false;
    return false;
}

bool CLevelTokens::Word(char* szOut, size_t nCapacity, const char* szPrefix) {
    if (!Ok()) return false;
    ++m_nToken;
    std::string strWord;
    if (!(m_in >> strWord)) return Fail("the file ends early");
    if (strWord.size() > kMaxLevelWord) return Fail("word too long");
    const size_t nPrefix = std::strlen(szPrefix);
    if (nPrefix + strWord.size() + 1 > nCapacity) return Fail("name too long: " + strWord);
    std::memcpy(szOut, szPrefix, nPrefix);
    std::memcpy(szOut + nPrefix, strWord.c_str(), strWord.size() + 1);
    return true;
}

bool CLevelTokens::Int(int* pnOut, int nMin, int nMax) {
    if (!Ok()) return false;
    ++m_nToken;
    std::string strWord;
    if (!(m_in >> strWord)) return Fail("the file ends early");
    char* pEnd = nullptr;
    errno = 0;
    const long n = std::strtol(strWord.c_str(), &pEnd, 10);
    if (pEnd == strWord.c_str() || *pEnd != '\0' || errno != 0) return Fail("not an integer: " + strWord);
    if (n < nMin || n > nMax) return Fail("out of range: " + strWord);
    *pnOut = static_cast<int>(n);
    return true;
}

bool CLevelTokens::Float(float* pfOut) {
    if (!Ok()) return false;
    ++m_nToken;
    std::string strWord;
    if (!(m_in >> strWord)) return Fail("the file ends early");
    std::istringstream in(strWord);
    in.imbue(std::locale::classic());
    float f = 0;
    if (!(in >> f) || in.peek() != std::char_traits<char>::eof() || !std::isfinite(f))
        return Fail("not a number: " + strWord);
    *pfOut = f;
    return true;
}

bool lvlNoVideo(const char* szName) {
    const size_t n = std::strlen(szName);
    return n >= 2 && szName[n - 2] == 'n' && szName[n - 1] == 'o';
}

void lvlReportError(const char* szText) {
    g_strLastLevelError = szText;
    sysTracef("%s\n", szText);
}

const char* lvlLastError() { return g_strLastLevelError.c_str(); }

void lvlReportWarning(const char* szFormat, ...) {
    char szText[600];
    va_list args;
    va_start(args, szFormat);
    std::vsnprintf(szText, sizeof szText, szFormat, args);
    va_end(args);
    sysTracef("warning: %s\n", szText);
}
