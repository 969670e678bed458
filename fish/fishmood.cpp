// The fish's mood: the reaction table read by the diver's distance and calm and the fish's two
// traits, the fear it feeds, and the speed that follows.
#include <algorithm>
#include <cmath>

#include "fish/fish.h"
#include "game/gameapp.h"

namespace {

// Inputs outside the table (a fish closer than about 3 units, a range past 40, traits outside 0 to
// 9, or no number at all) read its nearest edge.
float ClampAxis(float x, float fMin, float fMax) {
    if (!(x >= fMin)) return fMin;
    return x > fMax ? fMax : x;
}

constexpr float kMaxDiverDist = 40.0f;
constexpr float kMaxCalmIndex = 10.0f;
constexpr float kMaxTrait = 9.0f;

// Lower and upper neighbour of x on a plain integer axis, and the upper one's weight.
void IntegerNeighbours(float x, int* pnLower, int* pnUpper, float* pfWeight) {
    *pnLower = static_cast<int>(std::floor(x));
    *pnUpper = static_cast<int>(std::ceil(x));
    if (*pnUpper == *pnLower) *pnUpper = *pnLower + 1;
    *pfWeight = x - static_cast<float>(*pnLower);
}

// f x at(upper) + (1 - f) x at(lower). A neighbour of weight 0 may lie past the table's filled
// entries: it is not read.
template <class At> float Blend(int nLower, int nUpper, float f, At at) {
    const float fLower = at(nLower);
    if (f == 0.0f) return fLower;
    return f * at(nUpper) + (1.0f - f) * fLower;
}

// The same along a plain integer axis.
template <class At> float BlendAxis(float x, At at) {
    int nLower, nUpper;
    float f;
    IntegerNeighbours(x, &nLower, &nUpper, &f);
    return Blend(nLower, nUpper, f, at);
}

}  // namespace

int CFish::UpdateDiverDistance() {
    const CDiver* pDiver = g_pApp->Diver();
    const D3DXVECTOR3 vDiver = pDiver ? pDiver->m_Transform.m_vPosition : m_Transform.m_vPosition;
    const D3DXVECTOR3 vTo = m_Transform.m_vPosition - vDiver;
    m_fDiverDist = D3DXVec3Length(&vTo) * 0.333f - 1.0f;
    return 0;
}

int CFish::UpdateDiverCalm() {
    const CDiver* pDiver = g_pApp->Diver();
    m_fDiverCalm = pDiver ? pDiver->m_fCalm : 100.0f;
    if (m_fDiverCalm > 100.0f) m_fDiverCalm = 100.0f;
    if (m_fDiverCalm < 0.0f) m_fDiverCalm = 0.0f;
    return 0;
}

int CFish::UpdateMood() {
    const float fStep = fishStep();
    UpdateDiverDistance();
    UpdateDiverCalm();
    if (m_fDiverDist <= m_fReactionRange)
        m_fMood = LookupReaction(m_fDiverDist, m_fDiverCalm / 10.0f, m_fTrait1, m_fTrait2);
    else
        m_fMood = 50.0f;
    if (m_fMood < 35.0f) m_fFear += (35.0f - m_fMood) * fStep;
    if (m_fFear > 0.0f)
        m_fFear -= (m_fFear + 10.0f) * fStep * 0.02f;
    else
        m_fFear = 0.0f;
    // The decay's constant term would take a small fear below 0, which would raise the mood.
    if (m_fFear < 0.0f) m_fFear = 0.0f;
    if (m_fFear > 100.0f) m_fFear = 100.0f;
    m_fMood -= m_fFear * fStep;
    m_fspeed = fishSpeedFromApproach(m_fApproach);
    return 0;
}

float fishSpeedFromApproach(float fApproach) {
    const float fSpeed = fApproach > 0.0f ? 2.0f * fApproach * fApproach : 6.0f * fApproach * fApproach;
    return std::max(fSpeed, 0.3f);
}

float CFish::LookupReaction(float w, float j, float k, float l) {
    w = ClampAxis(w, 0.0f, kMaxDiverDist);
    j = ClampAxis(j, 0.0f, kMaxCalmIndex);
    k = ClampAxis(k, 0.0f, kMaxTrait);
    l = ClampAxis(l, 0.0f, kMaxTrait);
    int nLower, nUpper;
    float f;
    if (w < 5.0f) {
        IntegerNeighbours(2.0f * w, &nLower, &nUpper, &f);
    } else {
        // Rows 10 to 18 stand for w = 5, 6, 7, 8, 10, 15, 20, 30 and 40.
        static const float kRowDistance[] = {5, 6, 7, 8, 10, 15, 20, 30, 40};
        nLower = 18;
        nUpper = 19;
        f = 0.0f;
        for (int r = 0; r < 8; ++r)
            if (w < kRowDistance[r + 1]) {
                nLower = 10 + r;
                nUpper = nLower + 1;
                f = (w - kRowDistance[r]) / (kRowDistance[r + 1] - kRowDistance[r]);
                break;
            }
    }
    return Blend(nLower, nUpper, f, [&](int i) { return LookupReactionAxis2(i, j, k, l); });
}

float CFish::LookupReactionAxis2(int i, float j, float k, float l) {
    return BlendAxis(j, [&](int nJ) { return LookupReactionAxis3(i, nJ, k, l); });
}

float CFish::LookupReactionAxis3(int i, int j, float k, float l) {
    return BlendAxis(k, [&](int nK) { return LookupReactionAxis4(i, j, nK, l); });
}

float CFish::LookupReactionAxis4(int i, int j, int k, float l) {
    return BlendAxis(l, [&](int nL) { return static_cast<float>(m_acReactionTable[i][j][k][nL]); });
}

void CFish::InitBehaviour() {
    for (float& fDist : m_Sensors.m_afSensorDist) fDist = 20.0f;
    const float kEighth = 0.39269909f;
    static const float kYawPitch[5][2] = {{-1, 1}, {-1, -1}, {1, 1}, {1, -1}, {0, 0}};
    for (int n = 0; n < 5; ++n)
        D3DXMatrixRotationYawPitchRoll(&m_Sensors.m_amSensorRot[n], kYawPitch[n][0] * kEighth,
                                       kYawPitch[n][1] * kEighth, 0.0f);
    m_Sensors.m_cSensorTick = 0;
    m_Sensors.m_cNearestSensor = 0;
    m_fAvoidGain = 0.0f;
    m_fAvoidGainPrev = 0.0f;
    m_fApproach = 1.0f;
    m_fTailFrequency = 0.0f;
    m_fFear = 0.0f;
    FillReactionTable();
}
