// Scripted picks in the menu strip and the context menu, and the menu handles themselves.
#include "fixture.h"
#include "resources/resource.h"
#include "win32/script.h"

namespace wintest {
namespace {

using win32::detail::script::LoadForTest;

class Menus : public WindowTest {
protected:
    void TearDown() override {
        LoadForTest("");
        WindowTest::TearDown();
    }

    // The framework's loop, until a command arrives or the passes run out.
    void RunScript(const std::string& script) {
        ASSERT_TRUE(LoadForTest(script + "\n900 end\n"));
        MSG msg;
        for (int idle = 0; idle < 200 && !Logged(WM_COMMAND) && IsWindow(hwnd_);) {
            if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            } else {
                ++idle;
            }
        }
    }

    // WM_ENTERMENULOOP, WM_EXITMENULOOP and WM_COMMAND as they came, and the paints in between.
    void ExpectPick(WPARAM popupFlag, WORD command) {
        auto order = Only({WM_ENTERMENULOOP, WM_EXITMENULOOP, WM_COMMAND});
        ASSERT_EQ(order.size(), 3u);
        EXPECT_EQ(order[0].message, static_cast<UINT>(WM_ENTERMENULOOP));
        EXPECT_EQ(order[0].wParam, popupFlag);
        EXPECT_EQ(order[1].message, static_cast<UINT>(WM_EXITMENULOOP));
        EXPECT_EQ(order[2].message, static_cast<UINT>(WM_COMMAND));
        EXPECT_EQ(LOWORD(order[2].wParam), command);
        EXPECT_EQ(HIWORD(order[2].wParam), 0) << "from a menu";
        int paints = 0;
        bool inside = false;
        for (const Message& m : Log()) {
            if (m.message == WM_ENTERMENULOOP) inside = true;
            if (m.message == WM_EXITMENULOOP) inside = false;
            if (inside && m.message == WM_PAINT) ++paints;
        }
        EXPECT_GE(paints, 2) << "the loop keeps the last frame on screen";
    }
};

TEST_F(Menus, AltThenMnemonicsPickGoStopFromTheStrip) {
    RunScript("1 press alt\n4 press f\n7 press g");
    ExpectPick(FALSE, CmdGoStop);
}

TEST_F(Menus, AltFOpensTheFileMenuAtOnce) {
    RunScript("1 key-down alt\n2 press f\n4 key-up alt\n6 press down\n8 press enter");
    ExpectPick(FALSE, CmdSingleStep);
    EXPECT_FALSE(GetKeyState(VK_MENU) & 0x8000) << "Alt released inside the menu is released";
}

TEST_F(Menus, AMouseClickOnTheStripAndOnAnItemPicksIt) {
    // Client coordinates: the strip lies above the client area.
    RunScript("1 mouse-move 10 -10\n2 click left\n5 mouse-move 30 13\n6 click left");
    ExpectPick(FALSE, CmdGoStop);
}

TEST_F(Menus, TheContextMenuPicksGoStop) {
    g_hook = [](HWND hwnd, UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
        if (message != WM_CONTEXTMENU) return false;
        HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_POPUP));
        TrackPopupMenuEx(GetSubMenu(menu, 0), TPM_VERTICAL, LOWORD(lParam), HIWORD(lParam), hwnd, nullptr);
        DestroyMenu(menu);
        *result = 0;
        return true;
    };
    RunScript("1 mouse-move 50 50\n2 click right\n6 press g");
    ExpectPick(TRUE, CmdGoStop);
}

TEST_F(Menus, EscapeLeavesWithoutACommand) {
    g_hook = [](HWND hwnd, UINT message, WPARAM, LPARAM, LRESULT* result) {
        if (message != WM_CONTEXTMENU) return false;
        HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_POPUP));
        // A keyboard-invoked position far off the window still opens a menu that can be used.
        *result = TrackPopupMenuEx(GetSubMenu(menu, 0), TPM_RETURNCMD, 65535, 65535, hwnd, nullptr);
        DestroyMenu(menu);
        return true;
    };
    ASSERT_TRUE(LoadForTest("2 press down\n4 press escape\n900 end"));
    EXPECT_EQ(SendMessageA(hwnd_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd_), MAKELPARAM(65535, 65535)), 0);
    EXPECT_TRUE(Logged(WM_ENTERMENULOOP));
    EXPECT_TRUE(Logged(WM_EXITMENULOOP));
    PumpAll();
    EXPECT_FALSE(Logged(WM_COMMAND));
}

TEST_F(Menus, HandlesFollowTheResourceTables) {
    HMENU bar = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MENU));
    ASSERT_TRUE(IsMenu(bar));
    EXPECT_EQ(GetMenuItemCount(bar), 1);
    HMENU file = GetSubMenu(bar, 0);
    ASSERT_EQ(GetMenuItemCount(file), 6);
    const UINT ids[] = {CmdGoStop, CmdSingleStep, 0, CmdChangeDevice, 0, CmdExit};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(GetMenuItemID(file, i), ids[i]);
    char text[64];
    GetMenuStringA(file, CmdChangeDevice, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "&Change device...\tF2");
    EXPECT_TRUE(DestroyMenu(bar));
    EXPECT_FALSE(IsMenu(file)) << "submenus go with their menu";
    EXPECT_FALSE(DestroyMenu(bar));
    EXPECT_EQ(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(777)), nullptr);
}

TEST_F(Menus, TheWindowsMenuGoesWithTheWindow) {
    HMENU menu = GetMenu(hwnd_);
    ASSERT_TRUE(IsMenu(menu));
    DestroyMenu(menu);  // as the framework's WM_CLOSE does before DestroyWindow
    EXPECT_EQ(GetMenu(hwnd_), nullptr);
    RECT client;
    GetClientRect(hwnd_, &client);
    EXPECT_EQ(client.bottom, 320) << "without a menu the strip is client area";
}

}  // namespace
}  // namespace wintest
