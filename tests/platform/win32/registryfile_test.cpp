// The registry store under several writers at once, and a store file that cannot be read whole.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "win32/registry.h"
#include "win32/registryfile.h"

namespace fs = std::filesystem;

namespace {

// A folder of the test's own holding the store ABISALIA_REGISTRY names; both go when it ends.
class ScratchStore {
public:
    ScratchStore() {
        folder_ = fs::temp_directory_path() / ("abisalia-registry-" + std::to_string(::getpid()) + "-" +
                                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder_);
        path_ = (folder_ / "registry").string();
        ::setenv("ABISALIA_REGISTRY", path_.c_str(), 1);
    }
    ~ScratchStore() {
        ::unsetenv("ABISALIA_REGISTRY");
        std::error_code error;
        fs::remove_all(folder_, error);
    }
    const std::string& path() const { return path_; }
    const fs::path& folder() const { return folder_; }

private:
    fs::path folder_;
    std::string path_;
};

HKEY CreateKey(const char* subKey) {
    HKEY key = nullptr;
    return RegCreateKeyExA(HKEY_CURRENT_USER, subKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
                   ERROR_SUCCESS
               ? key
               : nullptr;
}

std::string ValueName(int writer, int i) { return "w" + std::to_string(writer) + "-" + std::to_string(i); }

constexpr int kWriters = 3;
constexpr int kValuesEach = 150;

// A child's work: once released, kValuesEach values of its own, each of which must be reported
// written. Its exit status says how many were not.
[[noreturn]] void WriteValues(int writer, int startFd) {
    char go;
    const bool released = ::read(startFd, &go, 1) == 0;  // the parent closes its end: all start at once
    int failures = released ? 0 : 1;
    HKEY key = CreateKey("Software\\Race");
    if (!key) ::_exit(100);
    for (int i = 0; i < kValuesEach; ++i) {
        const DWORD value = static_cast<DWORD>(writer * 100000 + i);
        if (RegSetValueExA(key, ValueName(writer, i).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                           sizeof value) != ERROR_SUCCESS)
            ++failures;
    }
    RegCloseKey(key);
    ::_exit(failures > 99 ? 99 : failures);
}

}  // namespace

TEST(RegistryStore, WritersInSeveralProcessesAtOnceLoseNothing) {
    ScratchStore store;
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    pid_t children[kWriters];
    for (int w = 0; w < kWriters; ++w) {
        children[w] = ::fork();
        ASSERT_GE(children[w], 0);
        if (children[w] == 0) {
            ::close(start[1]);
            WriteValues(w, start[0]);
        }
    }
    ::close(start[0]);
    ::close(start[1]);
    for (int w = 0; w < kWriters; ++w) {
        int status = 0;
        ASSERT_EQ(::waitpid(children[w], &status, 0), children[w]);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "writer " << w << ": values not written";
    }

    HKEY key = CreateKey("Software\\Race");
    ASSERT_NE(key, nullptr);
    int missing = 0;
    for (int w = 0; w < kWriters; ++w) {
        for (int i = 0; i < kValuesEach; ++i) {
            DWORD value = 0, size = sizeof value;
            if (RegQueryValueExA(key, ValueName(w, i).c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                                 &size) != ERROR_SUCCESS ||
                value != static_cast<DWORD>(w * 100000 + i))
                ++missing;
        }
    }
    RegCloseKey(key);
    EXPECT_EQ(missing, 0) << "of " << kWriters * kValuesEach << " values reported written";
    // Nothing is left beside the store but the lock.
    for (const auto& entry : fs::directory_iterator(store.folder()))
        EXPECT_TRUE(entry.path().filename() == "registry" || entry.path().filename() == "registry.lock")
            << entry.path();
}

namespace {

// read(2) that gives one chunk and then fails, or ends early.
int g_calls = 0;
ssize_t FailsAfterOneChunk(int fd, void* buffer, size_t size) {
    if (g_calls++ == 0) return ::read(fd, buffer, size < 10 ? size : 10);
    errno = EIO;
    return -1;
}
ssize_t EndsAfterOneChunk(int fd, void* buffer, size_t size) {
    return g_calls++ == 0 ? ::read(fd, buffer, size < 10 ? size : 10) : 0;
}

}  // namespace

// A store read only in part is no store: reading it gives nothing, and no write replaces it with
// the part.
TEST(RegistryStore, AStoreReadOnlyInPartIsNeverTakenForTheWhole) {
    ScratchStore store;
    HKEY key = CreateKey("Software\\Kept");
    ASSERT_NE(key, nullptr);
    const DWORD one = 1;
    for (const char* name : {"a", "b", "c"})
        ASSERT_EQ(RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4), ERROR_SUCCESS);
    RegCloseKey(key);

    const win32::registry::StoreText whole = win32::registry::ReadStoreFile(store.path());
    ASSERT_EQ(whole.state, win32::registry::FileState::Read);
    ASSERT_GT(whole.text.size(), 20u);
    for (const auto reader : {&FailsAfterOneChunk, &EndsAfterOneChunk}) {
        const int fd = ::open(store.path().c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        g_calls = 0;
        std::string text;
        EXPECT_FALSE(win32::registry::ReadWholeFile(fd, &text, reader));
        ::close(fd);
    }
    const int fd = ::open(store.path().c_str(), O_RDONLY);
    std::string text;
    EXPECT_TRUE(win32::registry::ReadWholeFile(fd, &text));
    ::close(fd);
    EXPECT_EQ(text, whole.text);

    // A file that grows while it is read was changed in place by something else.
    {
        const int grow = ::open(store.path().c_str(), O_RDONLY);
        g_calls = 0;
        static int s_appendFd = -1;
        s_appendFd = ::open(store.path().c_str(), O_WRONLY | O_APPEND);
        ASSERT_GE(s_appendFd, 0);
        const auto appendsWhileReading = [](int f, void* buffer, size_t size) -> ssize_t {
            if (g_calls++ == 0) (void)!::write(s_appendFd, "\"d\"=dword:00000001\n", 19);
            return ::read(f, buffer, size);
        };
        EXPECT_FALSE(win32::registry::ReadWholeFile(grow, &text, appendsWhileReading));
        ::close(s_appendFd);
        ::close(grow);
    }
}
