// Velvane.Tessaly: a directory of ARXML software-component files to the signal list workbook.
#include <pybind11/pybind11.h>

#include "tessaly/key_lists.hpp"
#include "tessaly/loader.hpp"
#include "tessaly/module_state.hpp"
#include "tessaly/project_types_class.hpp"
#include "tessaly/signal_sheet.hpp"

namespace py = pybind11;
namespace tessaly = velvane::tessaly;

namespace {

// The class carries no state; both operations work on what they are given.
struct Tessaly {};

void load(py::object self, py::object path) {
    tessaly::load_directory(self, path, tessaly::LoadSettings());
}

void gen_excel(py::object /*self*/, py::object workbook, py::object modelName, py::object pport,
               py::object rport, py::object typeDcit, py::object /*enumDict*/, py::object structDict,
               py::object enumValList) {
    tessaly::write_signal_sheet(workbook, {modelName, pport, rport, typeDcit, structDict, enumValList});
}

// The modules this one needs, imported as the module loads: a failed import fails the module.
void import_services(py::module_& m) {
    m.attr("os") = py::module_::import("os");
    m.attr("Pellinor") = tessaly::import_name("Velvane.Pellinor", "Pellinor");
    m.attr("Workbook") = tessaly::import_name("xlsxwriter.workbook", "Workbook");
}

}  // namespace

PYBIND11_MODULE(Tessaly, m) {
    m.doc() = "Signal-list generation: a directory of ARXML files to SignalList.xlsx.";
    import_services(m);
    tessaly::add_key_lists(m);
    tessaly::remember_module(m);
    tessaly::add_project_types_class(m);

    py::class_<Tessaly>(m, "Tessaly", "Loader and workbook writer of the signal list.")
        .def(py::init<>())
        .def("load", &load, py::arg("path"),
             "Writes ./SignalList.xlsx with one worksheet per '.arxml' entry of the directory `path`.")
        .def("genExcel", &gen_excel, py::arg("workbook"), py::arg("modelName"), py::arg("pport"),
             py::arg("rport"), py::arg("typeDcit"), py::arg("enumDict"), py::arg("structDict"),
             py::arg("enumValList"),
             "Adds the signal sheet of one model to `workbook`.");
}
