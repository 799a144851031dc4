// Folder creation along a path, and the folder of the running program.
#ifndef SUPPORT_FOLDER_PATH_H
#define SUPPORT_FOLDER_PATH_H

// Creates every missing folder along path, outermost first: each prefix that
// ends before a backslash. Text after the last backslash is never created (it
// may be a file name), so a folder path ends in a backslash for its last folder
// to be made. A leading drive designator (C:) is the volume itself and is taken
// as present. 1 when every prefix was found as a folder or created; 0 when the
// path holds no backslash, is null, has MAX_PATH characters or more (nothing is
// then created; a double-byte character counts once, as Windows counts, so a deep
// Japanese path may hold more than MAX_PATH bytes), or a creation failed: the walk
// stops there and folders created before it stay. Windows makes no folder of more
// than MAX_PATH - 13 characters; callers keep within that (kFolderChars).
int CreateFolderPath(const char* path);

// Writes into folder [out] (MAX_PATH bytes) the folder of the running program as
// its command line names it, closing backslash included, or an empty string when
// that path holds no backslash or does not fit MAX_PATH bytes.
void GetProgramFolder(char* folder);

#endif
