#include <windows.h>

#include "patch_dialog.h"
#include "resource.h"
#include "system_dll.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    RestrictDllSearchToSystem();
    // Loading comctl32 registers the progress-bar class the dialog template names.
    LoadSystemDll("comctl32.dll");
    return static_cast<int>(
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_PATCH), nullptr, PatchDialogProc, 0));
}
