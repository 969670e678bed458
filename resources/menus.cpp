// Menu 141 is the window's menu strip; menu 142 is the context menu of a windowed run.
#include "resources/programtables.h"
#include "resources/resource.h"

namespace res {
namespace {

using K = MenuItem::Kind;

constexpr MenuItem kFileItems[] = {
    {K::Command, "&Go/stop\tEnter", CmdGoStop, {}},
    {K::Command, "&Single step\tSpace", CmdSingleStep, {}},
    {K::Separator, nullptr, 0, {}},
    {K::Command, "&Change device...\tF2", CmdChangeDevice, {}},
    {K::Separator, nullptr, 0, {}},
    {K::Command, "E&xit\tESC", CmdExit, {}},
};

constexpr MenuItem kPopupItems[] = {
    {K::Command, "&Go/stop", CmdGoStop, {}}, {K::Command, "&Single step", CmdSingleStep, {}},
    {K::Separator, nullptr, 0, {}},          {K::Command, "&Change device...", CmdChangeDevice, {}},
    {K::Separator, nullptr, 0, {}},          {K::Command, "E&xit", CmdExit, {}},
};

constexpr MenuItem kMainMenu[] = {{K::Popup, "&File", 0, kFileItems}};
constexpr MenuItem kContextMenu[] = {{K::Popup, "Popup", 0, kPopupItems}};

constexpr Menu kMenus[] = {{IDR_MENU, kMainMenu}, {IDR_POPUP, kContextMenu}};

}  // namespace

std::span<const Menu> ProgramMenus() { return kMenus; }

}  // namespace res
