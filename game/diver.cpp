#include "game/diver.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "game/gameapp.h"
#include "game/vsconsts.h"

char g_szFinDebug[kFinDebugLength] = "sacar3";
SDiverProgramState g_DiverState{};

void divResetProgramState() { g_DiverState = SDiverProgramState{}; }

namespace {

constexpr float kStartPitch = -0.6f;
constexpr float kDamping = 0.9f;
constexpr float kMaxPressTime = 4.0f;
constexpr float kMaxLegAngle = 2.0f;
constexpr float kFullThrust = 0.17f;
constexpr float kSpearSpeed = 150.0f;
constexpr float kBreathHeight = 43.5f;
constexpr float kSeatHeight = 50.0f;
constexpr float kHoldRadius = 10.0f;
constexpr float kFadeSeconds = 4.0f;
// Keeps the fog constant finite when the fade brings the fog end down onto the fog start.
constexpr float kMinFogSpan = 0.01f;
constexpr signed char kHolding = 2;
inline constexpr char kHoldMessage[] = "\xA1\xA1 Estas agarrado a una roca !!";

D3DXVECTOR3 Forward(const D3DXMATRIX& m) {
    const D3DXVECTOR3 v(0, 0, 1);
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &v, &m);
    return out;
}

bool SpearOut(const CGameApp& app) {
    return app.m_nSpears > 0 && app.m_ppSpears && app.m_ppSpears[0] && app.m_ppSpears[0]->m_iState != kSpearInGun;
}

}  // namespace

float divBuoyancy(float fY) {
    const float s = 0.333f * fY;
    if (fY >= kSeaLevel) return 0.0f;
    if (fY > 42.0f) return 0.1f + (s - 14.0f) * (0.12f - 0.1f);
    if (fY > 36.0f) return 0.064f + (s - 12.0f) / 2.0f * (0.1f - 0.064f);
    if (fY > 27.0f) return 0.045f + (s - 9.0f) / 3.0f * (0.064f - 0.045f);
    if (fY > 15.0f) return 0.025f + (s - 5.0f) / 4.0f * (0.045f - 0.025f);
    if (fY > 6.0f) return 0.015f + (s - 2.0f) / 3.0f * (0.025f - 0.015f);
    return 0.005f + s / 2.0f * (0.015f - 0.005f);
}

CDiver::CDiver()
    : m_vLookDir(0, -std::sin(-kStartPitch), std::cos(kStartPitch)), m_vLookVelocity(0, 0, 0), m_fCalm(50.0f),
      m_iLastFishHit(-1), m_iFishCaught(0), m_iState(kDiverAlive), m_vBuoyancy(0, 0, 0), m_fLegAngle(0.0f),
      m_cLegSide(1), m_fTrigger(kTriggerFired), m_cContact(0), m_cTurning(0), m_fEffort(0.0f),
      m_fAir(g_pApp ? g_pApp->m_fMaxAir : 0.0f), m_cHold(0), m_byCollisionFrames(0), m_fStartTimer(8.0f),
      m_vPrevPosition(0, 0, 0), m_vPrevRotation(0, 0, 0), m_vCorner{} {
    m_fTurnGain = 0.5f;
}

// The common load, with the box in place of a model of the mesh's own triangles.
int CDiver::Load(const char*) {
    const int hr = LoadMeshes(1, true);
    if (hr != 0) return hr;
    BuildCollisionModel();
    return 0;
}

int CDiver::Update() {
    CGameApp& app = *g_pApp;
    CInput& input = app.m_Input;
    const float fStep = app.m_fGameStep;
    CTransform& tr = m_Transform;

    m_fStartTimer -= fStep;
    if (m_fStartTimer <= 0.0f) m_fStartTimer = 0.0f;

    UpdateCalm();
    UpdateFinning();
    UpdateBuoyancy();
    UpdateAir();
    UpdateHold();

    m_vPrevPosition = tr.m_vPosition;
    m_vPrevRotation = tr.m_vRotation;
    const D3DXMATRIX matPrevWorld = tr.m_matWorld;

    D3DXVECTOR3 t(0, 0, 0);
    if (input.m_bKeys[VK_DOWN]) t.y -= 0.03f;
    if (input.m_bKeys[VK_UP]) t.y += 0.03f;
    t += input.m_vMouseDelta;
    const D3DXVECTOR3& vHeadDelta = input.m_vMouseDeltaRight;

    if (t.x != 0.0f || t.y != 0.0f)
        m_cTurning = 1;
    else if (vHeadDelta.x != 0.0f || vHeadDelta.y != 0.0f)
        m_cTurning = 2;
    else
        m_cTurning = 0;

    if (m_fStartTimer > 0.0f) {
        t = D3DXVECTOR3(0, 0, 0);
        tr.m_vRotation = D3DXVECTOR3(0, kStartPitch, 0);
    }

    D3DXVECTOR3& vHead = g_DiverState.s_vHeadLook;
    if (!input.m_bKeys[kKeyRightButton]) vHead *= kDamping;
    if (m_byCollisionFrames >= 1) m_vLookVelocity = D3DXVECTOR3(0, 0, 0);
    m_vLookVelocity = m_vLookVelocity * kDamping + vHeadDelta;
    vHead += m_vLookVelocity * fStep * m_fTurnGain;

    if (m_byCollisionFrames >= 1) m_vAngularVelocity = D3DXVECTOR3(0, 0, 0);
    m_vAngularVelocity = m_vAngularVelocity * kDamping + t;
    tr.m_vRotation += m_vAngularVelocity * fStep * m_fTurnGain;

    if (app.m_bSurfaceMode) tr.m_vRotation.x = app.m_Boat.m_Transform.m_vRotation.x;

    const D3DXMATRIX matBody = scnRotationMatrix(tr.m_vRotation);
    const D3DXMATRIX matHead = scnRotationMatrix(vHead);
    m_vLookDir = Forward(matBody);

    m_vVelocity = m_vVelocity * kDamping + m_vLookDir * m_fspeed;
    if (m_byCollisionFrames == 0) m_vVelocity += m_vBuoyancy;
    if (m_cHold == kHolding) m_vVelocity = D3DXVECTOR3(0, 0, 0);

    if (!app.m_bSurfaceMode) tr.m_vPosition += m_vVelocity * fStep;
    if (tr.m_vPosition.y >= kSeaLevel) tr.m_vPosition.y = kSeaLevel;
    if (app.m_bSurfaceMode) {
        const D3DXVECTOR3 vSeat(0, 0, -12);
        D3DXVec3TransformCoord(&tr.m_vPosition, &vSeat, &app.m_Boat.m_Transform.m_matWorld);
        tr.m_vPosition.y = kSeatHeight;
    }

    D3DXMATRIX matHeadBody, matMove;
    D3DXMatrixMultiply(&matHeadBody, &matHead, &matBody);
    D3DXMatrixTranslation(&matMove, tr.m_vPosition.x, tr.m_vPosition.y, tr.m_vPosition.z);
    D3DXMatrixMultiply(&tr.m_matWorld, &matHeadBody, &matMove);

    if (CheckCollisions()) {
        tr.m_vPosition = m_vPrevPosition;
        tr.m_vRotation = m_vPrevRotation;
        tr.m_matWorld = matPrevWorld;
        if (m_byCollisionFrames < 250) ++m_byCollisionFrames;
    } else {
        m_byCollisionFrames = 0;
    }

    const bool bFire = input.m_bKeys['Z'] || input.m_bKeys[kKeyLeftButton];
    if (bFire && m_fTrigger == kTriggerArmed) {
        m_vLookDir = Forward(matHeadBody);
        for (int i = 0; app.m_ppSpears && i < app.m_nSpears; ++i) {
            CSpear* pSpear = app.m_ppSpears[i];
            if (!pSpear) continue;
            pSpear->m_Transform.m_vPosition = tr.m_vPosition;
            pSpear->m_Transform.m_vRotation = tr.m_vRotation + vHead;
            pSpear->m_vVelocity = m_vLookDir * kSpearSpeed;
            pSpear->m_iState = kSpearFlying;
        }
        m_fTrigger = kTriggerFired;
    }
    if (!bFire) m_fTrigger = kTriggerArmed;

    if (input.m_bKeys['X'] && tr.m_vPosition.y >= kSeaLevel)
        for (int i = 0; app.m_ppSpears && i < app.m_nSpears; ++i)
            if (app.m_ppSpears[i]) app.m_ppSpears[i]->m_iState = kSpearInGun;
    return 0;
}

int CDiver::UpdateCalm() {
    const CGameApp& app = *g_pApp;
    // The size of the thrust: swimming backward is no quieter than keeping still.
    const float fThrust = std::fabs(m_fspeed);
    float fNoise = 0.1f + (fThrust / kFullThrust) * 0.05f + m_fEffort * m_fEffort * 0.4f;
    float k = 0.01f;
    if (m_cContact > 0 && fThrust >= 0.001f) fNoise += (fThrust / kFullThrust) * 0.7f;
    if (m_cHold == kHolding) {
        k *= 1.5f;
        fNoise -= 0.1f;
    }
    if (SpearOut(app)) fNoise += 1.0f;
    if (m_cTurning == 1) {
        k = 0.0f;
        fNoise += 0.12f;
    } else if (m_cTurning == 2) {
        k = 0.0f;
        fNoise += 0.05f;
    }
    if (fNoise > 1.0f) fNoise = 1.0f;
    if (fNoise < 0.0f) fNoise = 0.0f;
    const float fTarget = (1.0f - fNoise) * 100.0f;
    if (fTarget < m_fCalm) {
        m_fCalm = fTarget;
    } else {
        m_fCalm += (k * m_fCalm + 1.0f) * app.m_fGameStep;
        if (m_fCalm == 0.0f) m_fCalm = 1.0f;
    }
    if (app.m_Input.m_bKeys['R']) m_fCalm -= 1.0f;
    if (app.m_Input.m_bKeys['T']) m_fCalm += 1.0f;
    return 0;
}

int CDiver::UpdateFinning() {
    const CGameApp& app = *g_pApp;
    const float fStep = app.m_fGameStep;
    SDiverProgramState& s = g_DiverState;
    const bool bW = app.m_Input.m_bKeys['W'], bS = app.m_Input.m_bKeys['S'];
    if (bW)
        s.s_bReverse = false;
    else if (bS)
        s.s_bReverse = true;
    if (bW || bS) {
        if (!s.s_bFinKeyHeld) {
            s.s_fPressTime = 0.0f;
            m_cLegSide = static_cast<signed char>(-m_cLegSide);
        }
        s.s_bFinKeyHeld = true;
        s.s_fPressTime += fStep;
        if (s.s_fPressTime > kMaxPressTime) s.s_fPressTime = kMaxPressTime;
    } else if (s.s_bFinKeyHeld) {
        s.s_bFinKeyHeld = false;
        s.s_fPressTime = 0.0f;
    }
    m_fEffort = s.s_fPressTime / kMaxPressTime;
    m_fLegAngle += m_fEffort * fStep * m_cLegSide;
    if (m_fLegAngle >= kMaxLegAngle) {
        m_fLegAngle = kMaxLegAngle;
        m_fEffort = 0.0f;
        s.s_fPressTime = 0.0f;
    } else if (m_fLegAngle <= -kMaxLegAngle) {
        m_fLegAngle = -kMaxLegAngle;
        m_fEffort = 0.0f;
        s.s_fPressTime = 0.0f;
    }
    // A long step must not make the resting leg swing past where it was.
    if (m_fEffort == 0.0f) m_fLegAngle *= std::fmin(0.2f * fStep, 1.0f);
    const float fTarget = m_fEffort * kFullThrust;
    if (fTarget > m_fspeed)
        m_fspeed = fTarget;
    else
        m_fspeed = fTarget * 0.1f * fStep + (1.0f - 0.1f * fStep) * m_fspeed;
    if (s.s_bReverse) m_fspeed = -m_fspeed;
    std::snprintf(g_szFinDebug, sizeof g_szFinDebug, "m_fspeed:%f,vel:%f,piernas:%f,tiempopress:%f",
                  static_cast<double>(m_fspeed), static_cast<double>(fTarget), static_cast<double>(m_fLegAngle),
                  static_cast<double>(s.s_fPressTime));
    return 0;
}

int CDiver::UpdateBuoyancy() {
    const CGameApp& app = *g_pApp;
    m_vBuoyancy = D3DXVECTOR3(0, divBuoyancy(m_Transform.m_vPosition.y) - 0.012f * app.m_fBallast, 0);
    m_vBuoyancy += D3DXVECTOR3(app.m_fCurrentX, 0, app.m_fCurrentZ);
    if (app.m_bBuoyancyOff == 1) m_vBuoyancy = D3DXVECTOR3(0, 0, 0);
    return 0;
}

void CDiver::UpdateAir() {
    CGameApp& app = *g_pApp;
    const float fStep = app.m_fGameStep;
    SDiverProgramState& s = g_DiverState;
    m_fAir -= fStep / 5.0f;
    m_fAir -= m_fEffort * fStep * 3.0f;
    if (m_Transform.m_vPosition.y >= kBreathHeight && m_iState == kDiverAlive) {
        if (m_fAir != 0.0f) {
            const float r = m_fAir < 50.0f ? 10.0f : m_fAir < 100.0f ? 7.0f : m_fAir < 120.0f ? 3.0f : 2.0f;
            m_fAir += r * fStep / 5.0f;
        }
        if (m_fAir > app.m_fMaxAir) m_fAir = app.m_fMaxAir;
    }
    if (m_fAir <= 0.0f) m_fAir = 0.0f;
    if (m_fAir > 0.0f) {
        s.s_bDrowning = false;
        return;
    }
    if (!s.s_bDrowning) {
        s.s_fFadeStart = app.m_fAppTime;
        std::memcpy(s.s_anFadeFromColor, app.m_anWaterColor, sizeof s.s_anFadeFromColor);
        s.s_fFadeFogSpan = app.m_fFogEnd - app.m_fFogStart;
        m_iState = kDiverOutOfAir;
        s.s_bDrowning = true;
    }
    const float t = (app.m_fAppTime - s.s_fFadeStart) / kFadeSeconds;
    if (t > 1.0f) {
        m_iState = kDiverRestart;
        return;
    }
    const int* c0 = s.s_anFadeFromColor;
    app.m_anWaterColor[0] = static_cast<int>(t * 80.0f + (1.0f - t) * static_cast<float>(c0[0]));
    app.m_anWaterColor[1] = static_cast<int>((1.0f - t) * static_cast<float>(c0[1]));
    app.m_anWaterColor[2] = static_cast<int>((1.0f - t) * static_cast<float>(c0[2]));
    app.m_fFogEnd = (1.0f - t) * s.s_fFadeFogSpan + app.m_fFogStart;
    if (app.m_fFogEnd < 10.0f) app.m_fFogEnd = 15.0f;
    if (app.m_pDevice) {
        const float fSpan = std::fmax(app.m_fFogEnd - app.m_fFogStart, kMinFogSpan);
        const D3DXVECTOR4 vFog(0.5f, app.m_fFogEnd, 1.0f / fSpan, 0.0f);
        app.m_pDevice->SetVertexShaderConstant(VSC_FOG, &vFog, 1);
    }
}

void CDiver::UpdateHold() {
    const CGameApp& app = *g_pApp;
    if (!app.m_Input.m_bKeys['Q']) {
        m_cHold = 0;
        return;
    }
    for (int i = 0; app.m_ppRocks && i < app.m_nRocks; ++i) {
        CSceneObject* pRock = app.m_ppRocks[i];
        // A rock whose load failed has no model to reach for.
        if (!pRock || !pRock->m_pCollisionModel) continue;
        pRock->m_pCollisionModel->setTransform(&pRock->m_Transform.m_matWorld._11);
        if (pRock->m_pCollisionModel->sphereCollision(&m_Transform.m_vPosition.x, kHoldRadius)) {
            m_cHold = kHolding;
            hudSetMessage(kHoldMessage, 0.2f);
        }
    }
}

int CDiver::Render() {
    CGameApp& app = *g_pApp;
    if (app.m_nRenderPass != 1 || !m_pVB[0] || !m_pIB) return CSceneObject::Render();
    static const D3DXVECTOR4 vLight(0.8f, 0.8f, 0.8f, 1.0f);
    app.m_pDevice->SetVertexShaderConstant(VSC_COLOR_B, &vLight, 1);
    const int hr = CSceneObject::Render();
    app.m_pDevice->SetVertexShaderConstant(VSC_COLOR_B, &app.m_UnderwaterScene.m_vC22, 1);
    return hr;
}
