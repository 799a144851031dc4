#include "profile_read.h"

#include <cstdint>

namespace {

bool IsProfileSpace(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Two's complement reading of a 32-bit pattern, without relying on the
// implementation-defined conversion of values above INT32_MAX.
std::int32_t AsSigned(std::uint32_t bits) {
    if (bits <= 0x7FFFFFFFu) {
        return static_cast<std::int32_t>(bits);
    }
    return -static_cast<std::int32_t>(~bits) - 1;
}

// A read is full when exactly size - 1 characters were reported: the value was
// cut or fills the buffer to the last byte; either way a larger block may hold
// more. A cut list of key names reports size - 2 and so ends the loop.
bool IsFull(std::uint32_t count, std::uint32_t size) {
    return size == 0 || count == size - 1;
}

} // namespace

std::int32_t ParseProfileInt(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (IsProfileSpace(*p)) {
        ++p;
    }
    bool negative = false;
    if (*p == '-' || *p == '+') {
        negative = *p == '-';
        ++p;
    }
    // Unsigned arithmetic wraps modulo 2^32 by definition; signed would be undefined.
    std::uint32_t value = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10u + static_cast<std::uint32_t>(*p - '0');
        ++p;
    }
    return AsSigned(negative ? 0u - value : value);
}

char* ReadProfileTextGrowing(ProfileReader& reader, char* buffer, std::uint32_t* size,
                             ProfileHeap* heap) {
    if (size == nullptr) {
        return nullptr;
    }
    if (buffer == nullptr) {
        if (heap == nullptr) {
            return nullptr;
        }
        buffer = heap->Allocate(kProfileTextFirstSize);
        if (buffer == nullptr) {
            *size = 0;
            return nullptr;
        }
        *size = kProfileTextFirstSize;
    }
    for (;;) {
        if (*size > 0 && !IsFull(reader.Read(buffer, *size), *size)) {
            return buffer;
        }
        if (heap == nullptr) {
            return nullptr;
        }
        // A size that would wrap past 2^32 counts as a heap that cannot grow.
        char* grown = *size <= UINT32_MAX - kProfileGrowthStep
                          ? heap->Grow(buffer, *size + kProfileGrowthStep)
                          : nullptr;
        if (grown == nullptr) {
            heap->Free(buffer);
            *size = 0;
            return nullptr;
        }
        buffer = grown;
        *size += kProfileGrowthStep;
    }
}

std::int32_t ReadProfileIntGrowing(ProfileReader& reader, ProfileHeap& heap) {
    char* block = heap.Allocate(kProfileIntFirstSize);
    if (block == nullptr) {
        return -1;
    }
    std::uint32_t size = kProfileIntFirstSize;
    // On a failed growth the loop has already freed the block.
    block = ReadProfileTextGrowing(reader, block, &size, &heap);
    if (block == nullptr) {
        return -1;
    }
    std::int32_t value = ParseProfileInt(block);
    heap.Free(block);
    return value;
}
