#include "crc32.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// Both ways, and the one Crc32 picks, must give the same value.
void ExpectEveryWay(const void* bytes, std::size_t length, std::uint32_t crc,
                    const std::string& what) {
    EXPECT_EQ(Crc32(bytes, length), crc) << what;
    EXPECT_EQ(Crc32ByTables(bytes, length), crc) << what;
    if (Crc32FoldingAvailable()) {
        EXPECT_EQ(Crc32ByFolding(bytes, length), crc) << what;
    }
}

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
        {std::string(1000000, 'a'), 0xDC25BFBCu},                      // many folding steps
    };
    for (const auto& c : kCases) {
        ExpectEveryWay(c.bytes.data(), c.bytes.size(), c.crc, c.bytes.substr(0, 50));
    }
    std::string pattern(100003, '\0'); // an odd tail after the 64-byte steps
    for (size_t i = 0; i < pattern.size(); ++i) {
        pattern[i] = static_cast<char>(i * 131 + 7);
    }
    ExpectEveryWay(pattern.data(), pattern.size(), 0xCDB01CBFu, "pattern");
    ExpectEveryWay(nullptr, 0, 0u, "null");
    // In stretches: each carries the CRC-32 of what came before it.
    EXPECT_EQ(Crc32("6789", 4, Crc32("12345", 5)), 0xCBF43926u);
    EXPECT_EQ(Crc32(nullptr, 0, 0xCBF43926u), 0xCBF43926u);
    EXPECT_EQ(Crc32(&pattern[70001], pattern.size() - 70001, Crc32(pattern.data(), 70001)),
              0xCDB01CBFu);
}

TEST(Crc32, FoldingAgreesWithTablesAtAnyLengthAndAlignment) {
    if (!Crc32FoldingAvailable()) {
        GTEST_SKIP() << "this processor has no PCLMULQDQ";
    }
    std::mt19937 random(19);
    std::vector<unsigned char> buffer(70000);
    for (unsigned char& byte : buffer) {
        byte = static_cast<unsigned char>(random());
    }
    // Every length around the 16- and 64-byte steps at every offset in a 16-byte
    // line, then random ones.
    for (std::size_t offset = 0; offset < 16; ++offset) {
        for (std::size_t length = 0; length <= 300; ++length) {
            ASSERT_EQ(Crc32ByFolding(&buffer[offset], length),
                      Crc32ByTables(&buffer[offset], length))
                << "offset " << offset << " length " << length;
        }
    }
    for (int i = 0; i < 2000; ++i) {
        std::size_t offset = random() % 64;
        std::size_t length = random() % (buffer.size() - offset);
        ASSERT_EQ(Crc32ByFolding(&buffer[offset], length), Crc32ByTables(&buffer[offset], length))
            << "offset " << offset << " length " << length;
    }
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
