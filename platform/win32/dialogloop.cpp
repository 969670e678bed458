// The modal loop of a dialog: it owns keyboard and mouse while it runs (so the owner's
// accelerators never see them), keeps the owner's last frame on screen with WM_PAINT, and counts
// as a pass of script time at each turn.
//
// Keyboard: Tab and Shift+Tab move between the tab stops, arrows change a list's selection or the
// checked radio button of a group, Space presses the focused button, Enter is the default button
// (or picks from an open list), Esc is Cancel (or closes an open list).
#include <SDL.h>

#include <algorithm>

#include "win32/dialogengine.h"
#include "win32/pumphook.h"

namespace win32::detail::dialog {

// dialogdraw.cpp
bool OpenOwnWindow(Dialog& d);
void CloseOwnWindow(Dialog& d);
void PresentOwnWindow(Dialog& d);
void PlaceOverOwner(Dialog& d);

namespace {

bool Focusable(const Control& c) {
    return c.enabled && (c.kind == Kind::Combo || c.kind == Kind::PushButton || c.kind == Kind::Radio);
}

bool Inside(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// The radio buttons of the group that holds control i: from its WS_GROUP start to the next.
std::pair<int, int> GroupOf(const Dialog& d, int i) {
    int first = i;
    while (first > 0 && !(d.controls[first].style & WS_GROUP)) --first;
    int last = i;
    while (last + 1 < static_cast<int>(d.controls.size()) && !(d.controls[last + 1].style & WS_GROUP)) ++last;
    return {first, last};
}

// The tab stops in order; a radio group counts once, at its checked button.
std::vector<int> TabStops(const Dialog& d) {
    std::vector<int> stops;
    for (int i = 0; i < static_cast<int>(d.controls.size()); ++i) {
        const Control& c = d.controls[i];
        if (!(c.style & WS_TABSTOP)) continue;
        if (c.kind == Kind::Radio) {
            auto [first, last] = GroupOf(d, i);
            int pick = -1;
            for (int k = first; k <= last; ++k) {
                const Control& r = d.controls[k];
                if (r.kind != Kind::Radio || !r.enabled) continue;
                if (pick < 0 || r.check == BST_CHECKED) pick = k;
                if (r.check == BST_CHECKED) break;
            }
            if (pick >= 0) stops.push_back(pick);
        } else if (Focusable(c)) {
            stops.push_back(i);
        }
    }
    return stops;
}

void MoveFocus(Dialog& d, int direction) {
    std::vector<int> stops = TabStops(d);
    if (stops.empty()) return;
    auto it = std::find(stops.begin(), stops.end(), d.focus);
    int n = static_cast<int>(stops.size());
    int at = it == stops.end() ? (direction > 0 ? -1 : 0) : static_cast<int>(it - stops.begin());
    d.focus = stops[((at + direction) % n + n) % n];
}

void ClickRadio(Dialog& d, int i) {
    auto [first, last] = GroupOf(d, i);
    for (int k = first; k <= last; ++k)
        if (d.controls[k].kind == Kind::Radio) d.controls[k].check = k == i ? BST_CHECKED : BST_UNCHECKED;
    d.focus = i;
    Notify(d, d.controls[i], BN_CLICKED);
}

void Press(Dialog& d, int i) {
    Control& c = d.controls[i];
    if (!c.enabled) return;
    if (c.kind == Kind::Radio)
        ClickRadio(d, i);
    else if (c.kind == Kind::PushButton)
        Notify(d, c, BN_CLICKED);
}

void ScrollToHot(Dialog& d) {
    const Control& c = d.controls[d.openList];
    int rows = ListRows(c);
    if (d.listHot < d.listTop) d.listTop = std::max(0, d.listHot);
    if (d.listHot >= d.listTop + rows) d.listTop = d.listHot - rows + 1;
}

void OpenList(Dialog& d, int i) {
    d.openList = i;
    d.listHot = d.controls[i].sel;
    d.listTop = 0;
    if (d.listHot >= 0) ScrollToHot(d);
}

// A list entry becomes the selection and the dialog hears of it.
void Pick(Dialog& d, int i, int entry) {
    Control& c = d.controls[i];
    d.openList = -1;
    if (entry < 0 || entry >= static_cast<int>(c.items.size())) return;
    c.sel = entry;
    // The only notification: a procedure that refills its lists on every command must read the
    // new selection before anything else reaches it.
    Notify(d, c, CBN_SELENDOK);
}

void DefaultButton(Dialog& d, WORD id) {
    for (const Control& c : d.controls)
        if (c.id == id && c.kind == Kind::PushButton) {
            if (c.enabled) Notify(d, c, BN_CLICKED);
            return;
        }
    SendMessageA(d.hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

void Key(Dialog& d, int vk, bool shift) {
    if (d.openList >= 0) {
        Control& c = d.controls[d.openList];
        int n = static_cast<int>(c.items.size());
        switch (vk) {
            case VK_ESCAPE: d.openList = -1; return;
            case VK_RETURN: Pick(d, d.openList, d.listHot); return;
            case VK_UP:
            case VK_DOWN:
                if (n > 0) {
                    d.listHot = std::clamp(d.listHot + (vk == VK_DOWN ? 1 : -1), 0, n - 1);
                    ScrollToHot(d);
                }
                return;
            case VK_TAB: Pick(d, d.openList, d.listHot); break;
            default: return;
        }
    }
    if (d.focus >= 0 && !Focusable(d.controls[d.focus])) d.focus = -1;
    switch (vk) {
        case VK_TAB: MoveFocus(d, shift ? -1 : 1); return;
        case VK_ESCAPE: DefaultButton(d, IDCANCEL); return;
        case VK_RETURN:
            if (d.focus >= 0 && d.controls[d.focus].kind == Kind::PushButton)
                Press(d, d.focus);
            else
                DefaultButton(d, IDOK);
            return;
        case VK_SPACE:
            if (d.focus >= 0) Press(d, d.focus);
            return;
        case VK_F4:
            if (d.focus >= 0 && d.controls[d.focus].kind == Kind::Combo) OpenList(d, d.focus);
            return;
        case VK_UP:
        case VK_DOWN:
        case VK_LEFT:
        case VK_RIGHT: {
            if (d.focus < 0) {
                MoveFocus(d, 1);
                return;
            }
            int step = vk == VK_DOWN || vk == VK_RIGHT ? 1 : -1;
            Control& c = d.controls[d.focus];
            if (c.kind == Kind::Combo) {
                int n = static_cast<int>(c.items.size());
                if (n == 0) return;
                int next = c.sel < 0 ? 0 : std::clamp(c.sel + step, 0, n - 1);
                if (next != c.sel) Pick(d, d.focus, next);
            } else if (c.kind == Kind::Radio) {
                auto [first, last] = GroupOf(d, d.focus);
                for (int k = d.focus + step; k >= first && k <= last; k += step) {
                    const Control& r = d.controls[k];
                    if (r.kind == Kind::Radio && r.enabled) {
                        ClickRadio(d, k);
                        break;
                    }
                }
            } else {
                MoveFocus(d, step);
            }
            return;
        }
        default: return;
    }
}

void MouseDown(Dialog& d, int x, int y) {
    if (d.openList >= 0) {
        const Control& c = d.controls[d.openList];
        RECT list = ListRect(d, c);
        if (Inside(list, x, y)) {
            Pick(d, d.openList, d.listTop + (y - list.top - 2) / kListRowHeight);
            return;
        }
        bool onBox = Inside(ScreenRect(d, c), x, y);
        d.openList = -1;
        if (onBox) return;  // a second click on the box closes its list
    }
    for (int i = 0; i < static_cast<int>(d.controls.size()); ++i) {
        const Control& c = d.controls[i];
        if (!Focusable(c) || !Inside(ScreenRect(d, c), x, y)) continue;
        d.focus = i;
        if (c.kind == Kind::Combo)
            OpenList(d, i);
        else
            d.pressed = i;
        return;
    }
}

void MouseUp(Dialog& d, int x, int y) {
    int i = d.pressed;
    d.pressed = -1;
    if (i >= 0 && Inside(ScreenRect(d, d.controls[i]), x, y)) Press(d, i);
}

void MouseMove(Dialog& d, int x, int y) {
    if (d.openList < 0) return;
    RECT list = ListRect(d, d.controls[d.openList]);
    if (Inside(list, x, y)) {
        int n = static_cast<int>(d.controls[d.openList].items.size());
        int hot = d.listTop + (y - list.top - 2) / kListRowHeight;
        if (hot >= 0 && hot < n) d.listHot = hot;
    }
}

void Cancel(Dialog& d) {
    d.openList = -1;
    if (!d.ended) DefaultButton(d, IDCANCEL);
    if (!d.ended) {
        d.ended = true;
        d.result = IDCANCEL;
    }
}

void HandleEvent(Dialog& d, const SDL_Event& e) {
    State& s = GetState();
    Window* owner = FindWindow(d.owner);
    std::uint32_t ownerId = owner && owner->sdl ? SDL_GetWindowID(owner->sdl) : 0;
    std::uint32_t ownId = d.sdl ? SDL_GetWindowID(d.sdl) : 0;
    auto ours = [&](std::uint32_t id) { return id == 0 || id == ownerId || (ownId && id == ownId); };
    // Mouse positions count where the dialog is drawn.
    auto usable = [&](std::uint32_t id) { return d.ownWindow ? (ownId && id == ownId) : ours(id); };
    switch (e.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            if (!ours(e.key.windowID)) return;
            if (const int vk = TrackModalKey(e.type == SDL_KEYDOWN, e.key.keysym.sym))
                Key(d, vk, (e.key.keysym.mod & KMOD_SHIFT) != 0);
            return;
        }
        case SDL_MOUSEMOTION:
            if (!usable(e.motion.windowID)) return;
            if (!d.ownWindow && owner) {
                s.cursor.window = owner->handle;
                s.cursor.x = e.motion.x;
                s.cursor.y = e.motion.y;
            }
            MouseMove(d, e.motion.x, e.motion.y);
            return;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            if (!usable(e.button.windowID)) return;
            const bool down = e.type == SDL_MOUSEBUTTONDOWN;
            const UINT flag = TrackModalMouseButton(down, e.button.button);
            if (flag != MK_LBUTTON) return;
            if (down)
                MouseDown(d, e.button.x, e.button.y);
            else
                MouseUp(d, e.button.x, e.button.y);
            return;
        }
        case SDL_WINDOWEVENT:
            if (ownId && e.window.windowID == ownId) {
                if (e.window.event == SDL_WINDOWEVENT_CLOSE) Cancel(d);
                return;
            }
            if (ours(e.window.windowID) &&
                (e.window.event == SDL_WINDOWEVENT_CLOSE || e.window.event == SDL_WINDOWEVENT_MINIMIZED))
                Cancel(d);
            TranslateSdlEvent(e);  // the owner hears of the rest after the dialog
            return;
        case SDL_QUIT:
            Cancel(d);
            TranslateSdlEvent(e);
            return;
        default: return;
    }
}

}  // namespace

INT_PTR RunModal(Dialog& d, LPARAM initParam) {
    HWND focusFirst = nullptr;
    if (std::vector<int> stops = TabStops(d); !stops.empty()) focusFirst = d.controls[stops.front()].hwnd;
    if (SendMessageA(d.hwnd, WM_INITDIALOG, reinterpret_cast<WPARAM>(focusFirst), initParam)) {
        std::vector<int> stops = TabStops(d);
        if (!stops.empty()) d.focus = stops.front();
    }

    PlaceOverOwner(d);
    if (d.ownWindow && !OpenOwnWindow(d)) {
        // No window can be had (no display): the dialog still runs from the keyboard.
        d.ownWindow = false;
    }

    while (!d.ended) {
        HookPass();
        HookDeliver();
        SDL_Event event;
        while (!d.ended && SDL_PollEvent(&event)) HandleEvent(d, event);
        FlushSizeMove(false);
        if (d.ended) break;
        if (d.owner) {
            Window* owner = FindWindow(d.owner);
            if (!owner) {
                Cancel(d);
                break;
            }
            // Keep the owner's last frame on screen under the dialog.
            owner->presentedThisPass = false;
            SendMessageA(d.owner, WM_PAINT, 0, 0);
            if (Window* still = FindWindow(d.owner)) PresentFallback(*still);
        }
        if (d.ownWindow) PresentOwnWindow(d);
        if (!HookDriving()) SDL_Delay(10);
    }
    CloseOwnWindow(d);
    if (Window* owner = FindWindow(d.owner)) owner->needsPaint = true;
    return d.result;
}

}  // namespace win32::detail::dialog
