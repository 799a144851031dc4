// Drives the real installer from outside, as a user would: starts the exe, finds
// its windows, reads and presses its controls, waits for its exit.
#ifndef TESTS_APP_INSTALLER_DRIVER_H
#define TESTS_APP_INSTALLER_DRIVER_H

#include <windows.h>

#include <string>

// A Windows path for a path handed over by the Linux side ("/tmp/x" -> "Z:\tmp\x").
std::string WindowsPath(const std::string& path);

// The value of an environment variable that ctest sets for the test, or "".
std::string TestSetting(const char* name);

// Text of a window in the ANSI code page.
std::string WindowTextOf(HWND window);
std::string ClassNameOf(HWND window);

// Reads a whole file; false when it cannot be opened.
bool ReadWholeFile(const std::string& path, std::string& bytes);

class InstallerProcess {
  public:
    InstallerProcess() = default;
    InstallerProcess(const InstallerProcess&) = delete;
    InstallerProcess& operator=(const InstallerProcess&) = delete;
    ~InstallerProcess(); // kills a process still running

    // Starts exe with its own folder as the working directory.
    bool Start(const std::string& exe);
    // The first visible top-level window of the process with this caption and
    // class (null class: any), or null after timeoutMs.
    HWND WaitForWindow(const char* caption, const char* className, DWORD timeoutMs) const;
    // Exit code, or STILL_ACTIVE when the process did not end within timeoutMs.
    DWORD WaitForExit(DWORD timeoutMs) const;
    DWORD Id() const { return info_.dwProcessId; }

  private:
    PROCESS_INFORMATION info_{};
};

// Clicks a button of a dialog (BM_CLICK), without waiting for the dialog to act.
void PressButton(HWND dialog, int id);
// Posts the button's command straight to the dialog, as the keyboard can even
// while the button is disabled.
void PostCommand(HWND dialog, int id);

#endif
