#include "win32/pathwalk.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace win32 {
namespace {

// More links than the system itself follows in one name are a loop.
constexpr int kMaxLinks = 40;

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(other.Release()) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = other.Release();
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { Reset(); }
    int Get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }

private:
    void Reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    int fd_;
};

struct Folder {
    Fd fd;
    FolderId id;
};

// A path's components in front of those still to walk, in their order. '\' and '/' both separate;
// empty components (doubled or trailing separators) are kept, so that a trailing one still names
// a folder.
void PushFront(std::deque<std::string>& pending, std::string_view path) {
    std::vector<std::string> parts;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t end = path.find_first_of("/\\", pos);
        parts.emplace_back(path.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos));
        if (end == std::string_view::npos) break;
        pos = end + 1;
    }
    pending.insert(pending.begin(), parts.begin(), parts.end());
}

// The entry of the folder equal to `component` but for letter case; empty when none.
std::string FindCaseless(int folder, const std::string& component) {
    const int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return {};
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return {};
    }
    std::string best;
    while (const dirent* entry = ::readdir(dir)) {
        if (::strcasecmp(entry->d_name, component.c_str()) == 0 && (best.empty() || best > entry->d_name))
            best = entry->d_name;
    }
    ::closedir(dir);
    return best;
}

// Looks the component up in the folder without following a link: as written, else by letter
// case, in which case `component` becomes the entry's own name.
bool Lookup(int folder, std::string& component, struct stat* st) {
    if (::fstatat(folder, component.c_str(), st, AT_SYMLINK_NOFOLLOW) == 0) return true;
    if (errno != ENOENT) return false;
    std::string match = FindCaseless(folder, component);
    if (match.empty() || ::fstatat(folder, match.c_str(), st, AT_SYMLINK_NOFOLLOW) != 0) {
        errno = ENOENT;
        return false;
    }
    component = std::move(match);
    return true;
}

bool ReadLink(int folder, const std::string& component, std::string* target) {
    target->assign(PATH_MAX, '\0');
    const ssize_t n = ::readlinkat(folder, component.c_str(), target->data(), target->size());
    if (n < 0) return false;
    if (static_cast<std::size_t>(n) >= target->size()) {
        errno = ENAMETOOLONG;
        return false;
    }
    target->resize(static_cast<std::size_t>(n));
    return true;
}

bool OpenFolder(int parent, const char* component, Folder* out) {
    Fd fd(::openat(parent, component, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0) return false;
    *out = Folder{std::move(fd), FolderId{st.st_dev, st.st_ino}};
    return true;
}

bool Inside(const std::vector<Folder>& chain, const std::vector<FolderId>& within) {
    return std::any_of(chain.begin(), chain.end(), [&](const Folder& folder) {
        return std::find(within.begin(), within.end(), folder.id) != within.end();
    });
}

// Opens the last component, a regular file unless the request creates. Reads never block: a FIFO
// with no writer would hold the caller for good.
int OpenLeaf(int folder, const std::string& component, int flags) {
    const bool reading = !(flags & O_CREAT);
    const int fd = ::openat(folder, component.c_str(),
                            flags | O_NOFOLLOW | O_CLOEXEC | (reading ? O_NONBLOCK | O_NOCTTY : 0), 0666);
    if (fd < 0 || !reading) return fd;
    // Checked again on what was opened: the entry may have been swapped since the first look.
    struct stat st {};
    const int fileFlags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || fileFlags < 0 ||
        ::fcntl(fd, F_SETFL, fileFlags & ~O_NONBLOCK) < 0) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

}  // namespace

std::optional<FolderId> IdentifyFolder(const char* path) {
    struct stat st {};
    if (!path || ::stat(path, &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
    return FolderId{st.st_dev, st.st_ino};
}

int OpenName(const char* name, int flags, const std::vector<FolderId>* within, bool* outside) {
    if (outside) *outside = false;
    if (!name || !*name) {
        errno = ENOENT;
        return -1;
    }
    // The walk starts at the system's root with the whole path, so that it knows every folder the
    // file lies in; a relative name goes behind the current folder.
    std::deque<std::string> pending;
    PushFront(pending, name);
    if (name[0] != '/' && name[0] != '\\') {
        char cwd[PATH_MAX];
        if (!::getcwd(cwd, sizeof cwd)) return -1;
        PushFront(pending, cwd);
    }
    std::vector<Folder> chain(1);
    if (!OpenFolder(AT_FDCWD, "/", &chain[0])) return -1;

    int links = 0;
    while (!pending.empty()) {
        std::string component = std::move(pending.front());
        pending.pop_front();
        const bool last = pending.empty();
        if (component.empty() || component == "." || component == "..") {
            // ".." is the folder the walk came from: it only ever entered real folders, links
            // being replaced by what they hold. The system's root is its own parent.
            if (component == ".." && chain.size() > 1) chain.pop_back();
            continue;
        }
        const int folder = chain.back().fd.Get();
        struct stat st {};
        if (!Lookup(folder, component, &st)) {
            if (errno != ENOENT || !last || !(flags & O_CREAT)) return -1;
        } else if (S_ISLNK(st.st_mode)) {
            std::string target;
            if (++links > kMaxLinks) {
                errno = ELOOP;
                return -1;
            }
            if (!ReadLink(folder, component, &target)) return -1;
            if (target.empty()) {
                errno = ENOENT;
                return -1;
            }
            if (target[0] == '/') chain.resize(1);
            PushFront(pending, target);
            continue;
        } else if (!last) {
            if (!S_ISDIR(st.st_mode)) {
                errno = ENOTDIR;
                return -1;
            }
            Folder next;
            if (!OpenFolder(folder, component.c_str(), &next)) return -1;
            chain.push_back(std::move(next));
            continue;
        } else if (!(flags & O_CREAT) && !S_ISREG(st.st_mode)) {
            errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
            return -1;
        }
        // The file itself (to be created when it was not found).
        if (within && !Inside(chain, *within)) {
            if (outside) *outside = true;
            errno = EACCES;
            return -1;
        }
        return OpenLeaf(folder, component, flags);
    }
    // The name ends in a separator, "." or "..": it names a folder.
    errno = EISDIR;
    return -1;
}

}  // namespace win32
