// What the analysis cannot read in a file, said about the file. Where an element lacks what the
// analysis needs (a name, a child), it fails as it always did, with the same exception type
// (AttributeError, TypeError), but the message is a sentence naming the element and, for an element of
// a parsed file, where it stands: "path:line:column: member of structure 'S' without a name", with the
// attributes filename, lineno, colno and cause that the binding's ParseError has.
#pragma once

#include "python/pellinor/py_access.hpp"

#include <string>

namespace velvane::pellinor {

// Raises `kind(cause)` about `element`; located where `element` is an element of a parsed file.
[[noreturn]] void raise_about(py::handle element, PyObject* kind, const std::string& cause);

// `element.<child>` where the file must have that child: AttributeError "<what> without <tag>" about
// `element` where it has none (the attribute reads None).
py::object required_child(py::handle element, const char* child, const std::string& what);

// The SHORT-NAME text of `element` (None where it is empty); AttributeError "<what> without a name"
// about `element` where it has no SHORT-NAME.
py::object required_name(py::handle element, const std::string& what);

// " 'name'" for a str name, "" for anything else: for sentences that name an element when they can.
std::string quoted(py::handle name);

}  // namespace velvane::pellinor
