// The schema table as Python sees it: for each element type, a dict from attribute name (tag with "-"
// turned into "_") to the child row it stands for. Built on first use of a type; needs the GIL.
#pragma once

#include <Python.h>

#include <cstdint>

#include "core/arxml/schema_table.hpp"
#include "python/binding/core_names.hpp"

namespace corvenna {

// Value stored in a type's dict for the text attribute.
constexpr long kValueOfRow = -1;

// Borrowed dict {attribute name: row index (int)} for element type `type`; nullptr with a Python
// error set on failure.
PyObject* attribute_table(std::uint16_t type);

// Borrowed interned str "valueOf_".
PyObject* value_of_name();

// Frees the cached tables (module teardown).
void clear_attribute_tables();

}  // namespace corvenna
