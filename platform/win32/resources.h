// Resources as data: menus, accelerator tables, icons, cursors and dialog templates, looked up by
// identifier. The program installs its tables at start-up; LoadMenu, LoadAccelerators, LoadIcon,
// LoadCursor and DialogBox build their objects from the installed ones.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace res {

// One menu entry. A popup holds its own items; a separator has neither text nor id.
struct MenuItem {
    enum class Kind { Command, Separator, Popup };
    Kind kind = Kind::Command;
    const char* text = nullptr;  // '&' marks the mnemonic, '\t' starts the key text
    std::uint16_t id = 0;
    std::span<const MenuItem> items;  // Popup only
};

struct Menu {
    int id;
    std::span<const MenuItem> items;
};

// Same fields and flags as ACCEL.
struct Accel {
    std::uint8_t fVirt;
    std::uint16_t key;
    std::uint16_t cmd;
};

struct AccelTable {
    int id;
    std::span<const Accel> entries;
};

// A 16-colour image: one character per pixel, rows top to bottom. '0'-'9' and 'a'-'f' index
// the palette; '.' is transparent (its AND-mask bit is set).
struct IconImage {
    int width;
    int height;
    const char* const* rows;
};

struct Icon {
    int id;
    const std::uint32_t* palette;  // 16 entries, 0x00RRGGBB
    std::span<const IconImage> images;
};

// A monochrome cursor: '#' black, 'o' white, '.' transparent.
struct Cursor {
    int id;
    int width;
    int height;
    int hotX;
    int hotY;
    const char* const* rows;
};

struct DialogControl {
    int id;                      // -1 for controls nobody addresses
    std::string_view className;  // "BUTTON", "STATIC", "COMBOBOX"
    const char* text;
    std::uint32_t style;  // WS_CHILD | WS_VISIBLE are implied
    int x, y, cx, cy;     // dialog units
};

struct DialogTemplate {
    int id;
    std::uint32_t style;
    int x, y, cx, cy;  // dialog units
    const char* caption;
    const char* fontName;
    int pointSize;
    std::span<const DialogControl> controls;  // in tab order
};

// A program's resources. The tables are read in place, so they must outlive every lookup (the
// program's own are constant data).
struct Tables {
    std::span<const Menu> menus;
    std::span<const AccelTable> accelTables;
    std::span<const Icon> icons;
    std::span<const Cursor> cursors;
    std::span<const DialogTemplate> dialogs;
};

// The entry with the id in one table, or nullptr.
template <class Entry> const Entry* FindIn(std::span<const Entry> table, int id) {
    for (const Entry& entry : table)
        if (entry.id == id) return &entry;
    return nullptr;
}

// Replaces the installed tables; before the first call there are none and every lookup fails.
void Install(const Tables& tables);

// Lookups in the installed tables.
const Menu* FindMenu(int id);
const AccelTable* FindAccelTable(int id);
const Icon* FindIcon(int id);
const Cursor* FindCursor(int id);
const DialogTemplate* FindDialog(int id);

}  // namespace res
