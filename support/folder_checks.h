// Existence checks for a file or a folder, judged by the first entry that the
// platform's directory search finds for a path. Neither check opens the file.
#ifndef SUPPORT_FOLDER_CHECKS_H
#define SUPPORT_FOLDER_CHECKS_H

// 1 when the directory search finds an entry for path whose directory bit is
// clear, else 0: the bit alone, as a folder with further attributes is no file. The
// path is searched unchanged: a folder given with its closing backslash is not found.
// A null path yields 0.
int FileExists(const char* path);

// 1 when the first entry found for path has the directory bit set, whatever
// further attributes it carries (read-only, hidden, archive, ...), else 0: Windows
// marks many folders read-only to keep their look, and they still take files. One
// closing backslash is dropped before the search. A path of kPathChars characters
// or more (Windows' limit, terminator included, a double-byte character counted
// once, so a deep Japanese path may hold more than MAX_PATH bytes), or a null path,
// yields 0 without searching.
int FolderExists(const char* path);

#endif
