// The installer's allocation functions and the standard library's throw hooks.
// The program is built without exceptions, yet std::deque and operator new name
// the library's throwing paths, and with them comes its whole exception machinery
// (unwinder, exception classes, demangler: most of the exe). Defined here, the
// program's own versions replace the library's: memory comes from the process
// heap, and a request that cannot be met ends the process at once, as an
// unhandled std::bad_alloc would have.
#include <windows.h>

#include <cstddef>
#include <new>

namespace {

// No destructors, no exit handlers: the state that could not allocate is not
// trusted to clean up.
[[noreturn]] void EndProcessOutOfMemory() {
    TerminateProcess(GetCurrentProcess(), STATUS_NO_MEMORY);
    __builtin_unreachable();
}

// The heap's alignment (8 bytes for 32-bit, 16 for 64-bit) is what msvcrt's
// malloc, under the library's own operator new, gave.
void* HeapBlock(std::size_t size) {
    return HeapAlloc(GetProcessHeap(), 0, size != 0 ? size : 1);
}

void* HeapBlockOrEnd(std::size_t size) {
    void* block = HeapBlock(size);
    if (block == nullptr) {
        EndProcessOutOfMemory();
    }
    return block;
}

void FreeHeapBlock(void* block) {
    if (block != nullptr) {
        HeapFree(GetProcessHeap(), 0, block);
    }
}

} // namespace

void* operator new(std::size_t size) {
    return HeapBlockOrEnd(size);
}
void* operator new[](std::size_t size) {
    return HeapBlockOrEnd(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return HeapBlock(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return HeapBlock(size);
}

void operator delete(void* block) noexcept {
    FreeHeapBlock(block);
}
void operator delete[](void* block) noexcept {
    FreeHeapBlock(block);
}
void operator delete(void* block, std::size_t) noexcept {
    FreeHeapBlock(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    FreeHeapBlock(block);
}

// The hooks the containers call where the library would throw: a length past
// max_size() or a failed allocation.
namespace std {
[[noreturn]] void __throw_bad_alloc() {
    EndProcessOutOfMemory();
}
[[noreturn]] void __throw_bad_array_new_length() {
    EndProcessOutOfMemory();
}
[[noreturn]] void __throw_length_error(const char*) {
    EndProcessOutOfMemory();
}
} // namespace std
