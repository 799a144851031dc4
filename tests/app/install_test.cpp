// The whole install, driven from outside the real installer as a user would.
#include "installer_driver.h"
#include "payload_manifest.h"
#include "resource.h"
#include "test_files.h"

#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

const char kDefaultFolder[] = "C:\\Program Files\\ルミナコ\\";
const DWORD kInstallTimeoutMs = 60000;

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

LRESULT BarPosition(HWND dialog) {
    return SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_GETPOS, 0, 0);
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

    HWND StartInstaller() {
        if (!installer_.Start(WindowsPath(TestSetting("INSTALLER_EXE")))) {
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

    HWND WaitForCompletionBox() {
        return installer_.WaitForMessageBox("報告", "完了しました。", kInstallTimeoutMs);
    }

    // Answers the completion box and leaves with "終了".
    void FinishInstall(HWND dialog) {
        HWND box = WaitForCompletionBox();
        ASSERT_NE(box, nullptr);
        PressButton(box, IDOK);
        ExitWithOne(dialog);
    }

    void ExpectAllPayloadsIn(const std::string& folder) {
        for (const ManifestEntry& row : PayloadManifest) {
            std::string written;
            EXPECT_TRUE(ReadWholeFile(folder + row.fileName, written)) << row.fileName;
            EXPECT_TRUE(written == PayloadBytes(row)) << row.fileName;
        }
    }

    void ExpectReady(HWND dialog) {
        EXPECT_TRUE(Enabled(dialog, IDOK));
        EXPECT_TRUE(Enabled(dialog, IDCANCEL));
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
    ASSERT_FALSE(shown.empty());
    size_t row = 0;
    for (const std::string& file : shown) {
        while (row < kPayloadCount &&
               file != kDefaultFolder + std::string(PayloadManifest[row].fileName)) {
            ++row;
        }
        EXPECT_LT(row, static_cast<size_t>(kPayloadCount)) << "out of order: " << file;
    }

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

TEST_F(Install, RewritesLongerFilesToThePayloadSize) {
    for (const ManifestEntry& row : PayloadManifest) {
        WriteWholeFile(kDefaultFolder + std::string(row.fileName), PayloadBytes(row) + "left over");
    }
    HWND dialog = StartInstaller();
    ASSERT_NE(dialog, nullptr);
    PressButton(dialog, IDOK);
    FinishInstall(dialog);
    ExpectAllPayloadsIn(kDefaultFolder);
}

TEST_F(Install, RepairPressedWhileCopyingStartsNothing) {
    HWND dialog = StartInstaller();
    ASSERT_NE(dialog, nullptr);
    PressButton(dialog, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !Enabled(dialog, IDOK); }, 10000));
    for (int i = 0; i < 5; ++i) {
        PostCommand(dialog, IDOK);
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

TEST_F(Install, AcceptsAChosenFolderWhoseNameEndsInATrailByteBackslash) {
    RemoveFolder(kDefaultFolder);
    std::string game = DesktopSubfolder("ゲーム表", true); // 表 is 0x95 0x5C
    HWND dialog = StartInstaller();
    ASSERT_NE(dialog, nullptr);
    HWND browser = RepairUntilBrowser(dialog);
    ASSERT_NE(browser, nullptr);
    ASSERT_TRUE(SelectDesktopFolderInBrowser(installer_.Handle(), browser, "ゲーム表"));
    PressButton(browser, IDOK);
    FinishInstall(dialog);
    ExpectAllPayloadsIn(game);
}

TEST_F(Install, StopsAtADestinationHeldOpenAndStillExits) {
    const int heldRow = 7;
    std::string held = kDefaultFolder + std::string(PayloadManifest[heldRow].fileName);
    WriteWholeFile(held, "in use");
    // As when the game runs: open without sharing.
    HANDLE inUse = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(inUse, INVALID_HANDLE_VALUE);

    HWND dialog = StartInstaller();
    ASSERT_NE(dialog, nullptr);
    PressButton(dialog, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return Text(dialog, IDC_FILE) == held; }, kInstallTimeoutMs));
    Sleep(1000);
    EXPECT_EQ(Text(dialog, IDC_FILE), held);
    EXPECT_EQ(Text(dialog, IDC_STATUS), "コピー中．．．");
    EXPECT_FALSE(Enabled(dialog, IDOK));
    EXPECT_FALSE(Enabled(dialog, IDCANCEL));
    EXPECT_EQ(installer_.WaitForMessageBox("報告", nullptr, 0), nullptr);

    CloseWhileCopying(dialog);
    CloseHandle(inUse);

    for (int row = 0; row < heldRow; ++row) {
        std::string written;
        ReadWholeFile(kDefaultFolder + std::string(PayloadManifest[row].fileName), written);
        EXPECT_TRUE(written == PayloadBytes(PayloadManifest[row])) << PayloadManifest[row].fileName;
    }
    std::string after;
    EXPECT_FALSE(
        ReadWholeFile(kDefaultFolder + std::string(PayloadManifest[heldRow + 1].fileName), after));
}

TEST_F(Install, ClosingDuringTheLargestPayloadLeavesItShorter) {
    const ManifestEntry& largest = PayloadManifest[1];
    std::string destination = kDefaultFolder + std::string(largest.fileName);
    HWND dialog = StartInstaller();
    ASSERT_NE(dialog, nullptr);
    PressButton(dialog, IDOK);
    ASSERT_TRUE(
        WaitUntil([&] { return Text(dialog, IDC_FILE) == destination; }, kInstallTimeoutMs));
    CloseWhileCopying(dialog);
    std::string written;
    ASSERT_TRUE(ReadWholeFile(destination, written));
    EXPECT_LT(written.size(), PayloadBytes(largest).size());
}

} // namespace
