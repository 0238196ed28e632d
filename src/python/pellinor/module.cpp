// Velvane.Pellinor: the schema binding is imported first; without it the class is not defined.
//
// The entry point is written out instead of using PYBIND11_MODULE, which would wrap a failed import of
// the binding in an ImportError of its own: the importer must see the binding's error unchanged.
#include "python/pellinor/analyser.hpp"
#include "python/pellinor/native_paths.hpp"
#include "python/pellinor/schema_binding.hpp"

namespace {

pybind11::module_::module_def module_definition;

void init_module(pybind11::module_& m) {
    m.doc() =
        "ARXML analyser: one AUTOSAR software-component file to records and type tables.\n\n"
        "The class Pellinor reads a file through Omdra.Corvenna.AUTOSAR_00048 (kept here as the\n"
        "module-level name AUTOSAR_00048) and returns its interfaces, ports, runnables and types as\n"
        "records of text. Velvane.Tessaly uses it to write the signal list.";
    velvane::pellinor::import_schema_binding(m);
    velvane::pellinor::load_native_paths(m);
    velvane::pellinor::register_analyser(m);
}

}  // namespace

PYBIND11_PLUGIN_IMPL(Pellinor) {
    PYBIND11_CHECK_PYTHON_VERSION
    PYBIND11_ENSURE_INTERNALS_READY
    auto m = pybind11::module_::create_extension_module("Pellinor", nullptr, &module_definition);
    try {
        init_module(m);
        return m.ptr();  // the module reference made by create_extension_module goes to the importer
    } catch (pybind11::error_already_set& e) {
        e.restore();
    } catch (const std::exception& e) {
        PyErr_SetString(PyExc_ImportError, e.what());
    }
    return nullptr;
}
