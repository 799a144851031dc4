// The copy worker: writes one embedded payload into one file on a thread of its own,
// in slices, and reports the percentage written after every slice.
#ifndef COPY_COPY_WORKER_H
#define COPY_COPY_WORKER_H

#include <windows.h>

#include <atomic>

#include "char_search.h"
#include "hold_retry.h"
#include "payload_locator.h"

// Called on the copy thread after every slice with the percentage written, 0 to 100;
// exactly one call, the last of a complete copy, reports 100, and it comes once the
// file is in place. The result is ignored.
typedef int (*ProgressHook)(DWORD percent);

// Called on the copy thread when a copy ends without its file in place for any
// reason but a cancel: no such payload, or the file could not be written or put in
// place, with the system's error code for it. The destination then keeps what it
// held before.
typedef void (*FailureHook)(DWORD error);

// Called on the copy thread right after the temporary is created, with its handle:
// false when it did not land in the folder it was meant for (a folder on the way was
// turned into a link since the checks). The temporary is then deleted through its
// handle, nothing is written, and the copy fails with kLandedElsewhere.
typedef bool (*PlacedHook)(HANDLE temporary);

// ERROR_REPARSE_POINT_ENCOUNTERED, which MinGW's headers lack.
constexpr DWORD kLandedElsewhere = 4395;

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

// A payload is written under the destination's name followed by this, in the same
// folder, and then put in the destination's place in one step.
constexpr char kTemporarySuffix[] = ".part";

// True when path is read-only or a folder: an access denied on it then lasts, and
// waiting for another program to let go of it would be in vain.
bool WaitCannotMend(const char* path);

// TryThroughHolds, sleeping between the tries on the calling thread.
DWORD WaitOutHolds(FileTry attempt, void* context, const std::atomic<int>* cancel);

// Deletes path, waiting out a brief hold on it; ERROR_SUCCESS also when there is
// nothing to delete, else the system's reason. A link goes, not what it points to.
DWORD RemoveFileThroughHolds(const char* path, const std::atomic<int>* cancel);

// The "BINARY"-style resource of the running program that a locator such as
// "%BINARY%ID_PATCH1" names, or null when there is none or the locator is malformed.
HRSRC FindPayload(const char* locator);

// The bytes [out] and size [out] of the payload that locator names, locked in place
// in the running program's resources; false when there is none or it cannot be
// locked. The bytes live as long as the program.
bool LockPayload(const char* locator, const BYTE*& bytes, DWORD& size);

// Copies one payload at a time. Busy exactly while a copy thread handle is held: from
// Start until the next Start or Stop joins the thread, even after it has finished.
// Start, Stop, SetProgressHook and destruction belong to one thread (the dialog's);
// the hook must not call them.
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
    // The same for the hook that judges where a temporary landed (null: anywhere).
    PlacedHook SetPlacedHook(PlacedHook hook);
    // The same for the check's hooks: progress gets the whole percentage of all
    // payload bytes checked so far when it changes, checked the outcome.
    void SetCheckHooks(ProgressHook progress, CheckedHook checked);

    // Stops a copy still held, then copies the payload that payloadLocator names into
    // the file destinationPath on a new thread. The worker keeps its own copies of
    // both strings. Returns 1 when the thread runs; 0, leaving the worker idle, when
    // either string is null, the locator does not fit kLocatorPartSize bytes, the
    // destination with kTemporarySuffix is not within Windows' kPathChars characters,
    // or the thread cannot be created. Creating, deleting and moving a file wait out
    // another program's brief hold on it; Stop cuts the wait short.
    int Start(const char* payloadLocator, const char* destinationPath);

    // Stops a copy still held, then checks count payloads [in; the array and its
    // strings must live until the check is joined] against their digests on a new
    // thread. Returns 1 when the thread runs, 0 when it cannot be created.
    int StartCheck(const PayloadDigest* payloads, int count);

    // Requests cancellation, waits for the copy thread to finish its current slice,
    // and returns the worker to idle. A cancelled copy leaves the destination as it
    // was. Nothing happens while idle.
    void Stop();

    // Set while Stop waits for the thread: work done on it for the worker's hooks ends
    // early when it is.
    const std::atomic<int>* CancelFlag() const { return &cancelRequested; }

  private:
    // Tests read the finished thread's exit code, and count a hold's pauses.
    friend struct CopyWorkerProbe;
    friend DWORD WaitOutHolds(FileTry attempt, void* context, const std::atomic<int>* cancel);
    static HoldPause holdPause;

    enum class Outcome { Complete, Failed, Cancelled };

    static DWORD WINAPI CopyRoutine(LPVOID parameter);
    static DWORD WINAPI CheckRoutine(LPVOID parameter);
    Outcome CopyPayload(DWORD& error);
    int StartThread(LPTHREAD_START_ROUTINE routine);

    DWORD threadId = 0;
    HANDLE thread = nullptr;
    ProgressHook progressHook = nullptr;
    FailureHook failureHook = nullptr;
    PlacedHook placedHook = nullptr;
    ProgressHook checkProgressHook = nullptr;
    CheckedHook checkedHook = nullptr;
    // Written by the dialog's thread while the copy thread reads it between slices.
    std::atomic<int> cancelRequested{0};
    // Owned by the worker; replaced by each Start, read only by the copy thread. The
    // two paths share one block of the heap, made by the first Start and freed with
    // the worker: a path of Windows' whole length in code page 932 is 520 bytes.
    char locator[kLocatorPartSize] = {};
    char* destination = nullptr;
    char* temporary = nullptr;
    // The check's table, the caller's; read only by the check thread.
    const PayloadDigest* checkPayloads = nullptr;
    int checkCount = 0;
};

#endif
