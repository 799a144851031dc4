#include "payload_locator.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct SplitCase {
    const char* what;
    std::string locator;
    int result;
    std::string type; // expected contents of both buffers
    std::string name;
};

const std::string k259(259, 'T');
const std::string k260(260, 'T');

// Byte strings are written with explicit escapes so they mean the same bytes on every
// compiler, whatever its execution character set.
const SplitCase kCases[] = {
    {"installer's form", "%BINARY%ID_PATCH1", 1, "BINARY", "ID_PATCH1"},
    {"split at the last percent sign", "%A%B%C", 1, "A%B", "C"},
    {"lead byte before a percent sign stays single", "%T\x81%N", 1, "T\x81", "N"},
    {"Japanese name", "%BINARY%\x83\x8b\x83\x7e", 1, "BINARY", "\x83\x8b\x83\x7e"},
    {"empty", "", 0, "", ""},
    {"no percent sign", "BINARY", 0, "", ""},
    {"only the leading percent sign", "%BINARY", 0, "", ""},
    {"no leading percent sign", "BINARY%ID_PATCH1", 0, "", ""},
    {"empty type", "%%ID_PATCH1", 0, "", ""},
    {"empty name", "%BINARY%", 0, "", ""},
    {"type of 259 bytes fits", "%" + k259 + "%N", 1, k259, "N"},
    {"type of 260 bytes", "%" + k260 + "%N", 0, "", ""},
    {"name of 259 bytes fits", "%T%" + k259, 1, "T", k259},
    {"name of 260 bytes", "%T%" + k260, 0, "", ""},
};

TEST(PayloadLocator, SplitsIntoTypeAndName) {
    for (const SplitCase& c : kCases) {
        SCOPED_TRACE(c.what);
        // Exactly sized heap buffers, pre-filled: AddressSanitizer reports any write
        // past them, and a failed split must still leave empty strings.
        auto type = std::make_unique<char[][kLocatorPartSize]>(1);
        auto name = std::make_unique<char[][kLocatorPartSize]>(1);
        type[0][0] = 'x';
        name[0][0] = 'x';
        EXPECT_EQ(SplitPayloadLocator(c.locator.c_str(), type[0], name[0]), c.result);
        EXPECT_EQ(std::string(type[0]), c.type);
        EXPECT_EQ(std::string(name[0]), c.name);
    }
}

TEST(PayloadLocator, NullLocatorIsRefused) {
    char type[kLocatorPartSize] = "x";
    char name[kLocatorPartSize] = "x";
    EXPECT_EQ(SplitPayloadLocator(nullptr, type, name), 0);
    EXPECT_STREQ(type, "");
    EXPECT_STREQ(name, "");
}

} // namespace
