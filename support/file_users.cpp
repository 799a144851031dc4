#include "file_users.h"

#include <restartmanager.h>

#include "system_dll.h"

namespace {

using RmStartSessionFn = DWORD(WINAPI*)(DWORD*, DWORD, WCHAR*);
using RmEndSessionFn = DWORD(WINAPI*)(DWORD);
using RmRegisterResourcesFn = DWORD(WINAPI*)(DWORD, UINT, LPCWSTR*, UINT, RM_UNIQUE_PROCESS*, UINT,
                                             LPCWSTR*);
using RmGetListFn = DWORD(WINAPI*)(DWORD, UINT*, UINT*, RM_PROCESS_INFO*, DWORD*);

// Programs asked about by name: room for all of them within reason, and a handful
// for a box.
const UINT kMostPrograms = 64;
const int kNamedPrograms = 3;

template <typename Fn> Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Appends text to names (size bytes) after a separator, whole or not at all; true
// when it did.
bool AppendName(char* names, int size, const char* text) {
    static const char kSeparator[] = "、";
    int used = lstrlenA(names);
    int separator = used > 0 ? lstrlenA(kSeparator) : 0;
    if (text[0] == '\0' || used + separator + lstrlenA(text) >= size) {
        return false;
    }
    if (separator > 0) {
        lstrcatA(names, kSeparator);
    }
    lstrcatA(names, text);
    return true;
}

} // namespace

int ProgramsUsingFiles(const char* const* paths, int count, char* names, int size, int& named) {
    names[0] = '\0';
    named = 0;
    // Loaded from the system folder, like every DLL that is not a KnownDLL.
    HMODULE library = LoadSystemDll("rstrtmgr.dll");
    if (library == nullptr) {
        return 0;
    }
    auto startSession = Export<RmStartSessionFn>(library, "RmStartSession");
    auto endSession = Export<RmEndSessionFn>(library, "RmEndSession");
    auto registerResources = Export<RmRegisterResourcesFn>(library, "RmRegisterResources");
    auto getList = Export<RmGetListFn>(library, "RmGetList");
    DWORD session = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    UINT needed = 0;
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
        // First how many, then their names: a list that does not fit gives none, and
        // its programs use the files all the same.
        UINT found = 0;
        DWORD reasons = 0;
        DWORD asked =
            listed == ERROR_SUCCESS ? getList(session, &needed, &found, nullptr, &reasons) : listed;
        if (asked != ERROR_SUCCESS && asked != ERROR_MORE_DATA) {
            needed = 0;
        }
        RM_PROCESS_INFO* programs = nullptr;
        if (needed > 0 && needed <= kMostPrograms) {
            programs = static_cast<RM_PROCESS_INFO*>(
                HeapAlloc(GetProcessHeap(), 0, needed * sizeof(RM_PROCESS_INFO)));
        }
        found = needed;
        UINT again = 0;
        if (programs != nullptr &&
            getList(session, &again, &found, programs, &reasons) == ERROR_SUCCESS) {
            for (UINT i = 0; i < found && named < kNamedPrograms; ++i) {
                char name[2 * (CCH_RM_MAX_APP_NAME + 1)];
                if (WideCharToMultiByte(CP_ACP, 0, programs[i].strAppName, -1, name, sizeof name,
                                        nullptr, nullptr) != 0 &&
                    AppendName(names, size, name)) {
                    ++named;
                }
            }
        }
        if (programs != nullptr) {
            HeapFree(GetProcessHeap(), 0, programs);
        }
        endSession(session);
    }
    FreeLibrary(library);
    return static_cast<int>(needed);
}
