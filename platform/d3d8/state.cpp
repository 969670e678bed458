#include "d3d8/state.h"

#include "d3d8/resources.h"
#include "d3d8/vshader.h"

namespace d3d8 {

D3DMATRIX IdentityMatrix() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

void DeviceState::SetDefaults(UINT width, UINT height, bool autoDepth) {
    renderStates.fill(0);
    auto rs = [this](D3DRENDERSTATETYPE s, DWORD v) { renderStates[s] = v; };
    auto rf = [this](D3DRENDERSTATETYPE s, float v) { renderStates[s] = FloatBits(v); };
    rs(D3DRS_ZENABLE, autoDepth ? D3DZB_TRUE : D3DZB_FALSE);
    rs(D3DRS_FILLMODE, D3DFILL_SOLID);
    rs(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    rs(D3DRS_ZWRITEENABLE, TRUE);
    rs(D3DRS_LASTPIXEL, TRUE);
    rs(D3DRS_SRCBLEND, D3DBLEND_ONE);
    rs(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    rs(D3DRS_CULLMODE, D3DCULL_CCW);
    rs(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    rs(D3DRS_ALPHAFUNC, D3DCMP_ALWAYS);
    rf(D3DRS_FOGEND, 1.0f);
    rf(D3DRS_FOGDENSITY, 1.0f);
    rs(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
    rs(D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP);
    rs(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    rs(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    rs(D3DRS_STENCILMASK, 0xFFFFFFFF);
    rs(D3DRS_STENCILWRITEMASK, 0xFFFFFFFF);
    rs(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF);
    rs(D3DRS_CLIPPING, TRUE);
    rs(D3DRS_LIGHTING, TRUE);
    rs(D3DRS_COLORVERTEX, TRUE);
    rs(D3DRS_LOCALVIEWER, TRUE);
    rs(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1);
    rs(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2);
    rs(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
    rs(D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL);
    rf(D3DRS_POINTSIZE, 1.0f);
    rf(D3DRS_POINTSCALE_A, 1.0f);
    rs(D3DRS_MULTISAMPLEANTIALIAS, TRUE);
    rs(D3DRS_MULTISAMPLEMASK, 0xFFFFFFFF);
    rf(D3DRS_PATCHSEGMENTS, 1.0f);
    rf(D3DRS_POINTSIZE_MAX, 64.0f);
    rs(D3DRS_COLORWRITEENABLE, 0xF);
    rs(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    rs(D3DRS_POSITIONORDER, D3DORDER_CUBIC);
    rs(D3DRS_NORMALORDER, D3DORDER_LINEAR);

    for (int s = 0; s < kStages; ++s) {
        auto& t = stageStates[s];
        t.fill(0);
        t[D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        t[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        t[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        t[D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        t[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        t[D3DTSS_TEXCOORDINDEX] = static_cast<DWORD>(s);
        t[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
        t[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
        t[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
        t[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
        t[D3DTSS_MINFILTER] = D3DTEXF_POINT;
        t[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
        t[D3DTSS_MAXANISOTROPY] = 1;
        t[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
        t[D3DTSS_COLORARG0] = D3DTA_CURRENT;
        t[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
        t[D3DTSS_RESULTARG] = D3DTA_CURRENT;
    }

    transforms.fill(IdentityMatrix());
    lights.clear();
    material = D3DMATERIAL8{};
    for (auto& t : textures) t.reset();
    for (auto& s : streams) s = StreamBinding{};
    indices.reset();
    baseVertexIndex = 0;
    vertexShader = 0;
    shader.reset();
    for (auto& c : constants) c.fill(0.0f);
    viewport = D3DVIEWPORT8{0, 0, width, height, 0.0f, 1.0f};
    for (auto& p : clipPlanes) p.fill(0.0f);
}

namespace {
constexpr D3DRENDERSTATETYPE kVertexRenderStates[] = {
    D3DRS_SHADEMODE,
    D3DRS_SPECULARENABLE,
    D3DRS_CULLMODE,
    D3DRS_FOGENABLE,
    D3DRS_FOGCOLOR,
    D3DRS_FOGTABLEMODE,
    D3DRS_FOGSTART,
    D3DRS_FOGEND,
    D3DRS_FOGDENSITY,
    D3DRS_RANGEFOGENABLE,
    D3DRS_AMBIENT,
    D3DRS_COLORVERTEX,
    D3DRS_FOGVERTEXMODE,
    D3DRS_CLIPPING,
    D3DRS_LIGHTING,
    D3DRS_NORMALIZENORMALS,
    D3DRS_LOCALVIEWER,
    D3DRS_EMISSIVEMATERIALSOURCE,
    D3DRS_AMBIENTMATERIALSOURCE,
    D3DRS_DIFFUSEMATERIALSOURCE,
    D3DRS_SPECULARMATERIALSOURCE,
    D3DRS_VERTEXBLEND,
    D3DRS_CLIPPLANEENABLE,
    D3DRS_SOFTWAREVERTEXPROCESSING,
    D3DRS_POINTSIZE,
    D3DRS_POINTSIZE_MIN,
    D3DRS_POINTSPRITEENABLE,
    D3DRS_POINTSCALEENABLE,
    D3DRS_POINTSCALE_A,
    D3DRS_POINTSCALE_B,
    D3DRS_POINTSCALE_C,
    D3DRS_MULTISAMPLEANTIALIAS,
    D3DRS_MULTISAMPLEMASK,
    D3DRS_PATCHEDGESTYLE,
    D3DRS_PATCHSEGMENTS,
    D3DRS_POINTSIZE_MAX,
    D3DRS_INDEXEDVERTEXBLENDENABLE,
    D3DRS_TWEENFACTOR,
    D3DRS_POSITIONORDER,
    D3DRS_NORMALORDER,
};
constexpr D3DRENDERSTATETYPE kPixelRenderStates[] = {
    D3DRS_ZENABLE,
    D3DRS_FILLMODE,
    D3DRS_SHADEMODE,
    D3DRS_LINEPATTERN,
    D3DRS_ZWRITEENABLE,
    D3DRS_ALPHATESTENABLE,
    D3DRS_LASTPIXEL,
    D3DRS_SRCBLEND,
    D3DRS_DESTBLEND,
    D3DRS_ZFUNC,
    D3DRS_ALPHAREF,
    D3DRS_ALPHAFUNC,
    D3DRS_DITHERENABLE,
    D3DRS_ALPHABLENDENABLE,
    D3DRS_FOGSTART,
    D3DRS_FOGEND,
    D3DRS_FOGDENSITY,
    D3DRS_EDGEANTIALIAS,
    D3DRS_ZBIAS,
    D3DRS_STENCILENABLE,
    D3DRS_STENCILFAIL,
    D3DRS_STENCILZFAIL,
    D3DRS_STENCILPASS,
    D3DRS_STENCILFUNC,
    D3DRS_STENCILREF,
    D3DRS_STENCILMASK,
    D3DRS_STENCILWRITEMASK,
    D3DRS_TEXTUREFACTOR,
    D3DRS_WRAP0,
    D3DRS_WRAP1,
    D3DRS_WRAP2,
    D3DRS_WRAP3,
    D3DRS_WRAP4,
    D3DRS_WRAP5,
    D3DRS_WRAP6,
    D3DRS_WRAP7,
    D3DRS_COLORWRITEENABLE,
    D3DRS_BLENDOP,
};

bool IsKnownRenderState(int s) {
    for (auto r : kVertexRenderStates)
        if (static_cast<int>(r) == s) return true;
    for (auto r : kPixelRenderStates)
        if (static_cast<int>(r) == s) return true;
    return s == D3DRS_ZVISIBLE || s == D3DRS_DEBUGMONITORTOKEN;
}
}  // namespace

StateMask StateMask::All() {
    StateMask m;
    for (int s = 0; s < kRenderStates; ++s)
        if (IsKnownRenderState(s)) m.renderStates.set(s);
    for (auto& t : m.stageStates) t.set();
    m.transforms.set();
    m.material = true;
    m.textures.set();
    m.streams.set();
    m.indices = true;
    m.vertexShader = true;
    m.constants.set();
    m.viewport = true;
    m.clipPlanes.set();
    return m;
}

StateMask StateMask::Pixel() {
    StateMask m;
    for (auto r : kPixelRenderStates) m.renderStates.set(r);
    for (auto& t : m.stageStates) {
        t.set();
        t.reset(D3DTSS_TEXCOORDINDEX);
        t.reset(D3DTSS_TEXTURETRANSFORMFLAGS);
    }
    return m;
}

StateMask StateMask::Vertex() {
    StateMask m;
    for (auto r : kVertexRenderStates) m.renderStates.set(r);
    for (auto& t : m.stageStates) {
        t.set(D3DTSS_TEXCOORDINDEX);
        t.set(D3DTSS_TEXTURETRANSFORMFLAGS);
    }
    m.vertexShader = true;
    m.constants.set();
    return m;
}

void CopyMasked(const StateMask& mask, const DeviceState& from, DeviceState& to) {
    for (int s = 0; s < kRenderStates; ++s)
        if (mask.renderStates[s]) to.renderStates[s] = from.renderStates[s];
    for (int st = 0; st < kStages; ++st)
        for (int s = 0; s < kStageStates; ++s)
            if (mask.stageStates[st][s]) to.stageStates[st][s] = from.stageStates[st][s];
    for (int t = 0; t < kTransforms; ++t)
        if (mask.transforms[t]) to.transforms[t] = from.transforms[t];
    for (auto& [index, on] : mask.lights) {
        if (!on) continue;
        auto it = from.lights.find(index);
        if (it != from.lights.end()) to.lights[index] = it->second;
    }
    if (mask.material) to.material = from.material;
    for (int s = 0; s < kStages; ++s)
        if (mask.textures[s]) to.textures[s] = from.textures[s];
    for (int s = 0; s < kStreams; ++s)
        if (mask.streams[s]) to.streams[s] = from.streams[s];
    if (mask.indices) {
        to.indices = from.indices;
        to.baseVertexIndex = from.baseVertexIndex;
    }
    if (mask.vertexShader) {
        to.vertexShader = from.vertexShader;
        to.shader = from.shader;
    }
    for (int c = 0; c < kConstants; ++c)
        if (mask.constants[c]) to.constants[c] = from.constants[c];
    if (mask.viewport) to.viewport = from.viewport;
    for (int p = 0; p < kClipPlanes; ++p)
        if (mask.clipPlanes[p]) to.clipPlanes[p] = from.clipPlanes[p];
}

}  // namespace d3d8
