// Reading a whole file from disk: the one place where the native code asks the operating system to open,
// inspect, read and close a file. One implementation for POSIX systems, one for Windows.
#pragma once

#include <cstddef>

namespace velvane {

// Where the bytes of a file go: `allocate(n)` returns a block of n bytes or nullptr when memory is
// short; `release` gives a block back.
struct BlockAllocator {
    void* (*allocate)(std::size_t size);
    void (*release)(void* block);
};

struct FileContents {
    unsigned char* data = nullptr;  // size + 1 bytes from the allocator; data[size] is 0
    std::size_t size = 0;
};

// Reads the whole of the regular file at `path` into one block. Returns 0, or an errno value when the
// file cannot be read: ENOENT, EACCES, EISDIR for a directory, ENOMEM, ...; anything that is not a
// regular file (a FIFO, a pipe, a device) is refused at once with EINVAL and `cause` set to
// "not a regular file", without waiting for a writer. `cause` is set only where errno alone is vague.
//
// The path is the operating system's own name of the file:
// - POSIX: the file system's bytes, used as they are (names that are not valid UTF-8 open too);
// - Windows: UTF-8, converted to UTF-16 for the wide-character API; a path that is not valid UTF-8
//   is refused with EINVAL.
int read_whole_file(const char* path, const BlockAllocator& memory, FileContents& out, const char*& cause) noexcept;

}  // namespace velvane
