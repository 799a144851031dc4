#include "profile.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Real profile files in a folder of the test's own under the temporary folder.
class ProfileFile : public ::testing::Test {
  protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
        folder = std::string(temp) + "profile_test_" + std::to_string(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) ||
                    GetLastError() == ERROR_ALREADY_EXISTS);
        path = folder + "\\settings.ini";
        DeleteFileA(path.c_str());
        file = path.c_str();
    }

    void TearDown() override {
        DeleteFileA(path.c_str());
        RemoveDirectoryA(folder.c_str());
    }

    std::string folder;
    std::string path;
    const char* file = nullptr;
};

TEST_F(ProfileFile, IntegerWrittenAndReadBack) {
    ASSERT_NE(WriteProfileInt(file, "Patch", "Level", -7), 0);
    EXPECT_EQ(ReadProfileInt(file, "Patch", "Level"), -7);

    char buffer[16];
    DWORD size = sizeof buffer;
    ASSERT_EQ(ReadProfileText(file, "Patch", "Level", buffer, &size, nullptr), buffer);
    EXPECT_STREQ(buffer, "-7");

    ASSERT_NE(WriteProfileInt(file, "Patch", "Lowest", INT_MIN), 0);
    EXPECT_EQ(ReadProfileInt(file, "Patch", "Lowest"), INT_MIN);
}

TEST_F(ProfileFile, MissingValueReadsAsDefault) {
    ASSERT_NE(WriteProfileText(file, "Patch", "Name", "abc"), 0);
    const char* missing[][2] = {{"Patch", "Other"}, {"Elsewhere", "Name"}};
    for (auto& where : missing) {
        SCOPED_TRACE(std::string(where[0]) + "/" + where[1]);
        EXPECT_EQ(ReadProfileInt(file, where[0], where[1]), -1);
        DWORD size = 0;
        char* text = ReadProfileText(file, where[0], where[1], nullptr, &size, GetProcessHeap());
        ASSERT_NE(text, nullptr);
        EXPECT_STREQ(text, "NotFound");
        HeapFree(GetProcessHeap(), 0, text);
    }
    EXPECT_EQ(ReadProfileInt(file, "Patch", "Name"), 0); // letters only
    std::string absent = folder + "\\absent.ini";
    EXPECT_EQ(ReadProfileInt(absent.c_str(), "Patch", "Level"), -1);
}

TEST_F(ProfileFile, LongValueReadWhole) {
    std::string value = "123";
    for (int i = 0; value.size() < 120; ++i) {
        value += static_cast<char>('a' + i % 26);
    }
    ASSERT_NE(WriteProfileText(file, "Patch", "Long", value.c_str()), 0);

    HANDLE heap = HeapCreate(0, 0, 0);
    ASSERT_NE(heap, nullptr);
    DWORD size = 0;
    char* text = ReadProfileText(file, "Patch", "Long", nullptr, &size, heap);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text), value);
    EXPECT_EQ(size, 160u); // 10, 60, 110 were full
    EXPECT_EQ(HeapSize(heap, 0, text), 160u);

    // A caller's block of the heap grows and is replaced by the result.
    char* block = static_cast<char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 16));
    ASSERT_NE(block, nullptr);
    size = 16;
    char* grown = ReadProfileText(file, "Patch", "Long", block, &size, heap);
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(std::string(grown), value);
    EXPECT_EQ(size, 166u);
    EXPECT_TRUE(HeapValidate(heap, 0, nullptr));
    HeapFree(heap, 0, grown);
    HeapFree(heap, 0, text);
    HeapDestroy(heap);

    // Without a heap the caller's buffer is cut and the read reported full.
    char buffer[16];
    size = sizeof buffer;
    EXPECT_EQ(ReadProfileText(file, "Patch", "Long", buffer, &size, nullptr), nullptr);
    EXPECT_EQ(std::string(buffer), value.substr(0, 15));

    EXPECT_EQ(ReadProfileInt(file, "Patch", "Long"), 123);
}

TEST_F(ProfileFile, NullKeyListsKeyNames) {
    ASSERT_NE(WriteProfileText(file, "Patch", "Alpha", "1"), 0);
    ASSERT_NE(WriteProfileText(file, "Patch", "Beta", "2"), 0);

    char buffer[64];
    DWORD size = sizeof buffer;
    ASSERT_EQ(ReadProfileText(file, "Patch", nullptr, buffer, &size, nullptr), buffer);
    EXPECT_EQ(std::string(buffer, 12), std::string("Alpha\0Beta\0\0", 12));

    // The list does not fit in the first 10 bytes; a cut list is not a full read,
    // so it comes back cut rather than grown.
    size = 0;
    char* list = ReadProfileText(file, "Patch", nullptr, nullptr, &size, GetProcessHeap());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(size, 10u);
    EXPECT_STREQ(list, "Alpha");
    HeapFree(GetProcessHeap(), 0, list);
}

TEST(Profile, NothingReadWithoutBufferOrHeap) {
    DWORD size = 7;
    EXPECT_EQ(ReadProfileText("unused.ini", "Patch", "Level", nullptr, &size, nullptr), nullptr);
    EXPECT_EQ(size, 7u);
}

} // namespace
