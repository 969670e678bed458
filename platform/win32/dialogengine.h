// Internal state of the dialog engine: a running dialog, its controls and its layout in pixels.
#pragma once

#include <string>
#include <vector>

#include "win32/resources.h"
#include "win32/winstate.h"

struct ImDrawList;
struct ImGuiContext;

namespace win32::detail::dialog {

enum class Kind { Static, GroupBox, PushButton, Radio, Combo };

struct Control {
    HWND hwnd = nullptr;
    int id = -1;
    Kind kind = Kind::Static;
    std::string text;
    DWORD style = 0;
    RECT rect{};         // pixels, relative to the dialog's client area
    int dropHeight = 0;  // combo: pixels of the whole drop-down, from the template
    bool enabled = true;
    // Combo box
    struct Item {
        std::string text;
        LPARAM data = 0;
    };
    std::vector<Item> items;
    int sel = -1;
    // Button
    int check = BST_UNCHECKED;
};

struct Dialog {
    HWND hwnd = nullptr;
    HWND owner = nullptr;
    DLGPROC proc = nullptr;
    std::string caption;
    std::vector<Control> controls;  // in tab order
    int width = 0;                  // client area in pixels, below the caption
    int height = 0;
    bool ended = false;
    INT_PTR result = 0;
    int focus = -1;     // index into controls
    int openList = -1;  // the combo whose list is open
    int listHot = -1;   // highlighted entry of the open list
    int listTop = 0;    // first entry shown
    int pressed = -1;   // button held down by the mouse
    // Where it shows: over the owner's client area, or in a window of its own.
    bool ownWindow = false;
    SDL_Window* sdl = nullptr;
    void* glContext = nullptr;
    ImGuiContext* imgui = nullptr;
    POINT origin{};  // top left of the frame (caption included) in the target's pixels
};

constexpr int kCaptionHeight = 20;
constexpr int kListRowHeight = 16;

// The running dialog, or nullptr.
Dialog* Current();
Control* FindControl(HWND hwnd);

// Sends a notification to the dialog's procedure, as WM_COMMAND from a control.
void Notify(Dialog& d, const Control& c, WORD code);

// Drawing (dialogdraw.cpp), into a draw list whose coordinates are the target's pixels.
void DrawDialog(const Dialog& d, ImDrawList* list);
// Layout helpers shared by drawing and hit testing.
RECT FrameRect(const Dialog& d);
RECT ScreenRect(const Dialog& d, const Control& c);  // control in target pixels
RECT ListRect(const Dialog& d, const Control& c);    // the open drop-down in target pixels
int ListRows(const Control& c);

// Called by the overlay of a window: whether a dialog shows over it, and its drawing.
bool ShowsOver(const Window& w);
void DrawOver(Window& w);

}  // namespace win32::detail::dialog
