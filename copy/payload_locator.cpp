#include "payload_locator.h"

#include <cstring>

#include "char_search.h"

namespace {

// Copies length bytes of part and a terminator into out, if they fit.
bool CopyPart(const char* part, std::size_t length, char (&out)[kLocatorPartSize]) {
    if (length == 0 || length >= kLocatorPartSize) {
        return false;
    }
    std::memcpy(out, part, length);
    out[length] = '\0';
    return true;
}

} // namespace

int SplitPayloadLocator(const char* locator, char (&type)[kLocatorPartSize],
                        char (&name)[kLocatorPartSize]) {
    type[0] = '\0';
    name[0] = '\0';
    if (locator == nullptr || locator[0] != '%') {
        return 0;
    }
    const char* last = FindCharLast(locator, '%');
    // The leading percent sign alone: no separator between type and name.
    if (last == locator) {
        return 0;
    }
    const char* typeStart = locator + 1;
    const char* nameStart = last + 1;
    if (!CopyPart(typeStart, static_cast<std::size_t>(last - typeStart), type) ||
        !CopyPart(nameStart, std::strlen(nameStart), name)) {
        type[0] = '\0';
        name[0] = '\0';
        return 0;
    }
    return 1;
}
