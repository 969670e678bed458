// Scripted runs: ABISALIA_SCRIPT=<file> feeds timed input into the event stream, asks for frame
// captures and ends the run. The driver is the message pumps' hook (pumphook.h), so time is
// counted in passes of whichever loop pumps messages (the main loop each time it finds no
// message, a menu loop or a dialog loop at each turn). It ends the run by asking the frame loop
// to end: the close box of every window, WM_QUIT when the program outstays that, and WM_QUIT
// with exit code 2 at the first pump when the script cannot be read or parsed. The format is in
// docs/scripted-runs.md.
#pragma once

#include <string>
#include <vector>

namespace win32::detail::script {

// Installs the driver as the pumps' hook; it reads ABISALIA_SCRIPT at its first use. Called as
// the first window or dialog opens; again is harmless.
void Install();

struct CaptureRequest {
    std::string path;
    bool wholeWindow = false;  // the whole drawable with the menu strip, else the client area
};

// Captures asked for and not yet taken; the next present of the main window takes them.
std::vector<CaptureRequest> TakeCaptures();
bool CapturesPending();

// For tests: installs the driver and loads a script from text instead of the environment (an
// empty text unloads).
// Returns false with a message when the text does not parse.
bool LoadForTest(const std::string& text);

}  // namespace win32::detail::script
