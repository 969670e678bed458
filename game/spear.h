// The speargun's spear: in the gun, flying under drag and gravity, or stuck in the fish it hit.
#pragma once

#include "game/sceneobject.h"

// Length of a flight sub-step in game time.
constexpr float kSpearSubStep = 0.01f;
// The longest game step a flight integrates. Longer steps (the game stalled) fly only this far: the
// sub-step counter is a float, which stops growing near 262,144 and would never end the loop.
constexpr float kSpearMaxStep = 10.0f;

// The whole sub-steps of 0.01 that a flight of fStep game time makes, counted with a float that
// adds 0.01 each time (so a step on the 0.01 grid, such as 0.05, gets one more than exact arithmetic
// would give), and in *pfRemainder the part they leave for the last step. fStep is capped first.
int spearSubSteps(float fStep, float* pfRemainder);

// Values of CSpear::m_iState.
enum : int { kSpearInGun = 1, kSpearFlying = 2, kSpearStuck = 3 };

class CSpear : public CSceneObject {
public:
    CSpear();

    int Load(const char* szMeshFile);
    int BuildCollisionModel();
    int Update();
    // 0 no contact, 1 a contact found by a model test or the sea floor, 2 one found by the ray test.
    int CheckCollisions();
    // Mirrors the velocity in the plane of the triangle hit, keeping the speed. After a model test the
    // triangle and point are the other model's in the spear's contact; after a ray test (pRayModel
    // given) they are the ray's hit on that model.
    int BounceOffModel(CollisionModel3D* pRayModel = nullptr);
    int BounceOffTerrain();

    D3DXVECTOR3 m_vPrevPosition;
    int m_iState;  // kSpearInGun, kSpearFlying or kSpearStuck (in the fish last hit)
    D3DXVECTOR3 m_vCorner[8];

private:
    // One step of dt: drag and gravity change the velocity, the new velocity moves the spear.
    void Drift(float dt);
    // The fish's orientation, inverse(LookAtRH(0, heading, up)), kept from the last heading that
    // gave one: a zero or vertical heading keeps the previous.
    D3DXMATRIX m_matFishHeading;
};
