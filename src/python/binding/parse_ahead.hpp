// Parsing a file ahead of its turn: a worker thread reads and parses the file while the caller does
// other work, and the next parse of the same path on the same thread takes the prepared document.
//
// A request is held by a ticket object; dropping the ticket discards a document nobody took and waits
// for the worker, so no thread outlives its ticket. Only a successful parse of a file that has not
// changed since the worker looked at it is ever handed over: anything else (a failure, a file
// replaced or rewritten in between) is parsed again at its turn, so the caller sees exactly what a
// plain parse at that moment gives. The worker touches no Python object.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>

#include "core/arxml/document.hpp"
#include "core/platform/file_identity.hpp"
#include "python/binding/core_names.hpp"

namespace corvenna::ahead {

namespace py = pybind11;

// Adds the ticket class to the module.
void add_ticket_class(py::module_& m);

// Starts parsing `fs_path` (the file-system encoded path, bytes) on a worker; returns its ticket, or
// None when no worker could be started.
py::object start(py::handle fs_path);

// A ticket for `document`, parsed elsewhere from `fs_path` (bytes) after `seen` was taken: the next
// parse of that path on this thread takes it under the same rules.
py::object adopt(py::handle fs_path, std::unique_ptr<Document> document, const FileIdentity& seen);

// New reference to the capsule through which the loader hands documents over (document_handoff.hpp).
PyObject* handoff_capsule();

// The prepared document of `fs_path` requested by this thread, if one is ready or under way and the
// file is unchanged; null otherwise. Call with the GIL held: it is released while waiting.
std::unique_ptr<Document> take(const char* fs_path);

}  // namespace corvenna::ahead
