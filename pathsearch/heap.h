// Binary heap of item pointers in array form (children of place i at 2i + 1 and 2i + 2), ordered by
// a caller's comparison of two places.
#pragma once

struct Heap;

// Negative, zero or positive as the item at place a is below, equal to or above the item at b.
typedef int (*HeapCompare)(Heap* pHeap, int a, int b);

struct Heap {
    int iCount;      // items held
    void** ppItems;  // iCapacity places
    int iCapacity;
    int iOrder;  // 1 max-heap, -1 min-heap
    HeapCompare pfnCompare;
};

// A heap whose first iCount places are taken (null until the caller fills them). Nothing when the
// count exceeds the capacity or memory runs out, each with its message.
Heap* hpCreateHeap(int iCount, int iCapacity, int iOrder, HeapCompare pfnCompare);
int hpDestroyHeap(Heap* pHeap);
// 1, or -1 when the heap cannot grow. A full heap doubles its places.
int hpInsert(Heap* pHeap, void* pItem);
// The top item, or nothing when the heap is empty.
void* hpExtractTop(Heap* pHeap);
int hpHeapifyup(Heap* pHeap, int iPlace);
int hpHeapifydown(Heap* pHeap, int iPlace);
int hpBuildHeap(Heap* pHeap);
// Leaves the items in order behind an emptied heap (ascending for a max-heap), count restored.
int hpSortHeap(Heap* pHeap);
