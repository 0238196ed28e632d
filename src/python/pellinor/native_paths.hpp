// Join paths read through the binding's own element reading (python/binding/native_api.hpp): no element
// object is made for the steps between a record's element and the cell's text. Used only for elements
// of exactly the binding's element type and while the module attribute `_native_paths` is true; it
// gives the very cells that the chain of attribute lookups gives.
#pragma once

#include "python/binding/native_api.hpp"

#include <vector>

#include "python/pellinor/py_access.hpp"
#include "python/pellinor/text_cache.hpp"

namespace velvane::pellinor {

using NativeApi = corvenna::native::NativeApi;

// Takes the capsule of the binding now kept as `m.AUTOSAR_00048` when it offers our version, and sets
// `m._native_paths = True`. A binding without one leaves every join on attribute lookups.
void load_native_paths(py::module_& m);

// The binding's reading when it is there and switched on, else nullptr.
const NativeApi* native_paths();

// Where the previous cell of a record got to: a cell whose path starts with the same names resumes
// there (the key lists repeat long first parts). Clear it before each record.
struct PathMemo {
    std::vector<py::object> steps;                   // the previous cell's names
    std::vector<corvenna::native::Cursor> reached;   // the element after each of its first steps
    bool ended_absent = false;                       // the step after those found nothing

    void clear() {
        steps.clear();
        reached.clear();
        ended_absent = false;
    }
};

// The cell for `steps` (one or more exact str attribute names) from `item`, whose type is
// `api.element_type`: "" where a step finds nothing, else the text of what the last step finds.
// Texts come through `texts`, which lives for the whole join.
py::object native_path_cell(const NativeApi& api, py::handle item, const std::vector<py::object>& steps,
                            PathMemo& memo, TextCache& texts);

}  // namespace velvane::pellinor
