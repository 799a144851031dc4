#include "dialog_driver.h"

#include <string>

namespace {

BOOL CALLBACK TakeVisibleDialog(HWND window, LPARAM found) {
    char className[16];
    if (IsWindowVisible(window) && GetClassNameA(window, className, sizeof className) > 0 &&
        lstrcmpA(className, "#32770") == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

DialogDriver::DialogDriver(std::function<void(HWND dialog)> act)
    : ownerThread_(GetCurrentThreadId()) {
    thread_ = std::thread([this, act] {
        for (DWORD start = GetTickCount(); GetTickCount() - start < StretchedWait(20000);) {
            HWND dialog = nullptr;
            EnumThreadWindows(ownerThread_, TakeVisibleDialog, reinterpret_cast<LPARAM>(&dialog));
            if (dialog != nullptr) {
                // Let the dialog finish the set-up it posts to itself.
                Sleep(200);
                drove_ = true;
                act(dialog);
                return;
            }
            Sleep(20);
        }
    });
}

DialogDriver::~DialogDriver() {
    thread_.join();
}

std::string ControlText(HWND dialog, int id) {
    char text[512] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}
