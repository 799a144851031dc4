#include "crc32.h"

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define CRC32_FOLDING 1
#endif

namespace {

// Entry [k][b]: the CRC register after byte b followed by k zero bytes. Eight of
// them take eight bytes a step. Built on first use rather than by the compiler: 8 KiB
// of zeros cost the program no bytes, 8 KiB of tables would.
std::uint32_t Tables[8][256];
// 0 not built, 1 being built, 2 built.
std::atomic<int> TablesState{0};

const std::uint32_t (&BuiltTables())[8][256] {
    if (TablesState.load(std::memory_order_acquire) == 2) {
        return Tables;
    }
    int expected = 0;
    if (TablesState.compare_exchange_strong(expected, 1, std::memory_order_acquire)) {
        for (std::uint32_t value = 0; value < 256; ++value) {
            std::uint32_t crc = value;
            for (int bit = 0; bit < 8; ++bit) {
                crc = (crc & 1) != 0 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
            }
            Tables[0][value] = crc;
        }
        for (int k = 1; k < 8; ++k) {
            for (int value = 0; value < 256; ++value) {
                std::uint32_t previous = Tables[k - 1][value];
                Tables[k][value] = (previous >> 8) ^ Tables[0][previous & 0xFF];
            }
        }
        TablesState.store(2, std::memory_order_release);
    }
    // Another thread builds them: a few microseconds, once.
    while (TablesState.load(std::memory_order_acquire) != 2) {
    }
    return Tables;
}

std::uint32_t LittleEndianWord(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// The CRC register (not inverted) after length more bytes.
std::uint32_t UpdateByTables(std::uint32_t crc, const unsigned char* next, std::size_t length) {
    const auto& t = BuiltTables();
    for (; length >= 8; next += 8, length -= 8) {
        std::uint32_t low = crc ^ LittleEndianWord(next);
        std::uint32_t high = LittleEndianWord(next + 4);
        crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^
              t[4][low >> 24] ^ t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^
              t[1][(high >> 16) & 0xFF] ^ t[0][high >> 24];
    }
    for (; length > 0; ++next, --length) {
        crc = t[0][(crc ^ *next) & 0xFF] ^ (crc >> 8);
    }
    return crc;
}

#ifdef CRC32_FOLDING

// Only these functions use SSE2 and PCLMULQDQ; the rest of the program stays baseline.
// 32-bit Windows keeps the stack 4-byte aligned: realign it for 16-byte spills.
#ifdef __i386__
#define FOLDING_TARGET __attribute__((target("sse2,pclmul"), force_align_arg_pointer))
#else
#define FOLDING_TARGET __attribute__((target("sse2,pclmul")))
#endif

// Bit-reflected x^(d+63) and x^(d-1) modulo the polynomial, for the high and low
// halves of a 128-bit block moved d bits forward (the product gains one x).
__attribute__((target("sse2"))) __m128i FoldConstants(std::uint64_t highHalf,
                                                      std::uint64_t lowHalf) {
    return _mm_set_epi64x(static_cast<long long>(lowHalf), static_cast<long long>(highHalf));
}

// sum moved forward by the distance of constants (same remainder), plus block.
__attribute__((target("sse2,pclmul"))) inline __m128i Fold(__m128i sum, __m128i constants,
                                                           __m128i block) {
    // The low quadword holds the high-degree half: bit-reflected order.
    __m128i highHalf = _mm_clmulepi64_si128(sum, constants, 0x00);
    __m128i lowHalf = _mm_clmulepi64_si128(sum, constants, 0x11);
    return _mm_xor_si128(_mm_xor_si128(highHalf, lowHalf), block);
}

__attribute__((target("sse2"))) inline __m128i Load(const unsigned char* bytes) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
}

// Four 128-bit sums fold 64 bytes a step, then into one; its 16 bytes and the
// remaining tail have the same CRC as the input, which the tables finish.
FOLDING_TARGET std::uint32_t UpdateByFolding(std::uint32_t crc, const unsigned char* next,
                                             std::size_t length) {
    if (length < 64) {
        return UpdateByTables(crc, next, length);
    }
    const __m128i by512 = FoldConstants(0x653D982200000000u, 0xCAD38E8F00000000u);
    const __m128i by128 = FoldConstants(0x65673B4600000000u, 0x9BA54C6F00000000u);
    __m128i a = _mm_xor_si128(Load(next), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i b = Load(next + 16);
    __m128i c = Load(next + 32);
    __m128i d = Load(next + 48);
    for (next += 64, length -= 64; length >= 64; next += 64, length -= 64) {
        a = Fold(a, by512, Load(next));
        b = Fold(b, by512, Load(next + 16));
        c = Fold(c, by512, Load(next + 32));
        d = Fold(d, by512, Load(next + 48));
    }
    a = Fold(Fold(Fold(a, by128, b), by128, c), by128, d);
    for (; length >= 16; next += 16, length -= 16) {
        a = Fold(a, by128, Load(next));
    }
    unsigned char folded[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(folded), a);
    return UpdateByTables(UpdateByTables(0, folded, sizeof folded), next, length);
}

#endif

// 0 not yet asked, 1 no, 2 yes: a plain load on every call after the first.
std::atomic<int> FoldingState{0};

} // namespace

bool Crc32FoldingAvailable() {
    int state = FoldingState.load(std::memory_order_relaxed);
    if (state == 0) {
        bool available = false;
#ifdef CRC32_FOLDING
        unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
        available = __get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0 && (ecx & bit_PCLMUL) != 0 &&
                    (edx & bit_SSE2) != 0;
#endif
        state = available ? 2 : 1;
        FoldingState.store(state, std::memory_order_relaxed);
    }
    return state == 2;
}

std::uint32_t Crc32ByTables(const void* bytes, std::size_t length) {
    return ~UpdateByTables(0xFFFFFFFFu, static_cast<const unsigned char*>(bytes), length);
}

std::uint32_t Crc32ByFolding(const void* bytes, std::size_t length) {
#ifdef CRC32_FOLDING
    return ~UpdateByFolding(0xFFFFFFFFu, static_cast<const unsigned char*>(bytes), length);
#else
    return Crc32ByTables(bytes, length);
#endif
}

std::uint32_t Crc32(const void* bytes, std::size_t length, std::uint32_t previous) {
    const unsigned char* next = static_cast<const unsigned char*>(bytes);
#ifdef CRC32_FOLDING
    if (Crc32FoldingAvailable()) {
        return ~UpdateByFolding(~previous, next, length);
    }
#endif
    return ~UpdateByTables(~previous, next, length);
}
