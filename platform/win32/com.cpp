#include "win32/com.h"

#include <atomic>

namespace {
std::atomic<int> g_comInits{0};
}

HRESULT CoInitialize(void*) {
    // S_FALSE, as the platform answers, when the thread was already initialised.
    return g_comInits.fetch_add(1) == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    int n = g_comInits.load();
    while (n > 0 && !g_comInits.compare_exchange_weak(n, n - 1)) {
    }
}

int win32::ComInitCount() { return g_comInits.load(); }
