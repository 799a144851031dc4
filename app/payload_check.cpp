#include "payload_check.h"

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
    return CheckPayloadDigests(PayloadDigestTable(), kPayloadCount, nullptr, nullptr) ==
           CheckOutcome::Intact;
}
