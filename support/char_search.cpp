#include "char_search.h"

namespace {

// Walks text once; calls onMatch(position) for each single-byte character equal
// to ch until it returns true.
template <typename OnMatch> void WalkSingleByteMatches(const char* text, char ch, OnMatch onMatch) {
    if (text == nullptr) {
        return;
    }
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p != 0) {
        // p[1] is read only after a lead byte, which is not the terminator, so it
        // lies within the string (at worst it is the terminator).
        if (IsLeadByte(p[0]) && IsTrailByte(p[1])) {
            p += 2;
            continue;
        }
        if (*p == static_cast<unsigned char>(ch) && onMatch(reinterpret_cast<const char*>(p))) {
            return;
        }
        ++p;
    }
}

} // namespace

const char* FindCharFirst(const char* text, char ch) {
    const char* found = nullptr;
    WalkSingleByteMatches(text, ch, [&found](const char* p) {
        found = p;
        return true;
    });
    return found;
}

const char* FindCharLast(const char* text, char ch) {
    const char* found = nullptr;
    WalkSingleByteMatches(text, ch, [&found](const char* p) {
        found = p;
        return false;
    });
    return found;
}

int CountChars(const char* text) {
    int count = 0;
    // The same pairs as the searches walk: a trail byte 0x5C belongs to its lead.
    for (const char* p = text; p != nullptr && *p != '\0'; ++count) {
        p += IsLeadByte(static_cast<unsigned char>(p[0])) &&
                     IsTrailByte(static_cast<unsigned char>(p[1]))
                 ? 2
                 : 1;
    }
    return count;
}
