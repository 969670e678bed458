// Best-first search over a grid of points around the rocks, for the fish.
#pragma once

#include "d3dx8/d3dx8math.h"
#include "pathsearch/heap.h"

struct PathNode {
    float x, y, z;
    double f, g, h;     // f = g + h; g the path length from the start, h the distance to the goal
    PathNode* pParent;  // none for the start
};

struct PathRequest {
    D3DXVECTOR3 vGoal;
    float fStep;           // grid spacing and goal tolerance
    D3DXVECTOR3** ppPath;  // receives the point array (release with free)
    int* pnCount;          // receives the number of points
};

inline constexpr int kMaxPathSuccessors = 30;
inline constexpr int kMaxPathExpansions = 5000;
inline constexpr int kPathNodesPerBlock = 1000;
inline constexpr int kMaxPathNodeBlocks = 100;
inline constexpr float kPathClearance = 2.5f;

extern PathNode g_aPathSuccessors[kMaxPathSuccessors];
extern int g_nPathSuccessors;
extern PathRequest* g_pPathRequest;

// 0 when a point within one step of the goal was reached, -2 when the search gave up (nothing left
// to try, or the expansion limit), -1 on a bad request or when memory, the node pool or a heap
// failed. On 0 and -2 the request receives the path from the start to the last node reached; on -1
// it receives no path and a count of 0.
int pfFindPath(float x, float y, float z, PathRequest* pRequest);

// How many node blocks a search may use, 1 to kMaxPathNodeBlocks (the default); the previous limit.
// A search takes at most 26 + 19 nodes per further expansion, so only a lower limit runs out.
int pfSetNodeBlockLimit(int nBlocks);

PathNode* pfAllocNode(PathNode node);
double pfDistanceToGoal(const D3DXVECTOR3& vPosition);
PathNode* pfPopBest(Heap* pOpen);
int pfBuildPath(PathNode* pNode);
int pfExpandNode(PathNode* pNode, float fStep);
int pfUpdateIfListed(int iSuccessor, Heap* pHeap);
int pfIsAtGoal(PathNode* pNode, float fStep);
int pfCompareNodes(Heap* pHeap, int a, int b);
void pfFreeSearch(Heap* pOpen, Heap* pClosed);
int pfIsBlocked(PathNode* pNode);
