// The D3DX entry points of the vertex-shader assembler.
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "d3dx8/d3dx8shader.h"
#include "d3dx8/shader/vsassembler.h"
#include "win32/fileio.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Shader files hold a few kilobytes of text (128 instructions at most); a larger file is
// refused unread.
constexpr std::size_t kMaxSourceBytes = std::size_t{1} << 20;

// The whole file, or nothing with the reason when it cannot be opened or read or is too large.
std::optional<std::string> ReadSourceFile(const char* name, std::string* why) {
    std::unique_ptr<std::FILE, FileCloser> file(win32::OpenFile(name, "rb"));
    *why = "cannot read the file";
    if (!file) return std::nullopt;
    std::string text;
    char chunk[4096];
    std::size_t got;
    // Reading one chunk past the limit tells a file too large from one that fits.
    while (text.size() <= kMaxSourceBytes && (got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
        text.append(chunk, got);
    if (std::ferror(file.get())) return std::nullopt;
    if (text.size() > kMaxSourceBytes) {
        *why = "the file is larger than " + std::to_string(kMaxSourceBytes >> 20) + " MB, more than a shader needs";
        return std::nullopt;
    }
    return text;
}

HRESULT MakeBuffer(const void* data, std::size_t size, LPD3DXBUFFER* out) {
    if (size > 0xFFFFFFFFu) return E_OUTOFMEMORY;
    HRESULT hr = D3DXCreateBuffer(static_cast<DWORD>(size), out);
    if (FAILED(hr)) return hr;
    if (size) std::memcpy((*out)->GetBufferPointer(), data, size);
    return S_OK;
}

// Errors travel as text with its terminating NUL.
void ReportErrors(const std::string& text, LPD3DXBUFFER* ppErrors) {
    if (ppErrors) MakeBuffer(text.c_str(), text.size() + 1, ppErrors);
}

HRESULT Assemble(std::string_view text, std::string_view name, LPD3DXBUFFER* ppConstants,
                 LPD3DXBUFFER* ppCompiledShader, LPD3DXBUFFER* ppErrors) {
    d3dx8::VsAssembly result = d3dx8::AssembleVertexShader(text, name);
    if (!result.errors.empty()) {
        ReportErrors(result.errors, ppErrors);
        return D3DXERR_INVALIDDATA;
    }
    LPD3DXBUFFER code = nullptr, constants = nullptr;
    HRESULT hr = MakeBuffer(result.tokens.data(), result.tokens.size() * sizeof(DWORD), &code);
    if (SUCCEEDED(hr) && ppConstants && !result.constants.empty())
        hr = MakeBuffer(result.constants.data(), result.constants.size() * sizeof(DWORD), &constants);
    if (FAILED(hr)) {
        if (code) code->Release();
        ReportErrors("out of memory\n", ppErrors);
        return hr;
    }
    *ppCompiledShader = code;
    if (ppConstants) *ppConstants = constants;
    return S_OK;
}

void ClearOutputs(LPD3DXBUFFER* ppConstants, LPD3DXBUFFER* ppCompiledShader, LPD3DXBUFFER* ppErrors) {
    if (ppConstants) *ppConstants = nullptr;
    if (ppCompiledShader) *ppCompiledShader = nullptr;
    if (ppErrors) *ppErrors = nullptr;
}

}  // namespace

HRESULT D3DXAssembleShader(LPCVOID pSrcData, UINT srcDataLen, DWORD /*flags*/, LPD3DXBUFFER* ppConstants,
                           LPD3DXBUFFER* ppCompiledShader, LPD3DXBUFFER* ppCompilationErrors) {
    ClearOutputs(ppConstants, ppCompiledShader, ppCompilationErrors);
    if (!ppCompiledShader || (!pSrcData && srcDataLen > 0)) return D3DERR_INVALIDCALL;
    std::string_view text(static_cast<const char*>(pSrcData), pSrcData ? srcDataLen : 0);
    // Text handed over with its terminating NUL ends there.
    if (std::size_t nul = text.find('\0'); nul != text.npos) text = text.substr(0, nul);
    return Assemble(text, "memory", ppConstants, ppCompiledShader, ppCompilationErrors);
}

HRESULT D3DXAssembleShaderFromFileA(LPCSTR pSrcFile, DWORD /*flags*/, LPD3DXBUFFER* ppConstants,
                                    LPD3DXBUFFER* ppCompiledShader, LPD3DXBUFFER* ppCompilationErrors) {
    ClearOutputs(ppConstants, ppCompiledShader, ppCompilationErrors);
    if (!pSrcFile || !ppCompiledShader) return D3DERR_INVALIDCALL;
    std::string why;
    std::optional<std::string> text = ReadSourceFile(pSrcFile, &why);
    if (!text) {
        ReportErrors(std::string(pSrcFile) + ": error: " + why + "\n", ppCompilationErrors);
        return E_FAIL;
    }
    return Assemble(*text, pSrcFile, ppConstants, ppCompiledShader, ppCompilationErrors);
}
