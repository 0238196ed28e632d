// Turning a failed load into the Python exception the caller sees.
#pragma once

#include <Python.h>

#include <cstddef>
#include <string>

#include "core/arxml/document.hpp"
#include "python/binding/core_names.hpp"

namespace corvenna {

// The module's ParseError class (a ValueError), set up at import.
extern PyObject* ParseError;

// Raises the exception for a failed load of `path` (a str): OSError subclasses for files that cannot be
// read, ParseError "path:line:column: cause" for text that is not acceptable. Always returns nullptr.
PyObject* raise_load_failure(const LoadOutcome& outcome, PyObject* path, PyObject* fs_path);

// A new exception of class `kind` (a ParseError's kind of message and attributes) for `cause` in the
// file at `path` (str; `fs_path` its file-system bytes): "path:line:column: cause" where `offset`,
// a byte offset into the text as parsed, is given and the file can be read again to tell line and
// column; else "path: cause", lineno and colno None. Returns nullptr with an error set on failure.
PyObject* located_error(PyObject* kind, PyObject* path, PyObject* fs_path, const std::size_t* offset,
                        const std::string& cause);

}  // namespace corvenna
