// The program folder taken from a command line, against a reference split.
// Input: the folder buffer's capacity, then the command line.
#include <string>

#include "command_line.h"
#include "fuzz_support.h"

namespace {

// The program path: within double quotes when the line starts with one, else up
// to the first space; cut after its last single-byte backslash, or empty.
std::string ReferenceFolder(const ExactText& commandLine, std::size_t capacity) {
    std::string line(commandLine.Get(), commandLine.Length());
    std::string program;
    if (!line.empty() && line[0] == '"') {
        program = line.substr(1, line.find('"', 1) == std::string::npos ? std::string::npos
                                                                        : line.find('"', 1) - 1);
    } else {
        program = line.substr(0, line.find(' '));
    }
    if (program.size() >= capacity) {
        return std::string();
    }
    std::vector<std::size_t> backslashes = SingleByteMatches(program.c_str(), program.size(), '\\');
    return backslashes.empty() ? std::string() : program.substr(0, backslashes.back() + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    std::size_t capacity = input.Word() % 400;
    ExactText commandLine(input.Rest(), input.RestSize());
    std::unique_ptr<char[]> folder = FilledBlock(capacity, 'x');

    ProgramFolderFromCommandLine(commandLine.Get(), folder.get(), capacity);
    if (capacity == 0) {
        return 0; // nothing may be written, and ASan would see it
    }
    std::size_t length = LengthWithin(folder.get(), capacity);
    FUZZ_CHECK(length < capacity);
    std::string expected = ReferenceFolder(commandLine, capacity);
    FUZZ_CHECK(folder.get() == expected);
    // A folder a file name can be appended to: empty, or ending in a real backslash.
    std::vector<std::size_t> backslashes = SingleByteMatches(folder.get(), length, '\\');
    FUZZ_CHECK(length == 0 || (!backslashes.empty() && backslashes.back() == length - 1));

    ProgramFolderFromCommandLine(nullptr, folder.get(), capacity);
    FUZZ_CHECK(folder[0] == '\0');
    return 0;
}
