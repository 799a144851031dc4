// Multibyte-aware search for a single-byte character in a Shift_JIS byte string.
//
// In Shift_JIS the second byte of a double-byte character may be an ASCII
// punctuation byte, the backslash among them: 表 is 0x95 0x5C, ソ is 0x83 0x5C.
// A byte-wise search would split a path inside a Japanese folder name, so every
// split at a backslash or a percent sign goes through these routines.
//
// The double-byte rule is fixed, independent of the code page the process runs
// under: lead bytes 0x81-0x9F and 0xE0-0xFC, trail bytes 0x40-0xFC except 0x7F.
// A lead byte not followed by a trail byte is a single-byte character.
#ifndef SUPPORT_CHAR_SEARCH_H
#define SUPPORT_CHAR_SEARCH_H

inline bool IsLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

inline bool IsTrailByte(unsigned char b) {
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

// Position of the first single-byte character equal to ch in text, or null.
// text may be null. The terminator is never compared, so ch == 0 finds nothing.
// Nothing past the terminator is read.
const char* FindCharFirst(const char* text, char ch);

// Position of the last single-byte character equal to ch in text, or null.
const char* FindCharLast(const char* text, char ch);

inline char* FindCharFirst(char* text, char ch) {
    return const_cast<char*>(FindCharFirst(static_cast<const char*>(text), ch));
}

inline char* FindCharLast(char* text, char ch) {
    return const_cast<char*>(FindCharLast(static_cast<const char*>(text), ch));
}

// Windows limits a path to MAX_PATH (260) characters, terminator included, and
// counts a double-byte character as one: a buffer for any such path in code page
// 932 needs two bytes a character.
constexpr int kPathChars = 260;
constexpr int kPathBytes = 2 * kPathChars;
// Windows makes a folder of at most MAX_PATH - 12 characters, terminator included:
// room is kept for a file name of eight and three.
constexpr int kFolderChars = kPathChars - 12;

// Characters in text, a double-byte character counted once; 0 for null.
int CountChars(const char* text);

// True when the last character of path is a single-byte backslash. A path that
// ends in 表 (0x95 0x5C) does not: its last byte is a trail byte.
inline bool EndsInBackslash(const char* path) {
    const char* last = FindCharLast(path, '\\');
    return last != nullptr && last[1] == '\0';
}

#endif
