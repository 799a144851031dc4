#include "timed_value_queue.h"

#include "elapsed_time.h"
#include "system_dll.h"

TimedValueQueue::TimedValueQueue() : records(), start(TimerMilliseconds()) {}

TimedValueQueue::TimedValueQueue(std::int32_t value) : records(), start(TimerMilliseconds()) {
    records.push_back({value, ElapsedMilliseconds(start, TimerMilliseconds())});
}

TimedValueQueue::~TimedValueQueue() = default;

bool TimedValueQueue::Pop(TimedValueRecord& record) {
    if (records.empty()) {
        return true;
    }
    record = records.front();
    records.pop_front();
    return false;
}

void TimedValueQueue::Clear() {
    // clear() alone keeps the blocks; swapping with a fresh queue gives them back.
    std::deque<TimedValueRecord>().swap(records);
}
