#include "pathsearch/heap.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

namespace {

bool IsMaxHeap(const Heap* pHeap) { return pHeap->iOrder == 1; }

void Swap(Heap* pHeap, int a, int b) {
    void* pItem = pHeap->ppItems[a];
    pHeap->ppItems[a] = pHeap->ppItems[b];
    pHeap->ppItems[b] = pItem;
}

}  // namespace

Heap* hpCreateHeap(int iCount, int iCapacity, int iOrder, HeapCompare pfnCompare) {
    if (iCount > iCapacity) {
        printf("Error : no se puede crear heaps mayores que su tama\xF1o maximo\n");
        return nullptr;
    }
    Heap* pHeap = nullptr;
    void** ppItems = nullptr;
    if (iCount >= 0 && pfnCompare) {
        pHeap = static_cast<Heap*>(malloc(sizeof(Heap)));
        // Zeroed, so that places the caller has not filled yet hold no stray pointers.
        ppItems = static_cast<void**>(calloc(iCapacity > 0 ? iCapacity : 1, sizeof(void*)));
    }
    if (!pHeap || !ppItems) {
        printf(" Error en hpCreateHeap reservando memoria ");
        free(pHeap);
        free(ppItems);
        return nullptr;
    }
    pHeap->iCount = iCount;
    pHeap->ppItems = ppItems;
    pHeap->iCapacity = iCapacity;
    pHeap->iOrder = iOrder;
    pHeap->pfnCompare = pfnCompare;
    return pHeap;
}

int hpDestroyHeap(Heap* pHeap) {
    if (pHeap) {
        free(pHeap->ppItems);
        free(pHeap);
    }
    return 1;
}

int hpInsert(Heap* pHeap, void* pItem) {
    if (!pHeap) return -1;
    if (pHeap->iCount >= pHeap->iCapacity) {
        if (pHeap->iCapacity > INT_MAX / 2) return -1;
        const int iCapacity = pHeap->iCapacity > 0 ? pHeap->iCapacity * 2 : 1;
        void** ppItems = static_cast<void**>(realloc(pHeap->ppItems, size_t(iCapacity) * sizeof(void*)));
        if (!ppItems) return -1;
        pHeap->ppItems = ppItems;
        pHeap->iCapacity = iCapacity;
    }
    pHeap->ppItems[pHeap->iCount] = pItem;
    pHeap->iCount++;
    return hpHeapifyup(pHeap, pHeap->iCount - 1) == 1 ? 1 : -1;
}

int hpHeapifyup(Heap* pHeap, int iPlace) {
    if (!pHeap || iPlace < 0 || iPlace >= pHeap->iCount) {
        printf("en hpHeapifyup , error en parametros");
        return -1;
    }
    int i = iPlace;
    for (;;) {
        const int p = (i + 1) / 2 - 1;
        if (p < 0) break;
        const int iCmp = pHeap->pfnCompare(pHeap, p, i);
        const bool bUp = IsMaxHeap(pHeap) ? iCmp < 0 : iCmp >= 0;
        if (!bUp) break;
        Swap(pHeap, p, i);
        i = p;
    }
    return 1;
}

int hpHeapifydown(Heap* pHeap, int iPlace) {
    if (!pHeap || iPlace < 0 || (iPlace >= pHeap->iCount && pHeap->iCount > 0)) return -1;
    int i = iPlace;
    for (;;) {
        const int l = 2 * i + 1, r = 2 * i + 2;
        if (l >= pHeap->iCount) break;
        int iChild = l;
        if (r < pHeap->iCount) {
            const int iCmp = pHeap->pfnCompare(pHeap, l, r);
            if (IsMaxHeap(pHeap) ? iCmp < 0 : iCmp >= 0) iChild = r;
        }
        const int iCmp = pHeap->pfnCompare(pHeap, i, iChild);
        if (!(IsMaxHeap(pHeap) ? iCmp < 0 : iCmp >= 0)) break;
        Swap(pHeap, i, iChild);
        i = iChild;
    }
    return 1;
}

void* hpExtractTop(Heap* pHeap) {
    if (!pHeap || pHeap->iCount <= 0) return nullptr;
    Swap(pHeap, 0, pHeap->iCount - 1);
    pHeap->iCount--;
    if (hpHeapifydown(pHeap, 0) != 1) return nullptr;
    return pHeap->ppItems[pHeap->iCount];
}

int hpBuildHeap(Heap* pHeap) {
    if (!pHeap) return -1;
    for (int i = 1; i < pHeap->iCount; ++i)
        if (hpHeapifyup(pHeap, i) != 1) return -1;
    return 1;
}

int hpSortHeap(Heap* pHeap) {
    if (!pHeap) return -1;
    const int iCount = pHeap->iCount;
    while (pHeap->iCount > 0)
        if (!hpExtractTop(pHeap)) {
            pHeap->iCount = iCount;
            return -1;
        }
    pHeap->iCount = iCount;
    return 1;
}
