#include "python/tessaly/signal_sheet_input.hpp"

#include "core/rules/shown_type.hpp"
#include "core/sheet/signal_sheet.hpp"
#include "python/common/guard.hpp"
#include "python/common/py_text.hpp"
#include "python/common/record_layout.hpp"
#include "python/tessaly/analyser_tables.hpp"
#include "python/tessaly/signal_facts.hpp"
#include "python/tessaly/workbook_output.hpp"

#include <memory>
#include <string>
#include <unordered_map>
#include <utility>

namespace velvane::tessaly {

namespace {

namespace required = records::required_port;
namespace provided = records::provided_port;

// Both port records start alike: the port's SHORT-NAME and the com spec's data element reference.
static_assert(std::size_t(required::short_name) == std::size_t(provided::short_name) &&
              std::size_t(required::data_element) == std::size_t(provided::data_element));
constexpr std::size_t port_name_cell = required::short_name;
constexpr std::size_t data_element_cell = required::data_element;

std::size_t interface_cell(Direction direction) {
    return direction == Direction::input ? std::size_t(required::interface_reference)
                                         : std::size_t(provided::interface_reference);
}

// A text cell of a record, or empty where the record has no such cell or it holds no text.
std::string record_text(py::handle record, std::size_t cell) {
    std::string text;
    velvane::guarded([&] {
        py::object value = record[py::int_(cell)];
        if (is_text(value)) text = utf8_of(value, "a record cell");
    });
    return text;
}

// The records of one sheet, and the tables their types are looked up in.
class PythonSignalRecords : public SignalRecords {
public:
    explicit PythonSignalRecords(const GenExcelArguments& arguments) : arguments_(arguments) {}

    std::size_t count(Direction direction) override { return py::len(records_of(direction)); }

    SignalRecord record(Direction direction, std::size_t index) override {
        record_ = records_of(direction)[py::int_(index)];
        record_direction_ = direction;
        record_index_ = index;
        name_ = record_[py::int_(port_name_cell)];
        SignalRecord read;
        read.declared_type = port_type_name(arguments_.types, record_, name_,
                                            static_cast<Py_ssize_t>(interface_cell(direction)));
        std::string type = shown_type(read.declared_type).name;
        const TypeTexts& texts = type_texts(type);
        read.enumeration = texts.enumeration;
        read.members = texts.members;
        // An input's signal cell must be written; an output's is written when it can be.
        if (direction == Direction::input || is_text(name_)) read.name = utf8_of(name_, "a port name");
        return read;
    }

    std::pair<std::string, std::string> references(Direction direction, std::size_t index) override {
        py::object record = direction == record_direction_ && index == record_index_
                                ? record_
                                : py::object(records_of(direction)[py::int_(index)]);
        return {record_text(record, interface_cell(direction)), record_text(record, data_element_cell)};
    }

    // The name cell of the record read last, as the record holds it.
    py::handle name() const { return name_; }

private:
    // What the tables give a type's cells, read once per sheet: many ports share a type, and its
    // enumeration may hold thousands of literals.
    struct TypeTexts {
        std::shared_ptr<const CellValue> enumeration;
        std::shared_ptr<const CellValue> members;
    };

    const TypeTexts& type_texts(const std::string& type) {
        auto known = type_texts_.find(type);
        if (known != type_texts_.end()) return known->second;
        TypeTexts texts;
        if (py::object text = enumeration_text(arguments_.enumerations, type)) {
            texts.enumeration = std::make_shared<const CellValue>(cell_value_of(text));
        }
        if (py::object text = member_text(arguments_.structures, type)) {
            texts.members = std::make_shared<const CellValue>(cell_value_of(text));
        }
        return type_texts_.emplace(type, std::move(texts)).first->second;
    }

    py::handle records_of(Direction direction) const {
        return direction == Direction::input ? arguments_.rport : arguments_.pport;
    }

    std::unordered_map<std::string, TypeTexts> type_texts_;
    const GenExcelArguments& arguments_;
    py::object record_;
    Direction record_direction_ = Direction::input;
    std::size_t record_index_ = 0;
    py::object name_;
};

// Appends a Signal to the caller's list for each signal written.
// The str of the text made last: signals of one sheet repeat their sheet, type and interface texts,
// which are then one object however many signals hold them (however long they are).
class LastText {
public:
    py::handle of(const std::string& text) {
        if (!made_ || text != text_) {
            made_ = text_from_utf8(text);
            text_ = text;
        }
        return made_;
    }

private:
    std::string text_;
    py::object made_;
};

class SignalList : public SignalObserver {
public:
    SignalList(py::handle list, const PythonSignalRecords& records) : list_(list), records_(records) {}

    void signal(const std::string& sheet, const SignalNote& note) override {
        const char* reason = note.reason ? reason_code(*note.reason) : nullptr;
        list_.attr("append")(signal_fact(sheet_.of(sheet), records_.name(), note.direction == Direction::output,
                                         type_.of(note.type), reason, interface_.of(note.interface)));
    }

private:
    py::handle list_;
    const PythonSignalRecords& records_;
    LastText sheet_, type_, interface_;
};

}  // namespace

void write_signal_sheet(py::handle workbook, const GenExcelArguments& arguments) {
    if (!is_text(arguments.model_name)) raise_not_text(arguments.model_name, "modelName");
    PythonSignalRecords records(arguments);
    SignalList signals(arguments.signals, records);
    SignalSheetInput input;
    input.model = utf8_key(arguments.model_name);
    input.records = &records;
    input.typing = arguments.typing;
    input.details = arguments.details;
    if (!arguments.signals.is_none()) input.observer = &signals;
    std::unique_ptr<WorkbookOutput> output = workbook_output(workbook);
    output->set_working_view(arguments.working_view);
    velvane::write_signal_sheet(*output, input);
}

}  // namespace velvane::tessaly
