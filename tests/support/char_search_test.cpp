#include "char_search.h"

#include <gtest/gtest.h>

namespace {

struct SearchCase {
    const char* what;
    const char* text;
    char ch;
    int first; // offset FindCharFirst should give, -1 for null
    int last;  // offset FindCharLast should give, -1 for null
};

int Offset(const char* text, const char* found) {
    return found == nullptr ? -1 : static_cast<int>(found - text);
}

// Byte strings are written with explicit escapes so they mean the same bytes on
// every compiler, whatever its execution character set.
const SearchCase kCases[] = {
    {"empty string", "", '\\', -1, -1},
    {"terminator is never compared", "abc", '\0', -1, -1},
    {"hyou alone: trail 0x5C is no backslash", "\x95\x5c", '\\', -1, -1},
    {"hyou then backslash", "\x95\x5c\x5c", '\\', 2, 2},
    {"so then backslash", "\x83\x5c\\", '\\', 2, 2},
    {"half-width katakana is single-byte", "\xb1\x5c", '\\', 1, 1},
    {"lone lead byte before terminator", "\x41\x81", '\x81', 1, 1},
    {"lead byte before 0x7F is single", "\x81\x7f\x41", '\x7f', 1, 1},
    {"lead byte before a byte below 0x40", "\x81\x3a", '\x3a', 1, 1},
    {"lead byte value inside a pair never matches", "\x81\x81\x41", '\x81', -1, -1},
    {"lead byte after a pair", "\x81\x81\x81", '\x81', 2, 2},
    {"0xFD is never a trail byte", "\xe0\xfd", '\xfd', 1, 1},
    {"several matches", "a\\b\\c\\", '\\', 1, 5},
    {"one match", "abc\\def", '\\', 3, 3},
    {"no match in plain text", "the quick brown fox jumps over the lazy dog", '\\', -1, -1},
    {"locator percent signs", "%BINARY%ID_PATCH1", '%', 0, 7},
    {"lead byte before a percent sign", "%T\x81%%N", '%', 0, 4},
    {"path with a Japanese folder", "C:\\\x83\x8b\x83\x7e\x83\x69\x83\x52\\torb.exe", '\\', 2, 11},
};

TEST(CharSearch, FindsSingleByteCharactersOnly) {
    for (const SearchCase& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Offset(c.text, FindCharFirst(c.text, c.ch)), c.first);
        EXPECT_EQ(Offset(c.text, FindCharLast(c.text, c.ch)), c.last);
    }
}

TEST(CharSearch, NullTextYieldsNull) {
    EXPECT_EQ(FindCharFirst(static_cast<const char*>(nullptr), '\\'), nullptr);
    EXPECT_EQ(FindCharLast(static_cast<const char*>(nullptr), '\\'), nullptr);
    EXPECT_FALSE(EndsInBackslash(nullptr));
}

TEST(CharSearch, ReadsNothingPastTheTerminator) {
    // A lead byte right before the terminator, in an exactly sized heap block:
    // AddressSanitizer reports any read beyond it.
    char* text = new char[2]{'\x95', '\0'};
    EXPECT_EQ(FindCharLast(text, '\\'), nullptr);
    EXPECT_EQ(FindCharFirst(text, '\x95'), text);
    delete[] text;
}

TEST(CharSearch, EndsInBackslashLooksAtTheLastCharacter) {
    EXPECT_TRUE(EndsInBackslash("C:\\"));
    EXPECT_TRUE(EndsInBackslash("C:\\Games\\\x95\x5c\\"));
    EXPECT_FALSE(EndsInBackslash("C:\\Games\\\x95\x5c"));
    EXPECT_FALSE(EndsInBackslash("C:\\Games"));
    EXPECT_FALSE(EndsInBackslash(""));
}

TEST(CharSearch, CountsCharactersAsWindowsCountsThem) {
    EXPECT_EQ(CountChars("C:\\\x83\x8b\x83\x7e\x83\x69\x83\x52\\torb.exe"), 16);
    EXPECT_EQ(CountChars("\x95\x5c\x5c"), 2);     // 表 then a backslash
    EXPECT_EQ(CountChars("\x81\x7f\xb1\x81"), 4); // no pairs: 0x7F, half-width, the end
    EXPECT_EQ(CountChars(nullptr), 0);
}

} // namespace
