#include "folder_checks.h"

#include <windows.h>

#include "char_search.h"

namespace {

// Attribute word of the first entry that the directory search finds for path;
// false when it finds none.
bool FirstEntryAttributes(const char* path, DWORD* attributes) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(path, &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    *attributes = entry.dwFileAttributes;
    FindClose(search);
    return true;
}

} // namespace

int FileExists(const char* path) {
    DWORD attributes = 0;
    if (path == nullptr || !FirstEntryAttributes(path, &attributes)) {
        return 0;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ? 1 : 0;
}

int FolderExists(const char* path) {
    char folder[kPathBytes];
    if (path == nullptr || CountChars(path) >= kPathChars) {
        return 0;
    }
    lstrcpyA(folder, path);
    // Only a single-byte backslash closes the path: the last byte of 表 (0x95 0x5C)
    // belongs to the folder's name.
    if (EndsInBackslash(folder)) {
        folder[lstrlenA(folder) - 1] = '\0';
    }
    DWORD attributes = 0;
    if (!FirstEntryAttributes(folder, &attributes)) {
        return 0;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? 1 : 0;
}
