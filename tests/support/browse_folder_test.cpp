#include "browse_folder.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dialog_driver.h"
#include "test_files.h"

namespace {

// Controls of the browse dialog: the title above the tree, and the tree.
constexpr int kTitleControl = 0x3742;
constexpr int kTreeControl = 0x3741;

const char kTitle[] = "ルミナコのインストール先";

TEST(BrowseForFolder, CancelLeavesNoPathSelection) {
    char path[MAX_PATH];
    std::memset(path, 'x', sizeof path - 1);
    path[sizeof path - 1] = '\0';
    std::string shownTitle;
    int result;
    {
        DialogDriver driver([&shownTitle](HWND dialog) {
            shownTitle = ControlText(dialog, kTitleControl);
            PostCommand(dialog, IDCANCEL);
        });
        result = BrowseForFolder(nullptr, kTitle, nullptr, path);
        EXPECT_TRUE(driver.Drove());
    }
    EXPECT_EQ(result, 0);
    EXPECT_STREQ(path, "No path selection.");
    EXPECT_EQ(shownTitle, kTitle);
}

// Text of the item selected in the dialog's tree.
std::string SelectedItemText(HWND dialog) {
    HWND tree = GetDlgItem(dialog, kTreeControl);
    char text[MAX_PATH] = "";
    TVITEMA item = {};
    item.mask = TVIF_TEXT;
    item.hItem = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return text;
}

// Selects selection in the dialog's tree and confirms it. shown is part of the
// text the tree shows for it once selected.
int BrowseAndChoose(const std::string& selection, const std::string& shown, char* displayName,
                    char* path) {
    DialogDriver driver([&](HWND dialog) {
        // The shell fills the tree as it goes: ask again until the item is there.
        for (DWORD start = GetTickCount();
             SelectedItemText(dialog).find(shown) == std::string::npos &&
             GetTickCount() - start < StretchedWait(5000);) {
            SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE,
                         reinterpret_cast<LPARAM>(selection.c_str()));
            Sleep(100);
        }
        PostCommand(dialog, IDOK);
    });
    int result = BrowseForFolder(nullptr, kTitle, displayName, path);
    EXPECT_TRUE(driver.Drove());
    return result;
}

TEST(BrowseForFolder, ChosenFolderReplacesTheText) {
    TestFolder folder;
    struct {
        const char* name;
        bool withDisplayName;
    } const cases[] = {{"pick", true}, {"pick\x95\x5c", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(folder.MakeFolder(c.name));
        std::string chosen = folder.Path(c.name);
        char path[MAX_PATH] = "";
        char displayName[MAX_PATH] = "";
        EXPECT_EQ(BrowseAndChoose(chosen, c.name, c.withDisplayName ? displayName : nullptr, path),
                  1);
        EXPECT_EQ(std::string(path), chosen);
        if (c.withDisplayName) {
            EXPECT_NE(displayName[0], '\0');
        }
    }
}

TEST(BrowseForFolder, DriveRootKeepsItsBackslash) {
    char path[MAX_PATH] = "";
    EXPECT_EQ(BrowseAndChoose("C:\\", "C:", nullptr, path), 1);
    EXPECT_STREQ(path, "C:\\");
}

} // namespace
