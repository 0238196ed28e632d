// The workbook written with libxlsxwriter: the sheets, cells, formats and column widths that
// xlsxwriter's Python Workbook gets from the same sheet code, at a fraction of the time.
//
// A sheet is filled into a buffer (buffered_sheet.hpp) and handed over whole by commit() once it is
// complete; a sheet whose filling failed is never committed, so it leaves no trace (the library cannot
// remove a sheet once added). Committed sheets go into the library on a thread of their own
// (sheet_commits.hpp). Nothing is written to disk before close().
#pragma once

#include "core/sheet/sheet_output.hpp"
#include "core/xlsx/sheet_commits.hpp"

#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>

struct lxw_workbook;
struct lxw_format;

namespace velvane {

// Sheet names are told apart without regard to letter case: this gives the form two names are
// compared in. The default folds ASCII letters only.
using CaseFold = std::function<std::u32string(const std::u32string&)>;
std::u32string fold_ascii_case(const std::u32string& name);

// The library refused a sheet's name (row < 0) or one of its cells; what() names the sheet and cell.
class SheetRefused : public std::runtime_error {
public:
    explicit SheetRefused(const SheetRefusal& refusal);
    SheetRefusal refusal;
};

// The workbook was used after close().
class WorkbookClosed : public std::logic_error {
public:
    WorkbookClosed() : std::logic_error("the workbook is already closed") {}
};

// Writing the file failed. what() is the cause: the system's ("No space left on device") where the
// library's failure came from one, with its errno in error_number; else the library's own
// ("Error creating output xlsx file. ..."), error_number 0.
class WorkbookWriteFailed : public std::runtime_error {
public:
    WorkbookWriteFailed(const std::string& cause, int error) : std::runtime_error(cause), error_number(error) {}
    int error_number;
};

class NativeWorkbook {
public:
    // `filename`: the path as the file system takes it; the file is created only by close(). With
    // `yielding`, committed sheets go into the library at the lowest priority (for runs whose other
    // threads are needed sooner).
    explicit NativeWorkbook(const std::string& filename, bool yielding = false, CaseFold fold = fold_ascii_case);
    ~NativeWorkbook();  // a workbook never closed is dropped unwritten; waits for the sheets under way
    NativeWorkbook(const NativeWorkbook&) = delete;
    NativeWorkbook& operator=(const NativeWorkbook&) = delete;

    // `name` made acceptable and free among the sheets committed so far. WorkbookClosed once closed.
    std::string mended_name(const std::string& name) const;

    // Queues the finished sheet. WorkbookClosed once closed; SheetRefused when the library refused
    // a sheet committed before.
    void commit(CommittedSheet&& sheet);

    // Writes the file. SheetRefused when the library refused a sheet (nothing is written then),
    // WorkbookWriteFailed when writing fails. The workbook is finished either way. What the library
    // prints of its failures is kept from standard error (library_messages.hpp).
    void close();

    bool is_open() const { return state_ == State::open; }

private:
    void check_open() const;

    enum class State { open, closing, closed };
    State state_ = State::open;
    CaseFold fold_;
    lxw_workbook* book_ = nullptr;
    lxw_format* formats_[cell_style_count] = {};
    std::set<std::u32string> folded_names_;   // committed sheet names, folded
    std::unique_ptr<SheetCommits> commits_;  // after formats_: uses them
};

// The sheets of `book` as a WorkbookOutput: each is buffered and committed when finished.
class NativeWorkbookOutput : public WorkbookOutput {
public:
    explicit NativeWorkbookOutput(NativeWorkbook& book) : book_(book) {}
    std::unique_ptr<SheetOutput> add_sheet(const std::string& name) override;

private:
    NativeWorkbook& book_;
};

}  // namespace velvane
