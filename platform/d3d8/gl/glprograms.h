// GLSL for the gl backend: vertex shaders translated from shader tokens, the fixed-function
// vertex stage generated from the FVF and lighting state, and the pixel stage generated from the
// texture-stage, alpha-test, fog and specular state.
#pragma once

#include <string>
#include <vector>

#include "d3d8/shaderinterp.h"
#include "d3d8/state.h"

namespace d3d8::gl {

// Attribute locations of the fixed-function stage.
enum FixedAttrib { kAttrPosition = 0, kAttrNormal = 1, kAttrDiffuse = 2, kAttrSpecular = 3, kAttrTex0 = 4 };
constexpr int kTexSets = 4;  // texture coordinate sets passed to the pixel stage

// Where a translated vertex stage sends its outputs: to the pixel stage, or (for checking the
// translation) unchanged to transform feedback, in the order of kCapturedOutputs: oPos, oD0,
// oD1 (clamped, as the rasteriser sees them), oT0..oT7, oFog, oPts, 46 floats in all.
enum class VsOutputMode { Rasterize, Capture };
inline constexpr const char* kCapturedOutputs[] = {"xPos",  "xD0",   "xD1",   "xT[0]", "xT[1]", "xT[2]", "xT[3]",
                                                   "xT[4]", "xT[5]", "xT[6]", "xT[7]", "xFog",  "xPts"};
constexpr int kCapturedFloats = 46;

// The vertex stage of a token shader. Input register n is attribute location n.
std::string TranslateVertexShader(const VsProgram& program, DWORD declaredInputs,
                                  VsOutputMode mode = VsOutputMode::Rasterize);

struct FixedKey {
    DWORD fvf = 0;
    bool lighting = false;
    bool specular = false;
    bool localViewer = false;
    bool normalize = false;
    bool colorVertex = false;
    DWORD diffuseSource = 0, ambientSource = 0, specularSource = 0, emissiveSource = 0;
    DWORD fogMode = 0;  // vertex fog computed here (D3DFOG_*), 0 for none
    bool rangeFog = false;
    DWORD lightTypes[8] = {};  // 0 for an unused slot
    int lightCount = 0;
    bool operator<(const FixedKey& o) const;
};
FixedKey MakeFixedKey(const DeviceState& s);
std::string FixedVertexShader(const FixedKey& key);

struct PixelKey {
    DWORD colorOp[2] = {}, colorArg1[2] = {}, colorArg2[2] = {};
    DWORD alphaOp[2] = {}, alphaArg1[2] = {}, alphaArg2[2] = {};
    DWORD texSet[2] = {};
    DWORD alphaFunc = 8;  // D3DCMP_*; ALWAYS when the test is off
    bool fog = false;
    bool specular = false;
    bool operator<(const PixelKey& o) const;
};
PixelKey MakePixelKey(const DeviceState& s);
std::string PixelShader(const PixelKey& key);

}  // namespace d3d8::gl
