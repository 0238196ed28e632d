// How a finished sheet opens in a spreadsheet program when its workbook is made ready to work with
// (WorkbookOutput::working_view): the header row frozen, an autofilter over the cells written, and
// each row tall enough for its wrapped texts. Spreadsheet programs show a row at its stored height;
// LibreOffice does not grow a row of a file it opens for the texts that wrap in it, so without a
// stored height such texts overlap the rows below.
//
// The sheet writers make one SheetView per sheet, set the column widths through it, and call apply()
// just before the sheet's finish(). Without the working view it only passes the widths on. Used by one
// thread at a time, like the sheet it watches.
#pragma once

#include "core/sheet/sheet_output.hpp"

#include <cstdint>
#include <string_view>
#include <vector>

namespace velvane {

// The width of a column whose width was never set, in characters.
inline constexpr double default_column_width = 8.43;

// Points of one line of text in the workbook's font (11 points), and the most a row may be.
inline constexpr double line_height = 15;
inline constexpr double row_height_limit = 409;

// Lines a wrapped `text` takes in a column `width` characters wide: each piece between line feeds
// takes its length over the characters a line holds, rounded up (at least one line). The length is
// counted in UTF-16 units, an East Asian wide character (CJK, Hangul, full-width forms) as two.
std::int64_t wrapped_lines(std::string_view text, double width);

class SheetView : public CellWatcher {
public:
    // Watches `sheet` when `working` (the workbook's working_view()); `sheet` outlives the view.
    SheetView(SheetOutput& sheet, bool working);
    ~SheetView() override;
    SheetView(const SheetView&) = delete;
    SheetView& operator=(const SheetView&) = delete;

    // Sets columns first..last of the sheet to `width` characters, and keeps the width for the rows.
    void set_column_width(std::int64_t first, std::int64_t last, double width);

    // With the working view: freezes row 0, puts the autofilter over row 0 to the last row written and
    // column A to the last column written, and sets the height of each row whose texts take more than
    // one line to that many lines. Nothing otherwise.
    void apply() const;

    void stored(std::int64_t row, std::int64_t column, std::string_view text) override;

private:
    double width_of(std::int64_t column) const;

    SheetOutput& sheet_;
    bool working_;
    std::vector<double> widths_;       // by column; 0 where not set
    std::vector<std::int64_t> lines_;  // by row: lines of its tallest text
    std::int64_t last_row_ = 0;
    std::int64_t last_column_ = 0;
};

}  // namespace velvane
