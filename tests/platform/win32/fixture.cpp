#include "fixture.h"

#include <algorithm>

#include "resources/resource.h"
#include "win32/glwindow.h"
#include "win32/winstate.h"

namespace wintest {

std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)> g_hook;

std::vector<Message>& Log() {
    static std::vector<Message> log;
    return log;
}

namespace {

LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Log().push_back(Message{message, wParam, lParam});
    LRESULT result = 0;
    if (g_hook && g_hook(hwnd, message, wParam, lParam, &result)) return result;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

std::uint32_t IdOf(HWND hwnd) {
    SDL_Window* w = win32::GlSdlWindow(hwnd);
    return w ? SDL_GetWindowID(w) : 0;
}

}  // namespace

HWND MakeWindow(bool withMenu) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = instance;
        wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN_ICON));
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = "D3D Window";
        registered = RegisterClassA(&wc) != 0;
    }
    RECT rc{0, 0, 400, 300};
    AdjustWindowRect(&rc, 0x90CE0000, withMenu);
    HMENU menu = withMenu ? LoadMenuA(instance, MAKEINTRESOURCEA(IDR_MENU)) : nullptr;
    return CreateWindowExA(0, "D3D Window", "Abisalia", 0x90CE0000, CW_USEDEFAULT, CW_USEDEFAULT, rc.right - rc.left,
                           rc.bottom - rc.top, nullptr, menu, instance, nullptr);
}

void PumpAll(HACCEL accel, HWND hwnd) {
    MSG msg;
    for (int i = 0; i < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (msg.message == WM_QUIT) continue;
        if (accel && TranslateAcceleratorA(hwnd, accel, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void PushKey(SDL_Keycode key, bool down, Uint16 mod, bool repeat) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.sym = key;
    e.key.keysym.mod = mod;
    SDL_PushEvent(&e);
}

void PushText(const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    SDL_strlcpy(e.text.text, utf8, sizeof e.text.text);
    SDL_PushEvent(&e);
}

void PushWindowEvent(HWND hwnd, Uint8 event) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = event;
    e.window.windowID = IdOf(hwnd);
    SDL_PushEvent(&e);
}

void PushMotion(HWND hwnd, int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = IdOf(hwnd);
    e.motion.x = x;
    e.motion.y = y;
    SDL_PushEvent(&e);
}

void PushButton(HWND hwnd, Uint8 button, bool down, int x, int y) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = IdOf(hwnd);
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = x;
    e.button.y = y;
    SDL_PushEvent(&e);
}

bool Logged(UINT message) {
    return std::any_of(Log().begin(), Log().end(), [&](const Message& m) { return m.message == message; });
}

std::vector<Message> Only(std::initializer_list<UINT> messages) {
    std::vector<Message> out;
    for (const Message& m : Log())
        if (std::find(messages.begin(), messages.end(), m.message) != messages.end()) out.push_back(m);
    return out;
}

void WindowTest::SetUp() {
    g_hook = nullptr;
    // Keys and buttons a test left down do not leak into the next.
    auto& state = win32::detail::GetState();
    state.asyncKeys.fill(false);
    state.syncKeys.fill(false);
    state.cursor.buttons = 0;
    hwnd_ = MakeWindow(true);
    ASSERT_NE(hwnd_, nullptr);
    PumpAll();
    Log().clear();
}

void WindowTest::TearDown() {
    g_hook = nullptr;
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    PumpAll();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    Log().clear();
}

}  // namespace wintest
