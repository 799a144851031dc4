// The shell's standard folder-browse dialog.
#ifndef SUPPORT_BROWSE_FOLDER_H
#define SUPPORT_BROWSE_FOLDER_H

#include <windows.h>

// Lets the user pick a file-system folder in a dialog modal to owner, with title
// shown above the tree. path [out] holds at least kPathBytes bytes: after 1 it
// holds the chosen folder as the shell gives it (a closing backslash only for a
// drive root); after 0 (cancelled or closed) it holds "No path selection.".
// displayName [out] is null or MAX_PATH bytes for the chosen folder's display
// name. COM is not initialised here; a null path yields 0 without a dialog.
int BrowseForFolder(HWND owner, const char* title, char* displayName, char* path);

#endif
