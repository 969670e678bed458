// The registry store's file: read whole or not at all, and replaced by one writer at a time.
//
// Every change reads the whole store, changes it and writes it whole again. Writers in any
// process take the store's lock over those three steps, and each writes through a temporary file
// of its own that is renamed over the store, so readers (which take no lock) see one whole store
// or the next, and no writer loses what another was told it wrote.
#pragma once

#include <sys/types.h>

#include <string>

namespace win32::registry {

enum class FileState {
    Absent,      // no file: an empty store
    Read,        // the whole file is in the text
    Unreadable,  // there, but not a regular file, not readable, or not read to its end
};

struct StoreText {
    FileState state = FileState::Absent;
    std::string text;
};

StoreText ReadStoreFile(const std::string& path);

// Reads an open regular file to its end. False when a read fails or the bytes read differ from
// the size the file had when the read began: a store cut short is never taken for the whole one.
// `readFn` stands in for read(2) in tests.
using ReadFn = ssize_t (*)(int, void*, size_t);
bool ReadWholeFile(int fd, std::string* text, ReadFn readFn = nullptr);

// Writes the text to a new file beside `path` and renames it over it; false, with the old store
// whole, when any step fails.
bool ReplaceStoreFile(const std::string& path, const std::string& text);

// The writers' lock: an exclusive advisory lock (flock) on "<store>.lock", held while this lives.
// Held() is false when the lock file cannot be made or locked; the write is then refused.
class StoreLock {
public:
    explicit StoreLock(const std::string& storePath);
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace win32::registry
