#include "tessaly/connections_sheet.hpp"

#include "tessaly/cell_writer.hpp"
#include "tessaly/py_text.hpp"
#include "tessaly/sheet_name.hpp"

#include <set>
#include <string>

namespace velvane::tessaly {

namespace {

const char* const header_texts[] = {"Composition", "Provider", "Provided port", "Requester",
                                    "Required port", "Interface", "Data type", "Status"};

py::dict cell_properties() {
    py::dict properties;
    properties["align"] = "center";
    properties["valign"] = "vcenter";
    properties["text_wrap"] = true;
    properties["border"] = 1;
    return properties;
}

py::str text_of_utf8(const std::string& utf8) {
    PyObject* made = PyUnicode_DecodeUTF8(utf8.data(), static_cast<Py_ssize_t>(utf8.size()), "surrogatepass");
    if (made == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(made);
}

std::u32string free_sheet_name(py::handle workbook) {
    std::set<std::u32string> lowered;
    for (py::handle sheet : workbook.attr("worksheets")()) {
        lowered.insert(code_points_of(sheet.attr("name").attr("lower")()));
    }
    auto taken = [&lowered](const std::u32string& candidate) {
        return lowered.count(code_points_of(text_from_code_points(candidate).attr("lower")())) != 0;
    };
    return acceptable_sheet_name(code_points_of(py::str(connections_sheet_name)), taken);
}

}  // namespace

void write_connections_sheet(py::handle workbook, const ConnectionList& list) {
    py::dict header_properties = cell_properties();
    header_properties["bold"] = true;
    header_properties["fg_color"] = "#64A600";
    py::object header = workbook.attr("add_format")(header_properties);
    py::object data = workbook.attr("add_format")(cell_properties());
    py::object sheet = workbook.attr("add_worksheet")(text_from_code_points(free_sheet_name(workbook)));
    sheet.attr("set_column")("A:H", 25);
    CellWriter cells(sheet);
    Py_ssize_t column = 0;
    for (const char* text : header_texts) cells.put(0, column++, py::str(text), header);
    Py_ssize_t row = 1;
    for (const ConnectionRow& connection : list.rows) {
        const std::string* values[] = {&connection.composition, &connection.provider,  &connection.provided_port,
                                       &connection.requester,   &connection.required_port, &connection.interface,
                                       &connection.data_type,   &connection.status};
        column = 0;
        for (const std::string* value : values) cells.put(row, column++, text_of_utf8(*value), data);
        ++row;
    }
}

py::dict add_connections_sheet(py::handle workbook, const ProjectIndex& index) {
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
