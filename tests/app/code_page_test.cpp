// The installer on a system whose own code page is not 932: ctest runs this program
// under a US English locale (code page 1252). Like the installer, it carries the
// manifest entry that gives its process code page 932.
#include "exit_codes.h"
#include "installer_driver.h"
#include "payload_manifest.h"
#include "resource.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

const char kDefaultFolder[] = "C:\\Program Files\\ルミナコ\\";

// The system's ANSI code page, which the manifest entry leaves as it is.
unsigned SystemCodePage() {
    char digits[8] = {};
    GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, digits, sizeof digits);
    return static_cast<unsigned>(std::atoi(digits));
}

class CodePage : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(SystemCodePage(), 932u) << "meant to run under a non-Japanese locale";
        RemoveTree(Folder());
        ASSERT_TRUE(CreateDirectoryA(kDefaultFolder, nullptr));
    }
    void TearDown() override { RemoveTree(Folder()); }

    static std::string Folder() { return std::string(kDefaultFolder, sizeof kDefaultFolder - 2); }
};

// Texts and file names reach Windows right: the whole install, into the default
// folder found under its Japanese name.
TEST_F(CodePage, TheManifestEntryGivesTheInstallerCodePage932) {
    InstallerProcess installer;
    ASSERT_TRUE(installer.Start(WindowsPath(TestSetting("INSTALLER_EXE"))));
    HWND dialog = installer.WaitForWindow("Vek", "#32770", 20000);
    ASSERT_NE(dialog, nullptr);
    PressButton(dialog, IDOK);
    HWND box = installer.WaitForMessageBox("報告", "完了しました。", 60000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowTextOf(GetDlgItem(dialog, IDC_STATUS)), "修正完了");
    PressButton(box, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)); }, 5000));
    PressButton(dialog, IDCANCEL);
    EXPECT_EQ(installer.WaitForExit(10000), 1u);

    std::string payloadDir = WindowsPath(TestSetting("PAYLOAD_SOURCE_DIR")) + "\\";
    for (const ManifestEntry& row : PayloadManifest) {
        std::string expected, written;
        ASSERT_TRUE(ReadWholeFile(payloadDir + row.fileName, expected));
        EXPECT_TRUE(ReadWholeFile(kDefaultFolder + std::string(row.fileName), written))
            << row.fileName;
        EXPECT_TRUE(written == expected) << row.fileName;
    }
    EXPECT_EQ(FolderContents(kDefaultFolder).size(), static_cast<size_t>(kPayloadCount));
}

// Where Windows ignores the entry: one message in both languages, nothing written,
// the documented exit code.
TEST_F(CodePage, WithoutTheEntryTheInstallerRefusesBeforeTouchingAnything) {
    InstallerProcess installer;
    ASSERT_TRUE(installer.Start(WindowsPath(TestSetting("INSTALLER_WITHOUT_CODE_PAGE_EXE"))));
    HWND box = installer.WaitForMessageBox("報告", nullptr, 20000);
    ASSERT_NE(box, nullptr);
    const int kMessageTextId = 0xFFFF;
    std::string text = WindowTextOf(GetDlgItem(box, kMessageTextId));
    EXPECT_NE(text.find("日本語のコードページ (932)"), std::string::npos) << text;
    EXPECT_NE(text.find("needs the Japanese code page (932)"), std::string::npos) << text;
    EXPECT_EQ(installer.WaitForWindow("Vek", "#32770", 0), nullptr);

    PressButton(box, IDOK);
    EXPECT_EQ(installer.WaitForExit(10000), static_cast<DWORD>(kExitNeedsJapaneseCodePage));
    EXPECT_TRUE(FolderContents(kDefaultFolder).empty());
}

} // namespace
