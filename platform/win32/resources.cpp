// The installed resource tables and the lookups in them.
#include "win32/resources.h"

namespace res {
namespace {

Tables& Installed() {
    static Tables tables;
    return tables;
}

}  // namespace

void Install(const Tables& tables) { Installed() = tables; }

const Menu* FindMenu(int id) { return FindIn(Installed().menus, id); }
const AccelTable* FindAccelTable(int id) { return FindIn(Installed().accelTables, id); }
const Icon* FindIcon(int id) { return FindIn(Installed().icons, id); }
const Cursor* FindCursor(int id) { return FindIn(Installed().cursors, id); }
const DialogTemplate* FindDialog(int id) { return FindIn(Installed().dialogs, id); }

}  // namespace res
