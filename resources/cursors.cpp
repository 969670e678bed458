// Cursor 154: an arrow, 32 x 32 monochrome, hot spot at the top left. Nothing loads it; the window
// class uses the system arrow.
#include "resources/programtables.h"
#include "resources/resource.h"

namespace res {
namespace {

constexpr const char* kPointerRows[] = {
    "#...............................", "##..............................", "#o#.............................",
    "#oo#............................", "#ooo#...........................", "#oooo#..........................",
    "#ooooo#.........................", "#oooooo#........................", "#ooooooo#.......................",
    "#oooooooo#......................", "#ooooooooo#.....................", "#oooooooooo#....................",
    "#ooooooooooo#...................", "#oooooooooooo#..................", "#ooooooooooooo#.................",
    "#oooooooooooooo#................", "#ooooooooooooooo#...............", "#oooooooooooooooo#..............",
    "#############...................", ".......#oo#.....................", ".......#oo#.....................",
    ".......#oo#.....................", ".......#oo#.....................", ".......#oo#.....................",
    ".......####.....................", "................................", "................................",
    "................................", "................................", "................................",
    "................................", "................................",
};

constexpr Cursor kCursors[] = {{IDC_POINTER, 32, 32, 0, 0, kPointerRows}};

}  // namespace

std::span<const Cursor> ProgramCursors() { return kCursors; }

}  // namespace res
