#include "selection_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kMaxPath = 260;

// A name buffer of exactly the given bytes in its own heap block, so that
// AddressSanitizer reports any read past its end.
class Names {
  public:
    explicit Names(const std::string& bytes, std::size_t size = 0)
        : size_(size != 0 ? size : bytes.size()), bytes_(new char[size_]()) {
        std::memcpy(bytes_.get(), bytes.data(), bytes.size());
        next_ = static_cast<std::uint32_t>(std::strlen(bytes_.get()) + 1);
    }
    // One call of the walk: the path written and the result.
    std::pair<std::string, int> Next() {
        std::unique_ptr<char[]> path(new char[kMaxPath]);
        std::memset(path.get(), 'x', kMaxPath);
        int more = NextSelectionName(bytes_.get(), size_, &next_, path.get(), kMaxPath);
        return {std::string(path.get(), strnlen(path.get(), kMaxPath)), more};
    }
    std::uint32_t next() const { return next_; }
    std::size_t size() const { return size_; }

  private:
    std::size_t size_;
    std::unique_ptr<char[]> bytes_;
    std::uint32_t next_;
};

using Step = std::pair<std::string, int>;
using namespace std::string_literals; // "..."s keeps embedded terminators

struct WalkCase {
    const char* what;
    std::string bytes;
    std::size_t size; // 0: exactly the bytes
    std::vector<Step> steps;
};

const WalkCase kWalkCases[] = {
    {"single path, zero-filled after it",
     "C:\\d\\a.txt\0"s,
     64,
     {{"C:\\d\\a.txt", 0}, {"C:\\d\\a.txt", 0}}},
    {"three names",
     "C:\\d\0a.txt\0b.txt\0c.txt\0\0"s,
     64,
     {{"C:\\d\\a.txt", 1}, {"C:\\d\\b.txt", 1}, {"C:\\d\\c.txt", 0}, {"C:\\d", 0}}},
    {"Japanese folder and name",
     "C:\\\x95\x5c\0\x83\x5c.txt\0"s,
     0,
     {{"C:\\\x95\x5c\\\x83\x5c.txt", 0}, {"C:\\\x95\x5c", 0}}},
    {"last terminator is the last byte", "D\0a\0b\0"s, 0, {{"D\\a", 1}, {"D\\b", 0}, {"D", 0}}},
    {"last name cut off by the buffer end", "D\0a\0bc"s, 0, {{"D\\a", 1}, {"D\\bc", 0}, {"D", 0}}},
};

TEST(SelectionWalk, YieldsEachChosenFile) {
    for (const WalkCase& c : kWalkCases) {
        SCOPED_TRACE(c.what);
        Names names(c.bytes, c.size);
        for (const Step& step : c.steps) {
            EXPECT_EQ(names.Next(), step);
        }
    }
}

TEST(SelectionWalk, CallsAfterTheLastStopAtTheBufferEnd) {
    Names names("C:\\d\0a.txt\0\0"s, 20);
    EXPECT_EQ(names.Next(), Step("C:\\d\\a.txt", 0));
    for (std::size_t i = 0; i < names.size() + 5; ++i) {
        EXPECT_EQ(names.Next(), Step("C:\\d", 0));
        EXPECT_LE(names.next(), names.size());
    }
    EXPECT_EQ(names.next(), names.size());
}

TEST(SelectionWalk, PathThatDoesNotFitIsHandedOutEmpty) {
    // folder + backslash + name of 259 bytes fits MAX_PATH with its terminator.
    std::string folder = "C:\\" + std::string(197, 'f');
    std::string fits(259 - folder.size() - 1, 'n');
    std::string tooLong = fits + "n";
    Names names(folder + '\0' + tooLong + '\0' + fits + '\0' + "short" + '\0' + '\0');
    EXPECT_EQ(names.Next(), Step("", 1));
    EXPECT_EQ(names.Next(), Step(folder + "\\" + fits, 1));
    EXPECT_EQ(names.Next(), Step(folder + "\\short", 0));

    Names single(std::string(259, 's') + '\0' + '\0');
    EXPECT_EQ(single.Next(), Step(std::string(259, 's'), 0));
    Names singleTooLong(std::string(260, 's') + '\0' + '\0');
    EXPECT_EQ(singleTooLong.Next(), Step("", 0));
}

TEST(SelectionWalk, NullNamesWriteNothing) {
    char path[8] = "keep";
    std::uint32_t next = 0;
    EXPECT_EQ(NextSelectionName(nullptr, 10, &next, path, sizeof path), 0);
    EXPECT_EQ(NextSelectionName("a\0b\0", 4, nullptr, path, sizeof path), 0);
    EXPECT_STREQ(path, "keep");
}

TEST(SelectionFailure, MessageShowsTheCodeInFourHexDigits) {
    const std::string head = "GetOpenFileName()\n"
                             "\x82\xb1\x82\xcc\x8a\xd6\x90\x94\x82\xcc\x8c\xc4\x82\xd1\x8f\x6f"
                             "\x82\xb5\x82\xaa\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd"
                             "\x81\x42\n"
                             "\x83\x47\x83\x89\x81\x5b\x83\x52\x81\x5b\x83\x68\x81\x46";
    const struct {
        unsigned long code;
        const char* shown;
    } cases[] = {{0x3003, "0x3003"}, {0xFFFF, "0xFFFF"}, {0x2, "0x0002"}, {0x12345, "0x12345"}};
    for (const auto& c : cases) {
        char text[256];
        FormatSelectionFailure(c.code, text, sizeof text);
        EXPECT_EQ(std::string(text), head + c.shown);
    }
    char small[12];
    FormatSelectionFailure(0x3003, small, sizeof small);
    EXPECT_EQ(std::string(small), "GetOpenFile");
}

} // namespace
