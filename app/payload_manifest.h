// The files the installer writes, in the order it writes them: the table and its
// length are generated from the list of payloads (tools/payload_list.py).
#ifndef APP_PAYLOAD_MANIFEST_H
#define APP_PAYLOAD_MANIFEST_H

#include <cstdint>

#include "payload_count.h"

constexpr int kManifestCellSize = 256;

struct ManifestEntry {
    // A wsprintfA format with no arguments: each "%%" becomes the "%" of the
    // payload's locator, "%BINARY%ID_PATCH1" and the like.
    char locator[kManifestCellSize];
    // The destination's file name, relative to the install folder.
    char fileName[kManifestCellSize];
};

extern const ManifestEntry PayloadManifest[kPayloadCount];

// The CRC-32 of each row's payload as the build embedded it, row for row; generated
// from the payloads at build time.
extern const std::uint32_t PayloadDigests[kPayloadCount];

#endif
