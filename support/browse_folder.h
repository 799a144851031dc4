// The shell's standard folder-browse dialog.
#ifndef SUPPORT_BROWSE_FOLDER_H
#define SUPPORT_BROWSE_FOLDER_H

#include <windows.h>

// Lets the user pick a file-system folder in a dialog modal to owner, with title
// shown above the tree. path [out] holds MAX_PATH bytes: after 1 it holds the chosen
// folder as the shell gives it (a closing backslash only for a drive root); after 0
// it holds "No path selection.", when the dialog was cancelled or closed, and also
// when the chosen folder's path does not fit MAX_PATH bytes in the code page (a deep
// Japanese folder) or holds a character the code page lacks: a path cut short or
// with a character replaced could name another folder. displayName [out] is null or
// MAX_PATH bytes for the chosen folder's display name. COM is not initialised here;
// a null path yields 0 without a dialog.
int BrowseForFolder(HWND owner, const char* title, char* displayName, char* path);

// BrowseForFolder with a path buffer of size bytes (at least MAX_PATH): Windows
// measures a path in characters, and one of kPathChars needs kPathBytes here.
int BrowseForFolderInto(HWND owner, const char* title, char* displayName, char* path, int size);

#endif
