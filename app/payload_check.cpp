#include "payload_check.h"

#include "copy_worker.h"
#include "crc32.h"
#include "payload_manifest.h"

bool PayloadsIntact() {
    for (int row = 0; row < kPayloadCount; ++row) {
        char locator[MAX_PATH];
        wsprintfA(locator, PayloadManifest[row].locator);
        const BYTE* bytes = nullptr;
        DWORD size = 0;
        if (!LockPayload(locator, bytes, size) || Crc32(bytes, size) != PayloadDigests[row]) {
            return false;
        }
    }
    return true;
}
