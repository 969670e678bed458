// Accelerator table 113. Order matters: the first matching entry wins.
#include "resources/programtables.h"
#include "resources/resource.h"
#include "win32/windows.h"

namespace res {
namespace {

constexpr std::uint8_t kVirt = FVIRTKEY | FNOINVERT;

constexpr Accel kMainAccel[] = {
    {FNOINVERT, '<', CmdLessThan},     {kVirt | FCONTROL, 'C', CmdCtrlC},
    {kVirt | FCONTROL, 'F', CmdCtrlF}, {kVirt | FCONTROL, 'N', CmdCtrlN},
    {kVirt, VK_ESCAPE, CmdExit},       {kVirt, VK_F2, CmdChangeDevice},
    {kVirt, VK_RETURN, CmdGoStop},     {kVirt | FALT, VK_RETURN, CmdToggleFullscreen},
    {kVirt, VK_SHIFT, CmdShift},       {kVirt, VK_SPACE, CmdSingleStep},
    {kVirt | FALT, 'X', CmdExit},
};

constexpr AccelTable kTables[] = {{IDR_MAIN_ACCEL, kMainAccel}};

}  // namespace

std::span<const AccelTable> ProgramAccelTables() { return kTables; }

}  // namespace res
