#include "document.hpp"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "buffer_pool.hpp"
#include "utf8_check.hpp"

namespace corvenna {

// Text content is stored in its element (no separate text nodes); whitespace-only text survives only
// where it is an element's whole content; DOCTYPE declarations are skipped, never interpreted.
const unsigned int kParseOptions =
    pugi::parse_default | pugi::parse_ws_pcdata_single | pugi::parse_embed_pcdata;

namespace {

struct FileBytes {
    unsigned char* data = nullptr;  // pool block, size + 1 bytes
    std::size_t size = 0;
};

// Reads a whole regular file into a pool block. Returns 0 or an errno value.
int read_file(const char* path, FileBytes& out, const char*& cause) {
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
        cause = "not a regular file";
        return EINVAL;
    }
    std::size_t size = static_cast<std::size_t>(st.st_size);
    auto* data = static_cast<unsigned char*>(pool::allocate(size + 1));
    if (!data) {
        ::close(fd);
        return ENOMEM;
    }
    std::size_t got = 0;
    while (got < size) {
        ssize_t n = ::read(fd, data + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int err = errno;
            ::close(fd);
            pool::deallocate(data);
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

bool starts_with(const FileBytes& f, const char* prefix, std::size_t n) {
    return f.size >= n && std::memcmp(f.data, prefix, n) == 0;
}

// The encoding named by an XML declaration at the start of the text, lower-cased ("" when none).
std::string declared_encoding(const FileBytes& f) {
    std::size_t limit = f.size < 256 ? f.size : 256;
    std::string head(reinterpret_cast<const char*>(f.data), limit);
    if (head.compare(0, 5, "<?xml") != 0) return "";
    std::size_t end = head.find("?>");
    std::size_t at = head.find("encoding");
    if (at == std::string::npos || (end != std::string::npos && at > end)) return "";
    std::size_t quote = head.find_first_of("\"'", at);
    if (quote == std::string::npos) return "";
    std::size_t close = head.find(head[quote], quote + 1);
    if (close == std::string::npos) return "";
    std::string name = head.substr(quote + 1, close - quote - 1);
    for (char& c : name) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return name;
}

pugi::xml_encoding sniff_encoding(const FileBytes& f, SourceEncoding& kind) {
    const char* utf32le = "\xFF\xFE\x00\x00";
    const char* utf32be = "\x00\x00\xFE\xFF";
    if (starts_with(f, utf32le, 4) || starts_with(f, utf32be, 4) || starts_with(f, "\xFF\xFE", 2) ||
        starts_with(f, "\xFE\xFF", 2) || starts_with(f, "<\0", 2) || starts_with(f, "\0<", 2)) {
        kind = SourceEncoding::kUtf16or32;
        return pugi::encoding_auto;
    }
    std::string declared = declared_encoding(f);
    if (declared == "iso-8859-1" || declared == "latin1" || declared == "latin-1" ||
        declared == "iso8859-1" || declared == "windows-1252" || declared == "cp1252") {
        kind = SourceEncoding::kLatin1;
        return pugi::encoding_latin1;
    }
    kind = SourceEncoding::kUtf8;
    return pugi::encoding_auto;  // UTF-8, with or without BOM
}

}  // namespace

LoadOutcome load_document(const char* fs_path) {
    LoadOutcome out;
    FileBytes bytes;
    out.os_error = read_file(fs_path, bytes, out.os_cause);
    if (out.os_error != 0) return out;
    return parse_text(bytes.data, bytes.size);
}

LoadOutcome parse_text(unsigned char* block, std::size_t size) {
    LoadOutcome out;
    FileBytes bytes;
    bytes.data = block;
    bytes.size = size;
    pugi::xml_encoding encoding = sniff_encoding(bytes, out.encoding);
    TextFault fault{0, nullptr};
    if (out.encoding == SourceEncoding::kUtf8)
        fault = check_utf8(bytes.data, bytes.size);
    else if (out.encoding == SourceEncoding::kLatin1)
        fault = check_no_nul(bytes.data, bytes.size);
    if (!fault.cause && out.encoding != SourceEncoding::kUtf16or32) fault = check_char_refs(bytes.data, bytes.size);
    if (fault.cause) {
        pool::deallocate(bytes.data);
        out.cause = fault.cause;
        out.offset = fault.offset;
        return out;
    }

    auto document = std::unique_ptr<Document>(new Document());
    // The document takes the block over and frees it through the pool.
    pugi::xml_parse_result result =
        document->xml.load_buffer_inplace_own(bytes.data, bytes.size, kParseOptions, encoding);
    if (!result) {
        out.cause = result.description();
        out.offset = static_cast<std::size_t>(result.offset);
        return out;
    }
    pugi::xml_node root = document->xml.document_element();
    if (std::strcmp(root.name(), "AUTOSAR") != 0) {
        out.cause = std::string("the root element is <") + root.name() + ">, not <AUTOSAR>";
        std::ptrdiff_t at = root.offset_debug();
        out.offset = at > 0 ? static_cast<std::size_t>(at - 1) : 0;  // at the '<'
        return out;
    }
    out.document = std::move(document);
    return out;
}

}  // namespace corvenna
