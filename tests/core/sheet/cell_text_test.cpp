// What a cell may hold of a text, how cells are named in messages, and worksheet names made acceptable.
#include <doctest/doctest.h>

#include "core/sheet/cell_text.hpp"
#include "core/sheet/sheet_name.hpp"
#include "core/sheet/unicode_text.hpp"
#include "support/recording_output.hpp"

#include <set>

using namespace velvane;
using namespace velvane::test;

namespace {

const std::string kReplacement = "\xEF\xBF\xBD";  // U+FFFD
const std::string kCar = "\xF0\x9F\x9A\x97";      // U+1F697, two UTF-16 units

// The cell (1, 1) of sheet `sheet` after writing `text` there, and the warnings.
std::pair<std::string, std::vector<std::string>> written(const std::string& text, const std::string& sheet = "Door") {
    RecordingWorkbook book;
    book.add_sheet(sheet)->write(1, 1, text, CellStyle::data);
    return {book.sheets[0].text(1, 1), book.warnings};
}

std::string mended(const std::u32string& name, const std::set<std::u32string>& taken = {}) {
    return to_utf8(acceptable_sheet_name(name, [&](const std::u32string& n) { return taken.count(n) != 0; }));
}

}  // namespace

TEST_CASE("a text longer than a cell holds keeps its longest prefix that fits and is reported") {
    std::string full(cell_text_limit, 'a');
    CHECK(written(full) == std::make_pair(full, std::vector<std::string>{}));

    auto [cut, warnings] = written(full + "b");
    CHECK(cut == full);
    CHECK(warnings == std::vector<std::string>{
                          "Door!B2: text of 32768 characters cut to its first 32767, the most a cell holds"});

    // A character of two UTF-16 units that would straddle the limit is left out whole.
    std::string straddling = std::string(cell_text_limit - 1, 'a') + kCar;
    CHECK(written(straddling).first == std::string(cell_text_limit - 1, 'a'));
    CHECK(written(straddling, "My Door").second.at(0).rfind("'My Door'!B2: text of 32768 characters", 0) == 0);
}

TEST_CASE("characters no XML file can hold are stored as U+FFFD") {
    CHECK(storable_text(std::string("a\0b", 3)) == "a" + kReplacement + "b");
    CHECK(storable_text("\xED\xA0\x80x") == kReplacement + "x");    // lone surrogate
    CHECK(storable_text("\xEF\xBF\xBE\xEF\xBF\xBF") == kReplacement + kReplacement);
    CHECK_FALSE(needs_mending("\xC3\xA9" + kReplacement + kCar + "\xED\x9F\xBF"));  // U+D7FF is fine
    CHECK(written(std::string("x\0", 2)).first == "x" + kReplacement);
}

TEST_CASE("an empty text is a blank cell and rows past the sheet are not written") {
    RecordingWorkbook book;
    book.set_rows_per_sheet(2);
    auto sheet = book.add_sheet("Door");
    sheet->write(1, 0, "", CellStyle::numbering);
    sheet->write(1, 1, CellValue::of_number(2.5), CellStyle::data);
    sheet->write(1, 2, CellValue::of_boolean(true), CellStyle::data);
    sheet->write(2, 0, "past", CellStyle::data);
    const RecordedSheet& cells = book.sheets[0];
    CHECK(cells.text(1, 0) == "<blank>");
    CHECK(cells.style(1, 0) == CellStyle::numbering);
    CHECK(cells.cells.at({1, 1}).value.number == 2.5);
    CHECK(cells.cells.at({1, 2}).value.kind == CellValue::Kind::boolean);
    CHECK_FALSE(cells.has(2, 0));
    CHECK(cells.cells.size() == 3);
}

TEST_CASE("UTF-16 lengths and prefixes never split a character") {
    CHECK(utf16_length("a\xC3\xA9" + kCar) == 4);
    CHECK(utf16_prefix("a" + kCar + "b", 2) == "a");
    CHECK(utf16_prefix("a" + kCar + "b", 3) == "a" + kCar);
    CHECK(utf16_prefix("ab", 5) == "ab");
}

TEST_CASE("cells are named with the sheet quoted where a formula would need it") {
    CHECK(cell_reference("Door", 0, 0) == "Door!A1");
    CHECK(cell_reference("Door", 9, 26) == "Door!AA10");
    CHECK(cell_reference("Door", 0, 16383) == "Door!XFD1");
    CHECK(cell_reference("1st", 0, 0) == "'1st'!A1");
    CHECK(cell_reference("it's", 0, 0) == "'it''s'!A1");
    CHECK(cell_reference("\xE8\xBD\xA6\xE9\x97\xA8", 0, 0) == "\xE8\xBD\xA6\xE9\x97\xA8!A1");
}

TEST_CASE("sheet names are mended only where the workbook would refuse them") {
    CHECK(mended(U"Door") == "Door");
    CHECK(mended(U"a[b]:c*?/\\d") == "a_b__c____d");
    CHECK(mended(U"'quoted'") == "_quoted_");
    CHECK(mended(U"") == "Sheet");
    CHECK(mended(U"tab\there\xD800") == "tab_here_");
    CHECK(mended(std::u32string(40, U'x')) == std::string(31, 'x'));
    // A character past U+FFFF counts twice and is never split.
    CHECK(mended(std::u32string(30, U'x') + U"\U0001F697") == std::string(30, 'x'));
    // A clash gets the first free suffix, the name cut to make room for it.
    CHECK(mended(U"Door", {U"Door", U"Door~2"}) == "Door~3");
    CHECK(mended(std::u32string(31, U'x'), {std::u32string(31, U'x')}) == std::string(29, 'x') + "~2");
    CHECK(mended(U"a:b", {U"a_b"}) == "a_b~2");
}
