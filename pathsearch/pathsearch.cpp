#include "pathsearch/pathsearch.h"

#include "pathsearch/pathrocks.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <unordered_map>

PathNode g_aPathSuccessors[kMaxPathSuccessors];
int g_nPathSuccessors = 0;
PathRequest* g_pPathRequest = nullptr;

namespace {

constexpr int kPoolNotCreated = -5;

PathNode** g_ppNodeBlocks = nullptr;
int g_iNodeBlock = kPoolNotCreated;
int g_iNodeSlot = 0;
int g_nNodesMade = 0;
int g_nNodeBlockLimit = kMaxPathNodeBlocks;

// Nodes match by exact position; the key is the coordinates' bits, with -0 taken as 0.
struct PositionKey {
    std::uint32_t x, y, z;
    bool operator==(const PositionKey&) const = default;
};

struct PositionHash {
    size_t operator()(const PositionKey& k) const {
        std::uint64_t h = k.x;
        h = h * 0x9E3779B97F4A7C15ull ^ k.y;
        h = h * 0x9E3779B97F4A7C15ull ^ k.z;
        return size_t(h ^ (h >> 29));
    }
};

std::uint32_t Bits(float f) {
    if (f == 0.0f) f = 0.0f;
    std::uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

PositionKey KeyOf(const PathNode& node) { return {Bits(node.x), Bits(node.y), Bits(node.z)}; }

// The positions held by the open and the closed list of the running search. Every successor is
// looked up in both; scanning the lists for it instead grows with the square of the nodes made.
struct ListIndex {
    Heap* pHeap = nullptr;
    std::unordered_map<PositionKey, PathNode*, PositionHash> nodes;
};
ListIndex g_OpenIndex;
ListIndex g_ClosedIndex;

ListIndex* IndexOf(Heap* pHeap) {
    if (pHeap && pHeap == g_OpenIndex.pHeap) return &g_OpenIndex;
    if (pHeap && pHeap == g_ClosedIndex.pHeap) return &g_ClosedIndex;
    return nullptr;
}

int InsertListed(Heap* pHeap, PathNode* pNode) {
    if (hpInsert(pHeap, pNode) != 1) return -1;
    if (ListIndex* pIndex = IndexOf(pHeap)) pIndex->nodes[KeyOf(*pNode)] = pNode;
    return 1;
}

void FreeNodePool() {
    if (g_ppNodeBlocks) {
        for (int i = 0; i < kMaxPathNodeBlocks; ++i) delete[] g_ppNodeBlocks[i];
        delete[] g_ppNodeBlocks;
    }
    g_ppNodeBlocks = nullptr;
    g_iNodeBlock = kPoolNotCreated;
    g_iNodeSlot = 0;
    g_nNodesMade = 0;
}

D3DXVECTOR3 PositionOf(const PathNode& node) { return D3DXVECTOR3(node.x, node.y, node.z); }

bool IsFinite(float f) { return std::isfinite(f); }

int RunSearch(float x, float y, float z, PathRequest* pRequest, Heap* pOpen, Heap* pClosed) {
    const float fStep = pRequest->fStep;
    PathNode start{};
    start.x = x;
    start.y = y;
    start.z = z;
    PathNode* pStart = pfAllocNode(start);
    if (!pStart) return -1;
    g_pPathRequest = pRequest;
    pStart->g = 0.0;
    pStart->h = pfDistanceToGoal(PositionOf(*pStart));
    pStart->f = pStart->h;
    pStart->pParent = nullptr;
    if (InsertListed(pOpen, pStart) != 1) return -1;

    PathNode* pLast = nullptr;
    int nExpanded = 0;
    while (pOpen->iCount >= 1) {
        if (++nExpanded > kMaxPathExpansions) break;
        PathNode* pNode = pfPopBest(pOpen);
        if (!pNode) return -1;
        pLast = pNode;
        if (pfIsAtGoal(pNode, fStep)) return pfBuildPath(pNode) == 0 ? 0 : -1;

        pfExpandNode(pNode, fStep);
        for (int i = 0; i < g_nPathSuccessors; ++i) {
            int iListed = pfUpdateIfListed(i, pOpen);
            if (iListed == 0) iListed = pfUpdateIfListed(i, pClosed);
            if (iListed < 0) return -1;
            if (iListed == 1) continue;
            PathNode* pNew = pfAllocNode(g_aPathSuccessors[i]);
            if (!pNew || InsertListed(pOpen, pNew) != 1) return -1;
        }
        if (InsertListed(pClosed, pNode) != 1) return -1;
    }
    return pfBuildPath(pLast) == 0 ? -2 : -1;
}

}  // namespace

int pfFindPath(float x, float y, float z, PathRequest* pRequest) {
    if (!pRequest || !pRequest->ppPath || !pRequest->pnCount) return -1;
    *pRequest->ppPath = nullptr;
    *pRequest->pnCount = 0;
    const D3DXVECTOR3& vGoal = pRequest->vGoal;
    if (!IsFinite(x) || !IsFinite(y) || !IsFinite(z) || !IsFinite(vGoal.x) || !IsFinite(vGoal.y) ||
        !IsFinite(vGoal.z) || !IsFinite(pRequest->fStep) || !(pRequest->fStep > 0.0f))
        return -1;

    Heap* pOpen = hpCreateHeap(0, 1000, -1, pfCompareNodes);
    Heap* pClosed = hpCreateHeap(0, 1000, -1, pfCompareNodes);
    int iResult = -1;
    if (pOpen && pClosed) {
        FreeNodePool();
        g_OpenIndex.pHeap = pOpen;
        g_ClosedIndex.pHeap = pClosed;
        iResult = RunSearch(x, y, z, pRequest, pOpen, pClosed);
    }
    // Every exit releases the search, the failures included.
    pfFreeSearch(pOpen, pClosed);
    return iResult;
}

int pfSetNodeBlockLimit(int nBlocks) {
    const int nPrevious = g_nNodeBlockLimit;
    g_nNodeBlockLimit = nBlocks < 1 ? 1 : nBlocks > kMaxPathNodeBlocks ? kMaxPathNodeBlocks : nBlocks;
    return nPrevious;
}

PathNode* pfAllocNode(PathNode node) {
    if (g_iNodeBlock == kPoolNotCreated) {
        g_ppNodeBlocks = new (std::nothrow) PathNode*[kMaxPathNodeBlocks]();
        if (!g_ppNodeBlocks) return nullptr;
        g_ppNodeBlocks[0] = new (std::nothrow) PathNode[kPathNodesPerBlock];
        if (!g_ppNodeBlocks[0]) {
            FreeNodePool();
            return nullptr;
        }
        g_iNodeBlock = 0;
        g_iNodeSlot = 0;
    }
    if (g_iNodeSlot == kPathNodesPerBlock) {
        if (g_iNodeBlock + 1 >= g_nNodeBlockLimit) return nullptr;
        PathNode* pBlock = new (std::nothrow) PathNode[kPathNodesPerBlock];
        if (!pBlock) return nullptr;
        g_ppNodeBlocks[++g_iNodeBlock] = pBlock;
        g_iNodeSlot = 0;
    }
    PathNode* pNode = &g_ppNodeBlocks[g_iNodeBlock][g_iNodeSlot++];
    *pNode = node;
    ++g_nNodesMade;
    return pNode;
}

double pfDistanceToGoal(const D3DXVECTOR3& vPosition) {
    const D3DXVECTOR3& vGoal = g_pPathRequest->vGoal;
    const double dx = double(vPosition.x) - vGoal.x;
    const double dy = double(vPosition.y) - vGoal.y;
    const double dz = double(vPosition.z) - vGoal.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

PathNode* pfPopBest(Heap* pOpen) {
    PathNode* pNode = static_cast<PathNode*>(hpExtractTop(pOpen));
    if (pNode)
        if (ListIndex* pIndex = IndexOf(pOpen)) pIndex->nodes.erase(KeyOf(*pNode));
    return pNode;
}

int pfBuildPath(PathNode* pNode) {
    if (!pNode || !g_pPathRequest) return -1;
    int nCount = 0;
    for (PathNode* p = pNode; p; p = p->pParent)
        if (++nCount > g_nNodesMade) return -1;  // parent links that loop
    D3DXVECTOR3* pPath = static_cast<D3DXVECTOR3*>(malloc(size_t(nCount) * sizeof(D3DXVECTOR3)));
    if (!pPath) return -1;
    int i = nCount;
    for (PathNode* p = pNode; p; p = p->pParent) pPath[--i] = PositionOf(*p);
    *g_pPathRequest->ppPath = pPath;
    *g_pPathRequest->pnCount = nCount;
    return 0;
}

int pfExpandNode(PathNode* pNode, float fStep) {
    g_nPathSuccessors = 0;
    const float afDelta[3] = {-fStep, 0.0f, fStep};
    for (float dx : afDelta)
        for (float dy : afDelta)
            for (float dz : afDelta) {
                if (dx == 0.0f && dy == 0.0f && dz == 0.0f) continue;
                PathNode& s = g_aPathSuccessors[g_nPathSuccessors];
                s.x = pNode->x + dx;
                s.y = pNode->y + dy;
                s.z = pNode->z + dz;
                s.h = pfDistanceToGoal(PositionOf(s));
                s.g = std::sqrt(double(dx) * dx + double(dy) * dy + double(dz) * dz) + pNode->g;
                s.f = s.g + s.h;
                s.pParent = pNode;
                if (!pfIsBlocked(&s)) ++g_nPathSuccessors;
            }
    return g_nPathSuccessors;
}

int pfUpdateIfListed(int iSuccessor, Heap* pHeap) {
    if (!pHeap || iSuccessor < 0 || iSuccessor >= g_nPathSuccessors) return -1;
    const PathNode& s = g_aPathSuccessors[iSuccessor];
    PathNode* pListed = nullptr;
    if (const ListIndex* pIndex = IndexOf(pHeap)) {
        const auto it = pIndex->nodes.find(KeyOf(s));
        if (it != pIndex->nodes.end()) pListed = it->second;
    } else {
        for (int i = 0; i < pHeap->iCount && !pListed; ++i) {
            PathNode* p = static_cast<PathNode*>(pHeap->ppItems[i]);
            if (p->x == s.x && p->y == s.y && p->z == s.z) pListed = p;
        }
    }
    if (!pListed) return 0;
    if (!(s.f < pListed->f)) return 1;
    pListed->g = s.g;
    pListed->h = s.h;
    pListed->f = s.f;
    pListed->pParent = s.pParent;
    for (int i = 0; i < pHeap->iCount; ++i)
        if (pHeap->ppItems[i] == pListed) return hpHeapifyup(pHeap, i) == 1 ? 1 : -1;
    return -1;
}

int pfIsAtGoal(PathNode* pNode, float fStep) { return pfDistanceToGoal(PositionOf(*pNode)) < fStep ? 1 : 0; }

int pfCompareNodes(Heap* pHeap, int a, int b) {
    const double ha = static_cast<PathNode*>(pHeap->ppItems[a])->h;
    const double hb = static_cast<PathNode*>(pHeap->ppItems[b])->h;
    return ha > hb ? 1 : ha == hb ? 0 : -1;
}

void pfFreeSearch(Heap* pOpen, Heap* pClosed) {
    hpDestroyHeap(pOpen);
    hpDestroyHeap(pClosed);
    FreeNodePool();
    g_OpenIndex = ListIndex{};
    g_ClosedIndex = ListIndex{};
    g_pPathRequest = nullptr;
}

int pfIsBlocked(PathNode* pNode) {
    const float afPosition[3] = {pNode->x, pNode->y, pNode->z};
    for (int i = 0; i < pfGetRockCount(); ++i) {
        const PathRock& rock = pfGetRock(i);
        if (!rock.pCollisionModel || !rock.pfWorld) continue;
        rock.pCollisionModel->setTransform(rock.pfWorld);
        if (rock.pCollisionModel->sphereCollision(afPosition, kPathClearance)) return 1;
        if (const PathNode* pParent = pNode->pParent) {
            const float afFrom[3] = {pParent->x, pParent->y, pParent->z};
            const float afDir[3] = {pNode->x - pParent->x, pNode->y - pParent->y, pNode->z - pParent->z};
            const float fLength = std::sqrt(afDir[0] * afDir[0] + afDir[1] * afDir[1] + afDir[2] * afDir[2]);
            if (rock.pCollisionModel->rayCollision(afFrom, afDir, false, 0.0f, fLength)) return 1;
        }
    }
    return 0;
}
