// The message queue: posted messages first, then WM_QUIT, then WM_PAINT for a window that needs
// it, as Windows orders them.
#include <SDL.h>

#include "win32/pumphook.h"
#include "win32/winstate.h"

namespace win32::detail {
namespace {

bool Matches(const MSG& msg, HWND hwnd, UINT min, UINT max) {
    if (hwnd && msg.hwnd != hwnd) return false;
    if (min == 0 && max == 0) return true;
    return msg.message >= min && msg.message <= max;
}

bool IsKeyMessage(UINT message) {
    return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
}

void OnTaken(State& s, const QueuedMessage& q) {
    const MSG& m = q.msg;
    if (IsKeyMessage(m.message) && m.wParam < 256) {
        s.syncKeys[m.wParam] = m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN;
    }
    if (m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN) s.lastKeyDown = q;
}

// Takes (or looks at) the next message; false when none waits.
bool NextMessage(MSG* out, HWND hwnd, UINT min, UINT max, bool remove) {
    State& s = GetState();
    {
        std::unique_lock lock(s.queueMutex);
        for (auto it = s.queue.begin(); it != s.queue.end(); ++it) {
            if (!Matches(it->msg, hwnd, min, max)) continue;
            QueuedMessage q = *it;
            if (remove) s.queue.erase(it);
            lock.unlock();
            *out = q.msg;
            if (remove) OnTaken(s, q);
            return true;
        }
    }
    if (s.quitPosted && Matches(MSG{nullptr, WM_QUIT, 0, 0, 0, {}}, nullptr, min, max)) {
        *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(s.quitCode), 0, SDL_GetTicks(), {}};
        if (remove) s.quitPosted = false;
        return true;
    }
    if ((min == 0 && max == 0) || (WM_PAINT >= min && WM_PAINT <= max)) {
        for (auto& [handle, w] : s.windows) {
            if (!w->alive || !w->needsPaint || w->hidden || w->minimized) continue;
            if (hwnd && w->handle != hwnd) continue;
            *out = MSG{w->handle, WM_PAINT, 0, 0, SDL_GetTicks(), {}};
            return true;  // stays until the window is validated
        }
    }
    return false;
}

}  // namespace

void PostInternal(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, std::string chars) {
    State& s = GetState();
    QueuedMessage q;
    q.msg = MSG{hwnd, message, wParam, lParam, SDL_GetTicks(), {}};
    GetCursorPos(&q.msg.pt);
    q.chars = std::move(chars);
    std::lock_guard lock(s.queueMutex);
    s.queue.push_back(std::move(q));
}

void SetPumpHook(PumpHook* hook) { GetState().pumpHook = hook; }

bool HookDriving() {
    PumpHook* hook = GetState().pumpHook;
    return hook && hook->Driving();
}

void HookPass() {
    if (PumpHook* hook = GetState().pumpHook) hook->Pass();
}

void HookDeliver() {
    PumpHook* hook = GetState().pumpHook;
    if (!hook) return;
    if (std::optional<int> exitCode = hook->Deliver()) PostQuitMessage(*exitCode);
}

void PumpEvents() {
    State& s = GetState();
    if (!s.sdlVideo) return;
    HookDeliver();
    SDL_Event event;
    while (SDL_PollEvent(&event)) TranslateSdlEvent(event);
    FlushSizeMove(false);
}

}  // namespace win32::detail

using namespace win32::detail;

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg) {
    if (!msg) return FALSE;
    PumpEvents();
    bool remove = (removeMsg & PM_REMOVE) != 0;
    if (NextMessage(msg, hwnd, filterMin, filterMax, remove)) return TRUE;
    if (remove) {
        // The main loop is about to step a frame: one pass of the hook's time and of the fixed clock.
        HookPass();
        if (win32::FixedStepActive()) win32::AdvanceFixedStep();
    }
    return FALSE;
}

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (!msg) return -1;
    for (;;) {
        PumpEvents();
        if (NextMessage(msg, hwnd, filterMin, filterMax, true)) return msg->message == WM_QUIT ? FALSE : TRUE;
        if (HookDriving()) {
            HookPass();  // never wait for input that only the hook can give
        } else if (GetState().sdlVideo) {
            SDL_WaitEventTimeout(nullptr, 50);
        } else {
            SDL_Delay(10);
        }
    }
}

BOOL TranslateMessage(const MSG* msg) {
    if (!msg) return FALSE;
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) {
        return msg->message == WM_KEYUP || msg->message == WM_SYSKEYUP;
    }
    State& s = GetState();
    const MSG& last = s.lastKeyDown.msg;
    std::string chars;
    if (last.hwnd == msg->hwnd && last.message == msg->message && last.wParam == msg->wParam &&
        last.lParam == msg->lParam && last.time == msg->time)
        chars = s.lastKeyDown.chars;
    s.lastKeyDown = QueuedMessage{};
    bool sys = msg->message == WM_SYSKEYDOWN;
    if (chars.empty() && sys && std::isalnum(static_cast<int>(msg->wParam)) && msg->wParam < 128) {
        // Alt+letter gives no text on every system; the menu's mnemonics need it.
        chars.push_back(static_cast<char>(std::tolower(static_cast<int>(msg->wParam))));
    }
    UINT charMessage = sys ? WM_SYSCHAR : WM_CHAR;
    LPARAM lParam = msg->lParam;
    std::lock_guard lock(s.queueMutex);
    for (auto it = chars.rbegin(); it != chars.rend(); ++it) {
        QueuedMessage q;
        q.msg = MSG{msg->hwnd, charMessage, static_cast<WPARAM>(static_cast<unsigned char>(*it)),
                    lParam,    msg->time,   msg->pt};
        s.queue.push_front(std::move(q));
    }
    return TRUE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg) return 0;
    Window* w = FindWindow(msg->hwnd);
    if (!w) return 0;
    return CallProc(*w, msg->message, msg->wParam, msg->lParam);
}

BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd && !FindWindow(hwnd)) return FALSE;
    PostInternal(hwnd, message, wParam, lParam);
    return TRUE;
}

LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // A destroyed window ignores messages, so a late WM_CLOSE cannot run a shutdown twice.
    Window* w = FindWindow(hwnd);
    if (!w) return 0;
    return CallProc(*w, message, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
    State& s = GetState();
    s.quitPosted = true;
    s.quitCode = exitCode;
}

SHORT GetKeyState(int virtKey) {
    if (virtKey < 0 || virtKey > 255) return 0;
    return GetState().syncKeys[virtKey] ? static_cast<SHORT>(0x8000) : 0;
}

SHORT GetAsyncKeyState(int virtKey) {
    if (virtKey < 0 || virtKey > 255) return 0;
    return GetState().asyncKeys[virtKey] ? static_cast<SHORT>(0x8000) : 0;
}
