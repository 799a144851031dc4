#include "folder_path.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "folder_checks.h"
#include "test_files.h"

namespace {

// Runs with the current folder set to a fresh test folder, so that relative
// paths land in it.
class CreateFolderPathTest : public ::testing::Test {
  protected:
    void SetUp() override {
        GetCurrentDirectoryA(MAX_PATH, saved_);
        ASSERT_TRUE(SetCurrentDirectoryA(folder_.Path().c_str()));
    }
    void TearDown() override { SetCurrentDirectoryA(saved_); }

    char saved_[MAX_PATH] = "";
    TestFolder folder_;
};

struct CreateCase {
    const char* what;
    std::vector<std::string> folders; // made before the call
    std::vector<std::string> files;   // made before the call
    std::string path;
    int result;
    std::vector<std::string> present; // folders after the call
    std::vector<std::string> absent;  // names that must not exist after it
    bool hide = false;                // the folders made before are hidden (0x12)
};

const std::vector<CreateCase> kCreateCases = {
    {"all present", {"p", "p\\q"}, {}, "p\\q\\", 1, {"p", "p\\q"}, {}},
    {"folder path", {}, {}, "a\\b\\", 1, {"a", "a\\b"}, {}},
    {"text after the last backslash", {}, {}, "c\\d", 1, {"c"}, {"c\\d"}},
    {"file path", {}, {}, "e\\f\\file.txt", 1, {"e", "e\\f"}, {"e\\f\\file.txt"}},
    {"no backslash", {}, {}, "g", 0, {}, {"g"}},
    {"leading backslash", {}, {}, "\\h\\i\\", 0, {}, {"\\h", "h"}},
    {"folder ending in hyou", {}, {}, "j\x95\x5c\\k\\", 1, {"j\x95\x5c", "j\x95\x5c\\k"}, {}},
    {"file in the way", {}, {"m"}, "n\\..\\m\\o\\", 0, {"n"}, {"m\\o"}},
    {"hidden folder on the way", {"r"}, {}, "r\\s\\", 1, {"r", "r\\s"}, {}, true},
};

TEST_F(CreateFolderPathTest, CreatesEachFolderBeforeABackslash) {
    for (const CreateCase& c : kCreateCases) {
        SCOPED_TRACE(c.what);
        for (const std::string& name : c.folders) {
            ASSERT_TRUE(CreateDirectoryA(name.c_str(), nullptr));
            if (c.hide) {
                SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_HIDDEN);
                ASSERT_EQ(GetFileAttributesA(name.c_str()), static_cast<DWORD>(0x12));
            }
        }
        for (const std::string& name : c.files) {
            ASSERT_TRUE(folder_.MakeFile(name));
        }
        EXPECT_EQ(CreateFolderPath(c.path.c_str()), c.result);
        for (const std::string& name : c.present) {
            EXPECT_EQ(FolderExists(name.c_str()), 1) << name;
        }
        for (const std::string& name : c.absent) {
            EXPECT_EQ(GetFileAttributesA(name.c_str()), INVALID_FILE_ATTRIBUTES) << name;
        }
    }
}

// Windows' limit is MAX_PATH characters; a Japanese path reaches MAX_PATH bytes long
// before that.
TEST_F(CreateFolderPathTest, PathOfMaxPathCharactersCreatesNothing) {
    std::string tooLong = "long\\" + std::string(MAX_PATH - 5, 'f');
    EXPECT_EQ(CreateFolderPath(tooLong.c_str()), 0);
    EXPECT_EQ(FolderExists("long"), 0);
    tooLong.pop_back();
    EXPECT_EQ(CreateFolderPath(tooLong.c_str()), 1);
    EXPECT_EQ(FolderExists("long"), 1);
    EXPECT_EQ(CreateFolderPath(nullptr), 0);

    std::string hyou50;
    for (int i = 0; i < 50; ++i) {
        hyou50 += "\x95\x5c";
    }
    std::string deep = "deep\\" + hyou50 + "\\" + hyou50 + "\\" + hyou50 + "\\"; // 308 bytes
    EXPECT_EQ(CreateFolderPath(deep.c_str()), 1);
    EXPECT_EQ(FolderExists(deep.c_str()), 1);
}

// The drive of an absolute path is no folder to search for or create, whatever
// the current folder on that drive is.
TEST_F(CreateFolderPathTest, AbsolutePathFromItsDrive) {
    ASSERT_EQ(folder_.Path().substr(1, 2), ":\\");
    ASSERT_TRUE(SetCurrentDirectoryA(folder_.Path().substr(0, 3).c_str()));
    EXPECT_EQ(CreateFolderPath(folder_.Path("abs\\deep\\").c_str()), 1);
    EXPECT_EQ(FolderExists(folder_.Path("abs\\deep").c_str()), 1);
    EXPECT_EQ(CreateFolderPath(folder_.Path("abs\\deep\\").c_str()), 1);
}

TEST(GetProgramFolder, NamesTheFolderOfThisProgram) {
    char module[MAX_PATH];
    ASSERT_NE(GetModuleFileNameA(nullptr, module, MAX_PATH), 0u);
    const char* name = std::strrchr(module, '\\');
    ASSERT_NE(name, nullptr);

    char folder[MAX_PATH];
    GetProgramFolder(folder);
    std::string program = std::string(folder) + (name + 1);
    ASSERT_NE(folder[0], '\0') << GetCommandLineA();
    EXPECT_EQ(folder[lstrlenA(folder) - 1], '\\');
    EXPECT_EQ(FileExists(program.c_str()), 1) << program;
}

} // namespace
