// Stands in for a DLL that someone left beside the installer in a Downloads
// folder. Loading it leaves a marker file beside it: "<dll path>.loaded".
#define WIN32_LEAN_AND_MEAN // keeps the real timeGetTime declaration out
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        char marker[MAX_PATH + 16];
        DWORD length = GetModuleFileNameA(self, marker, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            lstrcatA(marker, ".loaded");
            HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                CloseHandle(file);
            }
        }
    }
    return TRUE;
}

// The exports a program importing the real DLL would bind to, so that such a
// program starts and the planting shows.
extern "C" __declspec(dllexport) DWORD WINAPI timeGetTime() {
    return 0;
}
extern "C" __declspec(dllexport) void WINAPI InitCommonControls() {}
