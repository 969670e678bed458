// A private X server (Xvfb) with a window manager (openbox), where the real program meets what a
// player's desktop does: a manager that grants full screen, pointer warps, focus. The server picks
// its own display number, so sessions of parallel tests never meet; the session is ready once the
// manager manages the screen.
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace testx {

class XSession {
public:
    // Without bManager the server runs bare, as some kiosk and remote setups do.
    explicit XSession(const std::string& strScreen = "1024x768x24", bool bManager = true) {
        int fds[2];
        if (pipe(fds) != 0) {
            error_ = "no pipe";
            return;
        }
        // The server inherits the pipe's end and writes its display number there once it listens. It
        // must not reset when its last client leaves: with no manager, the program's own probe of
        // the display is that client, and the program's next connection would meet the reset.
        xvfb_ = Spawn(
            {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", strScreen, "-nolisten", "tcp", "-noreset"},
            "");
        close(fds[1]);
        std::string strNumber;
        pollfd pfd{fds[0], POLLIN, 0};
        char c = 0;
        while (poll(&pfd, 1, 30000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') strNumber += c;
        close(fds[0]);
        if (strNumber.empty()) {
            error_ = "Xvfb gave no display number (is the xvfb package installed?)";
            return;
        }
        display_ = ":" + strNumber;
        if (bManager) {
            wm_ = Spawn({"openbox"}, display_);
            if (!WaitForManager()) {
                error_ = "openbox did not start managing " + display_;
                return;
            }
        }
        ready_ = true;
    }
    ~XSession() {
        Stop(wm_);
        Stop(xvfb_);
    }
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    bool Ready() const { return ready_; }
    const std::string& Error() const { return error_; }
    const std::string& Display() const { return display_; }
    // The variables that put a program on this display under SDL's x11 driver.
    std::string Environment() const { return "DISPLAY=" + display_ + " SDL_VIDEODRIVER=x11"; }

    // Runs xdotool with the arguments on this display; its standard output.
    std::string Tool(const std::string& strArguments) const {
        const std::string strCommand = "DISPLAY=" + display_ + " xdotool " + strArguments + " 2>&1";
        std::string strOut;
        if (FILE* pipe = popen(strCommand.c_str(), "r")) {
            char buffer[256];
            while (std::fgets(buffer, sizeof buffer, pipe)) strOut += buffer;
            pclose(pipe);
        }
        return strOut;
    }

private:
    static pid_t Spawn(const std::vector<std::string>& args, const std::string& strDisplay) {
        const pid_t pid = fork();
        if (pid != 0) return pid;
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 1);
        dup2(null, 2);
        if (!strDisplay.empty()) setenv("DISPLAY", strDisplay.c_str(), 1);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }

    static void Stop(pid_t pid) {
        if (pid <= 0) return;
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }

    // A compliant manager names its check window on the root window.
    bool WaitForManager() const {
        ::Display* pDisplay = XOpenDisplay(display_.c_str());
        if (!pDisplay) return false;
        bool bManaged = false;
        const Atom check = XInternAtom(pDisplay, "_NET_SUPPORTING_WM_CHECK", False);
        for (int i = 0; i < 300 && !bManaged; ++i) {
            Atom type = None;
            int format = 0;
            unsigned long count = 0, after = 0;
            unsigned char* pData = nullptr;
            if (XGetWindowProperty(pDisplay, DefaultRootWindow(pDisplay), check, 0, 1, False, XA_WINDOW, &type, &format,
                                   &count, &after, &pData) == Success)
                bManaged = type == XA_WINDOW && count == 1;
            if (pData) XFree(pData);
            if (!bManaged) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        XCloseDisplay(pDisplay);
        return bManaged;
    }

    pid_t xvfb_ = -1, wm_ = -1;
    std::string display_, error_;
    bool ready_ = false;
};

}  // namespace testx
