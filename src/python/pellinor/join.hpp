// The join: model elements to records of text, one cell per key of a key list.
#pragma once

#include "python/pellinor/py_access.hpp"

namespace velvane::pellinor {

// `getArray`: one record per element of `data`, one cell per key of `keys`. Never fails: a failure
// ends the call and the records completed before it are returned.
py::list join_records(py::handle analyser, py::handle keys, py::handle data);

// `invokeData`: attribute `key` of `obj`, its first item when it is a list, or None on any failure.
py::object first_of_attribute(py::handle obj, py::handle key) noexcept;

}  // namespace velvane::pellinor
