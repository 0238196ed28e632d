// One signal sheet read into the component it designs: its name, and per row half the port with
// everything the cells state about its signal. The first cell that cannot be read ends the sheet
// with a SignalListError naming the sheet and the cell. Plain functions; no state.
#pragma once

#include "core/generate/cell_texts.hpp"
#include "core/workbook/workbook_reader.hpp"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace velvane {

// Bad input in a signal sheet. what() is "<cell>: <cause>", the cell as "Brake!B7" (or the sheet's
// name alone for the sheet as a whole).
class SignalListError : public std::runtime_error {
public:
    SignalListError(std::string sheet, std::string cell, std::string cause);
    const std::string& sheet() const { return sheet_; }
    const std::string& cell() const { return cell_; }  // "B7", "" for the sheet as a whole
    const std::string& cause() const { return cause_; }

private:
    std::string sheet_, cell_, cause_;
};

struct PortDesign {
    bool provided = false;         // an output (P-PORT-PROTOTYPE), else an input (R-PORT-PROTOTYPE)
    std::int64_t row = 0;          // the sheet row it came from, from 1
    std::string name;              // B / I without the array suffix
    std::vector<std::string> array_sizes;
    std::string type;              // D / K, "" for an untyped port
    std::string values;            // H / O as written: with the type, what tells its variants apart
    ValuesText values_read;
    std::string description;       // E / L
    DetailsCellItems details;      // F / M
    RemarkItems remark;            // G / N
};

struct ComponentDesign {
    std::string name;  // the sheet's
    std::vector<PortDesign> inputs;
    std::vector<PortDesign> outputs;
};

// The component of signal sheet `sheet` (header row already recognised). Throws SignalListError.
ComponentDesign component_design(const WorkbookSheet& sheet);

}  // namespace velvane
