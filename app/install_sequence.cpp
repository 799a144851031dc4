#include "install_sequence.h"

ButtonStates ButtonsFor(PatchState state) {
    switch (state) {
    case PatchState::Ready:
        return {true, true};
    case PatchState::Copying:
        return {false, false};
    case PatchState::Done:
        break;
    }
    return {false, true};
}

int RowToStartOnRepair(PatchState state, int entryIndex) {
    return state == PatchState::Ready ? entryIndex : kNoRow;
}

int NextRowAfterPayload(int& entryIndex, int rowCount) {
    ++entryIndex;
    return entryIndex < rowCount ? entryIndex : kNoRow;
}
