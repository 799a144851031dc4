#include "elapsed_time.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

struct ElapsedCase {
    const char* what;
    std::uint32_t start;
    std::uint32_t now;
    std::int32_t elapsed;
};

const ElapsedCase kElapsedCases[] = {
    {"no time passed", 5, 5, 0},
    {"ordinary difference", 100, 150, 50},
    {"across the 2^32 wrap", 0xFFFFFFF0u, 0x10u, 32},
    {"from the last count to zero", 0xFFFFFFFFu, 0, 1},
    {"largest positive difference", 0, 0x7FFFFFFFu, INT32_MAX},
    {"half the counter reads as negative", 0, 0x80000000u, INT32_MIN},
    {"clock read earlier than start", 1, 0, -1},
};

TEST(ElapsedTime, UnsignedDifferenceStoredSigned) {
    for (const ElapsedCase& c : kElapsedCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ElapsedMilliseconds(c.start, c.now), c.elapsed);
    }
}

} // namespace
