// The window procedure's answers to minimising, the size limit, system commands in full screen
// and a resize, on the record backend in a real (offscreen) window.
#include "app_fixture.h"

namespace fwtest {
namespace {

TEST_F(AppTest, MinimisingOrHidingStopsFramesAndAnyOtherSizeEventResumesThem) {
    ASSERT_EQ(Create(), S_OK);
    const struct {
        WPARAM wType;
        BOOL bActive;
    } events[] = {{SIZE_MINIMIZED, FALSE}, {SIZE_RESTORED, TRUE}, {SIZE_MAXHIDE, FALSE},
                  {SIZE_MAXIMIZED, TRUE},  {SIZE_MAXHIDE, FALSE}, {SIZE_MAXSHOW, TRUE}};
    for (const auto& e : events) {
        SendMessageA(app_->m_hWnd, WM_SIZE, e.wType, MAKELPARAM(400, 300));
        EXPECT_EQ(app_->m_bWindowActive, e.bActive) << "size event " << e.wType;
    }
}

TEST_F(AppTest, TheWindowCannotBeTrackedBelowAHundredPixelsEachWay) {
    ASSERT_EQ(Create(), S_OK);
    MINMAXINFO info{};
    info.ptMaxTrackSize = POINT{5000, 4000};
    SendMessageA(app_->m_hWnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 100);
    EXPECT_EQ(info.ptMinTrackSize.y, 100);
    EXPECT_EQ(info.ptMaxTrackSize.x, 5000) << "the rest is left alone";
}

TEST_F(AppTest, FullScreenSwallowsTheSystemCommandsThatWouldMoveSizeOrSleepIt) {
    ASSERT_EQ(Create(), S_OK);
    // Windowed, they reach the default handling (which answers 0); the menu and maximise commands are
    // left out there, as they would open a menu loop or change the window.
    for (const WPARAM w : {SC_MOVE, SC_SIZE, SC_MONITORPOWER})
        EXPECT_EQ(app_->HandleMessage(app_->m_hWnd, WM_SYSCOMMAND, w, 0), 0) << "windowed " << w;
    ASSERT_EQ(app_->SwitchFullscreen(), S_OK);
    const RECT rcBefore = app_->m_rcWindow;
    for (const WPARAM w : {SC_MOVE, SC_SIZE, SC_MAXIMIZE, SC_KEYMENU, SC_MONITORPOWER})
        EXPECT_EQ(app_->HandleMessage(app_->m_hWnd, WM_SYSCOMMAND, w, 0), TRUE) << "full screen " << w;
    EXPECT_FALSE(app_->m_bWindowedMode);
    EXPECT_EQ(std::memcmp(&rcBefore, &app_->m_rcWindow, sizeof rcBefore), 0);
    // Others still reach the default handling.
    EXPECT_EQ(app_->HandleMessage(app_->m_hWnd, WM_SYSCOMMAND, SC_RESTORE, 0), 0);
}

TEST_F(AppTest, FullScreenHidesTheSystemCursorAndShowsTheDevicesOnlyWhenAsked) {
    const struct {
        bool bFullScreen;
        BOOL bFullscreenCursor;
        int nShows;  // device ShowCursor calls
    } cases[] = {{false, TRUE, 0}, {true, FALSE, 0}, {true, TRUE, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "full screen " << c.bFullScreen << ", cursor " << c.bFullscreenCursor);
        app_ = std::make_unique<TestApp>();
        ASSERT_EQ(Create(), S_OK);
        if (c.bFullScreen) {
            ASSERT_EQ(app_->SwitchFullscreen(), S_OK);
        }
        app_->m_bFullscreenCursor = c.bFullscreenCursor;
        const int nShows = DeviceCalls("ShowCursor");
        const LRESULT lr =
            app_->HandleMessage(app_->m_hWnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(app_->m_hWnd), HTCLIENT);
        if (c.bFullScreen) {
            EXPECT_EQ(lr, TRUE);
            EXPECT_EQ(GetCursor(), nullptr) << "the default handling would put the class cursor back";
        }
        EXPECT_EQ(DeviceCalls("ShowCursor") - nShows, c.nShows);
        SendMessageA(app_->m_hWnd, WM_CLOSE, 0, 0);
    }
}

TEST_F(AppTest, EndingAResizeResetsTheDeviceToTheNewClientSizeAndAMoveDoesNot) {
    ASSERT_EQ(Create(), S_OK);
    const RECT rcWindow = app_->m_rcWindow;
    const int nWidth = rcWindow.right - rcWindow.left, nHeight = rcWindow.bottom - rcWindow.top;
    auto endMove = [&](int x, int y, int cx, int cy, bool bMinimised = false) {
        SetWindowPos(app_->m_hWnd, nullptr, x, y, cx, cy, SWP_NOZORDER);
        if (bMinimised) SendMessageA(app_->m_hWnd, WM_SIZE, SIZE_MINIMIZED, 0);
        SendMessageA(app_->m_hWnd, WM_ENTERSIZEMOVE, 0, 0);
        SendMessageA(app_->m_hWnd, WM_EXITSIZEMOVE, 0, 0);
    };
    const int nResets = DeviceCalls("Reset");
    const UINT nClientWidth = app_->m_backBufferDesc.Width, nClientHeight = app_->m_backBufferDesc.Height;

    // Moved only: the stored rectangles follow, the device stays.
    endMove(rcWindow.left + 30, rcWindow.top + 20, nWidth, nHeight);
    EXPECT_EQ(DeviceCalls("Reset"), nResets);
    EXPECT_EQ(app_->m_rcWindow.left, rcWindow.left + 30);

    // Sized: one reset, with the new client size as the back buffer's.
    app_->calls.clear();
    endMove(rcWindow.left, rcWindow.top, nWidth + 60, nHeight + 40);
    EXPECT_EQ(DeviceCalls("Reset"), nResets + 1);
    EXPECT_EQ(app_->m_presentParams.BackBufferWidth, nClientWidth + 60);
    EXPECT_EQ(app_->m_presentParams.BackBufferHeight, nClientHeight + 40);
    EXPECT_EQ(app_->m_backBufferDesc.Width, nClientWidth + 60);
    EXPECT_EQ(app_->m_backBufferDesc.Height, nClientHeight + 40);
    EXPECT_EQ(app_->calls, (std::vector<std::string>{"OnDeviceLost", "OnDeviceReset"}));
    EXPECT_TRUE(app_->m_bDeviceReady);

    // Minimised, nothing is reset.
    endMove(rcWindow.left, rcWindow.top, nWidth, nHeight, true);
    EXPECT_EQ(DeviceCalls("Reset"), nResets + 1);
}

}  // namespace
}  // namespace fwtest
