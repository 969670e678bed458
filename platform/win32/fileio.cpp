#include "win32/fileio.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>

#include "win32/codepage.h"
#include "win32/pathwalk.h"

namespace win32 {
namespace {

struct Roots {
    std::mutex mutex;
    bool confined = false;
    std::vector<FolderId> folders;
};

Roots& FileRoots() {
    static Roots roots;
    return roots;
}

// open(2) flags of an fopen mode; none for a mode fopen would refuse.
std::optional<int> ModeFlags(const char* mode) {
    const bool plus = std::strchr(mode, '+') != nullptr;
    const int access = plus ? O_RDWR : mode[0] == 'r' ? O_RDONLY : O_WRONLY;
    switch (mode[0]) {
        case 'r': return access;
        case 'w': return access | O_CREAT | O_TRUNC | (std::strchr(mode, 'x') ? O_EXCL : 0);
        case 'a': return access | O_CREAT | O_APPEND;
        default: return std::nullopt;
    }
}

std::FILE* Open(const char* name, const char* mode, bool reportRefusal) {
    if (!name || !mode) return nullptr;
    const std::optional<int> flags = ModeFlags(mode);
    if (!flags) {
        errno = EINVAL;
        return nullptr;
    }
    std::optional<std::vector<FolderId>> within;
    {
        Roots& roots = FileRoots();
        const std::lock_guard<std::mutex> lock(roots.mutex);
        if (roots.confined) within = roots.folders;
    }
    bool outside = false;
    const int fd = OpenName(name, *flags, within ? &*within : nullptr, &outside);
    if (fd < 0) {
        if (outside && reportRefusal) {
            const int saved = errno;
            const std::string line = std::string(name) + ": refused: the name leads outside the game's folder\n";
            OutputDebugStringA(line.c_str());
            errno = saved;
        }
        return nullptr;
    }
    std::FILE* f = ::fdopen(fd, mode);
    if (!f) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
    }
    return f;
}

}  // namespace

void SetFileRoots(const std::vector<std::string>& folders) {
    std::vector<FolderId> ids;
    for (const std::string& folder : folders)
        if (const std::optional<FolderId> id = IdentifyFolder(folder.c_str())) ids.push_back(*id);
    Roots& roots = FileRoots();
    const std::lock_guard<std::mutex> lock(roots.mutex);
    roots.confined = !folders.empty();
    roots.folders = std::move(ids);
}

std::FILE* OpenFile(const char* name, const char* mode) { return Open(name, mode, true); }

bool FileReadable(const char* name) {
    std::FILE* f = Open(name, "rb", false);
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
    std::FILE* f = win32::Open(name, "rb", false);
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
