// A window whose procedure records what it is sent, and helpers that feed SDL events.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "win32/glwindow.h"
#include "win32/windows.h"

namespace wintest {

struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Every message the test window's procedure sees, in order.
std::vector<Message>& Log();
// Called before the default handling; return true to answer with *result instead.
extern std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)> g_hook;

// The framework's window: style 0x90CE0000, a 400 x 300 client area, menu 141 when asked.
HWND MakeWindow(bool withMenu);

// Takes and dispatches what waits, as the framework's loop does (accelerators when given).
void PumpAll(HACCEL accel = nullptr, HWND hwnd = nullptr);

void PushKey(SDL_Keycode key, bool down, Uint16 mod = KMOD_NONE, bool repeat = false);
void PushText(const char* utf8);
void PushWindowEvent(HWND hwnd, Uint8 event);
void PushMotion(HWND hwnd, int x, int y);
void PushButton(HWND hwnd, Uint8 button, bool down, int x, int y);

bool Logged(UINT message);
std::vector<Message> Only(std::initializer_list<UINT> messages);

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    HWND hwnd_ = nullptr;
};

}  // namespace wintest
