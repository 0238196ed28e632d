#include "core/arxml/document.hpp"

#include <cerrno>
#include <cstring>

#include "core/arxml/buffer_pool.hpp"
#include "core/platform/platform_file.hpp"
#include "core/arxml/text_encoding.hpp"
#include "core/arxml/utf8_check.hpp"

namespace velvane {

// Text content is stored in its element (no separate text nodes); whitespace-only text survives only
// where it is an element's whole content; DOCTYPE declarations are skipped, never interpreted.
const unsigned int kParseOptions =
    pugi::parse_default | pugi::parse_ws_pcdata_single | pugi::parse_embed_pcdata;

namespace {
LoadOutcome read_and_parse(const char* fs_path);
}  // namespace

LoadOutcome load_document(const char* fs_path) {
    FileIdentity identity = identity_of(fs_path);  // before reading: any later change shows
    LoadOutcome out = read_and_parse(fs_path);
    out.identity = identity;
    if (out.document) out.document->source = fs_path;
    return out;
}

namespace {

LoadOutcome read_and_parse(const char* fs_path) {
    LoadOutcome out;
    velvane::FileContents bytes;
    out.os_error = velvane::read_whole_file(fs_path, {pool::allocate, pool::deallocate}, bytes, out.os_cause);
    if (out.os_error != 0) return out;
    return parse_text(bytes.data, bytes.size);
}

}  // namespace

LoadOutcome parse_text(unsigned char* block, std::size_t size) {
    // The document frees the block through pugixml's deallocation, which must be the pool's.
    static const bool pool_serves_pugixml = (pool::install_for_pugixml(), true);
    (void)pool_serves_pugixml;
    LoadOutcome out;
    EncodingChoice encoding = choose_encoding(block, size);
    out.encoding = encoding.kind;
    if (!encoding.refusal.empty()) {
        pool::deallocate(block);
        out.cause = encoding.refusal;
        out.offset = encoding.offset;
        return out;
    }
    TextFault fault{0, nullptr};
    if (out.encoding == SourceEncoding::kWindows1252) {
        fault = check_no_nul(block, size);
        if (!fault.cause) {
            // Parsed as the UTF-8 it stands for: offsets of later faults refer to that text.
            auto* converted = static_cast<unsigned char*>(pool::allocate(3 * size + 1));
            if (!converted) {
                pool::deallocate(block);
                out.os_error = ENOMEM;
                return out;
            }
            std::size_t converted_size = windows1252_to_utf8(block, size, converted);
            converted[converted_size] = 0;
            pool::deallocate(block);
            block = converted;
            size = converted_size;
        }
    } else if (out.encoding == SourceEncoding::kUtf8)
        fault = check_utf8(block, size);
    else if (out.encoding == SourceEncoding::kLatin1)
        fault = check_no_nul(block, size);
    if (!fault.cause && out.encoding != SourceEncoding::kUtf16or32) fault = check_char_refs(block, size);
    if (fault.cause) {
        pool::deallocate(block);
        out.cause = fault.cause;
        out.offset = fault.offset;
        return out;
    }

    auto document = std::unique_ptr<Document>(new Document());
    // The document takes the block over and frees it through the pool.
    pugi::xml_parse_result result =
        document->xml.load_buffer_inplace_own(block, size, kParseOptions, encoding.parse_as);
    if (!result) {
        out.cause = result.description();
        out.offset = static_cast<std::size_t>(result.offset);
        return out;
    }
    pugi::xml_node root = document->xml.document_element();
    if (std::strcmp(root.name(), "AUTOSAR") != 0) {
        out.cause = std::string("not an AUTOSAR file: root element is <") + root.name() + ">";
        std::ptrdiff_t at = root.offset_debug();
        out.offset = at > 0 ? static_cast<std::size_t>(at - 1) : 0;  // at the '<'
        return out;
    }
    document->text_size = size;
    out.document = std::move(document);
    return out;
}

}  // namespace velvane
