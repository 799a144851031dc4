// Input to another thread's or process's dialog, as the tests give it, and how long
// they wait for it to act.
#ifndef TESTS_COMMON_DIALOG_INPUT_H
#define TESTS_COMMON_DIALOG_INPUT_H

#include <windows.h>

// Clicks a button of a dialog (BM_CLICK), without waiting for the dialog to act.
void PressButton(HWND dialog, int id);

// Posts the button's command straight to the dialog, as the keyboard can even
// while the button is disabled.
void PostCommand(HWND dialog, int id);

// timeoutMs times the factor in TEST_WAIT_STRETCH, where the programs run several
// times slower than on the machine's own CPU (32-bit Wine under qemu); INFINITE stays.
DWORD StretchedWait(DWORD timeoutMs);

#endif
