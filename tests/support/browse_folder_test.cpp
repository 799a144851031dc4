#include "browse_folder.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "char_search.h"
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
// text the tree shows for it once selected. path holds size bytes.
int BrowseAndChoose(const std::string& selection, const std::string& shown, char* displayName,
                    char* path, int size = MAX_PATH) {
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
    int result = size == MAX_PATH ? BrowseForFolder(nullptr, kTitle, displayName, path)
                                  : BrowseForFolderInto(nullptr, kTitle, displayName, path, size);
    EXPECT_TRUE(driver.Drove());
    return result;
}

TEST(BrowseForFolder, ChosenFolderReplacesTheText) {
    TestFolder folder;
    // 深 seventy times in 森 seventy times: more than MAX_PATH bytes here, far fewer
    // characters.
    std::string outer, deep;
    for (int i = 0; i < 70; ++i) {
        outer += "\x90\x58";
        deep += "\x90\x5b";
    }
    ASSERT_TRUE(folder.MakeFolder(outer));
    deep = outer + "\\" + deep;
    struct {
        std::string name;
        bool withDisplayName;
        bool fits; // in MAX_PATH bytes
    } const cases[] = {{"pick", true, true}, {"pick\x95\x5c", false, true}, {deep, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(folder.MakeFolder(c.name));
        std::string chosen = folder.Path(c.name);
        // The tree shows the last folder's name.
        std::string shown = c.name.substr(c.name.size() > 8 ? c.name.size() - 8 : 0);
        // A canary after the MAX_PATH bytes the caller gives.
        char path[MAX_PATH + 16];
        std::memset(path + MAX_PATH, 'c', 16);
        char displayName[MAX_PATH] = "";
        EXPECT_EQ(BrowseAndChoose(chosen, shown, c.withDisplayName ? displayName : nullptr, path),
                  c.fits ? 1 : 0);
        EXPECT_EQ(std::string(path), c.fits ? chosen : "No path selection.");
        EXPECT_EQ(std::string(path + MAX_PATH, 16), std::string(16, 'c'));
        if (c.withDisplayName) {
            EXPECT_NE(displayName[0], '\0');
        }
        // Where the caller says it has room, the whole path.
        char roomy[kPathBytes];
        EXPECT_EQ(BrowseAndChoose(chosen, shown, nullptr, roomy, sizeof roomy), 1);
        EXPECT_EQ(std::string(roomy), chosen);
    }
}

TEST(BrowseForFolder, DriveRootKeepsItsBackslash) {
    char path[MAX_PATH] = "";
    EXPECT_EQ(BrowseAndChoose("C:\\", "C:", nullptr, path), 1);
    EXPECT_STREQ(path, "C:\\");
}

} // namespace
