// The platform-free half of the profile reads: the decimal conversion of an
// integer value and the loop that re-reads a value into a growing block until a
// read is no longer full. The platform's read and the heap come in through the
// two small interfaces below, so the loop's sizes and re-reads can be checked
// without Windows.
#ifndef SUPPORT_PROFILE_READ_H
#define SUPPORT_PROFILE_READ_H

#include <cstdint>

// Growth step of every profile read block, in bytes.
constexpr std::uint32_t kProfileGrowthStep = 50;
// First block of an integer read, and first block of a text read without a
// caller's buffer.
constexpr std::uint32_t kProfileIntFirstSize = 50;
constexpr std::uint32_t kProfileTextFirstSize = 10;

// Copies the value into buffer (size bytes, size > 0) with a terminator and
// returns the count of characters copied, as the platform's profile read does.
class ProfileReader {
  public:
    virtual std::uint32_t Read(char* buffer, std::uint32_t size) = 0;

  protected:
    ~ProfileReader() = default;
};

// The heap the read blocks come from. Allocate gives a zero-filled block or null.
// Grow gives the block resized with the new bytes zero-filled, or null with the
// block left as it was (still owned by the caller).
class ProfileHeap {
  public:
    virtual char* Allocate(std::uint32_t size) = 0;
    virtual char* Grow(char* block, std::uint32_t size) = 0;
    virtual void Free(char* block) = 0;

  protected:
    ~ProfileHeap() = default;
};

// Decimal text to integer: leading white space, one optional sign, digits up to
// the first other character. Values beyond 32 bits wrap modulo 2^32 (the stored
// text is trusted, not checked). No digits gives 0; null text gives 0.
std::int32_t ParseProfileInt(const char* text);

// Reads the value into a block of heap starting at 50 bytes and converts it; the
// block is freed before returning. -1 when the heap cannot supply or grow it.
std::int32_t ReadProfileIntGrowing(ProfileReader& reader, ProfileHeap& heap);

// The text read with its four uses (buffer given or null, heap given or null).
//   buffer [in]      the caller's buffer, or null to start with a 10-byte block of heap.
//   size   [in/out]  the buffer's size in bytes on entry; the final size on return.
//   heap   [in]      null: nothing grows and the buffer stays the caller's.
// Ownership with a heap: a given buffer must be a block of that heap and passes
// into the call; the caller uses the returned pointer and forgets the old one.
// When the heap cannot supply or grow the block, the block held is freed, size
// becomes 0 and the result is null, so nothing leaks and nothing is freed twice.
// Without a heap the result is null when the read is full (size - 1 characters
// reported); the buffer then holds the first size - 1 characters. A caller's
// buffer of 0 bytes is never read into.
char* ReadProfileTextGrowing(ProfileReader& reader, char* buffer, std::uint32_t* size,
                             ProfileHeap* heap);

#endif
