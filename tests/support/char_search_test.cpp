#include "char_search.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct SearchCase {
    const char* what;
    const char* text;
    char ch;
    int first; // offset FindCharFirst should give, -1 for null
    int last;  // offset FindCharLast should give, -1 for null
    int chars; // CountChars: a pair of lead and trail byte is one character
};

int Offset(const char* text, const char* found) {
    return found == nullptr ? -1 : static_cast<int>(found - text);
}

// Byte strings are written with explicit escapes so they mean the same bytes on
// every compiler, whatever its execution character set.
const SearchCase kCases[] = {
    {"empty string", "", '\\', -1, -1, 0},
    {"terminator is never compared", "abc", '\0', -1, -1, 3},
    {"hyou alone: trail 0x5C is no backslash", "\x95\x5c", '\\', -1, -1, 1},
    {"hyou then backslash", "\x95\x5c\x5c", '\\', 2, 2, 2},
    {"so then backslash", "\x83\x5c\\", '\\', 2, 2, 2},
    {"half-width katakana is single-byte", "\xb1\x5c", '\\', 1, 1, 2},
    {"lone lead byte before terminator", "\x41\x81", '\x81', 1, 1, 2},
    {"lead byte before 0x7F is single", "\x81\x7f\x41", '\x7f', 1, 1, 3},
    {"lead byte before a byte below 0x40", "\x81\x3a", '\x3a', 1, 1, 2},
    {"lead byte value inside a pair never matches", "\x81\x81\x41", '\x81', -1, -1, 2},
    {"lead byte after a pair", "\x81\x81\x81", '\x81', 2, 2, 2},
    {"0xFD is never a trail byte", "\xe0\xfd", '\xfd', 1, 1, 2},
    {"several matches", "a\\b\\c\\", '\\', 1, 5, 6},
    {"one match", "abc\\def", '\\', 3, 3, 7},
    {"no match in plain text", "the quick brown fox jumps over the lazy dog", '\\', -1, -1, 43},
    {"locator percent signs", "%BINARY%ID_PATCH1", '%', 0, 7, 17},
    {"lead byte before a percent sign", "%T\x81%%N", '%', 0, 4, 6},
    {"path with a Japanese folder", "C:\\\x83\x8b\x83\x7e\x83\x69\x83\x52\\torb.exe", '\\', 2, 11,
     16},
};

TEST(CharSearch, FindsSingleByteCharactersOnly) {
    for (const SearchCase& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Offset(c.text, FindCharFirst(c.text, c.ch)), c.first);
        EXPECT_EQ(Offset(c.text, FindCharLast(c.text, c.ch)), c.last);
        EXPECT_EQ(CountChars(c.text), c.chars);
    }
}

TEST(CharSearch, NullTextYieldsNull) {
    EXPECT_EQ(FindCharFirst(static_cast<const char*>(nullptr), '\\'), nullptr);
    EXPECT_EQ(FindCharLast(static_cast<const char*>(nullptr), '\\'), nullptr);
    EXPECT_FALSE(EndsInBackslash(nullptr));
    EXPECT_EQ(CountChars(nullptr), 0);
}

TEST(CharSearch, APathOfJapaneseNamesFitsWindowsLimitByItsCharacters) {
    // 3 + 128 x 2 + 1 + 8 bytes, 140 characters: within MAX_PATH for Windows.
    std::string path = "C:\\";
    for (int i = 0; i < 128; ++i) {
        path += "\x83\x8b";
    }
    path += "\\torb.exe";
    EXPECT_GT(path.size(), static_cast<size_t>(kPathChars));
    EXPECT_EQ(CountChars(path.c_str()), 140);
    EXPECT_LT(path.size(), static_cast<size_t>(kPathBytes));
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

} // namespace
