// Dialog boxes: the dialog and its controls as windows, the messages the controls answer, and
// the calls a dialog procedure makes.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "win32/dialogengine.h"
#include "win32/script.h"

namespace win32::detail::dialog {
namespace {

Dialog*& CurrentSlot() {
    static Dialog* current = nullptr;
    return current;
}

// Windows other than controls disabled with EnableWindow.
std::set<HWND>& DisabledWindows() {
    static std::set<HWND> disabled;
    return disabled;
}

LRESULT ComboMessage(Control& c, UINT message, WPARAM wParam, LPARAM lParam) {
    const int count = static_cast<int>(c.items.size());
    const int index = static_cast<int>(static_cast<INT_PTR>(wParam));
    switch (message) {
        case CB_ADDSTRING:
            c.items.push_back(Control::Item{lParam ? reinterpret_cast<const char*>(lParam) : "", 0});
            return count;
        case CB_RESETCONTENT:
            c.items.clear();
            c.sel = -1;
            if (Dialog* d = Current(); d && d->openList >= 0 && &d->controls[d->openList] == &c) {
                d->listHot = -1;
                d->listTop = 0;
            }
            return 0;
        case CB_GETCOUNT: return count;
        case CB_GETCURSEL: return c.sel >= 0 && c.sel < count ? c.sel : CB_ERR;
        case CB_SETCURSEL:
            if (index < 0 || index >= count) {
                c.sel = -1;
                return CB_ERR;
            }
            c.sel = index;
            return index;
        case CB_GETITEMDATA: return index >= 0 && index < count ? c.items[index].data : CB_ERR;
        case CB_SETITEMDATA:
            if (index < 0 || index >= count) return CB_ERR;
            c.items[index].data = lParam;
            return TRUE;
        case CB_GETLBTEXT:
            if (index < 0 || index >= count) return CB_ERR;
            if (lParam) std::strcpy(reinterpret_cast<char*>(lParam), c.items[index].text.c_str());
            return static_cast<LRESULT>(c.items[index].text.size());
        default: return 0;
    }
}

LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Control* c = FindControl(hwnd);
    if (!c) return 0;
    if (c->kind == Kind::Combo) return ComboMessage(*c, message, wParam, lParam);
    switch (message) {
        case BM_GETCHECK: return c->check;
        case BM_SETCHECK: c->check = static_cast<int>(wParam); return 0;
        default: return 0;
    }
}

LRESULT CALLBACK DialogProcWrapper(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* d = Current();
    if (!d || d->hwnd != hwnd || !d->proc) return 0;
    return d->proc(hwnd, message, wParam, lParam);
}

HWND AddWindow(WNDPROC proc, const std::string& className, const std::string& title, DWORD style) {
    State& s = GetState();
    auto window = std::make_unique<Window>();
    window->handle = reinterpret_cast<HWND>(s.NewHandle());
    window->className = className;
    window->proc = proc;
    window->style = style;
    window->title = title;
    HWND handle = window->handle;
    s.windows.emplace(reinterpret_cast<std::uintptr_t>(handle), std::move(window));
    return handle;
}

Kind KindOf(const res::DialogControl& t) {
    if (t.className == "COMBOBOX") return Kind::Combo;
    if (t.className == "BUTTON") {
        switch (t.style & 0xF) {
            case BS_GROUPBOX: return Kind::GroupBox;
            case BS_AUTORADIOBUTTON: return Kind::Radio;
            default: return Kind::PushButton;
        }
    }
    return Kind::Static;
}

// Dialog units for the template's 8-point font: a character cell of 6 x 13 pixels.
constexpr int kBaseX = 6;
constexpr int kBaseY = 13;
int UnitsX(int units) { return units * kBaseX / 4; }
int UnitsY(int units) { return units * kBaseY / 8; }

}  // namespace

Dialog* Current() { return CurrentSlot(); }

Control* FindControl(HWND hwnd) {
    Dialog* d = Current();
    if (!d || !hwnd) return nullptr;
    for (Control& c : d->controls)
        if (c.hwnd == hwnd) return &c;
    return nullptr;
}

void Notify(Dialog& d, const Control& c, WORD code) {
    SendMessageA(d.hwnd, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(c.id), code), reinterpret_cast<LPARAM>(c.hwnd));
}

// The modal loop (dialogloop.cpp).
INT_PTR RunModal(Dialog& d, LPARAM initParam);

INT_PTR Run(const res::DialogTemplate& t, HWND owner, DLGPROC proc, LPARAM initParam) {
    if (Current() || !proc) return -1;  // one dialog at a time
    if (owner && !FindWindow(owner)) return -1;
    Dialog d;
    d.owner = owner;
    d.proc = proc;
    d.caption = t.caption ? t.caption : "";
    d.width = UnitsX(t.cx);
    d.height = UnitsY(t.cy);
    d.hwnd = AddWindow(DialogProcWrapper, "#32770", d.caption, t.style);
    for (const res::DialogControl& ct : t.controls) {
        Control c;
        c.id = ct.id;
        c.kind = KindOf(ct);
        c.text = ct.text ? ct.text : "";
        c.style = ct.style;
        c.rect = RECT{UnitsX(ct.x), UnitsY(ct.y), UnitsX(ct.x + ct.cx), UnitsY(ct.y + ct.cy)};
        if (c.kind == Kind::Combo) {
            c.dropHeight = c.rect.bottom - c.rect.top;
            c.rect.bottom = c.rect.top + kListRowHeight + 4;  // the closed box
        }
        c.hwnd = AddWindow(ControlProc, std::string(ct.className), c.text, ct.style | WS_CHILD | WS_VISIBLE);
        d.controls.push_back(std::move(c));
    }
    CurrentSlot() = &d;
    script::Install();  // a dialog may be the first thing a program opens
    INT_PTR result = RunModal(d, initParam);
    CurrentSlot() = nullptr;
    for (Control& c : d.controls) DestroyWindow(c.hwnd);
    // The procedure is not called any more once the dialog has ended.
    if (Window* w = FindWindow(d.hwnd)) w->proc = nullptr;
    DestroyWindow(d.hwnd);
    return result;
}

}  // namespace win32::detail::dialog

using namespace win32::detail;

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND owner, DLGPROC dialogProc, LPARAM initParam) {
    if (!IS_INTRESOURCE(templateName)) return -1;
    const res::DialogTemplate* t = res::FindDialog(static_cast<int>(reinterpret_cast<std::uintptr_t>(templateName)));
    if (!t) return -1;
    return dialog::Run(*t, owner, dialogProc, initParam);
}

BOOL EndDialog(HWND hwnd, INT_PTR result) {
    dialog::Dialog* d = dialog::Current();
    if (!d || d->hwnd != hwnd) return FALSE;
    d->ended = true;
    d->result = result;
    return TRUE;
}

HWND GetDlgItem(HWND hwnd, int id) {
    dialog::Dialog* d = dialog::Current();
    if (!d || d->hwnd != hwnd) return nullptr;
    for (const dialog::Control& c : d->controls)
        if (c.id == id) return c.hwnd;
    return nullptr;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    if (dialog::Control* c = dialog::FindControl(hwnd)) {
        BOOL wasDisabled = c->enabled ? FALSE : TRUE;
        c->enabled = enable != FALSE;
        dialog::Dialog* d = dialog::Current();
        if (!c->enabled && d->focus >= 0 && &d->controls[d->focus] == c) d->focus = -1;
        if (!c->enabled && d->openList >= 0 && &d->controls[d->openList] == c) d->openList = -1;
        return wasDisabled;
    }
    if (!FindWindow(hwnd)) return FALSE;
    auto& disabled = dialog::DisabledWindows();
    BOOL wasDisabled = disabled.count(hwnd) ? TRUE : FALSE;
    if (enable)
        disabled.erase(hwnd);
    else
        disabled.insert(hwnd);
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND hwnd) {
    if (dialog::Control* c = dialog::FindControl(hwnd)) return c->enabled ? TRUE : FALSE;
    if (!FindWindow(hwnd)) return FALSE;
    return dialog::DisabledWindows().count(hwnd) ? FALSE : TRUE;
}
