// Stands in for the Restart Manager of Windows (Wine's names nobody): a session that
// holds a file ending in ".exe" finds it used by the programs STAND_IN_PROGRAMS
// lists, each name followed by "|" (an empty one: a program without a name).
#include <windows.h>
#include <restartmanager.h>

// Each export on one line, which every clang-format keeps as it is.
#define RM_EXPORT extern "C" __declspec(dllexport) DWORD WINAPI

namespace {

bool askedAboutProgram = false;

} // namespace

RM_EXPORT RmStartSession(DWORD* session, DWORD, WCHAR key[]) {
    *session = 1;
    key[0] = L'\0';
    askedAboutProgram = false;
    return ERROR_SUCCESS;
}

RM_EXPORT RmEndSession(DWORD) {
    return ERROR_SUCCESS;
}

RM_EXPORT RmRegisterResources(DWORD, UINT count, LPCWSTR* files, UINT, RM_UNIQUE_PROCESS*, UINT,
                              LPCWSTR*) {
    for (UINT i = 0; i < count; ++i) {
        int length = lstrlenW(files[i]);
        askedAboutProgram |= length > 4 && lstrcmpiW(files[i] + length - 4, L".exe") == 0;
    }
    return ERROR_SUCCESS;
}

// As Windows answers: the whole list or, without room for it, only how long it is.
RM_EXPORT RmGetList(DWORD, UINT* needed, UINT* room, RM_PROCESS_INFO list[], DWORD* reasons) {
    WCHAR names[1024] = L"";
    if (askedAboutProgram) {
        GetEnvironmentVariableW(L"STAND_IN_PROGRAMS", names, 1024);
    }
    UINT count = 0;
    for (const WCHAR* c = names; *c != L'\0'; ++c) {
        count += *c == L'|' ? 1 : 0;
    }
    *needed = count;
    *reasons = 0;
    if (count > *room) {
        return ERROR_MORE_DATA;
    }
    *room = count;
    const WCHAR* name = names;
    for (UINT i = 0; i < count; ++i) {
        RM_PROCESS_INFO empty = {};
        list[i] = empty;
        for (int length = 0; *name != L'|'; ++name) {
            if (length < CCH_RM_MAX_APP_NAME) {
                list[i].strAppName[length++] = *name;
            }
        }
        ++name;
    }
    return ERROR_SUCCESS;
}
