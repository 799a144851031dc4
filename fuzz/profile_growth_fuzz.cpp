// The profile read loops with a fuzzed read and a heap that may fail.
// Input: the use (text or integer read, caller's buffer or not, heap or not),
// the caller's buffer size, how the read answers, after how many blocks the
// heap fails, then the stored value.
#include <map>
#include <string>

#include "fuzz_support.h"
#include "profile_read.h"

namespace {

// Blocks of exactly the size asked for; growth always moves the block, so a
// stale pointer is caught. Fails from the given allocation on, and past a
// megabyte, so that a read that is always full ends.
class FuzzHeap final : public ProfileHeap {
  public:
    explicit FuzzHeap(unsigned failFrom) : left_(failFrom) {}
    ~FuzzHeap() {
        for (auto& block : live) {
            std::free(block.first);
        }
    }

    char* Allocate(std::uint32_t size) override {
        if (Exhausted(size)) {
            return nullptr;
        }
        char* block = static_cast<char*>(std::calloc(size, 1));
        live[block] = size;
        return block;
    }

    char* Grow(char* block, std::uint32_t size) override {
        FUZZ_CHECK(live.count(block) == 1);
        FUZZ_CHECK(size > live[block]); // reads only ever grow
        if (Exhausted(size)) {
            return nullptr;
        }
        char* moved = static_cast<char*>(std::calloc(size, 1));
        std::memcpy(moved, block, live[block]);
        Free(block);
        live[moved] = size;
        return moved;
    }

    void Free(char* block) override {
        FUZZ_CHECK(live.erase(block) == 1); // no double free, no foreign block
        std::free(block);
    }

    std::map<char*, std::uint32_t> live;

  private:
    bool Exhausted(std::uint32_t size) {
        if (left_ == 0 || size > (1u << 20)) {
            return true;
        }
        --left_;
        return false;
    }
    unsigned left_;
};

// The platform's read: copies what fits with a terminator and reports the count.
// In fuzzed mode it reports counts the platform may give for key lists or odd
// values instead (size - 2, size - 1, 0, anything below size).
class FuzzReader final : public ProfileReader {
  public:
    FuzzReader(std::string value, std::uint8_t mode, const FuzzHeap* heap, const char* callerBuffer,
               std::uint32_t callerSize)
        : value_(std::move(value)), mode_(mode), heap_(heap), callerBuffer_(callerBuffer),
          callerSize_(callerSize) {}

    std::uint32_t Read(char* buffer, std::uint32_t size) override {
        FUZZ_CHECK(buffer != nullptr && size > 0);
        // The size handed over is the size of the block read into, never more.
        if (heap_ != nullptr && heap_->live.count(buffer) == 1) {
            FUZZ_CHECK(heap_->live.at(buffer) == size);
        } else {
            FUZZ_CHECK(buffer == callerBuffer_ && size <= callerSize_);
        }
        sizes.push_back(size);
        std::uint32_t length = static_cast<std::uint32_t>(value_.size());
        std::uint32_t copied = length < size - 1 ? length : size - 1;
        std::memcpy(buffer, value_.data(), copied);
        buffer[copied] = '\0';
        switch (mode_ % 4) {
        case 0:
            return copied;
        case 1: // a key list cut short
            return copied == size - 1 && size >= 2 ? size - 2 : copied;
        case 2:
            return size - 1;
        default:
            return static_cast<std::uint32_t>(sizes.size() * 7919u % size);
        }
    }

    bool Platformlike() const { return mode_ % 4 == 0; }
    std::vector<std::uint32_t> sizes;

  private:
    std::string value_;
    std::uint8_t mode_;
    const FuzzHeap* heap_;
    const char* callerBuffer_;
    std::uint32_t callerSize_;
};

// Sizes a platform-like read goes through from first: up by the step until the
// value and its terminator fit with a byte to spare.
std::vector<std::uint32_t> ExpectedSizes(std::uint32_t first, std::size_t length) {
    std::vector<std::uint32_t> sizes{first};
    while (length + 1 >= sizes.back()) {
        sizes.push_back(sizes.back() + kProfileGrowthStep);
    }
    return sizes;
}

void CheckIntRead(FuzzHeap& heap, FuzzReader& reader, const std::string& value) {
    std::int32_t result = ReadProfileIntGrowing(reader, heap);
    FUZZ_CHECK(heap.live.empty()); // the block is freed on every way out
    if (reader.Platformlike()) {
        // Either every read was made and the value converted, or the heap failed.
        bool complete = reader.sizes == ExpectedSizes(kProfileIntFirstSize, value.size());
        FUZZ_CHECK(result == (complete ? ParseProfileInt(value.c_str()) : -1));
    }
}

void CheckTextRead(FuzzHeap* heap, FuzzReader& reader, const std::string& value, char* callerBuffer,
                   std::uint32_t callerSize) {
    std::uint32_t size = callerSize;
    char* result = ReadProfileTextGrowing(reader, callerBuffer, &size, heap);

    if (heap == nullptr) {
        // The caller's buffer is read into once at most, and never replaced.
        FUZZ_CHECK(size == callerSize);
        FUZZ_CHECK(reader.sizes.size() <= 1);
        FUZZ_CHECK(result == nullptr || result == callerBuffer);
        if (callerBuffer == nullptr || callerSize == 0) {
            FUZZ_CHECK(result == nullptr && reader.sizes.empty());
        } else if (reader.Platformlike()) {
            // Null exactly when the read was full: the value did not fit with a byte to spare.
            FUZZ_CHECK((result == nullptr) == (value.size() + 1 >= callerSize));
        }
        return;
    }
    if (result == nullptr) {
        // Nothing leaks, the caller's block included, and nothing is left to free.
        FUZZ_CHECK(heap->live.empty());
        FUZZ_CHECK(size == 0);
        return;
    }
    // The one block left is the result, of the size reported.
    FUZZ_CHECK(heap->live.size() == 1 && heap->live.count(result) == 1);
    FUZZ_CHECK(heap->live[result] == size);
    FUZZ_CHECK(!reader.sizes.empty() && reader.sizes.back() == size);
    FUZZ_CHECK(LengthWithin(result, size) < size);
    if (reader.Platformlike()) {
        std::uint32_t first = callerBuffer != nullptr ? callerSize : kProfileTextFirstSize;
        if (first != 0) {
            FUZZ_CHECK(reader.sizes == ExpectedSizes(first, value.size()));
        }
        FUZZ_CHECK(value.compare(0, std::string::npos, result) == 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    std::uint8_t use = input.Byte();
    std::uint32_t callerSize = input.Word() % 320;
    std::uint8_t readMode = input.Byte();
    unsigned failFrom = input.Byte();
    ExactText stored(input.Rest(), input.RestSize());
    std::string value(stored.Get(), stored.Length());

    FuzzHeap heap(failFrom);
    bool withHeap = (use & 2) != 0;
    bool withBuffer = (use & 4) != 0;

    if ((use & 1) != 0) {
        FuzzReader reader(value, readMode, &heap, nullptr, 0);
        CheckIntRead(heap, reader, value);
        return 0;
    }
    char* callerBuffer = nullptr;
    std::unique_ptr<char[]> ownBuffer;
    if (withBuffer) {
        // With a heap the buffer is a block of it; without one the caller's own.
        if (withHeap) {
            callerBuffer = heap.Allocate(callerSize);
            if (callerBuffer == nullptr) {
                return 0;
            }
        } else {
            ownBuffer = FilledBlock(callerSize, 'x');
            callerBuffer = ownBuffer.get();
        }
    }
    FuzzReader reader(value, readMode, withHeap ? &heap : nullptr, callerBuffer, callerSize);
    CheckTextRead(withHeap ? &heap : nullptr, reader, value, callerBuffer, callerSize);
    return 0;
}
