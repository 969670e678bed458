// Scripted runs: ABISALIA_SCRIPT=<file> feeds timed input into the event stream, asks for frame
// captures and ends the run. Time is counted in passes of whichever loop pumps messages (the
// main loop each time it finds no message, a menu loop or a dialog loop at each turn). The
// format is in docs/scripted-runs.md.
#pragma once

#include <string>
#include <vector>

namespace win32::detail::script {

// True while a script is loaded and has not finished.
bool Active();

// Pushes the events due at the current pass into SDL's queue. Called at every pump.
void Deliver();

// Counts one pass of a loop.
void Pass();

struct CaptureRequest {
    std::string path;
    bool wholeWindow = false;  // the whole drawable with the menu strip, else the client area
};

// Captures asked for and not yet taken; the next present of the main window takes them.
std::vector<CaptureRequest> TakeCaptures();
bool CapturesPending();

// For tests: loads a script from text instead of the environment (an empty text unloads).
// Returns false with a message when the text does not parse.
bool LoadForTest(const std::string& text);

}  // namespace win32::detail::script
