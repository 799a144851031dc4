#include "destination_checks.h"

#include "char_search.h"
#include "copy_worker.h"
#include "file_users.h"
#include "install_folder.h"
#include "install_space.h"
#include "payload_check.h"
#include "payload_manifest.h"

namespace {

const char kTryAgain[] = "もう一度「修正」を押してください。";

// Whether another program holds path open so that it cannot be moved over: opened
// as the move needs it and closed at once.
bool HeldByAnotherProgram(const char* path) {
    HANDLE file = CreateFileA(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

void SayInUse(const char* path, char (&message)[kCheckMessageSize]) {
    char programs[256];
    if (ProgramsUsingFile(path, programs, sizeof programs)) {
        wsprintfA(message, "次のファイルは、%sが使用中です。\n%s\nそのプログラムを終了してから、%s",
                  programs, path, kTryAgain);
    } else {
        wsprintfA(message,
                  "次のファイルは、ゲームまたは別のプログラムが使用中です。\n%s\n"
                  "ゲームを終了してから、%s",
                  path, kTryAgain);
    }
}

// The subfolders of the game folder on the way to path, which starts with a folder of
// folderLength bytes: one that is a link (a junction or symbolic link, planted to steer
// this elevated program's writes into the system's folders) or a file of the folder's
// name stops the install. false, with the message, when one stands in the way.
bool SubfoldersReady(char* path, int folderLength, char (&message)[kCheckMessageSize]) {
    for (char* separator = FindCharFirst(path + folderLength, '\\'); separator != nullptr;
         separator = FindCharFirst(separator + 1, '\\')) {
        *separator = '\0';
        DWORD attributes = GetFileAttributesA(path);
        const char* text = nullptr;
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            // made, with those below it, before its file is written
        } else if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            text = "次のフォルダは別の場所へのリンクのため、書き込みません。\n%s\n"
                   "リンクを削除してから、%s";
        } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            text = "同じ名前のファイルがあるため、次のフォルダを作れません。\n%s\n"
                   "そのファイルを移動してから、%s";
        }
        if (text != nullptr) {
            wsprintfA(message, text, path, kTryAgain);
        }
        *separator = '\\';
        if (text != nullptr || attributes == INVALID_FILE_ATTRIBUTES) {
            return text == nullptr;
        }
    }
    return true;
}

// Bytes of one cluster of the volume that holds folder; 0 when unknown.
std::uint64_t ClusterBytes(const char* folder) {
    char root[MAX_PATH];
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetVolumePathNameA(folder, root, MAX_PATH) ||
        !GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) {
        return 0;
    }
    return static_cast<std::uint64_t>(sectorsPerCluster) * bytesPerSector;
}

} // namespace

bool DestinationsReady(const char* folder, int firstRow, char (&message)[kCheckMessageSize]) {
    message[0] = '\0';
    RowSpace rows[kPayloadCount] = {};
    char paths[kPayloadCount][MAX_PATH];
    int count = 0;
    for (int row = firstRow; row < kPayloadCount; ++row, ++count) {
        char* path = paths[count];
        const BYTE* bytes = nullptr;
        DWORD size = 0;
        // Not to be joined, or no payload: the copy itself reports it.
        if (!JoinFolderAndName(paths[count], folder, PayloadManifest[row].fileName) ||
            !LockPayload(PayloadDigestTable()[row].locator, bytes, size)) {
            continue;
        }
        rows[count].payload = size;
        if (!SubfoldersReady(path, lstrlenA(folder), message)) {
            return false;
        }
        WIN32_FILE_ATTRIBUTE_DATA found;
        if (!GetFileAttributesExA(path, GetFileExInfoStandard, &found)) {
            continue; // nothing there yet
        }
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
            wsprintfA(message,
                      "次のファイルは読み取り専用のため、置き換えられません。\n%s\n"
                      "読み取り専用を外してから、%s",
                      path, kTryAgain);
            return false;
        }
        if (HeldByAnotherProgram(path)) {
            SayInUse(path, message);
            return false;
        }
        rows[count].existing =
            static_cast<std::uint64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
    }
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExA(folder, &available, nullptr, nullptr)) {
        return true; // unknown: a copy that runs out of space says so
    }
    SpaceShortage shortage =
        FindSpaceShortage(rows, count, ClusterBytes(folder), available.QuadPart);
    if (shortage.row >= 0) {
        DWORD megabytes = static_cast<DWORD>((shortage.missing + (1u << 20) - 1) >> 20);
        wsprintfA(message,
                  "空き容量が足りないため、次のファイルを書き込めません（あと %lu MB 必要です）。\n"
                  "%s\n空き容量を増やしてから、%s",
                  megabytes, paths[shortage.row], kTryAgain);
        return false;
    }
    return true;
}
