#include "python/tessaly/writer_choice.hpp"

#include "python/tessaly/module_state.hpp"

namespace velvane::tessaly {

namespace {

// Deliberately never released, like the module that holds them.
PyObject* xlsxwriter_workbook = nullptr;  // once imported
PyObject* own_gen_excel = nullptr;

constexpr const char* workbook_name = "Workbook";

// xlsxwriter's Workbook class; ImportError when xlsxwriter cannot be imported.
py::object xlsxwriter_class() {
    if (xlsxwriter_workbook == nullptr) {
        xlsxwriter_workbook = import_name("xlsxwriter.workbook", workbook_name).release().ptr();
    }
    return py::reinterpret_borrow<py::object>(xlsxwriter_workbook);
}

// The module's Workbook as a caller set it, or null when nobody has (borrowed).
PyObject* workbook_in_module() {
    py::object namespace_dict = module_global("__dict__");
    PyObject* value = PyDict_GetItemString(namespace_dict.ptr(), workbook_name);
    return value;
}

// PEP 562: called for a module attribute that is not there. Workbook is imported, kept in the
// module and returned; anything else is an AttributeError as usual.
py::object module_getattr(py::str name) {
    if (name.equal(py::str(workbook_name))) {
        py::object workbook = xlsxwriter_class();
        py::object namespace_dict = module_global("__dict__");
        if (PyDict_SetDefault(namespace_dict.ptr(), name.ptr(), workbook.ptr()) == nullptr) {
            throw py::error_already_set();
        }
        return py::reinterpret_borrow<py::object>(PyDict_GetItem(namespace_dict.ptr(), name.ptr()));
    }
    PyErr_Format(PyExc_AttributeError, "module 'Velvane.Tessaly' has no attribute '%U'", name.ptr());
    throw py::error_already_set();
}

py::list module_dir() {
    py::list names = py::list(module_global("__dict__").attr("keys")());
    if (!names.contains(workbook_name)) names.append(workbook_name);
    names.attr("sort")();
    return names;
}

}  // namespace

void remember_writer_defaults(py::module_& module) {
    Py_XDECREF(own_gen_excel);
    own_gen_excel = py::object(module.attr("Tessaly").attr("__dict__")["genExcel"].attr("__func__")).release().ptr();
    module.def("__getattr__", &module_getattr, py::arg("name"));
    module.def("__dir__", &module_dir);
}

bool native_writer_applies(py::handle loader) {
    PyObject* set = workbook_in_module();
    if (set != nullptr) {
        // Set by a caller (or read once): native only while it is xlsxwriter's own class.
        try {
            if (set != xlsxwriter_class().ptr()) return false;
        } catch (py::error_already_set& failure) {
            if (!failure.matches(PyExc_ImportError)) throw;
            return false;  // then it cannot be xlsxwriter's
        }
    }
    return own_gen_excel_applies(loader);
}

bool own_gen_excel_applies(py::handle loader) {
    py::object method = py::getattr(loader, "genExcel");
    py::object function = py::getattr(method, "__func__", py::none());
    return function.ptr() == own_gen_excel;
}

}  // namespace velvane::tessaly
