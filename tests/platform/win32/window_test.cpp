// Windows behind handles: creation, rectangles, the queue's order, destroyed windows, full screen.
#include "fixture.h"
#include "win32/winstate.h"

namespace wintest {
namespace {

TEST(Windows, CreationSendsTheMessagesTheFrameworkRelieOn) {
    Log().clear();
    g_hook = [](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT*) {
        if (message == WM_GETMINMAXINFO) reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{100, 100};
        return false;
    };
    HWND hwnd = MakeWindow(true);
    ASSERT_NE(hwnd, nullptr);
    auto created = Only({WM_GETMINMAXINFO, WM_NCCREATE, WM_CREATE, WM_SIZE});
    ASSERT_EQ(created.size(), 4u);
    EXPECT_EQ(created[0].message, static_cast<UINT>(WM_GETMINMAXINFO));
    EXPECT_EQ(created[3].message, static_cast<UINT>(WM_SIZE));
    EXPECT_EQ(created[3].wParam, static_cast<WPARAM>(SIZE_RESTORED));
    EXPECT_EQ(created[3].lParam, MAKELPARAM(400, 300));
    int minW = 0, minH = 0;
    SDL_GetWindowMinimumSize(win32::GlSdlWindow(hwnd), &minW, &minH);
    EXPECT_EQ(minW, 100);
    EXPECT_EQ(minH, 100);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)), 0x90CE0000u);
    g_hook = nullptr;
    DestroyWindow(hwnd);
}

TEST(Windows, AdjustWindowRectCountsOnlyTheMenuStrip) {
    RECT withMenu{0, 0, 400, 300}, without{0, 0, 400, 300};
    AdjustWindowRect(&withMenu, 0x90CE0000, TRUE);
    AdjustWindowRect(&without, 0x90CE0000, FALSE);
    EXPECT_EQ(withMenu.bottom - withMenu.top, 320);
    EXPECT_EQ(without.bottom - without.top, 300);
    EXPECT_EQ(withMenu.right - withMenu.left, 400);
}

TEST(Windows, UnknownClassesAndHandlesFailQuietly) {
    EXPECT_EQ(CreateWindowExA(0, "No Such Class", "x", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
    HWND bogus = reinterpret_cast<HWND>(0x12345);
    RECT r;
    EXPECT_FALSE(GetClientRect(bogus, &r));
    EXPECT_EQ(SendMessageA(bogus, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(PostMessageA(bogus, WM_USER, 0, 0));
}

class Queue : public WindowTest {};

TEST_F(Queue, RectanglesOfAWindowWithAMenu) {
    RECT window, client;
    GetWindowRect(hwnd_, &window);
    GetClientRect(hwnd_, &client);
    EXPECT_EQ(window.right - window.left, 400);
    EXPECT_EQ(window.bottom - window.top, 320);
    EXPECT_EQ(client.right, 400);
    EXPECT_EQ(client.bottom, 300);
    POINT p{0, 0};
    ClientToScreen(hwnd_, &p);
    EXPECT_EQ(p.x, window.left);
    EXPECT_EQ(p.y, window.top + 20);
    ScreenToClient(hwnd_, &p);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    win32::GlPresentTarget target;
    ASSERT_TRUE(win32::GlGetPresentTarget(hwnd_, &target));
    EXPECT_EQ(target.client.height, target.drawableHeight - 20 * target.drawableHeight / 320);
    EXPECT_FALSE(target.fullscreen);
}

TEST_F(Queue, PostedMessagesComeFirstThenQuitThenPaint) {
    InvalidateRect(hwnd_, nullptr, FALSE);
    PostQuitMessage(5);
    PostMessageA(hwnd_, WM_USER + 1, 11, 22);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 11u);
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 5u);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    DispatchMessageA(&msg);  // the default validates
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Queue, ADestroyedWindowIgnoresMessages) {
    int closes = 0;
    g_hook = [&closes](HWND hwnd, UINT message, WPARAM, LPARAM, LRESULT* result) {
        if (message != WM_CLOSE) return false;
        ++closes;  // the framework's shutdown runs here
        DestroyWindow(hwnd);
        PostQuitMessage(0);
        *result = 0;
        return true;
    };
    SendMessageA(hwnd_, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd_));
    // A fatal box after the window closed sends WM_CLOSE again: nothing runs twice.
    EXPECT_EQ(SendMessageA(hwnd_, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(PostMessageA(hwnd_, WM_CLOSE, 0, 0));
    MSG msg{hwnd_, WM_CLOSE, 0, 0, 0, {}};
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(GetMenu(hwnd_), nullptr);
}

TEST_F(Queue, TheCloseBoxOnAFullScreenWindowStillCloses) {
    win32::GlSetFullscreen(hwnd_, true, 1024, 768);
    SendMessageA(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(Logged(WM_CLOSE));
    EXPECT_FALSE(IsWindow(hwnd_));
}

TEST_F(Queue, FullScreenUsesTheWindowsOwnCoordinates) {
    win32::GlSetFullscreen(hwnd_, true, 1024, 768);
    win32::GlPresentTarget target;
    ASSERT_TRUE(win32::GlGetPresentTarget(hwnd_, &target));
    EXPECT_TRUE(target.fullscreen);
    EXPECT_EQ(target.client.height, target.drawableHeight) << "no strip in full screen";
    RECT window, client;
    GetWindowRect(hwnd_, &window);
    GetClientRect(hwnd_, &client);
    EXPECT_EQ(window.left, 0);
    EXPECT_EQ(window.top, 0);
    EXPECT_EQ(client.bottom, window.bottom);
    // The game's mouse look puts the cursor back at (200, 150) and reads it there.
    SetCursorPos(200, 150);
    POINT p;
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 200);
    EXPECT_EQ(p.y, 150);
    PushMotion(hwnd_, 600, 150);
    PumpAll();
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 600);
    EXPECT_FALSE(Logged(WM_ENTERSIZEMOVE));
    win32::GlSetFullscreen(hwnd_, false, 0, 0);
    GetClientRect(hwnd_, &client);
    EXPECT_EQ(client.right, 400);
    EXPECT_EQ(client.bottom, 300);
}

// The mouse look puts the pointer back after every motion; putting it where it already is must not
// report another motion, or the look would never see the motions end.
TEST_F(Queue, PuttingThePointerWhereItIsReportsNoMotion) {
    win32::GlSetFullscreen(hwnd_, true, 1024, 768);
    SetCursorPos(200, 150);
    PumpAll();
    Log().clear();
    SetCursorPos(200, 150);
    PumpAll();
    EXPECT_FALSE(Logged(WM_MOUSEMOVE));
    SetCursorPos(300, 150);
    PumpAll();
    POINT p;
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 300);
    win32::GlSetFullscreen(hwnd_, false, 0, 0);
}

// Where the pointer cannot be warped (Wayland), relative mode stands in: the tracked position moves
// by each motion's own distance and is put back where asked, so the look sees each motion once.
TEST_F(Queue, InRelativeModeThePositionMovesByTheMotionAndIsPutBack) {
    win32::GlSetFullscreen(hwnd_, true, 1024, 768);
    SetCursorPos(200, 150);
    auto& cursor = win32::detail::GetState().cursor;
    cursor.relative = true;  // what SetCursorPos turns on where warps are impossible
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = SDL_GetWindowID(win32::GlSdlWindow(hwnd_));
    e.motion.x = 900;  // an absolute position means nothing in relative mode
    e.motion.xrel = 50;
    e.motion.yrel = -20;
    SDL_PushEvent(&e);
    PumpAll();
    POINT p;
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 250);
    EXPECT_EQ(p.y, 130);
    SetCursorPos(200, 150);
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 200);
    EXPECT_EQ(p.y, 150);
    cursor.relative = false;
    win32::GlSetFullscreen(hwnd_, false, 0, 0);
}

TEST_F(Queue, CursorVisibilityCountsLikeWindows) {
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    EXPECT_EQ(ShowCursor(TRUE), 0);
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    ASSERT_NE(arrow, nullptr);
    SetCursor(nullptr);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    EXPECT_EQ(SetCursor(arrow), nullptr);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    EXPECT_EQ(GetClassLongA(hwnd_, GCL_HCURSOR), static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(arrow)));
}

}  // namespace
}  // namespace wintest
