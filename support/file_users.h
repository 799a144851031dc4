// Which programs hold a file open, as the Restart Manager of Windows Vista and later
// knows them: a player told to close "ルミナコ" knows what to do.
#ifndef SUPPORT_FILE_USERS_H
#define SUPPORT_FILE_USERS_H

#include <windows.h>

// Writes the names of the programs that hold any of count paths [in] open, or run
// from one of them, into names (size bytes, at least 1), joined by "、" and left out
// whole where they do not fit. One Restart Manager session asks about them all.
// false, with names holding "", when none are known: no Restart Manager, or it
// names none.
bool ProgramsUsingFiles(const char* const* paths, int count, char* names, int size);

#endif
