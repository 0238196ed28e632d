#include "python/pellinor/native_paths.hpp"

#include <algorithm>

#include "python/pellinor/join.hpp"

namespace velvane::pellinor {
namespace {

namespace native = corvenna::native;

const NativeApi* binding_api = nullptr;
PyObject* module_dict = nullptr;  // the module lives as long as the process: one reference kept

const NativeApi* api_of(py::handle binding) {
    PyObject* capsule = PyObject_GetAttrString(binding.ptr(), "_native_api");
    if (!capsule) {
        PyErr_Clear();
        return nullptr;
    }
    auto* api = static_cast<const NativeApi*>(PyCapsule_GetPointer(capsule, native::kCapsuleName));
    Py_DECREF(capsule);
    if (!api) {
        PyErr_Clear();
        return nullptr;
    }
    return api->version == native::kApiVersion ? api : nullptr;
}

py::object blank_cell() {
    static PyObject* const blank = intern("");
    return py::reinterpret_borrow<py::object>(blank);
}

// The element object the lookups would have made for the cursor's element, or None where making it
// fails (the failed lookup would have read as None).
py::object element_object(const NativeApi& api, const native::Cursor& cursor) {
    PyObject* element = api.make_element(&cursor);
    if (element) return py::reinterpret_steal<py::object>(element);
    PyErr_Clear();
    return py::none();
}

// The cell from `current`, a value the steps left the binding with, and the steps still to follow:
// the attribute lookups of the generic join.
py::object cell_from_value(py::object current, const std::vector<py::object>& steps, size_t next) {
    for (;;) {
        if (!truthy(current)) return blank_cell();
        if (next == steps.size()) return text_of(current);
        current = first_of_attribute(current, steps[next++]);
    }
}

// How many first names `steps` shares with the memo's, and the cursor to go on from (the item's when
// none is shared).
size_t resume(const NativeApi& api, py::handle item, const std::vector<py::object>& steps, PathMemo& memo,
              native::Cursor& cursor) {
    size_t shared = 0;
    size_t limit = std::min(steps.size(), memo.steps.size());
    while (shared < limit && memo.steps[shared].ptr() == steps[shared].ptr()) ++shared;
    if (shared > memo.reached.size() && memo.ended_absent) return steps.size() + 1;  // blank again
    shared = std::min(shared, memo.reached.size());
    memo.reached.resize(shared);
    memo.steps = steps;
    memo.ended_absent = false;
    if (shared > 0) {
        cursor = memo.reached.back();
    } else {
        api.cursor_of(item.ptr(), &cursor);
    }
    return shared;
}

}  // namespace

void load_native_paths(py::module_& m) {
    at_boundary([&] {
        binding_api = api_of(get_attr(m, "AUTOSAR_00048"));
        module_dict = PyModule_GetDict(m.ptr());
        Py_INCREF(module_dict);
        set_attr(m, "_native_paths", py::handle(Py_True));
    });
}

const NativeApi* native_paths() {
    if (!binding_api || !module_dict) return nullptr;
    PyObject* on = PyDict_GetItemString(module_dict, "_native_paths");  // borrowed
    if (!on) return nullptr;
    int result = PyObject_IsTrue(on);
    if (result < 0) PyErr_Clear();
    return result > 0 ? binding_api : nullptr;
}

py::object native_path_cell(const NativeApi& api, py::handle item, const std::vector<py::object>& steps,
                            PathMemo& memo, TextCache& texts) {
    native::Cursor cursor;
    size_t start = resume(api, item, steps, memo, cursor);
    if (start > steps.size()) return blank_cell();
    for (size_t i = start; i < steps.size(); ++i) {
        PyObject* value = nullptr;
        switch (api.read_first(&cursor, steps[i].ptr(), &value)) {
            case native::kStepElement:
                memo.reached.push_back(cursor);
                continue;  // an element is always true
            case native::kStepAbsent:
                memo.ended_absent = true;
                return blank_cell();
            case native::kStepValue:
                return cell_from_value(py::reinterpret_steal<py::object>(value), steps, i + 1);
            case native::kStepOther: {
                py::object element = i == 0 ? py::reinterpret_borrow<py::object>(item) : element_object(api, cursor);
                if (element.is_none()) return blank_cell();
                return cell_from_value(first_of_attribute(element, steps[i]), steps, i + 1);
            }
            case native::kStepFailed:
                PyErr_Clear();  // a lookup that fails reads as None
                return blank_cell();
        }
    }
    if (py::object text = texts.text(api, cursor)) return text;
    py::object element = element_object(api, cursor);
    if (element.is_none()) return blank_cell();
    return text_of(element);
}

}  // namespace velvane::pellinor
