#include "command_line.h"

#include <cstring>

#include "char_search.h"

void ProgramFolderFromCommandLine(const char* commandLine, char* folder, std::size_t capacity) {
    if (folder == nullptr || capacity == 0) {
        return;
    }
    folder[0] = '\0';
    if (commandLine == nullptr) {
        return;
    }
    // Byte-wise: neither a space nor a double quote is ever the trail byte of a
    // double-byte character.
    const char* start = commandLine;
    char end = ' ';
    if (*start == '"') {
        ++start;
        end = '"';
    }
    std::size_t length = 0;
    while (start[length] != '\0' && start[length] != end) {
        ++length;
    }
    if (length >= capacity) {
        return;
    }
    std::memcpy(folder, start, length);
    folder[length] = '\0';
    char* lastBackslash = FindCharLast(folder, '\\');
    if (lastBackslash == nullptr) {
        folder[0] = '\0';
        return;
    }
    lastBackslash[1] = '\0';
}
