#include "install_folder.h"

#include "browse_folder.h"
#include "char_search.h"
#include "copy_worker.h"
#include "folder_checks.h"
#include "held_folder.h"
#include "install_sequence.h"
#include "payload_manifest.h"

char InstallFolder[kPathBytes] = "C:\\Program Files\\ルミナコ\\";
HANDLE GameFolder = nullptr;

namespace {

const char kGameExecutable[] = "torb.exe";

// Ends the chosen folder with a separator unless its last character already is
// one; false when the folder is too deep for a name it must take: the game's
// executable, each payload under the name it is written with before it takes its own,
// and the subfolders a payload goes into. Windows counts characters, and a Japanese
// one is two bytes here.
bool CompleteChosenFolder() {
    bool needsSeparator = !EndsInBackslash(InstallFolder);
    int folderChars = CountChars(InstallFolder) + (needsSeparator ? 1 : 0);
    bool fits = FolderTakesName(folderChars, kGameExecutable, 0);
    for (const ManifestEntry& row : PayloadManifest) {
        fits = fits && FolderTakesName(folderChars, row.fileName, CountChars(kTemporarySuffix));
    }
    if (!fits) {
        return false;
    }
    if (needsSeparator) {
        lstrcatA(InstallFolder, "\\");
    }
    return true;
}

// Holds the folder InstallFolder names. Reading, so that the sharing it grants is
// recorded; writing shared, since each move into the folder opens it for writing.
bool HoldGameFolder() {
    HANDLE folder = CreateFileA(InstallFolder, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    GameFolder = folder != INVALID_HANDLE_VALUE ? folder : nullptr;
    return GameFolder != nullptr;
}

// Whether the held folder holds the game's executable, asked through its handle.
bool HeldFolderHoldsGame() {
    FolderEntry executable{GameFolder,
                           kGameExecutable,
                           "",
                           FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           FILE_OPEN,
                           FILE_NON_DIRECTORY_FILE,
                           INVALID_HANDLE_VALUE};
    if (OpenInFolder(executable) == ERROR_SUCCESS) {
        CloseHandle(executable.opened);
        return true;
    }
    CloseHandle(GameFolder);
    GameFolder = nullptr;
    return false;
}

} // namespace

bool JoinFolderAndName(char (&out)[kPathBytes], const char* folder, const char* name) {
    if (CountChars(folder) + CountChars(name) >= kPathChars) {
        out[0] = '\0';
        return false;
    }
    wsprintfA(out, "%s%s", folder, name);
    return true;
}

bool LocateInstallFolder(HWND dialog) {
    // The default is accepted without looking for the executable in it.
    if (GameFolder != nullptr || (FolderExists(InstallFolder) && HoldGameFolder())) {
        return true;
    }
    for (;;) {
        MessageBoxA(dialog, "torb.exe のあるフォルダを選択してください。", "Vek", MB_OK);
        // Not BrowseForFolder: a deep Japanese folder takes more than MAX_PATH bytes.
        if (!BrowseForFolderInto(dialog, "ルミナコのインストール先", nullptr, InstallFolder,
                                 sizeof InstallFolder)) {
            return false;
        }
        if (!CompleteChosenFolder()) {
            char text[kPathBytes + 256];
            wsprintfA(text,
                      "次のフォルダは、パスが長すぎるため修正できません。\n%s\n"
                      "ゲームをもっと浅いフォルダに移してから、もう一度「修正」を押してください。",
                      InstallFolder);
            // Not to be taken as the folder on the next press.
            InstallFolder[0] = '\0';
            MessageBoxA(dialog, text, "報告", MB_OK);
            return false;
        }
        if (HoldGameFolder() && HeldFolderHoldsGame()) {
            return true;
        }
    }
}
