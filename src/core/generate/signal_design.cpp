#include "core/generate/signal_design.hpp"

#include "core/generate/identifier.hpp"
#include "core/sheet/cell_text.hpp"
#include "core/workbook/signal_sheets.hpp"

#include <unordered_map>

namespace velvane {

namespace {

// The columns of one half of the sheet (0 is A), as the sheet writes them.
struct HalfColumns {
    std::size_t signal, module, type, description, details, remark, values;
};
constexpr HalfColumns input_columns{1, 2, 3, 4, 5, 6, 7};
constexpr HalfColumns output_columns{8, 9, 10, 11, 12, 13, 14};

// "B7" without the sheet.
std::string cell_name(std::int64_t row, std::size_t column) {
    std::string reference = cell_reference("S", row - 1, static_cast<std::int64_t>(column));
    return reference.substr(reference.find('!') + 1);
}

std::string quoted(const std::string& text) { return "'" + text + "'"; }

// Characters an XML file cannot hold even escaped: most controls, U+FFFE and U+FFFF.
bool storable_in_xml(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return false;
        if (c == 0xEF && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xBF &&
            (static_cast<unsigned char>(text[i + 2]) == 0xBE || static_cast<unsigned char>(text[i + 2]) == 0xBF)) {
            return false;
        }
    }
    return true;
}

class SheetDesigner {
public:
    explicit SheetDesigner(const WorkbookSheet& sheet) : sheet_(sheet) {}

    ComponentDesign run() {
        ComponentDesign design;
        design.name = sheet_.name;
        if (!is_identifier(sheet_.name)) {
            throw SignalListError(sheet_.name, "",
                                  "the sheet name is not a valid AUTOSAR identifier (a letter, then letters, digits "
                                  "and '_', at most 128), and the component is named after it");
        }
        for (const WorkbookRow& row : sheet_.rows) {
            if (row.number == 1) continue;  // the header row
            read_half(row, input_columns, false, design.inputs);
            read_half(row, output_columns, true, design.outputs);
        }
        return design;
    }

private:
    [[noreturn]] void fail(std::int64_t row, std::size_t column, const std::string& cause) const {
        throw SignalListError(sheet_.name, cell_name(row, column), cause);
    }

    void read_half(const WorkbookRow& row, const HalfColumns& columns, bool provided, std::vector<PortDesign>& ports);
    void check_name(const PortDesign& port, std::size_t column);

    const WorkbookSheet& sheet_;
    std::unordered_map<std::string, std::pair<bool, std::int64_t>> names_;  // port name -> direction, row
};

void SheetDesigner::read_half(const WorkbookRow& row, const HalfColumns& columns, bool provided,
                              std::vector<PortDesign>& ports) {
    for (std::size_t column = columns.signal; column <= columns.values; ++column) {
        if (!storable_in_xml(cell_at(row, column))) {
            fail(row.number, column, "holds a control character, which an ARXML file cannot carry");
        }
    }
    const std::string& signal = cell_at(row, columns.signal);
    if (signal.empty()) {
        // The module column says nothing of its own: it is worked out from the name (or the sheet).
        for (std::size_t column : {columns.type, columns.description, columns.details, columns.remark, columns.values}) {
            if (!cell_at(row, column).empty()) {
                fail(row.number, columns.signal, std::string(provided ? "no output" : "no input") +
                                                     " signal name, but " + cell_name(row.number, column) +
                                                     " holds " + quoted(cell_at(row, column)));
            }
        }
        return;
    }
    PortDesign port;
    port.provided = provided;
    port.row = row.number;
    SignalName name = signal_name(signal);
    port.name = name.port;
    port.array_sizes = name.array_sizes;
    port.type = cell_at(row, columns.type);
    check_name(port, columns.signal);
    if (!port.type.empty() && !is_identifier(port.type)) {
        fail(row.number, columns.type, "data type " + quoted(port.type) + " is not a valid AUTOSAR identifier");
    }
    if (port.type.empty() && !port.array_sizes.empty()) {
        fail(row.number, columns.signal, quoted(signal) + " has an array size but " +
                                             cell_name(row.number, columns.type) + " names no data type");
    }
    port.values = cell_at(row, columns.values);
    if (!port.values.empty() && port.type.empty()) {
        fail(row.number, columns.values, "values " + quoted(port.values) + " but " +
                                             cell_name(row.number, columns.type) + " names no data type");
    }
    try {
        port.values_read = values_text(port.values);
    } catch (const CellTextError& error) {
        fail(row.number, columns.values, error.what());
    }
    port.description = cell_at(row, columns.description);
    try {
        port.details = detail_items(cell_at(row, columns.details));
    } catch (const CellTextError& error) {
        fail(row.number, columns.details, error.what());
    }
    try {
        port.remark = remark_items(cell_at(row, columns.remark));
    } catch (const CellTextError& error) {
        fail(row.number, columns.remark, error.what());
    }
    if (provided && (!port.remark.timeout.empty() || !port.remark.queue_length.empty())) {
        fail(row.number, columns.remark,
             "an output signal has no alive timeout or queue length: only a receiver's com spec carries them");
    }
    if (!port.remark.queue_length.empty() && port.details.init) {
        fail(row.number, columns.details, "a queued signal (" + cell_name(row.number, columns.remark) +
                                              ") takes no init value: a queued com spec has none");
    }
    if (!port.remark.queue_length.empty() && !port.remark.timeout.empty()) {
        fail(row.number, columns.remark, "a queued signal takes no alive timeout: a queued com spec has none");
    }
    ports.push_back(std::move(port));
}

void SheetDesigner::check_name(const PortDesign& port, std::size_t column) {
    if (!is_identifier(port.name)) {
        fail(port.row, column, "signal name " + quoted(port.name) + " is not a valid AUTOSAR identifier (a letter, "
                               "then letters, digits and '_', at most 128)");
    }
    auto [seen, added] = names_.emplace(folded_name(port.name), std::make_pair(port.provided, port.row));
    if (added) return;
    const HalfColumns& earlier = seen->second.first ? output_columns : input_columns;
    std::string where = cell_name(seen->second.second, earlier.signal);
    if (seen->second.first == port.provided) {
        fail(port.row, column, std::string(port.provided ? "output" : "input") + " signal " + quoted(port.name) +
                                   " repeats " + where + " (AUTOSAR names must differ in more than letter case)");
    }
    fail(port.row, column, std::string(port.provided ? "output" : "input") + " signal " + quoted(port.name) +
                               " has the name of " + (seen->second.first ? "output" : "input") + " signal " + where +
                               ": the ports of one component need distinct names");
}

// "Brake!B7: cause", the sheet quoted where a formula would need it.
std::string located(const std::string& sheet, const std::string& cell, const std::string& cause) {
    if (cell.empty()) return sheet + ": " + cause;
    std::string reference = cell_reference(sheet, 0, 0);
    return reference.substr(0, reference.rfind('!') + 1) + cell + ": " + cause;
}

}  // namespace

SignalListError::SignalListError(std::string sheet, std::string cell, std::string cause)
    : std::runtime_error(located(sheet, cell, cause)),
      sheet_(std::move(sheet)),
      cell_(std::move(cell)),
      cause_(std::move(cause)) {}

ComponentDesign component_design(const WorkbookSheet& sheet) { return SheetDesigner(sheet).run(); }

}  // namespace velvane
