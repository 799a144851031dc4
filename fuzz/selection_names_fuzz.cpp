// The walk over the open-file dialog's name buffer against a reference join.
// Input: the path capacity, where the walk starts (after the first string, as
// the selection does, or anywhere), then the name buffer, zero bytes included.
#include <algorithm>
#include <string>

#include "fuzz_support.h"
#include "selection_names.h"

namespace {

std::string StringAt(const char* names, std::size_t size, std::size_t offset) {
    if (offset >= size) {
        return std::string();
    }
    return std::string(names + offset, LengthWithin(names + offset, size - offset));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    std::size_t capacity = input.Word() % 600;
    std::uint8_t start = input.Byte();
    std::uint16_t anywhere = input.Word();
    std::size_t namesSize = input.RestSize();
    std::unique_ptr<char[]> names = FilledBlock(namesSize, '\0');
    if (namesSize != 0) {
        std::memcpy(names.get(), input.Rest(), namesSize);
    }

    const std::string first = StringAt(names.get(), namesSize, 0);
    std::uint32_t next = (start & 1) != 0 ? anywhere : static_cast<std::uint32_t>(first.size() + 1);
    std::unique_ptr<char[]> path = FilledBlock(capacity, 'x');

    // Each step moves on; the walk reaches the end of the buffer and stays there.
    for (std::size_t step = 0; step <= namesSize + 2; ++step) {
        std::size_t offset = next < namesSize ? next : namesSize;
        std::string name = StringAt(names.get(), namesSize, offset);
        std::string joined = name.empty() ? first : first + "\\" + name;

        int more = NextSelectionName(names.get(), namesSize, &next, path.get(), capacity);

        if (capacity != 0) {
            // A whole path that fits, or nothing: never a path cut to another name.
            FUZZ_CHECK(LengthWithin(path.get(), capacity) < capacity);
            FUZZ_CHECK(path.get() == (joined.size() < capacity ? joined : std::string()));
        }
        FUZZ_CHECK(next <= namesSize);
        FUZZ_CHECK(offset == namesSize || next > offset);
        FUZZ_CHECK(next == std::min(namesSize, offset + name.size() + 1));
        FUZZ_CHECK(more == (next < namesSize && names[next] != '\0' ? 1 : 0));
        if (offset == namesSize) {
            break;
        }
    }
    FUZZ_CHECK(NextSelectionName(nullptr, namesSize, &next, path.get(), capacity) == 0);
    FUZZ_CHECK(NextSelectionName(names.get(), namesSize, nullptr, path.get(), capacity) == 0);
    return 0;
}
