// The signal sheet of one model: header row, numbering, input half (required ports) and output half
// (provided ports), each signal with its resolved type, and optionally its details.
//
// The ports come as the analyser's records of one file, read through SignalRecords: the sheet needs
// of each its name, the type name and the enumeration or member text the file's own tables give it,
// and, only where the project index is asked, the interface and data element references it carries.
#pragma once

#include "core/rules/untyped_reason.hpp"
#include "core/sheet/sheet_output.hpp"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace velvane {

class SheetDetails;
class SheetTyping;

enum class Direction { input, output };  // an input is a required port, an output a provided one

// Column headers of the signal sheet, A to O.
inline constexpr std::size_t signal_column_count = 15;
extern const char* const signal_header_texts[signal_column_count];

// What the sheet reads of one port record.
struct SignalRecord {
    // The port's short name; none where the record holds no text there (an output row then has an
    // empty signal cell; an input record of that kind is refused by SignalRecords::record).
    std::optional<std::string> name;
    std::string declared_type;             // the type name the file's own look-ups give, "" for none
    // The literals of that type's enumeration, the member text of its structure, where it has one: a
    // value the records may share among all the ports of the type.
    std::shared_ptr<const CellValue> enumeration;
    std::shared_ptr<const CellValue> members;
};

class SignalRecords {
public:
    virtual ~SignalRecords() = default;
    virtual std::size_t count(Direction direction) = 0;
    // Record `index` of `direction`. May throw: the sheet is then not finished.
    virtual SignalRecord record(Direction direction, std::size_t index) = 0;
    // The record's interface reference and its com spec's data element reference, each "" where the
    // record holds no text there.
    virtual std::pair<std::string, std::string> references(Direction direction, std::size_t index) = 0;
};

// What the sheet says about each signal it wrote, once the signal's cells are written.
struct SignalNote {
    Direction direction;
    std::size_t index;   // the record's position
    std::string type;    // the type cell as written
    std::optional<UntypedReason> reason;  // none for a typed signal
    std::string interface;  // the interface reference the reason is about, absolute where known
};

class SignalObserver {
public:
    virtual ~SignalObserver() = default;
    virtual void signal(const std::string& sheet, const SignalNote& note) = 0;
};

struct SignalSheetInput {
    std::string model;  // the file name without ".arxml"; the sheet is named after it without "_Model"
    SignalRecords* records = nullptr;
    // Project typing: fills in what the file's own look-ups leave empty; none for the plain sheet.
    const SheetTyping* typing = nullptr;
    // Signal details: the description, details and remark columns; none leaves them empty.
    const SheetDetails* details = nullptr;
    SignalObserver* observer = nullptr;  // none: nothing is said
};

// Adds the model's worksheet to `workbook` and fills it.
void write_signal_sheet(WorkbookOutput& workbook, const SignalSheetInput& input);

// The sending module shown beside an input signal: the piece of the port name between its first and
// second "_" (after the first "_" when there is no second); none when the name has no "_".
std::optional<std::string> sending_module(const std::string& port_name);

}  // namespace velvane
