#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "framework/sysutil.h"

namespace fs = std::filesystem;

namespace {

// A temporary current folder, with a fixed media folder inside it and a private registry store.
class SysUtilTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("abisalia-sysutil-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "fixed");
        old_ = fs::current_path();
        fs::current_path(root_);
        fixed_ = (root_ / "fixed").string() + "/";
        ::setenv("ABISALIA_MEDIA_DIR", fixed_.c_str(), 1);
        ::setenv("ABISALIA_REGISTRY", (root_ / "registry").c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("ABISALIA_MEDIA_DIR");
        ::unsetenv("ABISALIA_REGISTRY");
        fs::current_path(old_);
        fs::remove_all(root_);
    }
    static void Touch(const fs::path& p) {
        fs::create_directories(p.parent_path());
        std::ofstream(p) << "x";
    }
    HKEY CreateKey(HKEY root, const char* sub) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(root, sub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
        return key;
    }

    fs::path root_, old_;
    std::string fixed_;
};

TEST_F(SysUtilTest, MediaLookupTriesTheNameThenTheFixedFolder) {
    Touch(root_ / "both.x");
    Touch(root_ / "fixed" / "both.x");
    Touch(root_ / "fixed" / "onlyfixed.bmp");
    Touch(root_ / "Nivel1" / "Rock.X");
    Touch(root_ / "fixed" / "Caust00.tga");

    struct Case {
        const char* name;
        HRESULT hr;
        std::string path;
    } cases[] = {
        {"both.x", S_OK, "both.x"},  // the current folder wins over the fixed one
        {"onlyfixed.bmp", S_OK, fixed_ + "onlyfixed.bmp"},
        {"nivel1\\rock.x", S_OK, "nivel1\\rock.x"},  // the name is kept as written
        {"caust00.TGA", S_OK, fixed_ + "caust00.TGA"},
        {"missing.x", E_FAIL, "missing.x"},
        {"nivel1\\missing.x", E_FAIL, "nivel1\\missing.x"},
    };
    for (const Case& c : cases) {
        char path[MAX_PATH] = "garbage";
        EXPECT_EQ(sysFindMediaFile(path, c.name), c.hr) << c.name;
        EXPECT_EQ(std::string(path), c.path) << c.name;
    }
}

TEST_F(SysUtilTest, MediaLookupRefusesNullAndOverlongNames) {
    char path[MAX_PATH] = "untouched";
    EXPECT_EQ(sysFindMediaFile(path, nullptr), E_INVALIDARG);
    EXPECT_STREQ(path, "untouched");
    EXPECT_EQ(sysFindMediaFile(nullptr, "a.x"), E_INVALIDARG);

    // Fits the buffer but not after the fixed folder: not found, the name kept.
    const std::string longName(MAX_PATH - 5, 'a');
    EXPECT_EQ(sysFindMediaFile(path, longName.c_str()), E_FAIL);
    EXPECT_EQ(std::string(path), longName);

    // Does not fit at all: not found, and nothing written past the buffer.
    char guarded[MAX_PATH + 8];
    std::memset(guarded, '#', sizeof guarded);
    const std::string tooLong(MAX_PATH + 40, 'b');
    EXPECT_EQ(sysFindMediaFile(guarded, tooLong.c_str()), E_FAIL);
    EXPECT_STREQ(guarded, "");
    for (std::size_t i = MAX_PATH; i < sizeof guarded; ++i) EXPECT_EQ(guarded[i], '#');
}

TEST_F(SysUtilTest, SharedMediaDirComesFromTheRegistry) {
    EXPECT_STREQ(sysGetMediaDir(), "");

    HKEY key = CreateKey(HKEY_LOCAL_MACHINE, "Software\\Graphics Platform");
    ASSERT_EQ(sysWriteRegString(key, "Shared Media Path", "C:\\media\\shared"), S_OK);
    RegCloseKey(key);

    const char* first = sysGetMediaDir();
    EXPECT_STREQ(first, "C:\\media\\shared\\Media\\");
    const char* second = sysGetMediaDir();
    EXPECT_EQ(first, second);
    EXPECT_STREQ(second, "C:\\media\\shared\\Media\\");

    // A value with no room left for the suffix gives "".
    key = CreateKey(HKEY_LOCAL_MACHINE, "Software\\Graphics Platform");
    ASSERT_EQ(sysWriteRegString(key, "Shared Media Path", std::string(255, 'm').c_str()), S_OK);
    RegCloseKey(key);
    EXPECT_STREQ(sysGetMediaDir(), "");
}

TEST_F(SysUtilTest, RegistryHelpersStoreDefaultsOnFailure) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Software\\Abisalia");
    DWORD dw = 1;
    BOOL b = TRUE;
    char text[16];
    const GUID def = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    GUID g{};

    EXPECT_EQ(sysReadRegInt(key, "missing", &dw, 42), S_OK);
    EXPECT_EQ(dw, 42u);
    EXPECT_EQ(sysReadRegBool(key, "missing", &b, FALSE), S_OK);
    EXPECT_EQ(b, FALSE);
    EXPECT_EQ(sysReadRegString(key, "missing", text, sizeof text, "default"), S_OK);
    EXPECT_STREQ(text, "default");
    EXPECT_EQ(sysReadRegGuid(key, "missing", &g, def), S_OK);
    EXPECT_TRUE(g == def);

    const GUID other = {9, 8, 7, {6, 5, 4, 3, 2, 1, 0, 255}};
    EXPECT_EQ(sysWriteRegInt(key, "Int", 7), S_OK);
    EXPECT_EQ(sysWriteRegBool(key, "Bool", TRUE), S_OK);
    EXPECT_EQ(sysWriteRegString(key, "Text", "hola"), S_OK);
    EXPECT_EQ(sysWriteRegGuid(key, "Guid", other), S_OK);
    sysReadRegInt(key, "Int", &dw, 0);
    sysReadRegBool(key, "Bool", &b, FALSE);
    sysReadRegString(key, "Text", text, sizeof text, "");
    sysReadRegGuid(key, "Guid", &g, def);
    EXPECT_EQ(dw, 7u);
    EXPECT_EQ(b, TRUE);
    EXPECT_STREQ(text, "hola");
    EXPECT_TRUE(g == other);

    // A stored text longer than the buffer: the default, terminated within the buffer.
    EXPECT_EQ(sysWriteRegString(key, "Long", "a much longer text than sixteen"), S_OK);
    EXPECT_EQ(sysReadRegString(key, "Long", text, sizeof text, "short"), S_OK);
    EXPECT_STREQ(text, "short");
    RegCloseKey(key);

    // A key opened for reading refuses writes.
    HKEY readOnly = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Abisalia", 0, KEY_READ, &readOnly), ERROR_SUCCESS);
    EXPECT_EQ(sysWriteRegInt(readOnly, "Int", 1), E_FAIL);
    RegCloseKey(readOnly);
}

TEST(SysUtilText, ConversionsFollowTheirCounts) {
    char out[8];
    std::memset(out, '#', sizeof out);
    sysGenericToAnsi(out, "abcde", 3);
    EXPECT_EQ(std::string(out, 4), "abc#");  // exactly three, no terminator
    sysGenericToAnsi(out, "ab", 5);
    EXPECT_EQ(std::string(out, 6), std::string("ab\0\0\0#", 6));  // zero-filled
    sysAnsiToGeneric(out, "xyz", -1);
    EXPECT_STREQ(out, "xyz");
    sysGenericToAnsi(nullptr, "a", -1);  // no effect, no crash
    sysGenericToAnsi(out, nullptr, -1);

    WCHAR wide[4];
    sysAnsiToWide(wide, "a\xF1", -1);
    EXPECT_EQ(wide[0], u'a');
    EXPECT_EQ(wide[1], u'\u00F1');
    EXPECT_EQ(wide[2], 0);
    sysGenericToWide(wide, "abcdef", 4);  // cut: three characters and the terminator
    EXPECT_EQ(wide[2], u'c');
    EXPECT_EQ(wide[3], 0);

    char back[4];
    sysWideToGeneric(back, u"\u00F1xyz", 4);
    EXPECT_STREQ(back, "\xF1xy");
    sysWideToAnsi(back, u"ok", -1);
    EXPECT_STREQ(back, "ok");
}

TEST(SysUtilTrace, WritesFileLineMessageAndCode) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(sysTrace("file.cpp", 12, static_cast<HRESULT>(0x80004005), "message"), static_cast<HRESULT>(0x80004005));
    EXPECT_EQ(sysTrace("f.cpp", 3, 0, "ok"), 0);
    sysTracef("%d-%s", 5, "x");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "file.cpp(12): message(hr=80004005)\n\nf.cpp(3): ok\n5-x");

    // Output that fills the buffer is cut and terminated.
    ::testing::internal::CaptureStderr();
    sysTracef("%s", std::string(2000, 'z').c_str());
    EXPECT_EQ(::testing::internal::GetCapturedStderr().size(), 511u);
}

}  // namespace
