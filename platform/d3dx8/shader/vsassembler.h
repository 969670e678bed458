// vs.1.0 / vs.1.1 assembly text into Direct3D 8 vertex-shader tokens.
//
// Syntax: a version line ("vs.1.0" or "vs.1.1"), then one statement a line: an instruction or
// macro with its destination and sources, or "def cN, x, y, z, w". Comments run from ';' or "//"
// to the end of the line. Names are case-insensitive. Registers: r0-r11, v0-v15, c0-c95,
// c[a0.x], c[a0.x + n], a0.x, oPos, oD0, oD1, oT0-oT7, oFog, oPts. Destinations take a write
// mask (.xyzw, in order), sources a leading '-' and a swizzle of one to four components, the
// last repeated. The rules of vs.1.x hold: one constant register read per instruction, at most
// 128 instruction slots (macros counting as what they expand to), no a0 in vs.1.0.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "win32/wintypes.h"

namespace d3dx8 {

struct VsAssembly {
    std::vector<DWORD> tokens;     // version ... end, ready for CreateVertexShader
    std::vector<DWORD> constants;  // def registers as vertex-declaration constant tokens
    std::string errors;            // one line per fault (the first 32, then their count); empty on success
};

// sourceName prefixes the messages. Succeeds when errors is empty.
VsAssembly AssembleVertexShader(std::string_view text, std::string_view sourceName);

}  // namespace d3dx8
