#include "core/sheet/connections_sheet.hpp"

#include "core/sheet/sheet_view.hpp"

#include <memory>
#include <string>

namespace velvane {

namespace {

const char* const header_texts[] = {"Composition", "Provider", "Provided port", "Requester",
                                    "Required port", "Interface", "Data type", "Status"};

}  // namespace

void write_connections_sheet(WorkbookOutput& workbook, const ConnectionList& list) {
    std::unique_ptr<SheetOutput> sheet = workbook.add_sheet(connections_sheet_name);
    SheetView view(*sheet, workbook.working_view());
    view.set_column_width(0, 7, 25);
    std::int64_t column = 0;
    for (const char* text : header_texts) sheet->write(0, column++, text, CellStyle::header);
    std::int64_t row = 1;
    for (const ConnectionRow& connection : list.rows) {
        if (row >= sheet->row_count()) break;
        const std::string* values[] = {&connection.composition, &connection.provider,  &connection.provided_port,
                                       &connection.requester,   &connection.required_port, &connection.interface,
                                       &connection.data_type,   &connection.status};
        column = 0;
        for (const std::string* value : values) sheet->write(row, column++, *value, CellStyle::data);
        ++row;
    }
    auto left_out = static_cast<std::int64_t>(list.rows.size()) - (row - 1);
    if (left_out > 0 && workbook.warn()) {
        workbook.warn()(sheet->name() + ": " + std::to_string(left_out) +
                        " connection rows left out: a sheet holds " + std::to_string(sheet->row_count()) +
                        " rows, the header row included");
    }
    view.apply();
    sheet->finish();
}

}  // namespace velvane
