#include "python/tessaly/module_state.hpp"

#include "core/arxml/buffer_pool.hpp"
#include "core/sheet/sheet_output.hpp"
#include "python/tessaly/parse_ahead.hpp"

#include <string>

namespace velvane::tessaly {

namespace {

// Deliberately never released: the module lives until the interpreter ends, and a reference
// dropped after finalisation would touch a dead interpreter.
PyObject* the_module = nullptr;

void remember_module(const py::module_& module) {
    Py_XDECREF(the_module);
    the_module = module.inc_ref().ptr();
}

// The modules this one needs, imported as the module loads: a failed import fails the module.
// xlsxwriter's Workbook is imported only when read (writer_choice.hpp).
void import_services(py::module_& m) {
    m.attr("os") = py::module_::import("os");
    m.attr("Pellinor") = import_name("Velvane.Pellinor", "Pellinor");
}

}  // namespace

void register_services(py::module_& m) {
    // The project index parses through the same pooled memory as the binding, in this module's copy.
    pool::install_for_pugixml();
    import_services(m);
    share_parse_memory();
    remember_module(m);
    // Internal, for tests: the rows a sheet holds, lowered to reach a sheet's end without a million rows.
    m.attr("_sheet_rows") = sheet_row_limit;
}

py::object module_global(const char* name) {
    return py::reinterpret_borrow<py::object>(the_module).attr(name);
}

py::object import_name(const char* module, const char* name) {
    py::module_ imported = py::module_::import(module);
    if (!py::hasattr(imported, name)) {
        throw py::import_error(std::string("cannot import name '") + name + "' from '" + module + "'");
    }
    return imported.attr(name);
}

}  // namespace velvane::tessaly
