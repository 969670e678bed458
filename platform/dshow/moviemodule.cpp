#include "dshow/moviemodule.h"

#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "win32/gldriverpin.h"

namespace dshow {
namespace {

constexpr const char kModuleName[] = "libabisalia_movie.so";

// The module beside the running program (the game, in the build as once installed), in the
// private-library folder of the prefix it runs from, or in ABISALIA_MODULE_DIR when set. A
// program elsewhere (a test) leaves it to the dynamic loader, by name through its run path; the
// path is not left to the loader always, since a sanitizer's dlopen looks through its own.
std::string FindModule() {
    namespace fs = std::filesystem;
    std::vector<fs::path> folders;
    if (const char* dir = std::getenv("ABISALIA_MODULE_DIR"); dir && *dir) folders.emplace_back(dir);
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        folders.push_back(program.parent_path());
        folders.push_back(program.parent_path().parent_path() / "lib" / "abisalia");
    }
    for (const fs::path& folder : folders)
        if (fs::is_regular_file(folder / kModuleName, error)) return (folder / kModuleName).string();
    return kModuleName;
}

// Under the leak checker the libraries stay mapped after their close: some keep what they
// allocate at load in their own data, which unloading would show as leaks of no module.
constexpr int kOpenFlags = RTLD_NOW | RTLD_LOCAL | (win32::kLeakChecked ? RTLD_NODELETE : 0);

class MovieModule {
public:
    ~MovieModule() { Close(); }

    void Prefetch() {
        std::lock_guard lock(mutex_);
        // attempted_ is the loading thread's until it is joined.
        if (loader_.joinable() || attempted_) return;
        loader_ = std::thread([this] { Load(); });
    }

    CreateMovieDecoderFn Factory() {
        std::lock_guard lock(mutex_);
        if (loader_.joinable()) loader_.join();
        if (!attempted_) Load();
        return create_;
    }

    void SetPath(const std::string& path) {
        std::lock_guard lock(mutex_);
        CloseLocked();
        path_ = path;
    }

private:
    // On the loading thread (holding no lock: Factory joins it) or under the lock.
    void Load() {
        attempted_ = true;
        if (path_.empty()) path_ = FindModule();
        LoadDependencies();
        handle_ = dlopen(path_.c_str(), kOpenFlags);
        std::string why;
        if (!handle_) {
            const char* error = dlerror();
            why = error ? error : "cannot be loaded";
        } else if (const std::string version = Version(handle_); version != std::to_string(kMovieDecoderVersion)) {
            // A module of another layout would be called through the wrong table.
            why = "interface version " + version + ", not " + std::to_string(kMovieDecoderVersion);
        } else {
            create_ = reinterpret_cast<CreateMovieDecoderFn>(dlsym(handle_, kCreateMovieDecoderSymbol));
            if (!create_) why = "no factory";
        }
        if (!create_) {
            std::fprintf(stderr, "video: no movie decoder (%s): %s\n", path_.c_str(), why.c_str());
            if (handle_) dlclose(handle_);
            handle_ = nullptr;
        }
    }

    static std::string Version(void* handle) {
        const auto version = reinterpret_cast<MovieDecoderVersionFn>(dlsym(handle, kMovieDecoderVersionSymbol));
        return version ? std::to_string(version()) : std::string("none");
    }

    // The module's libraries one at a time, those nothing else needs first, as the build listed
    // them beside it: one call for all of them would hold the dynamic loader's lock, which the main
    // thread's symbol lookups (the GL driver's among them) need too, for the whole load.
    void LoadDependencies() {
        std::ifstream list(path_ + ".deps");
        std::vector<std::string> paths;
        for (std::string line; std::getline(list, line);) {
            const size_t arrow = line.find("=> /");
            if (arrow == std::string::npos) continue;
            const size_t end = line.find(" (", arrow);
            paths.push_back(line.substr(arrow + 3, end == std::string::npos ? std::string::npos : end - arrow - 3));
        }
        for (auto it = paths.rbegin(); it != paths.rend(); ++it) {
            if (void* h = dlopen(it->c_str(), kOpenFlags)) dependencies_.push_back(h);
            // The lock is no queue: without a pause this thread takes it straight back.
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }

    void Close() {
        std::lock_guard lock(mutex_);
        CloseLocked();
    }

    void CloseLocked() {
        if (loader_.joinable()) loader_.join();
        if (handle_) dlclose(handle_);
        for (auto it = dependencies_.rbegin(); it != dependencies_.rend(); ++it) dlclose(*it);
        dependencies_.clear();
        handle_ = nullptr;
        create_ = nullptr;
        attempted_ = false;
    }

    std::mutex mutex_;
    std::thread loader_;
    std::string path_;  // empty: found at the first load
    void* handle_ = nullptr;
    std::vector<void*> dependencies_;  // loaded before the module, closed after it
    CreateMovieDecoderFn create_ = nullptr;
    bool attempted_ = false;
};

MovieModule& Module() {
    static MovieModule module;
    return module;
}

}  // namespace

void PrefetchMovieModule() { Module().Prefetch(); }

CreateMovieDecoderFn MovieDecoderFactory() { return Module().Factory(); }

void SetMovieModulePath(const std::string& path) { Module().SetPath(path); }

}  // namespace dshow
