// Rewrites of a generated level in a test's own copy of the media folder: tests that measure the
// picture stage the start they measure (a pillar ahead, no fish in the way, open water above).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace gametest {

inline std::vector<std::string> ReadWords(const std::filesystem::path& path) {
    std::ifstream in(path);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

inline void WriteWords(const std::filesystem::path& path, const std::vector<std::string>& words) {
    std::ofstream out(path, std::ios::trunc);
    for (const std::string& strWord : words) out << strWord << '\n';
}

// ladrillos.plt: a count, that many rock records, then the spear's and the diver's; six words each.
constexpr size_t kRecordWords = 6;

// The spear and the diver start at height y.
inline void SetStartHeight(const std::filesystem::path& level, float y) {
    std::vector<std::string> words = ReadWords(level / "ladrillos.plt");
    ASSERT_GE(words.size(), 1 + 2 * kRecordWords) << level;
    const size_t nSpear = 1 + std::stoul(words[0]) * kRecordWords;
    ASSERT_EQ(words.size(), nSpear + 2 * kRecordWords) << level;
    words[nSpear + 4] = words[nSpear + kRecordWords + 4] = std::to_string(y);
    WriteWords(level / "ladrillos.plt", words);
}

// The pillar stands `ahead` units straight ahead of the start, where the diver first looks.
inline void PutPillarAhead(const std::filesystem::path& level, float ahead) {
    std::vector<std::string> words = ReadWords(level / "ladrillos.plt");
    ASSERT_GE(words.size(), 1 + 2 * kRecordWords) << level;
    const size_t nRocks = std::stoul(words[0]), nDiver = 1 + (nRocks + 1) * kRecordWords;
    ASSERT_EQ(words.size(), nDiver + kRecordWords) << level;
    bool bFound = false;
    for (size_t r = 0; r < nRocks; ++r) {
        const size_t i = 1 + r * kRecordWords;
        if (words[i] != "pilar.x") continue;
        words[i + 3] = words[nDiver + 3];
        words[i + 5] = std::to_string(std::stof(words[nDiver + 5]) + ahead);
        bFound = true;
    }
    ASSERT_TRUE(bFound) << "no pillar in " << level;
    WriteWords(level / "ladrillos.plt", words);
}

// No fish; the waypoint table stays.
inline void ClearFish(const std::filesystem::path& level) {
    std::vector<std::string> words = ReadWords(level / "peces.plt");
    ASSERT_GE(words.size(), 1u) << level;
    const size_t nTable = 1 + std::stoul(words[0]) * 9;
    ASSERT_LT(nTable, words.size()) << level;
    std::vector<std::string> out{"0"};
    out.insert(out.end(), words.begin() + static_cast<long>(nTable), words.end());
    WriteWords(level / "peces.plt", out);
}

// nivel.plt's fog range: words 14 and 15 (after the next level, three videos, the water colour
// and colours A and B).
inline void SetFog(const std::filesystem::path& level, float fStart, float fEnd) {
    std::vector<std::string> words = ReadWords(level / "nivel.plt");
    ASSERT_GE(words.size(), 15u) << level;
    words[13] = std::to_string(fStart);
    words[14] = std::to_string(fEnd);
    WriteWords(level / "nivel.plt", words);
}

}  // namespace gametest
