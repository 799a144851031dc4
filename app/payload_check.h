// Whether the payloads the program carries are still the bytes it was built with:
// a damaged download or a bad disk sector leaves the program running but changes
// what it would write.
#ifndef APP_PAYLOAD_CHECK_H
#define APP_PAYLOAD_CHECK_H

#include "copy_worker.h"

// Every manifest row's locator with the digest the build computed of its payload,
// kPayloadCount entries, for CopyWorker::StartCheck. Lives as long as the program.
const PayloadDigest* PayloadDigestTable();

// True when every manifest row's payload is embedded and matches its digest, checked
// on the calling thread. Reads them in place from the locked resources.
bool PayloadsIntact();

#endif
