#include "test_files.h"
#include "dialog_input.h"

#include <windows.h>

#include <atomic>
#include <initializer_list>

namespace {

using UnixNameFn = char*(CDECL*)(const WCHAR*);

} // namespace

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    bytes.clear();
    char chunk[65536];
    DWORD got = 0;
    BOOL ok;
    while ((ok = ReadFile(file, chunk, sizeof chunk, &got, nullptr)) && got > 0) {
        bytes.append(chunk, got);
    }
    CloseHandle(file);
    return ok != FALSE;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD done = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(file);
    return ok && done == bytes.size();
}

std::vector<std::string> FolderContents(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if (lstrcmpA(found.cFileName, ".") != 0 && lstrcmpA(found.cFileName, "..") != 0) {
            names.push_back(found.cFileName);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            std::string path = folder + "\\" + name;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
                SetUnixWritable(path, true);
            }
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                RemoveTree(path);
            } else {
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

TestFolder::TestFolder() {
    static std::atomic<unsigned> counter{0};
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    root_ = std::string(temp) + "tests_" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(counter++);
    RemoveTree(root_);
    CreateDirectoryA(root_.c_str(), nullptr);
    root_ += "\\";
}

TestFolder::~TestFolder() {
    RemoveTree(root_.substr(0, root_.size() - 1));
}

bool TestFolder::MakeFolder(const std::string& relative) const {
    return CreateDirectoryA(Path(relative).c_str(), nullptr) != 0;
}

bool TestFolder::MakeFile(const std::string& relative) const {
    return WriteWholeFile(Path(relative), "");
}

namespace {

// Runs a Unix program under Wine on the Unix names of paths (Windows paths), then
// waits until done() holds: Wine hands a Unix program over without waiting for it.
template <typename Done>
bool RunUnixOn(const char* program, std::initializer_list<std::string> paths, Done done) {
    auto unixName = reinterpret_cast<UnixNameFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (unixName == nullptr) {
        return false;
    }
    // Unix names are UTF-8, which the ANSI code page cannot carry.
    std::wstring command(program, program + lstrlenA(program));
    for (const std::string& path : paths) {
        WCHAR wide[MAX_PATH];
        if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) == 0) {
            return false;
        }
        char* unixPath = unixName(wide);
        if (unixPath == nullptr) {
            return false;
        }
        WCHAR unixWide[4 * MAX_PATH];
        int converted = MultiByteToWideChar(CP_UTF8, 0, unixPath, -1, unixWide, 4 * MAX_PATH);
        HeapFree(GetProcessHeap(), 0, unixPath);
        if (converted == 0) {
            return false;
        }
        command = command + L" \"" + unixWide + L"\"";
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (DWORD start = GetTickCount(); GetTickCount() - start < StretchedWait(5000);) {
        if (done()) {
            return true;
        }
        Sleep(20);
    }
    return false;
}

} // namespace

bool SetUnixWritable(const std::string& path, bool writable) {
    return RunUnixOn(writable ? "/bin/chmod u+w" : "/bin/chmod a-w", {path}, [&] {
        DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES &&
               ((attributes & FILE_ATTRIBUTE_READONLY) == 0) == writable;
    });
}

bool MakeUnixLink(const std::string& link, const std::string& target) {
    return RunUnixOn("/bin/ln -s", {target, link},
                     [&] { return GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES; });
}
