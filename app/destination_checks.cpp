#include "destination_checks.h"

#include "char_search.h"
#include "copy_worker.h"
#include "held_folder.h"
#include "file_users.h"
#include "install_folder.h"
#include "install_space.h"
#include "payload_check.h"
#include "payload_manifest.h"

namespace {

const char kTryAgain[] = "もう一度「修正」を押してください。";
const char* const kLinkedFolder = "次のフォルダは別の場所へのリンクのため、書き込みません。\n%s\n"
                                  "リンクを削除してから、%s";

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

// Asks the Restart Manager about path alone and fills message with the box that names
// them; how many programs use it.
int SayUsers(const char* path, char (&message)[kCheckMessageSize]) {
    char programs[256];
    int named = 0;
    int users = ProgramsUsingFiles(&path, 1, programs, sizeof programs, named);
    SayInUse(path, programs, users - named, message);
    return users;
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

// The subfolders held so far: the first length bytes of a file's name (which lives
// as long as the program) name each, relative to the game folder held as root. Looked
// up by name, so each is opened once in a run; past the first few hundred, a folder is
// held again for each row that needs it.
struct HeldSubfolder {
    HANDLE root;
    const char* name;
    int length;
    HANDLE handle;
};
HeldSubfolder Held[256];
int HeldCount = 0;

HANDLE FindHeld(const char* name, int length) {
    for (int i = 0; i < HeldCount; ++i) {
        if (Held[i].root == GameFolder && Held[i].length == length &&
            memcmp(Held[i].name, name, length) == 0) {
            return Held[i].handle;
        }
    }
    return nullptr;
}

// Opens the subfolder that the first length bytes of name lead to, from parent by its
// last part alone, making it with make; held when it is a folder.
HANDLE HoldSubfolder(HANDLE parent, const char* name, int start, int length, bool make,
                     char (&message)[kCheckMessageSize]) {
    char part[kPathBytes];
    lstrcpynA(part, name + start, length - start + 1);
    // Its path, for the box and for one look that Wine needs: a handle it opens on a
    // Unix symbolic link follows it, and only a look by path shows the link.
    char path[kPathBytes];
    int folderLength = lstrlenA(InstallFolder);
    lstrcpyA(path, InstallFolder);
    lstrcpynA(path + folderLength, name, length + 1);
    // Reading, so that the sharing it grants is recorded; writing shared, since each
    // move into the folder opens it for writing.
    FolderEntry entry{parent,
                      part,
                      "",
                      GENERIC_READ,
                      FILE_SHARE_READ | FILE_SHARE_WRITE,
                      static_cast<ULONG>(make ? FILE_OPEN_IF : FILE_OPEN),
                      FILE_DIRECTORY_FILE,
                      INVALID_HANDLE_VALUE};
    DWORD error = OpenInFolder(entry);
    if (error == ERROR_SUCCESS) {
        DWORD byPath = GetFileAttributesA(path);
        DWORD attributes =
            AttributesOf(entry.opened) | (byPath != INVALID_FILE_ATTRIBUTES ? byPath : 0);
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
            if (HeldCount < static_cast<int>(ARRAYSIZE(Held))) {
                Held[HeldCount++] = {GameFolder, name, length, entry.opened};
            }
            return entry.opened;
        }
        CloseHandle(entry.opened);
        // Planted to steer this elevated program's writes into the system's folders.
        StandsInTheWay(message, path, kLinkedFolder);
    } else if (error == ERROR_DIRECTORY) {
        StandsInTheWay(message, path,
                       "同じ名前のファイルがあるため、次のフォルダを作れません。\n%s\n"
                       "そのファイルを移動してから、%s");
    } else if (IsHoldError(error)) {
        StandsInTheWay(message, path,
                       "次のフォルダは別のプログラムが使用中のため、書き込みません。\n%s\n"
                       "そのプログラムを終了してから、%s");
    }
    SetLastError(error);
    return nullptr;
}

// What a run killed half-way left beside the files, taken while the checks look and
// closed on every way out: the temporaries with the row each belongs to, and the files
// a commit had moved aside.
struct Leftovers {
    StagedFile temporaries[kPayloadCount];
    int temporaryRows[kPayloadCount];
    int temporaryCount = 0;
    HANDLE backups[kPayloadCount];
    int backupRows[kPayloadCount];
    int backupCount = 0;

    ~Leftovers() {
        for (int i = 0; i < temporaryCount; ++i) {
            CloseIfOpen(temporaries[i].temporary);
        }
        for (int i = 0; i < backupCount; ++i) {
            CloseIfOpen(backups[i]);
        }
    }
    static void CloseIfOpen(HANDLE& handle) {
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
            handle = INVALID_HANDLE_VALUE;
        }
    }
};

// Fills message with the box for a leftover, path followed by suffix, that cannot be
// taken or removed: false, for the check to return.
bool SayLeftover(const char* path, const char* suffix, char (&message)[kCheckMessageSize]) {
    char named[kPathBytes + 16];
    wsprintfA(named, "%s%s", path, suffix);
    return StandsInTheWay(message, named,
                          "前回の修正で残った次の一時ファイルを削除できません。\n%s\n"
                          "読み取り専用を外すか、使用しているプログラムを終了してから、%s");
}

// Deletes a leftover through its handle; false, naming it with path and suffix in
// message, when it is read-only, a folder, or cannot go for another reason.
bool RemoveLeftover(HANDLE& taken, const char* path, const char* suffix,
                    char (&message)[kCheckMessageSize]) {
    HANDLE leftover = taken;
    taken = INVALID_HANDLE_VALUE;
    return RemoveTaken(leftover) == ERROR_SUCCESS || SayLeftover(path, suffix, message);
}

} // namespace

HANDLE RowFolder(const char* fileName, bool make, const char*& name,
                 char (&message)[kCheckMessageSize]) {
    message[0] = '\0';
    HANDLE folder = GameFolder;
    name = fileName;
    // A trail byte 0x5C separates nothing.
    for (const char* separator = FindCharFirst(fileName, '\\'); separator != nullptr;
         separator = FindCharFirst(separator + 1, '\\')) {
        int length = static_cast<int>(separator - fileName);
        HANDLE held = FindHeld(fileName, length);
        if (held == nullptr) {
            held = HoldSubfolder(folder, fileName, static_cast<int>(name - fileName), length, make,
                                 message);
            if (held == nullptr) {
                return nullptr;
            }
        }
        folder = held;
        name = separator + 1;
    }
    return folder;
}

bool DestinationsReady(const std::atomic<int>* cancel, char (&message)[kCheckMessageSize]) {
    message[0] = '\0';
    std::uint64_t payloads[kPayloadCount] = {};
    char paths[kPayloadCount][kPathBytes];
    const char* existing[kPayloadCount];
    int existingCount = 0;
    Leftovers left;
    for (int row = 0; row < kPayloadCount; ++row) {
        char* path = paths[row];
        const BYTE* bytes = nullptr;
        DWORD size = 0;
        // Not to be joined, or no payload: the copy itself reports it.
        if (!JoinFolderAndName(paths[row], InstallFolder, PayloadManifest[row].fileName) ||
            !LockPayload(PayloadDigestTable()[row].locator, bytes, size)) {
            continue;
        }
        payloads[row] = size;
        const char* name = nullptr;
        HANDLE folder = RowFolder(PayloadManifest[row].fileName, false, name, message);
        if (folder == nullptr) {
            if (message[0] != '\0') {
                return false;
            }
            continue; // a folder not made yet holds nothing
        }
        StagedFile& temporary = left.temporaries[left.temporaryCount];
        temporary = {folder, name, INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
        HANDLE& backup = left.backups[left.backupCount];
        const char* suffix = kTemporarySuffix;
        DWORD error = TakeInFolder(folder, name, suffix, cancel, temporary.temporary);
        if (error == ERROR_SUCCESS) {
            suffix = kBackupSuffix;
            error = TakeInFolder(folder, name, suffix, cancel, backup);
        }
        if (error != ERROR_SUCCESS) {
            return SayLeftover(path, suffix, message);
        }
        if (temporary.temporary != INVALID_HANDLE_VALUE) {
            left.temporaryRows[left.temporaryCount++] = row;
        }
        if (backup != INVALID_HANDLE_VALUE) {
            left.backupRows[left.backupCount++] = row;
        }
        // The file itself, opened as a move over it would open it: another program that
        // holds it without sharing its deletion stops the move.
        FolderEntry entry{folder,
                          name,
                          "",
                          DELETE | FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          FILE_OPEN,
                          0,
                          INVALID_HANDLE_VALUE};
        error = OpenInFolderThroughHolds(entry, cancel);
        if (error == ERROR_FILE_NOT_FOUND) {
            continue; // nothing there yet
        }
        if (error != ERROR_SUCCESS) {
            SayUsers(path, message);
            return false;
        }
        DWORD attributes = AttributesOf(entry.opened);
        CloseHandle(entry.opened);
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return StandsInTheWay(
                message, path,
                "次のファイルと同じ名前のフォルダがあるため、置き換えられません。\n%s\n"
                "そのフォルダを移すか名前を変えてから、%s");
        }
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            return StandsInTheWay(message, path,
                                  "次のファイルは読み取り専用のため、置き換えられません。\n%s\n"
                                  "読み取り専用を外してから、%s");
        }
        existing[existingCount++] = path;
    }
    if (left.backupCount > 0) {
        // A run was killed inside its commit. It began only once every payload was whole
        // and flushed, so its temporaries are a whole patch: finishing it takes a few
        // renames and leaves the game as that run would have, added files included,
        // which putting the old files back could not tell from the others.
        int failed = 0;
        if (CommitStaged(left.temporaries, left.temporaryCount, cancel, failed) != ERROR_SUCCESS) {
            SayUsers(paths[left.temporaryRows[failed]], message);
            return false;
        }
        left.temporaryCount = 0;
    }
    for (int i = 0; i < left.backupCount; ++i) {
        if (!RemoveLeftover(left.backups[i], paths[left.backupRows[i]], kBackupSuffix, message)) {
            return false;
        }
    }
    for (int i = 0; i < left.temporaryCount; ++i) {
        if (!RemoveLeftover(left.temporaries[i].temporary, paths[left.temporaryRows[i]],
                            kTemporarySuffix, message)) {
            return false;
        }
    }
    if (UsedByRunningProgram(existing, existingCount, cancel, message)) {
        return false;
    }
    // Asked of the held folder's own volume.
    FILE_FS_FULL_SIZE_INFORMATION volume;
    IO_STATUS_BLOCK status;
    if (NtQueryVolumeInformationFile(GameFolder, &status, &volume, sizeof volume,
                                     FileFsFullSizeInformation) < 0) {
        return true; // unknown: a copy that runs out of space says so
    }
    std::uint64_t cluster =
        static_cast<std::uint64_t>(volume.SectorsPerAllocationUnit) * volume.BytesPerSector;
    SpaceShortage shortage = FindSpaceShortage(
        payloads, kPayloadCount, cluster,
        static_cast<std::uint64_t>(volume.CallerAvailableAllocationUnits.QuadPart) * cluster);
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
