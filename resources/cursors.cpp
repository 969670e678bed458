// Cursor 154: an arrow, 32 x 32 monochrome, hot spot at the top left. Nothing loads it; the window
// class uses the system arrow.
#include "resources/resource.h"
#include "resources/resourcetables.h"

namespace res {
namespace {

constexpr const char* kPointerRows[] = {
    "#...............................",
    "##..............................",
    "#o#.............................",
    "#oo#............................",
    "#ooo#...........................",
    "#oooo#..........................",
    "#ooooo#.........................",
    "#oooooo#........................",
    "#ooooooo#.......................",
    "#oooooooo#......................",
    "#ooooooooo#.....................",
    "#oooooooooo#....................",
    "#ooooooooooo#...................",
    "#oooooooooooo#..................",
    "#ooooooooooooo#.................",
    "#oooooooooooooo#................",
    "#ooooooooooooooo#...............",
    "#oooooooooooooooo#..............",
    "#############...................",
    ".......#oo#.....................",
    ".......#oo#.....................",
    ".......#oo#.....................",
    ".......#oo#.....................",
    ".......#oo#.....................",
    ".......####.....................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
};

constexpr Cursor kCursors[] = {{IDC_POINTER, 32, 32, 0, 0, kPointerRows}};

}  // namespace

const Cursor* FindCursor(int id) {
    for (const Cursor& cursor : kCursors)
        if (cursor.id == id) return &cursor;
    return nullptr;
}

}  // namespace res
