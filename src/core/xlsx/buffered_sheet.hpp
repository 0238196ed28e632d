// A sheet of the native workbook being filled: its cells are gathered in a buffer and the sheet goes
// into the workbook whole when finish() is called.
#pragma once

#include "core/sheet/sheet_output.hpp"
#include "core/xlsx/sheet_commits.hpp"

#include <unordered_map>

namespace velvane {

class NativeWorkbook;

class BufferedSheet : public SheetOutput {
public:
    // `name` is already mended; `book` outlives the sheet.
    BufferedSheet(NativeWorkbook& book, std::string name, std::int64_t row_count, Warn warn);

    void set_column_width(std::int64_t first, std::int64_t last, double width) override;
    void set_row_height(std::int64_t row, double height) override;
    void freeze_panes(std::int64_t row, std::int64_t column) override;
    void set_autofilter(std::int64_t first_row, std::int64_t first_column, std::int64_t last_row,
                        std::int64_t last_column) override;
    void finish() override;

protected:
    void put_text(std::int64_t row, std::int64_t column, std::string_view text, CellStyle style) override;
    void put_blank(std::int64_t row, std::int64_t column, CellStyle style) override;
    void put_number(std::int64_t row, std::int64_t column, double value, CellStyle style) override;
    void put_boolean(std::int64_t row, std::int64_t column, bool value, CellStyle style) override;
    void put_shared_text(std::int64_t row, std::int64_t column, std::uint64_t id, std::string_view text,
                         CellStyle style) override;

private:
    void add(std::int64_t row, std::int64_t column, CellStyle style, BufferedCell::Kind kind, double number);

    NativeWorkbook& book_;
    CommittedSheet sheet_;
    std::unordered_map<std::uint64_t, std::size_t> shared_texts_;  // shared text id -> where its text is
};

}  // namespace velvane
