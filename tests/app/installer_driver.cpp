#include "installer_driver.h"

#include <commctrl.h>

#include <cstdlib>
#include <vector>

std::string WindowsPath(const std::string& path) {
    if (path.empty() || path[0] != '/') {
        return path;
    }
    std::string result = "Z:" + path;
    for (char& c : result) {
        if (c == '/') {
            c = '\\';
        }
    }
    return result;
}

std::string TestSetting(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string WindowTextOf(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassNameOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

InstallerProcess::~InstallerProcess() {
    if (info_.hProcess != nullptr) {
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(info_.hProcess, 99);
            WaitForSingleObject(info_.hProcess, StretchedWait(5000));
        }
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
}

bool InstallerProcess::Start(const std::string& exe) {
    if (info_.hProcess != nullptr) { // an earlier run of the same test
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
        info_ = PROCESS_INFORMATION{};
    }
    std::string folder = exe.substr(0, exe.find_last_of('\\') + 1);
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    return CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &startup, &info_) != 0;
}

namespace {

struct WindowQuery {
    DWORD processId;
    const char* caption;    // null: any
    const char* className;  // null: any
    const char* childText;  // null: any; else some child must show this text
    const char* childClass; // null: any; else some child must be of this class
    HWND found;
};

struct ChildQuery {
    const char* text;
    const char* className;
    HWND found;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM lParam) {
    auto* query = reinterpret_cast<ChildQuery*>(lParam);
    if ((query->text == nullptr || WindowTextOf(child) == query->text) &&
        (query->className == nullptr || ClassNameOf(child) == query->className)) {
        query->found = child;
        return FALSE;
    }
    return TRUE;
}

HWND FindChild(HWND parent, const char* text, const char* className) {
    ChildQuery query{text, className, nullptr};
    EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam) {
    auto* query = reinterpret_cast<WindowQuery*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != query->processId || !IsWindowVisible(window)) {
        return TRUE;
    }
    if (query->caption != nullptr && WindowTextOf(window) != query->caption) {
        return TRUE;
    }
    if (query->className != nullptr && ClassNameOf(window) != query->className) {
        return TRUE;
    }
    if ((query->childText != nullptr || query->childClass != nullptr) &&
        FindChild(window, query->childText, query->childClass) == nullptr) {
        return TRUE;
    }
    query->found = window;
    return FALSE;
}

HWND FindProcessWindow(DWORD processId, const char* caption, const char* className,
                       const char* childText, const char* childClass, DWORD timeoutMs) {
    WindowQuery query{processId, caption, className, childText, childClass, nullptr};
    WaitUntil(
        [&query] {
            EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
            return query.found != nullptr;
        },
        timeoutMs);
    return query.found;
}

} // namespace

HWND InstallerProcess::WaitForWindow(const char* caption, const char* className,
                                     DWORD timeoutMs) const {
    // The patch dialog is the "Vek" window with a progress bar; a message box
    // may carry the same caption.
    return FindProcessWindow(info_.dwProcessId, caption, className, nullptr,
                             lstrcmpA(caption, "Vek") == 0 ? PROGRESS_CLASSA : nullptr, timeoutMs);
}

HWND InstallerProcess::WaitForMessageBox(const char* caption, const char* text,
                                         DWORD timeoutMs) const {
    return FindProcessWindow(info_.dwProcessId, caption, "#32770", text, nullptr, timeoutMs);
}

HWND InstallerProcess::WaitForFolderBrowser(DWORD timeoutMs) const {
    return FindProcessWindow(info_.dwProcessId, nullptr, "#32770", nullptr, WC_TREEVIEWA,
                             timeoutMs);
}

HWND FindChildOfClass(HWND parent, const char* className) {
    return FindChild(parent, nullptr, className);
}

bool SelectDesktopFolderInBrowser(HANDLE process, HWND browser, const std::string& label) {
    HWND tree = FindChildOfClass(browser, WC_TREEVIEWA);
    if (tree == nullptr) {
        return false;
    }
    // The tree's items live in the other process: their texts are read through a
    // block of its memory.
    struct Remote {
        TVITEMA item;
        char text[MAX_PATH];
    };
    auto* remote = static_cast<Remote*>(
        VirtualAllocEx(process, nullptr, sizeof(Remote), MEM_COMMIT, PAGE_READWRITE));
    if (remote == nullptr) {
        return false;
    }
    bool selected = false;
    auto root = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
    auto child = reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(root)));
    while (child != nullptr && !selected) {
        Remote local{};
        local.item.mask = TVIF_TEXT;
        local.item.hItem = child;
        local.item.pszText = remote->text;
        local.item.cchTextMax = MAX_PATH;
        WriteProcessMemory(process, remote, &local, sizeof local, nullptr);
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&remote->item));
        ReadProcessMemory(process, remote, &local, sizeof local, nullptr);
        local.text[MAX_PATH - 1] = '\0';
        if (label == local.text) {
            SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(child));
            selected = true;
        }
        child = reinterpret_cast<HTREEITEM>(
            SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child)));
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return selected;
}

DWORD InstallerProcess::WaitForExit(DWORD timeoutMs) const {
    if (WaitForSingleObject(info_.hProcess, StretchedWait(timeoutMs)) != WAIT_OBJECT_0) {
        return STILL_ACTIVE;
    }
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}
