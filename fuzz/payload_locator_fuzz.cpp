// SplitPayloadLocator against a reference split. Input: the locator.
#include <string>

#include "fuzz_support.h"
#include "payload_locator.h"

namespace {

// The split as the locator format defines it: type between the leading percent
// sign and the last single-byte one, name after it; both non-empty and short
// enough for a part buffer with its terminator.
bool ReferenceSplit(const ExactText& locator, std::string& type, std::string& name) {
    const char* text = locator.Get();
    if (locator.Length() == 0 || text[0] != '%') {
        return false;
    }
    std::vector<std::size_t> percents = SingleByteMatches(text, locator.Length(), '%');
    std::size_t last = percents.back();
    type.assign(text + 1, last == 0 ? 0 : last - 1);
    name.assign(text + last + 1, locator.Length() - last - 1);
    return last != 0 && !type.empty() && !name.empty() && type.size() < kLocatorPartSize &&
           name.size() < kLocatorPartSize;
}

// A part buffer of exactly kLocatorPartSize bytes on the heap.
using PartBuffer = char[kLocatorPartSize];

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ExactText locator(data, size);
    std::unique_ptr<PartBuffer[]> type(new PartBuffer[1]);
    std::unique_ptr<PartBuffer[]> name(new PartBuffer[1]);
    std::memset(type[0], 'x', kLocatorPartSize);
    std::memset(name[0], 'x', kLocatorPartSize);

    int result = SplitPayloadLocator(locator.Get(), type[0], name[0]);

    std::string expectedType;
    std::string expectedName;
    bool expected = ReferenceSplit(locator, expectedType, expectedName);
    FUZZ_CHECK(result == (expected ? 1 : 0));
    if (result == 1) {
        FUZZ_CHECK(LengthWithin(type[0], kLocatorPartSize) < kLocatorPartSize);
        FUZZ_CHECK(LengthWithin(name[0], kLocatorPartSize) < kLocatorPartSize);
        FUZZ_CHECK(expectedType == type[0]);
        FUZZ_CHECK(expectedName == name[0]);
        // Nothing lost: the parts and their percent signs make the locator again.
        FUZZ_CHECK("%" + expectedType + "%" + expectedName == locator.Get());
    } else {
        FUZZ_CHECK(type[0][0] == '\0' && name[0][0] == '\0');
    }
    return 0;
}
