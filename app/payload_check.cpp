#include "payload_check.h"

#include "copy_worker.h"
#include "crc32.h"
#include "payload_manifest.h"

bool PayloadsIntact() {
    for (int row = 0; row < kPayloadCount; ++row) {
        char locator[MAX_PATH];
        wsprintfA(locator, PayloadManifest[row].locator);
        HRSRC resource = FindPayload(locator);
        if (resource == nullptr) {
            return false;
        }
        DWORD size = SizeofResource(nullptr, resource);
        const void* bytes = LockResource(LoadResource(nullptr, resource));
        if (bytes == nullptr || Crc32(bytes, size) != PayloadDigests[row]) {
            return false;
        }
    }
    return true;
}
