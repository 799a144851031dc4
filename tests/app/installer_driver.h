// Drives the real installer from outside, as a user would: starts the exe, finds
// its windows, reads and presses its controls, waits for its exit.
#ifndef TESTS_APP_INSTALLER_DRIVER_H
#define TESTS_APP_INSTALLER_DRIVER_H

#include <windows.h>

#include "dialog_input.h"

#include <string>

// A Windows path for a path handed over by the Linux side ("/tmp/x" -> "Z:\tmp\x").
std::string WindowsPath(const std::string& path);

// The value of an environment variable that ctest sets for the test, or "".
std::string TestSetting(const char* name);

// Text of a window in the ANSI code page.
std::string WindowTextOf(HWND window);
std::string ClassNameOf(HWND window);

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
    HANDLE Handle() const { return info_.hProcess; }
    // A message box of the process with this caption and text, or null.
    HWND WaitForMessageBox(const char* caption, const char* text, DWORD timeoutMs) const;
    // The shell's folder-browse dialog of the process, or null.
    HWND WaitForFolderBrowser(DWORD timeoutMs) const;

  private:
    PROCESS_INFORMATION info_{};
};

// Polls condition every few milliseconds; false when it did not hold in time
// (timeoutMs, stretched where the programs run emulated).
template <typename Condition> bool WaitUntil(Condition condition, DWORD timeoutMs) {
    timeoutMs = StretchedWait(timeoutMs);
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
        Sleep(5);
    }
    return true;
}

// The first child of parent (at any depth) of this class, or null.
HWND FindChildOfClass(HWND parent, const char* className);

// In the browse dialog's tree, owned by process, expands the root item and
// selects its child labelled label (a folder on the desktop). false if absent.
bool SelectDesktopFolderInBrowser(HANDLE process, HWND browser, const std::string& label);

#endif
