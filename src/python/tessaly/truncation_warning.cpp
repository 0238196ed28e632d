#include "python/tessaly/truncation_warning.hpp"

namespace velvane::tessaly {

namespace {

// Deliberately never released, like the module that holds it.
PyObject* warning_class = nullptr;

constexpr const char* warning_doc =
    "Something did not fit into the workbook: a text longer than a cell holds (32,767 characters,\n"
    "counted in UTF-16 units) was cut, or signals past a sheet's last row (1,048,576) were left out.\n"
    "The message names the sheet, and for a cut text the cell, its length and the limit.";

}  // namespace

void register_truncation_warning(py::module_& module) {
    if (warning_class == nullptr) {
        warning_class = PyErr_NewExceptionWithDoc("Velvane.Tessaly.TruncationWarning", warning_doc,
                                                  PyExc_UserWarning, nullptr);
        if (warning_class == nullptr) throw py::error_already_set();
    }
    module.attr("TruncationWarning") = py::reinterpret_borrow<py::object>(warning_class);
}

void warn_truncation(const std::string& message) {
    if (PyErr_WarnEx(warning_class, message.c_str(), 1) < 0) throw py::error_already_set();
}

}  // namespace velvane::tessaly
