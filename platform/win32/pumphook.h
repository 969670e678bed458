// A hook the message pumps run, for input that does not come from the user: the scripted-run
// driver is one. Every loop that pumps (PeekMessage and GetMessage, a menu loop, a dialog loop)
// counts its passes to the hook and lets it deliver at each pump.
#pragma once

#include <optional>

namespace win32::detail {

class PumpHook {
public:
    virtual ~PumpHook() = default;
    // While true, no pump waits for the user's input: only the hook gives it.
    virtual bool Driving() = 0;
    // One pass of a loop.
    virtual void Pass() = 0;
    // Puts the input due now into SDL's event stream. An exit code asks the program's frame loop
    // to end: the pump posts it as WM_QUIT.
    virtual std::optional<int> Deliver() = 0;
};

// The pumps' hook, nullptr for none. The hook must outlive its installation.
void SetPumpHook(PumpHook* hook);

// For the loops that pump.
bool HookDriving();
void HookPass();
void HookDeliver();

}  // namespace win32::detail
