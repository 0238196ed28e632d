// The native workbook: written only at close, refusals of the library surfaced as SheetRefused, and
// no use after close.
#include <doctest/doctest.h>

#include "core/xlsx/native_workbook.hpp"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

using namespace velvane;

namespace {

struct TempDir {
    std::string path;
    TempDir() {
        char name[] = "/tmp/velvane-xlsx-XXXXXX";
        REQUIRE(::mkdtemp(name) != nullptr);
        path = name;
    }
    ~TempDir() { std::system(("rm -rf '" + path + "'").c_str()); }
};

// The file's first bytes, "" when there is no such file.
std::string head(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(4, '\0');
    in.read(&bytes[0], 4);
    return in ? bytes : std::string();
}

void fill(WorkbookOutput& out, const std::string& name, std::int64_t column = 1) {
    std::unique_ptr<SheetOutput> sheet = out.add_sheet(name);
    sheet->set_column_width(0, 3, 25);
    sheet->write(0, 0, "No.", CellStyle::header);
    sheet->write(1, 0, "1", CellStyle::numbering);
    sheet->write(1, column, CellValue::of_number(2.5), CellStyle::data);
    sheet->write(2, 2, CellValue::of_boolean(true), CellStyle::data);
    sheet->write(2, 3, "", CellStyle::data);
    sheet->finish();
}

}  // namespace

TEST_CASE("the workbook is written at close as a zip file") {
    TempDir dir;
    std::string file = dir.path + "/out.xlsx";
    NativeWorkbook book(file);
    NativeWorkbookOutput out(book);
    fill(out, "Door");
    CHECK(book.mended_name("dOOR") == "dOOR~2");  // ASCII case is ignored
    CHECK(book.mended_name("T\xC3\x9C") == "T\xC3\x9C");
    fill(out, "door");
    CHECK(head(file).empty());
    book.close();
    CHECK_FALSE(book.is_open());
    CHECK(head(file) == std::string("PK\x03\x04", 4));
}

TEST_CASE("a workbook never closed leaves no file") {
    TempDir dir;
    {
        NativeWorkbook book(dir.path + "/out.xlsx");
        NativeWorkbookOutput out(book);
        fill(out, "Door");
    }
    CHECK(head(dir.path + "/out.xlsx").empty());
}

TEST_CASE("a cell the library refuses surfaces at close and nothing is written") {
    TempDir dir;
    std::string file = dir.path + "/out.xlsx";
    NativeWorkbook book(file);
    NativeWorkbookOutput out(book);
    fill(out, "Door", 20000);  // past the last column, XFD
    try {
        book.close();
        FAIL("close() did not throw");
    } catch (const SheetRefused& refused) {
        CHECK(refused.refusal.sheet == "Door");
        CHECK(refused.refusal.row == 1);
        CHECK(refused.refusal.column == 20000);
        CHECK(std::string(refused.what()).rfind("Door!ACOG2: ", 0) == 0);
    }
    CHECK_FALSE(book.is_open());
    CHECK(head(file).empty());
}

TEST_CASE("a sheet name the library refuses surfaces as SheetRefused") {
    TempDir dir;
    NativeWorkbook book(dir.path + "/out.xlsx");
    CommittedSheet sheet;
    sheet.name = "bad[name]";
    book.commit(std::move(sheet));
    CHECK_THROWS_WITH_AS(book.close(), "the workbook refused the sheet name bad[name]", SheetRefused);
}

TEST_CASE("a closed workbook refuses any further use") {
    TempDir dir;
    NativeWorkbook book(dir.path + "/out.xlsx");
    book.close();
    CHECK_THROWS_AS(book.close(), WorkbookClosed);
    CHECK_THROWS_AS(book.mended_name("Door"), WorkbookClosed);
    CHECK_THROWS_AS(book.commit(CommittedSheet()), WorkbookClosed);
}

TEST_CASE("a file that cannot be created is reported at close") {
    TempDir dir;
    NativeWorkbook book(dir.path + "/no-such-dir/out.xlsx");
    CHECK_THROWS_AS(book.close(), WorkbookWriteFailed);
    CHECK_THROWS_AS(book.close(), WorkbookClosed);
}
