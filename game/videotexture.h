// The movie graph of the video screen: a source filter for the movie file connected to the game's
// texture renderer, which copies every frame into the video screen's texture.
#pragma once

#include "d3d8/d3d8.h"
#include "dshow/dshow.h"

// {a796da02-bc5f-4ddb-b712-0c3e54c6bee1}
inline constexpr GUID CLSID_TextureRenderer = {
    0xa796da02, 0xbc5f, 0x4ddb, {0xb7, 0x12, 0x0c, 0x3e, 0x54, 0xc6, 0xbe, 0xe1}};

// The longest movie path (shared media folder + movie name) the graph builder takes.
constexpr int kMoviePathLength = 260;

class CTextureRenderer : public CBaseVideoRenderer {
public:
    CTextureRenderer(IUnknown* pUnk, HRESULT* phr);

    HRESULT SetMediaType(const CMediaType* pmt) override;
    HRESULT DoRenderSample(IMediaSample* pMediaSample) override;
    HRESULT CheckMediaType(const CMediaType* pmt) override;

    int m_nWidth;
    int m_nHeight;
    int m_nPitch;

protected:
    ~CTextureRenderer() override;
};

extern IGraphBuilder* g_pGraphBuilder;
extern IMediaControl* g_pMediaControl;
extern IMediaEvent* g_pMediaEvent;
extern D3DFORMAT g_TextureFormat;
// The running-object-table entry of vidRegisterGraph.
extern DWORD g_dwRotRegister;

HRESULT vidBuildGraph(IDirect3DTexture8* pTexture);
BYTE vidCheckStatus();
void vidCleanup();
void vidShowError(const char* szFormat, ...);
// Make a graph findable in the running-object table while it runs, and take it out again. The game
// calls neither: they are for attaching a graph inspector while debugging.
HRESULT vidRegisterGraph(IUnknown* pUnkGraph);
void vidRevokeGraph();
