#include "python/tessaly/parse_ahead.hpp"

#include <exception>

#include "core/arxml/buffer_pool.hpp"
#include "python/common/py_text.hpp"
#include "python/tessaly/module_state.hpp"

namespace velvane::tessaly {

namespace {

// Runs `work`, dropping an ordinary failure: parsing ahead is an optimisation and never fails a run.
// KeyboardInterrupt and SystemExit go on to the caller.
template <class Work>
void optionally(Work&& work) {
    try {
        work();
    } catch (py::error_already_set& failure) {
        if (!failure.matches(PyExc_Exception)) throw;
    } catch (py::builtin_exception&) {
    } catch (std::exception&) {
    }
}

// sys.modules[name], or None.
py::object loaded_module(const char* name) {
    PyObject* module = PyDict_GetItemString(PyImport_GetModuleDict(), name);  // borrowed
    return module ? py::reinterpret_borrow<py::object>(module) : py::none();
}

// The binding's _parse_ahead when the analyser in use reads through the binding itself, else None.
py::object parse_ahead_entry() {
    py::object start = py::none();
    optionally([&] {
        py::object pellinor = loaded_module("Velvane.Pellinor");
        py::object binding = loaded_module("Omdra.Corvenna.AUTOSAR_00048");
        if (pellinor.is_none() || binding.is_none() || !PyModule_CheckExact(binding.ptr())) return;
        if (!module_global("Pellinor").is(py::object(pellinor.attr("Pellinor")))) return;
        if (!py::object(pellinor.attr("AUTOSAR_00048")).is(binding)) return;
        start = binding.attr("_parse_ahead");
    });
    return start;
}

bool is_arxml_name(PyObject* entry) {
    static PyObject* const suffix = PyUnicode_InternFromString(".arxml");
    if (!suffix || !PyUnicode_CheckExact(entry)) return false;
    return PyUnicode_Tailmatch(entry, suffix, 0, PY_SSIZE_T_MAX, 1) == 1;
}

// The first ".arxml" entry after `position`; null at the end of the listing or at an entry the run
// itself will refuse (no str), and for listings that are not plain lists.
PyObject* next_arxml_entry(py::handle entries, Py_ssize_t position) {
    if (!PyList_CheckExact(entries.ptr())) return nullptr;
    for (Py_ssize_t i = position + 1; i < PyList_GET_SIZE(entries.ptr()); ++i) {
        PyObject* entry = PyList_GET_ITEM(entries.ptr(), i);
        if (!PyUnicode_CheckExact(entry)) return nullptr;
        if (is_arxml_name(entry)) return entry;
    }
    return nullptr;
}

// The binding's document handoff, or null when it offers none of this version.
const corvenna::handoff::DocumentHandoff* handoff_entry() {
    const corvenna::handoff::DocumentHandoff* api = nullptr;
    optionally([&] {
        py::object binding = loaded_module("Omdra.Corvenna.AUTOSAR_00048");
        if (binding.is_none() || !py::hasattr(binding, "_document_handoff")) return;
        py::object capsule = binding.attr("_document_handoff");
        void* pointer = PyCapsule_GetPointer(capsule.ptr(), corvenna::handoff::kCapsuleName);
        if (pointer == nullptr) throw py::error_already_set();
        auto* offered = static_cast<const corvenna::handoff::DocumentHandoff*>(pointer);
        if (offered->version == corvenna::handoff::kVersion) api = offered;
    });
    return api;
}

}  // namespace

void share_parse_memory() {
    if (const corvenna::handoff::DocumentHandoff* api = handoff_entry()) {
        pool::forward_to(api->pool_allocate, api->pool_deallocate);
    }
}

ParseAhead::ParseAhead() : start_(parse_ahead_entry()) {
    if (!start_.is_none()) handoff_ = handoff_entry();
}

py::object ParseAhead::handed_over(const ProjectIndex* index, PyObject* entry, WhenComing when,
                                   bool* coming) const {
    if (index == nullptr || handoff_ == nullptr) return py::none();
    std::string key = utf8_key(entry);
    KeptDocument kept;
    {
        py::gil_scoped_release unlocked;
        kept = take_document(*index, key, when);
    }
    if (coming) *coming = kept.coming;
    if (!kept.document) return py::none();
    py::bytes path(kept.fs_path);
    PyObject* ticket = handoff_->adopt(path.ptr(), kept.document.release(), &kept.identity);
    if (ticket == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(ticket);
}

void ParseAhead::before_entry(py::handle path, py::handle entries, Py_ssize_t position, const ProjectIndex* index) {
    current_ = std::move(next_);
    next_ = py::none();
    if (start_.is_none()) return;
    if (current_.is_none() && PyList_CheckExact(entries.ptr()) && position < PyList_GET_SIZE(entries.ptr())) {
        PyObject* entry = PyList_GET_ITEM(entries.ptr(), position);
        if (is_arxml_name(entry)) {
            optionally([&] { current_ = handed_over(index, entry, WhenComing::wait, nullptr); });
        }
    }
    PyObject* entry = next_arxml_entry(entries, position);
    if (!entry) return;
    optionally([&] {
        bool coming = false;
        next_ = handed_over(index, entry, WhenComing::return_at_once, &coming);
        if (!next_.is_none() || coming) return;
        py::object filename = module_global("os").attr("path").attr("join")(path, py::handle(entry));
        next_ = start_(filename);
    });
}

}  // namespace velvane::tessaly
