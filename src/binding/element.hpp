// The Python object for one XML element: children as attributes, by the schema's once/many split.
#pragma once

#include <Python.h>

#include <cstdint>

#include <pugixml.hpp>

#include "document.hpp"

namespace corvenna {

struct ElementObject {
    PyObject_HEAD
    Document* document;             // kept alive while this object lives
    pugi::xml_node_struct* node;
    std::uint16_t type;             // schema element type
    PyObject* cache;                // dict of attribute values already read, or nullptr
};

extern PyTypeObject ElementType;

// New reference to an element object for `node` of schema type `type`; nullptr on failure.
PyObject* make_element(Document* document, pugi::xml_node node, std::uint16_t type);

// Readies the type (call once at module import).
int ready_element_type();

}  // namespace corvenna
