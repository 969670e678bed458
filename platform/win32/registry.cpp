#include "win32/registry.h"

#include <strings.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Value {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const { return ::strcasecmp(a.c_str(), b.c_str()) < 0; }
};

using ValueMap = std::map<std::string, Value, NoCaseLess>;
using KeyMap = std::map<std::string, ValueMap, NoCaseLess>;

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

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Lines: [key path], then "name"=sz:text | dword:hex8 | hex(type):bytes,... ; anything else is ignored.
KeyMap Load() {
    KeyMap keys;
    std::ifstream in(StorePath());
    std::string line;
    ValueMap* current = nullptr;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            current = &keys[line.substr(1, line.size() - 2)];
            continue;
        }
        if (!current || line.size() < 4 || line[0] != '"') continue;
        const auto close = line.find("\"=", 1);
        if (close == std::string::npos) continue;
        const std::string name = line.substr(1, close - 1);
        const std::string rest = line.substr(close + 2);
        Value v;
        if (rest.rfind("sz:", 0) == 0) {
            v.type = REG_SZ;
            v.data.assign(rest.begin() + 3, rest.end());
            v.data.push_back(0);
        } else if (rest.rfind("dword:", 0) == 0) {
            v.type = REG_DWORD;
            const DWORD d = static_cast<DWORD>(std::strtoul(rest.c_str() + 6, nullptr, 16));
            v.data = {BYTE(d), BYTE(d >> 8), BYTE(d >> 16), BYTE(d >> 24)};
        } else if (rest.rfind("hex(", 0) == 0) {
            const auto colon = rest.find("):");
            if (colon == std::string::npos) continue;
            v.type = static_cast<DWORD>(std::strtoul(rest.c_str() + 4, nullptr, 16));
            for (std::size_t i = colon + 2; i + 1 < rest.size() + 1; i += 3) {
                const int hi = HexDigit(rest[i]);
                const int lo = i + 1 < rest.size() ? HexDigit(rest[i + 1]) : -1;
                if (hi < 0 || lo < 0) break;
                v.data.push_back(static_cast<BYTE>(hi * 16 + lo));
            }
        } else {
            continue;
        }
        (*current)[name] = std::move(v);
    }
    return keys;
}

bool IsPlainText(const Value& v) {
    if (v.type != REG_SZ || v.data.empty() || v.data.back() != 0) return false;
    for (std::size_t i = 0; i + 1 < v.data.size(); ++i)
        if (v.data[i] == 0 || v.data[i] == '\n' || v.data[i] == '\r') return false;
    return true;
}

bool Save(const KeyMap& keys) {
    const std::string path = StorePath();
    if (path.empty()) return false;
    // Make the folder the file lives in (one level is all the default places need beyond ~/.config).
    const auto slash = path.rfind('/');
    if (slash != std::string::npos) {
        const std::string dir = path.substr(0, slash);
        const auto parent = dir.rfind('/');
        if (parent != std::string::npos) ::mkdir(dir.substr(0, parent).c_str(), 0755);
        ::mkdir(dir.c_str(), 0755);
    }
    std::ostringstream out;
    for (const auto& [key, values] : keys) {
        out << '[' << key << "]\n";
        for (const auto& [name, v] : values) {
            out << '"' << name << "\"=";
            if (IsPlainText(v)) {
                out << "sz:" << std::string(v.data.begin(), v.data.end() - 1);
            } else if (v.type == REG_DWORD && v.data.size() == 4) {
                char buf[16];
                std::snprintf(buf, sizeof buf, "dword:%08x",
                              unsigned(v.data[0] | v.data[1] << 8 | v.data[2] << 16 | unsigned(v.data[3]) << 24));
                out << buf;
            } else {
                char buf[8];
                std::snprintf(buf, sizeof buf, "hex(%x):", unsigned(v.type));
                out << buf;
                for (std::size_t i = 0; i < v.data.size(); ++i) {
                    std::snprintf(buf, sizeof buf, "%s%02x", i ? "," : "", unsigned(v.data[i]));
                    out << buf;
                }
            }
            out << '\n';
        }
    }
    std::ofstream file(path, std::ios::trunc);
    file << out.str();
    return static_cast<bool>(file);
}

LONG Open(HKEY key, LPCSTR subKey, DWORD access, HKEY* result, bool create) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    const std::string path = KeyPath(key, subKey);
    if (path.empty()) return ERROR_INVALID_HANDLE;
    std::lock_guard lock(g_mutex);
    KeyMap keys = Load();
    if (!keys.count(path)) {
        if (!create) return ERROR_FILE_NOT_FOUND;
        keys[path];
        if (!Save(keys)) return ERROR_ACCESS_DENIED;
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
    const KeyMap keys = Load();
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
    std::lock_guard lock(g_mutex);
    KeyMap keys = Load();
    Value v;
    v.type = type;
    if (data) v.data.assign(data, data + dataSize);
    keys[open->path][valueName ? valueName : ""] = std::move(v);
    return Save(keys) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LONG RegCloseKey(HKEY key) {
    if (!key) return ERROR_INVALID_HANDLE;
    if (RootName(key)) return ERROR_SUCCESS;
    delete reinterpret_cast<OpenKey*>(key);
    return ERROR_SUCCESS;
}
