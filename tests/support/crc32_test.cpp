#include "crc32.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Crc32, MatchesTheKnownValues) {
    const struct {
        std::string bytes;
        std::uint32_t crc;
    } kCases[] = {
        {"", 0x00000000u},
        {"a", 0xE8B7BE43u},
        {"123456789", 0xCBF43926u}, // the check value of the standard
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
        {std::string("\x00\x00\x00\x00", 4), 0x2144DF1Cu},
        {"\x58\x50\x33\x0D\x0A\x20\x0A\x1A\x8B\x67\x01", 0xFA442EB6u}, // an archive's signature
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(Crc32(c.bytes.data(), c.bytes.size()), c.crc) << c.bytes;
    }
    EXPECT_EQ(Crc32(nullptr, 0), 0u);
    // In stretches: each carries the CRC-32 of what came before it.
    EXPECT_EQ(Crc32("6789", 4, Crc32("12345", 5)), 0xCBF43926u);
    EXPECT_EQ(Crc32(nullptr, 0, 0xCBF43926u), 0xCBF43926u);
}

TEST(Crc32, AnyFlippedBitChangesIt) {
    std::string bytes(4096, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 131 + 7);
    }
    const std::uint32_t whole = Crc32(bytes.data(), bytes.size());
    for (size_t i = 0; i < bytes.size(); i += 97) {
        for (int bit = 0; bit < 8; ++bit) {
            bytes[i] = static_cast<char>(bytes[i] ^ (1 << bit));
            EXPECT_NE(Crc32(bytes.data(), bytes.size()), whole) << "byte " << i << " bit " << bit;
            bytes[i] = static_cast<char>(bytes[i] ^ (1 << bit));
        }
    }
}

} // namespace
