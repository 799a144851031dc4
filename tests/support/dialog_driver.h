// Drives a modal dialog that the test's own thread shows, from a second thread:
// the test thread waits inside the dialog call while the driver acts on it.
#ifndef TESTS_SUPPORT_DIALOG_DRIVER_H
#define TESTS_SUPPORT_DIALOG_DRIVER_H

#include <windows.h>

#include "dialog_input.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

class DialogDriver {
  public:
    // Waits on a second thread for a visible dialog box of the constructing
    // thread, then runs act on it. act ends the dialog (see PostCommand).
    explicit DialogDriver(std::function<void(HWND dialog)> act);
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    // Whether the dialog was found and act ran on it.
    bool Drove() const { return drove_; }

  private:
    DWORD ownerThread_;
    std::atomic<bool> drove_{false};
    std::thread thread_;
};

// Text of the control id of dialog.
std::string ControlText(HWND dialog, int id);

#endif
