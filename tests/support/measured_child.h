// Runs a piece of work in a forked child and measures what it adds: the peak resident memory
// (VmHWM, reset to the child's RSS before the work) and the processor time, under an optional
// bound on the address space so that a regression fails its case instead of taking the machine.
// Sanitizers' shadow memory and quarantine swamp the figure: there the peak is not measured.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <type_traits>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ABISALIA_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define ABISALIA_SANITIZED 1
#endif
#endif

namespace measured {

#ifdef ABISALIA_SANITIZED
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif

// A field of /proc/self/status in KiB ("VmRSS:", "VmHWM:", "VmSize:"); -1 when absent.
inline long StatusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field)));
    return -1;
}

inline double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Limits {
    rlim_t addressBytesBeyondNow = 0;  // 0: no bound; never set under sanitizers, which reserve more
    rlim_t cpuSeconds = 0;             // 0: no bound
};

template <class T> struct Child {
    bool reported = false;  // the work returned and its report arrived
    T value{};
    long peakMb = -1;  // beyond what the child held before the work; -1 where not measured
    double cpuSeconds = -1;
    int status = 0;  // as waitpid gave it
};

// `work` runs in the child, which never returns into the caller's body: an exception or a signal
// there is a child without a report. T travels through a pipe, so it must be trivially copyable.
// `prepare` runs in the child first, neither bounded nor measured (it makes the work's input).
template <class T>
Child<T> RunInChild(const std::function<T()>& work, Limits limits = {}, const std::function<void()>& prepare = {}) {
    static_assert(std::is_trivially_copyable_v<T>);
    Child<T> result;
    int fds[2];
    if (::pipe(fds) != 0) return result;
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        if (prepare) prepare();
        if (limits.cpuSeconds) {
            const rlimit cpu{limits.cpuSeconds, limits.cpuSeconds};
            ::setrlimit(RLIMIT_CPU, &cpu);
        }
        if (!kSanitized && limits.addressBytesBeyondNow) {
            const rlim_t bytes = static_cast<rlim_t>(StatusKb("VmSize:")) * 1024 + limits.addressBytesBeyondNow;
            const rlimit space{bytes, bytes};
            ::setrlimit(RLIMIT_AS, &space);
        }
        std::ofstream("/proc/self/clear_refs") << "5";  // resets VmHWM to the current RSS
        const long before = StatusKb("VmRSS:");
        const double cpuBefore = CpuSeconds();
        Child<T> report;
        try {
            report.value = work();
        } catch (...) {
            ::_exit(1);
        }
        report.cpuSeconds = CpuSeconds() - cpuBefore;
        if (!kSanitized) report.peakMb = (StatusKb("VmHWM:") - before) / 1024;
        report.reported = true;
        std::fflush(nullptr);
        (void)!::write(fds[1], &report, sizeof report);
        ::_exit(0);
    }
    ::close(fds[1]);
    if (::read(fds[0], &result, sizeof result) != sizeof result) result = Child<T>{};
    ::close(fds[0]);
    ::waitpid(child, &result.status, 0);
    return result;
}

}  // namespace measured
