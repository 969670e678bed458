// The registry store's file. The input is the store: its values are read through the registry
// calls and the framework's readers, each is written back, and what was read must read the same
// after the writes; the text must also parse, write and parse again to the same store.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "framework/sysutil.h"
#include "fuzz.h"
#include "win32/registry.h"
#include "win32/registrystore.h"

namespace {

namespace reg = win32::registry;

const std::filesystem::path& StorePath() {
    static const std::filesystem::path path = [] {
        fuzz::QuietTraces();
        const auto folder = fuzz::ScratchFolder("registry");
        auto p = folder / "registry";
        ::setenv("ABISALIA_REGISTRY", p.c_str(), 1);
        return p;
    }();
    return path;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The root and the rest of a key path the calls can name, or no root.
HKEY SplitRoot(const std::string& path, std::string* sub) {
    static const struct {
        const char* name;
        HKEY key;
    } roots[] = {{"HKEY_CLASSES_ROOT\\", HKEY_CLASSES_ROOT},
                 {"HKEY_CURRENT_USER\\", HKEY_CURRENT_USER},
                 {"HKEY_LOCAL_MACHINE\\", HKEY_LOCAL_MACHINE}};
    for (const auto& root : roots) {
        const std::size_t n = std::strlen(root.name);
        if (path.size() > n && ::strncasecmp(path.c_str(), root.name, n) == 0) {
            *sub = path.substr(n);
            // The calls drop trailing backslashes and stop at a zero.
            if (sub->back() == '\\' || sub->find('\0') != std::string::npos) return nullptr;
            return root.key;
        }
    }
    return nullptr;
}

// The value as the calls report it: its size first, then its bytes into a buffer of that size.
bool Query(HKEY key, const std::string& name, reg::Value* value) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    value->type = type;
    value->data.assign(size, 0);
    DWORD got = size;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, value->data.data(), &got) != ERROR_SUCCESS) return false;
    if (got != size) std::abort();
    // A buffer one byte short must be refused with the size needed, and nothing written.
    if (size > 0) {
        std::vector<BYTE> small(size);
        DWORD smallSize = size - 1;
        if (RegQueryValueExA(key, name.c_str(), nullptr, &type, small.data(), &smallSize) != ERROR_MORE_DATA ||
            smallSize != size)
            std::abort();
    }
    return true;
}

// The framework's readers on a value of any type: they must stay inside their buffers.
void ReadThroughFramework(HKEY key, const std::string& name) {
    char text[16];
    sysReadRegString(key, name.c_str(), text, sizeof text, "default");
    if (std::memchr(text, 0, sizeof text) == nullptr) std::abort();
    DWORD dw;
    sysReadRegInt(key, name.c_str(), &dw, 7);
    BOOL b;
    sysReadRegBool(key, name.c_str(), &b, FALSE);
    GUID guid;
    sysReadRegGuid(key, name.c_str(), &guid, GUID{});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path& store = StorePath();
    const std::string input(reinterpret_cast<const char*>(data), size);

    // The text form alone: parse, write, parse again.
    const reg::KeyMap keys = reg::ParseStore(input);
    const std::string text = reg::FormatStore(keys);
    const reg::KeyMap again = reg::ParseStore(text);
    if (again != keys || reg::FormatStore(again) != text) std::abort();

    // Through the calls: every reachable value reads as parsed, and is written back.
    std::ofstream(store, std::ios::binary | std::ios::trunc) << input;
    reg::KeyMap expected = keys;
    for (const auto& [path, values] : keys) {
        std::string sub;
        const HKEY root = SplitRoot(path, &sub);
        if (!root) continue;
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, sub.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) std::abort();
        for (const auto& [name, value] : values) {
            if (name.find('\0') != std::string::npos) continue;
            reg::Value read;
            if (!Query(key, name, &read) || read != value) std::abort();
            ReadThroughFramework(key, name);
            if (RegSetValueExA(key, name.c_str(), 0, read.type, read.data.data(), DWORD(read.data.size())) !=
                ERROR_SUCCESS)
                std::abort();
        }
        RegCloseKey(key);
    }
    // One write that always happens, so that the store is rewritten at least once.
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Fuzz", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        std::abort();
    const DWORD marker = 0x2A;
    if (RegSetValueExA(key, "marker", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&marker), 4) != ERROR_SUCCESS)
        std::abort();
    RegCloseKey(key);
    expected["HKEY_CURRENT_USER\\Software\\Fuzz"]["marker"] = reg::Value{REG_DWORD, {0x2A, 0, 0, 0}};
    if (reg::ParseStore(ReadFile(store)) != expected) std::abort();

    // The one value the game reads: the shared media folder.
    if (std::strlen(sysGetMediaDir()) >= MAX_PATH) std::abort();
    return 0;
}
