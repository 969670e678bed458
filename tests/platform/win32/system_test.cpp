#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "win32/codepage.h"
#include "win32/com.h"
#include "win32/fileio.h"
#include "win32/registry.h"
#include "win32/registrystore.h"
#include "win32/timesource.h"

namespace fs = std::filesystem;

namespace {

// A fresh folder that is the current folder for the test's duration.
class TempFolder {
public:
    TempFolder() {
        path_ = fs::temp_directory_path() /
                ("abisalia-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
        fs::create_directories(path_);
        old_ = fs::current_path();
        fs::current_path(path_);
    }
    ~TempFolder() {
        fs::current_path(old_);
        fs::remove_all(path_);
    }
    static void Write(const fs::path& p, const std::string& text) {
        fs::create_directories(p.parent_path().empty() ? "." : p.parent_path());
        std::ofstream(p) << text;
    }
    const fs::path& path() const { return path_; }

private:
    static inline int counter_ = 0;
    fs::path path_, old_;
};

}  // namespace

TEST(FileLayer, ResolvesBackslashesAndLetterCase) {
    TempFolder dir;
    TempFolder::Write("Nivel1/Peces.PLT", "peces");
    TempFolder::Write("exact.txt", "exact");
    TempFolder::Write("Dup.txt", "first");
    TempFolder::Write("dUP.txt", "second");
    struct Case {
        const char* name;
        const char* content;  // nullptr: nothing opens
    } cases[] = {
        {"nivel1\\peces.plt", "peces"},
        {"NIVEL1/peces.plt", "peces"},
        {"exact.txt", "exact"},
        {"./nivel1\\PECES.plt", "peces"},
        {"dup.txt", "first"},   // the first in name order of those that match
        {"dUP.txt", "second"},  // as written, when it exists
        {"nivel1\\missing.plt", nullptr},
        {"nowhere\\file", nullptr},
        {nullptr, nullptr},
    };
    for (const Case& c : cases) {
        std::FILE* f = win32::OpenFile(c.name, "rb");
        EXPECT_EQ(f != nullptr, c.content != nullptr) << (c.name ? c.name : "null");
        if (!f) continue;
        char text[16] = {};
        EXPECT_STREQ(std::fgets(text, sizeof text, f), c.content) << c.name;
        std::fclose(f);
    }
}

// A level folder may hold anything under a file's name: reading opens regular files only, and the
// open returns at once whatever the name is. Writing is unchanged.
TEST(FileLayer, ReadingOpensOnlyRegularFilesAndNeverWaits) {
    TempFolder dir;
    TempFolder::Write("Intro.avi", "data");
    fs::create_directories("folder.avi");
    ASSERT_EQ(::mkfifo("pipe.avi", 0600), 0);
    fs::create_symlink("Intro.avi", "link.avi");
    fs::create_symlink("pipe.avi", "pipelink.avi");
    const std::string dev = "/dev/zero";

    struct Case {
        std::string name;
        const char* mode;
        bool opens;
    } cases[] = {
        {"intro.avi", "rb", true},   {"link.avi", "rb", true},   {"intro.avi", "r+b", true},
        {"folder.avi", "rb", false}, {"pipe.avi", "rb", false},  {"pipelink.avi", "r", false},
        {dev, "rb", false},          {"pipe.avi", "r+b", false}, {"new.txt", "wb", true},
    };
    for (const Case& c : cases) {
        auto opening = std::async(std::launch::async, [&] { return win32::OpenFile(c.name.c_str(), c.mode); });
        if (opening.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            ADD_FAILURE() << c.name << " (" << c.mode << ") blocks";
            // A writer lets the blocked open go on.
            const int fd = ::open("pipe.avi", O_WRONLY | O_NONBLOCK);
            opening.wait();
            if (fd >= 0) ::close(fd);
        }
        std::FILE* f = opening.get();
        EXPECT_EQ(f != nullptr, c.opens) << c.name << " (" << c.mode << ")";
        if (f) {
            // Blocking reads again once open: the stream reads the whole file.
            if (c.mode[0] == 'r') {
                EXPECT_EQ(std::fgetc(f), 'd') << c.name;
            }
            std::fclose(f);
        }
    }
    EXPECT_FALSE(win32::FileReadable("pipe.avi"));
    EXPECT_FALSE(win32::FileReadable(dev.c_str()));
}

TEST(FileLayer, ExistenceTestNeedsAReadableRegularFile) {
    TempFolder dir;
    TempFolder::Write("a.bin", "x");
    fs::create_directories("folder");
    EXPECT_TRUE(win32::FileReadable("A.BIN"));
    EXPECT_FALSE(win32::FileReadable("folder"));
    EXPECT_FALSE(win32::FileReadable(""));
    EXPECT_FALSE(win32::FileReadable(nullptr));

    HANDLE h = CreateFileA("a.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(CreateFileA("b.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
}

TEST(Registry, StoreIsEmptyByDefaultAndKeepsTypedValues) {
    TempFolder dir;
    const std::string store = (dir.path() / "registry").string();
    ::setenv("ABISALIA_REGISTRY", store.c_str(), 1);

    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Graphics Platform", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);

    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Test", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    const char text[] = "C:\\media\\shared";
    const DWORD number = 0xDEADBEEF;
    const BYTE blob[3] = {0, 10, 255};
    EXPECT_EQ(RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "Blob", 0, REG_BINARY, blob, 3), ERROR_SUCCESS);
    RegCloseKey(key);

    // Read back through a fresh open with other letter case.
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\test", 0, KEY_READ, &key), ERROR_SUCCESS);
    char buf[64];
    DWORD type = 0, size = sizeof buf;
    ASSERT_EQ(RegQueryValueExA(key, "path", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, sizeof text);
    EXPECT_STREQ(buf, text);

    DWORD got = 0;
    size = 4;
    ASSERT_EQ(RegQueryValueExA(key, "Number", nullptr, &type, reinterpret_cast<BYTE*>(&got), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(got, number);

    BYTE small[2];
    size = 2;
    EXPECT_EQ(RegQueryValueExA(key, "Blob", nullptr, &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 3u);
    BYTE back[3];
    ASSERT_EQ(RegQueryValueExA(key, "Blob", nullptr, &type, back, &size), ERROR_SUCCESS);
    EXPECT_EQ(back[2], 255);

    // Opened for reading only: writes are refused.
    EXPECT_EQ(RegSetValueExA(key, "Path", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4),
              ERROR_ACCESS_DENIED);
    RegCloseKey(key);
    ::unsetenv("ABISALIA_REGISTRY");
}

// Points the store at a file of the test's folder for the test's duration.
class StoreFile {
public:
    explicit StoreFile(const fs::path& path) : path_(path.string()) { ::setenv("ABISALIA_REGISTRY", path_.c_str(), 1); }
    ~StoreFile() { ::unsetenv("ABISALIA_REGISTRY"); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::vector<BYTE> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

TEST(Registry, EveryValueTypeAndNameSurvivesWritesAndRereads) {
    TempFolder dir;
    StoreFile store(dir.path() / "registry");
    const std::string big(70000, 'x');
    struct Case {
        const char* what;
        std::string name;
        DWORD type;
        std::vector<BYTE> data;
    } cases[] = {
        {"none, empty", "None", REG_NONE, {}},
        {"none with data", "None data", REG_NONE, {1, 2, 3}},
        {"string", "Sz", REG_SZ, Bytes(std::string_view("C:\\media\\shared", 16))},
        {"string, empty data", "Sz empty", REG_SZ, {}},
        {"string, only the terminator", "Sz terminator", REG_SZ, {0}},
        {"string, not terminated", "Sz open", REG_SZ, Bytes("abc")},
        {"string with line breaks", "Sz lines", REG_SZ, Bytes(std::string_view("a\nb\r\0", 5))},
        {"string with inner zero", "Sz zero", REG_SZ, Bytes(std::string_view("a\0b\0", 4))},
        {"string of high bytes", "Sz high", REG_SZ, Bytes(std::string_view("a\xF1o \x80\0", 6))},
        {"expandable string", "Expand", REG_EXPAND_SZ, Bytes(std::string_view("%HOME%\\x\0", 9))},
        {"binary", "Binary", REG_BINARY, {0, 10, 13, 255}},
        {"binary, odd length", "Binary odd", REG_BINARY, {0xAB, 0xCD, 0xEF}},
        {"dword", "Dword", REG_DWORD, {0xEF, 0xBE, 0xAD, 0xDE}},
        {"dword, short", "Dword short", REG_DWORD, {1, 2, 3}},
        {"dword, long", "Dword long", REG_DWORD, {1, 2, 3, 4, 5}},
        {"big-endian dword", "Big endian", REG_DWORD_BIG_ENDIAN, {0xDE, 0xAD, 0xBE, 0xEF}},
        {"link", "Link", REG_LINK, {'\\', 0, 'R', 0}},
        {"multi-string", "Multi", REG_MULTI_SZ, Bytes(std::string_view("one\0two\0\0", 9))},
        {"qword", "Qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"type 0x10", "Sixteen", 0x10, {7}},
        {"type 0xFFFF", "Ffff", 0xFFFF, {7, 8}},
        {"type 0x10000000", "Eight digits", 0x10000000, {}},
        {"type 0xFFFFFFFF", "Top", 0xFFFFFFFF, {9}},
        {"large binary", "Large", REG_BINARY, Bytes(big)},
        {"empty name (the key's default value)", "", REG_SZ, Bytes(std::string_view("default\0", 8))},
        {"name with a quote and an equals sign", "a\"=b\"=", REG_DWORD, {1, 0, 0, 0}},
        {"name with a line break", "line\nbreak\r", REG_DWORD, {2, 0, 0, 0}},
        {"name with percent signs", "100% %41 %", REG_DWORD, {3, 0, 0, 0}},
        {"name like a key line", "[HKEY_LOCAL_MACHINE\\Other]", REG_DWORD, {4, 0, 0, 0}},
        {"name with backslashes and high bytes", "C:\\a\\\xE9\\", REG_DWORD, {5, 0, 0, 0}},
        {"name with control characters", "\x01\x1F\x7F\t", REG_DWORD, {6, 0, 0, 0}},
    };
    const char* const subKeys[] = {"Software\\Test", "Software\\Odd [key]\nwith %25 \"quotes\""};
    for (const char* subKey : subKeys) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, subKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        for (const Case& c : cases)
            EXPECT_EQ(RegSetValueExA(key, c.name.c_str(), 0, c.type, c.data.data(), DWORD(c.data.size())),
                      ERROR_SUCCESS)
                << c.what;
        RegCloseKey(key);
    }
    // Every set rewrote the whole store: each value has been written and read back many times over.
    for (const char* subKey : subKeys) {
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, subKey, 0, KEY_READ, &key), ERROR_SUCCESS) << subKey;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + " in " + subKey);
            DWORD type = 0xBAD, size = 0;
            ASSERT_EQ(RegQueryValueExA(key, c.name.c_str(), nullptr, &type, nullptr, &size), ERROR_SUCCESS);
            EXPECT_EQ(type, c.type);
            std::vector<BYTE> back(size + 1, 0xCC);
            ASSERT_EQ(RegQueryValueExA(key, c.name.c_str(), nullptr, &type, back.data(), &size), ERROR_SUCCESS);
            back.resize(size);
            EXPECT_EQ(back, c.data);
        }
        RegCloseKey(key);
    }
    // The text itself reads back to the same store, and writes the same text again.
    std::ifstream in(store.path(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto keys = win32::registry::ParseStore(text);
    EXPECT_EQ(keys.size(), 2u);
    EXPECT_EQ(win32::registry::FormatStore(keys), text);
    for (const auto& [path, values] : keys) EXPECT_EQ(values.size(), std::size(cases)) << path;
}

TEST(Registry, StoreIgnoresMalformedLinesAndKeepsTheRest) {
    struct Case {
        const char* what;
        const char* line;
    } cases[] = {
        {"dword, not hex", "\"bad\"=dword:xyz"},
        {"dword, nine digits", "\"bad\"=dword:123456789"},
        {"dword, empty", "\"bad\"=dword:"},
        {"dword, trailing text", "\"bad\"=dword:12 34"},
        {"hex, half a byte", "\"bad\"=hex(3):0"},
        {"hex, three digits", "\"bad\"=hex(3):000"},
        {"hex, doubled comma", "\"bad\"=hex(3):00,,01"},
        {"hex, trailing comma", "\"bad\"=hex(3):00,"},
        {"hex, other separator", "\"bad\"=hex(3):00;01"},
        {"hex, type not hex", "\"bad\"=hex(zz):00"},
        {"hex, type empty", "\"bad\"=hex():00"},
        {"hex, type of nine digits", "\"bad\"=hex(100000000):00"},
        {"hex, no colon", "\"bad\"=hex(10)00"},
        {"unknown kind", "\"bad\"=qword:1"},
        {"no equals sign", "\"bad\" dword:00000001"},
        {"no closing quote", "\"bad=dword:00000001"},
        {"not quoted", "bad=dword:00000001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string text = std::string("\"orphan\"=dword:00000001\n[K]\n\"good\"=dword:2a\n") + c.line +
                                 "\n\"after\"=hex(10):01,02\r\n";
        const auto keys = win32::registry::ParseStore(text);
        ASSERT_EQ(keys.size(), 1u);
        const auto& values = keys.at("k");
        EXPECT_EQ(values.size(), 2u);
        EXPECT_EQ(values.count("bad"), 0u);
        EXPECT_EQ(values.at("GOOD"), (win32::registry::Value{REG_DWORD, {0x2a, 0, 0, 0}}));
        EXPECT_EQ(values.at("after"), (win32::registry::Value{0x10, {1, 2}}));
    }
    // A value past the size limit is ignored, not cut.
    const std::string huge = "[K]\n\"huge\"=sz:" + std::string(win32::registry::kMaxValueBytes, 'x') + "\n";
    EXPECT_TRUE(win32::registry::ParseStore(huge).at("K").empty());
}

TEST(Registry, StoreReadsWhatEarlierVersionsWrote) {
    // Names were written unescaped; a '%' not followed by two hex digits still stands for itself.
    const auto keys = win32::registry::ParseStore(
        "[HKEY_CURRENT_USER\\Software\\Test]\n\"Path\"=sz:C:\\media\\100%\n\"50% off\"=dword:00000007\n"
        "\"Blob\"=hex(3):00,0a,ff\n");
    const auto& values = keys.at("HKEY_CURRENT_USER\\Software\\Test");
    EXPECT_EQ(values.at("Path"), (win32::registry::Value{REG_SZ, Bytes(std::string_view("C:\\media\\100%\0", 14))}));
    EXPECT_EQ(values.at("50% off"), (win32::registry::Value{REG_DWORD, {7, 0, 0, 0}}));
    EXPECT_EQ(values.at("Blob"), (win32::registry::Value{REG_BINARY, {0, 10, 255}}));
}

TEST(Registry, WritesAreRefusedWhereTheStoreCannotBeKept) {
    TempFolder dir;
    {
        // A store that is there but cannot be read (here a pipe, which would also block a reader)
        // reads as empty at once and is not replaced by an empty one.
        ASSERT_EQ(::mkfifo("store-pipe", 0600), 0);
        StoreFile store(dir.path() / "store-pipe");
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Test", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(
            RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Test", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_ACCESS_DENIED);
        EXPECT_EQ(key, nullptr);
        EXPECT_TRUE(fs::is_fifo("store-pipe"));
    }
    StoreFile store(dir.path() / "registry");
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Test", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    const BYTE one = 1;
    ASSERT_EQ(RegSetValueExA(key, "Kept", 0, REG_BINARY, &one, 1), ERROR_SUCCESS);
    // Too big to keep: refused before the data is read, and the store is unchanged.
    EXPECT_EQ(RegSetValueExA(key, "Huge", 0, REG_BINARY, &one, DWORD(win32::registry::kMaxValueBytes + 1)),
              ERROR_INVALID_PARAMETER);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Huge", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExA(key, "Kept", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 1u);
    EXPECT_FALSE(fs::exists(store.path() + ".new"));
    RegCloseKey(key);
}

TEST(CodePage, Windows1252RoundTripsThroughUtf16) {
    const char text[] = "a\xF1o \x80 \x9F";  // "año € Ÿ"
    WCHAR wide[16];
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 16), 8);
    EXPECT_EQ(wide[1], u'\u00F1');
    EXPECT_EQ(wide[4], u'\u20AC');
    EXPECT_EQ(wide[6], u'\u0178');
    EXPECT_EQ(wide[7], 0);

    char back[16];
    BOOL usedDefault = TRUE;
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, back, 16, nullptr, &usedDefault), 8);
    EXPECT_STREQ(back, text);
    EXPECT_FALSE(usedDefault);

    // Too small: what fits is written, nothing past the end, and the call fails.
    WCHAR tiny[3] = {1, 1, 1};
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, tiny, 2), 0);
    EXPECT_EQ(tiny[0], u'a');
    EXPECT_EQ(tiny[2], 1);
    // Size query.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0), 8);

    const WCHAR unmappable[] = {u'\u4E00', 0};
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, unmappable, -1, back, 16, nullptr, &usedDefault), 2);
    EXPECT_EQ(back[0], '?');
    EXPECT_TRUE(usedDefault);
}

TEST(CodePage, AnsiTextBecomesUtf8) {
    EXPECT_EQ(win32::AnsiToUtf8("Peces \xF1 \x80"), "Peces \xC3\xB1 \xE2\x82\xAC");
    EXPECT_EQ(win32::AnsiToUtf8(nullptr), "");
    EXPECT_EQ(win32::Utf8ToAnsi("Peces \xC3\xB1 \xE2\x82\xAC \xE4\xB8\x80 \xC3"), "Peces \xF1 \x80  ");
    EXPECT_EQ(win32::Utf8ToAnsi(win32::AnsiToUtf8("a\xE1\x9F").c_str()), "a\xE1\x9F");
}

TEST(TimeSource, InjectedCounterDrivesBothClocks) {
    std::int64_t now = 2500;
    win32::SetTimeSourceForTest(1000, true, [&] { return now; });
    LARGE_INTEGER f, c;
    ASSERT_TRUE(QueryPerformanceFrequency(&f));
    EXPECT_EQ(f.QuadPart, 1000);
    ASSERT_TRUE(QueryPerformanceCounter(&c));
    EXPECT_EQ(c.QuadPart, 2500);
    EXPECT_EQ(timeGetTime(), 2500u);

    win32::SetTimeSourceForTest(1000, false, [&] { return now; });
    EXPECT_FALSE(QueryPerformanceFrequency(&f));
    EXPECT_FALSE(QueryPerformanceCounter(&c));
    now = 4000;
    EXPECT_EQ(timeGetTime(), 4000u);
    win32::ResetTimeSource();
    EXPECT_TRUE(QueryPerformanceFrequency(&f));
    EXPECT_EQ(f.QuadPart, 1'000'000'000);
}

TEST(Com, InitialisationIsCounted) {
    const int before = win32::ComInitCount();
    EXPECT_EQ(CoInitialize(nullptr), before == 0 ? S_OK : S_FALSE);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    EXPECT_EQ(win32::ComInitCount(), before + 2);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(win32::ComInitCount(), before);
    CoUninitialize();  // unbalanced: stays at zero rather than going negative
    EXPECT_GE(win32::ComInitCount(), 0);
}
