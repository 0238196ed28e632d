// A workbook (an xlsx file) read into sheets of rows of cell texts: the zip parts through ZipParts,
// the XML parts (workbook.xml, its relationships, sharedStrings.xml, the worksheets) with pugixml.
// Plain functions of the bytes given; no threads, no global state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace velvane {

// The bytes are not a workbook that can be read: not a zip archive, a missing or malformed part, a
// part too large. The message says which part and why.
class WorkbookError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct WorkbookRow {
    std::int64_t number = 0;         // the row's number as the spreadsheet shows it, from 1
    std::vector<std::string> cells;  // A, B, ... as text, "" for an empty cell; cut at the columns asked for
};

struct WorkbookSheet {
    std::string name;
    std::vector<WorkbookRow> rows;  // the rows that hold anything, in the order written
};

// Every worksheet of the workbook in `data`, in the workbook's order (chart sheets and other kinds
// are left out), each with the texts of its first `columns` columns. A cell shows its text as the
// spreadsheet stores it: a shared or inline string (rich text joined, phonetic runs left out,
// "_xHHHH_" escapes decoded), a number as written, TRUE or FALSE, an error code, a formula's cached
// result. Throws WorkbookError.
std::vector<WorkbookSheet> read_workbook(const unsigned char* data, std::size_t size, std::size_t columns);

}  // namespace velvane
