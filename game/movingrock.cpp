#include "game/movingrock.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "game/gameapp.h"
#include "game/levelread.h"
#include "game/vsconsts.h"

D3DXVECTOR4 scnKeyPoseWeights(float s) {
    const float a = std::fabs(s);
    if (s > 0.0f) return D3DXVECTOR4(a, 1.0f - a, 0.0f, 0.0f);
    return D3DXVECTOR4(0.0f, 1.0f - a, a, 0.0f);
}

int scnRenderKeyPoses(const CSceneObject& object, const D3DXVECTOR4& vWeights) {
    // An object whose meshes did not load has nothing to draw.
    if (!object.m_pVB[0] || !object.m_pVB[1] || !object.m_pVB[2] || !object.m_pIB) return 0;
    IDirect3DDevice8* pDevice = g_pApp->m_pDevice;
    object.SetWorldConstants(object.m_Transform.m_matWorld);
    pDevice->SetVertexShaderConstant(VSC_BLEND, &vWeights, 1);
    const bool bTexture = scnHasTexture(object.m_szTextureFile);
    if (g_pApp->m_nRenderPass == 1) {
        if (bTexture) pDevice->SetTexture(0, object.m_pTexture);
        pDevice->SetVertexShader(g_pApp->m_dwVSFish);
    } else {
        if (bTexture) pDevice->SetTexture(0, g_pApp->m_pCausticTex);
        pDevice->SetVertexShader(g_pApp->m_dwVSFish2);
    }
    for (UINT k = 0; k < 3; ++k) pDevice->SetStreamSource(k, object.m_pVB[k], kSceneVertexSize);
    pDevice->SetIndices(object.m_pIB, 0);
    pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, object.m_dwNumVertices, 0, object.m_dwNumFaces);
    return 0;
}

CMovingRock::CMovingRock() : m_fFrequency(0.0f), m_vWeights(0, 1, 0, 0) {}

int CMovingRock::Reset(D3DXVECTOR3 vStart) { return CSceneObject::Reset(vStart); }

int CMovingRock::Start() { return 0; }

int CMovingRock::Load(const char*) { return LoadMeshes(3, false); }

int CMovingRock::Update() {
    m_vWeights = scnKeyPoseWeights(std::sin(g_pApp->m_fPhase * m_fFrequency));
    return 0;
}

int CMovingRock::Render() { return scnRenderKeyPoses(*this, m_vWeights); }

int lvlReadMovingRockFile() {
    CGameApp* pApp = g_pApp;
    pApp->FreeMovingRocks();
    char szPath[300];
    std::snprintf(szPath, sizeof szPath, "./%sladrillosmv.plt", pApp->m_szLevelDir);
    CLevelTokens in(szPath);
    if (!in.Opened()) return -1;
    int nRocks = 0;
    if (in.Int(&nRocks, 0, kMaxMovingRocks)) {
        auto** ppRocks = static_cast<CMovingRock**>(std::calloc(nRocks ? nRocks : 1, sizeof(CMovingRock*)));
        if (!ppRocks) return 0;
        pApp->m_ppMovingRocks = ppRocks;
        for (int i = 0; i < nRocks && in.Ok(); ++i) {
            auto* pRock = new CMovingRock;
            ppRocks[i] = pRock;
            pApp->m_nMovingRocks = i + 1;
            for (int k = 0; k < 3; ++k) in.Word(pRock->m_szMeshFile[k], kObjectNameLength, pApp->m_szLevelDir);
            in.Word(pRock->m_szTextureFile, kObjectNameLength, pApp->m_szLevelDir);
            in.Float(&pRock->m_fScale);
            in.Float(&pRock->m_fFrequency);
            in.Float(&pRock->m_vStartPosition.x);
            in.Float(&pRock->m_vStartPosition.y);
            in.Float(&pRock->m_vStartPosition.z);
        }
    }
    if (!in.Ok()) {
        lvlReportError(in.Error().c_str());
        pApp->FreeMovingRocks();
        return -1;
    }
    return 0;
}
