#include "core/sheet/signal_sheet.hpp"

#include "core/rules/detail_texts.hpp"
#include "core/rules/sheet_typing.hpp"
#include "core/rules/shown_type.hpp"
#include "core/sheet/sheet_view.hpp"
#include "core/sheet/unicode_text.hpp"

#include <algorithm>
#include <memory>

namespace velvane {

const char* const signal_header_texts[signal_column_count] = {
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

namespace {

// The columns of one half of the sheet (0 is A).
struct HalfColumns {
    std::int64_t signal;
    std::int64_t module;
    std::int64_t type;
    std::int64_t description;  // then details and remark
    std::int64_t usage;
};

constexpr HalfColumns input_columns{1, 2, 3, 4, 7};
constexpr HalfColumns output_columns{8, 9, 10, 11, 14};

// The record's references, read once and only when asked for.
class RowReferences {
public:
    RowReferences(SignalRecords& records, Direction direction, std::size_t index)
        : records_(records), direction_(direction), index_(index) {}

    const std::pair<std::string, std::string>& get() {
        if (!read_) {
            references_ = records_.references(direction_, index_);
            read_ = true;
        }
        return references_;
    }
    const std::string& interface() { return get().first; }
    const std::string& data_element() { return get().second; }

private:
    SignalRecords& records_;
    Direction direction_;
    std::size_t index_;
    bool read_ = false;
    std::pair<std::string, std::string> references_;
};

class SheetWriter {
public:
    SheetWriter(WorkbookOutput& workbook, const SignalSheetInput& input)
        : input_(input),
          records_(*input.records),
          model_(replaced(input.model, "_Model", "")),
          warn_(workbook.warn()),
          sheet_(workbook.add_sheet(model_)),
          view_(*sheet_, workbook.working_view()) {
        view_.set_column_width(1, 15, 25);  // B:P
    }

    void write_header() const {
        std::int64_t column = 0;
        for (const char* text : signal_header_texts) sheet_->write(0, column++, text, CellStyle::header);
    }

    void write_numbers(std::size_t inputs, std::size_t outputs) const {
        auto rows = static_cast<std::int64_t>(std::max(inputs, outputs));
        for (std::int64_t row = 1; row <= std::min(rows, last_row()); ++row) {
            sheet_->write(row, 0, std::to_string(row), CellStyle::numbering);
        }
    }

    void write_row(Direction direction, std::int64_t row) const;

    // The last row a signal may stand in.
    std::int64_t last_row() const { return sheet_->row_count() - 1; }

    // One warning for the signals of rows past the sheet's last; `inputs` and `outputs` are all the
    // sheet's signals.
    void report_left_out(std::size_t inputs, std::size_t outputs) const {
        std::int64_t inputs_out = std::max<std::int64_t>(static_cast<std::int64_t>(inputs) - last_row(), 0);
        std::int64_t outputs_out = std::max<std::int64_t>(static_cast<std::int64_t>(outputs) - last_row(), 0);
        if ((inputs_out == 0 && outputs_out == 0) || !warn_) return;
        warn_(sheet_->name() + ": " + std::to_string(inputs_out + outputs_out) + " signals left out (" +
              std::to_string(inputs_out) + " input, " + std::to_string(outputs_out) +
              " output): a sheet holds " + std::to_string(sheet_->row_count()) + " rows, the header row included");
    }

    // One warning for the signals whose details the bound of SheetDetails left empty.
    void report_details_left_out() const {
        std::size_t left_out = input_.details == nullptr ? 0 : input_.details->left_out();
        if (left_out == 0 || !warn_) return;
        warn_(sheet_->name() + ": details and remark of " + std::to_string(left_out) + " signal" +
              (left_out == 1 ? "" : "s") + " left empty: the sheet's details would take more than the size of "
              "its file");
    }

    void finish() const {
        view_.apply();
        sheet_->finish();
    }

private:
    void fill_in(const SignalRecord& record, Direction direction, RowReferences& references, bool has_usage,
                 std::int64_t row, std::int64_t usage_column, ShownType& type) const;
    void write_details(const SignalRecord& record, Direction direction, RowReferences& references,
                       std::int64_t row, std::int64_t description_column) const;
    void note_signal(const SignalRecord& record, Direction direction, std::size_t index,
                     RowReferences& references, const std::string& type) const;

    const SignalSheetInput& input_;
    SignalRecords& records_;
    std::string model_;
    const Warn& warn_;
    std::unique_ptr<SheetOutput> sheet_;
    SheetView view_;  // after sheet_, which it watches
};

// Project typing fills in what the look-ups left empty: the type name, the array suffix and the
// enumeration or member text. When the look-ups found a type name, the typing adds to it only if it
// names the same type.
void SheetWriter::fill_in(const SignalRecord& record, Direction direction, RowReferences& references,
                          bool has_usage, std::int64_t row, std::int64_t usage_column, ShownType& type) const {
    if (!record.name) return;
    std::optional<PortType> resolved = input_.typing->port(
        *record.name, direction == Direction::output, [&] { return references.get(); });
    if (!resolved || (!record.declared_type.empty() && record.declared_type != resolved->referenced)) return;
    if (type.name.empty()) type.name = resolved->name;
    if (type.array_suffix.empty()) type.array_suffix = resolved->array_suffix;
    if (!has_usage && resolved->text) sheet_->write(row, usage_column, resolved->text, CellStyle::data);
}

// The description, details and remark cells that have something to say, from left to right.
void SheetWriter::write_details(const SignalRecord& record, Direction direction, RowReferences& references,
                                std::int64_t row, std::int64_t description_column) const {
    if (!record.name) return;
    SignalDetails found = input_.details->port(*record.name, direction == Direction::output,
                                               references.interface(), references.data_element());
    if (found.description) sheet_->write(row, description_column, found.description, CellStyle::data);
    std::int64_t column = description_column + 1;
    for (const std::string* text : {&found.details, &found.remark}) {
        if (!text->empty()) sheet_->write(row, column, *text, CellStyle::data);
        ++column;
    }
}

// Tells the observer about the signal just written, and why it has no type when it has none.
void SheetWriter::note_signal(const SignalRecord& record, Direction direction, std::size_t index,
                              RowReferences& references, const std::string& type) const {
    if (input_.observer == nullptr) return;
    SignalNote note{direction, index, type, std::nullopt, references.interface()};
    if (type.empty() && input_.typing == nullptr) {
        note.reason = UntypedReason::file_lookup;
    } else if (type.empty()) {
        SheetTyping::Untyped untyped = input_.typing->untyped(record.name.value_or(std::string()),
                                                              direction == Direction::output, note.interface);
        note.reason = untyped.reason;
        if (!untyped.interface.empty()) note.interface = untyped.interface;
    }
    input_.observer->signal(sheet_->name(), note);
}

void SheetWriter::write_row(Direction direction, std::int64_t row) const {
    const HalfColumns& columns = direction == Direction::input ? input_columns : output_columns;
    auto index = static_cast<std::size_t>(row - 1);
    SignalRecord record = records_.record(direction, index);
    RowReferences references(records_, direction, index);
    ShownType type = shown_type(record.declared_type);
    if (record.enumeration) sheet_->write(row, columns.usage, record.enumeration, CellStyle::data);
    if (record.members) sheet_->write(row, columns.usage, record.members, CellStyle::data);
    bool has_usage = record.enumeration || record.members;
    if (input_.typing != nullptr) fill_in(record, direction, references, has_usage, row, columns.usage, type);
    if (direction == Direction::input) {
        if (record.name) sheet_->write(row, columns.signal, *record.name + type.array_suffix, CellStyle::data);
        // The sending module is optional: whatever fails in writing it is dropped.
        try {
            if (std::optional<std::string> module = sending_module(record.name.value_or(std::string()))) {
                sheet_->write(row, columns.module, *module, CellStyle::data);
            }
        } catch (...) {
        }
    } else {
        // So is an output's signal cell.
        try {
            if (record.name) sheet_->write(row, columns.signal, *record.name + type.array_suffix, CellStyle::data);
        } catch (...) {
        }
        sheet_->write(row, columns.module, model_, CellStyle::data);
    }
    sheet_->write(row, columns.type, type.name, CellStyle::data);
    if (input_.details != nullptr) write_details(record, direction, references, row, columns.description);
    note_signal(record, direction, index, references, type.name);
}

}  // namespace

std::optional<std::string> sending_module(const std::string& port_name) {
    std::string::size_type first = port_name.find('_');
    if (first == std::string::npos) return std::nullopt;
    std::string::size_type second = port_name.find('_', first + 1);
    return port_name.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
}

void write_signal_sheet(WorkbookOutput& workbook, const SignalSheetInput& input) {
    SheetWriter writer(workbook, input);
    writer.write_header();
    std::size_t inputs = input.records->count(Direction::input);
    std::size_t outputs = input.records->count(Direction::output);
    writer.write_numbers(inputs, outputs);
    for (std::int64_t row = 1; row <= std::min(static_cast<std::int64_t>(inputs), writer.last_row()); ++row) {
        writer.write_row(Direction::input, row);
    }
    for (std::int64_t row = 1; row <= std::min(static_cast<std::int64_t>(outputs), writer.last_row()); ++row) {
        writer.write_row(Direction::output, row);
    }
    writer.report_left_out(inputs, outputs);
    writer.report_details_left_out();
    writer.finish();
}

}  // namespace velvane
