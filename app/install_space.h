// Whether the rows still to be written fit the free space of the game folder's
// volume. Each payload is written beside the file it replaces and moved over it
// only when whole, so while a row is written the volume holds the old file and the
// new one: the need peaks at the growth of the rows before it plus its payload.
// Platform-free.
#ifndef APP_INSTALL_SPACE_H
#define APP_INSTALL_SPACE_H

#include <cstdint>

struct RowSpace {
    std::uint64_t payload;  // [in] bytes the row writes
    std::uint64_t existing; // [in] bytes of the file it replaces, 0 when there is none
};

struct SpaceShortage {
    int row;               // the first row whose write would not fit, or -1
    std::uint64_t missing; // bytes the whole run lacks at its peak, 0 when it fits
};

// Looks at count rows written in order onto a volume with freeBytes free, each file
// taking whole clusters of clusterBytes (a power of two; anything else counts bytes).
SpaceShortage FindSpaceShortage(const RowSpace* rows, int count, std::uint64_t clusterBytes,
                                std::uint64_t freeBytes);

#endif
