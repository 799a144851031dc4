#include "timed_value_queue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace {

static_assert(!std::has_virtual_destructor<TimedValueQueue>::value,
              "the destructor takes no virtual slot");

// Slot of a virtual member function under the Itanium C++ ABI that GCC uses: the
// pointer-to-member holds 1 + the slot's byte offset in the table.
template <typename Member> std::uintptr_t VirtualSlot(Member member) {
    struct {
        std::uintptr_t pointer;
        std::ptrdiff_t adjustment;
    } parts;
    static_assert(sizeof member == sizeof parts, "two-word pointer to member");
    std::memcpy(&parts, &member, sizeof parts);
    EXPECT_EQ(parts.pointer & 1u, 1u) << "not virtual";
    return (parts.pointer - 1) / sizeof(void*);
}

TEST(TimedValueQueue, PopAndClearHoldSlotsZeroAndOne) {
    EXPECT_EQ(VirtualSlot(&TimedValueQueue::Pop), 0u);
    EXPECT_EQ(VirtualSlot(&TimedValueQueue::Clear), 1u);
}

TEST(TimedValueQueue, EmptyQueuePopLeavesRecordUnchanged) {
    TimedValueQueue queue;
    TimedValueRecord record{123, 456};
    EXPECT_TRUE(queue.Pop(record));
    EXPECT_EQ(record.value, 123);
    EXPECT_EQ(record.elapsed, 456);
}

TEST(TimedValueQueue, ValueGivenAtConstructionYieldedOnce) {
    TimedValueQueue queue(-42);
    TimedValueRecord record{0, -1};
    EXPECT_FALSE(queue.Pop(record));
    EXPECT_EQ(record.value, -42);
    EXPECT_GE(record.elapsed, 0);
    EXPECT_LT(record.elapsed, 1000);

    TimedValueRecord after{7, 8};
    EXPECT_TRUE(queue.Pop(after));
    EXPECT_EQ(after.value, 7);
    EXPECT_EQ(after.elapsed, 8);
}

TEST(TimedValueQueue, PopAfterClearFindsNothing) {
    TimedValueQueue queue(5);
    queue.Clear();
    TimedValueRecord record{1, 2};
    EXPECT_TRUE(queue.Pop(record));
    EXPECT_EQ(record.value, 1);
    queue.Clear(); // on an empty queue too
    EXPECT_TRUE(queue.Pop(record));
}

} // namespace
