#include "hold_retry.h"
#include "slice_plan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

namespace {

// Walks the plan the way the copy routine does and records the percentage reported
// after each write. Gives up after 1000 writes so a plan that never ends fails.
struct Walk {
    std::uint32_t writes = 0;
    std::uint32_t bytes = 0;
    std::uint32_t lastSlice = 0;
    std::vector<std::uint32_t> percents;
};

Walk WalkPlan(std::uint32_t total) {
    Walk walk;
    for (int guard = 0; guard < 1000; ++guard) {
        std::uint32_t length = NextSliceLength(total, walk.bytes);
        if (length != 0) {
            ++walk.writes;
            walk.lastSlice = length;
            walk.bytes += length;
        }
        walk.percents.push_back(PercentWritten(walk.bytes, total));
        if (walk.bytes >= total) {
            break;
        }
    }
    return walk;
}

struct PlanCase {
    std::uint32_t total;
    std::uint32_t slice;
    std::uint32_t writes;
    std::uint32_t lastSlice;
};

const PlanCase kPlans[] = {
    {0, 1, 0, 0},
    {1, 1, 1, 1},
    {50, 1, 50, 1},
    {99, 1, 99, 1},
    {100, 1, 100, 1},
    {114, 1, 114, 1}, // a signature text
    {199, 1, 199, 1},
    {200, 2, 100, 2},
    {676, 6, 113, 4},                 // the check tool's settings: 112 slices of 6, one of 4
    {23574, 235, 101, 74},            // patch3.xp3
    {125816, 1258, 101, 16},          // patch.xp3
    {301857, 3018, 101, 57},          // patch4.xp3
    {569856, 5698, 101, 56},          // the check tool
    {1000000, 10000, 100, 10000},     // a multiple of 100
    {10977262, 109772, 101, 62},      // patch2.xp3, the largest
    {0xFFFFFFFFu, 42949672, 101, 95}, // written x 100 overflows 32 bits here
};

TEST(SlicePlan, WritesEveryByteInTheExpectedSlices) {
    for (const PlanCase& c : kPlans) {
        SCOPED_TRACE(c.total);
        EXPECT_EQ(SliceSize(c.total), c.slice);
        EXPECT_EQ(WriteCount(c.total), c.writes);
        Walk walk = WalkPlan(c.total);
        EXPECT_EQ(walk.bytes, c.total);
        EXPECT_EQ(walk.writes, c.writes);
        EXPECT_EQ(walk.lastSlice, c.lastSlice);
    }
}

TEST(SlicePlan, PercentagesRiseToOneHundredOnlyAtTheEnd) {
    for (const PlanCase& c : kPlans) {
        SCOPED_TRACE(c.total);
        Walk walk = WalkPlan(c.total);
        ASSERT_FALSE(walk.percents.empty());
        EXPECT_EQ(walk.percents.back(), 100u);
        for (std::size_t i = 0; i + 1 < walk.percents.size(); ++i) {
            EXPECT_LE(walk.percents[i], walk.percents[i + 1]);
            EXPECT_LT(walk.percents[i], 100u) << "after write " << i + 1;
        }
    }
}

TEST(SlicePlan, PercentIsTheWholePartOfWrittenTimesHundredOverTotal) {
    // The k-th of 114 one-byte slices reports k x 100 / 114.
    Walk walk = WalkPlan(114);
    ASSERT_EQ(walk.percents.size(), 114u);
    for (std::uint32_t k = 1; k <= 114; ++k) {
        EXPECT_EQ(walk.percents[k - 1], k * 100 / 114) << k;
    }
    EXPECT_EQ(PercentWritten(0xFFFFFFFFu - 95, 0xFFFFFFFFu), 99u);
    EXPECT_EQ(PercentWritten(0, 0), 100u);
}

TEST(SlicePlan, NothingLeftMeansNoWrite) {
    EXPECT_EQ(NextSliceLength(676, 676), 0u);
    EXPECT_EQ(NextSliceLength(676, 700), 0u);
    EXPECT_EQ(NextSliceLength(676, 672), 4u);
}

// A file held for a number of tries, then free; the pauses are recorded, not slept.
struct Hold {
    std::uint32_t error;
    bool lasting;
    int triesHeld; // -1: never freed
    int cancelAfterPauses;
    std::uint32_t result;
    std::vector<std::uint32_t> pauses;
} hold;
std::atomic<int> cancel{0};

TEST(HoldRetry, WaitsOutBriefHoldsWithinTheWindow) {
    auto attempt = [](void*, bool& lasting) -> std::uint32_t {
        lasting = hold.lasting;
        return hold.triesHeld-- == 0 ? 0 : hold.error;
    };
    auto pause = [](std::uint32_t ms) {
        hold.pauses.push_back(ms);
        cancel = static_cast<int>(hold.pauses.size()) == hold.cancelAfterPauses;
    };
    const Hold kCases[] = {
        {32, false, 0, -1, 0, {}},            // free at once
        {32, false, 3, -1, 0, {10, 20, 40}},  // a sharing violation, three tries
        {33, false, 1, -1, 0, {10}},          // a lock violation
        {5, false, 2, -1, 0, {10, 20}},       // access denied while a scanner looks
        {5, true, -1, -1, 5, {}},             // a read-only file: no wait mends it
        {2, false, -1, -1, 2, {}},            // no such file: no hold
        {32, false, -1, 3, 32, {10, 20, 40}}, // closed during the third pause
    };
    for (const Hold& c : kCases) {
        hold = c;
        hold.pauses.clear();
        cancel = 0;
        EXPECT_EQ(TryThroughHolds(attempt, nullptr, &cancel, pause), c.result) << c.error;
        EXPECT_EQ(hold.pauses, c.pauses) << c.error;
    }

    // A hold that outlasts the window: pauses doubling up to the longest, adding up to
    // the window exactly, then the hold's own error. A wait that outlasts it is closed
    // at the hundredth pause, three times what the window holds.
    hold = {32, false, -1, 100, 32, {}};
    cancel = 0;
    EXPECT_EQ(TryThroughHolds(attempt, nullptr, &cancel, pause), 32u);
    std::uint32_t total = 0;
    for (size_t i = 0; i < hold.pauses.size(); ++i) {
        std::uint32_t left = kHoldWindowMs - total;
        EXPECT_EQ(hold.pauses[i], i < 4 ? 10u << i : std::min(kLongestHoldPauseMs, left)) << i;
        total += hold.pauses[i];
    }
    EXPECT_EQ(total, kHoldWindowMs);
}

} // namespace
