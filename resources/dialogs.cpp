// Dialog 144, "Select Device": the template as data; the dialog engine lays it out.
#include "resources/programtables.h"
#include "resources/resource.h"
#include "win32/windows.h"

namespace res {
namespace {

constexpr std::uint32_t kLabel = SS_LEFT | SS_CENTERIMAGE | WS_GROUP;
constexpr std::uint32_t kList = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;

constexpr DialogControl kSelectDeviceControls[] = {
    {-1, "BUTTON", "Rendering device", BS_GROUPBOX, 5, 5, 200, 45},
    {-1, "STATIC", "&Adapter:", kLabel, 22, 17, 65, 10},
    {CtlAdapterList, "COMBOBOX", "", kList, 90, 15, 105, 100},
    {-1, "STATIC", "&Device:", kLabel, 22, 32, 65, 10},
    {CtlDeviceList, "COMBOBOX", "", kList, 90, 30, 105, 100},
    {-1, "BUTTON", "Rendering mode", BS_GROUPBOX, 5, 52, 200, 45},
    {CtlWindowedRadio, "BUTTON", "Use desktop &window", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 10, 62, 85, 15},
    {CtlFullscreenRadio, "BUTTON", "&Fullscreen mode:", BS_AUTORADIOBUTTON, 10, 77, 75, 15},
    {CtlModeList, "COMBOBOX", "", kList | WS_GROUP, 90, 77, 105, 204},
    {-1, "BUTTON", "Multisample", BS_GROUPBOX, 5, 101, 200, 28},
    {-1, "STATIC", "&Multisample Type:", kLabel, 22, 113, 62, 10},
    {CtlMultisampleList, "COMBOBOX", "", kList, 90, 111, 105, 100},
    {IDOK, "BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 210, 10, 50, 14},
    {IDCANCEL, "BUTTON", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 210, 30, 50, 14},
};

constexpr DialogTemplate kDialogs[] = {
    {IDD_SELECTDEVICE, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER, 0, 0, 267, 138,
     "Select Device", "MS Shell Dlg", 8, kSelectDeviceControls},
};

}  // namespace

std::span<const DialogTemplate> ProgramDialogs() { return kDialogs; }

}  // namespace res
