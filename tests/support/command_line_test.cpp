#include "command_line.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr std::size_t kMaxPath = 260;

// The folder as ProgramFolderFromCommandLine writes it into a heap block of
// exactly capacity bytes, so that AddressSanitizer sees any write past it.
std::string FolderOf(const char* commandLine, std::size_t capacity = kMaxPath) {
    std::unique_ptr<char[]> folder(new char[capacity]);
    std::memset(folder.get(), 'x', capacity);
    ProgramFolderFromCommandLine(commandLine, folder.get(), capacity);
    return std::string(folder.get(), strnlen(folder.get(), capacity));
}

struct FolderCase {
    const char* what;
    const char* commandLine;
    const char* folder;
};

const FolderCase kCases[] = {
    {"quoted path with an argument", "\"C:\\Games\\Foo\\run.exe\" -x", "C:\\Games\\Foo\\"},
    {"quoted path holding a space", "\"C:\\Program Files\\Foo\\run.exe\" -x",
     "C:\\Program Files\\Foo\\"},
    {"unquoted path with an argument", "C:\\Games\\Foo\\run.exe -x", "C:\\Games\\Foo\\"},
    {"unquoted path ends at its first space", "C:\\Program Files\\Foo\\run.exe", "C:\\"},
    {"unquoted line without a space is taken whole", "C:\\Games\\Foo\\run.exe", "C:\\Games\\Foo\\"},
    {"quote never closed", "\"C:\\Games\\run.exe", "C:\\Games\\"},
    {"folder ending in hyou stays whole", "\"C:\\\x95\x5c\\run.exe\" -x", "C:\\\x95\x5c\\"},
    {"program named hyou is cut at the real backslash", "C:\\Games\\\x95\x5c", "C:\\Games\\"},
    {"bare program name", "run.exe -x", ""},
    {"quoted bare program name", "\"run.exe\"", ""},
    {"empty line", "", ""},
    {"empty quotes", "\"\" -x", ""},
};

TEST(ProgramFolder, SplitsTheProgramPathOffTheCommandLine) {
    for (const FolderCase& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(FolderOf(c.commandLine), c.folder);
    }
    EXPECT_EQ(FolderOf(nullptr), "");
}

TEST(ProgramFolder, ProgramPathMustFitTheBuffer) {
    // A program path of 259 bytes fits MAX_PATH with its terminator; 260 does not.
    std::string folder = "C:\\" + std::string(200, 'f') + "\\";
    std::string fits = folder + std::string(kMaxPath - 1 - folder.size(), 'r');
    EXPECT_EQ(FolderOf(("\"" + fits + "\" -x").c_str()), folder);
    EXPECT_EQ(FolderOf((fits + "r -x").c_str()), "");
    EXPECT_EQ(FolderOf(("\"" + fits + std::string(300, 'r') + "\"").c_str()), "");
    EXPECT_EQ(FolderOf("C:\\a\\run.exe", 8), "");
    EXPECT_EQ(FolderOf("C:\\a\\r.exe", 11), "C:\\a\\");
}

} // namespace
