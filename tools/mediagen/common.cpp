#include "common.h"

#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace mediagen {

void WriteFileBytes(const std::filesystem::path& path, const void* data, size_t size) {
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void WriteTextFile(const std::filesystem::path& path, std::string_view text) {
    WriteFileBytes(path, text.data(), text.size());
}

std::string Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string s(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(s.data(), s.size() + 1, fmt, args);
    va_end(args);
    return s;
}

}  // namespace mediagen
