#include "install_sequence.h"

#include "char_search.h"

ButtonStates ButtonsFor(PatchState state) {
    switch (state) {
    case PatchState::Checking:
    case PatchState::Copying:
        return {false, false};
    case PatchState::Done:
        return {false, true};
    case PatchState::Ready:
    case PatchState::Preparing:
    case PatchState::Failed:
        break;
    }
    return {true, true};
}

RepairAction ActionOnRepair(PatchState state) {
    switch (state) {
    case PatchState::Ready:
        return RepairAction::LocateAndCopy;
    case PatchState::Failed:
        return RepairAction::Resume;
    case PatchState::Preparing:
    case PatchState::Checking:
    case PatchState::Copying:
    case PatchState::Done:
        break;
    }
    return RepairAction::None;
}

int NextRowAfterPayload(int& entryIndex, int rowCount) {
    ++entryIndex;
    return entryIndex < rowCount ? entryIndex : kNoRow;
}

bool FolderTakesName(int folderChars, const char* name, int extraChars) {
    int nameChars = CountChars(name);
    // The deepest subfolder holds the others; a trail byte 0x5C separates nothing.
    const char* lastSeparator = FindCharLast(name, '\\');
    int subfolderChars = lastSeparator != nullptr ? nameChars - CountChars(lastSeparator) : 0;
    return folderChars + nameChars + extraChars < kPathChars &&
           (lastSeparator == nullptr || folderChars + subfolderChars < kFolderChars);
}
