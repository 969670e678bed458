#include "win32/script.h"

#include <SDL.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "win32/pumphook.h"
#include "win32/winstate.h"

namespace win32::detail::script {
namespace {

// The exit code of a run whose script cannot be read or parsed.
constexpr int kRefusedExitCode = 2;

// After the end, a program that still runs this many passes later is told to quit.
constexpr long kQuitGrace = 600;
// An end waits this long for captures not yet taken.
constexpr long kCaptureGrace = 100;
// The latest pass a script may name: over a year of frames at 60 a second.
constexpr long kMaxPass = 2'000'000'000;

enum class Verb { KeyDown, KeyUp, MouseMove, MouseDown, MouseUp, Close, Capture, CaptureWindow, End };

struct Step {
    long pass = 0;
    Verb verb = Verb::End;
    SDL_Keycode key = SDLK_UNKNOWN;
    int button = 0;
    int x = 0, y = 0;
    std::string path;
};

struct Script {
    bool loaded = false;
    bool refused = false;  // ABISALIA_SCRIPT named a script that cannot be read or parsed
    std::vector<Step> steps;
    size_t next = 0;
    long pass = 0;
    long endAt = -1;  // pass at which the end began
    bool closed = false;
    bool quitSent = false;
    std::vector<CaptureRequest> captures;
    SDL_Keymod mods = KMOD_NONE;
    int mouseX = 0, mouseY = 0;
    Uint32 buttons = 0;
};

Script& Current() {
    static Script script;
    return script;
}

const std::map<std::string, SDL_Keycode>& KeyNames() {
    static const std::map<std::string, SDL_Keycode> names = [] {
        std::map<std::string, SDL_Keycode> m = {
            {"enter", SDLK_RETURN},
            {"return", SDLK_RETURN},
            {"escape", SDLK_ESCAPE},
            {"esc", SDLK_ESCAPE},
            {"space", SDLK_SPACE},
            {"tab", SDLK_TAB},
            {"backspace", SDLK_BACKSPACE},
            {"shift", SDLK_LSHIFT},
            {"ctrl", SDLK_LCTRL},
            {"alt", SDLK_LALT},
            {"up", SDLK_UP},
            {"down", SDLK_DOWN},
            {"left", SDLK_LEFT},
            {"right", SDLK_RIGHT},
            {"home", SDLK_HOME},
            {"end", SDLK_END},
            {"pageup", SDLK_PAGEUP},
            {"pagedown", SDLK_PAGEDOWN},
            {"insert", SDLK_INSERT},
            {"delete", SDLK_DELETE},
            {"less", SDLK_LESS},
        };
        for (char c = 'a'; c <= 'z'; ++c) m[std::string(1, c)] = SDLK_a + (c - 'a');
        for (char c = '0'; c <= '9'; ++c) m[std::string(1, c)] = SDLK_0 + (c - '0');
        for (int f = 1; f <= 12; ++f) m["f" + std::to_string(f)] = SDLK_F1 + (f - 1);
        return m;
    }();
    return names;
}

std::optional<std::vector<Step>> Parse(std::istream& in, const std::string& source, std::string* error) {
    std::vector<Step> steps;
    std::string line;
    long previous = 0;
    int number = 0;
    auto fail = [&](const std::string& what) {
        *error = source + ":" + std::to_string(number) + ": " + what;
        return std::nullopt;
    };
    while (std::getline(in, line)) {
        ++number;
        if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::string when, verb;
        if (!(words >> when)) continue;
        if (!(words >> verb)) return fail("a time needs a command after it");
        bool relative = when[0] == '+';
        char* end = nullptr;
        errno = 0;
        long value = std::strtol(when.c_str() + (relative ? 1 : 0), &end, 10);
        if (*end != '\0' || value < 0 || when.size() == (relative ? 1u : 0u)) return fail("bad time '" + when + "'");
        // Bounded so that the sums below, a press's release and the end's grace stay in range.
        if (errno == ERANGE || value > kMaxPass || (relative && previous + value > kMaxPass))
            return fail("time '" + when + "' is past the last pass a script may name (" + std::to_string(kMaxPass) +
                        ")");
        long pass = relative ? previous + value : value;
        if (pass < previous) return fail("times must not go backwards");
        previous = pass;

        Step step;
        step.pass = pass;
        std::string arg;
        auto key = [&](Verb v) -> bool {
            if (!(words >> arg)) return false;
            for (char& c : arg) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            auto it = KeyNames().find(arg);
            if (it == KeyNames().end()) return false;
            step.verb = v;
            step.key = it->second;
            return true;
        };
        auto button = [&](Verb v) -> bool {
            if (!(words >> arg)) return false;
            step.verb = v;
            step.button = arg == "left"     ? SDL_BUTTON_LEFT
                          : arg == "right"  ? SDL_BUTTON_RIGHT
                          : arg == "middle" ? SDL_BUTTON_MIDDLE
                                            : 0;
            return step.button != 0;
        };
        if (verb == "key-down" || verb == "key-up" || verb == "press") {
            if (!key(verb == "key-up" ? Verb::KeyUp : Verb::KeyDown)) return fail("unknown key '" + arg + "'");
            steps.push_back(step);
            if (verb == "press") {
                step.verb = Verb::KeyUp;
                step.pass = pass + 1;
                steps.push_back(step);
            }
        } else if (verb == "mouse-down" || verb == "mouse-up" || verb == "click") {
            if (!button(verb == "mouse-up" ? Verb::MouseUp : Verb::MouseDown))
                return fail("a mouse button is left, right or middle");
            steps.push_back(step);
            if (verb == "click") {
                step.verb = Verb::MouseUp;
                step.pass = pass + 1;
                steps.push_back(step);
            }
        } else if (verb == "mouse-move") {
            if (!(words >> step.x >> step.y)) return fail("mouse-move needs x and y");
            step.verb = Verb::MouseMove;
            steps.push_back(step);
        } else if (verb == "close" || verb == "end") {
            step.verb = verb == "close" ? Verb::Close : Verb::End;
            steps.push_back(step);
        } else if (verb == "capture" || verb == "capture-window") {
            std::getline(words >> std::ws, step.path);
            while (!step.path.empty() && std::isspace(static_cast<unsigned char>(step.path.back())))
                step.path.pop_back();
            if (step.path.empty()) return fail(verb + " needs a file name");
            step.verb = verb == "capture" ? Verb::Capture : Verb::CaptureWindow;
            steps.push_back(step);
        } else {
            return fail("unknown command '" + verb + "'");
        }
        if (words >> arg) return fail("unexpected '" + arg + "'");
    }
    std::stable_sort(steps.begin(), steps.end(), [](const Step& a, const Step& b) { return a.pass < b.pass; });
    if (steps.empty() || steps.back().verb != Verb::End) {
        // A script always ends the run, one pass after its last event.
        Step end;
        end.pass = steps.empty() ? 0 : steps.back().pass + 1;
        steps.push_back(end);
    }
    return steps;
}

void LoadFromEnvironment() {
    Script& s = Current();
    if (s.loaded) return;
    const char* path = std::getenv("ABISALIA_SCRIPT");
    if (!path || !*path) return;
    std::ifstream file(path);
    if (!file) {
        std::fprintf(stderr, "ABISALIA_SCRIPT: cannot read %s\n", path);
        s.refused = true;
        return;
    }
    std::string error;
    auto steps = Parse(file, path, &error);
    if (!steps) {
        std::fprintf(stderr, "ABISALIA_SCRIPT: %s\n", error.c_str());
        s.refused = true;
        return;
    }
    s = Script{};
    s.loaded = true;
    s.steps = std::move(*steps);
}

Script& Loaded() {
    static bool tried = false;
    if (!tried) {
        tried = true;
        LoadFromEnvironment();
    }
    return Current();
}

std::uint32_t MainWindowId() {
    Window* w = MainWindow();
    return w && w->sdl ? SDL_GetWindowID(w->sdl) : 0;
}

SDL_Keymod ModFor(SDL_Keycode key) {
    switch (key) {
        case SDLK_LSHIFT: return KMOD_LSHIFT;
        case SDLK_LCTRL: return KMOD_LCTRL;
        case SDLK_LALT: return KMOD_LALT;
        default: return KMOD_NONE;
    }
}

void PushKey(Script& s, const Step& step) {
    bool down = step.verb == Verb::KeyDown;
    SDL_Keymod mod = ModFor(step.key);
    s.mods = static_cast<SDL_Keymod>(down ? (s.mods | mod) : (s.mods & ~mod));
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = MainWindowId();
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = step.key;
    e.key.keysym.scancode = SDL_GetScancodeFromKey(step.key);
    e.key.keysym.mod = static_cast<Uint16>(s.mods);
    SDL_PushEvent(&e);
    if (!down || (s.mods & (KMOD_CTRL | KMOD_ALT))) return;
    // The text a key types, as a keyboard with the US layout gives it.
    char c = 0;
    bool shift = (s.mods & KMOD_SHIFT) != 0;
    if (step.key >= SDLK_a && step.key <= SDLK_z)
        c = static_cast<char>((shift ? 'A' : 'a') + (step.key - SDLK_a));
    else if (step.key >= SDLK_0 && step.key <= SDLK_9 && !shift)
        c = static_cast<char>('0' + (step.key - SDLK_0));
    else if (step.key == SDLK_SPACE)
        c = ' ';
    else if (step.key == SDLK_LESS)
        c = shift ? '>' : '<';
    if (!c) return;
    SDL_Event t{};
    t.type = SDL_TEXTINPUT;
    t.text.windowID = e.key.windowID;
    t.text.text[0] = c;
    SDL_PushEvent(&t);
}

void PushMouse(Script& s, const Step& step) {
    Window* w = MainWindow();
    int strip = w ? StripHeight(*w) : 0;
    SDL_Event e{};
    if (step.verb == Verb::MouseMove) {
        int x = step.x, y = step.y + strip;
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = MainWindowId();
        e.motion.x = x;
        e.motion.y = y;
        e.motion.xrel = x - s.mouseX;
        e.motion.yrel = y - s.mouseY;
        e.motion.state = s.buttons;
        s.mouseX = x;
        s.mouseY = y;
    } else {
        bool down = step.verb == Verb::MouseDown;
        Uint32 mask = SDL_BUTTON(step.button);
        s.buttons = down ? (s.buttons | mask) : (s.buttons & ~mask);
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = MainWindowId();
        e.button.button = static_cast<Uint8>(step.button);
        e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.button.clicks = 1;
        e.button.x = s.mouseX;
        e.button.y = s.mouseY;
    }
    SDL_PushEvent(&e);
}

void PushClose(std::uint32_t windowId) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    e.window.windowID = windowId;
    SDL_PushEvent(&e);
}

// Asks the frame loop to end once: an exit code for the pump to post as WM_QUIT.
std::optional<int> EndRequest(Script& s, int exitCode) {
    if (s.quitSent) return std::nullopt;
    s.quitSent = true;
    return exitCode;
}

std::optional<int> Deliver(Script& s) {
    if (s.refused) return EndRequest(s, kRefusedExitCode);
    if (!s.loaded) return std::nullopt;
    while (s.next < s.steps.size() && s.steps[s.next].pass <= s.pass && s.endAt < 0) {
        const Step& step = s.steps[s.next++];
        switch (step.verb) {
            case Verb::KeyDown:
            case Verb::KeyUp: PushKey(s, step); break;
            case Verb::MouseMove:
            case Verb::MouseDown:
            case Verb::MouseUp: PushMouse(s, step); break;
            case Verb::Close: PushClose(MainWindowId()); break;
            case Verb::Capture:
            case Verb::CaptureWindow:
                s.captures.push_back(CaptureRequest{step.path, step.verb == Verb::CaptureWindow});
                break;
            case Verb::End: s.endAt = s.pass; break;
        }
    }
    if (s.endAt >= 0 && !s.closed && (s.captures.empty() || s.pass - s.endAt >= kCaptureGrace)) {
        for (const CaptureRequest& c : s.captures)
            std::fprintf(stderr, "ABISALIA_SCRIPT: no frame was presented for %s\n", c.path.c_str());
        s.captures.clear();
        s.closed = true;
        for (auto& [handle, w] : GetState().windows)
            if (w->alive && w->sdl) PushClose(SDL_GetWindowID(w->sdl));
    }
    if (s.closed && !s.quitSent && s.pass - s.endAt >= kQuitGrace) {
        std::fprintf(stderr, "ABISALIA_SCRIPT: the program did not end after the script's end; quitting\n");
        return EndRequest(s, 0);
    }
    return std::nullopt;
}

class Driver final : public PumpHook {
public:
    bool Driving() override { return Loaded().loaded; }
    void Pass() override {
        Script& s = Loaded();
        if (s.loaded) ++s.pass;
    }
    std::optional<int> Deliver() override { return script::Deliver(Loaded()); }
};

}  // namespace

void Install() {
    static Driver driver;
    SetPumpHook(&driver);
}

std::vector<CaptureRequest> TakeCaptures() {
    std::vector<CaptureRequest> out;
    out.swap(Current().captures);
    return out;
}

bool CapturesPending() { return !Current().captures.empty(); }

bool LoadForTest(const std::string& text) {
    Install();
    Loaded();
    Script& s = Current();
    s = Script{};
    if (text.empty()) return true;
    std::istringstream in(text);
    std::string error;
    auto steps = Parse(in, "script", &error);
    if (!steps) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    s.loaded = true;
    s.steps = std::move(*steps);
    return true;
}

}  // namespace win32::detail::script
