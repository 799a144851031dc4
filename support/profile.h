// Reads and writes single values of profile (INI) files. Arguments come in the
// order file, section, key, value: the file first, unlike the platform's profile
// functions. File, section and key reach the platform unchanged, so its rules
// hold (a bare file name means the Windows folder; a null key reads the list of
// key names, a null key or text on a write deletes).
//
// A missing value reads as its default text: "-1" for integers, "NotFound" for
// text; a stored value equal to the default cannot be told from a missing one.
//
// Who frees what: ReadProfileInt frees its own block. ReadProfileText with a
// heap: a buffer given must be a block of that heap and passes into the call;
// the returned pointer replaces it (the old pointer is forgotten) and the caller
// frees the result to that heap. When the heap cannot supply or grow the block,
// the block held is freed, *size becomes 0 and the result is null, so nothing
// leaks and nothing is freed twice. Without a heap the buffer stays the caller's,
// always.
#ifndef SUPPORT_PROFILE_H
#define SUPPORT_PROFILE_H

#include <windows.h>

// The value as a decimal integer (wrapping modulo 2^32 beyond 32 bits; 0 for text
// without leading digits), or -1 when it is missing or the process heap fails.
int ReadProfileInt(const char* file, const char* section, const char* key);

// The value in a buffer, or null.
//   buffer [in]      null: with a heap, a 10-byte block of it is allocated first.
//   size   [in/out]  buffer's size in bytes on entry; the final size on return.
//   heap   [in]      null: nothing grows; a full read (size - 1 characters
//                    reported) gives null with the first size - 1 characters in
//                    the buffer. Given: the block grows by 50 bytes until a read
//                    is not full. Both null: nothing is read.
char* ReadProfileText(const char* file, const char* section, const char* key, char* buffer,
                      DWORD* size, HANDLE heap);

// Writes value as signed decimal text. Nonzero on success.
int WriteProfileInt(const char* file, const char* section, const char* key, int value);

// Writes text. Nonzero on success.
int WriteProfileText(const char* file, const char* section, const char* key, const char* text);

#endif
