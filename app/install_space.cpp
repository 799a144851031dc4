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

SpaceShortage FindSpaceShortage(const RowSpace* rows, int count, std::uint64_t clusterBytes,
                                std::uint64_t freeBytes) {
    SpaceShortage shortage{-1, 0};
    // Signed: a shorter payload gives space back once it is moved into place.
    std::int64_t growth = 0;
    std::uint64_t peak = 0;
    for (int row = 0; row < count; ++row) {
        std::int64_t payload = static_cast<std::int64_t>(OnDisk(rows[row].payload, clusterBytes));
        std::int64_t existing = static_cast<std::int64_t>(OnDisk(rows[row].existing, clusterBytes));
        std::int64_t during = growth + payload;
        if (during > 0 && static_cast<std::uint64_t>(during) > peak) {
            peak = static_cast<std::uint64_t>(during);
        }
        if (shortage.row < 0 && during > 0 && static_cast<std::uint64_t>(during) > freeBytes) {
            shortage.row = row;
        }
        growth += payload - existing;
    }
    if (shortage.row >= 0) {
        shortage.missing = peak - freeBytes;
    }
    return shortage;
}
