// Turning a failed load into the Python exception the caller sees.
#pragma once

#include <Python.h>

#include "core/arxml/document.hpp"
#include "python/binding/core_names.hpp"

namespace corvenna {

// The module's ParseError class (a ValueError), set up at import.
extern PyObject* ParseError;

// Raises the exception for a failed load of `path` (a str): OSError subclasses for files that cannot be
// read, ParseError "path:line:column: cause" for text that is not acceptable. Always returns nullptr.
PyObject* raise_load_failure(const LoadOutcome& outcome, PyObject* path, PyObject* fs_path);

}  // namespace corvenna
