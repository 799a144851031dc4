#include "patch_dialog.h"

#include <commctrl.h>

#include "resource.h"

namespace {

INT_PTR OnInitDialog(HWND dialog) {
    SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    return TRUE; // the system sets the default focus
}

INT_PTR OnCommand(HWND dialog, WORD command) {
    switch (command) {
    case IDCANCEL:
        return EndDialog(dialog, 1);
    default:
        return TRUE;
    }
}

} // namespace

INT_PTR CALLBACK PatchDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_CLOSE:
        return EndDialog(dialog, 1);
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wParam));
    default:
        return FALSE;
    }
}
