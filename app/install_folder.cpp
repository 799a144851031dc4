#include "install_folder.h"

#include "browse_folder.h"
#include "char_search.h"
#include "copy_worker.h"
#include "folder_checks.h"
#include "payload_manifest.h"

char InstallFolder[MAX_PATH] = "C:\\Program Files\\ルミナコ\\";

namespace {

const char kGameExecutable[] = "torb.exe";

// The longest name that will be appended to the install folder: the game's
// executable, or the name a payload is written under before it takes its own.
int LongestNameInFolder() {
    int longest = lstrlenA(kGameExecutable);
    for (const ManifestEntry& row : PayloadManifest) {
        int length = lstrlenA(row.fileName) + lstrlenA(kTemporarySuffix);
        longest = length > longest ? length : longest;
    }
    return longest;
}

// Ends the chosen folder with a separator unless its last character already is
// one; false when the folder is too long to hold any of the names it must take.
bool CompleteChosenFolder() {
    int length = lstrlenA(InstallFolder);
    bool needsSeparator = !EndsInBackslash(InstallFolder);
    if (length + (needsSeparator ? 1 : 0) + LongestNameInFolder() >= MAX_PATH) {
        return false;
    }
    if (needsSeparator) {
        lstrcatA(InstallFolder, "\\");
    }
    return true;
}

} // namespace

bool JoinFolderAndName(char (&out)[MAX_PATH], const char* folder, const char* name) {
    if (lstrlenA(folder) + lstrlenA(name) >= MAX_PATH) {
        out[0] = '\0';
        return false;
    }
    wsprintfA(out, "%s%s", folder, name);
    return true;
}

bool LocateInstallFolder(HWND dialog) {
    // The default is accepted without looking for the executable in it.
    if (FolderExists(InstallFolder)) {
        return true;
    }
    for (;;) {
        MessageBoxA(dialog, "torb.exe のあるフォルダを選択してください。", "Vek", MB_OK);
        if (!BrowseForFolder(dialog, "ルミナコのインストール先", nullptr, InstallFolder)) {
            return false;
        }
        char executable[MAX_PATH];
        if (CompleteChosenFolder() &&
            JoinFolderAndName(executable, InstallFolder, kGameExecutable) &&
            FileExists(executable)) {
            return true;
        }
    }
}
