#include "elapsed_time.h"

std::int32_t ElapsedMilliseconds(std::uint32_t start, std::uint32_t now) {
    std::uint32_t difference = now - start;
    // Two's complement reading without the implementation-defined conversion.
    if (difference <= 0x7FFFFFFFu) {
        return static_cast<std::int32_t>(difference);
    }
    return -static_cast<std::int32_t>(~difference) - 1;
}
