#include "payload_check.h"

#include "crc32.h"
#include "payload_manifest.h"

const PayloadDigest* PayloadDigestTable() {
    // Made on first use and kept for the program's life: the worker's check reads it.
    static PayloadDigest* table = nullptr;
    if (table == nullptr) {
        table = new PayloadDigest[kPayloadCount];
        for (int row = 0; row < kPayloadCount; ++row) {
            // Formatting only halves each "%%": the cell's length is room enough.
            const char* cell = PayloadManifest[row].locator;
            char* locator = new char[lstrlenA(cell) + 1];
            wsprintfA(locator, cell);
            table[row] = {locator, PayloadDigests[row]};
        }
    }
    return table;
}

bool PayloadsIntact() {
    const PayloadDigest* table = PayloadDigestTable();
    for (int row = 0; row < kPayloadCount; ++row) {
        const BYTE* bytes = nullptr;
        DWORD size = 0;
        if (!LockPayload(table[row].locator, bytes, size) ||
            Crc32(bytes, size) != table[row].crc32) {
            return false;
        }
    }
    return true;
}
