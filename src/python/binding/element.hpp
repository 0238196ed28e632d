// The Python object for one XML element: children as attributes, by the schema's once/many split.
#pragma once

#include <Python.h>

#include <cstdint>

#include <pugixml.hpp>

#include "core/arxml/document.hpp"
#include "python/binding/core_names.hpp"

namespace corvenna {

// An attribute already read: the name it was read under and the value, both owned.
struct CachedAttribute {
    PyObject* name;
    PyObject* value;
};

// Most elements are read under one to three names; those fit in the object itself.
constexpr std::uint16_t kInlineAttributes = 3;

struct ElementObject {
    PyObject_HEAD
    Document* document;             // kept alive while this object lives
    pugi::xml_node_struct* node;
    CachedAttribute* cache;         // attributes read so far: `inline_cache` or a heap array
    std::uint16_t cache_size;
    std::uint16_t cache_capacity;
    std::uint16_t type;             // schema element type
    CachedAttribute inline_cache[kInlineAttributes];
};

extern PyTypeObject ElementType;

// New reference to an element object for `node` of schema type `type`; nullptr on failure.
PyObject* make_element(Document* document, pugi::xml_node node, std::uint16_t type);

// valueOf_ of `node`: its character content, or None when there is none; nullptr on failure.
PyObject* read_text(pugi::xml_node node);

// The XML attribute of `node` whose name, with "-" as "_", is `name`, as str; nullptr if there is none
// (no error set) or on failure (error set).
PyObject* read_xml_attribute(pugi::xml_node node, PyObject* name);

// Readies the type (call once at module import).
int ready_element_type();

}  // namespace corvenna
