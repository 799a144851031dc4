#include "staged_files.h"

#include "held_folder.h"

namespace {

// Opens the file that file's payload replaces, without sharing: from then on no
// other program can open it and stop its move. Nothing there: a file the patch adds.
// A link there is not taken: the payload's move replaces the link itself.
DWORD TakeReplaced(StagedFile& file, const std::atomic<int>* cancel) {
    DWORD error = TakeInFolder(file.folder, file.name, "", cancel, file.replaced);
    if (error != ERROR_SUCCESS) {
        return error == kLinkAtName ? ERROR_SUCCESS : error;
    }
    // Windows refuses to replace a read-only file, and a folder is not a payload's to
    // replace; Wine would move either.
    return file.replaced != INVALID_HANDLE_VALUE &&
                   (AttributesOf(file.replaced) &
                    (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0
               ? ERROR_ACCESS_DENIED
               : ERROR_SUCCESS;
}

DWORD MoveIntoPlace(const StagedFile& file) {
    bool replacing = file.replaced != INVALID_HANDLE_VALUE;
    if (replacing) {
        DWORD error = RenameInFolder(file.replaced, file.folder, file.name, kBackupSuffix, true);
        if (error != ERROR_SUCCESS) {
            return error;
        }
    }
    DWORD error = RenameInFolder(file.temporary, file.folder, file.name, "", true);
    if (error != ERROR_SUCCESS && replacing) {
        RenameInFolder(file.replaced, file.folder, file.name, "", false);
    }
    return error;
}

void PutBack(const StagedFile& file) {
    RenameInFolder(file.temporary, file.folder, file.name, kTemporarySuffix, false);
    if (file.replaced != INVALID_HANDLE_VALUE) {
        RenameInFolder(file.replaced, file.folder, file.name, "", false);
    }
}

} // namespace

DWORD CreateTemporary(StagedFile& file, const std::atomic<int>* cancel) {
    file.temporary = INVALID_HANDLE_VALUE;
    DWORD error = RemoveInFolder(file.folder, file.name, kTemporarySuffix, cancel);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    // A name whose deletion is still pending (a scanner held it) refuses the create
    // with access denied for a moment.
    FolderEntry entry{file.folder, file.name,   kTemporarySuffix,        GENERIC_WRITE | DELETE,
                      0,           FILE_CREATE, FILE_NON_DIRECTORY_FILE, INVALID_HANDLE_VALUE};
    error = OpenInFolderThroughHolds(entry, cancel);
    file.temporary = entry.opened;
    return error;
}

DWORD CommitStaged(StagedFile* files, int count, const std::atomic<int>* cancel, int& failed) {
    for (int i = 0; i < count; ++i) {
        files[i].replaced = INVALID_HANDLE_VALUE;
    }
    DWORD error = ERROR_SUCCESS;
    int at = 0;
    while (at < count && (error = TakeReplaced(files[at], cancel)) == ERROR_SUCCESS) {
        ++at;
    }
    if (error == ERROR_SUCCESS) {
        at = 0;
        while (at < count && (error = MoveIntoPlace(files[at])) == ERROR_SUCCESS) {
            ++at;
        }
        for (int i = at; error != ERROR_SUCCESS && i-- > 0;) {
            PutBack(files[i]);
        }
    }
    failed = at;
    for (int i = 0; i < count; ++i) {
        HANDLE replaced = files[i].replaced;
        if (error == ERROR_SUCCESS) {
            // One that a program runs from cannot be deleted; it stays under its backup
            // name, and the next run removes it.
            if (replaced != INVALID_HANDLE_VALUE) {
                DeleteAndClose(replaced);
            }
            CloseHandle(files[i].temporary);
            files[i].temporary = INVALID_HANDLE_VALUE;
        } else if (replaced != INVALID_HANDLE_VALUE) {
            CloseHandle(replaced);
        }
    }
    return error;
}

void DiscardStaged(StagedFile* files, int count) {
    for (int i = 0; i < count; ++i) {
        if (files[i].temporary != INVALID_HANDLE_VALUE) {
            DeleteAndClose(files[i].temporary);
            files[i].temporary = INVALID_HANDLE_VALUE;
        }
    }
}
