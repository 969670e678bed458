// Internal state of the windowing layer: windows behind HWNDs, classes, menus, the message queue,
// key and cursor state. One instance for the process, as the window manager is one.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "win32/windows.h"

struct SDL_Window;
union SDL_Event;

namespace win32::detail {

// Height of the menu strip in window pixels; the client area starts below it.
constexpr int kMenuStripHeight = 20;

struct MenuLoop;  // menuloop.cpp
class PumpHook;   // pumphook.h

struct MenuObject {
    struct Item {
        std::string text;
        UINT id = 0;
        UINT flags = 0;  // MF_SEPARATOR, MF_POPUP, MF_GRAYED
        HMENU sub = nullptr;
    };
    std::vector<Item> items;
    HMENU parent = nullptr;  // submenus die with their parent
};

struct WindowClass {
    std::string name;
    WNDPROC proc = nullptr;
    UINT style = 0;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
};

struct Window {
    HWND handle = nullptr;
    bool alive = true;
    std::string className;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    std::string title;
    HMENU menu = nullptr;
    SDL_Window* sdl = nullptr;
    void* glContext = nullptr;  // SDL_GLContext
    RECT rect{};                // outer rectangle, screen coordinates
    RECT windowedRect{};        // kept while full screen
    bool fullscreen = false;
    bool fullscreenByUs = false;  // full screen as a borderless window we placed (no window manager)
    bool minimized = false;
    bool hidden = false;
    bool needsPaint = false;
    bool everPresented = false;
    bool presentedThisPass = false;
    bool focused = false;
    // A user's resize or move in progress: the ENTERSIZEMOVE/SIZE/EXITSIZEMOVE triple is sent
    // once the window has held still for a moment.
    bool sizeMovePending = false;
    std::uint32_t lastGeometryTicks = 0;
    std::uint32_t ownChangeUntil = 0;  // geometry events before this come from our own calls
    MenuLoop* menuLoop = nullptr;      // the open menu, drawn by the overlay
};

struct QueuedMessage {
    MSG msg{};
    std::string chars;  // the text a key-down produces, posted by TranslateMessage
};

struct CursorState {
    HWND window = nullptr;  // the window the pointer is over (or last was)
    int x = 0;              // window-local pixels (top left of the SDL window)
    int y = 0;
    UINT buttons = 0;  // MK_LBUTTON | MK_RBUTTON | MK_MBUTTON
    HCURSOR current = nullptr;
    int showCount = 0;
    bool currentSet = false;
    bool relative = false;  // relative mouse mode stands in for warping (Wayland)
};

struct State {
    std::map<std::uintptr_t, std::unique_ptr<Window>> windows;  // destroyed ones stay as tombstones
    std::map<std::string, WindowClass> classes;                 // key: lower-case name
    std::map<std::uintptr_t, std::unique_ptr<MenuObject>> menus;
    std::map<std::uintptr_t, std::vector<ACCEL>> accelTables;
    std::uintptr_t nextHandle = 0x100;

    std::mutex queueMutex;  // PostMessageA may come from another thread
    std::deque<QueuedMessage> queue;
    bool quitPosted = false;
    int quitCode = 0;
    QueuedMessage lastKeyDown;  // the key-down most recently taken from the queue

    std::array<bool, 256> asyncKeys{};  // as the hardware is now
    std::array<bool, 256> syncKeys{};   // as of the messages taken so far
    bool altAlone = false;              // Alt went down and nothing else since
    bool menuOnAltUp = false;

    CursorState cursor;
    bool sdlVideo = false;
    PumpHook* pumpHook = nullptr;

    std::uintptr_t NewHandle() { return nextHandle++; }
};

State& GetState();

// Lookup of live objects; nullptr for unknown or destroyed handles.
Window* FindWindow(HWND hwnd);
Window* FindWindowBySdlId(std::uint32_t id);
MenuObject* FindMenuObject(HMENU menu);
// The first live window that has no owner: where script input and captures go.
Window* MainWindow();

bool EnsureSdlVideo();

// A mouse button seen by a modal loop (menu, dialog): the held-button flags and the button's key
// state follow it. Returns the button's MK_ flag.
UINT TrackModalMouseButton(bool down, std::uint8_t sdlButton);
// A key seen by a modal loop: its key state follows it and it ends any pending Alt menu gesture.
// Returns the virtual key when one is pressed, 0 for a release or a key with no virtual key.
int TrackModalKey(bool down, int sdlKeycode);

// Geometry
bool HasStrip(const Window& w);
int StripHeight(const Window& w);
void ClientSize(const Window& w, int* width, int* height);
POINT ScreenOrigin(const Window& w);  // window-local (0,0) in screen coordinates
void SyncRectFromSdl(Window& w);

// Queue
void PostInternal(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, std::string chars = {});
// Pumps SDL events into the queue (translation in events.cpp).
void PumpEvents();
LRESULT CallProc(Window& w, UINT message, WPARAM wParam, LPARAM lParam);

// events.cpp: SDL event -> posted messages. False when the event is not a window's.
bool TranslateSdlEvent(const SDL_Event& event);
void FlushSizeMove(bool force);
UINT ModifierFlags();  // MK_SHIFT / MK_CONTROL from the async keys, for mouse messages

// keymap.cpp
int VirtualKeyFromSdl(int sdlKeycode);

// menuloop.cpp: runs the modal menu loop; returns the chosen command id or 0.
struct MenuLoopRequest {
    HMENU menu = nullptr;  // the strip's menu, or the popup's
    bool popup = false;    // a context menu at (x, y), window-local pixels
    int x = 0;
    int y = 0;
    int openIndex = -1;     // strip: which top-level item opens at once
    bool keyboard = false;  // strip: entered with Alt or F10 (first item highlighted)
};
UINT RunMenuLoop(Window& w, const MenuLoopRequest& request);
void DrawMenus(Window& w);  // strip labels and any open menu, called by the overlay
int StripItemAt(Window& w, int x, int y);

// glwindow.cpp
bool EnsureGlContext(Window& w);
void PresentFallback(Window& w);  // repaint when the owner did not present in this pass
void DestroyGl(Window& w);

// windowmanager.cpp: false only on an X display that no window manager runs on, where a
// full-screen request would go unanswered.
bool DisplayHasWindowManager(SDL_Window* window);

// cursor.cpp
void ApplyCursorVisibility();
void OnWindowDestroyed(Window& w);

}  // namespace win32::detail
