// The vertex shader's device path: CreateVertexShader with a declaration and a function (the
// declaration's parse and the vs.1.x function check), a draw with it on a record device, the
// interpreter, and the gl backend's GLSL translation, which is a pure function of the tokens and
// needs no GL context.
//
// Input: byte 0 holds flags: bit 0, the function is raw tokens (else assembly text); bit 1, a
// device with hardware vertex processing (else software); bit 2, the declaration comes from the
// input (else the game's: bit 3 picks three streams over one). With bit 2, byte 1 is the
// declaration's length in tokens and its tokens follow. The rest is the function.
//
// Token streams carry no length through the device's interface: they end at an end token, and a
// caller's buffer is expected to hold a whole stream. The input's tokens are therefore followed
// by end tokens as far as any reader may look, so that a stream cut short by the fuzzer stands
// for a well-formed buffer, not for a read past the caller's memory.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "d3d8/backend.h"
#include "d3d8/d3d8.h"
#include "d3d8/gl/glprograms.h"
#include "d3d8/shaderinterp.h"
#include "d3d8/shadertokens.h"
#include "d3d8/vshader.h"
#include "d3dx8/shader/vsassembler.h"
#include "fuzz.h"
#include "recorddevice.h"

namespace {

constexpr DWORD kOneStream[] = {0x20000000, 0x40020000, 0x40020003, 0x40010006, 0xFFFFFFFF};
constexpr DWORD kThreeStreams[] = {0x20000000, 0x40020000, 0x40020003, 0x40010006, 0x20000001, 0x40020001, 0x40020004,
                                   0x40010007, 0x20000002, 0x40020002, 0x40020005, 0x40010008, 0xFFFFFFFF};
// Past the longest stream either reader takes, plus what one token may claim after it.
constexpr std::size_t kDeclarationPadding = 1024 + 64;
constexpr std::size_t kFunctionPadding = 65536 + (1u << 15) + 8;

IDirect3DDevice8* Device(bool bHardware) {
    static IDirect3DDevice8* slots[2] = {};
    if (!slots[bHardware]) {
        slots[bHardware] = fuzz::CreateRecordDevice(bHardware ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                                                              : D3DCREATE_SOFTWARE_VERTEXPROCESSING);
        if (!slots[bHardware]) std::abort();
    }
    return slots[bHardware];
}

// The whole tokens of the bytes, then `padding` end tokens.
std::vector<DWORD> Terminated(const std::uint8_t* data, std::size_t size, std::size_t padding, DWORD dwEnd) {
    std::vector<DWORD> tokens(size / sizeof(DWORD) + padding, dwEnd);
    if (size >= sizeof(DWORD)) std::memcpy(tokens.data(), data, size / sizeof(DWORD) * sizeof(DWORD));
    return tokens;
}

std::vector<DWORD> Tokens(IDirect3DDevice8* pDevice, DWORD dwHandle, bool bFunction) {
    DWORD dwSize = 0;
    const auto get = [&](void* p) {
        return bFunction ? pDevice->GetVertexShaderFunction(dwHandle, p, &dwSize)
                         : pDevice->GetVertexShaderDeclaration(dwHandle, p, &dwSize);
    };
    if (FAILED(get(nullptr)) || dwSize % sizeof(DWORD) != 0) __builtin_trap();
    std::vector<DWORD> tokens(dwSize / sizeof(DWORD));
    if (dwSize && FAILED(get(tokens.data()))) __builtin_trap();
    return tokens;
}

// Every register the GLSL names by a constant index lies inside the array it indexes: a GLSL
// compiler refuses a constant index out of range, which would leave the draw without a program.
void CheckIndices(const std::string& glsl) {
    static const struct {
        const char* name;
        unsigned long limit;
    } kArrays[] = {{"r[", 12}, {"v[", 16}, {"c[", 96}, {"oT[", 8}, {"xT[", 8}, {"vT[", 4}};
    for (const auto& a : kArrays) {
        const std::size_t n = std::strlen(a.name);
        for (std::size_t at = glsl.find(a.name); at != std::string::npos; at = glsl.find(a.name, at + 1)) {
            if (at > 0 && (std::isalnum(static_cast<unsigned char>(glsl[at - 1])) || glsl[at - 1] == '_')) continue;
            if (at >= 5 && glsl.compare(at - 5, 5, "vec4 ") == 0) continue;  // the array's declaration
            if (!std::isdigit(static_cast<unsigned char>(glsl[at + n]))) continue;
            if (std::strtoul(glsl.c_str() + at + n, nullptr, 10) >= a.limit) __builtin_trap();
        }
    }
    long depth = 0;
    for (char ch : glsl) {
        depth += ch == '(' ? 1 : ch == ')' ? -1 : 0;
        if (depth < 0) __builtin_trap();
    }
    if (depth != 0) __builtin_trap();
}

// What the device kept, taken back through its interface, run and translated as the backends do.
void UseShader(IDirect3DDevice8* pDevice, DWORD dwHandle) {
    const std::vector<DWORD> declaration = Tokens(pDevice, dwHandle, false);
    const std::vector<DWORD> function = Tokens(pDevice, dwHandle, true);
    d3d8::VertexShader parsed;
    if (declaration.empty() || FAILED(d3d8::ParseDeclaration(declaration.data(), parsed))) __builtin_trap();
    DWORD dwInputs = 0;
    for (const d3d8::VertexElement& e : parsed.elements) dwInputs |= 1u << e.reg;

    if (!function.empty()) {
        d3d8::VsProgram program;
        if (!d3d8::DecodeVertexShader(function.data(), function.size(), &program)) __builtin_trap();
        d3d8::VsInputs inputs;
        for (DWORD i = 0; i < d3d8::kVsInputRegisters; ++i) inputs.v[i] = {0.5f * i, 1.0f, -2.0f, 1.0f};
        for (const auto& [reg, value] : parsed.declConstants) inputs.c[reg] = {value[0], value[1], value[2], value[3]};
        d3d8::RunVertexShader(program, inputs);
        CheckIndices(d3d8::gl::TranslateVertexShader(program, dwInputs, d3d8::gl::VsOutputMode::Rasterize));
        CheckIndices(d3d8::gl::TranslateVertexShader(program, dwInputs, d3d8::gl::VsOutputMode::Capture));
    }

    // One triangle from buffers of the declaration's vertex sizes.
    std::vector<IDirect3DVertexBuffer8*> buffers;
    if (FAILED(pDevice->SetVertexShader(dwHandle))) __builtin_trap();
    for (UINT s = 0; s < 16; ++s) {
        const UINT stride = parsed.streamSize[s];
        if (!(parsed.usedStreams & (1u << s)) || stride == 0) continue;
        IDirect3DVertexBuffer8* pVB = nullptr;
        if (FAILED(pDevice->CreateVertexBuffer(3 * stride, 0, 0, D3DPOOL_MANAGED, &pVB))) continue;
        pDevice->SetStreamSource(s, pVB, stride);
        buffers.push_back(pVB);
    }
    pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
    for (UINT s = 0; s < 16; ++s) pDevice->SetStreamSource(s, nullptr, 0);
    for (IDirect3DVertexBuffer8* pVB : buffers) pVB->Release();
    pDevice->SetVertexShader(D3DFVF_XYZ);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t flags = data[0];
    const bool bRawFunction = flags & 1, bHardware = flags & 2, bOwnDeclaration = flags & 4;
    std::size_t at = 1;
    std::vector<DWORD> declaration;
    if (bOwnDeclaration) {
        const std::size_t count = size > 1 ? data[1] : 0;
        const std::size_t bytes = std::min(4 * count, size - std::min<std::size_t>(size, 2));
        declaration = Terminated(data + std::min<std::size_t>(size, 2), bytes, kDeclarationPadding, 0xFFFFFFFFu);
        at = std::min(size, 2 + bytes);
    } else if (flags & 8) {
        declaration.assign(std::begin(kThreeStreams), std::end(kThreeStreams));
    } else {
        declaration.assign(std::begin(kOneStream), std::end(kOneStream));
    }

    std::vector<DWORD> function;
    if (bRawFunction) {
        function = Terminated(data + at, size - at, kFunctionPadding, 0x0000FFFFu);
    } else {
        const std::string_view text(reinterpret_cast<const char*>(data + at), size - at);
        const d3dx8::VsAssembly assembly = d3dx8::AssembleVertexShader(text, "fuzz");
        if (assembly.errors.empty()) {
            // What the assembler accepts, the device takes on software vertex processing.
            function = assembly.tokens;
            if (!bOwnDeclaration && !bHardware) {
                DWORD dwHandle = 0;
                if (FAILED(Device(false)->CreateVertexShader(declaration.data(), function.data(), &dwHandle, 0)))
                    __builtin_trap();
                Device(false)->DeleteVertexShader(dwHandle);
            }
        }
    }

    IDirect3DDevice8* pDevice = Device(bHardware);
    DWORD dwHandle = 0;
    if (SUCCEEDED(pDevice->CreateVertexShader(declaration.data(), function.empty() ? nullptr : function.data(),
                                              &dwHandle, 0))) {
        UseShader(pDevice, dwHandle);
        if (FAILED(pDevice->DeleteVertexShader(dwHandle))) __builtin_trap();
    }
    if (auto* log = d3d8::RecordLog(pDevice)) log->clear();
    return 0;
}
