// Handing the binding a document parsed elsewhere, as if its own worker had parsed it ahead of its turn:
// the loader's project index parses every file of a run anyway, and gives those documents on instead of
// having each file parsed twice. Offered as the capsule `_document_handoff`.
//
// Both modules build documents with the same code (the arxml_document library, the same pugixml) and
// route parse memory through pools whose blocks are plain malloc blocks with the same header, so a
// document made by one is read and freed by the other safely.
#pragma once

#include <Python.h>

#include "core/arxml/document.hpp"
#include "core/platform/file_identity.hpp"
#include "python/binding/core_names.hpp"

namespace corvenna::handoff {

constexpr const char* kCapsuleName = "Omdra.Corvenna.AUTOSAR_00048._document_handoff";
constexpr int kVersion = 1;

struct DocumentHandoff {
    int version;  // kVersion
    // Takes `document` over (also when it fails) and returns a new reference to a parse-ahead ticket of
    // `fs_path` (bytes, file-system encoded) for the calling thread, or nullptr with a Python error set.
    // `seen` is the file's identity taken before it was read. Call with the GIL held.
    PyObject* (*adopt)(PyObject* fs_path, Document* document, const FileIdentity* seen);
    // The binding's parse memory (buffer_pool.hpp), for the other module's pool to forward to.
    void* (*pool_allocate)(std::size_t size) noexcept;
    void (*pool_deallocate)(void* block) noexcept;
};

}  // namespace corvenna::handoff
