// How a Direct3D object chooses its backend, and what tests may arrange and read.
//
// Game code never calls these. The backend is taken from SetBackendOverride when set, else from
// the environment (ABISALIA_D3D_BACKEND=record|gl), else gl.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "d3d8/d3d8.h"

namespace d3d8 {

enum class BackendKind { Gl, Record };

void SetBackendOverride(std::optional<BackendKind> kind);
BackendKind ChosenBackend();

// One adapter as the record backend reports it.
struct RecordAdapter {
    std::string description = "Record adapter";
    std::string driver = "abisalia-record";
    D3DDISPLAYMODE desktop = {1024, 768, 60, D3DFMT_X8R8G8B8};
    std::vector<D3DDISPLAYMODE> modes;  // as EnumAdapterModes lists them
    std::optional<D3DCAPS8> halCaps;    // unset: the built-in caps
    std::optional<D3DCAPS8> refCaps;
};

// The world a record-backend Direct3D object answers from. Every answer hook may be left empty, in
// which case the built-in rules answer (the same rules as the gl backend).
struct RecordScenario {
    std::vector<RecordAdapter> adapters = {DefaultAdapter()};
    bool failCreate = false;  // Direct3DCreate8 returns NULL

    std::function<HRESULT(UINT adapter, D3DDEVTYPE, D3DFORMAT display, D3DFORMAT backBuffer, BOOL windowed)>
        checkDeviceType;
    std::function<HRESULT(UINT adapter, D3DDEVTYPE, D3DFORMAT adapterFormat, DWORD usage, D3DRESOURCETYPE,
                          D3DFORMAT check)>
        checkDeviceFormat;
    std::function<HRESULT(UINT adapter, D3DDEVTYPE, D3DFORMAT adapterFormat, D3DFORMAT target, D3DFORMAT depth)>
        checkDepthStencilMatch;
    std::function<HRESULT(UINT adapter, D3DDEVTYPE, D3DFORMAT, BOOL windowed, D3DMULTISAMPLE_TYPE)> checkMultiSample;

    // Failure injection: asked before the named call does anything; a failing code is returned
    // as the call's result. Names: "CreateDevice", "Reset", "TestCooperativeLevel", "CreateTexture",
    // "CreateVertexBuffer", "CreateIndexBuffer", "CreateImageSurface", "CreateVertexShader".
    std::function<HRESULT(const char* call)> inject;

    static RecordAdapter DefaultAdapter();
};

// The scenario the next record-backend Direct3DCreate8 takes (a copy is kept per object).
void SetRecordScenario(std::shared_ptr<const RecordScenario> scenario);

// What a draw saw, copied at the call.
struct StreamCopy {
    const void* buffer = nullptr;  // the IDirect3DVertexBuffer8 bound, nullptr for an UP draw
    UINT stride = 0;
    UINT firstVertex = 0;    // vertex index of data[0] within the buffer
    std::vector<BYTE> data;  // the vertices the draw may read
};

struct DrawRecord {
    D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST;
    bool indexed = false;
    UINT startVertex = 0;  // DrawPrimitive: first vertex; indexed: minIndex
    UINT vertexCount = 0;  // vertices the draw spans
    UINT startIndex = 0;
    UINT primitiveCount = 0;
    UINT baseVertexIndex = 0;
    DWORD vertexShader = 0;                       // handle or FVF
    std::vector<DWORD> renderStates;              // indexed by D3DRENDERSTATETYPE (256)
    std::vector<std::vector<DWORD>> stageStates;  // [stage 0..7][D3DTEXTURESTAGESTATETYPE 0..31]
    const void* textures[8] = {};                 // IDirect3DBaseTexture8 bound per stage
    float constants[96][4] = {};
    D3DMATRIX world{}, view{}, projection{};
    D3DMATERIAL8 material{};
    std::vector<StreamCopy> streams;  // streams 0..15 (only those bound)
    std::vector<WORD> indices;        // the indices drawn (16-bit)
    DWORD RenderState(D3DRENDERSTATETYPE s) const { return renderStates[s]; }
    DWORD StageState(DWORD stage, D3DTEXTURESTAGESTATETYPE s) const { return stageStates[stage][s]; }
};

struct Call {
    std::string method;                      // the interface method's name
    std::vector<DWORD> args;                 // its numeric arguments in order
    const void* object = nullptr;            // the object argument, if any (texture, buffer, surface)
    std::shared_ptr<const DrawRecord> draw;  // set for draws
};

// The call log of a record-backend device; nullptr for a gl device. It holds the calls of the
// last presented frame (from the call after the Present before it, up to its own Present) and
// every call since; a caller may clear or cut it.
std::vector<Call>* RecordLog(IDirect3DDevice8* device);

// The GL objects a gl device holds now; nullopt for a record device.
struct GlObjectCounts {
    size_t textures = 0, buffers = 0, shaders = 0, programs = 0, framebuffers = 0, renderbuffers = 0;
    size_t Total() const { return textures + buffers + shaders + programs + framebuffers + renderbuffers; }
    size_t fences = 0;  // of presented frames not yet known finished; not in Total(): they come and go
};
std::optional<GlObjectCounts> LiveGlObjects(IDirect3DDevice8* device);

// Emulated device loss (both backends): lost makes TestCooperativeLevel answer DEVICELOST; ending
// it answers DEVICENOTRESET until a successful Reset.
void SetDeviceLost(IDirect3DDevice8* device, bool lost);

}  // namespace d3d8
