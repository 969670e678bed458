// The registry store's text form. One line per key, "[path]", followed by its values, one line
// each: "name"=sz:text (a plain terminated string), "name"=dword:hex (four bytes), or
// "name"=hex(type):bytes,... for every other type and for data that is not plain text. Names and
// paths escape '%', '"' and control characters as %XX, so that any name fits on its line.
// Lines that do not parse are ignored.
#pragma once

#include <string>
#include <string_view>
#include <map>
#include <vector>

#include "win32/wintypes.h"

namespace win32::registry {

// The largest value the store keeps: a bigger one is refused when set and ignored when read, so
// every size fits a DWORD and whatever is written reads back.
inline constexpr std::size_t kMaxValueBytes = std::size_t{1} << 24;

struct Value {
    DWORD type = 0;
    std::vector<BYTE> data;
    bool operator==(const Value&) const = default;
};

// Key paths and value names compare without regard to ASCII letter case, as on Windows.
struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

using ValueMap = std::map<std::string, Value, NoCaseLess>;
using KeyMap = std::map<std::string, ValueMap, NoCaseLess>;

KeyMap ParseStore(std::string_view text);
std::string FormatStore(const KeyMap& keys);

}  // namespace win32::registry
