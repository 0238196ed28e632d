#include "tessaly/signal_sheet.hpp"

#include "common/guard.hpp"
#include "tessaly/py_text.hpp"
#include "tessaly/sheet_output.hpp"
#include "tessaly/sheet_typing.hpp"
#include "tessaly/signal_facts.hpp"
#include "tessaly/signal_details.hpp"
#include "tessaly/truncation_warning.hpp"
#include "tessaly/type_resolution.hpp"
#include "tessaly/type_texts.hpp"

#include <algorithm>
#include <memory>
#include <string>

namespace velvane::tessaly {

namespace {

// Columns of the sheet (0 is A).
enum Column : Py_ssize_t {
    number_column = 0,
    input_signal = 1,
    input_module = 2,
    input_type = 3,
    input_description = 4,
    input_usage = 7,
    output_signal = 8,
    output_module = 9,
    output_type = 10,
    output_description = 11,
    output_usage = 14,
};

// Cell 1 of a port record is the port's SHORT-NAME and cell 3 its com spec's data element
// reference; the interface reference stands at cell 14 of a required-port record and at cell 10 of
// a provided-port record.
constexpr Py_ssize_t port_name_cell = 1;
constexpr Py_ssize_t data_element_cell = 3;
constexpr Py_ssize_t required_interface_cell = 14;
constexpr Py_ssize_t provided_interface_cell = 10;

const char* const header_texts[] = {
    "No.",
    "INPUT 输入信号",
    "输入模块",
    "ENUM/STRUCT",
    "输入说明",
    "输入详细说明",
    "InputRemark",
    "对应信号应用场景",
    "OUTPUT 输出信号",
    "输出模块",
    "ENUM/STRUCT",
    "输出说明",
    "输出详细说明",
    "OutputRemark",
    "对应信号应用场景",
};

class SheetWriter {
public:
    SheetWriter(WorkbookOutput& workbook, const SignalSheetInput& input, py::object model);

    void write_header() const;
    void write_numbers() const;
    void write_input_row(Py_ssize_t row) const;
    void write_output_row(Py_ssize_t row) const;
    // The last row a signal may stand in.
    Py_ssize_t last_row() const { return sheet_->row_count() - 1; }
    void report_left_out(Py_ssize_t inputs, Py_ssize_t outputs) const;
    void finish() const { sheet_->finish(); }

private:
    bool write_usage(Py_ssize_t row, Py_ssize_t column, const std::string& type) const;
    void fill_in(py::handle record, py::handle port_name, bool provided, const std::string& declared,
                 bool has_usage, Py_ssize_t row, Py_ssize_t usage_column, ShownType& type) const;
    void write_details(py::handle record, py::handle port_name, bool provided, Py_ssize_t row,
                       Py_ssize_t description_column) const;
    void put(Py_ssize_t row, Py_ssize_t column, py::handle value) const;
    void note_signal(py::handle record, py::handle port_name, bool provided, const std::string& type) const;

    const SignalSheetInput& input_;
    py::object model_;
    std::unique_ptr<SheetOutput> sheet_;
};

SheetWriter::SheetWriter(WorkbookOutput& workbook, const SignalSheetInput& input, py::object model)
    : input_(input), model_(std::move(model)), sheet_(workbook.add_sheet(model_)) {
    sheet_->set_column_width(1, 15, 25);  // B:P
}

void SheetWriter::put(Py_ssize_t row, Py_ssize_t column, py::handle value) const {
    sheet_->write(row, column, value, CellStyle::data);
}

void SheetWriter::write_header() const {
    Py_ssize_t column = 0;
    for (const char* text : header_texts) sheet_->write(0, column++, py::str(text), CellStyle::header);
}

void SheetWriter::write_numbers() const {
    Py_ssize_t rows = static_cast<Py_ssize_t>(std::max(py::len(input_.pport), py::len(input_.rport)));
    for (Py_ssize_t row = 1; row <= std::min(rows, last_row()); ++row) {
        sheet_->write(row, number_column, py::str(std::to_string(row)), CellStyle::numbering);
    }
}

// One warning for the signals of rows past the sheet's last; `inputs` and `outputs` are all the
// sheet's signals.
void SheetWriter::report_left_out(Py_ssize_t inputs, Py_ssize_t outputs) const {
    Py_ssize_t inputs_out = std::max<Py_ssize_t>(inputs - last_row(), 0);
    Py_ssize_t outputs_out = std::max<Py_ssize_t>(outputs - last_row(), 0);
    if (inputs_out == 0 && outputs_out == 0) return;
    warn_truncation(utf8_of(sheet_->name(), "a sheet name") + ": " + std::to_string(inputs_out + outputs_out) +
                    " signals left out (" + std::to_string(inputs_out) + " input, " + std::to_string(outputs_out) +
                    " output): a sheet holds " + std::to_string(sheet_->row_count()) +
                    " rows, the header row included");
}

// The enumeration text of the type, then the structure member text over it, where there are any.
// True when either was written.
bool SheetWriter::write_usage(Py_ssize_t row, Py_ssize_t column, const std::string& type) const {
    bool written = false;
    if (py::object text = enumeration_text(input_.enumerations, type)) {
        put(row, column, text);
        written = true;
    }
    if (py::object text = member_text(input_.structures, type)) {
        put(row, column, text);
        written = true;
    }
    return written;
}

// A text cell of a record, or empty where the record has no such cell or it holds no text.
std::string record_text(py::handle record, Py_ssize_t cell) {
    std::string text;
    velvane::guarded([&] {
        py::object value = record[py::int_(cell)];
        if (is_text(value)) text = utf8_of(value, "a record cell");
    });
    return text;
}

// Project typing fills in what the look-ups left empty: the type name, the array suffix and the
// enumeration or member text. `declared` is the type name the look-ups found for the port; when
// they found one, the typing adds to it only if it names the same type.
void SheetWriter::fill_in(py::handle record, py::handle port_name, bool provided, const std::string& declared,
                          bool has_usage, Py_ssize_t row, Py_ssize_t usage_column, ShownType& type) const {
    if (!is_text(port_name)) return;  // the plain path reports it
    Py_ssize_t interface_cell = provided ? provided_interface_cell : required_interface_cell;
    std::optional<PortType> resolved = input_.typing->port(utf8_of(port_name, "a port name"), provided, [&] {
        return std::make_pair(record_text(record, interface_cell), record_text(record, data_element_cell));
    });
    if (!resolved || (!declared.empty() && declared != resolved->referenced)) return;
    if (type.name.empty()) type.name = resolved->name;
    if (type.array_suffix.empty()) type.array_suffix = resolved->array_suffix;
    if (!has_usage && resolved->text) put(row, usage_column, text_from_utf8(*resolved->text));
}

// Tells the caller about the signal just written, and why it has no type when it has none.
void SheetWriter::note_signal(py::handle record, py::handle port_name, bool provided, const std::string& type) const {
    if (input_.signals.is_none()) return;
    std::string interface = record_text(record, provided ? provided_interface_cell : required_interface_cell);
    const char* reason = nullptr;
    if (type.empty() && input_.typing == nullptr) {
        reason = reason_code(UntypedReason::file_lookup);
    } else if (type.empty()) {
        std::string port = is_text(port_name) ? utf8_of(port_name, "a port name") : std::string();
        SheetTyping::Untyped untyped = input_.typing->untyped(port, provided, interface);
        reason = reason_code(untyped.reason);
        if (!untyped.interface.empty()) interface = untyped.interface;
    }
    input_.signals.attr("append")(signal_fact(sheet_->name(), port_name, provided, type, reason, interface));
}

// The description, details and remark cells that have something to say, from left to right.
void SheetWriter::write_details(py::handle record, py::handle port_name, bool provided, Py_ssize_t row,
                                Py_ssize_t description_column) const {
    if (!is_text(port_name)) return;  // the plain path reports it
    Py_ssize_t interface_cell = provided ? provided_interface_cell : required_interface_cell;
    SignalDetails found = input_.details->port(utf8_of(port_name, "a port name"), provided,
                                               record_text(record, interface_cell),
                                               record_text(record, data_element_cell));
    Py_ssize_t column = description_column;
    for (const std::string* text : {&found.description, &found.details, &found.remark}) {
        if (!text->empty()) put(row, column, text_from_utf8(*text));
        ++column;
    }
}

void SheetWriter::write_input_row(Py_ssize_t row) const {
    py::object record = input_.rport[py::int_(row - 1)];
    py::object name = record[py::int_(port_name_cell)];
    std::string declared = port_type_name(input_.types, record, name, required_interface_cell);
    ShownType type = shown_type(declared);
    bool has_usage = write_usage(row, input_usage, type.name);
    if (input_.typing != nullptr) fill_in(record, name, false, declared, has_usage, row, input_usage, type);
    put(row, input_signal, py::str(utf8_of(name, "a port name") + type.array_suffix));
    velvane::guarded([&] {
        std::string module;
        if (second_underscore_piece(utf8_of(name, "a port name"), module)) {
            put(row, input_module, py::str(module));
        }
    });
    put(row, input_type, py::str(type.name));
    if (input_.details != nullptr) write_details(record, name, false, row, input_description);
    note_signal(record, name, false, type.name);
}

void SheetWriter::write_output_row(Py_ssize_t row) const {
    py::object record = input_.pport[py::int_(row - 1)];
    py::object name = record[py::int_(port_name_cell)];
    std::string declared = port_type_name(input_.types, record, name, provided_interface_cell);
    ShownType type = shown_type(declared);
    bool has_usage = write_usage(row, output_usage, type.name);
    if (input_.typing != nullptr) fill_in(record, name, true, declared, has_usage, row, output_usage, type);
    velvane::guarded([&] {
        put(row, output_signal, py::str(utf8_of(name, "a port name") + type.array_suffix));
    });
    put(row, output_module, model_);
    put(row, output_type, py::str(type.name));
    if (input_.details != nullptr) write_details(record, name, true, row, output_description);
    note_signal(record, name, true, type.name);
}

}  // namespace

void write_signal_sheet(WorkbookOutput& workbook, const SignalSheetInput& input) {
    if (!is_text(input.model_name)) raise_not_text(input.model_name, "modelName");
    SheetWriter writer(workbook, input, input.model_name.attr("replace")("_Model", ""));
    writer.write_header();
    writer.write_numbers();
    Py_ssize_t inputs = static_cast<Py_ssize_t>(py::len(input.rport));
    for (Py_ssize_t row = 1; row <= std::min(inputs, writer.last_row()); ++row) writer.write_input_row(row);
    Py_ssize_t outputs = static_cast<Py_ssize_t>(py::len(input.pport));
    for (Py_ssize_t row = 1; row <= std::min(outputs, writer.last_row()); ++row) writer.write_output_row(row);
    writer.report_left_out(inputs, outputs);
    writer.finish();
}

}  // namespace velvane::tessaly
