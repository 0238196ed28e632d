#include "tessaly/connections_sheet.hpp"

#include "tessaly/py_text.hpp"
#include "tessaly/sheet_output.hpp"
#include "tessaly/truncation_warning.hpp"

#include <string>

namespace velvane::tessaly {

namespace {

const char* const header_texts[] = {"Composition", "Provider", "Provided port", "Requester",
                                    "Required port", "Interface", "Data type", "Status"};

}  // namespace

void write_connections_sheet(py::handle workbook, const ConnectionList& list) {
    std::unique_ptr<SheetOutput> sheet = workbook_output(workbook)->add_sheet(py::str(connections_sheet_name));
    sheet->set_column_width(0, 7, 25);
    Py_ssize_t column = 0;
    for (const char* text : header_texts) sheet->write(0, column++, py::str(text), CellStyle::header);
    Py_ssize_t row = 1;
    for (const ConnectionRow& connection : list.rows) {
        if (row >= sheet->row_count()) break;
        const std::string* values[] = {&connection.composition, &connection.provider,  &connection.provided_port,
                                       &connection.requester,   &connection.required_port, &connection.interface,
                                       &connection.data_type,   &connection.status};
        column = 0;
        for (const std::string* value : values) sheet->write(row, column++, text_from_utf8(*value), CellStyle::data);
        ++row;
    }
    Py_ssize_t left_out = static_cast<Py_ssize_t>(list.rows.size()) - (row - 1);
    if (left_out > 0) {
        warn_truncation(utf8_of(sheet->name(), "a sheet name") + ": " + std::to_string(left_out) +
                        " connection rows left out: a sheet holds " + std::to_string(sheet->row_count()) +
                        " rows, the header row included");
    }
    sheet->finish();
}

py::dict add_connections_sheet(py::handle workbook, const ProjectIndex& index) {
    complete_index(index);
    ConnectionList list = list_connections(index);
    write_connections_sheet(workbook, list);
    py::dict counts;
    counts["connectors"] = list.counts.connectors;
    counts["unconnected_inputs"] = list.counts.unconnected_inputs;
    counts["unused_outputs"] = list.counts.unused_outputs;
    counts["untyped_prototypes"] = list.counts.untyped_prototypes;
    return counts;
}

}  // namespace velvane::tessaly
