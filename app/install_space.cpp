#include "install_space.h"

namespace {

// Rounded up by mask: a volume's clusters are a power of two bytes, and the 32-bit
// product need not carry a 64-bit division for it.
std::uint64_t OnDisk(std::uint64_t bytes, std::uint64_t clusterBytes) {
    if (clusterBytes <= 1 || (clusterBytes & (clusterBytes - 1)) != 0) {
        return bytes;
    }
    return (bytes + clusterBytes - 1) & ~(clusterBytes - 1);
}

} // namespace

SpaceShortage FindSpaceShortage(const std::uint64_t* payloadBytes, int count,
                                std::uint64_t clusterBytes, std::uint64_t freeBytes) {
    SpaceShortage shortage{-1, 0};
    std::uint64_t need = 0;
    for (int row = 0; row < count; ++row) {
        need += OnDisk(payloadBytes[row], clusterBytes);
        if (shortage.row < 0 && need > freeBytes) {
            shortage.row = row;
        }
    }
    if (shortage.row >= 0) {
        shortage.missing = need - freeBytes;
    }
    return shortage;
}
