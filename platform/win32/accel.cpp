// Accelerator tables: a matching key-down becomes WM_COMMAND and is never dispatched as a key.
#include "win32/resources.h"
#include "win32/winstate.h"

using namespace win32::detail;

namespace {

bool Down(int vk) { return (GetKeyState(vk) & 0x8000) != 0; }

bool Matches(const ACCEL& entry, const MSG& msg) {
    bool alt = (msg.lParam & (1 << 29)) != 0;
    if (entry.fVirt & FVIRTKEY) {
        if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
        if (entry.key != msg.wParam) return false;
        // A modifier key's own state is not part of the match, so an entry for VK_SHIFT fires.
        bool shift = msg.wParam != VK_SHIFT && Down(VK_SHIFT);
        bool ctrl = msg.wParam != VK_CONTROL && Down(VK_CONTROL);
        bool altDown = msg.wParam != VK_MENU && alt;
        return shift == ((entry.fVirt & FSHIFT) != 0) && ctrl == ((entry.fVirt & FCONTROL) != 0) &&
               altDown == ((entry.fVirt & FALT) != 0);
    }
    if (msg.message != WM_CHAR && msg.message != WM_SYSCHAR) return false;
    return entry.key == msg.wParam && alt == ((entry.fVirt & FALT) != 0);
}

}  // namespace

HACCEL LoadAcceleratorsA(HINSTANCE instance, LPCSTR name) {
    if (!instance || !IS_INTRESOURCE(name)) return nullptr;
    const res::AccelTable* def = res::FindAccelTable(static_cast<int>(reinterpret_cast<std::uintptr_t>(name)));
    if (!def) return nullptr;
    State& s = GetState();
    std::vector<ACCEL> entries;
    for (const res::Accel& a : def->entries) entries.push_back(ACCEL{a.fVirt, a.key, a.cmd});
    auto handle = s.NewHandle();
    s.accelTables.emplace(handle, std::move(entries));
    return reinterpret_cast<HACCEL>(handle);
}

int TranslateAcceleratorA(HWND hwnd, HACCEL accel, LPMSG msg) {
    State& s = GetState();
    auto table = s.accelTables.find(reinterpret_cast<std::uintptr_t>(accel));
    if (table == s.accelTables.end() || !msg || !FindWindow(hwnd)) return 0;
    for (const ACCEL& entry : table->second) {
        if (!Matches(entry, *msg)) continue;
        SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(entry.cmd, 1), 0);
        return 1;
    }
    return 0;
}

BOOL DestroyAcceleratorTable(HACCEL accel) {
    return GetState().accelTables.erase(reinterpret_cast<std::uintptr_t>(accel)) ? TRUE : FALSE;
}

int CopyAcceleratorTableA(HACCEL accel, ACCEL* entries, int count) {
    State& s = GetState();
    auto table = s.accelTables.find(reinterpret_cast<std::uintptr_t>(accel));
    if (table == s.accelTables.end()) return 0;
    int n = static_cast<int>(table->second.size());
    if (!entries) return n;
    int copied = std::min(n, count);
    for (int i = 0; i < copied; ++i) entries[i] = table->second[i];
    return copied;
}
