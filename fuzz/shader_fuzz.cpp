// Vertex-shader text: the assembler, then the decoder and the interpreter on what it accepts.
#include <cstring>
#include <string_view>
#include <vector>

#include "d3d8/shaderinterp.h"
#include "d3dx8/shader/vsassembler.h"
#include "fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const d3dx8::VsAssembly assembly = d3dx8::AssembleVertexShader(text, "fuzz");
    if (!assembly.errors.empty()) return 0;
    d3d8::VsProgram program;
    if (!d3d8::DecodeVertexShader(assembly.tokens.data(), assembly.tokens.size(), &program)) __builtin_trap();
    d3d8::RunVertexShader(program, d3d8::VsInputs{});
    // The raw bytes as tokens, as CreateVertexShader would meet them.
    std::vector<DWORD> tokens(size / sizeof(DWORD));
    if (!tokens.empty()) std::memcpy(tokens.data(), data, tokens.size() * sizeof(DWORD));
    if (d3d8::DecodeVertexShader(tokens.data(), tokens.size(), &program))
        d3d8::RunVertexShader(program, d3d8::VsInputs{});
    return 0;
}
