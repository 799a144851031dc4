// The installer's exit codes besides the dialog's own (1 after a normal close, -1
// when the dialog cannot be created).
#ifndef APP_EXIT_CODES_H
#define APP_EXIT_CODES_H

// The process code page is not 932: every text and file name would be misread.
// The user was told so and nothing was touched.
constexpr int kExitNeedsJapaneseCodePage = 932;

// Another copy of the installer runs, on this machine in any session: the user was
// told so and nothing was touched. ERROR_ALREADY_EXISTS's number.
constexpr int kExitAlreadyRunning = 183;

#endif
