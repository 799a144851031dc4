#include "copy_worker.h"

#include "slice_plan.h"

namespace {

const DWORD kCopyFailed = 0xFFFFFFFF;

// Closes the destination on every way out of the copy.
class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE Get() const { return handle_; }

  private:
    HANDLE handle_;
};

// True when text and its terminator fit a part buffer.
bool FitsPart(const char* text) {
    return text != nullptr && lstrlenA(text) < static_cast<int>(kLocatorPartSize);
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

CopyWorker::~CopyWorker() {
    Stop();
}

ProgressHook CopyWorker::SetProgressHook(ProgressHook hook) {
    if (thread != nullptr) {
        return nullptr;
    }
    ProgressHook previous = progressHook;
    progressHook = hook;
    return previous;
}

int CopyWorker::Start(const char* payloadLocator, const char* destinationPath) {
    if (thread != nullptr) {
        Stop();
    }
    // A longer string would overflow the worker's buffers or, cut short, name a
    // different file.
    if (!FitsPart(payloadLocator) || !FitsPart(destinationPath)) {
        return 0;
    }
    lstrcpyA(locator, payloadLocator);
    lstrcpyA(destination, destinationPath);
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
    // CopyPayload returns before the thread ends, so its file handle is closed.
    ExitThread(static_cast<CopyWorker*>(parameter)->CopyPayload());
}

DWORD CopyWorker::CopyPayload() {
    HRSRC resource = FindPayload(locator);
    if (resource == nullptr) {
        return kCopyFailed;
    }
    HGLOBAL loaded = LoadResource(nullptr, resource);
    DWORD total = SizeofResource(nullptr, resource);
    const BYTE* bytes = static_cast<const BYTE*>(LockResource(loaded));
    if (bytes == nullptr && total != 0) {
        return kCopyFailed;
    }

    FileHandle file(CreateFileA(destination, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) {
        return kCopyFailed;
    }
    // An existing file keeps no byte of its old content past the new payload.
    if (!SetEndOfFile(file.Get())) {
        return kCopyFailed;
    }

    DWORD written = 0;
    while (cancelRequested == 0) {
        DWORD length = NextSliceLength(total, written);
        if (length != 0) {
            DWORD done = 0;
            // Straight from the locked resource: no intermediate copy. A write that
            // reports success but leaves bytes behind counts as failed.
            if (!WriteFile(file.Get(), bytes + written, length, &done, nullptr) || done != length) {
                return kCopyFailed;
            }
            written += done;
        }
        if (progressHook != nullptr) {
            progressHook(PercentWritten(written, total));
        }
        if (written >= total) {
            return 0;
        }
    }
    return kCopyFailed;
}
