#include "selection_names.h"

#include <cstdio>
#include <cstring>

namespace {

// Length of the string at text, as far as the limit bytes hold it.
std::size_t BoundedLength(const char* text, std::size_t limit) {
    const void* terminator = std::memchr(text, '\0', limit);
    return terminator != nullptr
               ? static_cast<std::size_t>(static_cast<const char*>(terminator) - text)
               : limit;
}

} // namespace

int NextSelectionName(const char* names, std::size_t size, std::uint32_t* next, char* path,
                      std::size_t capacity) {
    if (names == nullptr || next == nullptr) {
        return 0;
    }
    std::size_t offset = *next < size ? *next : size;
    std::size_t firstLength = BoundedLength(names, size);
    std::size_t nameLength = BoundedLength(names + offset, size - offset);
    // A name cut off by the end of the buffer has no terminator to step over.
    std::size_t step = offset + nameLength < size ? nameLength + 1 : nameLength;

    std::size_t joinedLength = firstLength + (nameLength != 0 ? 1 + nameLength : 0);
    if (path != nullptr && capacity != 0) {
        // A path cut to fit would name another file: hand out nothing instead.
        if (joinedLength < capacity) {
            std::memcpy(path, names, firstLength);
            if (nameLength != 0) {
                path[firstLength] = '\\';
                std::memcpy(path + firstLength + 1, names + offset, nameLength);
            }
            path[joinedLength] = '\0';
        } else {
            path[0] = '\0';
        }
    }

    offset += step;
    *next = static_cast<std::uint32_t>(offset);
    return offset < size && names[offset] != '\0' ? 1 : 0;
}

void FormatSelectionFailure(unsigned long code, char* text, std::size_t capacity) {
    if (text == nullptr || capacity == 0) {
        return;
    }
    std::snprintf(text, capacity,
                  "GetOpenFileName()\nこの関数の呼び出しが失敗しました。\nエラーコード：0x%04lX",
                  code);
}
