// What would stop the payloads from replacing their files, looked at before anything
// is written, and the folders the rows go into, held: everything below the game folder
// is reached from GameFolder, one name at a time.
#ifndef APP_DESTINATION_CHECKS_H
#define APP_DESTINATION_CHECKS_H

#include <windows.h>

#include <atomic>

// Size of a buffer for DestinationsReady's and RowFolder's message.
constexpr int kCheckMessageSize = 1024;

// The folder that fileName [relative to the game folder, a backslash after each
// subfolder; lives as long as the program] goes into, and its name there [out]:
// GameFolder, or a subfolder below it, each opened from the one above it by its name
// alone and held until the program ends, without delete sharing, so that nobody can
// rename it and put a link in its place. With make, those missing are made. null with
// message when a link, a file or another program stands in the way; null with message
// empty when a folder is missing (without make) or cannot be made, GetLastError saying
// why.
HANDLE RowFolder(const char* fileName, bool make, const char*& name,
                 char (&message)[kCheckMessageSize]);

// Looks at every row: the subfolders on the way, what a run killed half-way left (its
// commit is finished, its temporaries removed), then a folder in a destination's place,
// a destination that is read-only, one that another program holds open or runs from,
// and the free space that every payload needs at once. A hold is waited out for a few
// seconds, or until cancel is set, so this belongs off the dialog's thread. false,
// with a message for the user that names the cause and the file in message, when
// something stands in the way.
bool DestinationsReady(const std::atomic<int>* cancel, char (&message)[kCheckMessageSize]);

#endif
