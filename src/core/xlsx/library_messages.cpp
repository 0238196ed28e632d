#include "core/xlsx/library_messages.hpp"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace velvane {

// The C library's stderr is an assignable stream pointer on glibc and on Apple's libc, which have
// open_memstream too.
#if defined(__GLIBC__) || defined(__APPLE__)
#define VELVANE_CAPTURE_STDERR 1
#endif

namespace {

// The buffer the library's lines go to while any LibraryMessages lives.
struct Capture {
    std::mutex mutex;
    std::size_t users = 0;
    std::FILE* saved = nullptr;
    std::FILE* buffer = nullptr;
    char* data = nullptr;
    std::size_t size = 0;
};

Capture& capture() {
    static Capture* shared = new Capture();  // never freed: a thread may still be closing at exit
    return *shared;
}

}  // namespace

LibraryMessages::LibraryMessages() {
#ifdef VELVANE_CAPTURE_STDERR
    Capture& c = capture();
    std::lock_guard<std::mutex> lock(c.mutex);
    if (c.users == 0) {
        c.buffer = open_memstream(&c.data, &c.size);
        if (c.buffer == nullptr) return;  // no memory for it: the lines show
        std::fflush(stderr);
        c.saved = stderr;
        stderr = c.buffer;
    } else if (c.buffer != nullptr) {
        std::fflush(c.buffer);
        start_ = c.size;
    }
    ++c.users;
#endif
}

LibraryMessages::~LibraryMessages() {
#ifdef VELVANE_CAPTURE_STDERR
    Capture& c = capture();
    std::lock_guard<std::mutex> lock(c.mutex);
    if (c.buffer == nullptr || c.users == 0) return;
    if (--c.users > 0) return;
    stderr = c.saved;
    std::fclose(c.buffer);
    std::free(c.data);
    c.buffer = nullptr;
    c.data = nullptr;
    c.size = 0;
#endif
}

std::string LibraryMessages::text() const {
#ifdef VELVANE_CAPTURE_STDERR
    Capture& c = capture();
    std::lock_guard<std::mutex> lock(c.mutex);
    if (c.buffer == nullptr) return std::string();
    flockfile(c.buffer);  // the library may be writing to it on another thread
    std::fflush(c.buffer);
    std::string said = c.data != nullptr && c.size > start_ ? std::string(c.data + start_, c.size - start_)
                                                            : std::string();
    funlockfile(c.buffer);
    return said;
#else
    return std::string();
#endif
}

std::string LibraryMessages::system_cause() const {
    static const std::string marker = "System error = ";
    std::string said = text();
    std::string::size_type at = said.rfind(marker);
    if (at == std::string::npos) return std::string();
    std::string::size_type end = said.find('\n', at);
    return said.substr(at + marker.size(), end == std::string::npos ? std::string::npos : end - at - marker.size());
}

}  // namespace velvane
