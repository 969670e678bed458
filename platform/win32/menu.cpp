// Menu handles over the resource tables.
#include <algorithm>
#include <cstring>

#include "win32/resources.h"
#include "win32/winstate.h"

namespace win32::detail {
namespace {

HMENU Build(std::span<const res::MenuItem> items, HMENU parent) {
    State& s = GetState();
    auto menu = std::make_unique<MenuObject>();
    menu->parent = parent;
    HMENU handle = reinterpret_cast<HMENU>(s.NewHandle());
    MenuObject* raw = menu.get();
    s.menus.emplace(reinterpret_cast<std::uintptr_t>(handle), std::move(menu));
    for (const res::MenuItem& item : items) {
        MenuObject::Item out;
        switch (item.kind) {
            case res::MenuItem::Kind::Separator: out.flags = MF_SEPARATOR; break;
            case res::MenuItem::Kind::Popup:
                out.flags = MF_POPUP;
                out.text = item.text ? item.text : "";
                out.id = 0xFFFFFFFF;
                out.sub = Build(item.items, handle);
                break;
            case res::MenuItem::Kind::Command:
                out.text = item.text ? item.text : "";
                out.id = item.id;
                break;
        }
        raw->items.push_back(std::move(out));
    }
    return handle;
}

}  // namespace
}  // namespace win32::detail

using namespace win32::detail;

HMENU LoadMenuA(HINSTANCE instance, LPCSTR name) {
    if (!instance || !IS_INTRESOURCE(name)) return nullptr;
    const res::Menu* def = res::FindMenu(static_cast<int>(reinterpret_cast<std::uintptr_t>(name)));
    return def ? Build(def->items, nullptr) : nullptr;
}

HMENU GetSubMenu(HMENU menu, int pos) {
    MenuObject* m = FindMenuObject(menu);
    if (!m || pos < 0 || pos >= static_cast<int>(m->items.size())) return nullptr;
    return m->items[pos].sub;
}

BOOL DestroyMenu(HMENU menu) {
    MenuObject* m = FindMenuObject(menu);
    if (!m) return FALSE;
    for (const MenuObject::Item& item : m->items)
        if (item.sub) DestroyMenu(item.sub);
    GetState().menus.erase(reinterpret_cast<std::uintptr_t>(menu));
    return TRUE;
}

BOOL IsMenu(HMENU menu) { return FindMenuObject(menu) ? TRUE : FALSE; }

int GetMenuItemCount(HMENU menu) {
    MenuObject* m = FindMenuObject(menu);
    return m ? static_cast<int>(m->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int pos) {
    MenuObject* m = FindMenuObject(menu);
    if (!m || pos < 0 || pos >= static_cast<int>(m->items.size())) return 0xFFFFFFFF;
    const MenuObject::Item& item = m->items[pos];
    return (item.flags & MF_SEPARATOR) ? 0 : item.id;
}

int GetMenuStringA(HMENU menu, UINT item, LPSTR text, int maxCount, UINT flags) {
    MenuObject* m = FindMenuObject(menu);
    if (!m) return 0;
    const MenuObject::Item* found = nullptr;
    if (flags & MF_BYPOSITION) {
        if (item < m->items.size()) found = &m->items[item];
    } else {
        for (const MenuObject::Item& i : m->items)
            if (!(i.flags & (MF_SEPARATOR | MF_POPUP)) && i.id == item) found = &i;
    }
    if (!found) return 0;
    int length = static_cast<int>(found->text.size());
    if (!text || maxCount <= 0) return length;
    int n = std::min(maxCount - 1, length);
    std::memcpy(text, found->text.data(), n);
    text[n] = '\0';
    return n;
}
