// Accelerator table 113 in the framework's loop: matching key-downs become commands and never
// reach the window procedure as keys.
#include "fixture.h"
#include "resources/resource.h"

namespace wintest {
namespace {

struct Press {
    SDL_Keycode key;
    Uint16 mod;
};

struct Case {
    const char* name;
    std::vector<Press> keys;  // modifiers first, each pressed and then released in reverse
    int command;              // 0: none
    UINT keyReachingProc;     // a key-down that must arrive, or 0 for none at all
    UINT consumed;            // a key-down that must not arrive
    const char* text = nullptr;
};

class Accelerators : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        accel_ = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAIN_ACCEL));
        ASSERT_NE(accel_, nullptr);
        g_hook = [](HWND, UINT message, WPARAM, LPARAM, LRESULT* result) {
            *result = 0;
            return message == WM_SYSKEYUP || message == WM_SYSCHAR;  // no menu loops here
        };
    }
    void TearDown() override {
        DestroyAcceleratorTable(accel_);
        WindowTest::TearDown();
    }
    HACCEL accel_ = nullptr;
};

TEST_F(Accelerators, KeysOfTheTable) {
    const Case cases[] = {
        {"Enter", {{SDLK_RETURN, 0}}, CmdGoStop, 0, VK_RETURN},
        {"Space", {{SDLK_SPACE, 0}}, CmdSingleStep, 0, VK_SPACE, " "},
        {"F2", {{SDLK_F2, 0}}, CmdChangeDevice, 0, VK_F2},
        {"Alt+Enter", {{SDLK_LALT, KMOD_LALT}, {SDLK_RETURN, KMOD_LALT}}, CmdToggleFullscreen, VK_MENU, VK_RETURN},
        {"Esc", {{SDLK_ESCAPE, 0}}, CmdExit, 0, VK_ESCAPE},
        {"Alt+X", {{SDLK_LALT, KMOD_LALT}, {SDLK_x, KMOD_LALT}}, CmdExit, VK_MENU, 'X'},
        {"Ctrl+N", {{SDLK_LCTRL, KMOD_LCTRL}, {SDLK_n, KMOD_LCTRL}}, CmdCtrlN, VK_CONTROL, 'N'},
        {"Ctrl+C", {{SDLK_LCTRL, KMOD_LCTRL}, {SDLK_c, KMOD_LCTRL}}, CmdCtrlC, VK_CONTROL, 'C'},
        {"Ctrl+F", {{SDLK_LCTRL, KMOD_LCTRL}, {SDLK_f, KMOD_LCTRL}}, CmdCtrlF, VK_CONTROL, 'F'},
        {"Shift", {{SDLK_LSHIFT, KMOD_LSHIFT}}, CmdShift, 0, VK_SHIFT},
        {"plain N", {{SDLK_n, 0}}, 0, 'N', 0, "n"},
        {"Shift+Enter is no entry",
         {{SDLK_LSHIFT, KMOD_LSHIFT}, {SDLK_RETURN, KMOD_LSHIFT}},
         CmdShift,
         VK_RETURN,
         VK_SHIFT},
        {"the '<' character", {{SDLK_LESS, 0}}, CmdLessThan, VK_OEM_102, 0, "<"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Log().clear();
        for (const Press& p : c.keys) {
            PushKey(p.key, true, p.mod);
            if (c.text && &p == &c.keys.back()) PushText(c.text);
            PumpAll(accel_, hwnd_);
        }
        for (auto it = c.keys.rbegin(); it != c.keys.rend(); ++it) {
            PushKey(it->key, false, it == c.keys.rbegin() ? it->mod : Uint16{KMOD_NONE});
            PumpAll(accel_, hwnd_);
        }
        auto commands = Only({WM_COMMAND});
        if (c.command) {
            ASSERT_FALSE(commands.empty());
            EXPECT_EQ(LOWORD(commands.back().wParam), c.command);
            EXPECT_EQ(HIWORD(commands.back().wParam), 1) << "from an accelerator";
        } else {
            EXPECT_TRUE(commands.empty());
        }
        auto downs = Only({WM_KEYDOWN, WM_SYSKEYDOWN});
        bool reached = false, consumedReached = false;
        for (const Message& m : downs) {
            reached |= m.wParam == c.keyReachingProc;
            consumedReached |= c.consumed && m.wParam == c.consumed;
        }
        if (c.keyReachingProc) {
            EXPECT_TRUE(reached);
        } else {
            EXPECT_TRUE(downs.empty());
        }
        EXPECT_FALSE(consumedReached);
        if (c.command == CmdSingleStep) {
            EXPECT_FALSE(Logged(WM_CHAR)) << "a consumed key types nothing";
        }
        EXPECT_FALSE(Only({WM_KEYUP, WM_SYSKEYUP}).empty()) << "key-ups pass";
    }
}

TEST_F(Accelerators, RepeatsKeepFiring) {
    PushKey(SDLK_SPACE, true);
    PushKey(SDLK_SPACE, true, KMOD_NONE, true);
    PushKey(SDLK_SPACE, true, KMOD_NONE, true);
    PumpAll(accel_, hwnd_);
    EXPECT_EQ(Only({WM_COMMAND}).size(), 3u);
    PushKey(SDLK_SPACE, false);
    PumpAll(accel_, hwnd_);
}

TEST_F(Accelerators, TheTableKeepsItsOrder) {
    ACCEL entries[16];
    int n = CopyAcceleratorTableA(accel_, entries, 16);
    ASSERT_EQ(n, 11);
    EXPECT_EQ(entries[0].key, '<');
    EXPECT_EQ(entries[0].fVirt, FNOINVERT);
    EXPECT_EQ(entries[7].key, VK_RETURN);
    EXPECT_EQ(entries[7].fVirt, FVIRTKEY | FNOINVERT | FALT);
    EXPECT_EQ(entries[10].cmd, CmdExit);
}

TEST_F(Accelerators, UnknownTablesAndWindowsTranslateNothing) {
    MSG msg{hwnd_, WM_KEYDOWN, VK_RETURN, 1, 0, {}};
    EXPECT_EQ(TranslateAcceleratorA(hwnd_, nullptr, &msg), 0);
    EXPECT_EQ(LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(999)), nullptr);
    DestroyWindow(hwnd_);
    EXPECT_EQ(TranslateAcceleratorA(hwnd_, accel_, &msg), 0);
}

}  // namespace
}  // namespace wintest
