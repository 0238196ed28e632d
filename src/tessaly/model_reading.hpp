// Lenient reads of parsed ARXML element objects for the project index: a child the file lacks, or
// one that the element type does not know, reads as absent instead of failing.
#pragma once

#include <pybind11/pybind11.h>

#include <string>

namespace velvane::tessaly {

namespace py = pybind11;

// An interned attribute name made once per literal and kept for the life of the process; the
// binding finds children it has already read by the identity of their name.
PyObject* interned_name(const char* literal);

// `element.<name>`, or None when the element is None or has no such child or attribute. Failures
// other than a missing attribute are raised.
py::object child_of(py::handle element, const char* name);

// The children of a repeated child as a list; a single child becomes a list of one, an absent one
// an empty list.
py::list children_of(py::handle element, const char* name);

// The text of an element with surrounding white space removed; empty when the element is absent,
// has no text, or its text is not a str.
std::string stripped_text(py::handle element);

// The UTF-8 form of a str; empty for anything else and for text without one (lone surrogates).
std::string utf8_or_empty(py::handle text);

// An element's text as written, white space kept ("" when it has none).
std::string raw_text(py::handle element);

// stripped_text(child_of(element, name))
std::string child_text(py::handle element, const char* name);

// The first element of `element`'s SW-DATA-DEF-PROPS / -VARIANTS / -CONDITIONAL chain, or None.
py::object first_conditional_props(py::handle element);

}  // namespace velvane::tessaly
