#include "copy_worker.h"
#include "crc32.h"
#include "held_folder.h"
#include "dialog_input.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// Reaches the worker's thread handle, which nothing else of the program reads.
struct CopyWorkerProbe {
    // Waits until the copy thread has ended and gives its exit code; the worker keeps
    // the handle, so it still counts as busy.
    static DWORD WaitForExitCode(CopyWorker& worker) {
        if (worker.thread == nullptr) {
            return STILL_ACTIVE;
        }
        WaitForSingleObject(worker.thread, INFINITE);
        DWORD code = STILL_ACTIVE;
        GetExitCodeThread(worker.thread, &code);
        return code;
    }
    // As Stop starts, without waiting for the thread.
    static void Cancel(CopyWorker& worker) { worker.cancelRequested = 1; }
};

namespace {

const DWORD kFailed = 0xFFFFFFFF;

struct HookCall {
    DWORD thread;
    DWORD percent;
};

std::mutex callsMutex;
std::vector<HookCall> calls;
std::atomic<int> hookSleepMs{0};
std::atomic<int> failures{0};

int RecordingHook(DWORD percent) {
    {
        std::lock_guard<std::mutex> lock(callsMutex);
        calls.push_back({GetCurrentThreadId(), percent});
    }
    if (hookSleepMs > 0) {
        Sleep(hookSleepMs);
    }
    return 1;
}

int OtherHook(DWORD) {
    return 1;
}

std::atomic<DWORD> lastError{ERROR_SUCCESS};

std::atomic<int> lastFailedFile{-1};

void CountingFailureHook(DWORD error, int file) {
    ++failures;
    lastError = error;
    lastFailedFile = file;
}

std::atomic<int> checkedCalls{0};
std::atomic<bool> checkedIntact{false};

void RecordingCheckedHook(bool intact) {
    ++checkedCalls;
    checkedIntact = intact;
}

std::vector<HookCall> Calls() {
    std::lock_guard<std::mutex> lock(callsMutex);
    return calls;
}

size_t CallCount() {
    return Calls().size();
}

size_t CallsOnThread(DWORD thread) {
    size_t count = 0;
    for (const HookCall& call : Calls()) {
        count += call.thread == thread ? 1 : 0;
    }
    return count;
}

void WaitForCalls(size_t count) {
    for (DWORD start = GetTickCount();
         CallCount() < count && GetTickCount() - start < StretchedWait(10000);) {
        Sleep(5);
    }
    ASSERT_GE(CallCount(), count) << "the copy made no progress";
}

std::string PayloadBytes(const char* name) {
    HRSRC resource = FindResourceA(nullptr, name, "BINARY");
    if (resource == nullptr) {
        ADD_FAILURE() << "test payload missing: " << name;
        return std::string();
    }
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(nullptr, resource)));
    return std::string(bytes, SizeofResource(nullptr, resource));
}

DWORD Attributes(const std::string& path) {
    return GetFileAttributesA(path.c_str());
}

// The file's bytes; "<missing>" when it cannot be read.
std::string FileBytes(const std::string& path) {
    std::string bytes;
    return ReadWholeFile(path, bytes) ? bytes : "<missing>";
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    ASSERT_TRUE(WriteWholeFile(path, bytes)) << path;
}

class CopyWorkerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::lock_guard<std::mutex> lock(callsMutex);
        calls.clear();
        hookSleepMs = 0;
        failures = 0;
        checkedCalls = 0;
    }

    void TearDown() override { CloseHandle(held_); }

    std::string Path(const std::string& name) const { return folder_.Path(name); }

    // Starts a copy of locator into name [lives until committed or discarded] in the
    // test's folder, held as the installer holds it, and waits for its thread to end;
    // gives the thread's exit code.
    DWORD CopyToEnd(CopyWorker& worker, const std::string& locator, const char* name,
                    bool commit = true) {
        EXPECT_EQ(worker.Start(locator.c_str(), held_, name, commit), 1);
        DWORD code = CopyWorkerProbe::WaitForExitCode(worker);
        worker.Stop();
        return code;
    }

    TestFolder folder_;
    HANDLE held_ =
        CreateFileA(folder_.Path().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
};

struct PayloadCase {
    const char* name;
    std::uint32_t slice; // bytes per full slice
    size_t hookCalls;    // one per slice (and one for an empty payload)
    size_t existingSize; // size of a file of that name before the copy, 0 for none
};

const PayloadCase kPayloads[] = {
    {"COPY_TEST_0", 1, 1, 300},           // truncated to nothing, 100 reported once
    {"COPY_TEST_50", 1, 50, 0},           // under 100 bytes: one byte per slice, never zero
    {"COPY_TEST_114", 1, 114, 0},         // the signature texts' size
    {"COPY_TEST_200", 2, 100, 0},         // a multiple of 100
    {"COPY_TEST_676", 6, 113, 5000},      // 112 slices of 6, one of 4, over a longer file
    {"COPY_TEST_1000000", 10000, 100, 0}, // a million bytes: 100 slices, no rest
    {"COPY_TEST_1000057", 10000, 101, 0}, // 100 full slices and a rest of 57
};

TEST_F(CopyWorkerTest, WritesThePayloadWholeAndReportsEverySlice) {
    CopyWorker worker;
    worker.SetProgressHook(RecordingHook);
    worker.SetFailureHook(CountingFailureHook);
    for (const PayloadCase& c : kPayloads) {
        SCOPED_TRACE(c.name);
        {
            std::lock_guard<std::mutex> lock(callsMutex);
            calls.clear();
        }
        std::string name = std::string(c.name) + ".bin";
        std::string path = Path(name);
        if (c.existingSize != 0) {
            WriteBytes(path, std::string(c.existingSize, '\xEE'));
        }
        std::string payload = PayloadBytes(c.name);

        EXPECT_EQ(CopyToEnd(worker, std::string("%BINARY%") + c.name, name.c_str()), 0u);

        EXPECT_TRUE(FileBytes(path) == payload) << "file differs from the payload";
        EXPECT_EQ(Attributes(path + kTemporarySuffix), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(Attributes(path + kBackupSuffix), INVALID_FILE_ATTRIBUTES);
        std::vector<HookCall> seen = Calls();
        ASSERT_EQ(seen.size(), c.hookCalls);
        for (size_t k = 1; k <= seen.size(); ++k) {
            std::uint64_t written = std::min<std::uint64_t>(k * c.slice, payload.size());
            std::uint64_t percent = payload.empty() ? 100 : written * 100 / payload.size();
            EXPECT_EQ(seen[k - 1].percent, percent) << "call " << k;
            EXPECT_NE(seen[k - 1].thread, GetCurrentThreadId()) << "hook ran on the caller";
        }
        // Exact values above: rising, and 100 only with the last call.
        EXPECT_EQ(seen.back().percent, 100u);
    }
    EXPECT_EQ(failures, 0);
}

TEST_F(CopyWorkerTest, UnknownPayloadEndsWithoutHookOrFile) {
    const char* const kLocators[] = {
        "%BINARY%NO_SUCH_PAYLOAD",
        "%OTHER%COPY_TEST_114", // the type is part of the name
        "COPY_TEST_114",        // no percent sign
        "%BINARY",              // no separator
    };
    CopyWorker worker;
    worker.SetProgressHook(RecordingHook);
    worker.SetFailureHook(CountingFailureHook);
    for (const char* locator : kLocators) {
        SCOPED_TRACE(locator);
        EXPECT_EQ(FindPayload(locator), nullptr);
        EXPECT_EQ(CopyToEnd(worker, locator, "never.bin"), kFailed);
        EXPECT_EQ(CallCount(), 0u);
        EXPECT_EQ(Attributes(Path("never.bin")), INVALID_FILE_ATTRIBUTES);
    }
    EXPECT_EQ(failures, 4);
    HRSRC found = FindPayload("%BINARY%COPY_TEST_676");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(SizeofResource(nullptr, found), 676u);
}

// The pauses of a hold's wait, counted and not slept; the worker is cancelled at pause
// cancelAtPause, as a close of the dialog then would, and at the latest at the
// thousandth, many more than the window holds.
std::atomic<int> pauses{0};
int cancelAtPause = 0;
CopyWorker* pausing = nullptr;

void CountingPause(std::uint32_t) {
    if (++pauses == cancelAtPause || pauses == 1000) {
        CopyWorkerProbe::Cancel(*pausing);
    }
}

// Every row stages first.xp3 over an older file, then commits it with the row's own
// file: whatever stops the commit leaves both files as they were, and no temporary.
TEST_F(CopyWorkerTest, ACommitThatCannotFinishLeavesEveryFileAsItWas) {
    // The game holds its archive open without sharing while it runs.
    std::string held = Path("held.xp3");
    WriteBytes(held, "kept");
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    std::string readOnly = Path("read-only.xp3");
    WriteBytes(readOnly, "kept");
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(CreateDirectoryA(Path("folder.xp3").c_str(), nullptr));
    // A stale temporary that cannot be removed: creating the file anyway could
    // follow a link left at that name.
    std::string staleTemporary = Path("stale.xp3") + kTemporarySuffix;
    WriteBytes(staleTemporary, "stale");
    ASSERT_TRUE(SetFileAttributesA(staleTemporary.c_str(), FILE_ATTRIBUTE_READONLY));
    // Its old file cannot be moved aside: the first file, already moved, goes back.
    WriteBytes(Path("aside.xp3"), "kept");
    ASSERT_TRUE(CreateDirectoryA((Path("aside.xp3") + kBackupSuffix).c_str(), nullptr));
    const std::string tooLong(256, 'n');

    struct {
        const char* what;
        const char* name;
        bool temporaryStays;
        int pauses;        // -1: the whole window
        int cancelAtPause; // 0: never
    } const kCases[] = {
        {"held open without sharing", "held.xp3", false, -1, 0},
        {"held, and closed during the wait", "held.xp3", false, 1, 1},
        {"read-only", "read-only.xp3", false, 0, 0},
        {"a folder of that name", "folder.xp3", false, 0, 0},
        {"a name longer than a folder takes", tooLong.c_str(), false, 0, 0},
        {"a stale temporary that cannot be removed", "stale.xp3", true, 0, 0},
        {"its old file cannot be moved aside", "aside.xp3", false, 0, 0},
    };
    CopyWorker worker;
    worker.SetProgressHook(RecordingHook);
    worker.SetFailureHook(CountingFailureHook);
    pausing = &worker;
    HoldPause sleep = HoldWaitPause;
    HoldWaitPause = CountingPause;
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        WriteBytes(Path("first.xp3"), "older first");
        failures = 0;
        ASSERT_EQ(CopyToEnd(worker, "%BINARY%COPY_TEST_114", "first.xp3", false), 0u);
        EXPECT_EQ(Attributes(Path("first.xp3") + kTemporarySuffix),
                  static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
        {
            std::lock_guard<std::mutex> lock(callsMutex);
            calls.clear();
        }
        pauses = 0;
        cancelAtPause = c.cancelAtPause;
        EXPECT_EQ(CopyToEnd(worker, "%BINARY%COPY_TEST_676", c.name), kFailed);
        // A cancel is no failure to report.
        EXPECT_EQ(failures, c.cancelAtPause == 0 ? 1 : 0);
        if (c.cancelAtPause == 0) {
            EXPECT_NE(lastError, static_cast<DWORD>(ERROR_SUCCESS)) << "no reason to show";
            // The file that stopped it: the second staged, or the first for a fault
            // that stops the commit's moves after the first was made.
            EXPECT_EQ(lastFailedFile, 1);
        }
        if (c.pauses < 0) {
            EXPECT_GT(pauses, 1);
        } else {
            EXPECT_EQ(pauses, c.pauses);
        }
        EXPECT_TRUE(Calls().empty() || Calls().back().percent < 100);
        EXPECT_EQ(FileBytes(Path("first.xp3")), "older first");
        std::string path = Path(c.name);
        EXPECT_EQ(Attributes(path + kTemporarySuffix) != INVALID_FILE_ATTRIBUTES, c.temporaryStays);
        for (const char* name : {"first.xp3", c.name}) {
            EXPECT_EQ(Attributes(Path(name) + kBackupSuffix) != INVALID_FILE_ATTRIBUTES,
                      std::string(name) == "aside.xp3")
                << name;
        }
        EXPECT_EQ(Attributes(Path("first.xp3") + kTemporarySuffix), INVALID_FILE_ATTRIBUTES);
    }
    HoldWaitPause = sleep;
    EXPECT_EQ(Attributes(Path("stale.xp3")), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(FileBytes(staleTemporary), "stale");
    SetFileAttributesA(staleTemporary.c_str(), FILE_ATTRIBUTE_NORMAL);
    CloseHandle(holder);
    EXPECT_EQ(FileBytes(held), "kept");
    EXPECT_EQ(FileBytes(readOnly), "kept");
    EXPECT_EQ(FileBytes(Path("aside.xp3")), "kept");
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Attributes(Path("folder.xp3")), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

TEST_F(CopyWorkerTest, ChecksThePayloadsAgainstTheirDigests) {
    const std::string big = PayloadBytes("COPY_TEST_1000000");
    const std::string rest = PayloadBytes("COPY_TEST_1000057");
    const DWORD bigCrc = Crc32(big.data(), big.size());
    const DWORD restCrc = Crc32(rest.data(), rest.size());
    const PayloadDigest kIntact[] = {{"%BINARY%COPY_TEST_1000000", bigCrc},
                                     {"%BINARY%COPY_TEST_1000057", restCrc}};
    const PayloadDigest kDamaged[] = {{"%BINARY%COPY_TEST_1000000", bigCrc},
                                      {"%BINARY%COPY_TEST_1000057", restCrc ^ 1}};
    const PayloadDigest kMissing[] = {{"%BINARY%NO_SUCH_PAYLOAD", 0},
                                      {"%BINARY%COPY_TEST_1000057", restCrc}};
    const struct {
        const char* what;
        const PayloadDigest* table;
        bool intact;
    } kCases[] = {{"intact", kIntact, true},
                  {"a digest that differs", kDamaged, false},
                  {"a payload missing", kMissing, false}};
    CopyWorker worker;
    worker.SetCheckHooks(RecordingHook, RecordingCheckedHook);
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        {
            std::lock_guard<std::mutex> lock(callsMutex);
            calls.clear();
        }
        checkedCalls = 0;
        ASSERT_EQ(worker.StartCheck(c.table, 2), 1);
        CopyWorkerProbe::WaitForExitCode(worker);
        worker.Stop();
        EXPECT_EQ(checkedCalls, 1);
        EXPECT_EQ(checkedIntact, c.intact);
        std::vector<HookCall> seen = Calls();
        for (size_t k = 1; k < seen.size(); ++k) {
            EXPECT_GT(seen[k].percent, seen[k - 1].percent);
        }
        if (c.intact) {
            ASSERT_FALSE(seen.empty());
            EXPECT_EQ(seen.back().percent, 100u);
        }
    }

    // Stopped while it checks: no outcome is reported.
    hookSleepMs = 200;
    checkedCalls = 0;
    ASSERT_EQ(worker.StartCheck(kIntact, 2), 1);
    WaitForCalls(1);
    worker.Stop();
    EXPECT_EQ(checkedCalls, 0);
}

TEST_F(CopyWorkerTest, StopWhileIdleDoesNothing) {
    CopyWorker worker;
    worker.Stop();
    worker.Stop();
    EXPECT_EQ(worker.SetProgressHook(RecordingHook), nullptr);
    EXPECT_EQ(worker.SetProgressHook(RecordingHook), RecordingHook); // still idle
    EXPECT_EQ(CopyToEnd(worker, "%BINARY%COPY_TEST_200", "a.bin"), 0u);
    worker.Stop();
    EXPECT_EQ(worker.SetProgressHook(RecordingHook), RecordingHook);
}

TEST_F(CopyWorkerTest, StartDuringACopyCancelsItAfterItsSliceAndStartsTheNext) {
    CopyWorker worker;
    worker.SetProgressHook(RecordingHook);
    std::string first = Path("first.xp3");
    hookSleepMs = 20;
    ASSERT_EQ(worker.Start("%BINARY%COPY_TEST_1000000", held_, "first.xp3", false), 1);
    WaitForCalls(3);
    DWORD firstThread = Calls()[0].thread;

    // The caller's locator may change as soon as Start returns.
    char locator[MAX_PATH] = "%BINARY%COPY_TEST_676";
    hookSleepMs = 0;
    ASSERT_EQ(worker.Start(locator, held_, "second.ini", true), 1);
    size_t firstCalls = CallsOnThread(firstThread);
    lstrcpyA(locator, "%BINARY%COPY_TEST_114");

    EXPECT_EQ(CopyWorkerProbe::WaitForExitCode(worker), 0u);
    worker.Stop();
    // The first copy was joined inside Start: it made no call after, and left
    // neither its file nor its temporary behind.
    EXPECT_EQ(CallsOnThread(firstThread), firstCalls);
    EXPECT_LT(firstCalls, 100u);
    EXPECT_EQ(Attributes(first), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Attributes(first + kTemporarySuffix), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(FileBytes(Path("second.ini")) == PayloadBytes("COPY_TEST_676"));
    EXPECT_EQ(Calls().back().percent, 100u);
}

TEST_F(CopyWorkerTest, HookChangesOnlyWhileIdle) {
    CopyWorker worker;
    worker.SetProgressHook(RecordingHook);
    hookSleepMs = 5;
    ASSERT_EQ(worker.Start("%BINARY%COPY_TEST_114", held_, "a.sig", true), 1);
    EXPECT_EQ(worker.SetProgressHook(OtherHook), nullptr);
    // A finished copy still counts as busy until it is joined.
    EXPECT_EQ(CopyWorkerProbe::WaitForExitCode(worker), 0u);
    EXPECT_EQ(CallCount(), 114u); // every call still reached the first hook
    EXPECT_EQ(worker.SetProgressHook(OtherHook), nullptr);
    worker.Stop();
    EXPECT_EQ(worker.SetProgressHook(OtherHook), RecordingHook);
}

TEST_F(CopyWorkerTest, DestroyingTheWorkerStopsTheCopyAfterItsSliceAndDeletesWhatItStaged) {
    std::string path = Path("patch2.xp3");
    WriteBytes(path, "older archive");
    auto* worker = new CopyWorker;
    worker->SetProgressHook(RecordingHook);
    worker->SetFailureHook(CountingFailureHook);
    // Written whole and waiting for the commit, as the rows before the one that runs.
    ASSERT_EQ(CopyToEnd(*worker, "%BINARY%COPY_TEST_114", "patch.xp3", false), 0u);
    // Between two rows, the worker idle: only the destruction discards.
    worker->Stop();
    EXPECT_NE(Attributes(Path("patch.xp3") + kTemporarySuffix), INVALID_FILE_ATTRIBUTES);
    hookSleepMs = 20;
    ASSERT_EQ(worker->Start("%BINARY%COPY_TEST_1000000", held_, "patch2.xp3", true), 1);
    WaitForCalls(2);
    delete worker;
    size_t callsAtExit = CallCount();
    Sleep(100);
    EXPECT_EQ(CallCount(), callsAtExit);
    EXPECT_LT(callsAtExit, 214u);
    EXPECT_EQ(failures, 0); // a cancel is no failure to report
    EXPECT_EQ(FileBytes(path), "older archive");
    EXPECT_EQ(Attributes(path + kTemporarySuffix), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Attributes(Path("patch.xp3")), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Attributes(Path("patch.xp3") + kTemporarySuffix), INVALID_FILE_ATTRIBUTES);
}

TEST_F(CopyWorkerTest, StartRefusesStringsThatDoNotFitAndStaysIdle) {
    std::string longLocator = "%BINARY%COPY_TEST_114" + std::string(260, 'x');
    CopyWorker worker;
    worker.SetProgressHook(RecordingHook);
    struct {
        const char* what;
        const char* locator;
        const char* name;
    } const kRefused[] = {
        {"locator of 260 bytes or more", longLocator.c_str(), "a.sig"},
        {"null locator", nullptr, "a.sig"},
        {"null name", "%BINARY%COPY_TEST_114", nullptr},
    };
    for (const auto& c : kRefused) {
        SCOPED_TRACE(c.what);
        // A copy in flight is stopped first, as by any Start.
        hookSleepMs = 20;
        ASSERT_EQ(worker.Start("%BINARY%COPY_TEST_1000000", held_, "big.xp3", true), 1);
        WaitForCalls(1);
        EXPECT_EQ(worker.Start(c.locator, held_, c.name, true), 0);
        size_t callsAfter = CallCount();
        EXPECT_EQ(worker.SetProgressHook(RecordingHook), RecordingHook) << "worker not idle";
        Sleep(50);
        EXPECT_EQ(CallCount(), callsAfter);
        std::lock_guard<std::mutex> lock(callsMutex);
        calls.clear();
    }
    EXPECT_EQ(Attributes(Path("a.sig")), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Attributes(Path("big.xp3") + kTemporarySuffix), INVALID_FILE_ATTRIBUTES);
}

} // namespace
