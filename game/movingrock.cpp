#include "game/movingrock.h"

#include <cstdio>
#include <cstdlib>

#include "game/gameapp.h"
#include "game/levelread.h"

CMovingRock::CMovingRock() : m_fFrequency(0.0f), m_vWeights(0, 1, 0, 0) {}

int CMovingRock::Reset(D3DXVECTOR3 vStart) { return CSceneObject::Reset(vStart); }

int CMovingRock::Start() { return 0; }

int CMovingRock::Load(const char*) { return LoadMeshes(3, false); }

int CMovingRock::Update() { return 0; }

int CMovingRock::Render() { return 0; }

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
