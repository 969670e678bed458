// Heap order for both kinds, ties, growth, sorting and the failure messages.
#include "pathsearch/heap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

struct Item {
    int iKey;
    int iId;
};

int CompareItems(Heap* pHeap, int a, int b) {
    const int ka = static_cast<Item*>(pHeap->ppItems[a])->iKey;
    const int kb = static_cast<Item*>(pHeap->ppItems[b])->iKey;
    return ka > kb ? 1 : ka == kb ? 0 : -1;
}

// Every parent at or above (max) / at or below (min) its children.
bool HoldsOrder(Heap* pHeap) {
    for (int i = 1; i < pHeap->iCount; ++i) {
        const int c = CompareItems(pHeap, (i - 1) / 2, i);
        if (pHeap->iOrder == 1 ? c < 0 : c > 0) return false;
    }
    return true;
}

class HeapOrder : public ::testing::TestWithParam<int> {};

TEST_P(HeapOrder, ExtractsInOrderThroughGrowth) {
    const int iOrder = GetParam();
    std::mt19937 rng(7);
    std::vector<Item> items(2600);
    for (size_t i = 0; i < items.size(); ++i) items[i] = {int(rng() % 500), int(i)};
    Heap* pHeap = hpCreateHeap(0, 1000, iOrder, CompareItems);
    ASSERT_NE(pHeap, nullptr);
    for (size_t i = 0; i < items.size(); ++i) {
        ASSERT_EQ(hpInsert(pHeap, &items[i]), 1);
        if (i == 999) {
            EXPECT_EQ(pHeap->iCapacity, 1000);
        }
        if (i == 1000) {
            EXPECT_EQ(pHeap->iCapacity, 2000);
        }
        if (i % 97 == 0) {
            ASSERT_TRUE(HoldsOrder(pHeap)) << i;
        }
    }
    EXPECT_EQ(pHeap->iCapacity, 4000);
    std::vector<int> keys;
    while (Item* p = static_cast<Item*>(hpExtractTop(pHeap))) keys.push_back(p->iKey);
    ASSERT_EQ(keys.size(), items.size());
    if (iOrder == 1)
        EXPECT_TRUE(std::is_sorted(keys.rbegin(), keys.rend()));
    else
        EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    EXPECT_EQ(pHeap->iCount, 0);
    EXPECT_EQ(hpExtractTop(pHeap), nullptr);
    EXPECT_EQ(hpDestroyHeap(pHeap), 1);
}

INSTANTIATE_TEST_SUITE_P(BothKinds, HeapOrder, ::testing::Values(1, -1),
                         [](const auto& info) { return info.param == 1 ? "max" : "min"; });

TEST(Heap, EqualItemsSwapInMinHeapAndStayInMaxHeap) {
    struct Case {
        int iOrder;
        int iTopId;
    };
    for (const Case c : {Case{-1, 2}, Case{1, 1}}) {
        Item a{5, 1}, b{5, 2};
        Heap* pHeap = hpCreateHeap(0, 4, c.iOrder, CompareItems);
        hpInsert(pHeap, &a);
        hpInsert(pHeap, &b);
        EXPECT_EQ(static_cast<Item*>(pHeap->ppItems[0])->iId, c.iTopId) << c.iOrder;
        hpDestroyHeap(pHeap);
    }
}

TEST(Heap, BuildAndSortArrangeFilledPlaces) {
    std::vector<Item> items = {{4, 0}, {9, 1}, {1, 2}, {7, 3}, {3, 4}, {8, 5}, {2, 6}};
    for (int iOrder : {1, -1}) {
        Heap* pHeap = hpCreateHeap(int(items.size()), int(items.size()), iOrder, CompareItems);
        ASSERT_NE(pHeap, nullptr);
        for (size_t i = 0; i < items.size(); ++i) pHeap->ppItems[i] = &items[i];
        ASSERT_EQ(hpBuildHeap(pHeap), 1);
        EXPECT_TRUE(HoldsOrder(pHeap)) << iOrder;
        ASSERT_EQ(hpSortHeap(pHeap), 1);
        EXPECT_EQ(pHeap->iCount, int(items.size()));
        std::vector<int> keys;
        for (int i = 0; i < pHeap->iCount; ++i) keys.push_back(static_cast<Item*>(pHeap->ppItems[i])->iKey);
        if (iOrder == 1)
            EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
        else
            EXPECT_TRUE(std::is_sorted(keys.rbegin(), keys.rend()));
        hpDestroyHeap(pHeap);
    }
}

TEST(Heap, FailuresPrintTheirMessages) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(hpCreateHeap(5, 4, -1, CompareItems), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error : no se puede crear heaps mayores que su tama\xF1o maximo\n");

    testing::internal::CaptureStdout();
    EXPECT_EQ(hpCreateHeap(-1, 4, -1, CompareItems), nullptr);
    EXPECT_EQ(hpCreateHeap(0, 4, -1, nullptr), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              " Error en hpCreateHeap reservando memoria  Error en hpCreateHeap reservando memoria ");

    testing::internal::CaptureStdout();
    EXPECT_EQ(hpHeapifyup(nullptr, 0), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "en hpHeapifyup , error en parametros");

    EXPECT_EQ(hpInsert(nullptr, nullptr), -1);
    EXPECT_EQ(hpExtractTop(nullptr), nullptr);
}

TEST(Heap, ZeroCapacityGrowsOnInsert) {
    Item a{1, 0}, b{2, 1};
    Heap* pHeap = hpCreateHeap(0, 0, 1, CompareItems);
    ASSERT_NE(pHeap, nullptr);
    EXPECT_EQ(hpInsert(pHeap, &a), 1);
    EXPECT_EQ(hpInsert(pHeap, &b), 1);
    EXPECT_EQ(pHeap->iCapacity, 2);
    EXPECT_EQ(hpExtractTop(pHeap), &b);
    hpDestroyHeap(pHeap);
}

}  // namespace
