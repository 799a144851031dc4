// The decisions of the install sequence, in one place: which row comes next, when
// the table is done, and which buttons each state leaves enabled. Platform-free;
// the dialog procedure carries them out.
#ifndef APP_INSTALL_SEQUENCE_H
#define APP_INSTALL_SEQUENCE_H

enum class PatchState { Ready, Copying, Done };

constexpr int kNoRow = -1;

struct ButtonStates {
    bool repair; // "修正"
    bool exit;   // "終了"
};

// Ready: both; Copying: neither; Done: only "終了".
ButtonStates ButtonsFor(PatchState state);

// "修正" with the install folder accepted: the row to start, or kNoRow where the
// press must start nothing (a copy runs, or the table is done; the keyboard can
// deliver the press although the button is disabled).
int RowToStartOnRepair(PatchState state, int entryIndex);

// A payload finished while copying: advances entryIndex [in/out] and gives the
// next row to start, or kNoRow when the table is done.
int NextRowAfterPayload(int& entryIndex, int rowCount);

#endif
