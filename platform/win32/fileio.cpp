#include "win32/fileio.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <string_view>
#include <vector>

namespace win32 {
namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// The entry of `folder` equal to `component` but for letter case; empty when none.
std::string FindCaseInsensitive(const std::string& folder, std::string_view component) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return {};
    std::string best;
    const std::string wanted(component);
    while (const dirent* entry = ::readdir(dir)) {
        if (::strcasecmp(entry->d_name, wanted.c_str()) == 0 && (best.empty() || best > entry->d_name))
            best = entry->d_name;
    }
    ::closedir(dir);
    return best;
}

}  // namespace

std::string ResolvePath(const char* name) {
    if (!name) return {};
    std::string path(name);
    for (char& c : path)
        if (c == '\\') c = '/';
    if (path.empty() || Exists(path)) return path;

    // Walk the components, fixing the letter case of each one that does not exist as written.
    std::string resolved;
    std::size_t pos = 0;
    if (path[0] == '/') {
        resolved = "/";
        pos = 1;
    }
    while (pos <= path.size()) {
        std::size_t end = path.find('/', pos);
        if (end == std::string::npos) end = path.size();
        const std::string_view component(path.data() + pos, end - pos);
        if (!component.empty()) {
            std::string candidate = resolved + std::string(component);
            if (!Exists(candidate) && component != "." && component != "..") {
                const std::string match = FindCaseInsensitive(resolved, component);
                if (!match.empty()) candidate = resolved + match;
            }
            resolved = std::move(candidate);
        }
        if (end < path.size()) resolved += '/';
        pos = end + 1;
    }
    return resolved;
}

std::FILE* OpenFile(const char* name, const char* mode) {
    if (!name || !mode) return nullptr;
    const std::string path = ResolvePath(name);
    if (mode[0] != 'r') return std::fopen(path.c_str(), mode);
    // Files to read come from level folders anyone can make: only a regular file is opened, and
    // the open itself never waits (a FIFO with no writer would hold the caller for good).
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return nullptr;
    }
    const int access = std::strchr(mode, '+') ? O_RDWR : O_RDONLY;
    const int fd = ::open(path.c_str(), access | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return nullptr;
    // Checked again on what was opened: the name may have been swapped since the first look.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    std::FILE* f = flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0 ? nullptr : ::fdopen(fd, mode);
    if (!f) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
    }
    return f;
}

bool FileReadable(const char* name) {
    if (!name || !*name) return false;
    std::FILE* f = OpenFile(name, "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

}  // namespace win32

namespace {
// Handles from CreateFileA are the FILE* of an open stream.
struct FileHandle {
    std::FILE* file;
};
}  // namespace

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD /*share*/, void* /*security*/, DWORD disposition, DWORD /*flags*/,
                   HANDLE /*templateFile*/) {
    if (!name || access != GENERIC_READ || disposition != OPEN_EXISTING) return INVALID_HANDLE_VALUE;
    if (!win32::FileReadable(name)) return INVALID_HANDLE_VALUE;
    std::FILE* f = win32::OpenFile(name, "rb");
    if (!f) return INVALID_HANDLE_VALUE;
    return new FileHandle{f};
}

BOOL CloseHandle(HANDLE handle) {
    if (!handle || handle == INVALID_HANDLE_VALUE) return FALSE;
    auto* h = static_cast<FileHandle*>(handle);
    std::fclose(h->file);
    delete h;
    return TRUE;
}
