// The whole install, driven from outside the real installer as a user would.
#include "copy_worker.h"
#include "destination_checks.h"
#include "exit_codes.h"
#include "install_folder.h"
#include "installer_driver.h"
#include "patch_dialog.h"
#include "payload_manifest.h"
#include "resource.h"
#include "test_files.h"

#include <commctrl.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <vector>

namespace {

const char kDefaultFolder[] = "C:\\Program Files\\ルミナコ\\";
const DWORD kInstallTimeoutMs = 60000;

// The order the game's patch is written in, kept apart from the program's table.
const char* const kInstallOrder[kPayloadCount] = {
    "patch.xp3",
    "patch2.xp3",
    "patch3.xp3",
    "ファイル破損チェックツール.ini",
    "ファイル破損チェックツール.exe",
    "background.xp3.sig",
    "cxdec.tpm.sig",
    "data.xp3.sig",
    "krmovie.dll.sig",
    "patch.xp3.sig",
    "patch2.xp3.sig",
    "patch3.xp3.sig",
    "system.xp3.sig",
    "wuvorbis.dll.sig",
    "patch4.xp3",
    "patch4.xp3.sig",
};

// The files of an earlier patch in the game folder.
const char* const kOlderFiles[] = {"patch.xp3", "patch2.xp3", "patch4.xp3.sig",
                                   "ファイル破損チェックツール.ini"};

std::string PayloadBytes(const ManifestEntry& row) {
    std::string bytes;
    ReadWholeFile(WindowsPath(TestSetting("PAYLOAD_SOURCE_DIR")) + "\\" + row.fileName, bytes);
    return bytes;
}

// Removes folder, given with its closing backslash, and all it holds.
void RemoveFolder(const std::string& folder) {
    RemoveTree(folder.substr(0, folder.size() - 1));
}

std::string DesktopFolder() {
    char desktop[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop);
    return std::string(desktop) + "\\";
}

bool Enabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

std::string Text(HWND dialog, int id) {
    return WindowTextOf(GetDlgItem(dialog, id));
}

// The text of a message box.
std::string BoxText(HWND box) {
    return WindowTextOf(GetDlgItem(box, 0xFFFF));
}

LRESULT BarPosition(HWND dialog) {
    return SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_GETPOS, 0, 0);
}

std::string AsciiLower(std::string text) {
    for (char& c : text) {
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return text;
}

// Each comctl32 that process has loaded, found from outside in its module list: its
// file, lower-cased, and that file's version ("" when unreadable).
struct LoadedLibrary {
    std::string path;
    std::string fileVersion;
};
std::vector<LoadedLibrary> LoadedComctl32(DWORD processId) {
    std::vector<LoadedLibrary> found;
    HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, processId);
    if (modules == INVALID_HANDLE_VALUE) {
        return found;
    }
    MODULEENTRY32 module{};
    module.dwSize = sizeof module;
    for (BOOL more = Module32First(modules, &module); more; more = Module32Next(modules, &module)) {
        if (lstrcmpiA(module.szModule, "comctl32.dll") == 0) {
            found.push_back({AsciiLower(module.szExePath), ""});
        }
    }
    CloseHandle(modules);
    for (LoadedLibrary& library : found) {
        std::vector<char> info(GetFileVersionInfoSizeA(library.path.c_str(), nullptr));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        if (!info.empty() &&
            GetFileVersionInfoA(library.path.c_str(), 0, info.size(), info.data()) &&
            VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length) &&
            length >= sizeof *fixed) {
            char version[64];
            wsprintfA(version, "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
                      LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                      LOWORD(fixed->dwFileVersionLS));
            library.fileVersion = version;
        }
    }
    return found;
}

class Install : public ::testing::Test {
  protected:
    void SetUp() override {
        RemoveFolder(kDefaultFolder);
        CreateDirectoryA(kDefaultFolder, nullptr);
    }
    void TearDown() override {
        RemoveFolder(kDefaultFolder);
        for (const std::string& folder : madeFolders_) {
            RemoveFolder(folder);
        }
    }

    HWND StartInstaller(const std::string& exe = WindowsPath(TestSetting("INSTALLER_EXE"))) {
        if (!installer_.Start(exe)) {
            return nullptr;
        }
        return installer_.WaitForWindow("Vek", "#32770", 20000);
    }

    // A folder on the desktop, where the browse dialog shows it at the top level.
    std::string DesktopSubfolder(const std::string& name, bool withGame) {
        std::string folder = DesktopFolder() + name + "\\";
        RemoveFolder(folder);
        CreateDirectoryA(folder.c_str(), nullptr);
        if (withGame) {
            WriteWholeFile(folder + "torb.exe", "MZ");
        }
        madeFolders_.push_back(folder);
        return folder;
    }

    // Presses "修正" and answers the prompt; returns the browse dialog.
    HWND RepairUntilBrowser(HWND dialog) {
        PressButton(dialog, IDOK);
        HWND prompt = installer_.WaitForMessageBox(
            "Vek", "torb.exe のあるフォルダを選択してください。", 10000);
        if (prompt == nullptr) {
            return nullptr;
        }
        PressButton(prompt, IDOK);
        return installer_.WaitForFolderBrowser(10000);
    }

    // Presses "修正" and waits for the box that ends the press; says [out] is its text.
    HWND RepairUntilReport(HWND dialog, std::string& says) {
        PressButton(dialog, IDOK);
        HWND box = installer_.WaitForMessageBox("報告", nullptr, kInstallTimeoutMs);
        says = box != nullptr ? BoxText(box) : "";
        return box;
    }

    HWND WaitForCompletionBox() {
        return installer_.WaitForMessageBox("報告", "完了しました。", kInstallTimeoutMs);
    }

    // Answers the one completion box and leaves with "終了".
    void FinishInstall(HWND dialog) {
        HWND box = WaitForCompletionBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(Text(dialog, IDC_STATUS), "修正完了");
        PressButton(box, IDOK);
        ASSERT_TRUE(WaitUntil([&] { return Enabled(dialog, IDCANCEL); }, 5000));
        Sleep(300);
        EXPECT_EQ(installer_.WaitForMessageBox("報告", nullptr, 0), nullptr) << "a second box";
        ExitWithOne(dialog);
    }

    // Every payload whole in folder, and no temporary left beside it.
    void ExpectAllPayloadsIn(const std::string& folder) {
        for (const ManifestEntry& row : PayloadManifest) {
            std::string written;
            EXPECT_TRUE(ReadWholeFile(folder + row.fileName, written)) << row.fileName;
            EXPECT_TRUE(written == PayloadBytes(row)) << row.fileName;
            ExpectNoTemporaryOf(folder + row.fileName);
        }
    }

    // Older files of the patch, as a player who installed an earlier one has them.
    void WriteOlderFiles() {
        for (const char* name : kOlderFiles) {
            WriteWholeFile(kDefaultFolder + std::string(name), std::string("older ") + name);
        }
    }

    // The older files byte for byte, and nothing of the patch beside them but the
    // temporaries a killed run leaves.
    void ExpectOnlyOlderFiles(bool temporariesLeft = false) {
        std::vector<std::string> older;
        for (const std::string& name : FolderContents(kDefaultFolder)) {
            bool temporary = name.size() > 5 && name.compare(name.size() - 5, 5, ".part") == 0;
            EXPECT_TRUE(temporary ? temporariesLeft : true) << name;
            if (!temporary) {
                older.push_back(name);
                std::string bytes;
                EXPECT_TRUE(ReadWholeFile(kDefaultFolder + name, bytes) && bytes == "older " + name)
                    << name;
            }
        }
        std::vector<std::string> expected(std::begin(kOlderFiles), std::end(kOlderFiles));
        std::sort(older.begin(), older.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(older, expected);
    }

    void ExpectNoTemporaryOf(const std::string& destination) {
        std::string temporary = destination + kTemporarySuffix;
        EXPECT_EQ(GetFileAttributesA(temporary.c_str()), INVALID_FILE_ATTRIBUTES) << temporary;
    }

    // Both buttons come back once the box that ended the press has closed.
    void ExpectReady(HWND dialog) {
        EXPECT_TRUE(
            WaitUntil([&] { return Enabled(dialog, IDOK) && Enabled(dialog, IDCANCEL); }, 5000));
        EXPECT_EQ(Text(dialog, IDC_STATUS), "status");
    }

    // The close box ends the program promptly, with 1, also while a copy runs.
    void CloseWhileCopying(HWND dialog) {
        DWORD closed = GetTickCount();
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        EXPECT_EQ(installer_.WaitForExit(10000), 1u);
        EXPECT_LT(GetTickCount() - closed, 3000u);
    }

    void ExitWithOne(HWND dialog) {
        PressButton(dialog, IDCANCEL);
        EXPECT_EQ(installer_.WaitForExit(10000), 1u);
    }

    InstallerProcess installer_;
    std::vector<std::string> madeFolders_;
};

TEST_F(Install, WritesEverythingIntoTheDefaultFolderInTableOrder) {
    HWND dialog = StartInstaller();
    ASSERT_NE(dialog, nullptr);
    // The manifest's common controls and no other: the side-by-side assembly of version
    // 6, from the store in the Windows folder. Its folder names the assembly's version:
    // Wine's comctl32 is one DLL for both versions and says 5.81 in its version resource.
    std::vector<LoadedLibrary> comctl32 = LoadedComctl32(installer_.Id());
    EXPECT_FALSE(comctl32.empty());
    std::string store(MAX_PATH, '\0');
    store.resize(GetWindowsDirectoryA(&store[0], MAX_PATH));
    store = AsciiLower(store) + "\\winsxs\\";
    const std::regex version6(
        R"([a-z0-9]+_microsoft\.windows\.common-controls_6595b64144ccf1df_6\.[^\\]+\\comctl32\.dll)");
    for (const LoadedLibrary& library : comctl32) {
        EXPECT_TRUE(library.path.compare(0, store.size(), store) == 0 &&
                    std::regex_match(library.path.substr(store.size()), version6))
            << library.path << ", file version " << library.fileVersion;
    }
    PressButton(dialog, IDOK);

    // Follow the file line while copying: each destination in table order, both
    // buttons disabled, the status line saying so.
    std::vector<std::string> shown;
    bool buttonsStayedDisabled = true;
    bool statusStayed = true;
    HWND box = nullptr;
    WaitUntil(
        [&] {
            box = installer_.WaitForMessageBox("報告", "完了しました。", 0);
            if (box != nullptr) {
                return true;
            }
            std::string file = Text(dialog, IDC_FILE);
            if (file != "file" && (shown.empty() || shown.back() != file)) {
                shown.push_back(file);
                buttonsStayedDisabled &= !Enabled(dialog, IDOK) && !Enabled(dialog, IDCANCEL);
                statusStayed &= Text(dialog, IDC_STATUS) == "コピー中．．．";
            }
            return false;
        },
        kInstallTimeoutMs);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(buttonsStayedDisabled);
    EXPECT_TRUE(statusStayed);
    // Each file takes a hundred progress round trips at least: none passes unseen.
    std::vector<std::string> expected;
    for (const char* name : kInstallOrder) {
        expected.push_back(kDefaultFolder + std::string(name));
    }
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(Text(dialog, IDC_STATUS), "修正完了"); // already while the box is up

    PressButton(box, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return Enabled(dialog, IDCANCEL); }, 5000));
    EXPECT_FALSE(Enabled(dialog, IDOK));
    EXPECT_EQ(Text(dialog, IDC_STATUS), "修正完了");
    EXPECT_EQ(Text(dialog, IDC_FILE), kDefaultFolder + std::string(PayloadManifest[15].fileName));
    EXPECT_EQ(BarPosition(dialog), 100);

    // A "修正" that reaches the dialog after the end starts nothing.
    PostCommand(dialog, IDOK);
    Sleep(300);
    EXPECT_EQ(installer_.WaitForMessageBox("報告", nullptr, 0), nullptr);
    EXPECT_EQ(Text(dialog, IDC_STATUS), "修正完了");

    ExitWithOne(dialog);
    ExpectAllPayloadsIn(kDefaultFolder);
}

TEST_F(Install, ASecondCopySaysSoAndTouchesNothing) {
    HWND dialog = StartInstaller();
    ASSERT_NE(dialog, nullptr);
    InstallerProcess second;
    ASSERT_TRUE(second.Start(WindowsPath(TestSetting("INSTALLER_EXE"))));
    HWND box = second.WaitForMessageBox("報告", "修正はすでに実行中です。", 20000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(second.WaitForWindow("Vek", "#32770", 0), nullptr);
    PressButton(box, IDOK);
    EXPECT_EQ(second.WaitForExit(10000), static_cast<DWORD>(kExitAlreadyRunning));
    EXPECT_TRUE(FolderContents(kDefaultFolder).empty());
    // The first copy goes on as if alone.
    PressButton(dialog, IDOK);
    FinishInstall(dialog);
    ExpectAllPayloadsIn(kDefaultFolder);
}

TEST_F(Install, ReplacesLongerFilesAndLinksWithThePayloads) {
    for (const ManifestEntry& row : PayloadManifest) {
        WriteWholeFile(kDefaultFolder + std::string(row.fileName), PayloadBytes(row) + "left over");
    }
    // A link that someone who may write into the game folder put where the
    // elevated installer writes: it must be replaced, not written through.
    const std::string outside = "C:\\not-the-game.dll";
    const std::string link = kDefaultFolder + std::string("patch.xp3");
    WriteWholeFile(outside, "not yours");
    DeleteFileA(link.c_str());
    ASSERT_TRUE(MakeUnixLink(link, outside));

    HWND dialog = StartInstaller();
    ASSERT_NE(dialog, nullptr);
    PressButton(dialog, IDOK);
    FinishInstall(dialog);
    ExpectAllPayloadsIn(kDefaultFolder);
    std::string kept;
    EXPECT_TRUE(ReadWholeFile(outside, kept) && kept == "not yours");
    DeleteFileA(outside.c_str());
}

TEST_F(Install, StrayCommandsWhileCopyingChangeNothing) {
    HWND dialog = StartInstaller();
    ASSERT_NE(dialog, nullptr);
    PressButton(dialog, IDOK);
    // Another program posts "修正" and the payload-finished command while the
    // largest payload is written.
    std::string largest = kDefaultFolder + std::string("patch2.xp3");
    ASSERT_TRUE(WaitUntil([&] { return Text(dialog, IDC_FILE) == largest; }, kInstallTimeoutMs));
    for (int i = 0; i < 5; ++i) {
        PostCommand(dialog, IDOK);
        PostCommand(dialog, kPayloadFinishedCommand);
        Sleep(20);
    }
    FinishInstall(dialog);
    ExpectAllPayloadsIn(kDefaultFolder);
}

TEST_F(Install, AsksForTheFolderWhenTheDefaultIsMissing) {
    RemoveFolder(kDefaultFolder);
    std::string withoutGame = DesktopSubfolder("no game here", false);
    std::string game = DesktopSubfolder("game", true);

    HWND dialog = StartInstaller();
    ASSERT_NE(dialog, nullptr);

    // Cancel: the dialog stays ready.
    HWND browser = RepairUntilBrowser(dialog);
    ASSERT_NE(browser, nullptr);
    PressButton(browser, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return installer_.WaitForFolderBrowser(0) == nullptr; }, 5000));
    ExpectReady(dialog);

    // The default is not tried again in this run, even once it exists.
    CreateDirectoryA(kDefaultFolder, nullptr);
    browser = RepairUntilBrowser(dialog);
    ASSERT_NE(browser, nullptr);

    // A "修正" that reaches the dialog while the browser is open starts nothing.
    PostCommand(dialog, IDOK);
    Sleep(300);
    EXPECT_EQ(installer_.WaitForMessageBox("Vek", "torb.exe のあるフォルダを選択してください。", 0),
              nullptr);

    // A folder without the game's executable: asked again.
    ASSERT_TRUE(SelectDesktopFolderInBrowser(installer_.Handle(), browser, "no game here"));
    PressButton(browser, IDOK);
    HWND prompt =
        installer_.WaitForMessageBox("Vek", "torb.exe のあるフォルダを選択してください。", 10000);
    ASSERT_NE(prompt, nullptr);
    PressButton(prompt, IDOK);
    browser = installer_.WaitForFolderBrowser(10000);
    ASSERT_NE(browser, nullptr);

    ASSERT_TRUE(SelectDesktopFolderInBrowser(installer_.Handle(), browser, "game"));
    PressButton(browser, IDOK);
    FinishInstall(dialog);
    ExpectAllPayloadsIn(game);
    std::string stray;
    EXPECT_FALSE(ReadWholeFile(withoutGame + "patch.xp3", stray));
    EXPECT_FALSE(ReadWholeFile(kDefaultFolder + std::string("patch.xp3"), stray));
}

TEST_F(Install, ChosenFoldersAreMeasuredInCharactersAsWindowsMeasuresThem) {
    RemoveFolder(kDefaultFolder);
    // The longest name written is background.xp3.sig.part, 23 characters. A folder
    // name of twenty Japanese characters (40 bytes here, 60 in the UTF-8 name Wine
    // gives Linux, which allows 255) and the rest in ASCII brings its path to Windows'
    // 259 characters exactly, and the check tool's temporary well beyond 259 bytes.
    const int room = kPathChars - 1 - static_cast<int>(DesktopFolder().size()) - 1 - 23;
    std::string deep;
    for (int i = 0; i < 20; ++i) {
        deep += "深";
    }
    deep += std::string(room - 20, 'x');
    const struct {
        const char* what;
        std::string name;
        bool installs;
    } kCases[] = {
        {"a name ending in a trail byte 0x5C", "ゲーム表", true},
        {"a folder as deep as Windows allows", deep, true},
        {"one character deeper", deep + "x", false},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        std::string game = DesktopSubfolder(c.name, true);
        HWND dialog = StartInstaller();
        ASSERT_NE(dialog, nullptr);
        HWND browser = RepairUntilBrowser(dialog);
        ASSERT_NE(browser, nullptr);
        ASSERT_TRUE(SelectDesktopFolderInBrowser(installer_.Handle(), browser, c.name));
        PressButton(browser, IDOK);
        if (c.installs) {
            FinishInstall(dialog);
            ExpectAllPayloadsIn(game);
            continue;
        }
        // Refused at once, saying why, not with the prompt for the game's folder.
        HWND box = installer_.WaitForMessageBox("報告", nullptr, 10000);
        ASSERT_NE(box, nullptr);
        std::string says = BoxText(box);
        EXPECT_NE(says.find("パスが長すぎる"), std::string::npos) << says;
        EXPECT_NE(says.find(game.substr(0, game.size() - 1)), std::string::npos) << says;
        PressButton(box, IDOK);
        ExpectReady(dialog);
        EXPECT_EQ(FolderContents(game), std::vector<std::string>{"torb.exe"});
        ExitWithOne(dialog);
    }
}

TEST_F(Install, ReportsWhatStandsInTheWayBeforeWritingAnything) {
    std::string archive = kDefaultFolder + std::string("patch3.xp3");
    struct Obstacle {
        const char* what;
        const char* says;
        HANDLE (*make)(const std::string& path); // a handle to close once the file is free
    };
    const Obstacle kObstacles[] = {
        // As when the game runs: open for reading, sharing reads only.
        {"the game holds an archive", "ゲームまたは別のプログラムが使用中です",
         [](const std::string& path) {
             return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
         }},
        {"a read-only archive", "読み取り専用",
         [](const std::string& path) {
             SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
             return INVALID_HANDLE_VALUE;
         }},
        // Left by a run that was killed; named itself, not the archive it was for.
        {"a leftover temporary that cannot be removed", "一時ファイルを削除できません",
         [](const std::string& path) {
             std::string temporary = path + kTemporarySuffix;
             WriteWholeFile(temporary, "left by a killed run");
             SetFileAttributesA(temporary.c_str(), FILE_ATTRIBUTE_READONLY);
             return INVALID_HANDLE_VALUE;
         }},
        {"a folder in the archive's place", "同じ名前のフォルダ",
         [](const std::string& path) {
             DeleteFileA(path.c_str());
             CreateDirectoryA(path.c_str(), nullptr);
             return INVALID_HANDLE_VALUE;
         }},
    };
    for (const Obstacle& obstacle : kObstacles) {
        SCOPED_TRACE(obstacle.what);
        WriteWholeFile(archive, "older archive");
        HANDLE held = obstacle.make(archive);
        std::vector<std::string> before = FolderContents(kDefaultFolder);
        HWND dialog = StartInstaller();
        ASSERT_NE(dialog, nullptr);
        std::string says;
        HWND box = RepairUntilReport(dialog, says);
        ASSERT_NE(box, nullptr);
        EXPECT_NE(says.find(obstacle.says), std::string::npos) << says;
        // The file named is the one in the way: the leftover itself where there is one.
        std::string named = archive + kTemporarySuffix;
        named = GetFileAttributesA(named.c_str()) != INVALID_FILE_ATTRIBUTES ? named : archive;
        EXPECT_NE(says.find(named + "\n"), std::string::npos) << says;
        // Nothing was written, and the dialog is as before the press.
        EXPECT_EQ(FolderContents(kDefaultFolder), before);
        EXPECT_EQ(Text(dialog, IDC_FILE), "file");
        EXPECT_EQ(BarPosition(dialog), 0);
        PostCommand(dialog, IDOK); // from another program, while the box is up
        Sleep(200);
        PressButton(box, IDOK);
        ASSERT_TRUE(
            WaitUntil([&] { return Enabled(dialog, IDOK) && Enabled(dialog, IDCANCEL); }, 5000));
        ExpectReady(dialog);

        // Once the file is free, "修正" checks again and installs.
        if (held != INVALID_HANDLE_VALUE) {
            CloseHandle(held);
        }
        SetFileAttributesA(archive.c_str(), FILE_ATTRIBUTE_NORMAL);
        SetFileAttributesA((archive + kTemporarySuffix).c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveDirectoryA(archive.c_str());
        PressButton(dialog, IDOK);
        FinishInstall(dialog);
        ExpectAllPayloadsIn(kDefaultFolder);
        RemoveFolder(kDefaultFolder);
        CreateDirectoryA(kDefaultFolder, nullptr);
    }
}

// Windows' Restart Manager knows the programs that run from a payload, which the open
// does not reveal; the test's stand-in answers as it does, put in the system folder
// and chosen over Wine's for this installer alone.
TEST_F(Install, ProgramsRunningFromAFileAreNamedBeforeWritingAnything) {
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string manager = std::string(system) + "\\rstrtmgr.dll";
    CopyFileA(manager.c_str(), (manager + ".wine").c_str(), TRUE);
    ASSERT_TRUE(CopyFileA(WindowsPath(TestSetting("RESTART_MANAGER_STAND_IN")).c_str(),
                          manager.c_str(), FALSE));
    const std::string tool = kDefaultFolder + std::string("ファイル破損チェックツール.exe");
    WriteWholeFile(tool, "MZ running");
    const std::string tail = "\n" + tool + "\n";
    const struct {
        const char* what;
        const char* programs; // each followed by "|"
        std::string says;
    } kCases[] = {
        {"one program", "ファイル破損チェックツール|",
         "次のファイルは、ファイル破損チェックツールが使用中です。" + tail +
             "そのプログラムを終了してから、もう一度「修正」を押してください。"},
        {"more than a box names", "ファイル破損チェックツール|ルミナコ|メモ帳|ペイント|ワード|",
         "次のファイルは、ファイル破損チェックツール、ルミナコ、"
         "メモ帳ほか 2 個のプログラムが使用中です。" +
             tail + "それらのプログラムを終了してから、もう一度「修正」を押してください。"},
        {"a program without a name counts", "|ルミナコ|",
         "次のファイルは、ルミナコほか 1 個のプログラムが使用中です。" + tail +
             "それらのプログラムを終了してから、もう一度「修正」を押してください。"},
    };
    const std::string overrides = "rstrtmgr=n;" + TestSetting("WINEDLLOVERRIDES");
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> before = FolderContents(kDefaultFolder);
        SetEnvironmentVariableA("WINEDLLOVERRIDES", overrides.c_str());
        SetEnvironmentVariableA("STAND_IN_PROGRAMS", c.programs);
        HWND dialog = StartInstaller();
        SetEnvironmentVariableA("WINEDLLOVERRIDES", TestSetting("WINEDLLOVERRIDES").c_str());
        SetEnvironmentVariableA("STAND_IN_PROGRAMS", nullptr);
        ASSERT_NE(dialog, nullptr);
        std::string says;
        HWND box = RepairUntilReport(dialog, says);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(says, c.says);
        EXPECT_EQ(FolderContents(kDefaultFolder), before);
        PressButton(box, IDOK);
        ExpectReady(dialog);
        ExitWithOne(dialog);
    }
    CopyFileA((manager + ".wine").c_str(), manager.c_str(), FALSE);
}

TEST_F(Install, AFileTakenAfterTheCheckLeavesTheGameAsItWasAndTheNextPressFinishes) {
    WriteOlderFiles();
    const std::string held = kDefaultFolder + std::string("patch4.xp3.sig");
    HWND dialog = StartInstaller();
    ASSERT_NE(dialog, nullptr);
    PressButton(dialog, IDOK);
    // The game starts while the rows are written and opens a signature, sharing
    // only reading.
    std::string row5 = kDefaultFolder + std::string(kInstallOrder[5]);
    ASSERT_TRUE(WaitUntil([&] { return Text(dialog, IDC_FILE) == row5; }, kInstallTimeoutMs));
    HANDLE inUse = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(inUse, INVALID_HANDLE_VALUE);

    HWND box = installer_.WaitForMessageBox("報告", nullptr, kInstallTimeoutMs);
    ASSERT_NE(box, nullptr);
    // The file and the system's reason, after the first line.
    std::string says = BoxText(box);
    std::string head = "コピー失敗\n" + held + "\n";
    EXPECT_EQ(says.compare(0, head.size(), head), 0) << says;
    EXPECT_GT(says.size(), head.size()) << says;
    EXPECT_EQ(Text(dialog, IDC_STATUS), "コピー失敗");
    EXPECT_EQ(Text(dialog, IDC_FILE), held);
    EXPECT_LT(BarPosition(dialog), 100);
    ExpectOnlyOlderFiles();

    // A "修正" that another program posts while the box is up changes nothing.
    PostCommand(dialog, IDOK);
    Sleep(300);
    EXPECT_EQ(FindWindowExA(nullptr, box, "#32770", "報告"), nullptr) << "a second box";
    EXPECT_TRUE(IsWindow(box));
    EXPECT_EQ(Text(dialog, IDC_STATUS), "コピー失敗");
    PressButton(box, IDOK);
    ASSERT_TRUE(
        WaitUntil([&] { return Enabled(dialog, IDOK) && Enabled(dialog, IDCANCEL); }, 5000));
    CloseHandle(inUse);

    // Released: "修正" writes the patch again, without asking for the folder.
    PressButton(dialog, IDOK);
    FinishInstall(dialog);
    ExpectAllPayloadsIn(kDefaultFolder);
}

TEST_F(Install, ClosedOrKilledPartWayTheGameStaysAsItWasAndTheNextRunFinishes) {
    for (bool kill : {false, true}) {
        SCOPED_TRACE(kill ? "killed" : "closed");
        WriteOlderFiles();
        HWND dialog = StartInstaller();
        ASSERT_NE(dialog, nullptr);
        PressButton(dialog, IDOK);
        std::string row5 = kDefaultFolder + std::string(kInstallOrder[5]);
        ASSERT_TRUE(WaitUntil([&] { return Text(dialog, IDC_FILE) == row5; }, kInstallTimeoutMs));
        if (kill) {
            // As Task Manager or a power cut: the temporaries stay, the game files too.
            TerminateProcess(installer_.Handle(), 9);
            EXPECT_EQ(installer_.WaitForExit(10000), 9u);
        } else {
            CloseWhileCopying(dialog);
        }
        ExpectOnlyOlderFiles(kill);
        if (kill) {
            std::string temporary = kDefaultFolder + std::string("patch2.xp3") + kTemporarySuffix;
            EXPECT_NE(GetFileAttributesA(temporary.c_str()), INVALID_FILE_ATTRIBUTES);
        }
        dialog = StartInstaller();
        ASSERT_NE(dialog, nullptr);
        PressButton(dialog, IDOK);
        FinishInstall(dialog);
        ExpectAllPayloadsIn(kDefaultFolder);
        RemoveFolder(kDefaultFolder);
        CreateDirectoryA(kDefaultFolder, nullptr);
    }
}

// What a run killed inside its commit leaves: some files moved aside with their
// payloads in place, one moved aside with its payload not yet, others not reached. The
// next press finishes that commit before anything else, added files included.
TEST_F(Install, ACommitKilledHalfWayIsFinishedByTheNextRun) {
    const std::string folder = kDefaultFolder;
    const struct {
        const char* name;
        const char* file;      // null: none
        const char* backup;    // under kBackupSuffix
        const char* temporary; // under kTemporarySuffix
    } kLeft[] = {
        {"patch.xp3", "killed run's patch.xp3", "older patch.xp3", nullptr},
        {"patch2.xp3", nullptr, "older patch2.xp3", "killed run's patch2.xp3"},
        {"patch3.xp3", nullptr, nullptr, "killed run's patch3.xp3"},
        {"patch4.xp3.sig", "older patch4.xp3.sig", nullptr, "killed run's patch4.xp3.sig"},
    };
    for (const auto& left : kLeft) {
        std::string path = folder + left.name;
        if (left.file != nullptr) {
            WriteWholeFile(path, left.file);
        }
        if (left.backup != nullptr) {
            WriteWholeFile(path + kBackupSuffix, left.backup);
        }
        if (left.temporary != nullptr) {
            WriteWholeFile(path + kTemporarySuffix, left.temporary);
        }
    }
    HWND dialog = StartInstaller();
    ASSERT_NE(dialog, nullptr);
    PressButton(dialog, IDOK);
    // Closed as soon as the copy starts: what the folder holds is what the checks left.
    ASSERT_TRUE(
        WaitUntil([&] { return Text(dialog, IDC_STATUS) == "コピー中．．．"; }, kInstallTimeoutMs));
    CloseWhileCopying(dialog);
    std::vector<std::string> names;
    for (const auto& left : kLeft) {
        names.push_back(left.name);
        std::string bytes;
        EXPECT_TRUE(ReadWholeFile(folder + left.name, bytes) &&
                    bytes == std::string("killed run's ") + left.name)
            << left.name << ": " << bytes;
    }
    std::vector<std::string> found = FolderContents(folder);
    std::sort(found.begin(), found.end());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(found, names);
}

TEST_F(Install, ABriefHoldIsWaitedOutWhileTheDialogAnswers) {
    // A scanner looks at the old archive from the moment its payload's temporary
    // appears: it shares reading and writing, not deletion, so the commit waits for it.
    std::string archive = kDefaultFolder + std::string(kInstallOrder[2]);
    std::string temporary = archive + kTemporarySuffix;
    WriteWholeFile(archive, "older archive");
    HWND dialog = StartInstaller();
    ASSERT_NE(dialog, nullptr);
    PressButton(dialog, IDOK);
    ASSERT_TRUE(
        WaitUntil([&] { return GetFileAttributesA(temporary.c_str()) != INVALID_FILE_ATTRIBUTES; },
                  kInstallTimeoutMs));
    HANDLE scanner = CreateFileA(archive.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(scanner, INVALID_HANDLE_VALUE);
    // Meanwhile nobody else gets the temporary, to delete it or to write into it: the
    // installer keeps it open, sharing nothing, until it is in place.
    int opened = 0;
    for (DWORD start = GetTickCount(); GetTickCount() - start < 1500;) {
        for (DWORD access : {static_cast<DWORD>(DELETE), static_cast<DWORD>(GENERIC_WRITE)}) {
            HANDLE other = CreateFileA(
                temporary.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
            if (other != INVALID_HANDLE_VALUE) {
                ++opened;
                CloseHandle(other);
            }
        }
    }
    EXPECT_EQ(opened, 0);
    CloseHandle(scanner);
    FinishInstall(dialog);
    ExpectAllPayloadsIn(kDefaultFolder);

    // A hold that lasts: the check before the first write waits on it, the dialog
    // answering, and a close ends the program at once.
    WriteWholeFile(archive, "older archive");
    HANDLE game = CreateFileA(archive.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    dialog = StartInstaller();
    ASSERT_NE(dialog, nullptr);
    PressButton(dialog, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return Text(dialog, IDC_STATUS) == "確認中．．．"; }, 5000));
    // Held from the press: nobody renames the game folder away and puts another in its
    // place.
    std::string moved = std::string(kDefaultFolder, sizeof kDefaultFolder - 2) + "-moved";
    EXPECT_FALSE(
        MoveFileA(std::string(kDefaultFolder, sizeof kDefaultFolder - 2).c_str(), moved.c_str()));
    Sleep(1000);
    DWORD_PTR answer = 0;
    EXPECT_NE(SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer), 0);
    EXPECT_EQ(Text(dialog, IDC_STATUS), "確認中．．．");
    CloseWhileCopying(dialog);
    CloseHandle(game);
}

TEST_F(Install, AFullDiskIsReportedBeforeWritingAnything) {
    // tests/app/full_disk_test mounts a small volume over the game folder.
    if (TestSetting("SMALL_VOLUME_GAME_FOLDER").empty()) {
        GTEST_SKIP() << "needs a small volume mounted over the game folder (full_disk test)";
    }
    HWND dialog = StartInstaller();
    ASSERT_NE(dialog, nullptr);
    std::string says;
    HWND box = RepairUntilReport(dialog, says);
    ASSERT_NE(box, nullptr);
    EXPECT_NE(says.find("空き容量が足りない"), std::string::npos) << says;
    EXPECT_NE(says.find(kDefaultFolder + std::string("patch2.xp3")), std::string::npos) << says;
    EXPECT_TRUE(FolderContents(kDefaultFolder).empty());
    PressButton(box, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return Enabled(dialog, IDOK); }, 5000));
    ExpectReady(dialog);
    ExitWithOne(dialog);
}

TEST_F(Install, ADamagedInstallerSaysSoAndWritesNothing) {
    // As a damaged download leaves it: one byte flipped in the middle of a payload.
    std::string exe;
    ASSERT_TRUE(ReadWholeFile(WindowsPath(TestSetting("INSTALLER_EXE")), exe));
    std::string payload = PayloadBytes(PayloadManifest[1]);
    size_t at = exe.find(payload.substr(0, 4096));
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(exe.compare(at, payload.size(), payload), 0);
    exe[at + payload.size() / 2] ^= 0x01;
    TestFolder folder;
    std::string damaged = folder.Path("PatchInstaller.exe");
    ASSERT_TRUE(WriteWholeFile(damaged, exe));

    HWND dialog = StartInstaller(damaged);
    ASSERT_NE(dialog, nullptr);
    for (int press = 0; press < 2; ++press) { // checked again on every press
        PressButton(dialog, IDOK);
        HWND box = installer_.WaitForMessageBox(
            "報告", "インストーラーが破損しています。もう一度ダウンロードしてください。", 20000);
        ASSERT_NE(box, nullptr);
        PressButton(box, IDOK);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
        ExpectReady(dialog);
    }
    ExitWithOne(dialog);
    EXPECT_TRUE(RemoveDirectoryA(kDefaultFolder)) << "the game folder is not empty";
}

// A row's folders, made right before it is written, each from the one above it: on a
// network share (Wine keeps \\\\server\\share in the prefix's dosdevices\\unc) as on a
// drive, only those below the game folder, none through a link, and each held so that
// nobody renames it away.
TEST(RowFolders, AreMadeBelowTheGameFolderAloneHeldAndNeverThroughALink) {
    std::string share = WindowsPath(TestSetting("WINEPREFIX")) + "\\dosdevices";
    for (const char* part : {"\\unc", "\\server", "\\share"}) {
        CreateDirectoryA((share += part).c_str(), nullptr);
    }
    TestFolder elsewhere;
    TestFolder linkedGame; // Windows cannot remove the Unix link; the test prefix's Temp goes
    const struct {
        std::string game;
        const char* linked; // a subfolder linked elsewhere, or null
    } kCases[] = {{linkedGame.Path(), "plugin"},
                  {kDefaultFolder, nullptr},
                  {"\\\\server\\share\\ルミナコ\\", nullptr},
                  {"\\\\server\\share\\", nullptr}};
    const char* const kRow = "plugin\\表\\extra.dll";
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.game);
        CreateDirectoryA(c.game.c_str(), nullptr);
        ASSERT_EQ(GetFileAttributesA(c.game.c_str()), FILE_ATTRIBUTE_DIRECTORY);
        std::string first = c.game + "plugin";
        if (c.linked != nullptr) {
            ASSERT_TRUE(MakeUnixLink(first, elsewhere.Path("")));
        }
        lstrcpyA(InstallFolder, c.game.c_str());
        GameFolder = CreateFileA(c.game.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        ASSERT_NE(GameFolder, INVALID_HANDLE_VALUE);
        const char* name = nullptr;
        char message[kCheckMessageSize];
        HANDLE folder = RowFolder(kRow, true, name, message);
        EXPECT_EQ(folder != nullptr, c.linked == nullptr) << message;
        if (c.linked != nullptr) {
            EXPECT_EQ(std::string(message),
                      "次のフォルダは別の場所へのリンクのため、書き込みません。\n" + first +
                          "\nリンクを削除してから、もう一度「修正」を押してください。");
            EXPECT_TRUE(FolderContents(elsewhere.Path("")).empty());
            continue;
        }
        EXPECT_STREQ(name, "extra.dll");
        EXPECT_EQ(GetFileAttributesA((first + "\\表").c_str()), FILE_ATTRIBUTE_DIRECTORY);
        // Held: renamed by nobody, and asked again, the same handle.
        EXPECT_FALSE(MoveFileA(first.c_str(), (c.game + "moved").c_str()));
        EXPECT_EQ(RowFolder(kRow, true, name, message), folder);
    }
}

} // namespace
