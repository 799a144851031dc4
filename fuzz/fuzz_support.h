// What the fuzz targets share: heap blocks of exactly the size a routine relies
// on, so that AddressSanitizer reports one byte read or written past them; a
// property check that ends the run with the input saved; a reader of the fuzz
// input; and a reference walk of the double-byte rule, written apart from the
// product's so that the two can be compared.
#ifndef FUZZ_FUZZ_SUPPORT_H
#define FUZZ_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

[[noreturn]] inline void FuzzPropertyFailed(const char* what, const char* file, int line) {
    std::fprintf(stderr, "property does not hold: %s (%s:%d)\n", what, file, line);
    std::abort(); // libFuzzer saves the input as a crash artifact
}

#define FUZZ_CHECK(condition)                                                                      \
    ((condition) ? static_cast<void>(0) : FuzzPropertyFailed(#condition, __FILE__, __LINE__))

// Takes small numbers from the front of the input and leaves the rest as bytes.
// Past the end every number reads as 0.
class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t Byte() {
        if (size_ == 0) {
            return 0;
        }
        --size_;
        return *data_++;
    }
    std::uint16_t Word() {
        std::uint16_t low = Byte();
        return static_cast<std::uint16_t>(low | Byte() << 8);
    }
    const std::uint8_t* Rest() const { return data_; }
    std::size_t RestSize() const { return size_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// A block of exactly size bytes (size may be 0) filled with fill.
inline std::unique_ptr<char[]> FilledBlock(std::size_t size, char fill) {
    std::unique_ptr<char[]> block(new char[size]);
    std::memset(block.get(), fill, size);
    return block;
}

// The bytes up to the first 0 byte, as a string in a block of exactly its length
// and the terminator: reading past the terminator is reported.
class ExactText {
  public:
    ExactText(const std::uint8_t* bytes, std::size_t size) {
        const void* zero = std::memchr(bytes, 0, size);
        length_ = zero != nullptr
                      ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - bytes)
                      : size;
        text_ = FilledBlock(length_ + 1, '\0');
        if (length_ != 0) {
            std::memcpy(text_.get(), bytes, length_);
        }
    }
    const char* Get() const { return text_.get(); }
    char* Get() { return text_.get(); }
    std::size_t Length() const { return length_; }

  private:
    std::unique_ptr<char[]> text_;
    std::size_t length_;
};

// Length of the string at text within limit bytes (limit when no terminator).
inline std::size_t LengthWithin(const char* text, std::size_t limit) {
    std::size_t length = 0;
    while (length < limit && text[length] != '\0') {
        ++length;
    }
    return length;
}

// The double-byte rule, restated: lead bytes 0x81-0x9F, 0xE0-0xFC; trail bytes
// 0x40-0xFC but 0x7F. For each of length bytes, whether a single-byte character
// starts there (the second byte of a pair never does, nor does its first).
inline std::vector<bool> SingleByteCharacters(const char* text, std::size_t length) {
    auto lead = [](unsigned c) { return (c >= 0x81 && c < 0xA0) || (c >= 0xE0 && c < 0xFD); };
    auto trail = [](unsigned c) { return c >= 0x40 && c < 0xFD && c != 0x7F; };
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    std::vector<bool> single(length, false);
    std::size_t i = 0;
    while (i < length) {
        if (i + 1 < length && lead(bytes[i]) && trail(bytes[i + 1])) {
            i += 2;
        } else {
            single[i] = true;
            ++i;
        }
    }
    return single;
}

// Offsets of the single-byte characters equal to ch, in order.
inline std::vector<std::size_t> SingleByteMatches(const char* text, std::size_t length, char ch) {
    std::vector<bool> single = SingleByteCharacters(text, length);
    std::vector<std::size_t> matches;
    for (std::size_t i = 0; i < length; ++i) {
        if (single[i] && text[i] == ch) {
            matches.push_back(i);
        }
    }
    return matches;
}

#endif
