#include "install_folder.h"

#include "browse_folder.h"
#include "char_search.h"
#include "copy_worker.h"
#include "folder_checks.h"
#include "payload_manifest.h"

char InstallFolder[kPathBytes] = "C:\\Program Files\\ルミナコ\\";

namespace {

const char kGameExecutable[] = "torb.exe";

// The longest name that will be appended to the install folder: the game's
// executable, or the name a payload is written under before it takes its own.
int LongestNameInFolder() {
    int longest = CountChars(kGameExecutable);
    for (const ManifestEntry& row : PayloadManifest) {
        int length = CountChars(row.fileName) + CountChars(kTemporarySuffix);
        longest = length > longest ? length : longest;
    }
    return longest;
}

// Ends the chosen folder with a separator unless its last character already is
// one; false when the folder is too deep to hold any of the names it must take.
// Windows counts characters, and a Japanese one is two bytes here.
bool CompleteChosenFolder() {
    bool needsSeparator = !EndsInBackslash(InstallFolder);
    if (CountChars(InstallFolder) + (needsSeparator ? 1 : 0) + LongestNameInFolder() >=
        kPathChars) {
        return false;
    }
    if (needsSeparator) {
        lstrcatA(InstallFolder, "\\");
    }
    return true;
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
    if (FolderExists(InstallFolder)) {
        return true;
    }
    for (;;) {
        MessageBoxA(dialog, "torb.exe のあるフォルダを選択してください。", "Vek", MB_OK);
        if (!BrowseForFolder(dialog, "ルミナコのインストール先", nullptr, InstallFolder)) {
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
        char executable[kPathBytes];
        if (JoinFolderAndName(executable, InstallFolder, kGameExecutable) &&
            FileExists(executable)) {
            return true;
        }
    }
}
