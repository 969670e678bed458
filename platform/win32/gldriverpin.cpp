#include "win32/gldriverpin.h"

#include <dlfcn.h>
#include <link.h>

#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace win32 {

namespace {

// Base names of the objects a GL context may pull in: Mesa's EGL/GLX vendors, its DRI and gallium
// drivers, LLVM, and the dispatch libraries.
bool IsDriverObject(const char* path) {
    const char* slash = std::strrchr(path, '/');
    const char* name = slash ? slash + 1 : path;
    static const char* const kPrefixes[] = {"libEGL", "libGL", "libglapi", "libgallium", "libLLVM"};
    for (const char* p : kPrefixes)
        if (std::strncmp(name, p, std::strlen(p)) == 0) return true;
    return std::strstr(name, "_dri.so") != nullptr;
}

int Collect(dl_phdr_info* info, size_t, void* data) {
    if (info->dlpi_name && *info->dlpi_name && IsDriverObject(info->dlpi_name))
        static_cast<std::vector<std::string>*>(data)->push_back(info->dlpi_name);
    return 0;
}

}  // namespace

int PinGlDriver() {
    // The loader's state is the process's; so is the record of what was pinned.
    static std::mutex lock;
    static std::set<std::string> pinned;
    std::lock_guard<std::mutex> guard(lock);
    std::vector<std::string> found;
    dl_iterate_phdr(Collect, &found);
    int count = 0;
    for (const std::string& path : found) {
        if (pinned.count(path)) continue;
        // NOLOAD only promotes an object that is already mapped; the handle is dropped on purpose:
        // NODELETE keeps the object whatever its reference count becomes.
        if (void* handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE)) {
            (void)handle;
            pinned.insert(path);
            ++count;
        }
    }
    return count;
}

}  // namespace win32
