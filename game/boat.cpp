#include "game/boat.h"

#include <algorithm>
#include <cstring>

#include "game/gameapp.h"

namespace {
// Height of the water line above which a hull point is dry: the sea level and 0.8.
constexpr float kWaterLine = kSeaLevel + 0.8f;
constexpr float kThrottleRate = 0.8f, kThrottleDrag = 0.9f, kThrottleLimit = 0.7f;
constexpr float kHullTurn = 0.1f, kRiseRate = 20.0f, kSinkRate = 17.0f;
constexpr float kSteer = 0.13f, kLean = 1.2f, kBowLift = 0.16f, kDecay = 0.9f;

// Roll about Z, then pitch about X, then yaw about Y; each angle turned the other way.
D3DXMATRIX BoatRotation(const D3DXVECTOR3& vRotation) {
    D3DXMATRIX matZ, matX, matY, m;
    D3DXMatrixRotationZ(&matZ, -vRotation.z);
    D3DXMatrixRotationX(&matX, -vRotation.y);
    D3DXMatrixRotationY(&matY, -vRotation.x);
    D3DXMatrixMultiply(&m, &matZ, &matX);
    D3DXMatrixMultiply(&m, &m, &matY);
    return m;
}

void SetWorld(CTransform& tr, const D3DXMATRIX& matRotation) {
    D3DXMATRIX matT;
    D3DXMatrixTranslation(&matT, tr.m_vPosition.x, tr.m_vPosition.y, tr.m_vPosition.z);
    D3DXMatrixMultiply(&tr.m_matWorld, &matRotation, &matT);
}
}  // namespace

CBoat::CBoat()
    : m_vHullLocal{{-1, 0, -1}, {-1, 0, 0}, {-1, 0, 1}, {0, 0, -2}, {1, 0, -1}, {1, 0, 0}, {1, 0, 1}}, m_vHullWorld{},
      m_fHullDepth{} {
    m_fspeed = 0.0f;
    m_fTurnGain = 0.5f;
}

int CBoat::Start() {
    const CDiver* pDiver = g_pApp->Diver();
    if (!pDiver) return 0;
    m_Transform.m_vPosition = pDiver->m_Transform.m_vPosition;
    D3DXMatrixTranslation(&m_Transform.m_matWorld, m_Transform.m_vPosition.x, m_Transform.m_vPosition.y,
                          m_Transform.m_vPosition.z);
    return 0;
}

int CBoat::PlaceAtDiver() {
    const CDiver* pDiver = g_pApp->Diver();
    if (!pDiver) return 0;
    m_Transform.m_vPosition = pDiver->m_Transform.m_vPosition;
    m_Transform.m_vRotation = pDiver->m_Transform.m_vRotation;
    SetWorld(m_Transform, BoatRotation(m_Transform.m_vRotation));
    return 0;
}

int CBoat::Load(const char*) {
    std::strcpy(m_szMeshFile[0], "barca.x");
    std::strcpy(m_szTextureFile, "barca.bmp");
    const int hr = LoadMeshes(1, false);
    if (hr != 0) return hr;
    CenterVertices();
    return 0;
}

int CBoat::CenterVertices() {
    if (!m_pVB[0]) return E_FAIL;
    BYTE* pb = nullptr;
    HRESULT hr = m_pVB[0]->Lock(0, 0, &pb, 0);
    if (FAILED(hr)) return hr;
    auto* pV = reinterpret_cast<SceneVertex*>(pb);
    D3DXVECTOR3 vMin(64000.0f, 64000.0f, 64000.0f), vMax(-64000.0f, -64000.0f, -64000.0f);
    for (DWORD i = 0; i < m_dwNumVertices; ++i) {
        vMin.x = std::min(vMin.x, pV[i].x), vMax.x = std::max(vMax.x, pV[i].x);
        vMin.y = std::min(vMin.y, pV[i].y), vMax.y = std::max(vMax.y, pV[i].y);
        vMin.z = std::min(vMin.z, pV[i].z), vMax.z = std::max(vMax.z, pV[i].z);
    }
    const D3DXVECTOR3 vCentre = (vMin + vMax) * 0.5f;
    D3DXMATRIX matMove;
    D3DXMatrixTranslation(&matMove, -vCentre.x, -vCentre.y, -vCentre.z);
    for (DWORD i = 0; i < m_dwNumVertices; ++i) {
        D3DXVECTOR3 v(pV[i].x, pV[i].y, pV[i].z);
        D3DXVec3TransformCoord(&v, &v, &matMove);
        pV[i].x = v.x, pV[i].y = v.y, pV[i].z = v.z;
    }
    return m_pVB[0]->Unlock();
}

void CBoat::Step(const BoatControls& c, const BoatWaveHeight& waveHeight) {
    CTransform& tr = m_Transform;
    // A long frame (a modal box, a slow desktop) is taken as one of 0.1 s.
    const float dt = std::min(c.fFrameTime, kBoatMaxFrameTime);
    const float fStep = c.fGameStep;

    if (c.bForward)
        m_fspeed += kThrottleRate * dt;
    else if (c.bBack)
        m_fspeed -= kThrottleRate * dt;
    m_fspeed -= m_fspeed * dt * kThrottleDrag;
    m_fspeed = std::clamp(m_fspeed, -kThrottleLimit, kThrottleLimit);
    const float s = m_fspeed / kThrottleLimit;

    float fSum = 0.0f;
    for (int i = 0; i < 7; ++i) {
        D3DXVec3TransformCoord(&m_vHullWorld[i], &m_vHullLocal[i], &tr.m_matWorld);
        m_fHullDepth[i] =
            m_vHullWorld[i].y - (waveHeight(c.fAppTime, m_vHullWorld[i].x, m_vHullWorld[i].z) + kWaterLine);
        fSum += m_fHullDepth[i];
    }
    const float* d = m_fHullDepth;
    const float fSide = (d[0] + d[1] + d[2]) - (d[4] + d[5] + d[6]);
    const float fFore = (d[2] + d[6]) - (d[0] + d[4]);
    const float fMean = fSum / 7.0f;
    D3DXVECTOR3 r(0.0f, -kHullTurn * fFore, -kHullTurn * fSide);

    const float fTarget = tr.m_vPosition.y - fMean * kRiseRate * dt;

    if (c.bLeft && !c.bRight) r.x += kSteer * s;
    if (c.bRight && !c.bLeft) r.x -= kSteer * s;
    r.z += -kLean * r.x;
    r.y += kBowLift * s;

    m_vAngularVelocity = kDecay * m_vAngularVelocity + r;
    tr.m_vRotation += m_vAngularVelocity * fStep * m_fTurnGain;

    const D3DXMATRIX matRotation = BoatRotation(tr.m_vRotation);
    D3DXVECTOR3 vForward;
    const D3DXVECTOR3 vAhead(0, 0, 1);
    D3DXVec3TransformCoord(&vForward, &vAhead, &matRotation);

    m_vVelocity = kDecay * m_vVelocity + vForward * m_fspeed;
    tr.m_vPosition += m_vVelocity * fStep;

    if (tr.m_vPosition.y < fTarget)
        tr.m_vPosition.y = fTarget;
    else
        tr.m_vPosition.y -= fMean * kSinkRate * dt;

    SetWorld(tr, matRotation);
}

int CBoat::Update() {
    CGameApp* pApp = g_pApp;
    const bool* pbKeys = pApp->m_Input.m_bKeys;
    BoatControls c;
    c.bForward = pbKeys['W'];
    c.bBack = pbKeys['S'];
    c.bLeft = pbKeys[VK_LEFT];
    c.bRight = pbKeys[VK_RIGHT];
    c.fFrameTime = pApp->m_fFrameTime;
    c.fGameStep = pApp->m_fGameStep;
    c.fAppTime = pApp->m_fAppTime;
    const CSeaSky* pSeaSky = pApp->m_pSeaSky;
    Step(c, [pSeaSky](float t, float x, float z) { return pSeaSky ? pSeaSky->m_SeaSurface.GetHeight(t, x, z) : 0.0f; });
    return 0;
}

int CBoat::Render() { return CSceneObject::Render(); }
