// Where the payloads go: the game's install folder, the compiled-in default or a
// folder the user picks that holds the game's executable.
#ifndef APP_INSTALL_FOLDER_H
#define APP_INSTALL_FOLDER_H

#include <windows.h>

// The install folder, ending in a backslash once accepted. After a cancelled
// browse it holds "No path selection.", so the default is not tried again.
extern char InstallFolder[MAX_PATH];

// Makes sure InstallFolder names the folder to write into: the default when it
// exists, else a folder the user browses to that holds "torb.exe" (asked again
// until such a folder is chosen). false when the user cancelled the browser.
bool LocateInstallFolder(HWND dialog);

// Writes folder directly followed by name into out (MAX_PATH bytes). false, with
// out holding "", when the two do not fit.
bool JoinFolderAndName(char (&out)[MAX_PATH], const char* folder, const char* name);

#endif
