#include "file_selection.h"

#include <commdlg.h>

#include <cstddef>
#include <new>

#include "selection_names.h"

namespace {

// The record without its three last members, as the dialog has accepted it
// since the earliest Explorer-style systems: 76 bytes in the 32-bit program.
constexpr DWORD kDialogRecordSize =
    offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(OPENFILENAMEA::lpTemplateName);
static_assert(sizeof(void*) != 4 || kDialogRecordSize == 76, "OPENFILENAMEA prefix size");

} // namespace

int OpenFileSelection(HWND owner, FileSelection** selection, const char* title, const char* filter,
                      const char* initialFolder, const char* defaultExtension, BOOL allowMultiple) {
    if (selection == nullptr) {
        return 0;
    }
    *selection = nullptr;
    HANDLE heap = GetProcessHeap();
    // Empty and zero-filled: the dialog proposes no name, and the walk over the
    // names finds terminators after what the dialog wrote.
    char* names = static_cast<char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, kSelectionNamesSize));
    if (names == nullptr) {
        return 0;
    }

    OPENFILENAMEA dialog = {};
    dialog.lStructSize = kDialogRecordSize;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = names;
    dialog.nMaxFile = kSelectionNamesSize;
    dialog.lpstrInitialDir = initialFolder;
    dialog.lpstrTitle = title;
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | (allowMultiple ? OFN_ALLOWMULTISELECT : 0);
    dialog.lpstrDefExt = defaultExtension;

    BOOL chosen = GetOpenFileNameA(&dialog);
    if (chosen) {
        FileSelection* made = new (std::nothrow)
            FileSelection{names, static_cast<std::uint32_t>(lstrlenA(names)) + 1};
        if (made == nullptr) {
            HeapFree(heap, 0, names);
            return 0;
        }
        *selection = made;
        return chosen;
    }

    DWORD code = CommDlgExtendedError();
    HeapFree(heap, 0, names);
    if (code == 0) {
        return 1; // cancelled or closed
    }
    char message[256];
    FormatSelectionFailure(code, message, sizeof message);
    MessageBoxA(owner, message, "異常発生", MB_OK | MB_ICONERROR);
    return 0;
}

int NextSelectedFile(FileSelection* selection, char* path) {
    if (selection == nullptr) {
        return 0;
    }
    return NextSelectionName(selection->names, kSelectionNamesSize, &selection->next, path,
                             MAX_PATH);
}

void FreeFileSelection(FileSelection* selection) {
    if (selection == nullptr) {
        return;
    }
    HeapFree(GetProcessHeap(), 0, selection->names);
    delete selection;
}
