// A first-in, first-out queue of integer values, each stamped with the
// milliseconds that had passed since the queue's start when it was appended.
// One global instance lives from start-up to exit, defined beside the global
// CopyWorker and after it, so that it is built after the worker and destroyed
// before it. No lock: one thread at a time.
#ifndef SUPPORT_TIMED_VALUE_QUEUE_H
#define SUPPORT_TIMED_VALUE_QUEUE_H

#include <cstdint>
#include <deque>

struct TimedValueRecord {
    std::int32_t value;
    std::int32_t elapsed; // milliseconds from the queue's start to the appending
};

// Virtual slots in this order: Pop (0), Clear (1). The destructor is not
// virtual; the class is final so that no derived object is deleted through it.
class TimedValueQueue final {
  public:
    // Empty; the start time is taken after the records are built.
    TimedValueQueue();
    // Starts with one record: value, stamped with the time since the start.
    explicit TimedValueQueue(std::int32_t value);
    ~TimedValueQueue();

    // true when the queue is empty (record [out] left unchanged); false when the
    // oldest record was moved into record. The result reports emptiness.
    virtual bool Pop(TimedValueRecord& record);
    // Removes every record and releases the storage that held them.
    virtual void Clear();

  private:
    std::deque<TimedValueRecord> records; // oldest at the front
    std::uint32_t start;                  // timer reading at construction
};

#endif
