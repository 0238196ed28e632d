// The parts of an xlsx file, which is a zip archive, read from memory with minizip. Nothing here
// touches the file system: the caller hands over the file's bytes. No threads are started; an
// archive object is used from one thread at a time.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace velvane {

// The bytes are not a zip archive, or a part of it cannot be read (damaged, encrypted, too large).
class ZipError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ZipSource;  // the bytes minizip reads from

class ZipParts {
public:
    // `data` must outlive the object. Throws ZipError when the bytes are not a zip archive.
    ZipParts(const unsigned char* data, std::size_t size);
    ~ZipParts();
    ZipParts(const ZipParts&) = delete;
    ZipParts& operator=(const ZipParts&) = delete;

    // Whether the archive holds a part of that name (compared ignoring letter case, as part names are).
    bool has(const std::string& name);

    // The whole part, decompressed and checked against its CRC. Throws ZipError when it is missing,
    // cannot be read, or would be larger than `limit` bytes.
    std::string read(const std::string& name, std::size_t limit);

private:
    ZipSource* source_;
    void* archive_;  // minizip's unzFile
};

}  // namespace velvane
