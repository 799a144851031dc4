#include "copy_worker.h"

#include "char_search.h"
#include "crc32.h"
#include "slice_plan.h"

static_assert(kHoldAccessDenied == ERROR_ACCESS_DENIED &&
                  kHoldSharingViolation == ERROR_SHARING_VIOLATION &&
                  kHoldLockViolation == ERROR_LOCK_VIOLATION,
              "the hold errors are the system's");

namespace {

const DWORD kCopyFailed = 0xFFFFFFFF;

void SleepFor(std::uint32_t milliseconds) {
    Sleep(milliseconds);
}

std::uint32_t TryRemove(void* path, bool& lasting) {
    const char* file = static_cast<const char*>(path);
    if (DeleteFileA(file)) {
        return ERROR_SUCCESS;
    }
    DWORD error = GetLastError();
    lasting = WaitCannotMend(file);
    // Nothing there, or not even its folder: nothing to remove.
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ERROR_SUCCESS : error;
}

struct Move {
    const char* from;
    const char* to;
};

std::uint32_t TryMove(void* context, bool& lasting) {
    const Move* move = static_cast<const Move*>(context);
    if (MoveFileExA(move->from, move->to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return ERROR_SUCCESS;
    }
    DWORD error = GetLastError();
    lasting = WaitCannotMend(move->to);
    return error;
}

// The payload's file while it is written under its temporary name: closed on every
// way out of the copy, and deleted unless it has been put in the destination's place.
class TemporaryFile {
  public:
    // Removes a stale entry of that name first (a link goes, not what it points to)
    // and then insists on creating the file anew, without following a link that
    // appears meanwhile: the program runs elevated in a folder other users may write
    // to, and must never write through their links. An entry that cannot be removed
    // fails the copy.
    // Each step waits out a brief hold until cancel is set.
    TemporaryFile(const char* path, PlacedHook placed, const std::atomic<int>* cancel)
        : path_(path), placed_(placed), cancel_(cancel) {
        error_ = RemoveFileThroughHolds(path, cancel);
        // A name whose deletion is still pending (a scanner held it) refuses the
        // create with access denied for a moment.
        if (error_ == ERROR_SUCCESS) {
            error_ = WaitOutHolds(
                [](void* self, bool&) -> std::uint32_t {
                    return static_cast<TemporaryFile*>(self)->Create();
                },
                this, cancel);
        }
    }
    ~TemporaryFile() {
        Close();
        if (created_) {
            DeleteFileA(path_);
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    HANDLE Get() const { return handle_; }
    // Why the file could not be created, written or put in place.
    DWORD Error() const { return error_; }

    // Writes length bytes; a write that reports success but leaves bytes behind
    // counts as failed (the volume is full).
    bool Write(const BYTE* bytes, DWORD length) {
        DWORD done = 0;
        if (!WriteFile(handle_, bytes, length, &done, nullptr)) {
            error_ = GetLastError();
            return false;
        }
        if (done != length) {
            error_ = ERROR_DISK_FULL;
            return false;
        }
        return true;
    }

    // Flushes the file and moves it over destination in one step: the directory
    // entry is swapped, so the old file stays whole until then and a link at the
    // destination's name is replaced, not followed. A read-only destination, or one
    // that another program holds open, refuses.
    bool ReplaceDestination(const char* destination) {
        if (!FlushFileBuffers(handle_)) {
            error_ = GetLastError();
            return false;
        }
        Close();
        // Wine renames over a read-only file; Windows refuses, and so do we.
        DWORD attributes = GetFileAttributesA(destination);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            error_ = ERROR_ACCESS_DENIED;
            return false;
        }
        Move move{path_, destination};
        error_ = WaitOutHolds(TryMove, &move, cancel_);
        if (error_ != ERROR_SUCCESS) {
            return false;
        }
        created_ = false; // it is the destination now
        return true;
    }

  private:
    DWORD Create() {
        handle_ = CreateFileA(path_, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        created_ = handle_ != INVALID_HANDLE_VALUE;
        if (!created_) {
            return GetLastError();
        }
        if (placed_ != nullptr && !placed_(handle_)) {
            // Removed where it is, not by a name that leads through the link again.
            FILE_DISPOSITION_INFO gone = {TRUE};
            SetFileInformationByHandle(handle_, FileDispositionInfo, &gone, sizeof gone);
            Close();
            created_ = false;
            return kLandedElsewhere;
        }
        return ERROR_SUCCESS;
    }

    void Close() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
            handle_ = INVALID_HANDLE_VALUE;
        }
    }

    const char* path_;
    PlacedHook placed_;
    const std::atomic<int>* cancel_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    bool created_ = false;
    DWORD error_ = ERROR_SUCCESS;
};

// Bytes of a payload checked between two looks at the cancel flag: a fraction of a
// millisecond, so a close during the check ends it promptly.
const DWORD kCheckStretch = 1u << 20;

bool FitsPart(const char* text) {
    return text != nullptr && lstrlenA(text) < static_cast<int>(kLocatorPartSize);
}

// The copy thread reads the hooks without a lock: they change only while idle.
template <typename Hook> Hook ReplaceHookWhileIdle(HANDLE thread, Hook& slot, Hook hook) {
    if (thread != nullptr) {
        return nullptr;
    }
    Hook previous = slot;
    slot = hook;
    return previous;
}

} // namespace

bool WaitCannotMend(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0;
}

HoldPause CopyWorker::holdPause = SleepFor;

DWORD WaitOutHolds(FileTry attempt, void* context, const std::atomic<int>* cancel) {
    return TryThroughHolds(attempt, context, cancel, CopyWorker::holdPause);
}

DWORD RemoveFileThroughHolds(const char* path, const std::atomic<int>* cancel) {
    return WaitOutHolds(TryRemove, const_cast<char*>(path), cancel);
}

HRSRC FindPayload(const char* locator) {
    char type[kLocatorPartSize];
    char name[kLocatorPartSize];
    if (!SplitPayloadLocator(locator, type, name)) {
        return nullptr;
    }
    return FindResourceA(nullptr, name, type);
}

bool LockPayload(const char* locator, const BYTE*& bytes, DWORD& size) {
    HRSRC resource = FindPayload(locator);
    if (resource == nullptr) {
        return false;
    }
    size = SizeofResource(nullptr, resource);
    bytes = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, resource)));
    return bytes != nullptr || size == 0;
}

CheckOutcome CheckPayloadDigests(const PayloadDigest* payloads, int count,
                                 const std::atomic<int>* cancel, ProgressHook progress) {
    // Every payload is found first: the progress then counts bytes of the whole.
    unsigned long long total = 0;
    for (int row = 0; row < count; ++row) {
        const BYTE* bytes = nullptr;
        DWORD size = 0;
        if (!LockPayload(payloads[row].locator, bytes, size)) {
            return CheckOutcome::Damaged;
        }
        total += size;
    }
    unsigned long long checked = 0;
    DWORD shown = 0;
    for (int row = 0; row < count; ++row) {
        const BYTE* bytes = nullptr;
        DWORD size = 0;
        LockPayload(payloads[row].locator, bytes, size);
        std::uint32_t crc = 0;
        for (DWORD done = 0; done < size;) {
            if (cancel != nullptr && *cancel != 0) {
                return CheckOutcome::Cancelled;
            }
            DWORD length = size - done < kCheckStretch ? size - done : kCheckStretch;
            crc = Crc32(bytes + done, length, crc);
            done += length;
            checked += length;
            DWORD percent = static_cast<DWORD>(checked * 100 / total);
            if (percent != shown && progress != nullptr) {
                shown = percent;
                progress(percent);
            }
        }
        if (crc != payloads[row].crc32) {
            return CheckOutcome::Damaged;
        }
    }
    return CheckOutcome::Intact;
}

CopyWorker::~CopyWorker() {
    Stop();
    delete[] destination;
}

ProgressHook CopyWorker::SetProgressHook(ProgressHook hook) {
    return ReplaceHookWhileIdle(thread, progressHook, hook);
}

FailureHook CopyWorker::SetFailureHook(FailureHook hook) {
    return ReplaceHookWhileIdle(thread, failureHook, hook);
}

PlacedHook CopyWorker::SetPlacedHook(PlacedHook hook) {
    return ReplaceHookWhileIdle(thread, placedHook, hook);
}

void CopyWorker::SetCheckHooks(ProgressHook progress, CheckedHook checked) {
    if (thread == nullptr) {
        checkProgressHook = progress;
        checkedHook = checked;
    }
}

int CopyWorker::Start(const char* payloadLocator, const char* destinationPath) {
    if (thread != nullptr) {
        Stop();
    }
    // A longer string would overflow the worker's buffers or, cut short, name a
    // different file.
    if (!FitsPart(payloadLocator) || destinationPath == nullptr ||
        CountChars(destinationPath) + lstrlenA(kTemporarySuffix) >= kPathChars) {
        return 0;
    }
    lstrcpyA(locator, payloadLocator);
    if (destination == nullptr) {
        destination = new char[2 * kPathBytes];
        temporary = destination + kPathBytes;
    }
    lstrcpyA(destination, destinationPath);
    wsprintfA(temporary, "%s%s", destinationPath, kTemporarySuffix);
    return StartThread(CopyRoutine);
}

int CopyWorker::StartCheck(const PayloadDigest* payloads, int count) {
    if (thread != nullptr) {
        Stop();
    }
    checkPayloads = payloads;
    checkCount = payloads != nullptr ? count : 0;
    return StartThread(CheckRoutine);
}

int CopyWorker::StartThread(LPTHREAD_START_ROUTINE routine) {
    thread = CreateThread(nullptr, 0, routine, this, 0, &threadId);
    if (thread == nullptr) {
        threadId = 0;
        return 0;
    }
    return 1;
}

void CopyWorker::Stop() {
    if (thread == nullptr) {
        return;
    }
    cancelRequested = 1;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    threadId = 0;
    thread = nullptr;
    cancelRequested = 0;
}

DWORD WINAPI CopyWorker::CopyRoutine(LPVOID parameter) {
    CopyWorker* worker = static_cast<CopyWorker*>(parameter);
    // CopyPayload returns before the thread ends, so its file is closed and its
    // temporary gone by the time anyone learns of a failure.
    DWORD error = ERROR_SUCCESS;
    Outcome outcome = worker->CopyPayload(error);
    // A wait for a held file that Stop cut short is a cancel, not a failure.
    if (outcome == Outcome::Failed && worker->cancelRequested == 0 &&
        worker->failureHook != nullptr) {
        worker->failureHook(error);
    }
    ExitThread(outcome == Outcome::Complete ? 0 : kCopyFailed);
}

DWORD WINAPI CopyWorker::CheckRoutine(LPVOID parameter) {
    CopyWorker* worker = static_cast<CopyWorker*>(parameter);
    CheckOutcome outcome = CheckPayloadDigests(worker->checkPayloads, worker->checkCount,
                                               &worker->cancelRequested, worker->checkProgressHook);
    if (outcome != CheckOutcome::Cancelled && worker->checkedHook != nullptr) {
        worker->checkedHook(outcome == CheckOutcome::Intact);
    }
    ExitThread(outcome == CheckOutcome::Intact ? 0 : kCopyFailed);
}

CopyWorker::Outcome CopyWorker::CopyPayload(DWORD& error) {
    const BYTE* bytes = nullptr;
    DWORD total = 0;
    if (!LockPayload(locator, bytes, total)) {
        error = ERROR_RESOURCE_NAME_NOT_FOUND;
        return Outcome::Failed;
    }

    TemporaryFile file(temporary, placedHook, &cancelRequested);
    if (file.Get() == INVALID_HANDLE_VALUE) {
        error = file.Error();
        return Outcome::Failed;
    }
    DWORD written = 0;
    for (;;) {
        if (cancelRequested != 0) {
            return Outcome::Cancelled;
        }
        DWORD length = NextSliceLength(total, written);
        if (length != 0) {
            // Straight from the locked resource: no intermediate copy.
            if (!file.Write(bytes + written, length)) {
                error = file.Error();
                return Outcome::Failed;
            }
            written += length;
        }
        if (written >= total) {
            break;
        }
        if (progressHook != nullptr) {
            progressHook(PercentWritten(written, total));
        }
    }
    // The last slice is reported only once the file is in place: 100 percent means
    // installed, and a cancel until then leaves the destination as it was.
    if (cancelRequested != 0) {
        return Outcome::Cancelled;
    }
    if (!file.ReplaceDestination(destination)) {
        error = file.Error();
        return Outcome::Failed;
    }
    if (progressHook != nullptr) {
        progressHook(PercentWritten(written, total));
    }
    return Outcome::Complete;
}
