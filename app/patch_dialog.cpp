#include "patch_dialog.h"

#include <commctrl.h>

#include <atomic>

#include "global_objects.h"
#include "install_folder.h"
#include "install_sequence.h"
#include "payload_check.h"
#include "payload_manifest.h"
#include "resource.h"

HWND DialogWindow = nullptr;
int EntryIndex = 0;

namespace {

PatchState State = PatchState::Ready;
// The bar, found once: the copy thread moves it after every slice, and finding it
// anew each time asked the system for the dialog's children.
HWND ProgressBar = nullptr;

// Set by the copy thread's hooks before they post their notice, taken by the
// dialog when it arrives: the same notice posted by another program finds them
// unset and changes nothing.
std::atomic<bool> PayloadCompleteReported{false};
std::atomic<bool> CopyFailureReported{false};

void ShowButtons(HWND dialog) {
    ButtonStates buttons = ButtonsFor(State);
    // "終了" changes first, then "修正".
    EnableWindow(GetDlgItem(dialog, IDCANCEL), buttons.exit);
    EnableWindow(GetDlgItem(dialog, IDOK), buttons.repair);
}

// Ends a run of copies with the status line, a box and the buttons of the state.
void Report(HWND dialog, PatchState state, const char* status, const char* text) {
    // The state changes before the box: its message loop delivers whatever else
    // arrives meanwhile, and that must find the run ended.
    State = state;
    SetDlgItemTextA(dialog, IDC_STATUS, status);
    MessageBoxA(dialog, text, "報告", MB_OK);
    ShowButtons(dialog);
}

void ReportFailure(HWND dialog) {
    Report(dialog, PatchState::Failed, "コピー失敗", "コピー失敗");
}

// Starts the copy of one manifest row into the install folder.
void StartRow(HWND dialog, int row) {
    char locator[MAX_PATH];
    char destination[MAX_PATH];
    wsprintfA(locator, PayloadManifest[row].locator);
    bool fits = JoinFolderAndName(destination, InstallFolder, PayloadManifest[row].fileName);
    SetDlgItemTextA(dialog, IDC_FILE, destination);
    if (!fits || !TheCopyWorker.Start(locator, destination)) {
        ReportFailure(dialog);
    }
}

INT_PTR OnInitDialog(HWND dialog) {
    DialogWindow = dialog;
    ProgressBar = GetDlgItem(dialog, IDC_PROGRESS);
    TheCopyWorker.SetProgressHook(OnCopyProgress);
    TheCopyWorker.SetFailureHook(OnCopyFailure);
    SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    return TRUE; // the system sets the default focus
}

void OnRepair(HWND dialog) {
    PatchState pressedIn = State;
    RepairAction action = ActionOnRepair(State);
    if (action == RepairAction::None) {
        return;
    }
    // The prompt, the browser and the report run message loops of their own.
    State = PatchState::Preparing;
    if (action == RepairAction::LocateAndCopy && !LocateInstallFolder(dialog)) {
        State = pressedIn;
        return;
    }
    // On every press, before anything is written: a retry cannot slip past it.
    if (!PayloadsIntact()) {
        MessageBoxA(dialog, "インストーラーが破損しています。もう一度ダウンロードしてください。",
                    "報告", MB_OK);
        State = pressedIn;
        return;
    }
    if (action == RepairAction::Resume) {
        SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETPOS, 0, 0);
    }
    State = PatchState::Copying;
    ShowButtons(dialog);
    SetDlgItemTextA(dialog, IDC_STATUS, "コピー中．．．");
    StartRow(dialog, EntryIndex);
}

void OnPayloadFinished(HWND dialog) {
    if (State != PatchState::Copying || !PayloadCompleteReported.exchange(false)) {
        return; // not from the copy running now
    }
    int row = NextRowAfterPayload(EntryIndex, kPayloadCount);
    if (row != kNoRow) {
        SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETPOS, 0, 0);
        StartRow(dialog, row);
        return;
    }
    Report(dialog, PatchState::Done, "修正完了", "完了しました。");
}

void OnCopyFailed(HWND dialog) {
    if (State != PatchState::Copying || !CopyFailureReported.exchange(false)) {
        return;
    }
    ReportFailure(dialog);
}

INT_PTR OnCommand(HWND dialog, WORD command) {
    switch (command) {
    case IDOK:
        OnRepair(dialog);
        return TRUE;
    case IDCANCEL:
        return EndDialog(dialog, 1);
    case kPayloadFinishedCommand:
        OnPayloadFinished(dialog);
        return TRUE;
    default:
        return TRUE;
    }
}

} // namespace

int OnCopyProgress(DWORD percent) {
    SendMessageA(ProgressBar, PBM_SETPOS, percent, 0);
    if (percent >= 100 && EntryIndex < kPayloadCount) {
        PayloadCompleteReported = true;
        PostMessageA(DialogWindow, WM_COMMAND, kPayloadFinishedCommand, 0);
    }
    return 1;
}

void OnCopyFailure() {
    CopyFailureReported = true;
    PostMessageA(DialogWindow, kCopyFailedMessage, 0, 0);
}

INT_PTR CALLBACK PatchDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_CLOSE:
        return EndDialog(dialog, 1);
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wParam));
    case kCopyFailedMessage:
        OnCopyFailed(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}
