// The device dialog's procedure on its controls: the engine runs the dialog, and a wrapper
// procedure plays the user's part from inside it.
#include <functional>

#include "app_fixture.h"
#include "resources/resource.h"
#include "win32/script.h"

namespace fwtest {
namespace {

std::function<void(HWND)> g_user;  // runs once the dialog has been initialised

INT_PTR CALLBACK UserProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    INT_PTR result = SelectDeviceDlgProc(hDlg, uMsg, wParam, lParam);
    if (uMsg == WM_INITDIALOG && g_user) {
        auto user = std::move(g_user);
        g_user = nullptr;
        user(hDlg);
    }
    return result;
}

std::vector<std::string> Entries(HWND hList) {
    std::vector<std::string> out;
    char text[600];
    for (LRESULT i = 0; i < SendMessageA(hList, CB_GETCOUNT, 0, 0); ++i) {
        SendMessageA(hList, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        out.push_back(text);
    }
    return out;
}

void Pick(HWND hDlg, int id, int index) {
    SendMessageA(GetDlgItem(hDlg, id), CB_SETCURSEL, index, 0);
    SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(id, CBN_SELENDOK), reinterpret_cast<LPARAM>(GetDlgItem(hDlg, id)));
}

class DeviceDialog : public AppTest {
protected:
    INT_PTR RunDialog(std::function<void(HWND)> user) {
        g_user = std::move(user);
        return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SELECTDEVICE), app_->m_hWnd, UserProc,
                               reinterpret_cast<LPARAM>(app_.get()));
    }
};

TEST_F(DeviceDialog, InitialListsAndMultisampleChoicePerDeviceAndMode) {
    d3d8::RecordAdapter second = d3d8::RecordScenario::DefaultAdapter();
    second.description = "Second adapter";
    script_->adapters.push_back(second);
    // Windowed (desktop X8R8G8B8) supports 2 and 4 samples; full screen in 16 bits only 2.
    script_->checkMultiSample = [](UINT, D3DDEVTYPE, D3DFORMAT f, BOOL, D3DMULTISAMPLE_TYPE t) {
        if (t == D3DMULTISAMPLE_NONE || t == D3DMULTISAMPLE_2_SAMPLES) return S_OK;
        return t == D3DMULTISAMPLE_4_SAMPLES && f == D3DFMT_X8R8G8B8 ? S_OK : D3DERR_NOTAVAILABLE;
    };
    ASSERT_EQ(Create(), S_OK);
    INT_PTR result = RunDialog([](HWND hDlg) {
        EXPECT_EQ(Entries(GetDlgItem(hDlg, CtlAdapterList)),
                  (std::vector<std::string>{"Record adapter", "Second adapter"}));
        EXPECT_EQ(Entries(GetDlgItem(hDlg, CtlDeviceList)), (std::vector<std::string>{"HAL", "REF"}));
        EXPECT_EQ(Entries(GetDlgItem(hDlg, CtlModeList)).front(), "640 x 480 x 16");
        EXPECT_EQ(Entries(GetDlgItem(hDlg, CtlMultisampleList)),
                  (std::vector<std::string>{"none", "2 samples", "4 samples"}));
        EXPECT_EQ(SendMessageA(GetDlgItem(hDlg, CtlWindowedRadio), BM_GETCHECK, 0, 0), BST_CHECKED);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hDlg, CtlModeList)));

        Pick(hDlg, CtlMultisampleList, 2);  // 4 samples
        // Full screen: re-tested on the mode's 16-bit format, 4 samples falls back to none.
        SendMessageA(GetDlgItem(hDlg, CtlWindowedRadio), BM_SETCHECK, BST_UNCHECKED, 0);
        SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(CtlFullscreenRadio, BN_CLICKED), 0);
        EXPECT_EQ(Entries(GetDlgItem(hDlg, CtlMultisampleList)), (std::vector<std::string>{"none", "2 samples"}));
        EXPECT_EQ(SendMessageA(GetDlgItem(hDlg, CtlMultisampleList), CB_GETCURSEL, 0, 0), 0);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(hDlg, CtlModeList)));

        // Another adapter shows its own current mode and window flag.
        Pick(hDlg, CtlAdapterList, 1);
        EXPECT_EQ(SendMessageA(GetDlgItem(hDlg, CtlWindowedRadio), BM_GETCHECK, 0, 0), BST_CHECKED);
        EXPECT_EQ(Entries(GetDlgItem(hDlg, CtlModeList)).back(), "1024 x 768 x 32");
        // A list without a selection changes nothing.
        Pick(hDlg, CtlDeviceList, -1);
        EXPECT_EQ(SendMessageA(GetDlgItem(hDlg, CtlDeviceList), CB_GETCURSEL, 0, 0), 0);
        SendMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(app_->m_dwCurAdapter, 0u) << "cancel changes nothing";
}

TEST_F(DeviceDialog, OkWithoutAChangeIsCancelAndWithOneRecreatesOnce) {
    ASSERT_EQ(Create(), S_OK);
    EXPECT_EQ(RunDialog([](HWND hDlg) { SendMessageA(hDlg, WM_COMMAND, IDOK, 0); }), IDCANCEL);

    // From the keyboard through the command: Tab to the device list, Down to REF, Enter for OK.
    app_->calls.clear();
    ASSERT_TRUE(win32::detail::script::LoadForTest("1 press tab\n3 press down\n5 press enter\n"));
    SendMessageA(app_->m_hWnd, WM_COMMAND, CmdChangeDevice, 0);
    win32::detail::script::LoadForTest("");
    EXPECT_EQ(app_->CurrentDevice()->DeviceType, D3DDEVTYPE_REF);
    EXPECT_EQ(app_->Count("OnDeviceCreated"), 1);
    EXPECT_EQ(app_->Count("OnDeviceDestroyed"), 1);
    EXPECT_TRUE(app_->m_bDeviceReady) << "the pause is over";
}

}  // namespace
}  // namespace fwtest
