#include "folder_checks.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "test_files.h"

namespace {

class FolderChecks : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.MakeFile("plain.txt"));
        ASSERT_TRUE(folder_.MakeFolder("plain"));
        ASSERT_TRUE(folder_.MakeFolder("hyou\x95\x5c"));
        ASSERT_TRUE(folder_.MakeFolder("wild"));
        ASSERT_TRUE(folder_.MakeFolder("wild\\sub1"));
        ASSERT_TRUE(folder_.MakeFile("wild\\note.txt"));
    }
    TestFolder folder_;
};

struct CheckCase {
    const char* what;
    const char* relative;
    int file;
    int folder;
};

const CheckCase kCheckCases[] = {
    {"plain file", "plain.txt", 1, 0},
    {"file with a trailing backslash", "plain.txt\\", 0, 0},
    {"plain folder", "plain", 0, 1},
    {"folder with a trailing backslash", "plain\\", 0, 1},
    {"two trailing backslashes lose only one", "plain\\\\", 0, 0},
    {"folder ending in hyou keeps its trail byte", "hyou\x95\x5c", 0, 1},
    {"hyou then a real backslash", "hyou\x95\x5c\\", 0, 1},
    {"missing path", "missing", 0, 0},
    {"missing folder with backslash", "missing\\", 0, 0},
    {"wildcard matching a folder", "wild\\sub?", 0, 1},
    {"wildcard matching a file", "wild\\*.txt", 1, 0},
};

TEST_F(FolderChecks, JudgeTheFirstEntryFound) {
    for (const CheckCase& c : kCheckCases) {
        SCOPED_TRACE(c.what);
        std::string path = folder_.Path(c.relative);
        EXPECT_EQ(FileExists(path.c_str()), c.file);
        EXPECT_EQ(FolderExists(path.c_str()), c.folder);
    }
}

TEST(FolderChecksInput, EmptyAndNullPathsAreAbsent) {
    EXPECT_EQ(FileExists(""), 0);
    EXPECT_EQ(FolderExists(""), 0);
    EXPECT_EQ(FileExists(nullptr), 0);
    EXPECT_EQ(FolderExists(nullptr), 0);
}

// "\." steps name the same folder, so the directory search would find it at any
// length; only a path that fits the working buffer may be searched.
TEST_F(FolderChecks, PathTooLongForTheWorkingBufferIsAbsent) {
    std::string fits = folder_.Path("plain");
    while (fits.size() + 2 <= MAX_PATH - 1) {
        fits += "\\.";
    }
    if (fits.size() < MAX_PATH - 1) {
        fits += "\\";
    }
    ASSERT_EQ(fits.size(), static_cast<size_t>(MAX_PATH - 1));
    EXPECT_EQ(FolderExists(fits.c_str()), 1);

    // Cut to the buffer, this one would name the folder again.
    std::string tooLong = fits + (fits.back() == '.' ? "\\" : ".");
    EXPECT_EQ(FolderExists(tooLong.c_str()), 0);
    EXPECT_EQ(FolderExists((tooLong + std::string(300, '\\')).c_str()), 0);
}

// A folder with further attributes is still a folder.
struct AttributeCase {
    const char* name;
    DWORD attributes; // given to SetFileAttributes besides the directory bit
    DWORD word;       // the attribute word the folder should then show
};

class FolderAttributes : public ::testing::TestWithParam<AttributeCase> {};

TEST_P(FolderAttributes, FolderWithFurtherAttributesIsAFolder) {
    const AttributeCase& c = GetParam();
    TestFolder folder;
    std::string path = folder.Path("marked");
    ASSERT_TRUE(folder.MakeFolder("marked"));
    SetFileAttributesA(path.c_str(), c.attributes);
    if (GetFileAttributesA(path.c_str()) != c.word && c.word == 0x11) {
        // Wine keeps no read-only mark on a folder; it shows one without write permission.
        SetUnixWritable(path, false);
    }
    if (GetFileAttributesA(path.c_str()) != c.word) {
        GTEST_SKIP() << "this platform does not keep the attribute word 0x" << std::hex << c.word
                     << " on a folder";
    }
    EXPECT_EQ(FolderExists(path.c_str()), 1);
    EXPECT_EQ(FolderExists((path + "\\").c_str()), 1);
    EXPECT_EQ(FileExists(path.c_str()), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Words, FolderAttributes,
    ::testing::Values(AttributeCase{"ReadOnly", FILE_ATTRIBUTE_READONLY, 0x11},
                      AttributeCase{"Hidden", FILE_ATTRIBUTE_HIDDEN, 0x12},
                      AttributeCase{"Archive", FILE_ATTRIBUTE_ARCHIVE, 0x30},
                      AttributeCase{"NotContentIndexed", FILE_ATTRIBUTE_NOT_CONTENT_INDEXED,
                                    0x2010}),
    [](const ::testing::TestParamInfo<AttributeCase>& info) { return info.param.name; });

} // namespace
