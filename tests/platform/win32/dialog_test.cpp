// The dialog engine: template 144's controls answer the combo-box and button messages, the
// keyboard drives them with the notifications a dialog procedure expects, and the owner keeps
// being painted while the dialog runs.
#include <functional>

#include "fixture.h"
#include "resources/resource.h"
#include "win32/script.h"

namespace wintest {
namespace {

struct Seen {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Seen> g_seen;
std::function<void(HWND)> g_onInit;

INT_PTR CALLBACK Recorder(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    g_seen.push_back(Seen{message, wParam, lParam});
    if (message == WM_INITDIALOG && g_onInit) g_onInit(hDlg);
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
        EndDialog(hDlg, LOWORD(wParam) == IDOK ? 77 : IDCANCEL);
    return message == WM_INITDIALOG || message == WM_COMMAND;
}

class Dialogs : public WindowTest {
protected:
    INT_PTR Run(const char* script, std::function<void(HWND)> onInit) {
        g_seen.clear();
        g_onInit = std::move(onInit);
        EXPECT_TRUE(win32::detail::script::LoadForTest(script));
        INT_PTR result =
            DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SELECTDEVICE), hwnd_, Recorder, 1234);
        win32::detail::script::LoadForTest("");
        return result;
    }
    std::vector<Seen> Commands() {
        std::vector<Seen> out;
        for (const Seen& s : g_seen)
            if (s.message == WM_COMMAND) out.push_back(s);
        return out;
    }
};

TEST_F(Dialogs, ControlsAnswerTheirMessages) {
    INT_PTR result = Run("", [](HWND hDlg) {
        HWND list = GetDlgItem(hDlg, CtlAdapterList);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(GetDlgItem(hDlg, 4711), nullptr);
        EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), CB_ERR) << "empty";
        EXPECT_EQ(SendMessageA(list, CB_GETITEMDATA, 0, 0), CB_ERR);
        EXPECT_EQ(SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("one")), 0);
        EXPECT_EQ(SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("two")), 1);
        SendMessageA(list, CB_SETITEMDATA, 1, 42);
        EXPECT_EQ(SendMessageA(list, CB_GETITEMDATA, 1, 0), 42);
        EXPECT_EQ(SendMessageA(list, CB_SETCURSEL, 5, 0), CB_ERR);
        EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), CB_ERR);
        EXPECT_EQ(SendMessageA(list, CB_SETCURSEL, 1, 0), 1);
        EXPECT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), 2);
        SendMessageA(list, CB_RESETCONTENT, 0, 0);
        EXPECT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), 0);
        EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), CB_ERR);

        HWND radio = GetDlgItem(hDlg, CtlWindowedRadio);
        EXPECT_EQ(SendMessageA(radio, BM_GETCHECK, 0, 0), BST_UNCHECKED);
        SendMessageA(radio, BM_SETCHECK, BST_CHECKED, 0);
        EXPECT_EQ(SendMessageA(radio, BM_GETCHECK, 0, 0), BST_CHECKED);
        EXPECT_FALSE(EnableWindow(radio, FALSE));
        EXPECT_FALSE(IsWindowEnabled(radio));
        EXPECT_TRUE(EnableWindow(radio, TRUE)) << "it was disabled";
        EndDialog(hDlg, 5);
    });
    EXPECT_EQ(result, 5);
    ASSERT_FALSE(g_seen.empty());
    EXPECT_EQ(g_seen.front().message, static_cast<UINT>(WM_INITDIALOG));
    EXPECT_EQ(g_seen.front().lParam, 1234);
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(999), hwnd_, Recorder, 0), -1) << "no such template";
}

TEST_F(Dialogs, KeyboardNotifiesAndEnterIsOk) {
    auto fill = [](HWND hDlg) {
        for (int id : {CtlAdapterList, CtlDeviceList}) {
            HWND list = GetDlgItem(hDlg, id);
            SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("a"));
            SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("b"));
            SendMessageA(list, CB_SETCURSEL, 0, 0);
        }
        SendMessageA(GetDlgItem(hDlg, CtlWindowedRadio), BM_SETCHECK, BST_CHECKED, 0);
    };
    Log().clear();
    // Down on the adapter list; Tab, Tab to the radio group, Down to full screen; Enter.
    INT_PTR result = Run("1 press down\n3 press tab\n5 press tab\n7 press down\n9 press enter\n", fill);
    EXPECT_EQ(result, 77);
    std::vector<Seen> commands = Commands();
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].wParam, MAKEWPARAM(CtlAdapterList, CBN_SELENDOK));
    EXPECT_EQ(commands[1].wParam, MAKEWPARAM(CtlFullscreenRadio, BN_CLICKED));
    EXPECT_EQ(LOWORD(commands[2].wParam), IDOK);
    EXPECT_TRUE(Logged(WM_PAINT)) << "the owner is painted under the dialog";
    EXPECT_FALSE(Logged(WM_KEYDOWN)) << "the owner sees none of the keys";
}

TEST_F(Dialogs, EscapeIsCancel) {
    EXPECT_EQ(Run("2 press escape\n", nullptr), IDCANCEL);
    ASSERT_EQ(Commands().size(), 1u);
    EXPECT_EQ(LOWORD(Commands()[0].wParam), IDCANCEL);
}

}  // namespace
}  // namespace wintest
