// SDL events -> messages, under the offscreen driver.
#include <atomic>
#include <cstdint>
#include <functional>

#include "fixture.h"
#include "win32/timesource.h"

namespace wintest {
namespace {

constexpr LPARAM kUp = (1 << 30) | (LPARAM{1} << 31);

struct Case {
    const char* name;
    std::function<void(HWND)> push;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// The settle times of size-moves run on a clock of the test's, in milliseconds.
class EventTranslation : public WindowTest {
protected:
    void SetUp() override {
        win32::SetTimeSourceForTest(1000, true, [this] { return now_.load(); });
        WindowTest::SetUp();
    }
    void TearDown() override {
        WindowTest::TearDown();
        win32::ResetTimeSource();
    }
    std::atomic<std::int64_t> now_{1'000'000};
};

TEST_F(EventTranslation, EachEventBecomesItsMessage) {
    POINT origin{0, 0};
    ClientToScreen(hwnd_, &origin);  // client (0, 0), below the strip
    const Case cases[] = {
        {"letter", [](HWND) { PushKey(SDLK_w, true); }, WM_KEYDOWN, 'W', 1},
        {"letter repeat", [](HWND) { PushKey(SDLK_w, true, KMOD_NONE, true); }, WM_KEYDOWN, 'W', 1 | (1 << 30)},
        {"letter up", [](HWND) { PushKey(SDLK_w, false); }, WM_KEYUP, 'W', 1 | kUp},
        {"digit", [](HWND) { PushKey(SDLK_7, true); }, WM_KEYDOWN, '7', 1},
        {"enter", [](HWND) { PushKey(SDLK_RETURN, true); }, WM_KEYDOWN, VK_RETURN, 1},
        {"escape", [](HWND) { PushKey(SDLK_ESCAPE, true); }, WM_KEYDOWN, VK_ESCAPE, 1},
        {"space", [](HWND) { PushKey(SDLK_SPACE, true); }, WM_KEYDOWN, VK_SPACE, 1},
        {"right shift", [](HWND) { PushKey(SDLK_RSHIFT, true, KMOD_RSHIFT); }, WM_KEYDOWN, VK_SHIFT, 1},
        {"right shift up", [](HWND) { PushKey(SDLK_RSHIFT, false); }, WM_KEYUP, VK_SHIFT, 1 | kUp},
        {"f2", [](HWND) { PushKey(SDLK_F2, true); }, WM_KEYDOWN, VK_F2, 1},
        {"up arrow is extended", [](HWND) { PushKey(SDLK_UP, true); }, WM_KEYDOWN, VK_UP, 1 | (1 << 24)},
        {"alt+x", [](HWND) { PushKey(SDLK_x, true, KMOD_LALT); }, WM_SYSKEYDOWN, 'X', 1 | (1 << 29)},
        {"alt itself", [](HWND) { PushKey(SDLK_LALT, true, KMOD_LALT); }, WM_SYSKEYDOWN, VK_MENU, 1 | (1 << 29)},
        {"alt+x up", [](HWND) { PushKey(SDLK_x, false, KMOD_LALT); }, WM_SYSKEYUP, 'X', 1 | (1 << 29) | kUp},
        {"f10 is a system key", [](HWND) { PushKey(SDLK_F10, true); }, WM_SYSKEYDOWN, VK_F10, 1},
        {"ctrl+alt is no system key", [](HWND) { PushKey(SDLK_n, true, KMOD_LCTRL | KMOD_LALT); }, WM_KEYDOWN, 'N',
         1 | (1 << 29)},
        {"text without a key", [](HWND) { PushText("<"); }, WM_CHAR, '<', 1},
        {"motion in the client area", [](HWND h) { PushMotion(h, 10, 30); }, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10)},
        {"left button", [](HWND h) { PushButton(h, SDL_BUTTON_LEFT, true, 5, 25); }, WM_LBUTTONDOWN, MK_LBUTTON,
         MAKELPARAM(5, 5)},
        {"left button up", [](HWND h) { PushButton(h, SDL_BUTTON_LEFT, false, 5, 25); }, WM_LBUTTONUP, 0,
         MAKELPARAM(5, 5)},
        {"right button", [](HWND h) { PushButton(h, SDL_BUTTON_RIGHT, true, 7, 27); }, WM_RBUTTONDOWN, MK_RBUTTON,
         MAKELPARAM(7, 7)},
        {"right button up", [](HWND h) { PushButton(h, SDL_BUTTON_RIGHT, false, 7, 27); }, WM_RBUTTONUP, 0,
         MAKELPARAM(7, 7)},
        {"middle button", [](HWND h) { PushButton(h, SDL_BUTTON_MIDDLE, true, 7, 27); }, WM_MBUTTONDOWN, MK_MBUTTON,
         MAKELPARAM(7, 7)},
        {"middle button up", [](HWND h) { PushButton(h, SDL_BUTTON_MIDDLE, false, 7, 27); }, WM_MBUTTONUP, 0,
         MAKELPARAM(7, 7)},
        {"motion over the strip", [](HWND h) { PushMotion(h, 10, 5); }, WM_NCMOUSEMOVE, HTMENU,
         MAKELPARAM(origin.x + 10, origin.y - 15)},
        {"minimised", [](HWND h) { PushWindowEvent(h, SDL_WINDOWEVENT_MINIMIZED); }, WM_SIZE, SIZE_MINIMIZED, 0},
        {"restored", [](HWND h) { PushWindowEvent(h, SDL_WINDOWEVENT_RESTORED); }, WM_SIZE, SIZE_RESTORED,
         MAKELPARAM(400, 300)},
        {"hidden", [](HWND h) { PushWindowEvent(h, SDL_WINDOWEVENT_HIDDEN); }, WM_SIZE, SIZE_MAXHIDE, 0},
        {"shown again", [](HWND h) { PushWindowEvent(h, SDL_WINDOWEVENT_SHOWN); }, WM_SIZE, SIZE_RESTORED,
         MAKELPARAM(400, 300)},
        {"close box", [](HWND h) { PushWindowEvent(h, SDL_WINDOWEVENT_CLOSE); }, WM_SYSCOMMAND, SC_CLOSE, 0},
        {"exposed", [](HWND h) { PushWindowEvent(h, SDL_WINDOWEVENT_EXPOSED); }, WM_PAINT, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.push(hwnd_);
        MSG msg{};
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(msg.hwnd, hwnd_);
        EXPECT_EQ(msg.message, c.message);
        EXPECT_EQ(msg.wParam, c.wParam);
        EXPECT_EQ(msg.lParam, c.lParam);
        ValidateRect(hwnd_, nullptr);  // a restored or shown window also wants a paint
        EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "one message per event";
    }
}

TEST_F(EventTranslation, MouseInputIsHitTestedAndSetsTheCursorFirst) {
    PushMotion(hwnd_, 10, 30);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    auto sent = Only({WM_NCHITTEST, WM_SETCURSOR});
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].wParam, reinterpret_cast<WPARAM>(hwnd_));
    EXPECT_EQ(sent[1].lParam, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

TEST_F(EventTranslation, TextIsPostedByTranslateMessageInTheProgramsCodePage) {
    PushKey(SDLK_e, true);
    PushText("\xC3\xA9");  // é
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    MSG none;
    EXPECT_FALSE(PeekMessageA(&none, nullptr, 0, 0, PM_NOREMOVE)) << "no character before TranslateMessage";
    TranslateMessage(&msg);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_CHAR));
    EXPECT_EQ(msg.wParam, 0xE9u);
}

TEST_F(EventTranslation, KeyStateFollowsTheMessagesTaken) {
    PushKey(SDLK_LSHIFT, true, KMOD_LSHIFT);
    EXPECT_FALSE(GetKeyState(VK_SHIFT) & 0x8000);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the event is in, the message not yet taken
    EXPECT_TRUE(GetAsyncKeyState(VK_SHIFT) & 0x8000);
    EXPECT_FALSE(GetKeyState(VK_SHIFT) & 0x8000);
    PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    EXPECT_TRUE(GetKeyState(VK_SHIFT) & 0x8000);
    PushKey(SDLK_LSHIFT, false);
    PumpAll();
    EXPECT_FALSE(GetKeyState(VK_SHIFT) & 0x8000);
}

TEST_F(EventTranslation, RightButtonUpBecomesAContextMenuInScreenCoordinates) {
    PushButton(hwnd_, SDL_BUTTON_RIGHT, false, 30, 60);
    PumpAll();
    auto menus = Only({WM_CONTEXTMENU});
    ASSERT_EQ(menus.size(), 1u);
    POINT p{30, 40};
    ClientToScreen(hwnd_, &p);
    EXPECT_EQ(menus[0].wParam, reinterpret_cast<WPARAM>(hwnd_));
    EXPECT_EQ(menus[0].lParam, MAKELPARAM(p.x, p.y));
}

TEST_F(EventTranslation, TheCloseBoxClosesAndDestroysTheWindow) {
    PushWindowEvent(hwnd_, SDL_WINDOWEVENT_CLOSE);
    PumpAll();
    EXPECT_TRUE(Logged(WM_CLOSE));
    EXPECT_TRUE(Logged(WM_DESTROY));
    EXPECT_FALSE(IsWindow(hwnd_));
}

TEST_F(EventTranslation, AUserResizeIsOneSizeMoveTripleOnceTheWindowHoldsStill) {
    now_ += 1000;  // past the geometry reports of the window's own creation
    SDL_Window* pWindow = win32::GlSdlWindow(hwnd_);
    SDL_SetWindowSize(pWindow, 480, 400);
    PumpAll();
    now_ += 100;
    SDL_SetWindowSize(pWindow, 500, 420);
    PumpAll();
    now_ += 149;
    PumpAll();
    EXPECT_FALSE(Logged(WM_ENTERSIZEMOVE)) << "still moving: 149 ms since the last change";
    EXPECT_FALSE(Logged(WM_SIZE));
    now_ += 1;
    PumpAll();
    auto sizes = Only({WM_ENTERSIZEMOVE, WM_SIZE, WM_EXITSIZEMOVE});
    ASSERT_EQ(sizes.size(), 3u);
    EXPECT_EQ(sizes[0].message, static_cast<UINT>(WM_ENTERSIZEMOVE));
    EXPECT_EQ(sizes[1].message, static_cast<UINT>(WM_SIZE));
    EXPECT_EQ(sizes[1].lParam, MAKELPARAM(500, 400));
    EXPECT_EQ(sizes[2].message, static_cast<UINT>(WM_EXITSIZEMOVE));
    RECT client;
    GetClientRect(hwnd_, &client);
    EXPECT_EQ(client.right, 500);
    EXPECT_EQ(client.bottom, 400);
}

TEST_F(EventTranslation, TheLayersOwnChangesSendNoSizeMove) {
    SetWindowPos(hwnd_, HWND_NOTOPMOST, 10, 10, 600, 500, SWP_SHOWWINDOW);
    EXPECT_TRUE(Logged(WM_SIZE));
    win32::GlSetFullscreen(hwnd_, true, 1024, 768);
    win32::GlSetFullscreen(hwnd_, false, 0, 0);
    PumpAll();
    now_ += 1000;  // long past the settle time
    PumpAll();
    EXPECT_FALSE(Logged(WM_ENTERSIZEMOVE));
    EXPECT_FALSE(Logged(WM_EXITSIZEMOVE));
}

}  // namespace
}  // namespace wintest
