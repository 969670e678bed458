// Reading a level's files into the application, and changing from one level to the next.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/apperrors.h"
#include "framework/d3dfile.h"
#include "game/gameapp.h"
#include "game/levelread.h"

namespace {

constexpr int kMaxRocks = 10000;

// The settings of "nivel.plt", taken over only when the whole file was read.
struct LevelSettings {
    char szNextLevelDir[kLevelDirLength];
    char szIntroVideo[kLevelDirLength];
    char szDrownVideo[kLevelDirLength];
    char szCatchVideo[kLevelDirLength];
    int anWaterColor[3];
    float afColorA[3];
    float afColorB[3];
    float fFogStart, fFogEnd, fMaxAir, fBallast, fCurrentX, fCurrentZ;
    int nGoalType, nGoalCount, nGoalFish;
};

// Reads one object record (mesh, texture, scale, x, y, z) with the names behind szPrefix.
bool ReadObjectRecord(CLevelTokens& in, CSceneObject* pObject, const char* szPrefix) {
    in.Word(pObject->m_szMeshFile[0], kObjectNameLength, szPrefix);
    in.Word(pObject->m_szTextureFile, kObjectNameLength, szPrefix);
    in.Float(&pObject->m_fScale);
    in.Float(&pObject->m_vStartPosition.x);
    in.Float(&pObject->m_vStartPosition.y);
    in.Float(&pObject->m_vStartPosition.z);
    return in.Ok();
}

// Deletes the objects of one of the level's lists and the list itself (it comes from calloc),
// leaving the list empty.
template <class T> void lvlFreeObjectList(T**& ppList, int& nCount) {
    for (int i = 0; i < nCount; ++i) delete ppList[i];
    std::free(ppList);
    ppList = nullptr;
    nCount = 0;
}

}  // namespace

int CGameApp::LoadLevel() {
    int hr = ReadLevelFile();
    if (hr == 0) hr = ReadRockFile();
    ForEachMeshHolder([](CD3DFileMesh*& pMesh) {
        if (!pMesh) pMesh = new CD3DFileMesh("CD3DFile_Mesh");
    });
    m_dwVSSeafloor = m_dwVSSeafloor2 = m_dwVSObjects = m_dwVSObjects2 = 0;
    m_dwVSFish = m_dwVSFish2 = m_dwVSSea = m_dwVSSea2 = 0;
    for (IDirect3DTexture8*& pTex : m_apCausticTex) pTex = nullptr;
    m_pCausticTex = nullptr;
    delete m_pTerrain;
    m_pTerrain = new CTerrain;
    return hr;
}

int CGameApp::ReadLevelFile() {
    char szPath[kLevelDirLength + 16];
    std::snprintf(szPath, sizeof szPath, "%snivel.plt", m_szLevelDir);
    CLevelTokens in(szPath);
    if (!in.Opened()) {
        // At a level change the previous level's settings stay. The next folder is set by every
        // read of the file, so an empty one means that there are none yet: the first level.
        if (m_szNextLevelDir[0] != '\0') return 0;
        lvlReportError(in.Error().c_str());
        return AppErrMediaNotFound;
    }
    LevelSettings s{};
    s.nGoalType = m_nGoalType;
    s.nGoalCount = m_nGoalCount;
    s.nGoalFish = m_nGoalFish;
    if (in.Word(s.szNextLevelDir, kLevelDirLength - 1)) std::strcat(s.szNextLevelDir, "\\");
    in.Word(s.szIntroVideo, kLevelDirLength, m_szLevelDir);
    in.Word(s.szDrownVideo, kLevelDirLength, m_szLevelDir);
    in.Word(s.szCatchVideo, kLevelDirLength, m_szLevelDir);
    for (int& n : s.anWaterColor) in.Int(&n, -0x7FFFFFFF, 0x7FFFFFFF);
    for (float& f : s.afColorA) in.Float(&f);
    for (float& f : s.afColorB) in.Float(&f);
    in.Float(&s.fFogStart);
    in.Float(&s.fFogEnd);
    in.Float(&s.fMaxAir);
    in.Float(&s.fBallast);
    in.Float(&s.fCurrentX);
    in.Float(&s.fCurrentZ);
    if (in.Int(&s.nGoalType, -0x7FFFFFFF, 0x7FFFFFFF)) {
        if (s.nGoalType == kGoalCatchCount) in.Int(&s.nGoalCount, -0x7FFFFFFF, 0x7FFFFFFF);
        if (s.nGoalType == kGoalGivenFish) in.Int(&s.nGoalFish, -0x7FFFFFFF, 0x7FFFFFFF);
    }
    if (!in.Ok()) {
        lvlReportError(in.Error().c_str());
        return AppErrMediaNotFound;
    }
    // Values are taken as read; those that make no sense for play are only pointed out.
    if (s.nGoalType == kGoalCatchCount && s.nGoalCount < 0)
        lvlReportWarning("%s: the goal count %d is negative; the goal is met at once", szPath, s.nGoalCount);
    if (s.nGoalType == kGoalGivenFish && s.nGoalFish < 1)
        lvlReportWarning("%s: the goal fish %d names no fish (they count from 1); the goal cannot be met", szPath,
                         s.nGoalFish);
    if (!(s.fFogEnd > s.fFogStart))
        lvlReportWarning("%s: the fog start %g is not below the fog end %g", szPath, s.fFogStart, s.fFogEnd);
    std::strcpy(m_szNextLevelDir, s.szNextLevelDir);
    std::strcpy(m_szIntroVideo, s.szIntroVideo);
    std::strcpy(m_szDrownVideo, s.szDrownVideo);
    std::strcpy(m_szCatchVideo, s.szCatchVideo);
    std::memcpy(m_anWaterColor, s.anWaterColor, sizeof m_anWaterColor);
    std::memcpy(m_afLevelColorA, s.afColorA, sizeof m_afLevelColorA);
    std::memcpy(m_afLevelColorB, s.afColorB, sizeof m_afLevelColorB);
    m_fFogStart = s.fFogStart;
    m_fFogEnd = s.fFogEnd;
    m_fMaxAir = s.fMaxAir;
    m_fBallast = s.fBallast;
    m_fCurrentX = s.fCurrentX;
    m_fCurrentZ = s.fCurrentZ;
    m_nGoalType = s.nGoalType;
    m_nGoalCount = s.nGoalCount;
    m_nGoalFish = s.nGoalFish;
    return 0;
}

int CGameApp::ReadRockFile() {
    FreeRocks();
    FreeSingles();
    char szPath[kLevelDirLength + 16];
    std::snprintf(szPath, sizeof szPath, "./%sladrillos.plt", m_szLevelDir);
    CLevelTokens in(szPath);
    if (!in.Opened()) {
        lvlReportError(in.Error().c_str());
        return AppErrMediaNotFound;
    }
    int nRocks = 0;
    if (in.Int(&nRocks, 0, kMaxRocks)) {
        m_ppRocks = static_cast<CSceneObject**>(std::calloc(nRocks ? nRocks : 1, sizeof(CSceneObject*)));
        if (!m_ppRocks) return E_OUTOFMEMORY;
        for (int i = 0; i < nRocks && in.Ok(); ++i) {
            m_ppRocks[i] = new CSceneObject;
            m_nRocks = i + 1;
            ReadObjectRecord(in, m_ppRocks[i], m_szLevelDir);
        }
    }
    if (in.Ok()) {
        m_ppSpears = static_cast<CSpear**>(std::calloc(1, sizeof(CSpear*)));
        if (!m_ppSpears) return E_OUTOFMEMORY;
        m_ppSpears[0] = new CSpear;
        m_nSpears = 1;
        ReadObjectRecord(in, m_ppSpears[0], "");
    }
    if (in.Ok()) {
        m_ppDivers = static_cast<CDiver**>(std::calloc(1, sizeof(CDiver*)));
        if (!m_ppDivers) return E_OUTOFMEMORY;
        m_ppDivers[0] = new CDiver;
        m_nDivers = 1;
        ReadObjectRecord(in, m_ppDivers[0], "");
    }
    if (!in.Ok()) {
        lvlReportError(in.Error().c_str());
        FreeRocks();
        FreeSingles();
        return AppErrMediaNotFound;
    }
    lvlReadFishFile();
    lvlReadMovingRockFile();
    lvlReadBoatGuiFile();
    lvlCreateSeaSky();
    return 0;
}

int CGameApp::ChangeLevel() {
    char szPlaying[kLevelDirLength];
    std::strcpy(szPlaying, m_szLevelDir);
    std::strcpy(m_szLevelDir, m_szNextLevelDir);
    m_bIntroStarted = 1;
    InvalidateObjects();
    DestroyObjects();
    FreeLevel();
    char szMessage[kMessageLength] = "";
    // A level whose files are missing or whose textures do not fit is refused: the level that
    // was playing is loaded again in its place.
    if (LoadLevel() != 0 || LoadObjects() != 0) {
        std::snprintf(szMessage, sizeof szMessage, "No se pudo cargar el nivel %s", m_szLevelDir);
        DestroyObjects();
        FreeLevel();
        std::strcpy(m_szLevelDir, szPlaying);
        std::strcpy(m_szNextLevelDir, szPlaying);
        if (LoadLevel() != 0 || LoadObjects() != 0) {
            // Nothing left to play: the level files went away while the game ran. The failure ends
            // the frame before anything renders, and the frame loop closes the window.
            std::snprintf(szMessage, sizeof szMessage, "%s", lvlLastError());
            MessageBoxA(nullptr, szMessage, m_pszTitle, MB_OK | MB_ICONERROR);
            return E_FAIL;
        }
    }
    ResetObjects();
    StartObjects();
    RestoreObjects();
    UpdateWorld();
    m_VideoScreen.Play(-0.45f, -0.45f, 0.4f, m_szIntroVideo);
    // After the intro's own line, which would otherwise hide why this level plays again.
    if (szMessage[0]) hudSetMessage(szMessage, 10.0f);
    return 0;
}

void CGameApp::FreeRocks() { lvlFreeObjectList(m_ppRocks, m_nRocks); }

void CGameApp::FreeSingles() {
    lvlFreeObjectList(m_ppSpears, m_nSpears);
    lvlFreeObjectList(m_ppDivers, m_nDivers);
}

void CGameApp::FreeFish() { lvlFreeObjectList(m_ppFish, m_nFish); }

void CGameApp::FreeMovingRocks() { lvlFreeObjectList(m_ppMovingRocks, m_nMovingRocks); }

void CGameApp::FreeBoatGui() {
    lvlFreeObjectList(m_ppBoatGui, m_nBoatGui);
    std::free(m_pMapPoints);
    m_pMapPoints = nullptr;
    m_nMapPoints = 0;
}
