#include "slice_plan.h"

std::uint32_t SliceSize(std::uint32_t total) {
    std::uint32_t slice = total / 100;
    return slice == 0 ? 1 : slice;
}

std::uint32_t NextSliceLength(std::uint32_t total, std::uint32_t written) {
    if (written >= total) {
        return 0;
    }
    std::uint32_t left = total - written;
    std::uint32_t slice = SliceSize(total);
    return left < slice ? left : slice;
}

std::uint32_t PercentWritten(std::uint32_t written, std::uint32_t total) {
    if (total == 0) {
        return 100;
    }
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(written) * 100 / total);
}

std::uint32_t WriteCount(std::uint32_t total) {
    std::uint32_t slice = SliceSize(total);
    return total / slice + (total % slice != 0 ? 1 : 0);
}
