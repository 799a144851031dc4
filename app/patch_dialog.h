// The patch dialog IDD_PATCH: its procedure and the state it drives.
#ifndef APP_PATCH_DIALOG_H
#define APP_PATCH_DIALOG_H

#include <windows.h>

INT_PTR CALLBACK PatchDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
