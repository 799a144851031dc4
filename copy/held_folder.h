// The installer's one way to what lies below the game folder: every file and
// subfolder is opened, made, renamed and deleted one name at a time, relative to a
// folder handle it holds, never by a path. A path is resolved anew at each use, and
// anyone who may write a folder on the way (a game folder under C:\Games is
// everyone's) could swap a part of it for a link between two uses; a held handle
// cannot be swapped.
#ifndef COPY_HELD_FOLDER_H
#define COPY_HELD_FOLDER_H

#include <windows.h>
#include <winternl.h>

#include <atomic>

#include "hold_retry.h"

// The most characters one name of a file or folder may have, and a little room for
// a suffix.
constexpr int kNameChars = 255 + 16;

// One open of a name relative to a held folder, as NtCreateFile takes it.
struct FolderEntry {
    HANDLE folder;      // [in] the held folder
    const char* name;   // [in] one name in it, in code page 932, no backslash
    const char* suffix; // [in] added to name (ASCII); "" for none
    ACCESS_MASK access; // [in]
    ULONG share;        // [in] FILE_SHARE_... bits
    ULONG disposition;  // [in] FILE_OPEN, FILE_CREATE or FILE_OPEN_IF
    ULONG options;      // [in] FILE_DIRECTORY_FILE or FILE_NON_DIRECTORY_FILE, or 0
    HANDLE opened;      // [out] the entry itself, or INVALID_HANDLE_VALUE
};

// Opens entry.name + entry.suffix in entry.folder as the entry itself (a link there
// is opened, not followed), for synchronous reads and writes. ERROR_SUCCESS, or the
// system's reason: ERROR_FILE_NOT_FOUND when there is nothing of that name,
// ERROR_ALREADY_EXISTS when FILE_CREATE finds something, ERROR_DIRECTORY when a folder
// was asked for and a file is there, ERROR_INVALID_NAME when the name cannot be
// written in Windows' characters or is too long.
DWORD OpenInFolder(FolderEntry& entry);

// The same, waiting out another program's brief hold on the entry until cancel (null:
// never) is set.
DWORD OpenInFolderThroughHolds(FolderEntry& entry, const std::atomic<int>* cancel);

// Gives file [open with DELETE access] the name name + suffix in folder, in one step,
// replacing an entry of that name when replace is set (not a folder, and not one
// another program holds open).
DWORD RenameInFolder(HANDLE file, HANDLE folder, const char* name, const char* suffix,
                     bool replace);

// Deletes file [open with DELETE access] through its handle and closes it; a link
// goes, not what it points to. The system's reason when it could not be deleted; it
// is closed all the same.
DWORD DeleteAndClose(HANDLE file);

// The attribute word of an open file or folder; INVALID_FILE_ATTRIBUTES when it
// cannot be read.
DWORD AttributesOf(HANDLE file);

// How a wait for another program's hold pauses: Sleep, or what a test counts instead.
extern HoldPause HoldWaitPause;

// TryThroughHolds, pausing with HoldWaitPause on the calling thread.
DWORD WaitOutHolds(FileTry attempt, void* context, const std::atomic<int>* cancel);

// ERROR_REPARSE_POINT_ENCOUNTERED, which MinGW's headers lack: a link stands where the
// entry itself was wanted.
constexpr DWORD kLinkAtName = 4395;

// Opens name + suffix in folder to move or delete it, without sharing, waiting out a
// brief hold until cancel is set. ERROR_SUCCESS with taken INVALID_HANDLE_VALUE when
// nothing has that name; kLinkAtName, nothing taken, when the handle would reach what a
// link there leads to; else the system's reason.
DWORD TakeInFolder(HANDLE folder, const char* name, const char* suffix,
                   const std::atomic<int>* cancel, HANDLE& taken);

// Deletes a taken entry and closes it: ERROR_ACCESS_DENIED, deleting nothing, for a
// read-only file or a folder.
DWORD RemoveTaken(HANDLE taken);

// Deletes name + suffix in folder, as TakeInFolder and RemoveTaken: ERROR_SUCCESS also
// when there is nothing of that name, ERROR_ACCESS_DENIED for a link there.
DWORD RemoveInFolder(HANDLE folder, const char* name, const char* suffix,
                     const std::atomic<int>* cancel);

#endif
