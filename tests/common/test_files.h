// Files and folders for the Windows-side tests: whole-file reads and writes, and
// fresh folders that are removed with all they hold.
#ifndef TESTS_COMMON_TEST_FILES_H
#define TESTS_COMMON_TEST_FILES_H

#include <string>
#include <vector>

// Reads a whole file; false when it cannot be opened.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// Creates or truncates path and writes bytes; false when any of it fails.
bool WriteWholeFile(const std::string& path, const std::string& bytes);

// Removes folder (no closing backslash) with everything in it, read-only or not.
void RemoveTree(const std::string& folder);

// Names of what folder (with its closing backslash) holds.
std::vector<std::string> FolderContents(const std::string& folder);

// A fresh folder under the temp folder for one test, removed with all it holds.
class TestFolder {
  public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    // The folder's path with its closing backslash, followed by relative.
    std::string Path(const std::string& relative = "") const { return root_ + relative; }
    bool MakeFolder(const std::string& relative) const;
    bool MakeFile(const std::string& relative) const;

  private:
    std::string root_;
};

// Changes the Unix write permission of path (a Windows path) where the test runs
// under Wine, which reports a folder without it as read-only (0x11). Waits until
// the attribute shows the change; false where that is not possible.
bool SetUnixWritable(const std::string& path, bool writable);

// Makes link (a Windows path) a Unix symbolic link to target where the test runs
// under Wine, which follows it as Windows follows a file link. false where that is
// not possible.
bool MakeUnixLink(const std::string& link, const std::string& target);

#endif
