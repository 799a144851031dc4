#include "patch_dialog.h"

#include <commctrl.h>

#include "global_objects.h"
#include "install_folder.h"
#include "install_sequence.h"
#include "payload_manifest.h"
#include "resource.h"

HWND DialogWindow = nullptr;
int EntryIndex = 0;

namespace {

PatchState State = PatchState::Ready;

void EnterState(HWND dialog, PatchState state) {
    State = state;
    ButtonStates buttons = ButtonsFor(state);
    // "終了" changes first, then "修正".
    EnableWindow(GetDlgItem(dialog, IDCANCEL), buttons.exit);
    EnableWindow(GetDlgItem(dialog, IDOK), buttons.repair);
}

// Starts the copy of one manifest row into the install folder.
void StartRow(HWND dialog, int row) {
    char locator[MAX_PATH];
    char destination[MAX_PATH];
    wsprintfA(locator, PayloadManifest[row].locator);
    bool fits = JoinFolderAndName(destination, InstallFolder, PayloadManifest[row].fileName);
    SetDlgItemTextA(dialog, IDC_FILE, destination);
    if (!fits || !TheCopyWorker.Start(locator, destination)) {
        MessageBoxA(dialog, "コピー失敗", "報告", MB_OK);
    }
}

INT_PTR OnInitDialog(HWND dialog) {
    DialogWindow = dialog;
    TheCopyWorker.SetProgressHook(OnCopyProgress);
    SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    return TRUE; // the system sets the default focus
}

void OnRepair(HWND dialog) {
    int row = RowToStartOnRepair(State, EntryIndex);
    if (row == kNoRow || !LocateInstallFolder(dialog)) {
        return;
    }
    EnterState(dialog, PatchState::Copying);
    SetDlgItemTextA(dialog, IDC_STATUS, "コピー中．．．");
    StartRow(dialog, row);
}

void OnPayloadFinished(HWND dialog) {
    if (State != PatchState::Copying) {
        return; // no copy of ours is running
    }
    int row = NextRowAfterPayload(EntryIndex, kPayloadCount);
    if (row != kNoRow) {
        SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETPOS, 0, 0);
        StartRow(dialog, row);
        return;
    }
    SetDlgItemTextA(dialog, IDC_STATUS, "修正完了");
    MessageBoxA(DialogWindow, "完了しました。", "報告", MB_OK);
    EnterState(dialog, PatchState::Done);
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
    SendDlgItemMessageA(DialogWindow, IDC_PROGRESS, PBM_SETPOS, percent, 0);
    if (percent >= 100 && EntryIndex < kPayloadCount) {
        PostMessageA(DialogWindow, WM_COMMAND, kPayloadFinishedCommand, 0);
    }
    return 1;
}

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
