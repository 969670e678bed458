// The underwater scene mode: its device state and constants, its world step and its two-pass frame.
#pragma once

#include "d3dx8/d3dx8math.h"

constexpr int kTextBufferLength = 2000;
extern char g_szHelpText[kTextBufferLength];
extern char g_szFishCount[kTextBufferLength];

// Rocks, fish and moving rocks farther than this from the diver in x or z are not drawn.
constexpr float kDrawRange = 130.0f;
constexpr DWORD kTextColor = 0xFFFFFF00;

// The water colour as an opaque device colour, each channel cut to its low eight bits.
DWORD scnWaterColor(const int anColor[3]);
// The caustic frame of an application time: 32 frames a second, repeating every second.
unsigned scnCausticFrame(float fAppTime);
// Writes c24 from the application time.
void scnSetCausticAnimation(float fAppTime);

class CUnderwaterScene {
public:
    CUnderwaterScene();

    int Enter();
    int Update();
    int Render();

    D3DXVECTOR4 m_vC20;
    D3DXVECTOR4 m_vC19;
    D3DXVECTOR4 m_vC21;
    D3DXVECTOR4 m_vC22;
    D3DXVECTOR4 m_vC26;
    D3DXVECTOR4 m_vZero;
};

int scnEnterSurface();
int scnUpdateSurface();
int scnRenderSurface();
