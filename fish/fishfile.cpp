// The fish file "peces.plt" and the level's waypoint table.
#include <cstdio>
#include <cstdlib>

#include "fish/fish.h"
#include "game/gameapp.h"
#include "game/levelread.h"

Waypoint* g_pWaypoints = nullptr;
int g_nWaypoints = 0;

int CWaypointGraph::Start() { return 0; }

int CWaypointGraph::FreeData() {
    std::free(g_pWaypoints);
    g_pWaypoints = nullptr;
    g_nWaypoints = 0;
    return 0;
}

namespace {

int RefuseFishFile(CGameApp* pApp, const char* szText) {
    lvlReportError(szText);
    pApp->FreeFish();
    pApp->m_WaypointGraph.FreeData();
    return -1;
}

}  // namespace

int lvlReadFishFile() {
    CGameApp* pApp = g_pApp;
    // Whatever the previous level held goes first, so a level without a readable file has no fish.
    pApp->FreeFish();
    pApp->m_WaypointGraph.FreeData();
    char szPath[300];
    std::snprintf(szPath, sizeof szPath, "./%speces.plt", pApp->m_szLevelDir);
    CLevelTokens in(szPath);
    if (!in.Opened()) return 0;
    int nFish = 0;
    if (in.Int(&nFish, 0, kMaxFish)) {
        auto** ppFish = static_cast<CFish**>(std::calloc(nFish ? nFish : 1, sizeof(CFish*)));
        if (!ppFish) return RefuseFishFile(pApp, "peces.plt: out of memory");
        pApp->m_ppFish = ppFish;
        for (int i = 0; i < nFish && in.Ok(); ++i) {
            auto* pFish = new CFish;
            ppFish[i] = pFish;
            pApp->m_nFish = i + 1;
            for (int k = 0; k < 3; ++k) in.Word(pFish->m_szMeshFile[k], kObjectNameLength, pApp->m_szLevelDir);
            in.Word(pFish->m_szTextureFile, kObjectNameLength, pApp->m_szLevelDir);
            in.Float(&pFish->m_fScale);
            in.Int(&pFish->m_iWaypoint, 0, kMaxWaypoints - 1);
            in.Float(&pFish->m_fReactionRange);
            in.Float(&pFish->m_fTrait1);
            in.Float(&pFish->m_fTrait2);
        }
    }
    int nWaypoints = 0;
    if (in.Int(&nWaypoints, 0, kMaxWaypoints)) {
        g_pWaypoints = static_cast<Waypoint*>(std::calloc(nWaypoints ? nWaypoints : 1, sizeof(Waypoint)));
        if (!g_pWaypoints) return RefuseFishFile(pApp, "peces.plt: out of memory");
        for (int i = 0; i < nWaypoints && in.Ok(); ++i) {
            Waypoint& w = g_pWaypoints[i];
            in.Float(&w.pos.x);
            in.Float(&w.pos.y);
            in.Float(&w.pos.z);
            // No neighbours is legal: a fish arriving there keeps its target.
            if (!in.Int(&w.count, 0, kMaxWaypointLinks)) break;
            for (int k = 0; k < w.count; ++k) in.Int(&w.ids[k], 0, nWaypoints - 1);
            if (in.Ok()) g_nWaypoints = i + 1;
        }
    }
    if (!in.Ok()) return RefuseFishFile(pApp, in.Error().c_str());
    // Every fish starts on a waypoint that exists.
    for (int i = 0; i < pApp->m_nFish; ++i)
        if (pApp->m_ppFish[i]->m_iWaypoint >= g_nWaypoints) {
            char szError[400];
            std::snprintf(szError, sizeof szError, "%s: fish %d starts at waypoint %d of %d", szPath, i + 1,
                          pApp->m_ppFish[i]->m_iWaypoint, g_nWaypoints);
            return RefuseFishFile(pApp, szError);
        }
    return 0;
}
