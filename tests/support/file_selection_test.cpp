#include "file_selection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_driver.h"
#include "selection_names.h"
#include "test_files.h"

namespace {

// Controls of the Explorer-style open dialog.
constexpr int kFileNameBox = 0x47c; // cmb13

const char kTitle[] = "ファイルを選択";
const char kFilter[] = "テキスト\0*.txt\0すべて\0*.*\0";

// Busy blocks of the process heap with the size of a name buffer.
int NameBuffersOnTheHeap() {
    HANDLE heap = GetProcessHeap();
    PROCESS_HEAP_ENTRY entry = {};
    int count = 0;
    HeapLock(heap);
    while (HeapWalk(heap, &entry)) {
        if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0 && entry.cbData == kSelectionNamesSize) {
            ++count;
        }
    }
    HeapUnlock(heap);
    return count;
}

class OpenFileSelectionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.MakeFolder("sel"));
        for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
            ASSERT_TRUE(folder_.MakeFile(std::string("sel\\") + name));
        }
        buffersBefore_ = NameBuffersOnTheHeap();
        GetCurrentDirectoryA(MAX_PATH, saved_);
    }
    // The dialog makes the chosen folder current; the test folder must go.
    void TearDown() override { SetCurrentDirectoryA(saved_); }

    TestFolder folder_;
    int buffersBefore_ = 0;
    char saved_[MAX_PATH] = "";
};

TEST_F(OpenFileSelectionTest, CancelLeavesNothingAllocated) {
    FileSelection* selection = reinterpret_cast<FileSelection*>(1);
    int result;
    {
        DialogDriver driver([](HWND dialog) { PostCommand(dialog, IDCANCEL); });
        result = OpenFileSelection(nullptr, &selection, kTitle, kFilter,
                                   folder_.Path("sel").c_str(), "txt", TRUE);
        EXPECT_TRUE(driver.Drove());
    }
    EXPECT_EQ(result, 1);
    EXPECT_EQ(selection, nullptr);
    EXPECT_EQ(NameBuffersOnTheHeap(), buffersBefore_);
}

struct ChoiceCase {
    const char* what;
    BOOL allowMultiple;
    const char* typed; // into the file name box
    std::vector<std::string> names;
};

const ChoiceCase kChoiceCases[] = {
    {"one file, several allowed", TRUE, "a.txt", {"a.txt"}},
    {"one file, one allowed", FALSE, "b.txt", {"b.txt"}},
    {"three files", TRUE, "\"a.txt\" \"b.txt\" \"c.txt\"", {"a.txt", "b.txt", "c.txt"}},
};

TEST_F(OpenFileSelectionTest, ChosenFilesComeOutAsFullPaths) {
    for (const ChoiceCase& c : kChoiceCases) {
        SCOPED_TRACE(c.what);
        std::string caption;
        FileSelection* selection = nullptr;
        int result;
        {
            DialogDriver driver([&](HWND dialog) {
                char text[64] = "";
                GetWindowTextA(dialog, text, sizeof text);
                caption = text;
                SetDlgItemTextA(dialog, kFileNameBox, c.typed);
                PostCommand(dialog, IDOK);
            });
            result = OpenFileSelection(nullptr, &selection, kTitle, kFilter,
                                       folder_.Path("sel").c_str(), "txt", c.allowMultiple);
            EXPECT_TRUE(driver.Drove());
        }
        EXPECT_NE(result, 0);
        EXPECT_EQ(caption, kTitle);
        ASSERT_NE(selection, nullptr);
        EXPECT_EQ(HeapSize(GetProcessHeap(), 0, selection->names), kSelectionNamesSize);
        EXPECT_EQ(NameBuffersOnTheHeap(), buffersBefore_ + 1);

        for (size_t k = 0; k < c.names.size(); ++k) {
            char path[MAX_PATH] = "";
            EXPECT_EQ(NextSelectedFile(selection, path), k + 1 < c.names.size() ? 1 : 0);
            EXPECT_EQ(std::string(path), folder_.Path("sel\\" + c.names[k]));
        }
        FreeFileSelection(selection);
        EXPECT_EQ(NameBuffersOnTheHeap(), buffersBefore_);
    }
}

TEST(FileSelection, NullSelectionDoesNothing) {
    char path[MAX_PATH] = "keep";
    EXPECT_EQ(NextSelectedFile(nullptr, path), 0);
    EXPECT_STREQ(path, "keep");
    FreeFileSelection(nullptr);
    EXPECT_EQ(OpenFileSelection(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, FALSE), 0);
}

} // namespace
