// Whether the payloads fit the free space of the game folder's volume. Each is written
// beside the file it replaces, and all are put in place together once the last is
// written, so the volume holds every old file and every payload at once: the need is
// the payloads' sum. Platform-free.
#ifndef APP_INSTALL_SPACE_H
#define APP_INSTALL_SPACE_H

#include <cstdint>

struct SpaceShortage {
    int row;               // the first row whose write would not fit, or -1
    std::uint64_t missing; // bytes the whole run lacks, 0 when it fits
};

// Looks at count payloads of payloadBytes [in] written in order onto a volume with
// freeBytes free, each file taking whole clusters of clusterBytes (a power of two;
// anything else counts bytes).
SpaceShortage FindSpaceShortage(const std::uint64_t* payloadBytes, int count,
                                std::uint64_t clusterBytes, std::uint64_t freeBytes);

#endif
