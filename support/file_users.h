// Which programs hold a file open, as the Restart Manager of Windows Vista and later
// knows them: a player told to close "ルミナコ" knows what to do.
#ifndef SUPPORT_FILE_USERS_H
#define SUPPORT_FILE_USERS_H

#include <windows.h>

// Writes the names of the programs that hold path open into names (size bytes, at
// least 1), joined by "、" and left out whole where they do not fit. false, with
// names holding "", when none are known: no Restart Manager, or it names none.
bool ProgramsUsingFile(const char* path, char* names, int size);

#endif
