#include "python/tessaly/python_sheet_output.hpp"

#include "core/sheet/sheet_name.hpp"
#include "core/sheet/unicode_text.hpp"
#include "python/common/py_text.hpp"

#include <set>
#include <string>

namespace velvane::tessaly {

namespace {

py::dict cell_properties() {
    py::dict properties;
    properties["align"] = "center";
    properties["valign"] = "vcenter";
    properties["text_wrap"] = true;
    return properties;
}

// The workbook's formats, one per CellStyle.
struct SheetFormats {
    py::object formats[cell_style_count];

    const py::object& of(CellStyle style) const { return formats[static_cast<int>(style)]; }
};

// "#RRGGBB" of a fill.
std::string colour_text(long fill) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text = "#";
    for (int shift = 20; shift >= 0; shift -= 4) text += digits[(fill >> shift) & 0xF];
    return text;
}

SheetFormats add_formats(py::handle workbook) {
    py::object add_format = workbook.attr("add_format");
    SheetFormats formats;
    for (int i = 0; i < cell_style_count; ++i) {
        auto style = static_cast<CellStyle>(i);
        py::dict properties = cell_properties();
        if (style == CellStyle::header) properties["bold"] = true;
        long fill = cell_style_fill(style);
        if (fill >= 0) properties["fg_color"] = colour_text(fill);
        properties["border"] = 1;
        formats.formats[i] = add_format(properties);
    }
    return formats;
}

// A name lower-cased as the workbook compares sheet names: by Python's str.lower().
std::u32string lowered(py::handle name) { return code_points_of(utf8_key(name.attr("lower")())); }

// Sheet names already in the workbook, lower-cased.
SheetNameTaken names_in_use(py::handle workbook) {
    std::set<std::u32string> in_use;
    for (py::handle sheet : workbook.attr("worksheets")()) in_use.insert(lowered(sheet.attr("name")));
    return [in_use](const std::u32string& candidate) {
        return in_use.count(lowered(text_from_utf8(to_utf8(candidate)))) != 0;
    };
}

class PythonSheetOutput : public SheetOutput {
public:
    PythonSheetOutput(py::object sheet, std::string name, std::int64_t rows, Warn warn, SheetFormats formats)
        : SheetOutput(std::move(name), rows, std::move(warn)),
          formats_(std::move(formats)),
          write_string_(sheet.attr("write_string")),
          write_blank_(sheet.attr("write_blank")),
          write_(sheet.attr("write")),
          sheet_(std::move(sheet)) {}

    void set_column_width(std::int64_t first, std::int64_t last, double width) override {
        sheet_.attr("set_column")(first, last, width);
    }
    void set_row_height(std::int64_t row, double height) override { sheet_.attr("set_row")(row, height); }
    void freeze_panes(std::int64_t row, std::int64_t column) override { sheet_.attr("freeze_panes")(row, column); }
    void set_autofilter(std::int64_t first_row, std::int64_t first_column, std::int64_t last_row,
                        std::int64_t last_column) override {
        sheet_.attr("autofilter")(first_row, first_column, last_row, last_column);
    }

protected:
    void put_text(std::int64_t row, std::int64_t column, std::string_view text, CellStyle style) override {
        write_string_(row, column, text_from_utf8(std::string(text)), formats_.of(style));
    }
    void put_blank(std::int64_t row, std::int64_t column, CellStyle style) override {
        write_blank_(row, column, py::none(), formats_.of(style));
    }
    void put_number(std::int64_t row, std::int64_t column, double value, CellStyle style) override {
        write_(row, column, value, formats_.of(style));
    }
    void put_boolean(std::int64_t row, std::int64_t column, bool value, CellStyle style) override {
        write_(row, column, value, formats_.of(style));
    }

private:
    SheetFormats formats_;
    py::object write_string_;
    py::object write_blank_;
    py::object write_;
    py::object sheet_;
};

}  // namespace

PythonWorkbookOutput::PythonWorkbookOutput(py::handle workbook)
    : workbook_(py::reinterpret_borrow<py::object>(workbook)) {}

std::unique_ptr<SheetOutput> PythonWorkbookOutput::add_sheet(const std::string& name) {
    SheetFormats formats = add_formats(workbook_);
    std::string mended = to_utf8(acceptable_sheet_name(code_points_of(name), names_in_use(workbook_)));
    py::object sheet = workbook_.attr("add_worksheet")(text_from_utf8(mended));
    return std::make_unique<PythonSheetOutput>(std::move(sheet), std::move(mended), rows_per_sheet(), warn(),
                                               std::move(formats));
}

}  // namespace velvane::tessaly
