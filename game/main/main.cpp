// Program entry: the platform's start-up hands over to the game's WinMain.
#include "game/gameapp.h"

int main() { return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, 1); }
