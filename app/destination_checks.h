// What would stop the rows still to be written from replacing their files, looked at
// before anything is written: a patch that stops half-way leaves new and old
// archives mixed, and the game may not start.
#ifndef APP_DESTINATION_CHECKS_H
#define APP_DESTINATION_CHECKS_H

#include <windows.h>

// Size of a buffer for DestinationsReady's message.
constexpr int kCheckMessageSize = 1024;

// Looks at the rows from firstRow on, to be written into folder (ending in a
// backslash): a destination that another program holds open, one that is read-only,
// a subfolder on the way that is a link or a file, and the free space they need.
// false, with a message for the user that names the cause and the file in message,
// when something stands in the way.
bool DestinationsReady(const char* folder, int firstRow, char (&message)[kCheckMessageSize]);

#endif
