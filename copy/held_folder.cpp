#include "held_folder.h"

#include <cstddef>

static_assert(kHoldAccessDenied == ERROR_ACCESS_DENIED &&
                  kHoldSharingViolation == ERROR_SHARING_VIOLATION &&
                  kHoldLockViolation == ERROR_LOCK_VIOLATION,
              "the hold errors are the system's");

namespace {

const NTSTATUS kInvalidParameter = static_cast<NTSTATUS>(0xC000000D);

// OBJ_DONT_REPARSE refuses a link met while the name is parsed. A Windows older than
// 10 does not know it and refuses the open as a whole; from then on it is left out,
// and FILE_OPEN_REPARSE_POINT alone keeps a link at the name from being followed.
std::atomic<ULONG> DontReparse{OBJ_DONT_REPARSE};

// name + suffix in UTF-16 [out]; its length in characters, 0 when the name cannot be
// written in Windows' characters or does not fit.
int WideName(const char* name, const char* suffix, WCHAR (&wide)[kNameChars]) {
    int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name, -1, wide, kNameChars);
    if (length-- == 0) {
        return 0;
    }
    for (; *suffix != '\0'; ++suffix) {
        if (length + 1 >= kNameChars) {
            return 0;
        }
        wide[length++] = static_cast<unsigned char>(*suffix);
    }
    return length;
}

void SleepFor(std::uint32_t milliseconds) {
    Sleep(milliseconds);
}

std::uint32_t TryOpen(void* entry, bool&) {
    return OpenInFolder(*static_cast<FolderEntry*>(entry));
}

// Whether entry.opened is what a link at the entry's name leads to, not the entry
// itself. Windows opens the link itself; Wine follows a Unix symbolic link whatever
// the flags, and a move or a delete through the handle would reach the link's target.
bool FollowedALink(const FolderEntry& entry) {
    struct {
        ULONG length;
        WCHAR name[1024];
    } folder, file;
    IO_STATUS_BLOCK status;
    WCHAR wide[kNameChars];
    int length = WideName(entry.name, entry.suffix, wide);
    if (NtQueryInformationFile(entry.folder, &status, &folder, sizeof folder, FileNameInformation) <
            0 ||
        NtQueryInformationFile(entry.opened, &status, &file, sizeof file, FileNameInformation) <
            0) {
        return false; // a file system that cannot tell; Windows' own answer stands
    }
    int folderChars = static_cast<int>(folder.length / sizeof(WCHAR));
    int fileChars = static_cast<int>(file.length / sizeof(WCHAR));
    // The folder's name, a backslash unless it ends in one (a volume's root), the name.
    int separator = folderChars > 0 && folder.name[folderChars - 1] == L'\\' ? 0 : 1;
    return fileChars != folderChars + separator + length ||
           CompareStringOrdinal(file.name, folderChars, folder.name, folderChars, TRUE) !=
               CSTR_EQUAL ||
           CompareStringOrdinal(file.name + fileChars - length, length, wide, length, TRUE) !=
               CSTR_EQUAL;
}

} // namespace

HoldPause HoldWaitPause = SleepFor;

DWORD WaitOutHolds(FileTry attempt, void* context, const std::atomic<int>* cancel) {
    return TryThroughHolds(attempt, context, cancel, HoldWaitPause);
}

DWORD OpenInFolder(FolderEntry& entry) {
    entry.opened = INVALID_HANDLE_VALUE;
    WCHAR wide[kNameChars];
    int length = WideName(entry.name, entry.suffix, wide);
    if (length == 0) {
        return ERROR_INVALID_NAME;
    }
    UNICODE_STRING name = {static_cast<USHORT>(length * sizeof(WCHAR)), sizeof wide, wide};
    for (;;) {
        OBJECT_ATTRIBUTES object;
        ULONG dontReparse = DontReparse;
        InitializeObjectAttributes(&object, &name, OBJ_CASE_INSENSITIVE | dontReparse, entry.folder,
                                   nullptr);
        IO_STATUS_BLOCK status;
        HANDLE opened = nullptr;
        NTSTATUS result = NtCreateFile(
            &opened, entry.access | SYNCHRONIZE, &object, &status, nullptr, FILE_ATTRIBUTE_NORMAL,
            entry.share, entry.disposition,
            entry.options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
        if (result == kInvalidParameter && dontReparse != 0) {
            DontReparse = 0;
            continue;
        }
        if (result < 0) {
            return RtlNtStatusToDosError(result);
        }
        entry.opened = opened;
        return ERROR_SUCCESS;
    }
}

DWORD OpenInFolderThroughHolds(FolderEntry& entry, const std::atomic<int>* cancel) {
    return WaitOutHolds(TryOpen, &entry, cancel);
}

DWORD RenameInFolder(HANDLE file, HANDLE folder, const char* name, const char* suffix,
                     bool replace) {
    WCHAR wide[kNameChars];
    int length = WideName(name, suffix, wide);
    if (length == 0) {
        return ERROR_INVALID_NAME;
    }
    // The name follows the record's head; SetFileInformationByHandle would do the same
    // with less, but Wine ignores its RootDirectory.
    alignas(FILE_RENAME_INFORMATION) BYTE buffer[sizeof(FILE_RENAME_INFORMATION) + sizeof wide];
    FILE_RENAME_INFORMATION* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer);
    rename->ReplaceIfExists = replace;
    rename->RootDirectory = folder;
    rename->FileNameLength = length * sizeof(WCHAR);
    CopyMemory(buffer + offsetof(FILE_RENAME_INFORMATION, FileName), wide, length * sizeof(WCHAR));
    IO_STATUS_BLOCK status;
    NTSTATUS result =
        NtSetInformationFile(file, &status, rename, sizeof buffer, FileRenameInformation);
    return result < 0 ? RtlNtStatusToDosError(result) : ERROR_SUCCESS;
}

DWORD DeleteAndClose(HANDLE file) {
    FILE_DISPOSITION_INFO gone = {TRUE};
    DWORD error = SetFileInformationByHandle(file, FileDispositionInfo, &gone, sizeof gone)
                      ? ERROR_SUCCESS
                      : GetLastError();
    CloseHandle(file);
    return error;
}

DWORD AttributesOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION found;
    return GetFileInformationByHandle(file, &found) ? found.dwFileAttributes
                                                    : INVALID_FILE_ATTRIBUTES;
}

DWORD TakeInFolder(HANDLE folder, const char* name, const char* suffix,
                   const std::atomic<int>* cancel, HANDLE& taken) {
    FolderEntry entry{folder, name,      suffix, DELETE | FILE_READ_ATTRIBUTES,
                      0,      FILE_OPEN, 0,      INVALID_HANDLE_VALUE};
    DWORD error = OpenInFolderThroughHolds(entry, cancel);
    taken = entry.opened;
    if (error == ERROR_SUCCESS && FollowedALink(entry)) {
        CloseHandle(taken);
        taken = INVALID_HANDLE_VALUE;
        return kLinkAtName;
    }
    // Nothing there, or not even its folder: nothing to take.
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ERROR_SUCCESS : error;
}

DWORD RemoveTaken(HANDLE taken) {
    if ((AttributesOf(taken) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        CloseHandle(taken);
        return ERROR_ACCESS_DENIED;
    }
    return DeleteAndClose(taken);
}

DWORD RemoveInFolder(HANDLE folder, const char* name, const char* suffix,
                     const std::atomic<int>* cancel) {
    HANDLE taken = INVALID_HANDLE_VALUE;
    DWORD error = TakeInFolder(folder, name, suffix, cancel, taken);
    if (error != ERROR_SUCCESS || taken == INVALID_HANDLE_VALUE) {
        return error == kLinkAtName ? ERROR_ACCESS_DENIED : error;
    }
    return RemoveTaken(taken);
}
