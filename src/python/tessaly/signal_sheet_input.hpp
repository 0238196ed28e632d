// genExcel's arguments as the signal sheet (core/sheet/signal_sheet.hpp) reads them: the analyser's
// port records and type tables of one file, read through Python's protocols.
#pragma once

#include <pybind11/pybind11.h>

namespace velvane {
class SheetDetails;
class SheetTyping;
}  // namespace velvane

namespace velvane::tessaly {

namespace py = pybind11;

struct GenExcelArguments {
    py::handle model_name;    // file name without ".arxml"
    py::handle pport;         // provided-port records: the output half
    py::handle rport;         // required-port records: the input half
    py::handle types;         // typeDcit: interface name -> type name
    py::handle structures;    // structDict: structure type name -> structure record
    py::handle enumerations;  // enumValList: compu method name -> [position, literal] pairs
    const SheetTyping* typing = nullptr;    // project typing, or none
    const SheetDetails* details = nullptr;  // signal details, or none
    // None, or a list that gets a Signal (signal_facts.hpp) for each signal written, inputs first.
    py::handle signals = py::none();
    bool working_view = false;  // the sheet made ready to work with (core/sheet/sheet_view.hpp)
};

// Adds the model's signal sheet to `workbook` (the native workbook, or an xlsxwriter one).
void write_signal_sheet(py::handle workbook, const GenExcelArguments& arguments);

}  // namespace velvane::tessaly
