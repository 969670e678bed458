// The real program over a fixed scripted run, against the same program at an earlier commit built
// in this run: start-up to the first frame, the underwater frame (the median swap interval, and the
// wall time per frame over the same stretch), the level-change frame and the peak resident memory.
// A swap interval alone can flatter where a swap returns before the frame is done (the offscreen
// driver without a bound on the frames in flight); the wall time over 300 frames cannot.
//
//   game_run_benchmark [--base=<commit>] [--before=<executable>] [--after=<executable>] [--runs=<n>]
//                      [--display=<X display>] [--keep]
//
// The earlier program is built from <commit> (default HEAD~1 of the source tree) in a temporary
// worktree, unless --before names one already built; the later one is this build's, unless --after
// names another. Runs of the two alternate, each figure is the median over the runs; the machine is
// shared, so only the ratios in one report mean much.
// The runs use SDL's offscreen driver, or with --display an X server (e.g. Xvfb at 1024 x 768) through
// SDL's x11 driver, where a swap really copies the frame into the window.
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// 1024 x 768 full screen under water on the first level; 'N' asks for the next level at pass 400.
constexpr int kLevelChangePass = 400;
constexpr int kSteadyFirst = 100, kSteadyLast = 399;  // drawn frames whose intervals give the median
const char kScript[] =
    "# settle, a steady stretch under water, then the next level\n"
    "400 press n\n"
    "460 end\n";

struct Figures {
    double startupMs = 0, frameMs = 0, wallFrameMs = 0, levelChangeMs = 0, peakMb = 0;
    bool ok = false;
};

double Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e9 + t.tv_nsec;
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

int Shell(const std::string& command) {
    const int rc = std::system(command.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

// As Shell, and the peak resident memory of the command and what it ran, in megabytes.
int ShellPeak(const std::string& command, double* peakMb) {
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return -1;
    *peakMb = usage.ru_maxrss / 1024.0;  // the largest of the process and its waited-for children
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

Figures RunOnce(const fs::path& exe, const fs::path& folder, const std::string& display) {
    const fs::path times = folder / "swaps.txt";
    fs::remove(times);
    const std::string video =
        display.empty() ? "SDL_VIDEODRIVER=offscreen" : "SDL_VIDEODRIVER=x11 DISPLAY=" + Quote(display);
    // A program that stops stepping frames (an old full-screen fault on a desktop, say) fails its run.
    const std::string command = "cd " + Quote(folder) + " && exec timeout -k 5 120 env " + video +
                                " ABISALIA_FIXED_STEP=0.02"
                                " ABISALIA_SCRIPT=run.script ABISALIA_SWAP_TIMES=" +
                                Quote(times) + " LD_PRELOAD=" + Quote(ABISALIA_SWAP_SHIM) + " " + Quote(exe) +
                                " > run.log 2>&1";
    const double launched = Now();
    Figures f;
    if (ShellPeak(command, &f.peakMb) != 0) return f;
    std::vector<double> drawn;
    std::ifstream in(times);
    double t = 0;
    int game = 0;
    while (in >> t >> game)
        if (game) drawn.push_back(t);
    if (static_cast<int>(drawn.size()) <= kLevelChangePass) return f;
    f.startupMs = (drawn.front() - launched) / 1e6;
    std::vector<double> steady;
    for (int i = kSteadyFirst; i < kSteadyLast; ++i) steady.push_back((drawn[i + 1] - drawn[i]) / 1e6);
    f.frameMs = Median(steady);
    f.wallFrameMs = (drawn[kSteadyLast] - drawn[kSteadyFirst]) / (kSteadyLast - kSteadyFirst) / 1e6;
    for (size_t i = kLevelChangePass - 20; i + 1 < drawn.size(); ++i)
        f.levelChangeMs = std::max(f.levelChangeMs, (drawn[i + 1] - drawn[i]) / 1e6);
    f.ok = true;
    return f;
}

// The program at `commit`, built in a temporary worktree; empty on failure.
fs::path BuildBefore(const std::string& commit, const fs::path& tree) {
    std::printf("building the program at %s in %s\n", commit.c_str(), tree.c_str());
    std::fflush(stdout);
    if (Shell("git -C " + Quote(ABISALIA_SOURCE_DIR) + " worktree add --detach " + Quote(tree) + " " + commit +
              " > /dev/null 2>&1") != 0)
        return {};
    const fs::path build = tree / "build";
    const std::string log = " > " + Quote(tree / "build.log") + " 2>&1";
    if (Shell("cmake -S " + Quote(tree) + " -B " + Quote(build) +
              " -DCMAKE_BUILD_TYPE=RelWithDebInfo -DABISALIA_BENCHMARKS=OFF" + log) != 0 ||
        Shell("CCACHE_BASEDIR=" + Quote(tree) + " CCACHE_NOHASHDIR=1 cmake --build " + Quote(build) +
              " --target abisalia -j 4" + log) != 0)
        return {};
    // Older commits built the program in game/, newer ones beside its modules.
    const fs::path beside = build / "lib" / "abisalia" / "abisalia";
    return fs::exists(beside) ? beside : build / "game" / "abisalia";
}

std::string Describe(const std::string& commit) {
    std::string out;
    if (FILE* p = popen(("git -C " + Quote(ABISALIA_SOURCE_DIR) + " log -1 --format='%h %s' " + commit).c_str(), "r")) {
        char line[256];
        if (std::fgets(line, sizeof line, p)) out = line;
        pclose(p);
    }
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out.empty() ? commit : out;
}

}  // namespace

int main(int argc, char** argv) {
    std::string base = "HEAD~1";
    fs::path before, after = ABISALIA_GAME_PATH;
    std::string display;
    int runs = 5;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind("--base=", 0) == 0)
            base = a.substr(7);
        else if (a.rfind("--before=", 0) == 0)
            before = a.substr(9);
        else if (a.rfind("--after=", 0) == 0)
            after = a.substr(8);
        else if (a.rfind("--runs=", 0) == 0)
            runs = std::max(1, std::atoi(a.c_str() + 7));
        else if (a.rfind("--display=", 0) == 0)
            display = a.substr(10);
        else if (a == "--keep")
            keep = true;
        else {
            std::fprintf(stderr,
                         "usage: %s [--base=<commit>] [--before=<executable>] [--after=<executable>] [--runs=<n>] "
                         "[--display=<X display>] [--keep]\n",
                         argv[0]);
            return 2;
        }
    }
    const fs::path scratch = fs::temp_directory_path() / ("abisalia-runbench-" + std::to_string(::getpid()));
    fs::create_directories(scratch);
    std::string beforeName = before.string();
    if (before.empty()) {
        beforeName = Describe(base);
        before = BuildBefore(base, scratch / "tree");
        if (before.empty()) {
            std::fprintf(stderr, "cannot build %s (see %s)\n", base.c_str(), (scratch / "tree" / "build.log").c_str());
            return 1;
        }
    }
    const fs::path folder = scratch / "media";
    fs::copy(ABISALIA_MEDIA_DIR, folder, fs::copy_options::recursive);
    std::ofstream(folder / "run.script") << kScript;

    const fs::path programs[2] = {before, after};
    std::vector<double> startup[2], frame[2], wall[2], level[2], peak[2];
    for (int r = 0; r < runs; ++r) {
        for (int k = 0; k < 2; ++k) {
            const Figures f = RunOnce(programs[k], folder, display);
            if (!f.ok) {
                std::fprintf(stderr, "run of %s failed (see %s)\n", programs[k].c_str(), (folder / "run.log").c_str());
                return 1;
            }
            startup[k].push_back(f.startupMs);
            frame[k].push_back(f.frameMs);
            wall[k].push_back(f.wallFrameMs);
            level[k].push_back(f.levelChangeMs);
            peak[k].push_back(f.peakMb);
        }
    }
    const std::string afterName = after == ABISALIA_GAME_PATH ? Describe("HEAD") + " (this build)" : after.string();
    std::printf("before: %s\nafter:  %s\n", beforeName.c_str(), afterName.c_str());
    std::printf("medians of %d alternating runs, llvmpipe, %s, 1024 x 768 full screen, level 1\n", runs,
                display.empty() ? "SDL offscreen" : ("X display " + display).c_str());
    std::printf("%-36s %10s %10s %8s\n", "", "before", "after", "speed-up");
    auto row = [](const char* name, const char* unit, const std::vector<double>& b, const std::vector<double>& a) {
        const double mb = Median(b), ma = Median(a);
        std::printf("%-36s %7.2f %s %7.2f %s %7.2fx\n", name, mb, unit, ma, unit, ma > 0 ? mb / ma : 0.0);
    };
    row("start-up to the first frame", "ms", startup[0], startup[1]);
    row("underwater frame, swap interval", "ms", frame[0], frame[1]);
    row("underwater frame, wall time", "ms", wall[0], wall[1]);
    row("level-change frame", "ms", level[0], level[1]);
    row("peak resident memory", "MB", peak[0], peak[1]);
    std::printf(
        "start-up: launch to the first swap showing the game; swap interval: median time between\n"
        "swaps of drawn frames %d-%d; wall time: the same stretch's time over its %d frames; level\n"
        "change: the longest interval from 20 frames before the request on; peak resident: the\n"
        "program's VmHWM over the run.\n",
        kSteadyFirst, kSteadyLast, kSteadyLast - kSteadyFirst);
    if (!keep) {
        if (fs::exists(scratch / "tree"))
            Shell("git -C " + Quote(ABISALIA_SOURCE_DIR) + " worktree remove --force " + Quote(scratch / "tree") +
                  " > /dev/null 2>&1");
        fs::remove_all(scratch);
    }
    return 0;
}
