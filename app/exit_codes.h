// The installer's exit codes besides the dialog's own (1 after a normal close, -1
// when the dialog cannot be created).
#ifndef APP_EXIT_CODES_H
#define APP_EXIT_CODES_H

// The process code page is not 932: every text and file name would be misread.
// The user was told so and nothing was touched.
constexpr int kExitNeedsJapaneseCodePage = 932;

#endif
