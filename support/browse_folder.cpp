#include "browse_folder.h"

#include <shlobj.h>

namespace {

const char kNoSelection[] = "No path selection.";

} // namespace

int BrowseForFolderInto(HWND owner, const char* title, char* displayName, char* path, int size) {
    if (path == nullptr || size < MAX_PATH) {
        return 0;
    }
    lstrcpyA(path, kNoSelection);

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
    BOOL found = SHGetPathFromIDListW(chosen, widePath);
    CoTaskMemFree(chosen);
    // Neither cut short nor a character replaced by a look-alike or "?": either could
    // name another folder.
    BOOL replaced = FALSE;
    if (!found ||
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, widePath, -1, path, size, nullptr,
                            &replaced) == 0 ||
        replaced) {
        lstrcpyA(path, kNoSelection);
        return 0;
    }
    return 1;
}

int BrowseForFolder(HWND owner, const char* title, char* displayName, char* path) {
    return BrowseForFolderInto(owner, title, displayName, path, MAX_PATH);
}
