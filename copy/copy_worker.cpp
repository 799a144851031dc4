#include "copy_worker.h"

#include "char_search.h"
#include "crc32.h"
#include "slice_plan.h"

namespace {

const DWORD kCopyFailed = 0xFFFFFFFF;

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
    Discard();
}

ProgressHook CopyWorker::SetProgressHook(ProgressHook hook) {
    return ReplaceHookWhileIdle(thread, progressHook, hook);
}

FailureHook CopyWorker::SetFailureHook(FailureHook hook) {
    return ReplaceHookWhileIdle(thread, failureHook, hook);
}

void CopyWorker::SetCheckHooks(ProgressHook progress, CheckedHook checked) {
    if (thread == nullptr) {
        checkProgressHook = progress;
        checkedHook = checked;
    }
}

int CopyWorker::Start(const char* payloadLocator, HANDLE fileFolder, const char* fileName,
                      bool commitAfter) {
    if (thread != nullptr) {
        Stop();
    }
    // A longer locator would overflow the worker's buffer or, cut short, name another
    // payload.
    if (!FitsPart(payloadLocator) || fileName == nullptr || stagedCount == kMostStaged) {
        return 0;
    }
    lstrcpyA(locator, payloadLocator);
    folder = fileFolder;
    name = fileName;
    commit = commitAfter;
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

void CopyWorker::Discard() {
    Stop();
    DiscardAll();
}

void CopyWorker::DiscardAll() {
    DiscardStaged(staged, stagedCount);
    stagedCount = 0;
}

DWORD WINAPI CopyWorker::CopyRoutine(LPVOID parameter) {
    CopyWorker* worker = static_cast<CopyWorker*>(parameter);
    DWORD error = ERROR_SUCCESS;
    int failed = 0;
    Outcome outcome = worker->CopyPayload(error, failed);
    // Every temporary is gone by the time anyone learns of a failure.
    if (outcome != Outcome::Complete) {
        worker->DiscardAll();
    }
    // A wait for a held file that Stop cut short is a cancel, not a failure.
    if (outcome == Outcome::Failed && worker->cancelRequested == 0 &&
        worker->failureHook != nullptr) {
        worker->failureHook(error, failed);
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

CopyWorker::Outcome CopyWorker::CopyPayload(DWORD& error, int& failed) {
    failed = stagedCount;
    const BYTE* bytes = nullptr;
    DWORD total = 0;
    if (!LockPayload(locator, bytes, total)) {
        error = ERROR_RESOURCE_NAME_NOT_FOUND;
        return Outcome::Failed;
    }
    StagedFile file{folder, name, INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
    error = CreateTemporary(file, &cancelRequested);
    if (error != ERROR_SUCCESS) {
        return Outcome::Failed;
    }
    staged[stagedCount++] = file; // from here on deleted with the others on any way out
    DWORD written = 0;
    for (;;) {
        if (cancelRequested != 0) {
            return Outcome::Cancelled;
        }
        DWORD length = NextSliceLength(total, written);
        if (length != 0) {
            // Straight from the locked resource: no intermediate copy.
            DWORD done = 0;
            if (!WriteFile(file.temporary, bytes + written, length, &done, nullptr)) {
                error = GetLastError();
                return Outcome::Failed;
            }
            // Success that leaves bytes behind: the volume is full.
            if (done != length) {
                error = ERROR_DISK_FULL;
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
    // The last slice is reported only once the payload is whole on the disk, and
    // with commit once every payload is in place.
    if (!FlushFileBuffers(file.temporary)) {
        error = GetLastError();
        return Outcome::Failed;
    }
    if (cancelRequested != 0) {
        return Outcome::Cancelled;
    }
    if (commit) {
        error = CommitStaged(staged, stagedCount, &cancelRequested, failed);
        if (error != ERROR_SUCCESS) {
            return Outcome::Failed;
        }
        stagedCount = 0;
    }
    if (progressHook != nullptr) {
        progressHook(PercentWritten(written, total));
    }
    return Outcome::Complete;
}
