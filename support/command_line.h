// The folder of the program named at the start of a process command line.
#ifndef SUPPORT_COMMAND_LINE_H
#define SUPPORT_COMMAND_LINE_H

#include <cstddef>

// Writes into folder [out] (capacity bytes) the folder of the program path that
// starts commandLine, its closing backslash included. The program path runs
// within double quotes when the line starts with one, else up to the first space.
// The result is empty when the program path holds no backslash (a program
// started by bare name: a file name appended then names a file in the current
// folder), when it does not fit capacity bytes with its terminator, or when
// commandLine is null. Nothing is written when folder is null or capacity is 0.
void ProgramFolderFromCommandLine(const char* commandLine, char* folder, std::size_t capacity);

#endif
