// The copy worker: writes one embedded payload into one file on a thread of its own,
// in slices, and reports the percentage written after every slice.
#ifndef COPY_COPY_WORKER_H
#define COPY_COPY_WORKER_H

#include <windows.h>

#include <atomic>

#include "char_search.h"
#include "payload_locator.h"
#include "staged_files.h"

// Called on the copy thread after every slice with the percentage written, 0 to 100;
// exactly one call, the last of a complete copy, reports 100, and it comes once the
// payload is whole and flushed beside its file, or, for the copy that commits, once
// every staged payload is in place. The result is ignored.
typedef int (*ProgressHook)(DWORD percent);

// Called on the copy thread when a copy ends without its payload staged or committed
// for any reason but a cancel: no such payload, or a file that could not be written or
// put in place, with the system's error code for it and the staged file that stopped
// it (counted from 0, the first copy after a commit or a discard). Every staged
// temporary is gone by then, and every file keeps what it held before.
typedef void (*FailureHook)(DWORD error, int file);

// Called on the worker's thread when a payload check has looked at every payload
// (not when it is cancelled): true when each matched its digest.
typedef void (*CheckedHook)(bool intact);

// One payload for the check: its locator and the CRC-32 the build computed of it.
struct PayloadDigest {
    const char* locator;
    DWORD crc32;
};

enum class CheckOutcome { Intact, Damaged, Cancelled };

// Checks count payloads [in] against their digests on the calling thread, in
// stretches. Between stretches it looks at cancel (null: never cancelled) and gives
// progress (null: none) the whole percentage of all their bytes checked, when it
// changes. A payload that is missing counts as damaged.
CheckOutcome CheckPayloadDigests(const PayloadDigest* payloads, int count,
                                 const std::atomic<int>* cancel, ProgressHook progress);

// The "BINARY"-style resource of the running program that a locator such as
// "%BINARY%ID_PATCH1" names, or null when there is none or the locator is malformed.
HRSRC FindPayload(const char* locator);

// The bytes [out] and size [out] of the payload that locator names, locked in place
// in the running program's resources; false when there is none or it cannot be
// locked. The bytes live as long as the program.
bool LockPayload(const char* locator, const BYTE*& bytes, DWORD& size);

// Copies one payload at a time into a temporary beside its file, and keeps it open
// until the copy that commits puts them all in place. Busy exactly while a copy thread
// handle is held: from Start until the next Start or Stop joins the thread, even after
// it has finished. Start, Stop, Discard, the hook setters and destruction belong to one
// thread (the dialog's); the hooks must not call them.
class CopyWorker {
  public:
    CopyWorker() = default;
    ~CopyWorker();
    CopyWorker(const CopyWorker&) = delete;
    CopyWorker& operator=(const CopyWorker&) = delete;

    // While idle: installs hook and returns the one it replaces. While busy: changes
    // nothing and returns null.
    ProgressHook SetProgressHook(ProgressHook hook);
    // The same for the failure hook.
    FailureHook SetFailureHook(FailureHook hook);
    // The same for the check's hooks: progress gets the whole percentage of all
    // payload bytes checked so far when it changes, checked the outcome.
    void SetCheckHooks(ProgressHook progress, CheckedHook checked);

    // Stops a copy still held, then, on a new thread, writes the payload that
    // payloadLocator names into name + kTemporarySuffix in folder [held by the caller,
    // and name kept, until the file is committed or discarded], and keeps it open,
    // staged. With commit, every staged file is then put in place (CommitStaged). The
    // worker keeps its own copy of the locator. Returns 1 when the thread runs; 0,
    // leaving the worker idle, when the locator is null or does not fit
    // kLocatorPartSize bytes, name is null, kMostStaged files are staged already, or
    // the thread cannot be created. Creating
    // the temporary and taking the files it replaces wait out another program's brief
    // hold; Stop cuts the wait short.
    int Start(const char* payloadLocator, HANDLE folder, const char* name, bool commit);

    // Stops a copy still held, then checks count payloads [in; the array and its
    // strings must live until the check is joined] against their digests on a new
    // thread. Returns 1 when the thread runs, 0 when it cannot be created.
    int StartCheck(const PayloadDigest* payloads, int count);

    // Requests cancellation, waits for the copy thread to finish its current slice,
    // and returns the worker to idle; the staged files stay. A cancelled copy deletes
    // every staged temporary, and leaves every file as it was. Nothing happens while
    // idle.
    void Stop();

    // Stops a copy still held and deletes every staged temporary.
    void Discard();

    // Set while Stop waits for the thread: work done on it for the worker's hooks ends
    // early when it is.
    const std::atomic<int>* CancelFlag() const { return &cancelRequested; }

  private:
    // Tests read the finished thread's exit code.
    friend struct CopyWorkerProbe;

    enum class Outcome { Complete, Failed, Cancelled };

    static DWORD WINAPI CopyRoutine(LPVOID parameter);
    static DWORD WINAPI CheckRoutine(LPVOID parameter);
    Outcome CopyPayload(DWORD& error, int& failed);
    int StartThread(LPTHREAD_START_ROUTINE routine);
    void DiscardAll();

    DWORD threadId = 0;
    HANDLE thread = nullptr;
    ProgressHook progressHook = nullptr;
    FailureHook failureHook = nullptr;
    ProgressHook checkProgressHook = nullptr;
    CheckedHook checkedHook = nullptr;
    // Written by the dialog's thread while the copy thread reads it between slices.
    std::atomic<int> cancelRequested{0};
    // Owned by the worker; replaced by each Start, read only by the copy thread.
    char locator[kLocatorPartSize] = {};
    HANDLE folder = nullptr;
    const char* name = nullptr;
    bool commit = false;
    // The temporaries written since the last commit or discard, in order, each open;
    // touched by the copy thread while it runs and by the dialog's thread while idle.
    int stagedCount = 0;
    StagedFile staged[kMostStaged];
    // The check's table, the caller's; read only by the check thread.
    const PayloadDigest* checkPayloads = nullptr;
    int checkCount = 0;
};

#endif
