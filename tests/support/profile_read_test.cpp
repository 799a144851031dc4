#include "profile_read.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// Behaves as the platform's profile read: copies what fits with a terminator and
// reports the count copied. A cut list of key names is reported as size - 2.
class FakeReader final : public ProfileReader {
  public:
    explicit FakeReader(std::string value, bool keyList = false)
        : value(std::move(value)), keyList(keyList) {}

    std::uint32_t Read(char* buffer, std::uint32_t size) override {
        sizes.push_back(size);
        std::uint32_t length = static_cast<std::uint32_t>(value.size());
        if (length <= size - 1) {
            std::memcpy(buffer, value.data(), length);
            buffer[length] = '\0';
            return length;
        }
        std::memcpy(buffer, value.data(), size - 1);
        buffer[size - 1] = '\0';
        if (keyList && size >= 2) {
            buffer[size - 2] = '\0';
            return size - 2;
        }
        return size - 1;
    }

    std::vector<std::uint32_t> sizes; // size of every read, in order

  private:
    std::string value;
    bool keyList;
};

// Blocks of exactly the requested size, so the sanitizer sees any write past
// them. Growth always moves the block, as a real heap may. Counts live blocks.
class FakeHeap final : public ProfileHeap {
  public:
    ~FakeHeap() {
        for (auto& block : live) {
            std::free(block.first);
        }
    }

    char* Allocate(std::uint32_t size) override {
        if (allocationsLeft-- == 0) {
            return nullptr;
        }
        char* block = static_cast<char*>(std::calloc(size, 1));
        live[block] = size;
        return block;
    }

    char* Grow(char* block, std::uint32_t size) override {
        if (growthsLeft-- == 0) {
            return nullptr;
        }
        EXPECT_EQ(live.count(block), 1u) << "growing a block this heap does not hold";
        char* moved = static_cast<char*>(std::calloc(size, 1));
        std::memcpy(moved, block, live[block] < size ? live[block] : size);
        Free(block);
        live[moved] = size;
        return moved;
    }

    void Free(char* block) override {
        EXPECT_EQ(live.erase(block), 1u) << "freeing a block this heap does not hold";
        std::free(block);
    }

    std::map<char*, std::uint32_t> live;
    int allocationsLeft = 1000; // the call after the last one allowed fails
    int growthsLeft = 1000;
};

using Sizes = std::vector<std::uint32_t>;

struct IntCase {
    const char* what;
    std::string value;
    std::int32_t result;
    Sizes reads;
};

TEST(ReadProfileIntGrowing, GrowsUntilReadIsNotFull) {
    const IntCase cases[] = {
        {"48 characters: one read", "7" + std::string(47, 'x'), 7, {50}},
        {"49 characters fill the block: read again", "8" + std::string(48, 'x'), 8, {50, 100}},
        {"120 characters end in a block of 150", "-9" + std::string(118, ' '), -9, {50, 100, 150}},
        {"default text of a missing value", "-1", -1, {50}},
    };
    for (const IntCase& c : cases) {
        SCOPED_TRACE(c.what);
        FakeReader reader(c.value);
        FakeHeap heap;
        EXPECT_EQ(ReadProfileIntGrowing(reader, heap), c.result);
        EXPECT_EQ(reader.sizes, c.reads);
        EXPECT_TRUE(heap.live.empty());
    }
}

TEST(ReadProfileIntGrowing, HeapFailureGivesMinusOneAndLeaksNothing) {
    FakeReader noBlock("5");
    FakeHeap emptyHeap;
    emptyHeap.allocationsLeft = 0;
    EXPECT_EQ(ReadProfileIntGrowing(noBlock, emptyHeap), -1);
    EXPECT_TRUE(noBlock.sizes.empty());

    FakeReader longValue("5" + std::string(60, 'x'));
    FakeHeap rigidHeap;
    rigidHeap.growthsLeft = 0;
    EXPECT_EQ(ReadProfileIntGrowing(longValue, rigidHeap), -1);
    EXPECT_EQ(longValue.sizes, Sizes{50});
    EXPECT_TRUE(rigidHeap.live.empty());
}

TEST(ReadProfileTextGrowing, NoBufferWithHeapStartsAtTenBytes) {
    FakeReader reader("ninechars");
    FakeHeap heap;
    std::uint32_t size = 12345; // ignored without a buffer
    char* text = ReadProfileTextGrowing(reader, nullptr, &size, &heap);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "ninechars");
    EXPECT_EQ(reader.sizes, (Sizes{10, 60}));
    EXPECT_EQ(size, 60u);
    ASSERT_EQ(heap.live.size(), 1u);
    EXPECT_EQ(heap.live.begin()->first, text);
    EXPECT_EQ(heap.live.begin()->second, 60u);
}

TEST(ReadProfileTextGrowing, CallerBufferWithoutHeapNeverGrows) {
    struct Case {
        const char* what;
        std::string value;
        const char* held;
        bool full;
    };
    const Case cases[] = {
        {"20 characters are cut", "ABCDEFGHIJKLMNOPQRST", "ABCDEFGHIJKLMNO", true},
        {"exactly 15 characters count as full", "ABCDEFGHIJKLMNO", "ABCDEFGHIJKLMNO", true},
        {"14 characters fit", "ABCDEFGHIJKLMN", "ABCDEFGHIJKLMN", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeReader reader(c.value);
        char buffer[16];
        std::uint32_t size = sizeof buffer;
        char* text = ReadProfileTextGrowing(reader, buffer, &size, nullptr);
        EXPECT_EQ(text, c.full ? nullptr : buffer);
        EXPECT_STREQ(buffer, c.held);
        EXPECT_EQ(size, 16u);
        EXPECT_EQ(reader.sizes, Sizes{16});
    }
}

TEST(ReadProfileTextGrowing, NothingToReadInto) {
    FakeReader reader("value");
    std::uint32_t size = 16;
    EXPECT_EQ(ReadProfileTextGrowing(reader, nullptr, &size, nullptr), nullptr);
    EXPECT_EQ(size, 16u);

    // A caller's buffer of 0 bytes has no room even for the terminator.
    char buffer[1] = {'!'};
    size = 0;
    EXPECT_EQ(ReadProfileTextGrowing(reader, buffer, &size, nullptr), nullptr);
    EXPECT_EQ(buffer[0], '!');
    EXPECT_TRUE(reader.sizes.empty());
}

TEST(ReadProfileTextGrowing, CallersHeapBlockIsReplacedByTheResult) {
    FakeReader reader("ABCDEFGHIJKLMNOPQRST");
    FakeHeap heap;
    char* block = heap.Allocate(16);
    std::uint32_t size = 16;
    char* text = ReadProfileTextGrowing(reader, block, &size, &heap);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(size, 66u);
    EXPECT_EQ(reader.sizes, (Sizes{16, 66}));
    ASSERT_EQ(heap.live.size(), 1u); // the caller's old block went into the growth
    EXPECT_EQ(heap.live.begin()->first, text);
}

TEST(ReadProfileTextGrowing, HeapFailureFreesTheBlockHeld) {
    struct Case {
        const char* what;
        bool callerBlock;
        int allocations;
        int growths;
        Sizes reads;
    };
    const Case cases[] = {
        {"first block not supplied", false, 0, 1000, {}},
        {"own block not grown", false, 1000, 0, {10}},
        {"own block not grown the second time", false, 1000, 1, {10, 60}},
        {"caller's block not grown", true, 1000, 0, {16}},
        {"caller's block moved, then not grown", true, 1000, 1, {16, 66}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeReader reader(std::string(100, 'v'));
        FakeHeap heap;
        std::uint32_t size = 0;
        char* block = nullptr;
        if (c.callerBlock) {
            block = heap.Allocate(16);
            size = 16;
        }
        heap.allocationsLeft = c.allocations;
        heap.growthsLeft = c.growths;
        EXPECT_EQ(ReadProfileTextGrowing(reader, block, &size, &heap), nullptr);
        EXPECT_EQ(size, 0u);
        EXPECT_EQ(reader.sizes, c.reads);
        EXPECT_TRUE(heap.live.empty());
    }
}

TEST(ReadProfileTextGrowing, CutKeyListIsNotFull) {
    // "Alpha\0Beta\0\0" does not fit in 10 bytes; the platform reports 8.
    FakeReader reader(std::string("Alpha\0Beta\0", 11), true);
    FakeHeap heap;
    std::uint32_t size = 0;
    char* list = ReadProfileTextGrowing(reader, nullptr, &size, &heap);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(reader.sizes, Sizes{10});
    EXPECT_EQ(size, 10u);
    heap.Free(list);
}

TEST(ReadProfileTextGrowing, SizeThatWouldWrapCountsAsFailedGrowth) {
    // The reader never writes here; only the size arithmetic is under test.
    class AlwaysFull final : public ProfileReader {
      public:
        std::uint32_t Read(char*, std::uint32_t size) override { return size - 1; }
    } reader;
    FakeHeap heap;
    char* block = heap.Allocate(1);
    std::uint32_t size = UINT32_MAX - 10;
    EXPECT_EQ(ReadProfileTextGrowing(reader, block, &size, &heap), nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_TRUE(heap.live.empty());
}

struct ParseCase {
    const char* text;
    std::int32_t value;
};

const ParseCase kParseCases[] = {
    {"42abc", 42},
    {"abc", 0},
    {"", 0},
    {"  -17", -17},
    {"\t\r\n\v\f 8", 8},
    {"+5", 5},
    {"-1", -1},
    {"--5", 0},
    {"+-5", 0},
    {"- 5", 0},
    {"12 34", 12},
    {"\x95\x5c"
     "7",
     0}, // a double-byte character is neither space nor digit
    {"2147483647", INT32_MAX},
    {"2147483648", INT32_MIN},
    {"-2147483648", INT32_MIN},
    {"4294967295", -1},
    {"4294967296", 0},
    {"4294967297", 1},
    {"99999999999", 1215752191},
    {"-99999999999", -1215752191},
    {"000000000000000000000000000000000000000000000123", 123},
};

TEST(ParseProfileInt, DecimalTextWrapsModulo2To32) {
    for (const ParseCase& c : kParseCases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseProfileInt(c.text), c.value);
    }
    EXPECT_EQ(ParseProfileInt(nullptr), 0);
}

} // namespace
