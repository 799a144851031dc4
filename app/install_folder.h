// Where the payloads go: the game's install folder, the compiled-in default or a
// folder the user picks that holds the game's executable.
#ifndef APP_INSTALL_FOLDER_H
#define APP_INSTALL_FOLDER_H

#include <windows.h>

#include "char_search.h"

// The install folder, ending in a backslash once accepted. After a cancelled
// browse it holds "No path selection.", so the default is not tried again.
extern char InstallFolder[kPathBytes];

// The game folder, held from the moment it is accepted until the program ends, without
// delete sharing: nobody can rename it away and put another in its place. Everything
// below it is reached from this handle, and its path is not opened again. null until
// then.
extern HANDLE GameFolder;

// Makes sure GameFolder holds the folder to write into, and InstallFolder names it: the
// default when it exists, else a folder the user browses to that holds "torb.exe"
// (asked again until such a folder is chosen). A folder that is a link or a mounted
// volume is the player's choice: it is followed once, and its target held. A chosen
// folder too deep for every file to be written, and every subfolder made, within
// Windows' limits is refused with a box that says so. false when the user cancelled
// the browser or the folder was refused. Once a folder is held, true at once.
bool LocateInstallFolder(HWND dialog);

// Writes folder directly followed by name into out. false, with out holding "",
// when the two are not within Windows' kPathChars characters.
bool JoinFolderAndName(char (&out)[kPathBytes], const char* folder, const char* name);

#endif
