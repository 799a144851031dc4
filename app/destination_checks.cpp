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
const char* const kLinkedFolder = "次のフォルダは別の場所へのリンクのため、書き込みません。\n%s\n"
                                  "リンクを削除してから、%s";

std::uint32_t TryOpenForMove(void* path, bool&) {
    HANDLE file = CreateFileA(static_cast<const char*>(path), DELETE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return GetLastError();
    }
    CloseHandle(file);
    return ERROR_SUCCESS;
}

// Whether another program holds path open so that it cannot be moved over: opened
// as the move needs it and closed at once, again over the window a brief hold gets.
// Access denied counts too: a file whose deletion another program left pending
// gives it, and so does one the move could not replace.
bool HeldByAnotherProgram(const char* path, const std::atomic<int>* cancel) {
    return IsHoldError(WaitOutHolds(TryOpenForMove, const_cast<char*>(path), cancel));
}

// Fills message with format, which names path and then asks for another press: false,
// for the check to return.
bool StandsInTheWay(char (&message)[kCheckMessageSize], const char* path, const char* format) {
    wsprintfA(message, format, path, kTryAgain);
    return false;
}

// programs names the first few of those that use path, more says how many others do.
void SayInUse(const char* path, const char* programs, int more,
              char (&message)[kCheckMessageSize]) {
    if (programs[0] == '\0') {
        wsprintfA(message,
                  "次のファイルは、ゲームまたは別のプログラムが使用中です。\n%s\n"
                  "ゲームを終了してから、%s",
                  path, kTryAgain);
    } else if (more > 0) {
        wsprintfA(message,
                  "次のファイルは、%sほか %d 個のプログラムが使用中です。\n%s\n"
                  "それらのプログラムを終了してから、%s",
                  programs, more, path, kTryAgain);
    } else {
        wsprintfA(message, "次のファイルは、%sが使用中です。\n%s\nそのプログラムを終了してから、%s",
                  programs, path, kTryAgain);
    }
}

// The folders on the way to a destination, each opened as itself (a link is not
// followed) and kept open until the program ends: without delete sharing, nobody can
// rename or remove one and put a link in its place while rows are written into it.
struct HeldFolder {
    DWORD volume, indexHigh, indexLow;
};
HeldFolder* Held = nullptr;
int HeldCount = 0;
int HeldRoom = 0;
// The folder held last: once RowFoldersReady has made a row ready, that row's own.
// Known when it lies below the game folder: the copy makes sure its temporary landed
// there.
HeldFolder RowFolder;
bool RowFolderKnown = false;

HeldFolder IdentityOf(const BY_HANDLE_FILE_INFORMATION& found) {
    return {found.dwVolumeSerialNumber, found.nFileIndexHigh, found.nFileIndexLow};
}

bool SameFolder(const HeldFolder& a, const HeldFolder& b) {
    return a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow;
}

enum class Way { Held, Missing, Link, File, Busy };

// Keeps folder open unless a folder of the same identity is held already.
void Keep(HANDLE folder, const HeldFolder& identity) {
    for (int i = 0; i < HeldCount; ++i) {
        if (SameFolder(Held[i], identity)) {
            CloseHandle(folder);
            return;
        }
    }
    if (HeldCount == HeldRoom) {
        HeldRoom = HeldRoom * 2 + 8;
        HeldFolder* grown = new HeldFolder[HeldRoom];
        for (int i = 0; i < HeldCount; ++i) {
            grown[i] = Held[i];
        }
        delete[] Held;
        Held = grown;
    }
    Held[HeldCount++] = identity;
}

// What is at path, judged by its attribute word (Wine shows a link only there) and
// then through a handle to the entry itself (Windows: what the handle holds is what
// is written into); a folder is held. The game folder is the player's choice, and may
// be a link or a volume mounted there: it is held as it is.
Way HoldFolder(const char* path, bool game) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return Way::Missing;
    }
    // Reading, so that the sharing it grants is recorded; writing shared, since each
    // move into the folder opens it for writing.
    HANDLE folder =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    BY_HANDLE_FILE_INFORMATION found;
    bool opened = folder != INVALID_HANDLE_VALUE && GetFileInformationByHandle(folder, &found);
    attributes |= opened ? found.dwFileAttributes : 0;
    attributes &= game ? ~FILE_ATTRIBUTE_REPARSE_POINT : ~0u;
    Way way = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? Way::Link
              : (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0   ? Way::File
              : !opened                                        ? Way::Busy
                                                               : Way::Held;
    if (way == Way::Held) {
        RowFolder = IdentityOf(found);
        Keep(folder, RowFolder);
    } else if (folder != INVALID_HANDLE_VALUE) {
        CloseHandle(folder);
    }
    return way;
}

// Holds the folder at path, making it first when make is set and it is missing. false,
// with the message, when a link (planted to steer this elevated program's writes into
// the system's folders), a file or another program stands in the way; false with
// message empty when it cannot be made.
bool FolderReady(const char* path, bool make, bool game, bool& missing,
                 char (&message)[kCheckMessageSize]) {
    Way way = HoldFolder(path, game);
    missing = way == Way::Missing;
    if (missing && make) {
        missing = false;
        if (!CreateDirectoryA(path, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
        // Looked at again: anyone may have put a link there since it was found missing.
        way = HoldFolder(path, false);
    }
    switch (way) {
    case Way::Link:
        return StandsInTheWay(message, path, kLinkedFolder);
    case Way::File:
        return StandsInTheWay(message, path,
                              "同じ名前のファイルがあるため、次のフォルダを作れません。\n%s\n"
                              "そのファイルを移動してから、%s");
    case Way::Busy:
        return StandsInTheWay(message, path,
                              "次のフォルダは別のプログラムが使用中のため、書き込みません。\n%s\n"
                              "そのプログラムを終了してから、%s");
    default:
        return !make || way == Way::Held;
    }
}

// The game folder, whose path path begins with in its folderLength bytes (closing
// backslash included), and its subfolders on the way to path, each held; with make,
// those missing are made, below the game folder alone: the game folder's own path is
// never walked, so a network share (\\server\share\...) serves as any drive.
bool WayReady(char* path, int folderLength, bool make, char (&message)[kCheckMessageSize]) {
    message[0] = '\0';
    // A drive's root keeps its backslash: without it, C: names a current folder.
    int gameLength = path[folderLength - 2] == ':' ? folderLength : folderLength - 1;
    char kept = path[gameLength];
    path[gameLength] = '\0';
    bool missing = false;
    bool ready = FolderReady(path, false, true, missing, message);
    path[gameLength] = kept;
    for (char* separator = FindCharFirst(path + folderLength, '\\');
         ready && !missing && separator != nullptr;
         separator = FindCharFirst(separator + 1, '\\')) {
        *separator = '\0';
        ready = FolderReady(path, make, false, missing, message);
        *separator = '\\';
    }
    return ready;
}

// Asks the Restart Manager about path alone and fills message with the box that names
// them; how many programs use it.
int SayUsers(const char* path, char (&message)[kCheckMessageSize]) {
    char programs[256];
    int named = 0;
    int users = ProgramsUsingFiles(&path, 1, programs, sizeof programs, named);
    SayInUse(path, programs, users - named, message);
    return users;
}

// A temporary of ours that a run killed half-way left beside the destination: it
// would fail the copy of its row after earlier rows were replaced, and counts
// against the free space. false, naming the temporary, when it cannot be removed.
bool RemoveLeftover(const char* path, const std::atomic<int>* cancel,
                    char (&message)[kCheckMessageSize]) {
    char temporary[kPathBytes];
    if (!JoinFolderAndName(temporary, path, kTemporarySuffix) ||
        RemoveFileThroughHolds(temporary, cancel) == ERROR_SUCCESS) {
        return true; // beyond what Windows can name, nothing of ours is there
    }
    return StandsInTheWay(message, temporary,
                          "前回の修正で残った次の一時ファイルを削除できません。\n%s\n"
                          "読み取り専用を外すか、使用しているプログラムを終了してから、%s");
}

struct ProgramSearch {
    const char* const* paths;
    int count;
    char names[256];
};

std::uint32_t TrySessionWithoutPrograms(void* context, bool&) {
    ProgramSearch* search = static_cast<ProgramSearch*>(context);
    int named = 0;
    return ProgramsUsingFiles(search->paths, search->count, search->names, sizeof search->names,
                              named) > 0
               ? kHoldSharingViolation
               : ERROR_SUCCESS;
}

// Programs that the open does not reveal, a running program's own file above all:
// Windows lets it be opened for the move and then refuses the move. One session asks
// about every file, again over the window a brief hold gets; the file is then named
// by asking about each alone.
bool UsedByRunningProgram(const char* const* paths, int count, const std::atomic<int>* cancel,
                          char (&message)[kCheckMessageSize]) {
    ProgramSearch search{paths, count, {}};
    if (count == 0 || WaitOutHolds(TrySessionWithoutPrograms, &search, cancel) == ERROR_SUCCESS) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        if (SayUsers(paths[i], message) > 0) {
            return true;
        }
    }
    message[0] = '\0';
    return false;
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

bool DestinationsReady(const char* folder, int firstRow, const std::atomic<int>* cancel,
                       char (&message)[kCheckMessageSize]) {
    message[0] = '\0';
    RowSpace rows[kPayloadCount] = {};
    char paths[kPayloadCount][kPathBytes];
    const char* existing[kPayloadCount];
    int existingCount = 0;
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
        // Nothing is removed through a link: the subfolders are looked at first.
        if (!WayReady(path, lstrlenA(folder), false, message) ||
            !RemoveLeftover(path, cancel, message)) {
            return false;
        }
        WIN32_FILE_ATTRIBUTE_DATA found;
        if (!GetFileAttributesExA(path, GetFileExInfoStandard, &found)) {
            continue; // nothing there yet
        }
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return StandsInTheWay(
                message, path,
                "次のファイルと同じ名前のフォルダがあるため、置き換えられません。\n%s\n"
                "そのフォルダを移すか名前を変えてから、%s");
        }
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
            return StandsInTheWay(message, path,
                                  "次のファイルは読み取り専用のため、置き換えられません。\n%s\n"
                                  "読み取り専用を外してから、%s");
        }
        if (HeldByAnotherProgram(path, cancel)) {
            SayUsers(path, message);
            return false;
        }
        existing[existingCount++] = path;
        rows[count].existing =
            static_cast<std::uint64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
    }
    if (UsedByRunningProgram(existing, existingCount, cancel, message)) {
        return false;
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

bool RowFoldersReady(const char* folder, char* path, char (&message)[kCheckMessageSize]) {
    int folderLength = lstrlenA(folder);
    bool ready = WayReady(path, folderLength, true, message);
    // The last folder held is the row's own, unless the row lies in the game folder.
    RowFolderKnown = ready && FindCharFirst(path + folderLength, '\\') != nullptr;
    return ready;
}

bool TemporaryInRowFolder(HANDLE temporary) {
    if (!RowFolderKnown) {
        return true;
    }
    // Where the file system put it, every link on the way resolved.
    WCHAR path[1024];
    DWORD length =
        GetFinalPathNameByHandleW(temporary, path, ARRAYSIZE(path), FILE_NAME_NORMALIZED);
    if (length == 0) {
        return true; // a file system that cannot tell (some network servers)
    }
    if (length >= ARRAYSIZE(path)) {
        return false; // far deeper than anything the checks held
    }
    while (length > 0 && path[--length] != L'\\') {
    }
    path[length] = L'\0';
    // A folder that held a file when it was opened cannot have become a link since.
    HANDLE folder = CreateFileW(
        path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    BY_HANDLE_FILE_INFORMATION found;
    bool same = folder != INVALID_HANDLE_VALUE && GetFileInformationByHandle(folder, &found) &&
                SameFolder(IdentityOf(found), RowFolder);
    if (folder != INVALID_HANDLE_VALUE) {
        CloseHandle(folder);
    }
    return same;
}

void SayLinkOnTheWay(const char* destination, char (&message)[kCheckMessageSize]) {
    char folder[kPathBytes];
    lstrcpynA(folder, destination, kPathBytes);
    char* name = FindCharLast(folder, '\\');
    if (name != nullptr) {
        *name = '\0';
    }
    StandsInTheWay(message, folder, kLinkedFolder);
}
