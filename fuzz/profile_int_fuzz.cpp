// ParseProfileInt against the C library's conversion. Input: the text.
#include <cerrno>
#include <string>

#include "fuzz_support.h"
#include "profile_read.h"

namespace {

// The conversion restated: white space, one sign, the digits that follow. Up to
// 18 digits strtoll reads without overflow and the value wraps to 32 bits;
// longer runs are reduced modulo 2^32 digit by digit.
std::int32_t ReferenceValue(const char* text) {
    std::size_t i = 0;
    while (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')) {
        ++i;
    }
    std::size_t signAt = i;
    if (text[i] == '-' || text[i] == '+') {
        ++i;
    }
    std::size_t digits = 0;
    while (text[i + digits] >= '0' && text[i + digits] <= '9') {
        ++digits;
    }
    if (digits <= 18) {
        std::string number(text + signAt, i + digits - signAt);
        errno = 0;
        long long value = std::strtoll(number.c_str(), nullptr, 10);
        FUZZ_CHECK(errno == 0);
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    }
    // Past 18 digits: Horner's rule modulo 2^32 in 64-bit arithmetic.
    std::uint64_t value = 0;
    for (std::size_t k = 0; k < digits; ++k) {
        value = (value * 10 + static_cast<unsigned>(text[i + k] - '0')) % 0x100000000ull;
    }
    if (text[signAt] == '-') {
        value = (0x100000000ull - value) % 0x100000000ull;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ExactText text(data, size);
    FUZZ_CHECK(ParseProfileInt(text.Get()) == ReferenceValue(text.Get()));
    return 0;
}
