// Choosing one existing file or several in the platform's open-file dialog
// (Explorer style), and handing the chosen files out one full path at a time.
#ifndef SUPPORT_FILE_SELECTION_H
#define SUPPORT_FILE_SELECTION_H

#include <windows.h>

#include <cstdint>

// The caller owns a selection from a successful OpenFileSelection until
// FreeFileSelection.
struct FileSelection {
    char* names;        // the dialog's name buffer: kSelectionNamesSize bytes, process heap
    std::uint32_t next; // offset in names of the next name to yield
};

// Shows the open-file dialog owned by owner. title, filter (description and
// pattern pairs, each terminated, the list ended by one more terminator),
// initialFolder and defaultExtension may be null. *selection [out] is always
// written: a new selection after a choice, else null. Returns the dialog's
// nonzero result after a choice, 1 when the user cancelled, and 0 when the
// dialog failed (after a message box owned by owner reports the error code) or
// selection is null or memory ran out.
int OpenFileSelection(HWND owner, FileSelection** selection, const char* title, const char* filter,
                      const char* initialFolder, const char* defaultExtension, BOOL allowMultiple);

// Writes the next chosen file's full path into path [out] (MAX_PATH bytes) and
// returns 1 when another file follows, 0 when this was the last. A path that
// does not fit MAX_PATH bytes is written as an empty string. Calls after the last
// write the folder (or the single file's path) and return 0. A null selection
// returns 0 and leaves path unchanged.
int NextSelectedFile(FileSelection* selection, char* path);

// Frees the name buffer to the process heap and the record; null is ignored.
void FreeFileSelection(FileSelection* selection);

#endif
