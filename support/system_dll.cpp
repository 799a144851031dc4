#include "system_dll.h"

namespace {

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
using TimeGetTimeFn = DWORD(WINAPI*)();

// Resolved at run time: a static import would keep the program from starting on
// systems that lack the export.
template <typename Fn> Fn Export(HMODULE module, const char* name) {
    if (module == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

void RestrictDllSearchToSystem() {
    auto setDirectories = Export<SetDefaultDllDirectoriesFn>(GetModuleHandleA("kernel32.dll"),
                                                             "SetDefaultDllDirectories");
    if (setDirectories != nullptr) {
        setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

HMODULE LoadSystemDll(const char* name) {
    HMODULE module = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) {
        return module;
    }
    // Systems without the search flags: name the file by its full path instead.
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + 1 + lstrlenA(name) >= MAX_PATH) {
        return nullptr;
    }
    lstrcatA(path, "\\");
    lstrcatA(path, name);
    return LoadLibraryA(path);
}

DWORD TimerMilliseconds() {
    static const TimeGetTimeFn timeGetTime =
        Export<TimeGetTimeFn>(LoadSystemDll("winmm.dll"), "timeGetTime");
    return timeGetTime != nullptr ? timeGetTime() : GetTickCount();
}
