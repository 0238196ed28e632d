// The signal sheet of one model: header row, numbering, input half (required ports) and output
// half (provided ports), each signal with its resolved type.
#pragma once

#include <pybind11/pybind11.h>

namespace velvane::tessaly {

namespace py = pybind11;

class SheetDetails;
class SheetTyping;
class WorkbookOutput;

struct SignalSheetInput {
    py::handle model_name;    // file name without ".arxml"
    py::handle pport;         // provided-port records: the output half
    py::handle rport;         // required-port records: the input half
    py::handle types;         // interface name -> type name
    py::handle structures;    // structure type name -> structure record
    py::handle enumerations;  // compu method name -> [position, literal] pairs
    // Project typing: fills in what the look-ups above leave empty; none for the plain sheet.
    const SheetTyping* typing = nullptr;
    // None, or a list that gets a Signal (signal_facts.hpp) for each signal written, inputs first.
    py::handle signals = py::none();
    // Signal details: the description, details and remark columns; none leaves them empty.
    const SheetDetails* details = nullptr;
};

// Adds the model's worksheet to `workbook` and fills it.
void write_signal_sheet(WorkbookOutput& workbook, const SignalSheetInput& input);

}  // namespace velvane::tessaly
