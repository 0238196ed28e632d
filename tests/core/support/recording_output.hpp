// A workbook output that keeps in memory what the sheet code writes, for the tests to read back.
#pragma once

#include "core/sheet/sheet_output.hpp"

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace velvane::test {

struct RecordedCell {
    CellValue value;  // a text as stored: mended and cut
    CellStyle style;
};

struct RecordedSheet {
    std::string name;
    std::map<std::pair<std::int64_t, std::int64_t>, RecordedCell> cells;  // by (row, column)
    std::vector<std::pair<std::pair<std::int64_t, std::int64_t>, double>> widths;
    std::map<std::int64_t, double> heights;                            // by row
    std::pair<std::int64_t, std::int64_t> frozen{0, 0};               // first pane cell; (0, 0): none
    std::vector<std::int64_t> autofilter;                              // first row, column, last row, column
    bool finished = false;

    // The text at (row, column); "<blank>" for a blank cell, "<none>" where nothing was written.
    std::string text(std::int64_t row, std::int64_t column) const {
        auto found = cells.find({row, column});
        if (found == cells.end()) return "<none>";
        if (found->second.value.kind == CellValue::Kind::blank) return "<blank>";
        return found->second.value.text;
    }
    bool has(std::int64_t row, std::int64_t column) const { return cells.count({row, column}) != 0; }
    CellStyle style(std::int64_t row, std::int64_t column) const { return cells.at({row, column}).style; }
};

class RecordingSheet : public SheetOutput {
public:
    RecordingSheet(RecordedSheet& into, std::int64_t rows, Warn warn)
        : SheetOutput(into.name, rows, std::move(warn)), into_(into) {}

    void set_column_width(std::int64_t first, std::int64_t last, double width) override {
        into_.widths.push_back({{first, last}, width});
    }
    void set_row_height(std::int64_t row, double height) override { into_.heights[row] = height; }
    void freeze_panes(std::int64_t row, std::int64_t column) override { into_.frozen = {row, column}; }
    void set_autofilter(std::int64_t first_row, std::int64_t first_column, std::int64_t last_row,
                        std::int64_t last_column) override {
        into_.autofilter = {first_row, first_column, last_row, last_column};
    }
    void finish() override { into_.finished = true; }

protected:
    void put_text(std::int64_t row, std::int64_t column, std::string_view text, CellStyle style) override {
        into_.cells[{row, column}] = {CellValue::of_text(std::string(text)), style};
    }
    void put_blank(std::int64_t row, std::int64_t column, CellStyle style) override {
        into_.cells[{row, column}] = {CellValue(), style};
    }
    void put_number(std::int64_t row, std::int64_t column, double value, CellStyle style) override {
        into_.cells[{row, column}] = {CellValue::of_number(value), style};
    }
    void put_boolean(std::int64_t row, std::int64_t column, bool value, CellStyle style) override {
        into_.cells[{row, column}] = {CellValue::of_boolean(value), style};
    }

private:
    RecordedSheet& into_;
};

// Sheets are named as asked; every warning is kept.
class RecordingWorkbook : public WorkbookOutput {
public:
    RecordingWorkbook() {
        set_warn([this](const std::string& message) { warnings.push_back(message); });
    }

    std::unique_ptr<SheetOutput> add_sheet(const std::string& name) override {
        RecordedSheet sheet;
        sheet.name = name;
        sheets.push_back(std::move(sheet));
        return std::make_unique<RecordingSheet>(sheets.back(), rows_per_sheet(), warn());
    }

    std::deque<RecordedSheet> sheets;
    std::vector<std::string> warnings;
};

}  // namespace velvane::test
