#include "browse_folder.h"

#include <shlobj.h>

#include "char_search.h"

int BrowseForFolder(HWND owner, const char* title, char* displayName, char* path) {
    if (path == nullptr) {
        return 0;
    }
    lstrcpyA(path, "No path selection.");

    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr; // the tree starts at the desktop
    info.pszDisplayName = displayName;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
    info.lpfn = nullptr;
    info.lParam = 0;

    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    if (chosen == nullptr) {
        return 0;
    }
    // The dialog offers file-system folders only, so the path is there to take. The
    // ANSI form would cut a Japanese path at MAX_PATH bytes, half its characters.
    WCHAR widePath[MAX_PATH] = {};
    SHGetPathFromIDListW(chosen, widePath);
    CoTaskMemFree(chosen);
    WideCharToMultiByte(CP_ACP, 0, widePath, -1, path, kPathBytes, nullptr, nullptr);
    return 1;
}
