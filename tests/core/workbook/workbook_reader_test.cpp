// The workbook read back: every way a spreadsheet stores a cell's text, which sheets are signal
// sheets, and the errors of bytes that are no readable workbook. The workbooks are zip archives
// made here with minizip's writer, their parts stored uncompressed so that a test can damage one.
#include <doctest/doctest.h>

#include "core/sheet/signal_sheet.hpp"
#include "core/workbook/signal_sheets.hpp"
#include "core/workbook/workbook_reader.hpp"

#include <minizip/zip.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

using namespace velvane;

namespace {

using Parts = std::vector<std::pair<std::string, std::string>>;

std::string zip_of(const Parts& parts) {
    char name[] = "/tmp/velvane-workbook-XXXXXX";
    int file = ::mkstemp(name);
    REQUIRE(file >= 0);
    ::close(file);
    zipFile zip = zipOpen(name, APPEND_STATUS_CREATE);
    REQUIRE(zip != nullptr);
    for (const auto& [part, text] : parts) {
        REQUIRE(zipOpenNewFileInZip(zip, part.c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr, 0, 0) == ZIP_OK);
        REQUIRE(zipWriteInFileInZip(zip, text.data(), static_cast<unsigned>(text.size())) == ZIP_OK);
        REQUIRE(zipCloseFileInZip(zip) == ZIP_OK);
    }
    REQUIRE(zipClose(zip, nullptr) == ZIP_OK);
    std::ifstream in(name, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(name);
    return bytes;
}

const std::string main_ns = " xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
const std::string kinds = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

// A workbook with the worksheet "One" of `sheet_data` (the content of sheetData), a chart sheet
// "Chart", and the shared strings `strings` (the content of sst).
Parts workbook_parts(const std::string& sheet_data, const std::string& strings) {
    return {{"xl/workbook.xml", "<workbook" + main_ns + " xmlns:r=\"" + kinds.substr(0, kinds.size() - 1) +
                                    "\"><sheets><sheet name=\"One\" sheetId=\"1\" r:id=\"rId1\"/>"
                                    "<sheet name=\"Chart\" sheetId=\"2\" r:id=\"rId2\"/></sheets></workbook>"},
            {"xl/_rels/workbook.xml.rels",
             "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
             "<Relationship Id=\"rId1\" Type=\"" + kinds + "worksheet\" Target=\"worksheets/sheet1.xml\"/>"
             "<Relationship Id=\"rId2\" Type=\"" + kinds + "chartsheet\" Target=\"chartsheets/sheet1.xml\"/>"
             "<Relationship Id=\"rId3\" Type=\"" + kinds + "sharedStrings\" Target=\"sharedStrings.xml\"/>"
             "</Relationships>"},
            {"xl/sharedStrings.xml", "<sst" + main_ns + ">" + strings + "</sst>"},
            {"xl/worksheets/sheet1.xml", "<worksheet" + main_ns + "><sheetData>" + sheet_data + "</sheetData></worksheet>"}};
}

std::vector<WorkbookSheet> read(const std::string& bytes, std::size_t columns = 9) {
    return read_workbook(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), columns);
}

// The WorkbookError's message; "<none>" when the bytes were read.
std::string error_of(const std::string& bytes) {
    try {
        read(bytes);
    } catch (const WorkbookError& error) {
        return error.what();
    }
    return "<none>";
}

}  // namespace

TEST_CASE("a cell shows its text as the spreadsheet stores it") {
    std::string strings =
        "<si><t>plain</t></si>"
        "<si><r><rPr><b/></rPr><t>Ri</t></r><r><t xml:space=\"preserve\">ch </t></r>"
        "<rPh sb=\"0\" eb=\"1\"><t>ph</t></rPh></si>";
    std::string rows =
        "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
        "<c r=\"C1\" t=\"inlineStr\"><is><t>in_x000D_line</t></is></c><c r=\"D1\"><v>2.50</v></c>"
        "<c r=\"E1\" t=\"b\"><v>1</v></c><c r=\"F1\" t=\"str\"><f>A1</f><v>a_x005F_x0041_</v></c>"
        "<c r=\"G1\"><f>1+1</f><v>2</v></c><c r=\"H1\"><f>X</f></c><c r=\"I1\" t=\"e\"><v>#N/A</v></c>"
        "<c r=\"J1\"><v>cut</v></c></row>"
        // No row or cell references: each follows the one before.
        "<row><c t=\"inlineStr\"><is><t>_x41_ _xD800_ _x00e9__x0041 _x004</t></is></c><c t=\"s\"><v>0</v></c></row>"
        "<row r=\"5\"><c r=\"A5\" t=\"s\"/></row><row><c r=\"C7\" t=\"b\"><v>0</v></c></row>";
    std::vector<WorkbookSheet> sheets = read(zip_of(workbook_parts(rows, strings)));
    REQUIRE(sheets.size() == 1);  // the chart sheet is no worksheet
    CHECK(sheets[0].name == "One");
    const std::vector<WorkbookRow>& read_rows = sheets[0].rows;
    REQUIRE(read_rows.size() == 3);  // row 5 holds nothing
    CHECK(read_rows[0].number == 1);
    CHECK(read_rows[0].cells ==
          std::vector<std::string>{"plain", "Rich ", "in\rline", "2.50", "TRUE", "a_x0041_", "2", "", "#N/A"});
    CHECK(read_rows[1].number == 2);
    CHECK(read_rows[1].cells == std::vector<std::string>{"_x41_ \xEF\xBF\xBD \xC3\xA9_x0041 _x004", "plain"});
    CHECK(read_rows[2].number == 6);
    CHECK(read_rows[2].cells == std::vector<std::string>{"", "", "FALSE"});
}

TEST_CASE("bytes that are no readable workbook give errors naming the part and the cause") {
    Parts good = workbook_parts("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>", "<si><t>plain</t></si>");
    CHECK(error_of(zip_of(good)) == "<none>");
    CHECK(error_of("PK but not a zip archive") == "not a zip archive");
    std::string bytes = zip_of(good);
    // Cut short anywhere in its end record, a workbook is no zip archive (missing bytes are not zeros).
    for (std::size_t cut = 1; cut <= 30; ++cut) CHECK(error_of(bytes.substr(0, bytes.size() - cut)) == "not a zip archive");
    CHECK(error_of(zip_of({{"readme.txt", "a zip of no workbook"}})) == "no workbook part (xl/workbook.xml)");

    Parts changed = good;
    changed[0].second = "<other/>";
    CHECK(error_of(zip_of(changed)) == "xl/workbook.xml: no workbook element");
    changed = good;
    changed.pop_back();
    CHECK(error_of(zip_of(changed)) == "xl/worksheets/sheet1.xml: part missing");
    changed = good;
    changed[3].second = "<worksheet><sheetData></worksheet>";
    CHECK(error_of(zip_of(changed)) == "xl/worksheets/sheet1.xml: malformed XML at byte 24: Start-end tags mismatch");
    changed = workbook_parts("<row r=\"1\"><c r=\"B1\" t=\"s\"><v>1</v></c></row>", "<si><t>plain</t></si>");
    CHECK(error_of(zip_of(changed)) ==
          "xl/worksheets/sheet1.xml: cell B1 names shared string 1, which the workbook does not hold");

    // One byte of the stored shared strings changed: the part no longer matches its CRC.
    std::size_t at = bytes.find("<t>plain</t>");
    REQUIRE(at != std::string::npos);
    bytes[at + 3] = 'P';
    CHECK(error_of(bytes) == "xl/sharedStrings.xml: CRC mismatch");
}

TEST_CASE("a signal sheet is told by its header row and a companion sheet by its name") {
    WorkbookRow header{1, {}};
    for (const char* text : signal_header_texts) header.cells.push_back(text);
    CHECK(sheet_kind(WorkbookSheet{"Door", {header, WorkbookRow{2, {"1", "In_A"}}}}) == SheetKind::signal);
    CHECK(sheet_kind(WorkbookSheet{"Connections", {header}}) == SheetKind::signal);
    CHECK(sheet_kind(WorkbookSheet{"Door", {}}) == SheetKind::other);
    WorkbookRow lower = header, first = header, last = header, short_row = header;
    lower.number = 2;  // the header texts, but not in the first row
    first.cells.front() += " ";
    last.cells.back() += " ";
    short_row.cells.pop_back();
    for (const WorkbookRow& changed : {lower, first, last, short_row}) {
        CHECK(sheet_kind(WorkbookSheet{"Door", {changed}}) == SheetKind::other);
    }
    for (const char* name : {"Connections", "Changes", "Connections~2", "Changes~13"}) {
        CHECK_MESSAGE(sheet_kind(WorkbookSheet{name, {}}) == SheetKind::companion, name);
    }
    for (const char* name : {"Connections~", "Connections2", "Changes~2a", "MyChanges", "Change"}) {
        CHECK_MESSAGE(sheet_kind(WorkbookSheet{name, {}}) == SheetKind::other, name);
    }
}
