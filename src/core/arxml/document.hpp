// One parsed ARXML file. Element objects keep their document alive: it is freed, and its memory goes
// back to the pool, when the last element object of it is gone.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include <pugixml.hpp>

#include "core/platform/file_identity.hpp"

namespace velvane {

struct Document {
    pugi::xml_document xml;
    std::size_t owners = 0;  // the binding's element objects referring to it (counted under its interpreter lock)
    std::size_t text_size = 0;  // bytes of the text as parsed
    std::string source;         // the path it was read from, in the file system's encoding ("" for none)

    void retain() noexcept { ++owners; }
    void release() noexcept {
        if (--owners == 0) delete this;
    }
};

enum class SourceEncoding { kUtf8, kUtf16or32, kLatin1, kWindows1252 };

// What reading and parsing one file gave.
struct LoadOutcome {
    std::unique_ptr<Document> document;  // set on success
    int os_error = 0;                    // errno when the file could not be opened or read
    const char* os_cause = nullptr;      // extra cause for os_error where errno alone is vague
    std::string cause;                   // why the text is not acceptable XML
    std::size_t offset = 0;              // where, as a byte offset into the text as parsed
    SourceEncoding encoding = SourceEncoding::kUtf8;
    FileIdentity identity;  // of the file as it was before it was read (load_document only)
};

// Reads and parses one file: no DTD is processed and no entity is expanded, nothing outside the file
// is read. The root element must be AUTOSAR.
LoadOutcome load_document(const char* fs_path);

// The same for text already in memory: `block` comes from pool::allocate(size + 1) and is taken over.
// Both route pugixml's memory through the pool (pool::install_for_pugixml) before their first parse.
LoadOutcome parse_text(unsigned char* block, std::size_t size);

// The pugixml options every parse uses (the benchmarks use the same).
extern const unsigned int kParseOptions;

}  // namespace velvane
