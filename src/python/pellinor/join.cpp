// The join. A key is turned into a plan (what kind of cell, which attribute names to follow) by the
// ordinary str operations; a plan made from a plain str is kept for the rest of the call, since a
// str cannot change. Other key objects are planned afresh for every element.
#include "python/pellinor/join.hpp"

#include "python/pellinor/native_paths.hpp"

#include "python/common/guard.hpp"

#include <utility>
#include <vector>

namespace velvane::pellinor {
namespace {

struct KeyPlan {
    enum class Kind { model_name, blank, child, path };
    Kind kind = Kind::blank;
    std::vector<py::object> steps;  // attribute names: one for a child, one per path step
    bool native = false;            // steps are plain str: the binding's own elements read them natively
};

void allow_native(KeyPlan& plan) {
    plan.native = !plan.steps.empty();
    for (const py::object& step : plan.steps) plan.native = plan.native && PyUnicode_CheckExact(step.ptr());
}

PyObject* blank_text() {
    static PyObject* const blank = intern("");
    return blank;
}

// `getattr(obj, name)`, or nullptr with no pending error when that fails in any way.
PyObject* lookup_attribute(PyObject* obj, PyObject* name) {
    PyObject* value = nullptr;
#if PY_VERSION_HEX >= 0x030D0000
    int found = PyObject_GetOptionalAttr(obj, name, &value);
#else
    int found = _PyObject_LookupAttr(obj, name, &value);
#endif
    if (found <= 0) {
        PyErr_Clear();
        return nullptr;
    }
    return value;
}

// An attribute name as a step; plain str names are interned so that lookups hit fast.
py::object attribute_name(py::object name) {
    if (!PyUnicode_CheckExact(name.ptr())) return name;
    PyObject* raw = name.release().ptr();
    PyUnicode_InternInPlace(&raw);
    return py::reinterpret_steal<py::object>(raw);
}

KeyPlan make_plan(py::handle key) {
    static PyObject* const model_name_key = intern("SWC-NAME");
    static PyObject* const placeholder = intern("mapped system signal");
    static PyObject* const dash = intern("-");
    static PyObject* const underscore = intern("_");
    static PyObject* const line_feed = intern("\n");

    KeyPlan plan;
    if (equals(key, model_name_key)) {
        plan.kind = KeyPlan::Kind::model_name;
        return plan;
    }
    py::object lowered = own(PyObject_CallMethod(key.ptr(), "lower", nullptr));
    if (contains(lowered, placeholder)) return plan;  // blank
    py::object name = own(PyObject_CallMethod(key.ptr(), "replace", "OO", dash, underscore));
    // No attribute has an empty name: the lookup, which costs a raised and dropped error, is skipped.
    if (PyUnicode_Check(name.ptr()) && PyUnicode_GET_LENGTH(name.ptr()) == 0) return plan;  // blank
    if (!contains(name, line_feed)) {
        plan.kind = KeyPlan::Kind::child;
        plan.steps.push_back(attribute_name(std::move(name)));
        allow_native(plan);
        return plan;
    }
    plan.kind = KeyPlan::Kind::path;
    py::object parts = own(PyObject_CallMethod(name.ptr(), "split", "O", line_feed));
    Py_ssize_t count = PyObject_Length(parts.ptr());
    if (count < 0) throw PythonError{};
    for (Py_ssize_t i = 0; i < count; ++i) plan.steps.push_back(attribute_name(item_at(parts, i)));
    allow_native(plan);
    return plan;
}

// Plans of the plain str keys met in one call, in the order first met.
class PlanCache {
public:
    const KeyPlan& plan_for(py::handle key, size_t position) {
        if (!PyUnicode_CheckExact(key.ptr())) {
            scratch_ = make_plan(key);
            return scratch_;
        }
        if (position < entries_.size() && entries_[position].first.ptr() == key.ptr()) {
            return entries_[position].second;
        }
        for (auto& entry : entries_) {
            if (entry.first.ptr() == key.ptr()) return entry.second;
        }
        // The cache holds the key, so its address cannot be reused by another key during the call.
        entries_.emplace_back(py::reinterpret_borrow<py::object>(key), make_plan(key));
        return entries_.back().second;
    }

private:
    std::vector<std::pair<py::object, KeyPlan>> entries_;
    KeyPlan scratch_;
};

// The element's text when it is not empty, else "".
py::object text_or_blank(py::handle value) {
    if (truthy(value)) return text_of(value);
    return py::reinterpret_borrow<py::object>(blank_text());
}

// Cells are gathered here and become the record's list in one allocation.
using Cells = std::vector<py::object>;

py::object blank_cell() {
    return py::reinterpret_borrow<py::object>(blank_text());
}

// One cell for a path of two or more steps; a step that finds nothing ends it with "".
void append_path_cell(Cells& record, const std::vector<py::object>& steps, py::handle item) {
    if (steps.empty()) return;
    py::object current = first_of_attribute(item, steps[0]);
    for (size_t i = 1; i < steps.size(); ++i) {
        if (!truthy(current)) {
            record.push_back(blank_cell());
            return;
        }
        current = first_of_attribute(current, steps[i]);
        if (i + 1 == steps.size()) record.push_back(text_or_blank(current));
    }
}

void append_cell(Cells& record, const KeyPlan& plan, py::handle analyser, py::handle item,
                 const NativeApi* api, PathMemo& memo, TextCache& texts) {
    static PyObject* const model_name = intern("modelName");
    if (api && plan.native && Py_TYPE(item.ptr()) == api->element_type &&
        (plan.kind == KeyPlan::Kind::child || plan.kind == KeyPlan::Kind::path)) {
        record.push_back(native_path_cell(*api, item, plan.steps, memo, texts));
        return;
    }
    switch (plan.kind) {
        case KeyPlan::Kind::model_name:
            record.push_back(get_attr(analyser, model_name));
            return;
        case KeyPlan::Kind::blank:
            record.push_back(blank_cell());
            return;
        case KeyPlan::Kind::child:
            record.push_back(text_or_blank(first_of_attribute(item, plan.steps[0])));
            return;
        case KeyPlan::Kind::path:
            append_path_cell(record, plan.steps, item);
            return;
    }
}

py::object as_list(Cells& cells) {
    py::object list = own(PyList_New(static_cast<Py_ssize_t>(cells.size())));
    for (size_t i = 0; i < cells.size(); ++i) {
        PyList_SET_ITEM(list.ptr(), static_cast<Py_ssize_t>(i), cells[i].release().ptr());
    }
    cells.clear();
    return list;
}

void fill_records(py::handle analyser, py::handle keys, py::handle data, py::list& records) {
    PlanCache plans;
    Cells cells;
    const NativeApi* api = native_paths();
    PathMemo memo;
    TextCache texts;
    for_each(data, [&](py::handle item) {
        size_t position = 0;
        cells.clear();
        memo.clear();
        for_each(keys, [&](py::handle key) {
            append_cell(cells, plans.plan_for(key, position++), analyser, item, api, memo, texts);
            return true;
        });
        append(records, as_list(cells));
        return true;
    });
}

}  // namespace

py::object first_of_attribute(py::handle obj, py::handle key) noexcept {
    PyObject* value = lookup_attribute(obj.ptr(), key.ptr());
    if (value == nullptr) return py::none();
    if (!PyList_Check(value)) return py::reinterpret_steal<py::object>(value);
    PyObject* first = nullptr;
    if (PyList_CheckExact(value)) {
        if (PyList_GET_SIZE(value) > 0) {
            first = PyList_GET_ITEM(value, 0);
            Py_INCREF(first);
        }
    } else {
        first = PySequence_GetItem(value, 0);  // a list subclass may index its own way
        if (first == nullptr) PyErr_Clear();
    }
    Py_DECREF(value);
    if (first == nullptr) return py::none();
    return py::reinterpret_steal<py::object>(first);
}

py::list join_records(py::handle analyser, py::handle keys, py::handle data) {
    py::list records;
    velvane::guarded([&] { fill_records(analyser, keys, data, records); });
    return records;
}

}  // namespace velvane::pellinor
