// The decisions of the install sequence, in one place: what "修正" does in each
// state, which row comes next, when the table is done, and which buttons each state
// leaves enabled. Platform-free; the dialog procedure carries them out.
#ifndef APP_INSTALL_SEQUENCE_H
#define APP_INSTALL_SEQUENCE_H

// Preparing: while the folder is located or a box of ours is up (the prompt, the
// browser and a box run message loops that still deliver what other programs post
// to the dialog).
// Checking: the worker checks the payloads against their digests, then the
// destinations.
// Failed: a copy or the commit failed; every game file is as it was.
enum class PatchState { Ready, Preparing, Checking, Copying, Failed, Done };

constexpr int kNoRow = -1;

struct ButtonStates {
    bool repair; // "修正"
    bool exit;   // "終了"
};

// Ready, Preparing, Failed: both; Checking, Copying: neither; Done: only "終了".
ButtonStates ButtonsFor(PatchState state);

enum class RepairAction {
    None,          // a press is being handled, a copy runs, or the table is done
    LocateAndCopy, // make sure of the install folder, then copy the current row
    Resume,        // write every row again, into the folder already held
};

// What "修正" does in state. The keyboard or another program can deliver the press
// although the button is disabled, so every state answers.
RepairAction ActionOnRepair(PatchState state);

// A payload finished while copying: advances entryIndex [in/out] and gives the
// next row to start, or kNoRow when the table is done.
int NextRowAfterPayload(int& entryIndex, int rowCount);

// Whether a folder of folderChars characters, its closing backslash included, takes
// name [in] (relative to it, a backslash after each subfolder) with extraChars more
// while it is written: the file within Windows' path limit, and each subfolder on its
// way within the limit for making a folder. Counted in characters, as Windows counts.
bool FolderTakesName(int folderChars, const char* name, int extraChars);

#endif
