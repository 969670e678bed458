#include "game/boatgui.h"

#include <cstdio>
#include <cstdlib>

#include "game/gameapp.h"
#include "game/levelread.h"

CBoatGuiElement::CBoatGuiElement() {
    D3DXMatrixOrthoLH(&m_matProj, 1, 1, 0, 1);
    D3DXMatrixIdentity(&m_matWorld2D);
    D3DXMatrixIdentity(&m_matView2D);
    for (float& f : m_fDepth) f = 45.0f;
}

int CBoatGuiElement::Reset(D3DXVECTOR3 vStart) {
    CSceneObject::Reset(vStart);
    D3DXMatrixOrthoLH(&m_matProj, 1, 1, 0, 1);
    D3DXMatrixIdentity(&m_matView2D);
    D3DXMatrixIdentity(&m_matWorld2D);
    return 0;
}

int CBoatGuiElement::Start() { return 0; }

int CBoatGuiElement::Load(const char*) { return LoadMeshes(1, false); }

int CBoatGuiElement::Update() { return 0; }

int CBoatGuiElement::Render() { return 0; }

int lvlReadBoatGuiFile() {
    CGameApp* pApp = g_pApp;
    pApp->FreeBoatGui();
    char szPath[300];
    std::snprintf(szPath, sizeof szPath, "./%sguibarca.plt", pApp->m_szLevelDir);
    CLevelTokens in(szPath);
    if (!in.Opened()) return -1;
    auto** ppElements = static_cast<CBoatGuiElement**>(std::calloc(kBoatGuiElements, sizeof(CBoatGuiElement*)));
    if (!ppElements) return 0;
    pApp->m_ppBoatGui = ppElements;
    for (int i = 0; i < kBoatGuiElements; ++i) {
        auto* pElement = new CBoatGuiElement;
        ppElements[i] = pElement;
        pApp->m_nBoatGui = i + 1;
        in.Word(pElement->m_szMeshFile[0], kObjectNameLength, pApp->m_szLevelDir);
        in.Word(pElement->m_szTextureFile, kObjectNameLength, pApp->m_szLevelDir);
        pElement->m_fScale = static_cast<float>(i);
    }
    int nPoints = 0;
    if (in.Int(&nPoints, 0, kMaxMapPoints)) {
        pApp->m_pMapPoints = static_cast<D3DXVECTOR3*>(std::calloc(nPoints ? nPoints : 1, sizeof(D3DXVECTOR3)));
        if (!pApp->m_pMapPoints) return 0;
        for (int i = 0; i < nPoints && in.Ok(); ++i) {
            D3DXVECTOR3& v = pApp->m_pMapPoints[i];
            if (in.Float(&v.x) && in.Float(&v.y) && in.Float(&v.z)) pApp->m_nMapPoints = i + 1;
        }
    }
    if (!in.Ok()) {
        lvlReportError(in.Error().c_str());
        pApp->FreeBoatGui();
        return -1;
    }
    return 0;
}
