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
// backslash): holds the game folder and the subfolders on the way, refusing one that
// is a link, a file or held by another program without sharing, removes a
// temporary of ours that an earlier run left beside a destination, then looks for a
// folder in a destination's place, a destination that is read-only, one
// that another program holds open or runs from, and the free space they need. A
// hold is waited out for a few seconds, or until cancel is set, so this belongs off
// the dialog's thread. false, with a message for the user that names the cause and
// the file in message, when something stands in the way.
bool DestinationsReady(const char* folder, int firstRow, const std::atomic<int>* cancel,
                       char (&message)[kCheckMessageSize]);

// Right before a row is written to path, a destination in folder: holds the game
// folder and each subfolder on the way again, making those missing below the game
// folder. false when one stands in the way, with the message; false with message
// empty when a folder cannot be made, GetLastError saying why. path is changed
// while it is walked and given back as it was.
bool RowFoldersReady(const char* folder, char* path, char (&message)[kCheckMessageSize]);

// The copy's check of a temporary it just created [in]: true unless the row last made
// ready by RowFoldersReady lies in a subfolder and the file is not in that folder, as
// when the folder, empty until then, was turned into a link since (which needs no more
// than the right to write its attributes, and no sharing keeps out). Once our file is
// in it, it cannot become one.
bool TemporaryInRowFolder(HANDLE temporary);

// Fills message with the box for a link found on the way to destination, naming
// destination's folder.
void SayLinkOnTheWay(const char* destination, char (&message)[kCheckMessageSize]);

#endif
