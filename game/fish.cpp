#include "game/fish.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "game/gameapp.h"
#include "game/levelread.h"

Waypoint* g_pWaypoints = nullptr;
int g_nWaypoints = 0;

CFishSensors::CFishSensors() : m_cSensorTick(0), m_cNearestSensor(0), m_vAvoidDir(0, 0, 0) {
    const float kEighth = 0.39269909f;
    static const float kYawPitch[5][2] = {{-1, 1}, {-1, -1}, {1, 1}, {1, -1}, {0, 0}};
    for (int i = 0; i < 5; ++i) {
        m_afSensorDist[i] = 20.0f;
        D3DXMatrixRotationYawPitchRoll(&m_amSensorRot[i], kYawPitch[i][0] * kEighth, kYawPitch[i][1] * kEighth, 0);
    }
}

CFish::CFish()
    : m_iWaypoint(0), m_iTargetWaypoint(0), m_fDiverDist(0), m_fDiverCalm(0), m_fTrait1(0), m_fTrait2(0),
      m_fMood(50.0f), m_fApproach(1.0f), m_fTailFrequency(0), m_fFear(0), m_fReactionRange(0), m_fAvoidGainPrev(0),
      m_fAvoidGain(0), m_acReactionTable{}, m_vWeights(0, 1, 0, 0), m_bTurnSide(0) {
    m_fspeed = 0.3f;
}

int CFish::Start() {
    if (m_iWaypoint >= 0 && m_iWaypoint < g_nWaypoints) m_Transform.m_vPosition = g_pWaypoints[m_iWaypoint].pos;
    m_iTargetWaypoint = m_iWaypoint;
    return 0;
}

int CFish::Load(const char*) {
    const int hr = LoadMeshes(3, false);
    if (hr != 0) return hr;
    BuildCollisionModel();
    return 0;
}

int CFish::Update() { return 0; }

int CFish::Render() { return 0; }

int CWaypointGraph::Start() { return 0; }

int CWaypointGraph::FreeData() {
    std::free(g_pWaypoints);
    g_pWaypoints = nullptr;
    g_nWaypoints = 0;
    return 0;
}

int lvlReadFishFile() {
    CGameApp* pApp = g_pApp;
    pApp->FreeFish();
    pApp->m_WaypointGraph.FreeData();
    char szPath[300];
    std::snprintf(szPath, sizeof szPath, "./%speces.plt", pApp->m_szLevelDir);
    CLevelTokens in(szPath);
    if (!in.Opened()) return 0;
    int nFish = 0;
    if (in.Int(&nFish, 0, kMaxFish)) {
        auto** ppFish = static_cast<CFish**>(std::calloc(nFish ? nFish : 1, sizeof(CFish*)));
        if (!ppFish) return 0;
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
        if (!g_pWaypoints) {
            pApp->FreeFish();
            return 0;
        }
        for (int i = 0; i < nWaypoints && in.Ok(); ++i) {
            Waypoint& w = g_pWaypoints[i];
            in.Float(&w.pos.x);
            in.Float(&w.pos.y);
            in.Float(&w.pos.z);
            // The steering divides by the count, so a waypoint needs a neighbour.
            if (!in.Int(&w.count, 1, kMaxWaypointLinks)) break;
            for (int k = 0; k < w.count; ++k) in.Int(&w.ids[k], 0, nWaypoints - 1);
            if (in.Ok()) g_nWaypoints = i + 1;
        }
    }
    // Every fish starts on a waypoint that exists.
    for (int i = 0; i < pApp->m_nFish && in.Ok(); ++i)
        if (pApp->m_ppFish[i]->m_iWaypoint >= g_nWaypoints) {
            char szError[400];
            std::snprintf(szError, sizeof szError, "%s: fish %d starts at waypoint %d of %d", szPath, i + 1,
                          pApp->m_ppFish[i]->m_iWaypoint, g_nWaypoints);
            lvlReportError(szError);
            pApp->FreeFish();
            pApp->m_WaypointGraph.FreeData();
            return -1;
        }
    if (!in.Ok()) {
        lvlReportError(in.Error().c_str());
        pApp->FreeFish();
        pApp->m_WaypointGraph.FreeData();
        return -1;
    }
    return 0;
}
