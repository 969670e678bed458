// The modal menu loop: the menu strip's drop-downs and context menus, drawn by the overlay.
//
// The loop owns keyboard and mouse while it runs. Each turn counts as a pass of script time and
// sends WM_PAINT, so the window re-presents its last frame under the open menu. The loop sends
// WM_ENTERMENULOOP first and WM_EXITMENULOOP last; the caller posts the chosen WM_COMMAND only
// after that, so the command meets a window that is no longer in its menu.
#include <SDL.h>
#include <imgui.h>

#include <algorithm>
#include <cctype>

#include "win32/overlay.h"
#include "win32/pumphook.h"
#include "win32/winstate.h"

namespace win32::detail {

struct MenuLoop {
    MenuLoopRequest request;
    int stripSel = -1;     // highlighted strip item
    HMENU open = nullptr;  // the open drop-down or popup
    POINT openAt{};        // its top left, window-local
    int sel = -1;          // highlighted item in it
    bool done = false;
    UINT chosen = 0;
};

namespace {

constexpr int kItemHeight = 20;
constexpr int kSeparatorHeight = 8;
constexpr int kPadding = 3;

struct Label {
    std::string text;  // without '&'
    std::string keys;  // after the tab
    int mnemonic = 0;  // lower-case
};

Label SplitLabel(const std::string& raw) {
    Label label;
    std::string* out = &label.text;
    for (size_t i = 0; i < raw.size(); ++i) {
        char c = raw[i];
        if (c == '\t' && out == &label.text) {
            out = &label.keys;
        } else if (c == '&' && i + 1 < raw.size()) {
            ++i;
            if (raw[i] != '&' && out == &label.text && !label.mnemonic)
                label.mnemonic = std::tolower(static_cast<unsigned char>(raw[i]));
            out->push_back(raw[i]);
        } else {
            out->push_back(c);
        }
    }
    return label;
}

std::vector<RECT> StripLayout(const Window& w) {
    std::vector<RECT> rects;
    MenuObject* menu = FindMenuObject(w.menu);
    if (!menu || !HasStrip(w)) return rects;
    int x = 4;
    for (const MenuObject::Item& item : menu->items) {
        int width = static_cast<int>(overlay::TextWidth(SplitLabel(item.text).text)) + 16;
        rects.push_back(RECT{x, 0, x + width, kMenuStripHeight});
        x += width;
    }
    return rects;
}

struct PopupLayout {
    RECT box{};
    std::vector<RECT> items;
};

PopupLayout LayoutPopup(const Window& w, HMENU handle, POINT at) {
    PopupLayout layout;
    MenuObject* menu = FindMenuObject(handle);
    if (!menu) return layout;
    int textWidth = 0, keyWidth = 0, height = 2 * kPadding;
    for (const MenuObject::Item& item : menu->items) {
        Label label = SplitLabel(item.text);
        textWidth = std::max(textWidth, static_cast<int>(overlay::TextWidth(label.text)));
        if (!label.keys.empty()) keyWidth = std::max(keyWidth, static_cast<int>(overlay::TextWidth(label.keys)));
        height += (item.flags & MF_SEPARATOR) ? kSeparatorHeight : kItemHeight;
    }
    int width = std::max(120, 24 + textWidth + (keyWidth ? 28 + keyWidth : 0) + 20);
    // Kept inside the window, whatever position was asked for.
    int windowWidth = w.rect.right - w.rect.left, windowHeight = w.rect.bottom - w.rect.top;
    int x = std::clamp<int>(at.x, 0, std::max(0, windowWidth - width));
    int y = std::clamp<int>(at.y, 0, std::max(0, windowHeight - height));
    layout.box = RECT{x, y, x + width, y + height};
    int top = y + kPadding;
    for (const MenuObject::Item& item : menu->items) {
        int h = (item.flags & MF_SEPARATOR) ? kSeparatorHeight : kItemHeight;
        layout.items.push_back(RECT{x + 1, top, x + width - 1, top + h});
        top += h;
    }
    return layout;
}

bool Inside(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

bool Selectable(const MenuObject::Item& item) {
    return !(item.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED | MF_POPUP));
}

// The next item that is no separator, going down (+1) or up (-1), wrapping; -1 starts outside.
int Step(MenuObject* menu, int from, int direction) {
    int n = menu ? static_cast<int>(menu->items.size()) : 0;
    int i = from;
    for (int k = 0; k < n; ++k) {
        i = i < 0 ? (direction > 0 ? 0 : n - 1) : (i + direction + n) % n;
        if (!(menu->items[i].flags & MF_SEPARATOR)) return i;
    }
    return -1;
}

class LoopInput {
public:
    LoopInput(Window& w, MenuLoop& loop) : w_(w), loop_(loop) {}

    void OpenStrip(int index, bool selectFirst) {
        std::vector<RECT> strip = StripLayout(w_);
        if (index < 0 || index >= static_cast<int>(strip.size())) return;
        loop_.stripSel = index;
        loop_.open = GetSubMenu(loop_.request.menu, index);
        loop_.openAt = POINT{strip[index].left, kMenuStripHeight};
        loop_.sel = selectFirst ? Step(FindMenuObject(loop_.open), -1, 1) : -1;
    }

    void Cancel() {
        loop_.done = true;
        loop_.chosen = 0;
    }

    void Choose(int index) {
        MenuObject* menu = FindMenuObject(loop_.open);
        if (!menu || index < 0 || index >= static_cast<int>(menu->items.size())) return;
        if (!Selectable(menu->items[index])) return;
        loop_.chosen = menu->items[index].id;
        loop_.done = true;
    }

    void Mouse(UINT kind, int x, int y) {
        PopupLayout popup = LayoutPopup(w_, loop_.open, loop_.openAt);
        bool inPopup = loop_.open && Inside(popup.box, x, y);
        int stripIndex = -1;
        if (!loop_.request.popup) {
            std::vector<RECT> strip = StripLayout(w_);
            for (size_t i = 0; i < strip.size(); ++i)
                if (Inside(strip[i], x, y)) stripIndex = static_cast<int>(i);
        }
        int item = -1;
        if (inPopup)
            for (size_t i = 0; i < popup.items.size(); ++i)
                if (Inside(popup.items[i], x, y)) item = static_cast<int>(i);
        switch (kind) {
            case WM_MOUSEMOVE:
                if (stripIndex >= 0 && loop_.open && stripIndex != loop_.stripSel) OpenStrip(stripIndex, false);
                if (inPopup) loop_.sel = item;
                break;
            case WM_LBUTTONDOWN:
            case WM_RBUTTONDOWN:
                if (inPopup) break;
                if (stripIndex >= 0) {
                    if (loop_.open && stripIndex == loop_.stripSel && !justOpened_)
                        Cancel();
                    else
                        OpenStrip(stripIndex, false);
                } else {
                    Cancel();  // a click elsewhere closes the menu and is eaten
                }
                break;
            case WM_LBUTTONUP:
            case WM_RBUTTONUP:
                if (inPopup && item >= 0) Choose(item);
                break;
            default: break;
        }
        justOpened_ = false;
    }

    void Key(int vk) {
        MenuObject* open = FindMenuObject(loop_.open);
        MenuObject* strip = loop_.request.popup ? nullptr : FindMenuObject(loop_.request.menu);
        switch (vk) {
            case VK_ESCAPE:
                if (strip && open) {
                    loop_.open = nullptr;  // back to the highlighted strip
                    loop_.sel = -1;
                } else {
                    Cancel();
                }
                return;
            case VK_MENU:
            case VK_F10: Cancel(); return;
            case VK_LEFT:
            case VK_RIGHT:
                if (strip && !strip->items.empty()) {
                    int n = static_cast<int>(strip->items.size());
                    int next = ((loop_.stripSel < 0 ? 0 : loop_.stripSel) + (vk == VK_RIGHT ? 1 : n - 1)) % n;
                    if (open)
                        OpenStrip(next, true);
                    else
                        loop_.stripSel = next;
                }
                return;
            case VK_DOWN:
            case VK_UP:
                if (open)
                    loop_.sel = Step(open, loop_.sel, vk == VK_DOWN ? 1 : -1);
                else if (strip)
                    OpenStrip(std::max(0, loop_.stripSel), true);
                return;
            case VK_RETURN:
            case VK_SPACE:
                if (open && loop_.sel >= 0)
                    Choose(loop_.sel);
                else if (!open && strip)
                    OpenStrip(std::max(0, loop_.stripSel), true);
                return;
            default: break;
        }
        if (!((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9'))) return;
        int wanted = std::tolower(vk);
        MenuObject* menu = open ? open : strip;
        if (!menu) return;
        for (size_t i = 0; i < menu->items.size(); ++i) {
            if (SplitLabel(menu->items[i].text).mnemonic != wanted) continue;
            if (open)
                Choose(static_cast<int>(i));
            else
                OpenStrip(static_cast<int>(i), true);
            return;
        }
    }

    void MarkJustOpened() { justOpened_ = true; }

private:
    Window& w_;
    MenuLoop& loop_;
    bool justOpened_ = false;
};

// Input during the loop goes to the menu, not to the window procedure; key and button state are
// kept current all the same, so no key seems held after the menu closes.
void HandleEvent(Window& w, LoopInput& input, const SDL_Event& e) {
    State& s = GetState();
    auto ours = [&](std::uint32_t id) { return id == 0 || (w.sdl && id == SDL_GetWindowID(w.sdl)); };
    switch (e.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            if (!ours(e.key.windowID)) return;
            if (const int vk = TrackModalKey(e.type == SDL_KEYDOWN, e.key.keysym.sym)) input.Key(vk);
            return;
        }
        case SDL_TEXTINPUT: return;
        case SDL_MOUSEMOTION:
            if (!ours(e.motion.windowID)) return;
            s.cursor.window = w.handle;
            s.cursor.x = e.motion.x;
            s.cursor.y = e.motion.y;
            input.Mouse(WM_MOUSEMOVE, e.motion.x, e.motion.y);
            return;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            if (!ours(e.button.windowID)) return;
            const bool down = e.type == SDL_MOUSEBUTTONDOWN;
            const UINT flag = TrackModalMouseButton(down, e.button.button);
            s.cursor.window = w.handle;
            s.cursor.x = e.button.x;
            s.cursor.y = e.button.y;
            if (flag == MK_MBUTTON) return;
            UINT kind =
                flag == MK_LBUTTON ? (down ? WM_LBUTTONDOWN : WM_LBUTTONUP) : (down ? WM_RBUTTONDOWN : WM_RBUTTONUP);
            input.Mouse(kind, e.button.x, e.button.y);
            return;
        }
        case SDL_WINDOWEVENT:
            if (ours(e.window.windowID) &&
                (e.window.event == SDL_WINDOWEVENT_CLOSE || e.window.event == SDL_WINDOWEVENT_FOCUS_LOST ||
                 e.window.event == SDL_WINDOWEVENT_MINIMIZED))
                input.Cancel();
            TranslateSdlEvent(e);  // the close and the rest wait in the queue for after the menu
            return;
        case SDL_QUIT:
            input.Cancel();
            TranslateSdlEvent(e);
            return;
        default: return;
    }
}

}  // namespace

int StripItemAt(Window& w, int x, int y) {
    std::vector<RECT> strip = StripLayout(w);
    for (size_t i = 0; i < strip.size(); ++i)
        if (Inside(strip[i], x, y)) return static_cast<int>(i);
    return -1;
}

UINT RunMenuLoop(Window& w, const MenuLoopRequest& request) {
    HWND hwnd = w.handle;
    if (w.menuLoop || !FindMenuObject(request.menu)) return 0;
    MenuLoop loop;
    loop.request = request;
    LoopInput input(w, loop);
    if (request.popup) {
        loop.open = request.menu;
        loop.openAt = POINT{request.x, request.y};
    } else if (request.openIndex >= 0) {
        input.OpenStrip(request.openIndex, request.keyboard);
        input.MarkJustOpened();
    } else {
        loop.stripSel = 0;
    }

    SendMessageA(hwnd, WM_ENTERMENULOOP, request.popup ? TRUE : FALSE, 0);
    if (!FindWindow(hwnd)) return 0;
    w.menuLoop = &loop;
    while (!loop.done) {
        HookPass();
        HookDeliver();
        SDL_Event event;
        while (!loop.done && SDL_PollEvent(&event)) HandleEvent(w, input, event);
        FlushSizeMove(false);
        if (loop.done) break;
        // Keep the last frame on screen under the menu.
        w.presentedThisPass = false;
        SendMessageA(hwnd, WM_PAINT, 0, 0);
        if (!FindWindow(hwnd)) return 0;
        PresentFallback(w);
        if (!HookDriving()) SDL_Delay(10);
    }
    w.menuLoop = nullptr;
    SendMessageA(hwnd, WM_EXITMENULOOP, request.popup ? TRUE : FALSE, 0);
    return FindWindow(hwnd) ? loop.chosen : 0;
}

void DrawMenus(Window& w) {
    ImDrawList* list = ImGui::GetForegroundDrawList();
    const MenuLoop* loop = w.menuLoop;
    const ImU32 text = IM_COL32(0, 0, 0, 255), grey = IM_COL32(128, 128, 128, 255);
    const ImU32 highlight = IM_COL32(0, 120, 215, 255), white = IM_COL32(255, 255, 255, 255);
    float textOffset = (kItemHeight - overlay::LineHeight()) / 2;
    if (MenuObject* menu = FindMenuObject(w.menu); menu && HasStrip(w)) {
        std::vector<RECT> strip = StripLayout(w);
        for (size_t i = 0; i < strip.size(); ++i) {
            bool lit = loop && !loop->request.popup && loop->stripSel == static_cast<int>(i);
            const RECT& r = strip[i];
            if (lit) list->AddRectFilled(ImVec2(r.left, r.top), ImVec2(r.right, r.bottom - 1), highlight);
            list->AddText(ImVec2(r.left + 8, r.top + textOffset), lit ? white : text,
                          SplitLabel(menu->items[i].text).text.c_str());
        }
    }
    if (!loop || !loop->open) return;
    PopupLayout popup = LayoutPopup(w, loop->open, loop->openAt);
    MenuObject* menu = FindMenuObject(loop->open);
    if (!menu) return;
    const RECT& b = popup.box;
    list->AddRectFilled(ImVec2(b.left + 3, b.top + 3), ImVec2(b.right + 3, b.bottom + 3), IM_COL32(0, 0, 0, 60));
    list->AddRectFilled(ImVec2(b.left, b.top), ImVec2(b.right, b.bottom), IM_COL32(249, 249, 249, 255));
    list->AddRect(ImVec2(b.left, b.top), ImVec2(b.right, b.bottom), IM_COL32(160, 160, 160, 255));
    for (size_t i = 0; i < menu->items.size(); ++i) {
        const MenuObject::Item& item = menu->items[i];
        const RECT& r = popup.items[i];
        if (item.flags & MF_SEPARATOR) {
            float y = (r.top + r.bottom) / 2.0f;
            list->AddLine(ImVec2(r.left + 4, y), ImVec2(r.right - 4, y), IM_COL32(200, 200, 200, 255));
            continue;
        }
        bool lit = loop->sel == static_cast<int>(i);
        if (lit) list->AddRectFilled(ImVec2(r.left + 1, r.top), ImVec2(r.right - 1, r.bottom), highlight);
        ImU32 colour = !Selectable(item) && !(item.flags & MF_POPUP) ? grey : lit ? white : text;
        Label label = SplitLabel(item.text);
        list->AddText(ImVec2(r.left + 24, r.top + textOffset), colour, label.text.c_str());
        if (!label.keys.empty()) {
            float kw = overlay::TextWidth(label.keys);
            list->AddText(ImVec2(r.right - 20 - kw, r.top + textOffset), colour, label.keys.c_str());
        }
    }
}

}  // namespace win32::detail

using namespace win32::detail;

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND hwnd, TPMPARAMS*) {
    Window* w = FindWindow(hwnd);
    if (!w || !FindMenuObject(menu)) return FALSE;
    POINT origin = ScreenOrigin(*w);
    MenuLoopRequest request;
    request.menu = menu;
    request.popup = true;
    request.x = x - origin.x;
    request.y = y - origin.y;
    UINT chosen = RunMenuLoop(*w, request);
    if (flags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
    if (chosen && !(flags & TPM_NONOTIFY)) PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    return TRUE;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND hwnd, const RECT*) {
    return TrackPopupMenuEx(menu, flags, x, y, hwnd, nullptr);
}
