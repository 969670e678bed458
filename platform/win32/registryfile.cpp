#include "win32/registryfile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace win32::registry {

namespace {

// A descriptor closed when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool ReadWholeFile(int fd, std::string* text, ReadFn readFn) {
    if (!readFn) readFn = &::read;
    text->clear();
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    char chunk[65536];
    for (;;) {
        const ssize_t n = readFn(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        text->append(chunk, static_cast<std::size_t>(n));
        // Writers replace the file rather than change it, so a file that grows was changed in
        // place by something else: what was read is no store.
        if (text->size() > static_cast<std::size_t>(st.st_size)) return false;
    }
    return text->size() == static_cast<std::size_t>(st.st_size);
}

StoreText ReadStoreFile(const std::string& path) {
    StoreText result;
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return result;  // absent: empty
    result.state = FileState::Unreadable;
    // Only a regular file is opened: a pipe or a device under the name would block or never end.
    if (!S_ISREG(st.st_mode)) return result;
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0 || !ReadWholeFile(fd.get(), &result.text)) {
        result.text.clear();
        return result;
    }
    result.state = FileState::Read;
    return result;
}

bool ReplaceStoreFile(const std::string& path, const std::string& text) {
    std::vector<char> name(path.begin(), path.end());
    const char suffix[] = ".XXXXXX";
    name.insert(name.end(), suffix, suffix + sizeof suffix);  // with the terminator
    Fd fd(::mkstemp(name.data()));
    if (fd.get() < 0) return false;
    // The store keeps its permissions; a new one gets those of an ordinary file.
    struct stat st {};
    const mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    const bool written = ::fchmod(fd.get(), mode) == 0 && WriteAll(fd.get(), text) && ::close(fd.release()) == 0;
    if (!written || std::rename(name.data(), path.c_str()) != 0) {
        std::remove(name.data());
        return false;
    }
    return true;
}

StoreLock::StoreLock(const std::string& storePath) {
    if (storePath.empty()) return;
    Fd fd(::open((storePath + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (fd.get() < 0) return;
    int r;
    while ((r = ::flock(fd.get(), LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (r == 0) fd_ = fd.release();
}

StoreLock::~StoreLock() {
    if (fd_ >= 0) ::close(fd_);  // closing the last descriptor of the lock file releases the lock
}

}  // namespace win32::registry
