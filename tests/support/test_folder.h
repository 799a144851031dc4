// A fresh folder under the temp folder for one test, removed with all it holds.
#ifndef TESTS_SUPPORT_TEST_FOLDER_H
#define TESTS_SUPPORT_TEST_FOLDER_H

#include <string>

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

#endif
