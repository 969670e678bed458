// The eight vertex-shader files, assembled as the game assembles them and run on the CPU
// interpreter with the constants the renderers send.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "d3d8/shaderinterp.h"
#include "d3dx8/d3dx8.h"
#include "game/vsconsts.h"

namespace {

using d3d8::VsInputs;
using d3d8::VsOutputs;
using d3d8::VsVec4;

const char* const kFiles[] = {"objetos.vsh", "objetos2.vsh", "peces.vsh", "peces2.vsh",
                              "suelo1.vsh",  "suelo2.vsh",   "mar.vsh",   "mar2.vsh"};

bool IsFish(const std::string& file) { return file.rfind("peces", 0) == 0; }
bool IsSea(const std::string& file) { return file.rfind("mar", 0) == 0; }

// Assembles and decodes every file once for the whole suite.
const std::map<std::string, d3d8::VsProgram>& Programs() {
    static const std::map<std::string, d3d8::VsProgram> programs = [] {
        std::map<std::string, d3d8::VsProgram> m;
        for (const char* file : kFiles) {
            const std::string path = std::string(ABISALIA_SHADER_DIR) + "/" + file;
            LPD3DXBUFFER code = nullptr, errors = nullptr;
            const HRESULT hr = D3DXAssembleShaderFromFileA(path.c_str(), 0, nullptr, &code, &errors);
            std::string why = errors ? static_cast<const char*>(errors->GetBufferPointer()) : "";
            if (errors) errors->Release();
            if (FAILED(hr) || !code) {
                ADD_FAILURE() << file << " does not assemble: " << why;
                continue;
            }
            d3d8::VsProgram program;
            const bool ok = d3d8::DecodeVertexShader(static_cast<const DWORD*>(code->GetBufferPointer()),
                                                     code->GetBufferSize() / sizeof(DWORD), &program, &why);
            code->Release();
            if (!ok) {
                ADD_FAILURE() << file << " does not decode: " << why;
                continue;
            }
            m.emplace(file, std::move(program));
        }
        return m;
    }();
    return programs;
}

VsVec4 V4(float x, float y, float z, float w) { return {x, y, z, w}; }
VsVec4 V4(const D3DXVECTOR3& v, float w) { return {v.x, v.y, v.z, w}; }

void PutMatrix(VsInputs& in, DWORD reg, const D3DXMATRIX& m) {
    D3DXMATRIX t;
    D3DXMatrixTranspose(&t, &m);
    for (int r = 0; r < 4; ++r) in.c[reg + r] = {t.m[r][0], t.m[r][1], t.m[r][2], t.m[r][3]};
}

// What the renderers send under water, for a diver at `eye` looking along `look`.
struct Scene {
    D3DXVECTOR3 eye{200.0f, 20.0f, 300.0f};
    D3DXVECTOR3 look{0.6f, 0.0f, 0.8f};
    D3DXVECTOR3 colorA{0.3f, 0.5f, 0.6f};
    D3DXVECTOR3 colorB{0.1f, 0.2f, 0.3f};
    float fogStart = 50.0f, fogEnd = 300.0f;
    float time = 1.0f;
    bool lampOn = false;
    bool lampEverSet = true;
    bool causticsPass = false;
    D3DXVECTOR4 weights{1.0f, 0.0f, 0.0f, 0.0f};

    D3DXMATRIX View() const {
        const D3DXVECTOR3 at = eye + look, up{0.0f, 1.0f, 0.0f};
        D3DXMATRIX v;
        D3DXMatrixLookAtLH(&v, &eye, &at, &up);
        return v;
    }

    // Constants for an object at `pos`, turned by `yaw` (the sea's world matrix is sent alone).
    VsInputs Constants(const std::string& file, const D3DXVECTOR3& pos, float yaw = 0.0f) const {
        VsInputs in;
        D3DXMATRIX proj, rot, move, world;
        D3DXMatrixPerspectiveFovLH(&proj, 3.14159265f / 4.0f, 4.0f / 3.0f, 1.0f, 500.0f);
        D3DXMatrixRotationY(&rot, yaw);
        D3DXMatrixTranslation(&move, pos.x, pos.y, pos.z);
        world = rot * move;
        const D3DXMATRIX wv = world * View();
        in.c[VSC_CONST_0] = V4(0.0f, 0.5f, 1.0f, 2.0f);
        in.c[VSC_CONST_1] = V4(1.0f, 0.5f, 0.25f, IsSea(file) ? 5.0f : 30.0f);
        in.c[VSC_BLEND] = V4(weights.x, weights.y, weights.z, weights.w);
        PutMatrix(in, VSC_WVP, wv * proj);
        PutMatrix(in, VSC_WV, IsSea(file) ? world : wv);
        in.c[VSC_LIGHT_DIR] = IsSea(file) ? V4(0.0f, -0.9f, -0.4358899f, 0.0f) : V4(0.0f, -1.0f, 0.0f, 1.0f);
        in.c[VSC_UP] = V4(0.0f, 1.0f, 0.0f, 0.0f);
        in.c[VSC_COLOR_A] = V4(colorA, 1.0f);
        in.c[VSC_COLOR_B] = causticsPass ? V4(0, 0, 0, 0) : V4(colorB, 1.0f);
        in.c[VSC_FOG] = V4(0.5f, fogEnd, 1.0f / (fogEnd - fogStart), 0.0f);
        in.c[VSC_ANIM] = V4(0.05f, 0.05f, std::sin(time) / 8.0f, std::cos(time) / 10.0f);
        // Fourth components of 3-float vectors carry no meaning: make them loud.
        in.c[VSC_LOOK_DIR] = IsSea(file) ? V4(eye, 77.0f) : V4(look, 77.0f);
        in.c[VSC_HIGHLIGHT] = IsSea(file) ? V4(0.5f, 0.5f, 0.5f, 0.5f) : V4(0.8f, 0.8f, 1.0f, 1.0f);
        PutMatrix(in, VSC_PROJ, proj);
        if (!IsSea(file)) {
            in.c[VSC_DIVER_POS] = V4(eye, -55.0f);
            in.c[VSC_OBJECT_POS] = V4(pos, 99.0f);
        }
        if (lampEverSet) {
            in.c[VSC_LAMP] = lampOn ? V4(9.9f, 9.9f, 9.9f, 0.86f) : V4(0, 0, 0, 0);
            in.c[VSC_LAMP2] = V4(1.0f, 0.0f, 0.08f, 0.0f);
        }
        return in;
    }
};

struct Vertex {
    D3DXVECTOR3 pos;
    D3DXVECTOR3 normal{0.0f, 1.0f, 0.0f};
    float u = 0.25f, v = 0.75f;
};

// Loads pose k of a vertex the way both declarations do (FLOAT3 -> w 1, FLOAT2 -> (u, v, 0, 1)).
void PutVertex(VsInputs& in, int pose, const Vertex& vx) {
    in.v[0 + pose] = V4(vx.pos, 1.0f);
    in.v[3 + pose] = V4(vx.normal, 1.0f);
    in.v[6 + pose] = V4(vx.u, vx.v, 0.0f, 1.0f);
}

// Runs a file on one vertex; the three-stream files get the given key poses.
VsOutputs Shade(const std::string& file, VsInputs in, const Vertex& vx, const Vertex* poses = nullptr) {
    for (int pose = 0; pose < (IsFish(file) ? 3 : 1); ++pose) PutVertex(in, pose, poses ? poses[pose] : vx);
    const auto it = Programs().find(file);
    if (it == Programs().end()) {
        ADD_FAILURE() << file << " is not loaded";
        return {};
    }
    return d3d8::RunVertexShader(it->second, in);
}

bool SameBits(const VsVec4& a, const VsVec4& b) { return std::memcmp(a.data(), b.data(), sizeof a) == 0; }

TEST(GameShaders, EveryFileWritesPositionColourAndTexture) {
    const Scene scene;
    for (const char* file : kFiles) {
        SCOPED_TRACE(file);
        const VsOutputs out = Shade(file, scene.Constants(file, {220, 15, 330}), {{1, 2, 3}});
        const DWORD need = d3d8::kVsWrotePos | d3d8::kVsWroteD0 | d3d8::kVsWroteT0 | d3d8::kVsWroteFog;
        EXPECT_EQ(out.written & need, need);
    }
}

TEST(GameShaders, BothPassesOfAPairGiveBitIdenticalClipPositions) {
    const std::pair<const char*, const char*> pairs[] = {{"objetos.vsh", "objetos2.vsh"},
                                                         {"peces.vsh", "peces2.vsh"},
                                                         {"suelo1.vsh", "suelo2.vsh"},
                                                         {"mar.vsh", "mar2.vsh"}};
    const Vertex vertices[] = {{{0, 0, 0}}, {{1.5f, -2.25f, 7.125f}, {0, 0, -1}}, {{-19.9f, 3.3f, 0.01f}}};
    Scene base;
    base.weights = {0.3f, 0.5f, 0.2f, 0.0f};
    Scene caustics = base;
    caustics.causticsPass = true;
    caustics.time = 2.5f;
    for (const auto& [first, second] : pairs) {
        for (const Vertex& vx : vertices) {
            SCOPED_TRACE(std::string(first) + " / " + second);
            const D3DXVECTOR3 at{230.0f, 12.0f, 340.0f};
            const Vertex poses[3] = {vx, {vx.pos + D3DXVECTOR3(0.1f, -0.7f, 0.3f)}, {vx.pos * 1.3f}};
            const VsOutputs a = Shade(first, base.Constants(first, at, 0.7f), vx, poses);
            const VsOutputs b = Shade(second, caustics.Constants(second, at, 0.7f), vx, poses);
            EXPECT_TRUE(SameBits(a.pos, b.pos));
            EXPECT_GT(a.pos[3], 1.0f) << "the point lies ahead, past the near plane";
        }
    }
}

TEST(GameShaders, FogFallsLinearlyFromStartToEndOfTheViewDepth) {
    struct Row {
        float depth, fog;
    };
    const Row rows[] = {{2, 1}, {50, 1}, {175, 0.5f}, {300, 0}, {450, 0}};
    Scene scene;
    scene.weights = {0.2f, 0.2f, 0.6f, 0.0f};
    for (const char* file : kFiles) {
        if (IsSea(file)) continue;  // drawn only at the surface, where fog is off
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(file) + " at depth " + std::to_string(row.depth));
            const D3DXVECTOR3 obj{180.0f, 5.0f, 310.0f};
            const D3DXVECTOR3 p = scene.eye + scene.look * row.depth + D3DXVECTOR3(0.0f, 0.3f, 0.0f);
            const VsOutputs out = Shade(file, scene.Constants(file, obj), {p - obj});
            EXPECT_NEAR(out.fog, row.fog, 1e-5f);
            EXPECT_GE(out.fog, 0.0f);
            EXPECT_LE(out.fog, 1.0f);
        }
    }
}

// The caustic coordinates follow the world's x and z: 1 / 0.05 = 20 units per tile.
TEST(GameShaders, CausticCoordinatesMoveWithTimeAndTheObject) {
    struct Row {
        const char* file;
        D3DXVECTOR3 move;
        float du, dv;
    };
    const Row rows[] = {
        {"objetos2.vsh", {20, 0, 0}, 1, 0},      {"objetos2.vsh", {0, 0, 10}, 0, 0.5f},
        {"objetos2.vsh", {0, 30, 0}, 0, 0},      {"suelo2.vsh", {-40, 0, 20}, -2, 1},
        {"peces2.vsh", {4, 0, -2}, 0.2f, -0.1f}, {"mar2.vsh", {10, 0, 30}, 0.5f, 1.5f},
    };
    Scene scene;
    scene.causticsPass = true;
    scene.weights = {0.0f, 1.0f, 0.0f, 0.0f};
    const D3DXVECTOR3 obj{200.0f, 10.0f, 340.0f};
    const Vertex vx{{1.0f, 0.5f, -2.0f}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        const VsOutputs at = Shade(row.file, scene.Constants(row.file, obj), vx);
        EXPECT_NEAR(at.tex[0][0], (obj.x + 1.0f) * 0.05f + std::sin(scene.time) / 8.0f, 1e-4f);
        EXPECT_NEAR(at.tex[0][1], (obj.z - 2.0f) * 0.05f + std::cos(scene.time) / 10.0f, 1e-4f);

        const VsOutputs moved = Shade(row.file, scene.Constants(row.file, obj + row.move), vx);
        EXPECT_NEAR(moved.tex[0][0] - at.tex[0][0], row.du, 1e-4f);
        EXPECT_NEAR(moved.tex[0][1] - at.tex[0][1], row.dv, 1e-4f);

        Scene later = scene;
        later.time = scene.time + 1.5f;
        const VsOutputs drifted = Shade(row.file, later.Constants(row.file, obj), vx);
        EXPECT_NEAR(drifted.tex[0][0] - at.tex[0][0], (std::sin(later.time) - std::sin(scene.time)) / 8.0f, 1e-5f);
        EXPECT_NEAR(drifted.tex[0][1] - at.tex[0][1], (std::cos(later.time) - std::cos(scene.time)) / 10.0f, 1e-5f);
    }
}

TEST(GameShaders, BaseTextureCoordinatesAreTheVertexOwn) {
    const Scene scene;
    for (const char* file : {"objetos.vsh", "suelo1.vsh", "mar.vsh"}) {
        SCOPED_TRACE(file);
        const VsOutputs out = Shade(file, scene.Constants(file, {210, 10, 320}), {{0, 0, 0}, {0, 1, 0}, 3.5f, -0.25f});
        EXPECT_EQ(out.tex[0][0], 3.5f);
        EXPECT_EQ(out.tex[0][1], -0.25f);
    }
}

// A single weight of 1 reproduces that key pose exactly: its clip position is the one the
// objects shader gives for the pose alone, and its texture coordinates are the pose's own.
TEST(GameShaders, FishBlendWithOneFullWeightGivesThatPoseExactly) {
    const Vertex poses[3] = {{{1.0f, 2.0f, 3.0f}, {0, 1, 0}, 0.1f, 0.2f},
                             {{-4.0f, 0.5f, 6.0f}, {1, 0, 0}, 0.3f, 0.4f},
                             {{2.5f, -1.5f, -7.0f}, {0, 0, 1}, 0.5f, 0.6f}};
    const D3DXVECTOR3 obj{225.0f, 18.0f, 330.0f};
    for (int k = 0; k < 3; ++k) {
        Scene scene;
        scene.weights = {k == 0 ? 1.0f : 0.0f, k == 1 ? 1.0f : 0.0f, k == 2 ? 1.0f : 0.0f, 0.0f};
        const VsOutputs alone = Shade("objetos.vsh", scene.Constants("objetos.vsh", obj, 0.4f), poses[k]);
        for (const char* file : {"peces.vsh", "peces2.vsh"}) {
            SCOPED_TRACE(std::string(file) + " pose " + std::to_string(k));
            const VsOutputs out = Shade(file, scene.Constants(file, obj, 0.4f), poses[k], poses);
            EXPECT_TRUE(SameBits(out.pos, alone.pos));
            if (std::string(file) == "peces.vsh") {
                EXPECT_EQ(out.tex[0][0], poses[k].u);
                EXPECT_EQ(out.tex[0][1], poses[k].v);
                EXPECT_EQ(out.color[0], alone.color[0]) << "lit by that pose's normal";
            }
        }
    }
}

// The lamp sits at the diver's eye and shines along the look direction inside its cone.
TEST(GameShaders, LampLightsWhatLiesAheadInsideItsCone) {
    struct Row {
        const char* where;
        D3DXVECTOR3 offset;  // from the eye, in (look, up, side) terms
        bool lit;
    };
    const Row rows[] = {
        {"straight ahead", {6, 0, 0}, true},
        {"far ahead, dimmer but lit", {25, 0, 0}, true},
        {"behind", {-6, 0, 0}, false},
        {"ahead, outside the cone", {6, 0, 6}, false},
    };
    const D3DXVECTOR3 side{0.8f, 0.0f, -0.6f}, up{0, 1, 0};
    for (const char* file : {"objetos.vsh", "suelo1.vsh", "peces.vsh"}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(file) + ": " + row.where);
            Scene off, on;
            on.lampOn = true;
            const D3DXVECTOR3 p = off.eye + off.look * row.offset.x + up * row.offset.y + side * row.offset.z;
            D3DXVECTOR3 toEye = off.eye - p;
            D3DXVec3Normalize(&toEye, &toEye);
            const D3DXVECTOR3 obj{190.0f, 5.0f, 305.0f};
            const Vertex vx{p - obj, toEye};  // turned towards the diver
            const VsOutputs dark = Shade(file, off.Constants(file, obj), vx);
            const VsOutputs lit = Shade(file, on.Constants(file, obj), vx);
            for (int c = 0; c < 3; ++c) {
                if (row.lit)
                    EXPECT_GT(lit.color[0][c], dark.color[0][c] + 0.01f) << "component " << c;
                else
                    EXPECT_EQ(lit.color[0][c], dark.color[0][c]) << "component " << c;
            }
        }
    }
}

TEST(GameShaders, LampNeverSetAddsNothing) {
    Scene never, off;
    never.lampEverSet = false;
    const Vertex vx{{6.0f, 0.0f, 8.0f}, {-0.6f, 0.0f, -0.8f}};
    for (const char* file : {"objetos.vsh", "suelo1.vsh", "peces.vsh"}) {
        SCOPED_TRACE(file);
        const VsOutputs a = Shade(file, never.Constants(file, never.eye), vx);
        const VsOutputs b = Shade(file, off.Constants(file, off.eye), vx);
        EXPECT_EQ(a.color[0], b.color[0]);
    }
}

// The sun: ambient colour B everywhere plus colour A on faces turned to the light.
TEST(GameShaders, SunLightsUpwardFacesWithBothColours) {
    struct Row {
        D3DXVECTOR3 normal;
        float share;  // of colour A
    };
    const Row rows[] = {{{0, 1, 0}, 1.0f}, {{0, -1, 0}, 0.0f}, {{1, 0, 0}, 0.0f}, {{0.6f, 0.8f, 0}, 0.8f}};
    const Scene scene;
    for (const char* file : {"objetos.vsh", "suelo1.vsh", "peces.vsh"}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(file) + " share " + std::to_string(row.share));
            const VsOutputs out = Shade(file, scene.Constants(file, {100, 0, 100}), {{0, 0, 0}, row.normal});
            EXPECT_NEAR(out.color[0][0], scene.colorB.x + row.share * scene.colorA.x, 1e-5f);
            EXPECT_NEAR(out.color[0][1], scene.colorB.y + row.share * scene.colorA.y, 1e-5f);
            EXPECT_NEAR(out.color[0][2], scene.colorB.z + row.share * scene.colorA.z, 1e-5f);
        }
    }
}

TEST(GameShaders, DiffuseColoursStayBetweenZeroAndOne) {
    struct Row {
        const char* name;
        D3DXVECTOR3 a, b;
        bool lamp;
    };
    const Row rows[] = {
        {"bright level, lamp on", {1, 1, 1}, {1, 1, 1}, true},
        {"black level", {0, 0, 0}, {0, 0, 0}, false},
        {"out-of-range colours", {3, -2, 0.5f}, {-1, 2, 0.25f}, true},
    };
    const Vertex vertices[] = {{{1, 0, 2}, {-0.6f, 0, -0.8f}}, {{0, 0, 0}, {0, 1, 0}}, {{0, -3, 0}, {0, -1, 0}}};
    for (const Row& row : rows) {
        Scene scene;
        scene.colorA = row.a;
        scene.colorB = row.b;
        scene.lampOn = row.lamp;
        scene.weights = {0.5f, 0.25f, 0.25f, 0.0f};
        for (const char* file : kFiles) {
            for (const Vertex& vx : vertices) {
                SCOPED_TRACE(std::string(file) + ": " + row.name);
                // At the eye itself (the diver's own model) as well as a little ahead.
                for (const D3DXVECTOR3& obj : {scene.eye, scene.eye + scene.look * 3.0f}) {
                    const VsOutputs out = Shade(file, scene.Constants(file, obj), vx);
                    for (const VsVec4& colour : out.color)
                        for (float c : colour) {
                            EXPECT_GE(c, 0.0f);
                            EXPECT_LE(c, 1.0f);
                        }
                }
            }
        }
    }
}

// The surface plane (a 200-unit quad, its corners 100 out at its own height) seen from below: the
// base pass leaves it the water's fog colour, the caustics pass adds the full caustic light to it
// unfogged. Other vertices 100 out, off the quad's height, fog as usual.
TEST(GameShaders, TheSurfacePlaneIsTheWaterLitByTheCaustics) {
    struct Row {
        D3DXVECTOR3 offset;  // from the plane's centre above the eye
        bool plane;
    };
    const Row rows[] = {{{100, 0, 100}, true},   {{-100, 0, 100}, true}, {{100, 0, -100}, true},
                        {{-100, 0, -100}, true}, {{100, 2, 100}, false}, {{30, 0, 30}, false}};
    Scene base, caustics;
    caustics.causticsPass = true;
    const D3DXVECTOR3 centre{base.eye.x, 45.3f, base.eye.z};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.offset.x) + ", " + std::to_string(row.offset.y));
        const Vertex vx{row.offset, {0, 1, 0}, 0, 1};
        const VsOutputs a = Shade("objetos.vsh", base.Constants("objetos.vsh", centre), vx);
        const VsOutputs b = Shade("objetos2.vsh", caustics.Constants("objetos2.vsh", centre), vx);
        // The view depth of the vertex, and the fog that depth gives.
        const D3DXVECTOR3 p = centre + row.offset - base.eye;
        const float fDepth = D3DXVec3Dot(&p, &base.look);
        const float fFog = std::clamp((base.fogEnd - fDepth) / (base.fogEnd - base.fogStart), 0.0f, 1.0f);
        if (row.plane) {
            EXPECT_EQ(a.fog, 0.0f) << "all water colour";
            EXPECT_EQ(b.fog, 1.0f) << "the caustic light unfogged";
            for (int c = 0; c < 3; ++c) EXPECT_EQ(b.color[0][c], 1.0f) << "component " << c;
        } else {
            EXPECT_NEAR(a.fog, fFog, 1e-5f);
            EXPECT_NEAR(b.fog, fFog, 1e-5f);
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(b.color[0][c], caustics.colorA[c], 1e-5f) << "component " << c;
        }
    }
}

// The fish's lamp light takes its turn into account: a fish turned a quarter round ahead of the
// diver is lit on the flank that faces him, not on the flank whose unturned normal would.
TEST(GameShaders, LampLightsTheFlankOfATurnedFishThatFacesTheDiver) {
    Scene off, on;
    on.lampOn = true;
    const float fYaw = 3.14159265f / 2;
    const D3DXVECTOR3 p = off.eye + off.look * 5.0f, obj = p;
    D3DXVECTOR3 toEye = off.eye - p;
    D3DXVec3Normalize(&toEye, &toEye);
    D3DXMATRIX unturn;
    D3DXMatrixRotationY(&unturn, -fYaw);
    D3DXVECTOR3 facing, away;
    D3DXVec3TransformNormal(&facing, &toEye, &unturn);  // the model normal that the turn points at him
    away = toEye;                                       // the model normal that faces him unturned
    for (const auto& [normal, lit] : {std::pair{facing, true}, std::pair{away, false}}) {
        SCOPED_TRACE(lit ? "the flank turned towards him" : "the flank turned away");
        const Vertex vx{{0, 0, 0}, normal};
        const VsOutputs dark = Shade("peces.vsh", off.Constants("peces.vsh", obj, fYaw), vx);
        const VsOutputs bright = Shade("peces.vsh", on.Constants("peces.vsh", obj, fYaw), vx);
        for (int c = 0; c < 3; ++c) {
            if (lit)
                EXPECT_GT(bright.color[0][c], dark.color[0][c] + 0.05f) << "component " << c;
            else
                EXPECT_EQ(bright.color[0][c], dark.color[0][c]) << "component " << c;
        }
    }
}

// The sea's highlight peaks where the eye sees the sun mirrored in the water.
TEST(GameShaders, SeaHighlightPeaksAtTheSunsMirrorDirection) {
    Scene scene;
    const D3DXVECTOR3 sea{1000.0f, 45.0f, 2000.0f};  // the world matrix alone places the grid
    const D3DXVECTOR3 vertex{3.0f, 0.0f, -4.0f};
    const D3DXVECTOR3 world = sea + vertex;
    const D3DXVECTOR3 mirror{0.0f, 0.9f, -0.4358899f};  // the light's direction, reflected
    struct Row {
        const char* where;
        D3DXVECTOR3 eyeDir;
        float lowest, highest;  // of oD1 over c26
    };
    const Row rows[] = {
        {"in the mirror direction", mirror, 0.999f, 1.0f},
        {"towards the sun", {0.0f, 0.9f, 0.4358899f}, 0.0f, 0.7f},
        {"low across the water", {1.0f, 0.05f, 0.0f}, 0.0f, 0.3f},
    };
    for (const char* file : {"mar.vsh", "mar2.vsh"}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(file) + ": " + row.where);
            scene.eye = world + row.eyeDir * 30.0f;
            const VsOutputs out = Shade(file, scene.Constants(file, sea), {vertex});
            const float share = out.color[1][0] / 0.5f;
            EXPECT_GE(share, row.lowest);
            EXPECT_LE(share, row.highest);
        }
    }
}

}  // namespace
