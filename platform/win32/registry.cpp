#include "win32/registry.h"

#include <sys/stat.h>

#include <cstdlib>
#include <mutex>
#include <string>

#include "win32/registryfile.h"
#include "win32/registrystore.h"

namespace {

using win32::registry::KeyMap;
using win32::registry::Value;

// An open key: its full path ("HKEY_LOCAL_MACHINE\Software\...") and the access it was opened with.
struct OpenKey {
    std::string path;
    DWORD access;
};

std::mutex g_mutex;

std::string StorePath() {
    if (const char* p = std::getenv("ABISALIA_REGISTRY")) return p;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return std::string(x) + "/abisalia/registry";
    if (const char* h = std::getenv("HOME"); h && *h) return std::string(h) + "/.config/abisalia/registry";
    return {};
}

const char* RootName(HKEY key) {
    if (key == HKEY_CLASSES_ROOT) return "HKEY_CLASSES_ROOT";
    if (key == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
    if (key == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
    return nullptr;
}

// Full path of `key` + `subKey`, or empty when `key` is not a root or an open key.
std::string KeyPath(HKEY key, LPCSTR subKey) {
    std::string base;
    if (const char* root = RootName(key)) {
        base = root;
    } else if (key) {
        base = reinterpret_cast<OpenKey*>(key)->path;
    } else {
        return {};
    }
    if (subKey && *subKey) {
        std::string sub(subKey);
        while (!sub.empty() && sub.back() == '\\') sub.pop_back();
        if (!sub.empty()) base += "\\" + sub;
    }
    return base;
}

// The store as the file holds it. `readable` is false when a file is there that cannot be read
// whole (not a regular file, no permission, a read cut short): it reads as empty, and writes are
// refused so that they do not replace it.
struct Store {
    KeyMap keys;
    bool readable = true;
};

Store Load(const std::string& path) {
    Store store;
    const win32::registry::StoreText file = win32::registry::ReadStoreFile(path);
    store.readable = file.state != win32::registry::FileState::Unreadable;
    if (file.state == win32::registry::FileState::Read) store.keys = win32::registry::ParseStore(file.text);
    return store;
}

// Makes the folder the file lives in (one level is all the default places need beyond ~/.config).
void MakeFolder(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return;
    const std::string dir = path.substr(0, slash);
    const auto parent = dir.rfind('/');
    if (parent != std::string::npos) ::mkdir(dir.substr(0, parent).c_str(), 0755);
    ::mkdir(dir.c_str(), 0755);
}

// One change of the store: read, changed by `change` and written back, under the writers' lock
// (also against other processes). `change` returns false when there is nothing to write.
template <class Change> bool Modify(Change change) {
    const std::string path = StorePath();
    if (path.empty()) return false;
    MakeFolder(path);
    const win32::registry::StoreLock lock(path);
    if (!lock.Held()) return false;
    Store store = Load(path);
    if (!store.readable) return false;
    if (!change(store.keys)) return true;
    return win32::registry::ReplaceStoreFile(path, win32::registry::FormatStore(store.keys));
}

LONG Open(HKEY key, LPCSTR subKey, DWORD access, HKEY* result, bool create) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    const std::string path = KeyPath(key, subKey);
    if (path.empty()) return ERROR_INVALID_HANDLE;
    std::lock_guard lock(g_mutex);
    if (!Load(StorePath()).keys.count(path)) {
        if (!create) return ERROR_FILE_NOT_FOUND;
        const bool made = Modify([&](KeyMap& keys) {
            if (keys.count(path)) return false;
            keys[path];
            return true;
        });
        if (!made) return ERROR_ACCESS_DENIED;
    }
    *result = reinterpret_cast<HKEY>(new OpenKey{path, access});
    return ERROR_SUCCESS;
}

const OpenKey* AsOpenKey(HKEY key) {
    if (!key || RootName(key)) return nullptr;
    return reinterpret_cast<const OpenKey*>(key);
}

}  // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, DWORD access, HKEY* result) {
    return Open(key, subKey, access, result, false);
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, DWORD access, void*, HKEY* result,
                     DWORD* disposition) {
    const LONG r = Open(key, subKey, access, result, true);
    if (disposition) *disposition = 2;  // REG_OPENED_EXISTING_KEY; callers only test the result
    return r;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, DWORD*, DWORD* type, BYTE* data, DWORD* dataSize) {
    const OpenKey* open = AsOpenKey(key);
    if (!open) return ERROR_INVALID_HANDLE;
    if (data && !dataSize) return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(g_mutex);
    const KeyMap keys = Load(StorePath()).keys;
    const auto k = keys.find(open->path);
    if (k == keys.end()) return ERROR_FILE_NOT_FOUND;
    const auto v = k->second.find(valueName ? valueName : "");
    if (v == k->second.end()) return ERROR_FILE_NOT_FOUND;
    if (type) *type = v->second.type;
    const DWORD size = static_cast<DWORD>(v->second.data.size());
    if (data && *dataSize < size) {
        *dataSize = size;
        return ERROR_MORE_DATA;
    }
    if (data) std::copy(v->second.data.begin(), v->second.data.end(), data);
    if (dataSize) *dataSize = size;
    return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize) {
    const OpenKey* open = AsOpenKey(key);
    if (!open) return ERROR_INVALID_HANDLE;
    if (!(open->access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    if (!data && dataSize) return ERROR_INVALID_PARAMETER;
    if (dataSize > win32::registry::kMaxValueBytes) return ERROR_INVALID_PARAMETER;
    Value v;
    v.type = type;
    if (data) v.data.assign(data, data + dataSize);
    std::lock_guard lock(g_mutex);
    const bool written = Modify([&](KeyMap& keys) {
        keys[open->path][valueName ? valueName : ""] = std::move(v);
        return true;
    });
    return written ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LONG RegCloseKey(HKEY key) {
    if (!key) return ERROR_INVALID_HANDLE;
    if (RootName(key)) return ERROR_SUCCESS;
    delete reinterpret_cast<OpenKey*>(key);
    return ERROR_SUCCESS;
}
