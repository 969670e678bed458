// X files, text and binary: the component's parse, the mesh reader and the mesh build.
#include <string>
#include <vector>

#include "d3dx8/xfile/xmeshdata.h"
#include "fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<xfile::XMeshInFile> meshes;
    std::string error;
    xfile::ReadXMeshesFromMemory(data, static_cast<DWORD>(size), &meshes, &error);
    // The same bytes as templates to register.
    IDirectXFile* file = nullptr;
    if (SUCCEEDED(DirectXFileCreate(&file))) {
        file->RegisterTemplates(const_cast<std::uint8_t*>(data), static_cast<DWORD>(size));
        file->Release();
    }
    return 0;
}
