// What would stop the rows still to be written from replacing their files, looked at
// before anything is written: a patch that stops half-way leaves new and old
// archives mixed, and the game may not start.
#ifndef APP_DESTINATION_CHECKS_H
#define APP_DESTINATION_CHECKS_H

#include <windows.h>

#include <atomic>

// Size of a buffer for DestinationsReady's message.
constexpr int kCheckMessageSize = 1024;

// Looks at the rows from firstRow on, to be written into folder (ending in a
// backslash): refuses a subfolder on the way that is a link or a file, removes a
// temporary of ours that an earlier run left beside a destination, then looks for a
// folder in a destination's place, a destination that is read-only, one
// that another program holds open or runs from, and the free space they need. A
// hold is waited out for a few seconds, or until cancel is set, so this belongs off
// the dialog's thread. false, with a message for the user that names the cause and
// the file in message, when something stands in the way.
bool DestinationsReady(const char* folder, int firstRow, const std::atomic<int>* cancel,
                       char (&message)[kCheckMessageSize]);

#endif
