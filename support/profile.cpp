#include "profile.h"

#include "profile_read.h"

#include <cstdint>

namespace {

class PlatformProfileReader final : public ProfileReader {
  public:
    PlatformProfileReader(const char* file, const char* section, const char* key,
                          const char* missing)
        : file(file), section(section), key(key), missing(missing) {}

    std::uint32_t Read(char* buffer, std::uint32_t size) override {
        return GetPrivateProfileStringA(section, key, missing, buffer, size, file);
    }

  private:
    const char* file;
    const char* section;
    const char* key;
    const char* missing;
};

class WindowsHeap final : public ProfileHeap {
  public:
    explicit WindowsHeap(HANDLE heap) : heap(heap) {}

    char* Allocate(std::uint32_t size) override {
        return static_cast<char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, size));
    }
    // HeapReAlloc leaves the block in place and valid when it fails.
    char* Grow(char* block, std::uint32_t size) override {
        return static_cast<char*>(HeapReAlloc(heap, HEAP_ZERO_MEMORY, block, size));
    }
    void Free(char* block) override { HeapFree(heap, 0, block); }

  private:
    HANDLE heap;
};

} // namespace

int ReadProfileInt(const char* file, const char* section, const char* key) {
    PlatformProfileReader reader(file, section, key, "-1");
    WindowsHeap heap(GetProcessHeap());
    return ReadProfileIntGrowing(reader, heap);
}

char* ReadProfileText(const char* file, const char* section, const char* key, char* buffer,
                      DWORD* size, HANDLE heap) {
    if (size == nullptr) {
        return nullptr;
    }
    PlatformProfileReader reader(file, section, key, "NotFound");
    WindowsHeap windowsHeap(heap);
    std::uint32_t count = *size;
    char* result =
        ReadProfileTextGrowing(reader, buffer, &count, heap != nullptr ? &windowsHeap : nullptr);
    *size = count;
    return result;
}

int WriteProfileInt(const char* file, const char* section, const char* key, int value) {
    // "-2147483648" and its terminator: 12 bytes, the longest a 32-bit %d can give.
    char text[12];
    static_assert(sizeof(int) == 4, "the buffer holds a 32-bit value's text");
    wsprintfA(text, "%d", value);
    return WritePrivateProfileStringA(section, key, text, file);
}

int WriteProfileText(const char* file, const char* section, const char* key, const char* text) {
    return WritePrivateProfileStringA(section, key, text, file);
}
