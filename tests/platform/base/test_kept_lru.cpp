// The keyed store of recent results: found by hash and key together, dropped
// least recently used first once their costs pass the budget.
#include <gtest/gtest.h>

#include <string>

#include "platform/base/kept_lru.h"

using platform::KeptLru;

TEST(KeptLru, KeepsWithinItsBudgetDroppingTheLeastRecentlyUsed) {
    KeptLru<std::string, int> kept(10);
    // Keys that share a hash are told apart by the key.
    kept.Put("a", 1, 1, 4);
    kept.Put("b", 1, 2, 4);
    ASSERT_NE(kept.Find("a", 1), nullptr);  // "a" is now the most recent
    EXPECT_EQ(*kept.Find("b", 1), 2);
    EXPECT_EQ(kept.Find("a", 2), nullptr);  // the right key under another hash is not found
    EXPECT_EQ(*kept.Find("a", 1), 1);
    kept.Put("c", 3, 3, 4);  // 12 > 10: "b", least recently used, goes
    EXPECT_EQ(kept.Find("b", 1), nullptr);
    EXPECT_EQ(*kept.Find("a", 1), 1);
    EXPECT_EQ(*kept.Find("c", 3), 3);
    EXPECT_EQ(kept.Cost(), 8u);
    // Dearer than the whole budget: handed back, nothing kept is dropped for it.
    int* spare = kept.Put("huge", 4, 4, 11);
    ASSERT_NE(spare, nullptr);
    EXPECT_EQ(*spare, 4);
    EXPECT_EQ(kept.Find("huge", 4), nullptr);
    EXPECT_EQ(kept.Count(), 2u);
    // One that needs all of it drops everything else.
    kept.Put("all", 5, 5, 10);
    EXPECT_EQ(kept.Count(), 1u);
    EXPECT_EQ(kept.Find("a", 1), nullptr);
    EXPECT_EQ(*kept.Find("all", 5), 5);
    kept.Clear();
    EXPECT_EQ(kept.Count(), 0u);
    EXPECT_EQ(kept.Cost(), 0u);
    EXPECT_EQ(kept.Find("all", 5), nullptr);
}
