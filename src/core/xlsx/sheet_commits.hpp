// The native workbook's sheets handed to libxlsxwriter on a thread of their own, in the order they were
// committed: building the library's cells (its shared string table above all) then overlaps with the
// analysis of the next file instead of adding to it.
#pragma once

#include "core/sheet/sheet_output.hpp"

#include <cstdint>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

struct lxw_workbook;
struct lxw_format;

namespace velvane {

// One cell of a buffered sheet, in the order it was written (a later write to the same cell wins).
struct BufferedCell {
    enum class Kind : unsigned char { text, blank, number, boolean };
    std::int64_t row;
    std::int64_t column;
    CellStyle style;
    Kind kind;
    double number;        // the value of a number; 0 or 1 for a boolean
    std::size_t text;     // where a text cell's UTF-8 (no NUL inside, one after) starts in its sheet's texts
};

struct ColumnWidth {
    std::int64_t first;
    std::int64_t last;
    double width;
};

struct RowHeight {
    std::int64_t row;
    double height;
};

// A range of cells, both corners included.
struct CellRange {
    std::int64_t first_row;
    std::int64_t first_column;
    std::int64_t last_row;
    std::int64_t last_column;
};

// A finished sheet as the library takes it.
struct CommittedSheet {
    std::string name;  // UTF-8, already mended
    std::vector<ColumnWidth> widths;
    std::vector<RowHeight> heights;
    std::optional<std::pair<std::int64_t, std::int64_t>> frozen;  // row and column of the first pane cell
    std::optional<CellRange> autofilter;
    std::vector<BufferedCell> cells;
    std::string texts;  // the text cells' texts, one after another
};

// What the library refused: the sheet's name (row < 0) or one of its cells.
struct SheetRefusal {
    std::string sheet;
    std::int64_t row = -1;
    std::int64_t column = -1;
    std::string cause;
};

class SheetCommits {
public:
    // `formats` are the workbook's, by CellStyle. With `yielding`, the thread runs at the lowest
    // priority: for runs whose other threads (the project index) are needed sooner.
    SheetCommits(lxw_workbook* book, lxw_format* const* formats, bool yielding);
    ~SheetCommits();  // waits for the sheet under way; the sheets still queued are dropped
    SheetCommits(const SheetCommits&) = delete;
    SheetCommits& operator=(const SheetCommits&) = delete;

    // Queues `sheet`; written on the caller's thread when no thread can be started.
    void add(CommittedSheet sheet);

    // The first refusal so far, without waiting.
    std::optional<SheetRefusal> refusal();

    // Puts every sheet queued into the workbook: the thread ends after the sheet it is writing and the
    // caller writes the rest (a thread that yielded all along may be far behind, and the others it
    // yielded to are done by now). The first refusal, if any. The caller's wait check
    // (platform/wait_check.hpp) is called before each sheet it writes: what it throws ends the call.
    std::optional<SheetRefusal> finish();

private:
    void write(const CommittedSheet& sheet);
    void run();

    lxw_workbook* book_;
    lxw_format* const* formats_;
    bool yielding_;
    std::mutex mutex_;
    std::condition_variable queued_;
    std::deque<CommittedSheet> queue_;
    bool finishing_ = false;
    std::optional<SheetRefusal> refusal_;
    std::thread writer_;
};

}  // namespace velvane
