// FindCharFirst, FindCharLast, EndsInBackslash and CountChars against the reference walk.
// Input: the byte searched for, then the text.
#include "char_search.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    char ch = static_cast<char>(input.Byte());
    ExactText text(input.Rest(), input.RestSize());

    const char* constant = text.Get();
    const char* first = FindCharFirst(constant, ch);
    const char* last = FindCharLast(constant, ch);
    std::vector<std::size_t> matches = SingleByteMatches(text.Get(), text.Length(), ch);

    // Both find a match or neither does, and the first is never after the last.
    FUZZ_CHECK((first == nullptr) == (last == nullptr));
    FUZZ_CHECK(first == nullptr || first <= last);
    if (matches.empty()) {
        FUZZ_CHECK(first == nullptr);
    } else {
        // A found position holds the byte and is a single-byte character, never the
        // trail byte of a pair: the reference walk agrees on both ends.
        FUZZ_CHECK(first == text.Get() + matches.front());
        FUZZ_CHECK(last == text.Get() + matches.back());
        FUZZ_CHECK(*first == ch && *last == ch);
    }
    FUZZ_CHECK(ch != '\0' || first == nullptr);

    // The writable overloads give the same positions.
    FUZZ_CHECK(FindCharFirst(text.Get(), ch) == first);
    FUZZ_CHECK(FindCharLast(text.Get(), ch) == last);

    std::vector<std::size_t> backslashes = SingleByteMatches(text.Get(), text.Length(), '\\');
    bool endsInBackslash = !backslashes.empty() && backslashes.back() + 1 == text.Length();
    FUZZ_CHECK(EndsInBackslash(text.Get()) == endsInBackslash);

    // A character takes one or two bytes; the walk stays within the text.
    std::size_t chars = static_cast<std::size_t>(CountChars(text.Get()));
    FUZZ_CHECK(chars <= text.Length() && text.Length() <= 2 * chars);
    return 0;
}
