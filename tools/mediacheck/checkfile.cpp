#include "tools/mediacheck/checkfile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "d3d8/backend.h"
#include "d3d8/shadertokens.h"
#include "d3dx8/d3dx8.h"
#include "d3dx8/mesh/meshload.h"

namespace mediacheck {
namespace {

// A record-backend device: the loaders need one, nothing is drawn.
class RecordDevice {
public:
    RecordDevice() {
        d3d8::SetBackendOverride(d3d8::BackendKind::Record);
        d3d_ = Direct3DCreate8(D3D_SDK_VERSION);
        if (!d3d_) return;
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = pp.BackBufferHeight = 64;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.hDeviceWindow = reinterpret_cast<HWND>(std::uintptr_t{0x1000});
        pp.Windowed = TRUE;
        d3d_->CreateDevice(0, D3DDEVTYPE_HAL, pp.hDeviceWindow, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev_);
    }
    ~RecordDevice() {
        if (dev_) dev_->Release();
        if (d3d_) d3d_->Release();
    }
    IDirect3DDevice8* Get() const { return dev_; }

private:
    IDirect3D8* d3d_ = nullptr;
    IDirect3DDevice8* dev_ = nullptr;
};

std::string Hex(long hr) {
    char s[16];
    std::snprintf(s, sizeof s, "0x%08lX", static_cast<unsigned long>(hr) & 0xFFFFFFFFul);
    return s;
}

const char* FormatName(D3DFORMAT f) {
    switch (f) {
        case D3DFMT_A8R8G8B8: return "A8R8G8B8";
        case D3DFMT_X8R8G8B8: return "X8R8G8B8";
        default: return "other";
    }
}

FileReport CheckMesh(IDirect3DDevice8* dev, const std::string& path) {
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    std::string error;
    const HRESULT hr = d3dx::LoadMeshFromX(path.c_str(), D3DXMESH_SYSTEMMEM, dev, &materials, &count, &mesh, &error);
    if (FAILED(hr)) return {false, "mesh does not load (" + Hex(hr) + "): " + (error.empty() ? "unreadable" : error)};
    std::string text = "mesh: " + std::to_string(mesh->GetNumVertices()) + " vertices, " +
                       std::to_string(mesh->GetNumFaces()) + " faces, " + std::to_string(count) + " materials";
    const auto* m = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    for (DWORD i = 0; i < count; ++i)
        if (m[i].pTextureFilename)
            text += std::string("\n  material ") + std::to_string(i) + " texture " + m[i].pTextureFilename;
    materials->Release();
    mesh->Release();
    return {true, text};
}

FileReport CheckImage(IDirect3DDevice8* dev, const std::string& path) {
    IDirect3DTexture8* texture = nullptr;
    D3DXIMAGE_INFO info{};
    const HRESULT hr =
        D3DXCreateTextureFromFileExA(dev, path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                     D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, &info, nullptr, &texture);
    if (FAILED(hr)) return {false, "image does not load (" + Hex(hr) + ")"};
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    const std::string text = "image: " + std::to_string(info.Width) + " x " + std::to_string(info.Height) + ", " +
                             FormatName(desc.Format) + ", " + std::to_string(texture->GetLevelCount()) + " levels";
    texture->Release();
    return {true, text};
}

FileReport CheckShader(const std::string& path) {
    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* errors = nullptr;
    const HRESULT hr = D3DXAssembleShaderFromFileA(path.c_str(), 0, nullptr, &code, &errors);
    if (FAILED(hr)) {
        std::string text = "shader does not assemble (" + Hex(hr) + ")";
        if (errors) {
            text += ": " + std::string(static_cast<const char*>(errors->GetBufferPointer()));
            errors->Release();
        }
        return {false, text};
    }
    if (errors) errors->Release();
    const auto* tokens = static_cast<const DWORD*>(code->GetBufferPointer());
    const DWORD n = code->GetBufferSize() / sizeof(DWORD);
    int instructions = 0;
    for (DWORD i = 1; i < n; ++i) {
        const DWORD t = tokens[i];
        if (t == 0x0000FFFF) break;
        if (d3d8::TokenOpcode(t) == D3DSIO_COMMENT) {
            i += d3d8::CommentLength(t);
        } else if (d3d8::TokenOpcode(t) == D3DSIO_DEF) {
            i += 5;
        } else if (!d3d8::IsParamToken(t)) {
            ++instructions;
        }
    }
    code->Release();
    return {true, "shader: " + std::to_string(instructions) + " instructions"};
}

}  // namespace

FileReport CheckMediaFile(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == ".vsh") return CheckShader(path);
    static RecordDevice device;
    if (!device.Get()) return {false, "no Direct3D device for the loaders"};
    if (ext == ".x") return CheckMesh(device.Get(), path);
    if (ext == ".bmp" || ext == ".tga" || ext == ".png" || ext == ".jpg" || ext == ".jpeg")
        return CheckImage(device.Get(), path);
    return {false, "no loader for files of type '" + ext + "'"};
}

}  // namespace mediacheck
