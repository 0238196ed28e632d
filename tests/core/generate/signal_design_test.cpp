// A signal sheet read into its component, the first bad cell named with its sheet; and the files
// made of the components: the same every time, UUIDs from the elements' paths.
#include <doctest/doctest.h>

#include "core/generate/arxml_document.hpp"
#include "core/generate/arxml_files.hpp"
#include "core/generate/signal_design.hpp"
// With the rules layer's header in the same translation unit, a class of one name in both layers (two
// definitions that share their inline members once linked: unoptimised builds crashed) fails to compile.
#include "core/rules/detail_texts.hpp"

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

using namespace velvane;

namespace {

// A row of `number` with texts by column letter.
WorkbookRow row(std::int64_t number, std::initializer_list<std::pair<char, const char*>> cells) {
    WorkbookRow made{number, {}};
    for (const auto& [column, text] : cells) {
        auto at = static_cast<std::size_t>(column - 'A');
        if (made.cells.size() <= at) made.cells.resize(at + 1);
        made.cells[at] = text;
    }
    return made;
}

// The error of the sheet's design as "sheet|cell|what()"; "<none>" when it is read.
std::string error_of(const WorkbookSheet& sheet) {
    try {
        component_design(sheet);
    } catch (const SignalListError& error) {
        return error.sheet() + "|" + error.cell() + "|" + error.what();
    }
    return "<none>";
}

std::string error_of(std::vector<WorkbookRow> rows) { return error_of(WorkbookSheet{"Brake", std::move(rows)}); }

std::size_t count(const std::string& text, const std::string& piece) {
    std::size_t n = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
}

}  // namespace

TEST_CASE("a row's halves are an input and an output port with what their cells state") {
    ComponentDesign design = component_design(WorkbookSheet{
        "Brake",
        {row(1, {{'B', "header texts are not read"}}),
         row(2, {{'A', "1"}, {'B', "In_A[4][2]"}, {'C', "Mod"}, {'D', "Gear_T"}, {'E', "the gear"},
                 {'F', "unit: km/h; init: {P, N}"}, {'G', "timeout: 0.5 s"}, {'H', "P;N"}, {'I', "Out_B"}}),
         row(4, {{'C', "a module alone is no signal"}, {'J', "Mod"}, {'K', ""}})}});
    REQUIRE((design.name == "Brake" && design.inputs.size() == 1 && design.outputs.size() == 1));
    const PortDesign& in = design.inputs[0];
    CHECK((!in.provided && in.row == 2 && in.name == "In_A" && in.type == "Gear_T"));
    CHECK(in.array_sizes == std::vector<std::string>{"4", "2"});
    CHECK((in.values == "P;N" && in.values_read.literals.size() == 2 && in.description == "the gear"));
    CHECK((in.details.unit == "km/h" && in.details.init->items.size() == 2 && in.remark.timeout == "0.5"));
    const PortDesign& out = design.outputs[0];
    CHECK((out.provided && out.row == 2 && out.name == "Out_B" && out.type.empty() && !out.details.init));
}

TEST_CASE("the first bad cell ends the sheet and is named with the sheet and the cause") {
    struct Case {
        std::vector<WorkbookRow> rows;
        std::string cell, cause;
    };
    const std::string control = "holds a control character, which an ARXML file cannot carry";
    for (const Case& c : {
             Case{{row(2, {{'B', "In Speed"}})}, "B2",
                  "signal name 'In Speed' is not a valid AUTOSAR identifier (a letter, then letters, digits and '_', "
                  "at most 128)"},
             Case{{row(2, {{'B', "In_A[2]"}, {'D', "T"}}), row(3, {{'I', "Out"}}), row(5, {{'B', "In_A"}})}, "B5",
                  "input signal 'In_A' repeats B2 (AUTOSAR names must differ in more than letter case)"},
             Case{{row(2, {{'I', "Out"}}), row(3, {{'I', "OUT"}})}, "I3",
                  "output signal 'OUT' repeats I2 (AUTOSAR names must differ in more than letter case)"},
             Case{{row(2, {{'I', "Sig"}}), row(3, {{'B', "Sig"}})}, "B3",
                  "input signal 'Sig' has the name of output signal I2: the ports of one component need distinct names"},
             // One row: its input half is read before its output half.
             Case{{row(2, {{'B', "Sig"}, {'I', "Sig"}})}, "I2",
                  "output signal 'Sig' has the name of input signal B2: the ports of one component need distinct names"},
             Case{{row(2, {{'I', "Out"}, {'K', "Gear T"}})}, "K2", "data type 'Gear T' is not a valid AUTOSAR identifier"},
             Case{{row(2, {{'D', "uint8"}})}, "B2", "no input signal name, but D2 holds 'uint8'"},
             Case{{row(2, {{'N', "queue: 1"}})}, "I2", "no output signal name, but N2 holds 'queue: 1'"},
             Case{{row(2, {{'I', "Out[3]"}})}, "I2", "'Out[3]' has an array size but K2 names no data type"},
             Case{{row(2, {{'B', "In"}, {'H', "a;b"}})}, "H2", "values 'a;b' but D2 names no data type"},
             Case{{row(2, {{'I', "Out"}, {'K', "T"}, {'O', "a;a"}})}, "O2",
                  "cannot read the enumeration text 'a;a': literal 'a' appears twice"},
             Case{{row(2, {{'B', "In"}, {'D', "S"}, {'H', "uint8;&x;y;"}})}, "H2",
                  "cannot read the member text 'uint8;&x;y;': 1 member types but 2 member names"},
             Case{{row(2, {{'B', "In"}, {'F', "init: 0"}, {'G', "queue: 2"}})}, "F2",
                  "a queued signal (G2) takes no init value: a queued com spec has none"},
             Case{{row(2, {{'B', "In"}, {'G', "timeout: 1 s; queue: 2"}})}, "G2",
                  "a queued signal takes no alive timeout: a queued com spec has none"},
             Case{{row(2, {{'I', "Out"}, {'N', "timeout: 1 s"}})}, "N2",
                  "an output signal has no alive timeout or queue length: only a receiver's com spec carries them"},
             Case{{row(2, {{'I', "Out"}, {'L', "bell\x07"}})}, "L2", control},
             Case{{row(2, {{'B', "In"}, {'E', "\xEF\xBF\xBE"}})}, "E2", control},  // U+FFFE
             Case{{row(2, {{'B', "X"}}), row(3, {{'I', "Out"}}), row(4, {{'D', "T"}}), row(5, {{'B', "In Speed"}})}, "B4",
                  "no input signal name, but D4 holds 'T'"},
         }) {
        CHECK(error_of(c.rows) == "Brake|" + c.cell + "|Brake!" + c.cell + ": " + c.cause);
    }
    CHECK(error_of({row(2, {{'B', "In"}, {'E', "tab\tline\nreturn\r"}})}) == "<none>");
    CHECK(error_of({row(2, {{'B', std::string(129, 'a').c_str()}})}).rfind("Brake|B2|Brake!B2: signal name 'aaa", 0) == 0);
    CHECK(error_of(WorkbookSheet{"Brake 2", {}}) ==
          "Brake 2||Brake 2: the sheet name is not a valid AUTOSAR identifier (a letter, then letters, digits and "
          "'_', at most 128), and the component is named after it");
    CHECK(error_of(WorkbookSheet{"Brake_2", {}}) == "<none>");
}

TEST_CASE("the files are the same for the same design and every UUID comes from its element's path") {
    CHECK(path_uuid("/ComponentTypes/Brake") == path_uuid("/ComponentTypes/Brake"));
    CHECK(path_uuid("/ComponentTypes/Brake") != path_uuid("/ComponentTypes/brake"));
    std::string uuid = path_uuid("/PortInterfaces/Speed");
    REQUIRE(uuid.size() == 36);
    CHECK(uuid[14] == '5');                                         // version 5: SHA-1 of a name
    CHECK(std::string("89ab").find(uuid[19]) != std::string::npos);  // the RFC 4122 variant

    std::vector<ComponentDesign> components;
    for (const char* sheet : {"Brake", "Door"}) {
        components.push_back(component_design(WorkbookSheet{
            sheet,
            {row(2, {{'B', "In_A[3]"}, {'D', "Gear_T"}, {'F', "unit: km/h; range: 0..5; init: {P, N, P}"}, {'H', "P;N"},
                     {'I', "Out_S"}, {'K', "S_T"}, {'M', "init: {1, On}"}, {'O', "uint8;Gear_T;&x;g;"}}),
             row(3, {{'B', "In_Q"}, {'D', "uint8"}, {'G', "queue: 4"}, {'I', "Out_Plain"}})}}));
    }
    std::vector<GeneratedFile> files = arxml_files(components);
    std::vector<GeneratedFile> again = arxml_files(components);
    REQUIRE(files.size() == 4);
    REQUIRE(again.size() == 4);
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < files.size(); ++i) {
        paths.push_back(files[i].path);
        CHECK((files[i].path == again[i].path && files[i].text == again[i].text));
    }
    CHECK(paths == std::vector<std::string>{"Brake.arxml", "Door.arxml", "Shared/PortInterfaces.arxml",
                                            "Shared/DataTypes.arxml"});
    CHECK(count(files[0].text, "UUID=\"" + path_uuid("/ComponentTypes/Brake") + "\"") == 1);
    CHECK(count(files[0].text, "UUID=\"" + path_uuid("/ComponentTypes/Brake/In_A") + "\"") == 1);
    CHECK(count(files[1].text, "UUID=\"" + path_uuid("/ComponentTypes/Door/In_A") + "\"") == 1);
    // The two sheets design the same signals: they share the interfaces, types and constants.
    CHECK(count(files[2].text, "<SENDER-RECEIVER-INTERFACE ") == 4);
    CHECK(count(files[3].text, "<CONSTANT-SPECIFICATION ") == 2);
    CHECK(count(files[3].text, "UUID=\"" + path_uuid("/DataTypes/ImplementationDataTypes/Gear_T") + "\"") == 1);
    // Every UUID appears once in its file: no two elements share a path.
    for (const GeneratedFile& file : files) {
        for (std::size_t at = file.text.find("UUID=\""); at != std::string::npos; at = file.text.find("UUID=\"", at + 1)) {
            CHECK_MESSAGE(count(file.text, file.text.substr(at, 43)) == 1, file.path);
        }
    }
    CHECK(arxml_files({}).empty());
}
