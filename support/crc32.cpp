#include "crc32.h"

namespace {

// One entry per byte value, built by the compiler.
struct Crc32Table {
    std::uint32_t entries[256];
    constexpr Crc32Table() : entries() {
        for (std::uint32_t value = 0; value < 256; ++value) {
            std::uint32_t crc = value;
            for (int bit = 0; bit < 8; ++bit) {
                crc = (crc & 1) != 0 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
            }
            entries[value] = crc;
        }
    }
};

constexpr Crc32Table kTable;

} // namespace

std::uint32_t Crc32(const void* bytes, std::size_t length, std::uint32_t previous) {
    const unsigned char* next = static_cast<const unsigned char*>(bytes);
    std::uint32_t crc = previous ^ 0xFFFFFFFFu;
    for (std::size_t i = 0; i < length; ++i) {
        crc = kTable.entries[(crc ^ next[i]) & 0xFF] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}
