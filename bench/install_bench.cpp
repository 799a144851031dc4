// Measures the installer where it runs, and the limit its design allows there.
//
// The install: the real installer is started and driven from outside, as a user
// would; the time runs from the press of "修正" to the completion box, with the
// sixteen payloads going into a fresh default folder. Its memory is read from
// outside while it works and while the dialog rests.
//
// Its responsiveness, from outside too: the time from the press to the first change
// the dialog shows (its status line, file line, bar or buttons, once its thread
// answers again and can paint it), and the longest wait for an answer to a WM_NULL
// that a watcher thread sends it every few milliseconds throughout.
//
// The limit: the design writes each payload in 100 to 199 slices and moves the
// progress bar once per slice with a synchronous message, so no install can be
// faster than writing the payloads (the floor: one WriteFile per file from the
// locked resource into a temporary file, its flush and its move over the
// destination, on one thread, measured here with the same embedded payloads)
// plus the payload check below, plus one progress round trip per slice: the
// installer's own progress hook, called from a worker thread, updating the bar of
// the installer's own dialog, shown, on a dialog thread, averaged.
// Where the time of a slice goes is broken down beside it: finding the bar, the
// message round trip alone, the bar's own work, and one WriteFile call.
//
// The payload check: the installer reads all its payloads once against their digests
// on every press of "修正"; timed here apart, in this program, over the same
// embedded payloads (part of the install time above), with the digest speed of
// each of its two ways.
//
// The benchmark measures the payloads it embeds; it drives an installer built from
// the same set. ./dev.sh bench builds it for the sample set and a large one.
// Usage: install_bench INSTALLER_EXE [RUNS]   (7 runs by default; prints figures, asserts nothing)
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "copy_worker.h"
#include "crc32.h"
#include "installer_driver.h"
#include "patch_dialog.h"
#include "payload_check.h"
#include "payload_manifest.h"
#include "resource.h"
#include "slice_plan.h"
#include "system_dll.h"
#include "test_files.h"

namespace {

const char kDefaultFolder[] = "C:\\Program Files\\ルミナコ";
// Rounds of the install's progress updates replayed for the round trip.
const int kRoundTripRounds = 5;
// How often the driver looks for the completion box and reads the memory figures,
// and how often the watcher asks the dialog whether it answers.
const DWORD kPollMs = 2;
const DWORD kMemoryEveryMs = 10;
const DWORD kWatchEveryMs = 5;
// One-byte writes timed for the cost of one WriteFile call.
const DWORD kWriteCalls = 2000;

double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Memory {
    SIZE_T workingSet = 0;
    SIZE_T peakWorkingSet = 0;
    SIZE_T privateBytes = 0;
};

Memory ReadMemory(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    Memory memory;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters)) {
        memory.workingSet = counters.WorkingSetSize;
        memory.peakWorkingSet = counters.PeakWorkingSetSize;
        // The commit charge: Windows reports it in both fields, Wine in the first only.
        memory.privateBytes = std::max(counters.PagefileUsage, counters.PrivateUsage);
    }
    return memory;
}

void KeepLargest(Memory& largest, const Memory& sample) {
    largest.workingSet = std::max(largest.workingSet, sample.workingSet);
    largest.peakWorkingSet = std::max(largest.peakWorkingSet, sample.peakWorkingSet);
    largest.privateBytes = std::max(largest.privateBytes, sample.privateBytes);
}

void FreshFolder(const std::string& folder) {
    RemoveTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
}

// The payload of a manifest row as this program carries it: the same resources.
bool EmbeddedPayload(const ManifestEntry& row, const BYTE*& bytes, DWORD& size) {
    char locator[MAX_PATH];
    wsprintfA(locator, row.locator);
    return LockPayload(locator, bytes, size);
}

// True when folder holds every payload with its full size.
bool AllPayloadsWritten(const std::string& folder) {
    for (const ManifestEntry& row : PayloadManifest) {
        const BYTE* bytes = nullptr;
        DWORD size = 0;
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!EmbeddedPayload(row, bytes, size) ||
            !GetFileAttributesExA((folder + "\\" + row.fileName).c_str(), GetFileExInfoStandard,
                                  &data) ||
            data.nFileSizeHigh != 0 || data.nFileSizeLow != size) {
            return false;
        }
    }
    return true;
}

struct InstallRun {
    bool ok = false;
    double installMs = 0;
    double firstChangeMs = -1;
    double longestSilenceMs = 0;
    Memory rest;
    Memory during;
};

// What the dialog shows: its two text lines, its bar and its buttons. The texts are
// read without a message (another process's window texts come from the system).
struct DialogLook {
    std::string status;
    std::string file;
    DWORD_PTR bar = 0;
    BOOL repair = FALSE;
    BOOL exit = FALSE;
    bool operator==(const DialogLook& o) const {
        return status == o.status && file == o.file && bar == o.bar && repair == o.repair &&
               exit == o.exit;
    }
};

DialogLook LookAt(HWND dialog) {
    DialogLook look;
    look.status = WindowTextOf(GetDlgItem(dialog, IDC_STATUS));
    look.file = WindowTextOf(GetDlgItem(dialog, IDC_FILE));
    SendMessageTimeoutA(GetDlgItem(dialog, IDC_PROGRESS), PBM_GETPOS, 0, 0, SMTO_NORMAL, 60000,
                        &look.bar);
    look.repair = IsWindowEnabled(GetDlgItem(dialog, IDOK));
    look.exit = IsWindowEnabled(GetDlgItem(dialog, IDCANCEL));
    return look;
}

// Waits until the dialog's thread answers: only then can it paint what changed.
void WaitForAnswer(HWND dialog) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
}

// Sends the dialog WM_NULL every kWatchEveryMs and keeps the longest wait for the answer.
struct Watcher {
    HWND dialog = nullptr;
    std::atomic<bool> stop{false};
    double longestMs = 0;
};

DWORD WINAPI WatchDialog(LPVOID parameter) {
    auto* watcher = static_cast<Watcher*>(parameter);
    while (!watcher->stop) {
        double start = NowMs();
        WaitForAnswer(watcher->dialog);
        watcher->longestMs = std::max(watcher->longestMs, NowMs() - start);
        Sleep(kWatchEveryMs);
    }
    return 0;
}

InstallRun RunInstaller(const std::string& exe) {
    InstallRun run;
    FreshFolder(kDefaultFolder);
    InstallerProcess installer;
    if (!installer.Start(exe)) {
        return run;
    }
    HWND dialog = installer.WaitForWindow("Vek", "#32770", 60000);
    if (dialog == nullptr) {
        return run;
    }
    Sleep(500); // painted and idle: the dialog at rest
    run.rest = ReadMemory(installer.Handle());
    DialogLook before = LookAt(dialog);
    Watcher watcher;
    watcher.dialog = dialog;
    HANDLE watching = CreateThread(nullptr, 0, WatchDialog, &watcher, 0, nullptr);

    double pressed = NowMs();
    PressButton(dialog, IDOK);
    double lastMemory = pressed;
    // The status line says "修正完了" just before the box: reading it costs the
    // installer's platform far less than looking through every window for the box.
    HWND status = GetDlgItem(dialog, IDC_STATUS);
    HWND box = nullptr;
    for (;;) {
        double now = NowMs();
        if (now - pressed > 300000) {
            break;
        }
        if (run.firstChangeMs < 0 && !(LookAt(dialog) == before)) {
            WaitForAnswer(dialog);
            run.firstChangeMs = NowMs() - pressed;
        }
        if (now - lastMemory >= kMemoryEveryMs) {
            KeepLargest(run.during, ReadMemory(installer.Handle()));
            lastMemory = now;
        }
        std::string line = WindowTextOf(status);
        if (line == "修正完了") {
            box = installer.WaitForMessageBox("報告", "完了しました。", 10000);
            break;
        }
        if (line == "コピー失敗") {
            break;
        }
        Sleep(run.firstChangeMs >= 0 ? kPollMs : 1);
    }
    run.installMs = NowMs() - pressed;
    watcher.stop = true;
    if (watching != nullptr) {
        WaitForSingleObject(watching, INFINITE);
        CloseHandle(watching);
    }
    run.longestSilenceMs = watcher.longestMs;
    if (box == nullptr) {
        return run;
    }
    KeepLargest(run.during, ReadMemory(installer.Handle()));

    PressButton(box, IDOK);
    WaitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)) != FALSE; }, 10000);
    PressButton(dialog, IDCANCEL);
    run.ok = installer.WaitForExit(10000) == 1 && AllPayloadsWritten(kDefaultFolder);
    return run;
}

// The floor: the same payloads into the same kind of fresh folder, one WriteFile
// each from the locked resource into a temporary file created as the copy worker
// creates it, flushed, and moved over the destination as the worker moves it.
double RunFloor() {
    FreshFolder(kDefaultFolder);
    double start = NowMs();
    for (const ManifestEntry& row : PayloadManifest) {
        const BYTE* bytes = nullptr;
        DWORD size = 0;
        if (!EmbeddedPayload(row, bytes, size)) {
            return -1;
        }
        std::string path = std::string(kDefaultFolder) + "\\" + row.fileName;
        std::string temporary = path + kTemporarySuffix;
        HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return -1;
        }
        DWORD done = 0;
        bool written =
            WriteFile(file, bytes, size, &done, nullptr) && done == size && FlushFileBuffers(file);
        CloseHandle(file);
        if (!written || !MoveFileExA(temporary.c_str(), path.c_str(),
                                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return -1;
        }
    }
    return NowMs() - start;
}

struct BarDialog {
    HANDLE ready;
    HWND dialog;
    DWORD threadId;
};

// The dialog thread: the installer's own dialog, template and procedure, set up as
// it sets itself up (nothing is pressed), and a message loop.
DWORD WINAPI BarDialogThread(LPVOID parameter) {
    auto* shared = static_cast<BarDialog*>(parameter);
    shared->dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PATCH),
                                        nullptr, PatchDialogProc, 0);
    SetEvent(shared->ready);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(shared->dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    DestroyWindow(shared->dialog);
    return 0;
}

// The positions the copy worker reports, payload after payload: one per slice,
// the whole percentage written. Some repeat (a 114-byte payload moves by less
// than one percent per slice), and the bar repaints only when its position moves.
std::vector<WPARAM> InstallPositions() {
    std::vector<WPARAM> positions;
    for (const ManifestEntry& row : PayloadManifest) {
        const BYTE* bytes = nullptr;
        DWORD size = 0;
        if (!EmbeddedPayload(row, bytes, size)) {
            continue;
        }
        for (DWORD written = 0; written < size;) {
            written += NextSliceLength(size, written);
            positions.push_back(PercentWritten(written, size));
        }
    }
    return positions;
}

// Mean milliseconds of send(position) over one install's positions, replayed from
// the start, after a warm-up.
template <typename Send> double MeanMs(const std::vector<WPARAM>& positions, Send send) {
    for (std::size_t i = 0; i < 200; ++i) {
        send(positions[i % positions.size()]);
    }
    double start = NowMs();
    for (WPARAM position : positions) {
        send(position);
    }
    return (NowMs() - start) / static_cast<double>(positions.size());
}

// From this thread to a bar on the dialog thread: the median over kRoundTripRounds
// rounds, each way once per round, so that a busy moment of the machine falls on
// one round of every way rather than on all of one.
struct RoundTrips {
    double productMs = -1; // the installer's progress hook, as the copy thread calls it
    double heldBarMs = -1; // PBM_SETPOS to the bar's handle, held
    double nullMs = -1;    // WM_NULL to the bar: the message round trip alone
    double lookupMs = -1;  // GetDlgItem alone
};

RoundTrips MeasureRoundTrips() {
    RoundTrips result;
    BarDialog shared{CreateEventA(nullptr, TRUE, FALSE, nullptr), nullptr, 0};
    HANDLE thread = CreateThread(nullptr, 0, BarDialogThread, &shared, 0, &shared.threadId);
    if (thread == nullptr) {
        CloseHandle(shared.ready);
        return result;
    }
    WaitForSingleObject(shared.ready, INFINITE);
    if (shared.dialog != nullptr) {
        ShowWindow(shared.dialog, SW_SHOW);
        Sleep(300); // shown and painted
        HWND dialog = shared.dialog;
        HWND bar = GetDlgItem(dialog, IDC_PROGRESS);
        std::vector<WPARAM> positions = InstallPositions();
        if (!positions.empty()) {
            // The installer's own dialog procedure set up the dialog for its hook;
            // past the last row the hook posts nothing at 100.
            EntryIndex = kPayloadCount;
            std::vector<double> product, held, null, lookup;
            for (int round = 0; round < kRoundTripRounds; ++round) {
                product.push_back(
                    MeanMs(positions, [](WPARAM p) { OnCopyProgress(static_cast<DWORD>(p)); }));
                held.push_back(
                    MeanMs(positions, [bar](WPARAM p) { SendMessageA(bar, PBM_SETPOS, p, 0); }));
                null.push_back(
                    MeanMs(positions, [bar](WPARAM) { SendMessageA(bar, WM_NULL, 0, 0); }));
                lookup.push_back(
                    MeanMs(positions, [dialog](WPARAM) { GetDlgItem(dialog, IDC_PROGRESS); }));
            }
            result.productMs = Median(product);
            result.heldBarMs = Median(held);
            result.nullMs = Median(null);
            result.lookupMs = Median(lookup);
        }
    }
    PostThreadMessageA(shared.threadId, WM_QUIT, 0, 0);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    CloseHandle(shared.ready);
    return result;
}

// Mean milliseconds of one WriteFile call of one byte, into a file of the install
// folder created as the copy worker creates its temporary.
double MeanWriteCallMs() {
    FreshFolder(kDefaultFolder);
    std::string path = std::string(kDefaultFolder) + "\\write-calls" + kTemporarySuffix;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return -1;
    }
    const char byte = 'x';
    DWORD done = 0;
    double start = NowMs();
    for (DWORD i = 0; i < kWriteCalls; ++i) {
        WriteFile(file, &byte, 1, &done, nullptr);
    }
    double mean = (NowMs() - start) / kWriteCalls;
    CloseHandle(file);
    DeleteFileA(path.c_str());
    return mean;
}

// Calls visit(bytes, size) for each payload this program embeds, in table order.
template <typename Visit> void ForEachEmbeddedPayload(Visit visit) {
    for (const ManifestEntry& row : PayloadManifest) {
        const BYTE* bytes = nullptr;
        DWORD size = 0;
        if (EmbeddedPayload(row, bytes, size)) {
            visit(bytes, size);
        }
    }
}

// Bytes of all the payloads this program embeds.
double TotalBytes() {
    double total = 0;
    ForEachEmbeddedPayload([&](const BYTE*, DWORD size) { total += size; });
    return total;
}

volatile std::uint32_t DigestSink;

// Milliseconds of one digest way over all the embedded payloads.
double DigestMs(std::uint32_t (*digest)(const void*, std::size_t)) {
    double start = NowMs();
    std::uint32_t sum = 0;
    ForEachEmbeddedPayload([&](const BYTE* bytes, DWORD size) { sum ^= digest(bytes, size); });
    double elapsed = NowMs() - start;
    DigestSink = sum; // the digests must be computed
    return elapsed;
}

DWORD TotalSlices() {
    DWORD slices = 0;
    ForEachEmbeddedPayload([&](const BYTE*, DWORD size) { slices += WriteCount(size); });
    return slices;
}

DWORD WINAPI WaitForRelease(LPVOID release) {
    WaitForSingleObject(static_cast<HANDLE>(release), INFINITE);
    return 0;
}

// What threads cost the platform in private bytes, measured in this process
// before it starts any: what its first thread leaves behind once joined, and
// what one more thread holds while it lives (the installer keeps one copy
// thread at a time).
struct ThreadCost {
    double firstKiB = 0;
    double liveKiB = 0;
};

ThreadCost MeasureThreadCost() {
    HANDLE self = GetCurrentProcess();
    HANDLE release = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    double before = static_cast<double>(ReadMemory(self).privateBytes);
    HANDLE first = CreateThread(nullptr, 0, WaitForRelease, release, 0, nullptr);
    WaitForSingleObject(first, INFINITE);
    CloseHandle(first);
    double afterFirst = static_cast<double>(ReadMemory(self).privateBytes);
    ResetEvent(release);
    HANDLE live = CreateThread(nullptr, 0, WaitForRelease, release, 0, nullptr);
    Sleep(100);
    double whileLive = static_cast<double>(ReadMemory(self).privateBytes);
    SetEvent(release);
    WaitForSingleObject(live, INFINITE);
    CloseHandle(live);
    CloseHandle(release);
    ThreadCost cost;
    cost.firstKiB = (afterFirst - before) / 1024.0;
    cost.liveKiB = (whileLive - afterFirst) / 1024.0;
    return cost;
}

double KiB(SIZE_T bytes) {
    return static_cast<double>(bytes) / 1024.0;
}

void PrintRuns(const char* what, const std::vector<double>& values) {
    std::printf("  %-22s", what);
    for (double value : values) {
        std::printf(" %8.1f", value);
    }
    std::printf("  ms\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: install_bench INSTALLER_EXE [RUNS]\n");
        return 2;
    }
    std::string exe = WindowsPath(argv[1]);
    int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    ThreadCost threadCost = MeasureThreadCost(); // first: before any thread of ours
    // The progress-bar class, as the installer has it.
    LoadSystemDll("comctl32.dll");

    std::vector<double> installs;
    std::vector<double> firstChanges;
    std::vector<double> silences;
    std::vector<double> floors;
    std::vector<double> checks;
    std::vector<double> folding;
    std::vector<double> tables;
    Memory rest;
    Memory during;
    double privateGrowth = 0; // the largest of the runs
    for (int i = 0; i < runs; ++i) {
        InstallRun run = RunInstaller(exe);
        if (!run.ok) {
            std::fprintf(stderr, "install run %d failed\n", i + 1);
            return 1;
        }
        installs.push_back(run.installMs);
        firstChanges.push_back(run.firstChangeMs);
        silences.push_back(run.longestSilenceMs);
        KeepLargest(rest, run.rest);
        KeepLargest(during, run.during);
        privateGrowth =
            std::max(privateGrowth, KiB(run.during.privateBytes) - KiB(run.rest.privateBytes));
        double floor = RunFloor();
        if (floor < 0) {
            std::fprintf(stderr, "floor run %d failed\n", i + 1);
            return 1;
        }
        floors.push_back(floor);
        double checkStart = NowMs();
        if (!PayloadsIntact()) {
            std::fprintf(stderr, "payload check run %d failed\n", i + 1);
            return 1;
        }
        checks.push_back(NowMs() - checkStart);
        if (Crc32FoldingAvailable()) {
            folding.push_back(DigestMs(Crc32ByFolding));
        }
        tables.push_back(DigestMs(Crc32ByTables));
    }
    double writeCallMs = MeanWriteCallMs();
    RemoveTree(kDefaultFolder);
    RoundTrips trips = MeasureRoundTrips();
    DWORD slices = TotalSlices();
    double bytes = TotalBytes();

    double install = Median(installs);
    // Run by run: an install and the floor after it share the disk's state, and the
    // writeback of the run before (500 MiB at the large size) lands on either one.
    std::vector<double> ratios;
    for (size_t i = 0; i < installs.size(); ++i) {
        ratios.push_back(installs[i] / (floors[i] + checks[i] + slices * trips.productMs));
    }
    double floor = Median(floors);
    double check = Median(checks);
    double limit = floor + check + slices * trips.productMs;
    std::printf("Payloads: %.0f bytes (%.1f MiB); %d-bit installer and benchmark\n", bytes,
                bytes / 1048576, static_cast<int>(sizeof(void*) * 8));
    std::printf("Runs (%d of each, interleaved):\n", runs);
    PrintRuns("install", installs);
    PrintRuns("first visible change", firstChanges);
    PrintRuns("longest without answer", silences);
    PrintRuns("floor", floors);
    PrintRuns("payload check", checks);
    std::printf("Install time, press of the button to the completion box (median): %8.1f ms\n",
                install);
    std::printf("Press to the first visible change on the dialog (median):          %8.1f ms"
                "   (target <= 100 ms)\n",
                Median(firstChanges));
    std::printf("Longest the dialog went without answering (largest of the runs):  %8.1f ms"
                "   (target <= 100 ms; WM_NULL every %lu ms)\n",
                *std::max_element(silences.begin(), silences.end()),
                static_cast<unsigned long>(kWatchEveryMs));
    std::printf("Floor: 16 payloads, one WriteFile, flush and move each (median):   %8.1f ms\n",
                floor);
    std::printf("Progress round trip as the installer sends it (median of %d):       %8.3f ms\n",
                kRoundTripRounds, trips.productMs);
    std::printf("Total slices (progress updates):                                   %8lu\n",
                static_cast<unsigned long>(slices));
    std::printf("Limit: floor + payload check + slices x round trip:                %8.1f ms\n",
                limit);
    std::printf("Ratio install / limit, each run against its own floor (median):   %8.3f"
                "   (target <= 1.15)\n",
                Median(ratios));
    std::printf("Payload check, 16 payloads read once (median):                     %8.1f ms"
                "   (%.1f %% of the install; target < 5 %%)\n",
                check, 100 * check / install);
    std::printf("Digest speed over the embedded payloads (median): carry-less multiplication ");
    if (folding.empty()) {
        std::printf("not on this processor");
    } else {
        std::printf("%.2f GB/s", bytes / Median(folding) / 1e6);
    }
    std::printf(", tables %.2f GB/s\n", bytes / Median(tables) / 1e6);
    std::printf("Where a slice's time goes (per slice, ms):\n");
    std::printf("  install beyond the floor and the check, over the slices:     %8.3f\n",
                (install - floor - check) / slices);
    std::printf("  the progress hook, as the installer calls it:                %8.3f\n",
                trips.productMs);
    std::printf("    finding the bar (GetDlgItem from the copy thread):         %8.3f\n",
                trips.lookupMs);
    std::printf("    PBM_SETPOS to the bar's handle, held:                      %8.3f\n",
                trips.heldBarMs);
    std::printf("    WM_NULL to the bar (the message round trip alone):         %8.3f\n",
                trips.nullMs);
    std::printf("  one WriteFile call of one byte (mean of %lu):              %8.3f\n",
                static_cast<unsigned long>(kWriteCalls), writeCallMs);
    std::printf("  the rest:                                                    %8.3f\n",
                (install - floor - check) / slices - trips.productMs - writeCallMs);
    std::printf("Memory of the installer (largest over the runs):\n");
    std::printf("  at rest:        working set %8.0f KiB, private bytes %8.0f KiB\n",
                KiB(rest.workingSet), KiB(rest.privateBytes));
    std::printf("  during install: working set %8.0f KiB (peak %8.0f KiB), private bytes %8.0f"
                " KiB\n",
                KiB(during.workingSet), KiB(during.peakWorkingSet), KiB(during.privateBytes));
    std::printf("  private bytes during install - at rest (largest of the runs): %+.0f KiB"
                "   (target <= 1024 KiB)\n",
                privateGrowth);
    std::printf(
        "  the platform's cost of threads (private bytes, measured in the benchmark):\n"
        "    the first thread of a process leaves %+.0f KiB, a live thread holds %+.0f KiB\n",
        threadCost.firstKiB, threadCost.liveKiB);
    std::printf("  private bytes during install beyond those two: %+.0f KiB\n",
                privateGrowth - threadCost.firstKiB - threadCost.liveKiB);
    return 0;
}
