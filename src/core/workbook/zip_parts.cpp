#include "core/workbook/zip_parts.hpp"

#include <minizip/unzip.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace velvane {

// minizip reads through these callbacks from the bytes in memory instead of from a file.
struct ZipSource {
    const unsigned char* data;
    std::size_t size;
    std::size_t position = 0;
    bool read_short = false;  // a read asked for bytes past the end: the archive is cut short
};

namespace {

voidpf open_source(voidpf opaque, const void*, int mode) {
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
    auto* source = static_cast<ZipSource*>(opaque);
    source->position = 0;
    return source;
}

uLong read_source(voidpf, voidpf stream, void* buffer, uLong size) {
    auto* source = static_cast<ZipSource*>(stream);
    std::size_t left = source->size - source->position;
    std::size_t count = std::min<std::size_t>(left, size);
    std::memcpy(buffer, source->data + source->position, count);
    source->position += count;
    if (count < size) source->read_short = true;
    return static_cast<uLong>(count);
}

uLong write_source(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T tell_source(voidpf, voidpf stream) { return static_cast<ZipSource*>(stream)->position; }

long seek_source(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* source = static_cast<ZipSource*>(stream);
    ZPOS64_T base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR) {
        base = source->position;
    } else if (origin == ZLIB_FILEFUNC_SEEK_END) {
        base = source->size;
    } else if (origin != ZLIB_FILEFUNC_SEEK_SET) {
        return -1;
    }
    if (offset > source->size || base > source->size - offset) return -1;
    source->position = static_cast<std::size_t>(base + offset);
    return 0;
}

int close_source(voidpf, voidpf) { return 0; }

// minizip asks after a short read whether it was an error or the end of the data; its records have
// fixed sizes, so for it the end of the data inside a record is an error.
int source_error(voidpf, voidpf stream) { return static_cast<ZipSource*>(stream)->read_short ? 1 : 0; }

unzFile archive_of(void* archive) { return static_cast<unzFile>(archive); }

}  // namespace

ZipParts::ZipParts(const unsigned char* data, std::size_t size) : source_(new ZipSource{data, size}), archive_(nullptr) {
    zlib_filefunc64_def functions{};
    functions.zopen64_file = open_source;
    functions.zread_file = read_source;
    functions.zwrite_file = write_source;
    functions.ztell64_file = tell_source;
    functions.zseek64_file = seek_source;
    functions.zclose_file = close_source;
    functions.zerror_file = source_error;
    functions.opaque = source_;
    archive_ = unzOpen2_64("workbook", &functions);
    if (archive_ == nullptr) {
        delete source_;
        throw ZipError("not a zip archive");
    }
}

ZipParts::~ZipParts() {
    unzClose(archive_of(archive_));
    delete source_;
}

bool ZipParts::has(const std::string& name) {
    return unzLocateFile(archive_of(archive_), name.c_str(), 2) == UNZ_OK;
}

std::string ZipParts::read(const std::string& name, std::size_t limit) {
    unzFile archive = archive_of(archive_);
    if (unzLocateFile(archive, name.c_str(), 2) != UNZ_OK) throw ZipError(name + ": part missing");
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
        throw ZipError(name + ": damaged entry");
    }
    if ((info.flag & 1) != 0) throw ZipError(name + ": encrypted part");
    if (info.uncompressed_size > limit) throw ZipError(name + ": part larger than " + std::to_string(limit) + " bytes");
    if (unzOpenCurrentFile(archive) != UNZ_OK) throw ZipError(name + ": cannot open the part");
    std::string text;
    text.reserve(static_cast<std::size_t>(info.uncompressed_size));
    char buffer[65536];
    int got = 0;
    // The size in the directory may lie: the count read is checked as well.
    while ((got = unzReadCurrentFile(archive, buffer, sizeof buffer)) > 0) {
        if (text.size() + static_cast<std::size_t>(got) > limit) {
            unzCloseCurrentFile(archive);
            throw ZipError(name + ": part larger than " + std::to_string(limit) + " bytes");
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    int closed = unzCloseCurrentFile(archive);
    if (got < 0) throw ZipError(name + ": damaged data");
    if (closed == UNZ_CRCERROR) throw ZipError(name + ": CRC mismatch");
    if (closed != UNZ_OK) throw ZipError(name + ": damaged data");
    return text;
}

}  // namespace velvane
