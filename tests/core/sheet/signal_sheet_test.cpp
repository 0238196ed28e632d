// The signal sheet of one model as cells: header, numbering, the input and output halves, typing
// filled in from the project index, detail columns, and what the observer is told.
#include <doctest/doctest.h>

#include "core/rules/detail_texts.hpp"
#include "core/rules/sheet_typing.hpp"
#include "core/sheet/signal_sheet.hpp"
#include "support/arxml_project.hpp"
#include "support/recording_output.hpp"

using namespace velvane;
using namespace velvane::test;

namespace {

struct FakeRecord {
    SignalRecord record;
    std::pair<std::string, std::string> references;
};

FakeRecord signal(std::optional<std::string> name, std::string declared_type = "",
                  std::optional<CellValue> enumeration = std::nullopt, std::string interface = "") {
    std::shared_ptr<const CellValue> shared = enumeration ? std::make_shared<const CellValue>(*enumeration) : nullptr;
    return {{std::move(name), std::move(declared_type), std::move(shared), nullptr}, {interface, ""}};
}

class FakeRecords : public SignalRecords {
public:
    std::vector<FakeRecord> inputs, outputs;

    std::size_t count(Direction direction) override { return of(direction).size(); }
    SignalRecord record(Direction direction, std::size_t index) override { return of(direction).at(index).record; }
    std::pair<std::string, std::string> references(Direction direction, std::size_t index) override {
        return of(direction).at(index).references;
    }

private:
    std::vector<FakeRecord>& of(Direction direction) { return direction == Direction::input ? inputs : outputs; }
};

struct Notes : SignalObserver {
    std::vector<std::string> said;  // "sheet direction index type reason interface"
    void signal(const std::string& sheet, const SignalNote& note) override {
        said.push_back(sheet + " " + (note.direction == Direction::input ? "in " : "out ") +
                       std::to_string(note.index) + " '" + note.type + "' " +
                       (note.reason ? reason_code(*note.reason) : "typed") + " " + note.interface);
    }
};

// Input columns B to H are 1 to 7, output columns I to O are 8 to 14.
constexpr std::int64_t in_signal = 1, in_module = 2, in_type = 3, in_description = 4, in_usage = 7;
constexpr std::int64_t out_signal = 8, out_module = 9, out_type = 10, out_description = 11, out_usage = 14;

}  // namespace

TEST_CASE("the plain sheet: header and numbering and both halves from the file's own look-ups") {
    FakeRecords records;
    records.inputs = {signal("In_Bcm_Lock", "rt_Array_UInt8_4", CellValue::of_text("A;B")), signal("Plain", "UInt16"),
                      signal("In_X", "")};
    records.outputs = {signal("Out_State", "State_T"), signal(std::nullopt, "UInt8")};
    records.outputs[0].record.members = std::make_shared<const CellValue>(CellValue::of_text("UInt8;&a;"));
    Notes notes;
    RecordingWorkbook book;
    write_signal_sheet(book, {"Door_Model", &records, nullptr, nullptr, &notes});

    REQUIRE(book.sheets.size() == 1);
    const RecordedSheet& sheet = book.sheets[0];
    CHECK(sheet.name == "Door");
    CHECK(sheet.finished);
    for (std::int64_t column = 0; column < 15; ++column) {
        CHECK(sheet.text(0, column) == signal_header_texts[column]);
        CHECK(sheet.style(0, column) == CellStyle::header);
    }
    CHECK(sheet.text(1, 0) == "1");
    CHECK(sheet.text(3, 0) == "3");
    CHECK(sheet.style(3, 0) == CellStyle::numbering);
    CHECK_FALSE(sheet.has(4, 0));

    CHECK(sheet.text(1, in_signal) == "In_Bcm_Lock[4]");
    CHECK(sheet.text(1, in_module) == "Bcm");
    CHECK(sheet.text(1, in_type) == "UInt8");
    CHECK(sheet.text(1, in_usage) == "A;B");
    CHECK(sheet.style(1, in_usage) == CellStyle::data);
    CHECK(sheet.text(2, in_signal) == "Plain");
    CHECK_FALSE(sheet.has(2, in_module));
    CHECK(sheet.text(3, in_type) == "<blank>");

    CHECK(sheet.text(1, out_signal) == "Out_State");
    CHECK(sheet.text(1, out_module) == "Door");
    CHECK(sheet.text(1, out_type) == "State_T");
    CHECK(sheet.text(1, out_usage) == "UInt8;&a;");
    CHECK_FALSE(sheet.has(2, out_signal));
    CHECK(sheet.text(2, out_module) == "Door");
    CHECK_FALSE(sheet.has(1, in_description));

    CHECK(notes.said == std::vector<std::string>{"Door in 0 'UInt8' typed ", "Door in 1 'UInt16' typed ",
                                                 "Door in 2 '' file-lookup ", "Door out 0 'State_T' typed ",
                                                 "Door out 1 'UInt8' typed "});
    CHECK(book.warnings.empty());
}

TEST_CASE("the sending module is the port name's piece after its first underscore") {
    CHECK(sending_module("In_Bcm_Lock_State") == "Bcm");
    CHECK(sending_module("In_Bcm") == "Bcm");
    CHECK(sending_module("_Bcm") == "Bcm");
    CHECK(sending_module("In_") == "");
    CHECK_FALSE(sending_module("InBcm"));
}

TEST_CASE("project typing fills in only what agrees with the file's own type") {
    std::string types =
        value_type("UInt8") + value_type("Mode_T", "/C/ModeValues") + array_type("Arr_T", "/T/UInt8", 4);
    std::string interfaces = sr_interface("IfArr", {{"a", "/T/Arr_T"}}) + sr_interface("IfMode", {{"m", "/T/Mode_T"}});
    std::string ports = r_port("In_A", "/If/IfArr") + r_port("In_B", "/If/IfMode") + r_port("In_C", "/If/IfMode") +
                        r_port("In_E", "/If/IfMode") + r_port("In_D", "/If/Nope") + p_port("Out_M", "/If/IfMode");
    Project project;
    project.add("Types.arxml", package("C", compu_method("ModeValues", "TEXTTABLE", {"OFF", "ON"})) +
                                   package("T", types) + package("If", interfaces));
    project.add("Door_Model.arxml", package("Swc", component("Door", ports)));
    SheetTyping typing(project.shared(), "Door_Model.arxml", "Door");

    FakeRecords records;
    records.inputs = {signal("In_A"), signal("In_B", "Mode_T"), signal("In_C", "Other_T"),
                      signal("In_E", "Mode_T", CellValue::of_text("X;Y")), signal("In_D"),
                      // Not a port of the component: typed through the record's own references.
                      signal("Ghost", "", std::nullopt, "/If/IfMode"), signal("Lost", "", std::nullopt, "IfMode")};
    records.outputs = {signal("Out_M"), signal("In_B")};  // In_B is a required port, not a provided one
    Notes notes;
    RecordingWorkbook book;
    write_signal_sheet(book, {"Door_Model", &records, &typing, nullptr, &notes});
    const RecordedSheet& sheet = book.sheets.at(0);

    CHECK(sheet.text(1, in_signal) == "In_A[4]");
    CHECK(sheet.text(1, in_type) == "UInt8");
    CHECK(sheet.text(2, in_type) == "Mode_T");
    CHECK(sheet.text(2, in_usage) == "OFF;ON");
    CHECK(sheet.text(3, in_type) == "Other_T");
    CHECK_FALSE(sheet.has(3, in_usage));
    CHECK(sheet.text(4, in_usage) == "X;Y");
    CHECK(sheet.text(5, in_type) == "<blank>");
    CHECK(sheet.text(6, in_type) == "Mode_T");
    CHECK(sheet.text(7, in_type) == "<blank>");
    CHECK(sheet.text(1, out_type) == "Mode_T");
    CHECK(sheet.text(1, out_usage) == "OFF;ON");
    CHECK(sheet.text(2, out_type) == "<blank>");

    CHECK(notes.said.at(4) == "Door in 4 '' interface-missing /If/Nope");
    CHECK(notes.said.at(5) == "Door in 5 'Mode_T' typed /If/IfMode");
    CHECK(notes.said.at(6) == "Door in 6 '' interface-missing IfMode");
    CHECK(notes.said.at(8) == "Door out 1 '' interface-missing ");
}

TEST_CASE("detail texts go into the description and details and remark columns") {
    Project project(true);
    project.add("Door_Model.arxml",
                package("If", sr_interface("IfA", {{"a", "/T/Missing"}}, "",
                                           tag("DESC", "<L-2 L=\"EN\">Lock state</L-2>"))) +
                    package("Swc", component("Door", port(false, "In_A", "/If/IfA",
                                                          com_spec(false, "", tag("ALIVE-TIMEOUT", "2"))) +
                                                         p_port("Out_A", "/If/IfA"))));
    SheetDetails details(project.shared(), "Door_Model.arxml", "Door", 10000);
    FakeRecords records;
    records.inputs = {signal("In_A")};
    records.outputs = {signal("Out_A"), signal("Out_B")};
    RecordingWorkbook book;
    write_signal_sheet(book, {"Door_Model", &records, nullptr, &details, nullptr});
    const RecordedSheet& sheet = book.sheets.at(0);

    CHECK(sheet.text(1, in_description) == "Lock state");
    CHECK_FALSE(sheet.has(1, in_description + 1));
    CHECK(sheet.text(1, in_description + 2) == "timeout: 2 s");
    CHECK(sheet.text(1, out_description) == "Lock state");
    CHECK_FALSE(sheet.has(1, out_description + 2));
    CHECK_FALSE(sheet.has(2, out_description));
}

TEST_CASE("signals past the sheet's last row are left out with one warning") {
    FakeRecords records;
    records.inputs = {signal("A"), signal("B"), signal("C"), signal("D")};
    records.outputs = {signal("E")};
    RecordingWorkbook book;
    book.set_rows_per_sheet(3);
    write_signal_sheet(book, {"Door", &records, nullptr, nullptr, nullptr});
    const RecordedSheet& sheet = book.sheets.at(0);
    CHECK(sheet.text(2, in_signal) == "B");
    CHECK_FALSE(sheet.has(3, in_signal));
    CHECK_FALSE(sheet.has(3, 0));
    CHECK(book.warnings == std::vector<std::string>{
                               "Door: 2 signals left out (2 input, 0 output): a sheet holds 3 rows, the header row "
                               "included"});
}
