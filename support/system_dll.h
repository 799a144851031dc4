// DLLs that are not on the KnownDLLs list (comctl32, winmm) are never imported
// statically: the installer runs elevated from a Downloads folder, where a DLL of
// the same name may lie beside it. They are loaded from the system folder only, or,
// where the manifest names a side-by-side assembly (comctl32 version 6), from the
// system's store of those, which the loader consults first.
#ifndef SUPPORT_SYSTEM_DLL_H
#define SUPPORT_SYSTEM_DLL_H

#include <windows.h>

// Limits the process's DLL search to the system folder where the platform allows.
void RestrictDllSearchToSystem();

// Loads name (a bare file name) from the system folder, or returns null.
HMODULE LoadSystemDll(const char* name);

// winmm's timeGetTime, with winmm loaded from the system folder on first use.
DWORD TimerMilliseconds();

#endif
