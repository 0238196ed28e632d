// What libxlsxwriter prints on its own, kept from the user. Where a call fails, the library writes
// lines of its own ("[ERROR][packager.c:1541]: Error in closing member in the zipfile", "[ERROR]
// workbook_close(): ... System error = No space left on device") to the C library's standard error
// stream, and returns an error code. The program makes its own message of the failure: while a
// LibraryMessages lives, the library's lines go into a buffer instead, where the cause they name can
// still be read.
//
// Only the C library's stderr stream is replaced, not file descriptor 2, so what the program writes
// there otherwise (Python's sys.stderr writes the descriptor) is not affected. Where the platform does
// not let the stream be replaced (Windows), the lines still show.
//
// Thread rules: any thread may make one. While several live (workbooks closed on several threads at
// once) they share one buffer: each reads the lines written since it was made, the other threads'
// among them.
#pragma once

#include <cstddef>
#include <string>

namespace velvane {

class LibraryMessages {
public:
    LibraryMessages();
    ~LibraryMessages();
    LibraryMessages(const LibraryMessages&) = delete;
    LibraryMessages& operator=(const LibraryMessages&) = delete;

    // The lines written since this was made.
    std::string text() const;

    // The system's cause named in those lines ("No space left on device" of "... System error = No
    // space left on device"), or "".
    std::string system_cause() const;

private:
    std::size_t start_ = 0;  // where this one's lines begin in the shared buffer
};

}  // namespace velvane
