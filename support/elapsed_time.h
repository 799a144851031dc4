// Elapsed time between two readings of a 32-bit millisecond counter.
#ifndef SUPPORT_ELAPSED_TIME_H
#define SUPPORT_ELAPSED_TIME_H

#include <cstdint>

// now - start in unsigned arithmetic, stored as signed 32-bit: right across the
// counter's wrap at 2^32 milliseconds (about 49.7 days).
std::int32_t ElapsedMilliseconds(std::uint32_t start, std::uint32_t now);

#endif
