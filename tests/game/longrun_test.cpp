// A long run of the real program under SDL's offscreen driver holds its memory: the resident set
// after thousands of passes stays within a small bound of what it was after the first hundred.
// Under that driver a swap does not wait for the rasteriser, so frames queued without a bound show
// here as steady growth (hundreds of megabytes over a run this long).
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "scripted_run.h"

namespace {

constexpr int kPasses = 3000;
// Heap and driver caches settle within the first hundred passes; what is left is noise.
constexpr long kBoundKb = 32 * 1024;

struct Resident {
    long nowKb = 0, peakKb = 0;  // VmRSS, VmHWM
};

// The process's resident set; false once it is gone (or before /proc shows it).
bool ReadResident(pid_t pid, Resident* pResident) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string strKey;
    bool bNow = false, bPeak = false;
    while (in >> strKey) {
        if (strKey == "VmRSS:")
            bNow = static_cast<bool>(in >> pResident->nowKb);
        else if (strKey == "VmHWM:")
            bPeak = static_cast<bool>(in >> pResident->peakKb);
        in.ignore(1 << 16, '\n');
    }
    return bNow && bPeak;
}

class LongRunTest : public gametest::ScriptedRunTest {
protected:
    // Starts the program on the script in the folder, its output to run.log; the child's id.
    pid_t Start(const std::string& strScript) {
        std::ofstream(folder_ / "run.script") << strScript;
        const pid_t pid = fork();
        if (pid != 0) return pid;
        if (chdir(folder_.c_str()) != 0) _exit(126);
        const int log = open("run.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(log, 1);
        dup2(log, 2);
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("ABISALIA_FIXED_STEP", "0.02", 1);
        setenv("ABISALIA_SCRIPT", "run.script", 1);
        // Under AddressSanitizer freed memory waits in a quarantine of up to 256 MB before it is
        // reused, and the leak check at exit takes memory of its own, both of which would read as
        // growth: the run measures with neither (the other runs of the program check for leaks).
        const char* szAsan = getenv("ASAN_OPTIONS");
        const std::string strAsan = std::string(szAsan ? szAsan : "") +
                                    ":quarantine_size_mb=0:thread_local_quarantine_size_kb=0:detect_leaks=0";
        setenv("ASAN_OPTIONS", strAsan.c_str(), 1);
        execl(ABISALIA_GAME_PATH, ABISALIA_GAME_PATH, static_cast<char*>(nullptr));
        _exit(127);
    }
};

TEST_F(LongRunTest, ResidentMemoryStaysFlatOverThousandsOfPasses) {
    // The capture at pass 100 marks the moment to take the first figure; under water on level 1
    // the whole run.
    const pid_t pid = Start("100 capture first.png\n" + std::to_string(kPasses) + " end\n");
    ASSERT_GT(pid, 0);
    Resident first, last;
    bool bFirst = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
    int status = 0;
    rusage usage{};
    pid_t done = 0;
    while ((done = wait4(pid, &status, WNOHANG, &usage)) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            done = wait4(pid, &status, 0, &usage);
            FAIL() << "the run did not end within three minutes\n" << Log();
        }
        Resident now;
        if (ReadResident(pid, &now)) {
            if (!bFirst && std::filesystem::exists(folder_ / "first.png")) {
                first = now;
                bFirst = true;
            }
            last = now;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(done, pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status << "\n" << Log();
    ASSERT_TRUE(bFirst) << "no figure after the first hundred passes";
    // ru_maxrss is the peak of the whole run, in kilobytes, including the passes after the last sample.
    const long peakKb = std::max(usage.ru_maxrss, last.peakKb);
    EXPECT_LE(peakKb, first.peakKb + kBoundKb) << "resident after 100 passes " << first.nowKb / 1024 << " MB (peak "
                                               << first.peakKb / 1024 << " MB); last sample " << last.nowKb / 1024
                                               << " MB; peak over " << kPasses << " passes " << peakKb / 1024 << " MB";
}

}  // namespace
