#include "core/platform/platform_file.hpp"

#include <cerrno>
#include <cstdint>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <vector>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velvane {

namespace {

const char* const kNotRegular = "not a regular file";

// The block for `size` bytes of content and a terminating NUL; nullptr when it cannot be had.
unsigned char* content_block(const BlockAllocator& memory, std::uint64_t size) {
    if (size >= SIZE_MAX) return nullptr;
    return static_cast<unsigned char*>(memory.allocate(static_cast<std::size_t>(size) + 1));
}

}  // namespace

#ifdef _WIN32

namespace {

// The errno value closest to a Windows error code, as Python maps them.
int errno_of(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_BAD_PATHNAME:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EACCES;
        case ERROR_PIPE_BUSY:
            return EBUSY;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        case ERROR_FILENAME_EXCED_RANGE:
            return ENAMETOOLONG;
        default:
            return EIO;
    }
}

// UTF-8 to the UTF-16 the wide API takes. Returns 0 or an errno value.
int to_wide(const char* utf8, std::vector<wchar_t>& wide) noexcept {
    int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
    if (n <= 0) return EINVAL;
    try {
        wide.resize(static_cast<std::size_t>(n));
    } catch (...) {
        return ENOMEM;
    }
    if (::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, wide.data(), n) != n) return EINVAL;
    return 0;
}

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

}  // namespace

int read_whole_file(const char* path, const BlockAllocator& memory, FileContents& out, const char*& cause) noexcept {
    std::vector<wchar_t> wide;
    if (int err = to_wide(path, wide)) {
        if (err == EINVAL) cause = "the file name is not valid UTF-8";
        return err;
    }
    // Backup semantics let a directory be opened too, so that it is told apart from a file that may not
    // be read. Opening a pipe or a device does not wait: such handles are refused below.
    Handle file(::CreateFileW(wide.data(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN,
                              nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) return errno_of(::GetLastError());
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) {
        cause = kNotRegular;
        return EINVAL;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(file.get(), &info)) return errno_of(::GetLastError());
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return EISDIR;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) {
        cause = kNotRegular;
        return EINVAL;
    }
    std::uint64_t size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    unsigned char* data = content_block(memory, size);
    if (!data) return ENOMEM;
    std::size_t got = 0;
    while (got < size) {
        std::size_t left = static_cast<std::size_t>(size) - got;
        DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
        DWORD n = 0;
        if (!::ReadFile(file.get(), data + got, chunk, &n, nullptr)) {
            int err = errno_of(::GetLastError());
            memory.release(data);
            return err;
        }
        if (n == 0) break;  // the file shrank while being read
        got += n;
    }
    data[got] = 0;
    out.data = data;
    out.size = got;
    return 0;
}

#else

int read_whole_file(const char* path, const BlockAllocator& memory, FileContents& out, const char*& cause) noexcept {
    // O_NONBLOCK: opening a FIFO or a device must not wait for a writer; such files are refused
    // below, and for a regular file the flag changes nothing.
    int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno;
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        int err = errno;
        ::close(fd);
        return err;
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return EISDIR;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        cause = kNotRegular;
        return EINVAL;
    }
    std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    unsigned char* data = content_block(memory, size);
    if (!data) {
        ::close(fd);
        return ENOMEM;
    }
    std::size_t got = 0;
    while (got < size) {
        ssize_t n = ::read(fd, data + got, static_cast<std::size_t>(size) - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int err = errno;
            ::close(fd);
            memory.release(data);
            return err;
        }
        if (n == 0) break;  // the file shrank while being read
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    data[got] = 0;
    out.data = data;
    out.size = got;
    return 0;
}

#endif

}  // namespace velvane
