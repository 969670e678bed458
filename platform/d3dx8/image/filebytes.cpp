#include "d3dx8/image/filebytes.h"

#include <memory>

#include "win32/fileio.h"

namespace d3dx {

std::FILE* OpenLoaderFile(const char* fileName) { return fileName ? win32::OpenFile(fileName, "rb") : nullptr; }

HRESULT ReadWholeFile(const char* fileName, std::vector<BYTE>* bytes) {
    bytes->clear();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenLoaderFile(fileName), &std::fclose);
    if (!file) return E_FAIL;
    return ReadWholeFile(file.get(), bytes);
}

HRESULT ReadWholeFile(std::FILE* file, std::vector<BYTE>* bytes) {
    bytes->clear();
    if (!file) return E_FAIL;
    if (std::fseek(file, 0, SEEK_END) != 0) return E_FAIL;
    const long length = std::ftell(file);
    if (length < 0) return E_FAIL;
    if (length > (1L << 30)) return E_OUTOFMEMORY;
    if (std::fseek(file, 0, SEEK_SET) != 0) return E_FAIL;
    bytes->resize(static_cast<std::size_t>(length));
    if (length > 0 && std::fread(bytes->data(), 1, bytes->size(), file) != bytes->size()) {
        bytes->clear();
        return E_FAIL;
    }
    return S_OK;
}

}  // namespace d3dx
