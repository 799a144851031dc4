// Whether the payloads the program carries are still the bytes it was built with:
// a damaged download or a bad disk sector leaves the program running but changes
// what it would write.
#ifndef APP_PAYLOAD_CHECK_H
#define APP_PAYLOAD_CHECK_H

// True when every manifest row's payload is embedded and matches its digest. Reads
// them in place from the locked resources.
bool PayloadsIntact();

#endif
