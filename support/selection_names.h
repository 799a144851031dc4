// The platform-free parts of the open-file selection: the walk over the name
// buffer that the open-file dialog fills, and the text of its failure message.
#ifndef SUPPORT_SELECTION_NAMES_H
#define SUPPORT_SELECTION_NAMES_H

#include <cstddef>
#include <cstdint>

// Size in bytes of the name buffer handed to the open-file dialog.
constexpr std::size_t kSelectionNamesSize = 524280;

// One step of the walk over names (size bytes), which holds either one full path
// or a folder followed by file names, each terminated, after a last terminator.
// Writes into path [out] (capacity bytes) the first string, joined by a
// backslash with the name at offset *next [in/out] when that name is not empty,
// and moves *next past the name. A joined path that does not fit capacity bytes
// is written as an empty string. Returns 1 when another name follows, else 0.
// Nothing is read past names[size - 1]; at the end *next stays at size. Returns
// 0 and writes nothing when names or next is null.
int NextSelectionName(const char* names, std::size_t size, std::uint32_t* next, char* path,
                      std::size_t capacity);

// Writes into text [out] (capacity bytes) the message that reports a failure of
// the open-file dialog with the given extended error code.
void FormatSelectionFailure(unsigned long code, char* text, std::size_t capacity);

#endif
