// A payload locator names one embedded resource: a percent sign, the resource type,
// a percent sign and the resource name, as in "%BINARY%ID_PATCH1".
#ifndef COPY_PAYLOAD_LOCATOR_H
#define COPY_PAYLOAD_LOCATOR_H

#include <cstddef>

// Bytes of each part buffer, terminator included (MAX_PATH).
constexpr std::size_t kLocatorPartSize = 260;

// Splits locator at its last single-byte percent sign (a trail byte is never one)
// into type, the bytes after the leading percent sign, and name, the bytes after the
// last one. Returns 1 on success. Returns 0, with both buffers holding "", for a
// null locator, one that does not start with a percent sign, one without a second
// percent sign, an empty type or name, or a part of kLocatorPartSize bytes or more.
// Nothing is written past either buffer.
int SplitPayloadLocator(const char* locator, char (&type)[kLocatorPartSize],
                        char (&name)[kLocatorPartSize]);

#endif
