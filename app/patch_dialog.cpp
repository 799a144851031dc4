#include "patch_dialog.h"

#include <commctrl.h>

#include <atomic>

#include "destination_checks.h"
#include "global_objects.h"
#include "install_folder.h"
#include "install_sequence.h"
#include "payload_check.h"
#include "payload_manifest.h"
#include "resource.h"

static_assert(kPayloadCount <= kMostStaged, "the worker stages every row of the table");

HWND DialogWindow = nullptr;
int EntryIndex = 0;

namespace {

PatchState State = PatchState::Ready;
// Where the press of "修正" being handled came from, to go back to when a check
// stops it.
PatchState PressedIn = PatchState::Ready;
// The bar, found once: the copy thread moves it after every slice, and finding it
// anew each time asked the system for the dialog's children.
HWND ProgressBar = nullptr;

// Set by the worker's hooks before they post their notice, taken by the dialog when
// it arrives: the same notice posted by another program finds them unset and
// changes nothing.
std::atomic<bool> PayloadCompleteReported{false};
std::atomic<bool> CopyFailureReported{false};
std::atomic<DWORD> CopyFailureError{ERROR_SUCCESS};
// Every install stages the rows from the first, so the worker's file is the row.
std::atomic<int> CopyFailureRow{0};
// kBlocked: the payloads are intact, but a destination is not ready; Obstacle says
// why. The worker writes it before the result, the dialog reads it after.
enum CheckResult : int { kNotChecked, kIntact, kDamaged, kBlocked };
std::atomic<int> PayloadCheckResult{kNotChecked};
// Made once the dialog is up and kept for the program's life: on the heap, since a
// zeroed global takes its bytes in the exe here.
char (*Obstacle)[kCheckMessageSize] = nullptr;

// What the status line and the bar showed before a press, put back when a check
// refuses to go on; the file line changes only once a copy starts.
char StatusBeforePress[32];
LRESULT BarBeforePress = 0;

void ShowButtons(HWND dialog) {
    ButtonStates buttons = ButtonsFor(State);
    // "終了" changes first, then "修正".
    EnableWindow(GetDlgItem(dialog, IDCANCEL), buttons.exit);
    EnableWindow(GetDlgItem(dialog, IDOK), buttons.repair);
}

// Shows a box of ours and then leaves the dialog in state. While the box is up, its
// message loop delivers whatever else arrives, and that must find nothing to do.
void ShowBoxThenEnter(HWND dialog, const char* text, PatchState state) {
    State = PatchState::Preparing;
    MessageBoxA(dialog, text, "報告", MB_OK);
    State = state;
    ShowButtons(dialog);
}

// A check before the first write said no: the dialog looks as before the press.
void Refuse(HWND dialog, const char* text) {
    SetDlgItemTextA(dialog, IDC_STATUS, StatusBeforePress);
    SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETPOS, BarBeforePress, 0);
    ShowBoxThenEnter(dialog, text, PressedIn);
}

// The file line shows the file that failed; the box adds the system's reason. Every
// payload staged so far goes: the game keeps every file as it was.
void ReportFailure(HWND dialog, DWORD error) {
    TheCopyWorker.Discard();
    char text[kCheckMessageSize];
    int length = wsprintfA(text, "コピー失敗\n");
    GetDlgItemTextA(dialog, IDC_FILE, text + length, kPathBytes);
    length = lstrlenA(text);
    text[length++] = '\n';
    DWORD said = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                error, 0, text + length, sizeof text - length, nullptr);
    if (said == 0) {
        wsprintfA(text + length, "エラーコード：%lu", error);
    }
    // The system's text ends its line; the box needs no empty one.
    for (length = lstrlenA(text); text[length - 1] == '\r' || text[length - 1] == '\n';) {
        text[--length] = '\0';
    }
    SetDlgItemTextA(dialog, IDC_STATUS, "コピー失敗");
    ShowBoxThenEnter(dialog, text, PatchState::Failed);
}

// Something stood in the way of the row being written; "修正" then looks again.
void ShowObstacle(HWND dialog) {
    TheCopyWorker.Discard();
    SetDlgItemTextA(dialog, IDC_STATUS, "コピー失敗");
    ShowBoxThenEnter(dialog, *Obstacle, PatchState::Failed);
}

// Shows row's destination on the file line: false when it is beyond Windows' limit.
bool ShowDestination(HWND dialog, int row) {
    char destination[kPathBytes];
    bool fits = JoinFolderAndName(destination, InstallFolder, PayloadManifest[row].fileName);
    SetDlgItemTextA(dialog, IDC_FILE, destination);
    return fits;
}

// Starts the copy of one manifest row into its temporary; the last row's copy then
// puts them all in place.
void StartRow(HWND dialog, int row) {
    char locator[MAX_PATH];
    wsprintfA(locator, PayloadManifest[row].locator);
    const char* name = nullptr;
    HANDLE folder = nullptr;
    if (!ShowDestination(dialog, row)) {
        ReportFailure(dialog, ERROR_FILENAME_EXCED_RANGE);
    } else if ((folder = RowFolder(PayloadManifest[row].fileName, true, name, *Obstacle)) ==
               nullptr) {
        if ((*Obstacle)[0] == '\0') {
            ReportFailure(dialog, GetLastError());
        } else {
            ShowObstacle(dialog);
        }
    } else if (!TheCopyWorker.Start(locator, folder, name, row == kPayloadCount - 1)) {
        ReportFailure(dialog, GetLastError());
    }
}

INT_PTR OnInitDialog(HWND dialog) {
    DialogWindow = dialog;
    ProgressBar = GetDlgItem(dialog, IDC_PROGRESS);
    Obstacle = new char[1][kCheckMessageSize];
    TheCopyWorker.SetProgressHook(OnCopyProgress);
    TheCopyWorker.SetFailureHook(OnCopyFailure);
    TheCopyWorker.SetCheckHooks(OnCheckProgress, OnPayloadsChecked);
    SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    return TRUE; // the system sets the default focus
}

void OnRepair(HWND dialog) {
    RepairAction action = ActionOnRepair(State);
    if (action == RepairAction::None) {
        return;
    }
    PressedIn = State;
    // The prompt and the browser run message loops of their own.
    State = PatchState::Preparing;
    if (action == RepairAction::LocateAndCopy && !LocateInstallFolder(dialog)) {
        State = PressedIn;
        return;
    }
    GetDlgItemTextA(dialog, IDC_STATUS, StatusBeforePress, sizeof StatusBeforePress);
    BarBeforePress = SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_GETPOS, 0, 0);
    // On every press, before anything is written, on the worker: the dialog keeps
    // answering while the payloads are read, however large they are.
    State = PatchState::Checking;
    ShowButtons(dialog);
    SetDlgItemTextA(dialog, IDC_STATUS, "確認中．．．");
    SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETPOS, 0, 0);
    PayloadCheckResult = kNotChecked;
    // Nothing of an earlier press is in place: every install writes every row.
    EntryIndex = 0;
    if (!TheCopyWorker.StartCheck(PayloadDigestTable(), kPayloadCount)) {
        Refuse(dialog, "コピー失敗"); // no thread to be had
    }
}

void OnChecked(HWND dialog) {
    int result = PayloadCheckResult.exchange(kNotChecked);
    if (State != PatchState::Checking || result == kNotChecked) {
        return; // not from the check running now
    }
    if (result != kIntact) {
        Refuse(dialog, result == kBlocked
                           ? *Obstacle
                           : "インストーラーが破損しています。もう一度ダウンロードしてください。");
        return;
    }
    State = PatchState::Copying;
    SetDlgItemTextA(dialog, IDC_STATUS, "コピー中．．．");
    SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETPOS, 0, 0);
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
    SetDlgItemTextA(dialog, IDC_STATUS, "修正完了");
    ShowBoxThenEnter(dialog, "完了しました。", PatchState::Done);
}

void OnCopyFailed(HWND dialog) {
    if (State != PatchState::Copying || !CopyFailureReported.exchange(false)) {
        return;
    }
    ShowDestination(dialog, CopyFailureRow);
    ReportFailure(dialog, CopyFailureError);
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

void OnCopyFailure(DWORD error, int row) {
    CopyFailureError = error;
    CopyFailureRow = row;
    CopyFailureReported = true;
    PostMessageA(DialogWindow, kCopyFailedMessage, 0, 0);
}

int OnCheckProgress(DWORD percent) {
    SendMessageA(ProgressBar, PBM_SETPOS, percent, 0);
    return 1;
}

void OnPayloadsChecked(bool intact) {
    // Still on the worker's thread: a brief hold on a destination is waited out here
    // while the dialog keeps answering, and a close cuts the wait short.
    int result = kDamaged;
    if (intact) {
        result = DestinationsReady(TheCopyWorker.CancelFlag(), *Obstacle) ? kIntact : kBlocked;
    }
    PayloadCheckResult = result;
    PostMessageA(DialogWindow, kPayloadsCheckedMessage, 0, 0);
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
    case kPayloadsCheckedMessage:
        OnChecked(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}
