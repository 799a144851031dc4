// Input to another thread's or process's dialog, as the tests give it.
#ifndef TESTS_COMMON_DIALOG_INPUT_H
#define TESTS_COMMON_DIALOG_INPUT_H

#include <windows.h>

// Clicks a button of a dialog (BM_CLICK), without waiting for the dialog to act.
void PressButton(HWND dialog, int id);

// Posts the button's command straight to the dialog, as the keyboard can even
// while the button is disabled.
void PostCommand(HWND dialog, int id);

#endif
