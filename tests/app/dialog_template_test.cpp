#include "installer_driver.h"
#include "resource.h"

#include <commctrl.h>

#include <gtest/gtest.h>

namespace {

struct ControlCase {
    int id;
    const char* className;
    const char* text;
};

TEST(PatchDialog, ShowsTheTemplateAndExitsWithOneOnExit) {
    InstallerProcess installer;
    ASSERT_TRUE(installer.Start(WindowsPath(TestSetting("INSTALLER_EXE"))));
    HWND dialog = installer.WaitForWindow("Vek", "#32770", 20000);
    ASSERT_NE(dialog, nullptr);

    const ControlCase controls[] = {
        {IDOK, "Button", "修正"},
        {IDCANCEL, "Button", "終了"},
        {IDC_STATUS, "Static", "status"},
        {IDC_FILE, "Static", "file"},
        {IDC_PROGRESS, "msctls_progress32", "Progress1"},
    };
    for (const ControlCase& c : controls) {
        SCOPED_TRACE(c.text);
        HWND control = GetDlgItem(dialog, c.id);
        ASSERT_NE(control, nullptr);
        EXPECT_STREQ(ClassNameOf(control).c_str(), c.className);
        EXPECT_EQ(WindowTextOf(control), c.text);
        EXPECT_TRUE(IsWindowEnabled(control));
    }
    // The bar runs from 0 to 100.
    HWND bar = GetDlgItem(dialog, IDC_PROGRESS);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 100);

    PressButton(dialog, IDCANCEL);
    EXPECT_EQ(installer.WaitForExit(10000), 1u);
}

TEST(PatchDialog, CloseBoxExitsWithOne) {
    InstallerProcess installer;
    ASSERT_TRUE(installer.Start(WindowsPath(TestSetting("INSTALLER_EXE"))));
    HWND dialog = installer.WaitForWindow("Vek", "#32770", 20000);
    ASSERT_NE(dialog, nullptr);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(installer.WaitForExit(10000), 1u);
}

} // namespace
