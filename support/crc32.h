// CRC-32 as zip, PNG and zlib compute it (reflected polynomial 0xEDB88320, initial
// and final value 0xFFFFFFFF). It answers accidental damage, a flipped bit or a
// bad sector, not an attacker: any error burst of up to 32 bits changes it.
#ifndef SUPPORT_CRC32_H
#define SUPPORT_CRC32_H

#include <cstddef>
#include <cstdint>

// The CRC-32 of length bytes at bytes (null only with a length of 0): by carry-less
// multiplication where the processor has it, else by tables. Given the CRC-32 of the
// bytes before them as previous, the CRC-32 of the whole, so a long block can be
// checked in stretches.
std::uint32_t Crc32(const void* bytes, std::size_t length, std::uint32_t previous = 0);

// The two ways Crc32 takes, each on its own, for the tests and the benchmark.
// Eight tables, eight bytes a step: any processor.
std::uint32_t Crc32ByTables(const void* bytes, std::size_t length);
// Whether this processor has PCLMULQDQ (asked once, then remembered).
bool Crc32FoldingAvailable();
// Folding 64 bytes a step with PCLMULQDQ; only where Crc32FoldingAvailable().
std::uint32_t Crc32ByFolding(const void* bytes, std::size_t length);

#endif
