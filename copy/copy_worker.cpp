#include "copy_worker.h"

#include "slice_plan.h"

namespace {

const DWORD kCopyFailed = 0xFFFFFFFF;

// The payload's file while it is written under its temporary name: closed on every
// way out of the copy, and deleted unless it has been put in the destination's place.
class TemporaryFile {
  public:
    // Removes a stale entry of that name first (a link goes, not what it points to)
    // and then insists on creating the file anew: the program runs elevated in a
    // folder other users may write to, and must never write through their links.
    explicit TemporaryFile(const char* path) : path_(path) {
        DeleteFileA(path);
        handle_ = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
        created_ = handle_ != INVALID_HANDLE_VALUE;
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

    // Flushes the file and moves it over destination in one step: the directory
    // entry is swapped, so the old file stays whole until then and a link at the
    // destination's name is replaced, not followed. A read-only destination, or one
    // that another program holds open, refuses.
    bool ReplaceDestination(const char* destination) {
        bool flushed = FlushFileBuffers(handle_) != FALSE;
        Close();
        // Wine renames over a read-only file; Windows refuses, and so do we.
        DWORD attributes = GetFileAttributesA(destination);
        bool readOnly =
            attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
        if (!flushed || readOnly ||
            !MoveFileExA(path_, destination, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return false;
        }
        created_ = false; // it is the destination now
        return true;
    }

  private:
    void Close() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
            handle_ = INVALID_HANDLE_VALUE;
        }
    }

    const char* path_;
    HANDLE handle_;
    bool created_;
};

// True when text, followed by suffix, and its terminator fit a part buffer.
bool FitsPart(const char* text, const char* suffix = "") {
    return text != nullptr &&
           lstrlenA(text) + lstrlenA(suffix) < static_cast<int>(kLocatorPartSize);
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

CopyWorker::~CopyWorker() {
    Stop();
}

ProgressHook CopyWorker::SetProgressHook(ProgressHook hook) {
    return ReplaceHookWhileIdle(thread, progressHook, hook);
}

FailureHook CopyWorker::SetFailureHook(FailureHook hook) {
    return ReplaceHookWhileIdle(thread, failureHook, hook);
}

int CopyWorker::Start(const char* payloadLocator, const char* destinationPath) {
    if (thread != nullptr) {
        Stop();
    }
    // A longer string would overflow the worker's buffers or, cut short, name a
    // different file.
    if (!FitsPart(payloadLocator) || !FitsPart(destinationPath, kTemporarySuffix)) {
        return 0;
    }
    lstrcpyA(locator, payloadLocator);
    lstrcpyA(destination, destinationPath);
    wsprintfA(temporary, "%s%s", destinationPath, kTemporarySuffix);
    thread = CreateThread(nullptr, 0, CopyRoutine, this, 0, &threadId);
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
    Outcome outcome = worker->CopyPayload();
    if (outcome == Outcome::Failed && worker->failureHook != nullptr) {
        worker->failureHook();
    }
    ExitThread(outcome == Outcome::Complete ? 0 : kCopyFailed);
}

CopyWorker::Outcome CopyWorker::CopyPayload() {
    const BYTE* bytes = nullptr;
    DWORD total = 0;
    if (!LockPayload(locator, bytes, total)) {
        return Outcome::Failed;
    }

    TemporaryFile file(temporary);
    if (file.Get() == INVALID_HANDLE_VALUE) {
        return Outcome::Failed;
    }
    DWORD written = 0;
    for (;;) {
        if (cancelRequested != 0) {
            return Outcome::Cancelled;
        }
        DWORD length = NextSliceLength(total, written);
        if (length != 0) {
            DWORD done = 0;
            // Straight from the locked resource: no intermediate copy. A write that
            // reports success but leaves bytes behind counts as failed.
            if (!WriteFile(file.Get(), bytes + written, length, &done, nullptr) || done != length) {
                return Outcome::Failed;
            }
            written += done;
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
        return Outcome::Failed;
    }
    if (progressHook != nullptr) {
        progressHook(PercentWritten(written, total));
    }
    return Outcome::Complete;
}
