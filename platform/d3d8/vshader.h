// Vertex shaders as the device keeps them: the parsed declaration and the checked tokens.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "d3d8/d3d8.h"

namespace d3d8 {

struct VertexElement {
    DWORD stream = 0;
    DWORD reg = 0;     // input register v0..v15
    DWORD type = 0;    // D3DVSDT_*
    DWORD offset = 0;  // bytes within the stream's vertex
};

struct VertexShader {
    DWORD handle = 0;
    std::vector<DWORD> declaration;  // up to and including the end token
    std::vector<DWORD> function;     // up to and including the end token; empty for a fixed-function declaration
    std::vector<VertexElement> elements;
    std::vector<std::pair<DWORD, std::array<float, 4>>> declConstants;  // constants the declaration loads
    std::array<UINT, 16> streamSize{};  // bytes the declaration reads per vertex per stream
    DWORD usedStreams = 0;              // bit per stream
};

UINT VertexTypeSize(DWORD type);  // 0 for an unknown type

// Parses declaration tokens into `out`. INVALIDCALL for unknown tokens, registers past v15,
// streams past 15, unknown data types, or no end token within a sane length.
HRESULT ParseDeclaration(const DWORD* tokens, VertexShader& out);

// Checks vs.1.0/1.1 function tokens: version, known opcodes, parameter tokens, register ranges,
// and an end token within a sane length. Copies them into `out`.
HRESULT CheckFunction(const DWORD* tokens, std::vector<DWORD>& out);

}  // namespace d3d8
