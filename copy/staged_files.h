// The payloads of one install, each written whole beside the file it replaces and
// kept open, then put in place together: the archives override each other in order
// and the check tool verifies each against its signature, so a game patched half-way
// is a state nobody tested. Anything that stops the install before the commit leaves
// every game file as it was.
#ifndef COPY_STAGED_FILES_H
#define COPY_STAGED_FILES_H

#include <windows.h>

#include <atomic>

// A payload is written under its file's name followed by this, in the same folder; a
// run that was killed leaves it so, and the next one removes it.
constexpr char kTemporarySuffix[] = ".part";
// While the commit runs, the file a payload replaces keeps its content under its name
// followed by this, until every payload is in place.
constexpr char kBackupSuffix[] = ".part-old";

// The most files one install stages: the publisher's list holds at most as many.
constexpr int kMostStaged = 256;

struct StagedFile {
    HANDLE folder;    // [in] the held folder the file goes into
    const char* name; // [in] its name there; lives as long as the entry
    HANDLE temporary; // the payload, whole, open as name + kTemporarySuffix
    HANDLE replaced;  // while committing: the file it replaces, taken, or INVALID_HANDLE_VALUE
};

// Creates file's temporary anew, without sharing, after removing a stale entry of
// that name (a link goes, not what it points to); each waits out a brief hold until
// cancel is set. ERROR_SUCCESS with file.temporary open, or the system's reason.
DWORD CreateTemporary(StagedFile& file, const std::atomic<int>* cancel);

// Puts count staged files in place, in order, in one short step. First each file to be
// replaced is taken, without sharing, a brief hold waited out until cancel is set: a
// hold that lasts stops the commit with nothing moved. Then each is moved aside under
// kBackupSuffix and its payload takes its name; should a move fail, those moved are
// put back. Last the replaced files are deleted. ERROR_SUCCESS with every temporary
// closed in its place; else the system's reason, failed [out] the entry that stopped
// it, and every file as it was, the temporaries still open for DiscardStaged.
DWORD CommitStaged(StagedFile* files, int count, const std::atomic<int>* cancel, int& failed);

// Deletes the count staged temporaries through their handles.
void DiscardStaged(StagedFile* files, int count);

#endif
