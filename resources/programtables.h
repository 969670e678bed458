// The program's own resource tables, one source file each, installed at start-up (res::Install).
#pragma once

#include "win32/resources.h"

namespace res {

std::span<const Menu> ProgramMenus();
std::span<const AccelTable> ProgramAccelTables();
std::span<const Icon> ProgramIcons();
std::span<const Cursor> ProgramCursors();
std::span<const DialogTemplate> ProgramDialogs();

inline Tables ProgramTables() {
    return {ProgramMenus(), ProgramAccelTables(), ProgramIcons(), ProgramCursors(), ProgramDialogs()};
}

}  // namespace res
