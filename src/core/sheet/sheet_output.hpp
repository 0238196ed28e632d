// Where the cells of a worksheet go.
//
// A WorkbookOutput adds worksheets; a SheetOutput is one worksheet being filled. Two kinds stand
// behind them: the native workbook (xlsx/native_workbook.hpp), and a caller's xlsxwriter workbook
// written through its Python methods (the Python layer's). Whatever fills a sheet sees no difference,
// because the rules of a cell live here and hold for both:
//
//   - A text is stored as text: never turned into a formula, a link or a number. An empty text
//     becomes a blank cell that still carries the style.
//   - Characters no XML file can hold become U+FFFD.
//   - A text longer than a cell holds (cell_text_limit UTF-16 units) gets its longest prefix that
//     fits, and the workbook's warn() names the cell, the text's length and the limit.
//   - Cells in rows at or past row_count() are not written; whoever fills the sheet knows what
//     those rows held and says what was left out.
//
// Use:
//
//   std::unique_ptr<SheetOutput> sheet = workbook.add_sheet("Connections");
//   sheet->set_column_width(0, 3, 25);                     // columns A to D, 25 characters
//   sheet->write(0, 0, "From", CellStyle::header);         // row 0 is the first row (1 in Excel)
//   sheet->write(1, 0, CellValue::of_number(2), CellStyle::data);
//   sheet->finish();                                       // the sheet is complete
//
// finish() must be called once the sheet is complete; a sheet whose filling failed before then may
// be dropped by the workbook (the native one keeps only finished sheets). Rows and columns count
// from 0 (row 0 is the header row, column 0 is A). Texts are UTF-8 (see unicode_text.hpp).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velvane {

// The most rows a worksheet holds, the header row included.
inline constexpr std::int64_t sheet_row_limit = 1048576;

// The looks of a cell. Each is centred both ways with wrapped text and has a thin border.
enum class CellStyle {
    header,     // bold, green fill (#64A600)
    numbering,  // yellow fill (#FFFF00)
    data,
    // The rows of the Changes sheet. Their fills keep black text legible and differ in grey level
    // (about 211, 184 and 242 of 255), so that a print in grey still tells them apart.
    added,      // light green fill (#C6E0B4)
    removed,    // light red fill (#F0A0A0)
    changed,    // light yellow fill (#FFF2CC)
};
inline constexpr int cell_style_count = 6;

// The fill of `style` as 0xRRGGBB, or -1 for none.
constexpr long cell_style_fill(CellStyle style) {
    switch (style) {
        case CellStyle::header: return 0x64A600;
        case CellStyle::numbering: return 0xFFFF00;
        case CellStyle::data: return -1;
        case CellStyle::added: return 0xC6E0B4;
        case CellStyle::removed: return 0xF0A0A0;
        case CellStyle::changed: return 0xFFF2CC;
    }
    return -1;
}

// One cell's value.
struct CellValue {
    enum class Kind { blank, text, number, boolean };
    Kind kind = Kind::blank;
    std::string text;   // a text's UTF-8
    double number = 0;  // a number; 0 or 1 for a boolean

    static CellValue of_text(std::string text) { return {Kind::text, std::move(text), 0}; }
    static CellValue of_number(double value) { return {Kind::number, std::string(), value}; }
    static CellValue of_boolean(bool value) { return {Kind::boolean, std::string(), value ? 1.0 : 0.0}; }
};

// Told of everything that did not fit: a text cut, rows left out. It may throw to end the work.
using Warn = std::function<void(const std::string& message)>;

// Told of each cell a sheet stores, after it is stored: a text as stored (cut and mended), "" for
// the other kinds. Cells past the sheet's last row are not stored and not told.
class CellWatcher {
public:
    virtual ~CellWatcher() = default;
    virtual void stored(std::int64_t row, std::int64_t column, std::string_view text) = 0;
};

class SheetOutput {
public:
    virtual ~SheetOutput() = default;
    SheetOutput(const SheetOutput&) = delete;
    SheetOutput& operator=(const SheetOutput&) = delete;

    // The sheet's name as the workbook holds it (after mending).
    const std::string& name() const { return name_; }

    // Rows the sheet holds, the header row included.
    std::int64_t row_count() const { return row_count_; }

    // Writes `value` into the cell at (row, column) in `style`, following the rules above.
    void write(std::int64_t row, std::int64_t column, const CellValue& value, CellStyle style);
    void write(std::int64_t row, std::int64_t column, std::string_view text, CellStyle style);

    // The same for a value or text many cells may share (a type's enumeration literals, an interface's
    // description): a long one is measured, mended and cut once for the cells it goes into in a row,
    // and the workbook may keep it once. The cost of a cell then does not grow with the text, however
    // long it is. The text must not change while the sheet is filled.
    void write(std::int64_t row, std::int64_t column, const std::shared_ptr<const CellValue>& value,
               CellStyle style);
    void write(std::int64_t row, std::int64_t column, const std::shared_ptr<const std::string>& text,
               CellStyle style);

    // Sets columns first..last (inclusive, 0 is A) to `width` characters.
    virtual void set_column_width(std::int64_t first, std::int64_t last, double width) = 0;

    // Sets row `row` to `height` points.
    virtual void set_row_height(std::int64_t row, double height) = 0;

    // Keeps the rows above `row` and the columns left of `column` in view while the rest scrolls.
    virtual void freeze_panes(std::int64_t row, std::int64_t column) = 0;

    // Puts an autofilter on the cells from (first_row, first_column) to (last_row, last_column); the
    // first row holds the headers it offers to filter by.
    virtual void set_autofilter(std::int64_t first_row, std::int64_t first_column, std::int64_t last_row,
                                std::int64_t last_column) = 0;

    // The sheet is complete.
    virtual void finish() {}

    // Tells `watcher` (none: nobody) of every cell stored from now on.
    void watch(CellWatcher* watcher) { watcher_ = watcher; }

protected:
    SheetOutput(std::string name, std::int64_t row_count, Warn warn);

    // A text ready to store: only characters an XML file can hold, not empty.
    virtual void put_text(std::int64_t row, std::int64_t column, std::string_view text, CellStyle style) = 0;
    virtual void put_blank(std::int64_t row, std::int64_t column, CellStyle style) = 0;
    virtual void put_number(std::int64_t row, std::int64_t column, double value, CellStyle style) = 0;
    virtual void put_boolean(std::int64_t row, std::int64_t column, bool value, CellStyle style) = 0;
    // A shared text as put_text takes it; `id` is the same for every cell it goes into.
    virtual void put_shared_text(std::int64_t row, std::int64_t column, std::uint64_t /*id*/, std::string_view text,
                                 CellStyle style) {
        put_text(row, column, text, style);
    }

private:
    // A long shared text as its cells take it: mended and cut, with its length for the warning.
    struct SharedText {
        std::shared_ptr<const std::string> source;  // held: its address cannot come back as another text
        std::string stored;
        std::size_t length;  // in UTF-16 units, before the cut
        std::uint64_t id;
    };
    const SharedText& measured(const std::shared_ptr<const std::string>& text);
    // The long shared text remembered with the content of `text`, else a new one.
    std::shared_ptr<const std::string> remembered(std::string_view text) const;
    void warn_cut(std::int64_t row, std::int64_t column, std::size_t length) const;

    std::string name_;
    std::int64_t row_count_;
    Warn warn_;
    CellWatcher* watcher_ = nullptr;
    std::vector<SharedText> shared_;  // the last few long shared texts, the latest last
    std::uint64_t shared_count_ = 0;
};

class WorkbookOutput {
public:
    virtual ~WorkbookOutput() = default;

    // A new worksheet named after `name`, mended into a name the workbook accepts and that no sheet of
    // it holds yet (see sheet_name.hpp).
    virtual std::unique_ptr<SheetOutput> add_sheet(const std::string& name) = 0;

    // Rows each new sheet holds: sheet_row_limit, or fewer (at least two) where asked.
    std::int64_t rows_per_sheet() const { return rows_per_sheet_; }
    void set_rows_per_sheet(std::int64_t rows);

    // What the sheets report (see SheetOutput); nothing is said by default.
    const Warn& warn() const { return warn_; }
    void set_warn(Warn warn) { warn_ = std::move(warn); }

    // Whether the sheets are made ready to work with (sheet_view.hpp): header row frozen, autofilter,
    // rows as tall as their wrapped texts. Off by default: the sheets are exactly their cells.
    bool working_view() const { return working_view_; }
    void set_working_view(bool working) { working_view_ = working; }

private:
    std::int64_t rows_per_sheet_ = sheet_row_limit;
    Warn warn_;
    bool working_view_ = false;
};

}  // namespace velvane
