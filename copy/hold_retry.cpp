#include "hold_retry.h"

bool IsHoldError(std::uint32_t error) {
    return error == kHoldAccessDenied || error == kHoldSharingViolation ||
           error == kHoldLockViolation;
}

std::uint32_t TryThroughHolds(FileTry attempt, void* context, const std::atomic<int>* cancel,
                              HoldPause pause) {
    std::uint32_t waited = 0;
    for (std::uint32_t next = kFirstHoldPauseMs;;
         next = next < kLongestHoldPauseMs / 2 ? next * 2 : kLongestHoldPauseMs) {
        bool lasting = false;
        std::uint32_t error = attempt(context, lasting);
        if (error == 0 || !IsHoldError(error) || lasting || waited >= kHoldWindowMs ||
            (cancel != nullptr && *cancel != 0)) {
            return error;
        }
        std::uint32_t length = next < kHoldWindowMs - waited ? next : kHoldWindowMs - waited;
        pause(length);
        waited += length;
    }
}
