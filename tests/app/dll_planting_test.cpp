#include "installer_driver.h"

#include <gtest/gtest.h>

// ctest runs these with WINEDLLOVERRIDES=winmm,comctl32=n,b, so that Wine, like
// Windows, looks beside the program for DLLs outside KnownDLLs instead of
// preferring its built-in ones.
namespace {

const char* const kPlantedDlls[] = {"winmm.dll", "comctl32.dll"};

// A fresh folder that holds program and, beside it, the planted DLLs: a
// Downloads folder as an attacker would prepare it.
class DownloadsFolder {
  public:
    explicit DownloadsFolder(const char* name) {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + name;
        Remove();
        CreateDirectoryA(folder_.c_str(), nullptr);
        std::string dll = WindowsPath(TestSetting("PLANTED_DLL"));
        for (const char* name : kPlantedDlls) {
            CopyFileA(dll.c_str(), (folder_ + "\\" + name).c_str(), FALSE);
        }
    }
    ~DownloadsFolder() { Remove(); }

    std::string Place(const std::string& program, const char* name) const {
        std::string target = folder_ + "\\" + name;
        CopyFileA(program.c_str(), target.c_str(), FALSE);
        return target;
    }

    const std::string& Folder() const { return folder_; }
    bool AnyMarker() const {
        for (const char* name : kPlantedDlls) {
            std::string marker = folder_ + "\\" + name + ".loaded";
            if (GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES) {
                return true;
            }
        }
        return false;
    }

  private:
    void Remove() const {
        const char* names[] = {"winmm.dll",           "comctl32.dll",       "winmm.dll.loaded",
                               "comctl32.dll.loaded", "PatchInstaller.exe", "control.exe"};
        for (const char* name : names) {
            DeleteFileA((folder_ + "\\" + name).c_str());
        }
        RemoveDirectoryA(folder_.c_str());
    }
    std::string folder_;
};

TEST(DllPlanting, TheTestBedCatchesAStaticImport) {
    DownloadsFolder downloads("planting-control");
    InstallerProcess control;
    ASSERT_TRUE(control.Start(
        downloads.Place(WindowsPath(TestSetting("PLANTING_CONTROL_EXE")), "control.exe")));
    EXPECT_EQ(control.WaitForExit(20000), 0u);
    EXPECT_TRUE(downloads.AnyMarker()) << downloads.Folder();
}

TEST(DllPlanting, TheInstallerLoadsNoDllFromItsOwnFolder) {
    DownloadsFolder downloads("planting-installer");
    InstallerProcess installer;
    ASSERT_TRUE(installer.Start(
        downloads.Place(WindowsPath(TestSetting("INSTALLER_EXE")), "PatchInstaller.exe")));
    HWND dialog = installer.WaitForWindow("Vek", "#32770", 20000);
    ASSERT_NE(dialog, nullptr);
    // The progress bar exists: comctl32 came from the system folder.
    EXPECT_EQ(ClassNameOf(GetDlgItem(dialog, 1002)), "msctls_progress32");
    EXPECT_FALSE(downloads.AnyMarker());
    PressButton(dialog, IDCANCEL);
    EXPECT_EQ(installer.WaitForExit(10000), 1u);
}

} // namespace
