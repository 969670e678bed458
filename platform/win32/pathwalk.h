// Where a Windows-style name leads on this system, found one component at a time from held folder
// descriptors, so that what is checked is what gets opened.
#pragma once

#include <sys/types.h>

#include <optional>
#include <vector>

namespace win32 {

// A folder as it is on disk, whatever path names it.
struct FolderId {
    dev_t dev;
    ino_t ino;
    bool operator==(const FolderId&) const = default;
};

// The folder a path names (links followed); none when it is not a folder.
std::optional<FolderId> IdentifyFolder(const char* path);

// Opens `name` with open(2) `flags`. '\' is a separator; a component that does not exist as
// written is the entry of its folder that matches it without regard to letter case (the first in
// name order when several do). Symbolic links and ".." are followed as the system follows them.
// Without O_CREAT only a regular file is opened, and the open never blocks.
// With `within`, the file must lie inside one of those folders (physically, wherever the name or
// its links pass on the way): otherwise nothing is opened, errno is EACCES and `*outside` is set.
// Returns the descriptor, or -1 with errno set.
int OpenName(const char* name, int flags, const std::vector<FolderId>* within, bool* outside);

}  // namespace win32
