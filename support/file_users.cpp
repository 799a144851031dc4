#include "file_users.h"

#include <restartmanager.h>

#include "system_dll.h"

namespace {

using RmStartSessionFn = DWORD(WINAPI*)(DWORD*, DWORD, WCHAR*);
using RmEndSessionFn = DWORD(WINAPI*)(DWORD);
using RmRegisterResourcesFn = DWORD(WINAPI*)(DWORD, UINT, LPCWSTR*, UINT, RM_UNIQUE_PROCESS*, UINT,
                                             LPCWSTR*);
using RmGetListFn = DWORD(WINAPI*)(DWORD, UINT*, UINT*, RM_PROCESS_INFO*, DWORD*);

// A handful is plenty for a box.
const UINT kMostPrograms = 4;

template <typename Fn> Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Appends text to names (size bytes) after a separator, whole or not at all.
void AppendName(char* names, int size, const char* text) {
    static const char kSeparator[] = "、";
    int used = lstrlenA(names);
    int separator = used > 0 ? lstrlenA(kSeparator) : 0;
    if (text[0] == '\0' || used + separator + lstrlenA(text) >= size) {
        return;
    }
    if (separator > 0) {
        lstrcatA(names, kSeparator);
    }
    lstrcatA(names, text);
}

} // namespace

bool ProgramsUsingFiles(const char* const* paths, int count, char* names, int size) {
    names[0] = '\0';
    // Loaded from the system folder, like every DLL that is not a KnownDLL.
    HMODULE library = LoadSystemDll("rstrtmgr.dll");
    if (library == nullptr) {
        return false;
    }
    auto startSession = Export<RmStartSessionFn>(library, "RmStartSession");
    auto endSession = Export<RmEndSessionFn>(library, "RmEndSession");
    auto registerResources = Export<RmRegisterResourcesFn>(library, "RmRegisterResources");
    auto getList = Export<RmGetListFn>(library, "RmGetList");
    DWORD session = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    if (startSession != nullptr && endSession != nullptr && registerResources != nullptr &&
        getList != nullptr && startSession(&session, 0, key) == ERROR_SUCCESS) {
        // A session's files add up over its registrations: one path buffer does.
        DWORD listed = ERROR_SUCCESS;
        for (int i = 0; i < count && listed == ERROR_SUCCESS; ++i) {
            WCHAR widePath[MAX_PATH];
            LPCWSTR files[] = {widePath};
            listed = MultiByteToWideChar(CP_ACP, 0, paths[i], -1, widePath, MAX_PATH) != 0
                         ? registerResources(session, 1, files, 0, nullptr, 0, nullptr)
                         : ERROR_GEN_FAILURE;
        }
        RM_PROCESS_INFO programs[kMostPrograms];
        UINT needed = 0;
        UINT found = kMostPrograms;
        DWORD reasons = 0;
        if (listed == ERROR_SUCCESS) {
            listed = getList(session, &needed, &found, programs, &reasons);
        }
        // More programs than fit (ERROR_MORE_DATA) come back as none: the box then
        // speaks of the game or another program.
        for (UINT i = 0; listed == ERROR_SUCCESS && i < found; ++i) {
            char name[2 * (CCH_RM_MAX_APP_NAME + 1)];
            if (WideCharToMultiByte(CP_ACP, 0, programs[i].strAppName, -1, name, sizeof name,
                                    nullptr, nullptr) != 0) {
                AppendName(names, size, name);
            }
        }
        endSession(session);
    }
    FreeLibrary(library);
    return names[0] != '\0';
}
