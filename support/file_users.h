// Which programs hold a file open, as the Restart Manager of Windows Vista and later
// knows them: a player told to close "ルミナコ" knows what to do.
#ifndef SUPPORT_FILE_USERS_H
#define SUPPORT_FILE_USERS_H

#include <windows.h>

// How many programs hold any of count paths [in] open, or run from one of them; 0 when
// none are known (no Restart Manager, or it names none). One Restart Manager session
// asks about them all. names [out] (size bytes, at least 1) holds the names of the
// first few, joined by "、", each whole or left out; named [out] says how many. A
// program whose name is empty or cannot be written in the code page counts, unnamed.
int ProgramsUsingFiles(const char* const* paths, int count, char* names, int size, int& named);

#endif
