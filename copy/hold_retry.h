// How long a file operation waits out another program's brief hold on the file.
// Virus scanners, the search indexer and game launchers open a file that changes for
// a moment; a create, delete or move that meets such a hold succeeds a second later.
// Platform-free: the caller supplies the try and the pause.
#ifndef COPY_HOLD_RETRY_H
#define COPY_HOLD_RETRY_H

#include <atomic>
#include <cstdint>

// The system's codes for the failures a hold gives.
constexpr std::uint32_t kHoldAccessDenied = 5;
constexpr std::uint32_t kHoldSharingViolation = 32;
constexpr std::uint32_t kHoldLockViolation = 33;

// The longest a failing operation is retried, in pauses added up: a scanner's or
// indexer's look at a file takes well under a second, a program that keeps a file
// open keeps it longer than any wait, and the player waits no more than this for a
// report. The pauses start short and double up to kLongestHoldPauseMs, so a close of
// the dialog is noticed within that.
constexpr std::uint32_t kHoldWindowMs = 3000;
constexpr std::uint32_t kFirstHoldPauseMs = 10;
constexpr std::uint32_t kLongestHoldPauseMs = 100;

// True for the failures that another program's hold on a file gives.
bool IsHoldError(std::uint32_t error);

// One try of a file operation: 0 on success, else the system's error code. lasting
// [out] is set for an access denied that no wait mends (a read-only file, a folder).
typedef std::uint32_t (*FileTry)(void* context, bool& lasting);
typedef void (*HoldPause)(std::uint32_t milliseconds);

// Runs attempt until it succeeds or fails otherwise than by a hold, pausing between
// tries, for at most kHoldWindowMs of pauses; stops as soon as cancel (null: never)
// is set. The last try's result.
std::uint32_t TryThroughHolds(FileTry attempt, void* context, const std::atomic<int>* cancel,
                              HoldPause pause);

#endif
