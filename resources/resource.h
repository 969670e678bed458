// Identifiers of the program's resources and of the commands and controls they carry.
#pragma once

// Resources
#define IDI_MAIN_ICON 101
#define IDR_MAIN_ACCEL 113
#define IDR_MENU 141
#define IDR_POPUP 142
#define IDD_SELECTDEVICE 144
#define IDC_POINTER 154

// Commands (WM_COMMAND identifiers)
enum : unsigned short {
    CmdChangeDevice = 40002,
    CmdToggleFullscreen = 40003,
    CmdGoStop = 40004,
    CmdSingleStep = 40005,
    CmdExit = 40006,
    // Produced by the accelerator table; nothing handles them.
    CmdCtrlC = 40012,
    CmdCtrlN = 40013,
    CmdCtrlF = 40014,
    CmdShift = 40016,
    CmdLessThan = 40017,
};

// Controls of the "Select Device" dialog
enum : int {
    CtlDeviceList = 1000,
    CtlAdapterList = 1002,
    CtlModeList = 1003,
    CtlMultisampleList = 1005,
    CtlWindowedRadio = 1016,
    CtlFullscreenRadio = 1018,
};
