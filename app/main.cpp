#include <windows.h>

#include "exit_codes.h"
#include "patch_dialog.h"
#include "resource.h"
#include "system_dll.h"

namespace {

// Every text and file name reaches Windows as CP932 bytes through the ANSI
// functions. The manifest asks for code page 932 (Windows 11 and Server 2022 give
// it whatever the system locale); an older Windows set to another locale does not,
// and there the folder would never be found and files would get garbled names.
// Wide literals, so that the message itself reads right on any locale.
bool RefuseWithoutJapaneseCodePage() {
    if (GetACP() == 932) {
        return false;
    }
    MessageBoxW(nullptr,
                L"このパッチには日本語のコードページ (932) が必要です。\n"
                L"システムロケールを日本語にするか、ロケールエミュレーターで起動してください。"
                L"何も変更していません。\n\n"
                L"This patch needs the Japanese code page (932).\n"
                L"Set the system locale to Japanese, or use a locale emulator. "
                L"Nothing has been changed.",
                L"報告", MB_OK | MB_ICONERROR);
    return true;
}

// One installer at a time on the whole machine: two would remove each other's
// temporaries. Global, since a copy elevated in another user's session writes the
// same game folder. The name is never given back: if anyone made it first, whether an
// installer of ours or a program squatting it (which leaves us access denied), the
// install does not start. A squatter gains nothing by that which holding a game file
// open would not give it too.
bool RefuseSecondCopy() {
    HANDLE once = CreateMutexA(nullptr, FALSE, "Global\\LuminakoPatchInstaller");
    if (once != nullptr && GetLastError() != ERROR_ALREADY_EXISTS) {
        return false; // held until the process ends
    }
    MessageBoxA(nullptr, "修正はすでに実行中です。", "報告", MB_OK);
    return true;
}

// A junction that a user without administrator's rights made is never followed by this
// process, not even inside the shell's folder browser: the installer runs elevated in
// folders that others may write. Windows 10 22H2 and 11 know the policy; elsewhere the
// call is missing or refused, and nothing changes.
void TrustOnlyAdministratorsLinks() {
    typedef BOOL(WINAPI * SetPolicy)(PROCESS_MITIGATION_POLICY, PVOID, SIZE_T);
    SetPolicy set = reinterpret_cast<SetPolicy>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetProcessMitigationPolicy")));
    PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY policy = {};
    policy.EnforceRedirectionTrust = 1;
    if (set != nullptr) {
        set(ProcessRedirectionTrustPolicy, &policy, sizeof policy);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    RestrictDllSearchToSystem();
    TrustOnlyAdministratorsLinks();
    if (RefuseWithoutJapaneseCodePage()) {
        return kExitNeedsJapaneseCodePage;
    }
    if (RefuseSecondCopy()) {
        return kExitAlreadyRunning;
    }
    // Loading comctl32 registers the control classes the dialog template names. By its
    // bare name it resolves to the manifest's version 6 from the system's side-by-side
    // store, which the loader consults before any folder.
    LoadSystemDll("comctl32.dll");
    return static_cast<int>(
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_PATCH), nullptr, PatchDialogProc, 0));
}
