// The patch dialog IDD_PATCH: its procedure and the state it drives.
#ifndef APP_PATCH_DIALOG_H
#define APP_PATCH_DIALOG_H

#include <windows.h>

// Posted by the copy thread when a payload is complete (WM_COMMAND, wParam 1000:
// the same number as IDC_STATUS, notification code 0).
constexpr WORD kPayloadFinishedCommand = 1000;
// Posted by the copy thread when a copy failed (wParam and lParam 0).
constexpr UINT kCopyFailedMessage = WM_APP;
// Posted by the worker when it has checked the payloads (wParam and lParam 0).
constexpr UINT kPayloadsCheckedMessage = WM_APP + 1;

// The dialog, set when it initialises; read by the copy thread.
extern HWND DialogWindow;
// The manifest row being copied; 16 after the last. Written only on the dialog's
// thread, read by the copy thread in the progress hook.
extern int EntryIndex;

INT_PTR CALLBACK PatchDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The copy worker's progress hook: moves the bar (a synchronous send, so the
// copy thread waits for the dialog) and posts kPayloadFinishedCommand at 100.
int OnCopyProgress(DWORD percent);

// The copy worker's failure hook: keeps the error and the row, and posts
// kCopyFailedMessage.
void OnCopyFailure(DWORD error, int row);

// The worker's hooks for the payload check: the bar follows the bytes checked; once
// the payloads are found intact the destinations are looked at, on the worker too,
// and the outcome is kept and kPayloadsCheckedMessage posted.
int OnCheckProgress(DWORD percent);
void OnPayloadsChecked(bool intact);

#endif
