#include "folder_path.h"

#include <windows.h>

#include "char_search.h"
#include "command_line.h"
#include "folder_checks.h"

namespace {

// The directory search finds no entry for a drive designator such as C:, and it
// cannot be created; a missing drive makes the next creation fail instead.
bool IsDriveDesignator(const char* prefix) {
    char letter = static_cast<char>(prefix[0] | 0x20);
    return letter >= 'a' && letter <= 'z' && prefix[1] == ':' && prefix[2] == '\0';
}

} // namespace

int CreateFolderPath(const char* path) {
    // Windows counts a path's characters, not its bytes: a subfolder of a deep game
    // folder may hold more than MAX_PATH bytes in code page 932 and still be valid.
    if (path == nullptr || CountChars(path) >= kPathChars) {
        return 0;
    }
    char prefix[kPathBytes];
    const char* separator = FindCharFirst(path, '\\');
    int result = separator != nullptr ? 1 : 0;
    while (separator != nullptr && result == 1) {
        // lstrcpyn counts the terminator: this copies the bytes before the separator.
        lstrcpynA(prefix, path, static_cast<int>(separator - path) + 1);
        if (!IsDriveDesignator(prefix) && FolderExists(prefix) == 0) {
            result = CreateDirectoryA(prefix, nullptr) ? 1 : 0;
        }
        separator = FindCharFirst(separator + 1, '\\');
    }
    return result;
}

void GetProgramFolder(char* folder) {
    ProgramFolderFromCommandLine(GetCommandLineA(), folder, MAX_PATH);
}
