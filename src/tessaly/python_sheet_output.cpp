#include "tessaly/python_sheet_output.hpp"

#include "tessaly/py_text.hpp"
#include "tessaly/sheet_name.hpp"

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

struct SheetFormats {
    py::object header;
    py::object numbering;
    py::object data;

    const py::object& of(CellStyle style) const {
        switch (style) {
            case CellStyle::header: return header;
            case CellStyle::numbering: return numbering;
            case CellStyle::data: break;
        }
        return data;
    }
};

SheetFormats add_formats(py::handle workbook) {
    py::dict header = cell_properties();
    header["bold"] = true;
    header["fg_color"] = "#64A600";
    header["border"] = 1;
    py::dict numbering = cell_properties();
    numbering["fg_color"] = "#FFFF00";
    numbering["border"] = 1;
    py::dict data = cell_properties();
    data["border"] = 1;
    py::object add_format = workbook.attr("add_format");
    return {add_format(header), add_format(numbering), add_format(data)};
}

// Sheet names already in the workbook, lower-cased as the workbook compares them.
SheetNameTaken names_in_use(py::handle workbook) {
    std::set<std::u32string> lowered;
    for (py::handle sheet : workbook.attr("worksheets")()) {
        lowered.insert(code_points_of(sheet.attr("name").attr("lower")()));
    }
    return [lowered](const std::u32string& candidate) {
        py::object folded = text_from_code_points(candidate).attr("lower")();
        return lowered.count(code_points_of(folded)) != 0;
    };
}

class PythonSheetOutput : public SheetOutput {
public:
    PythonSheetOutput(py::object sheet, py::str name, SheetFormats formats)
        : SheetOutput(std::move(name)),
          formats_(std::move(formats)),
          write_string_(sheet.attr("write_string")),
          write_blank_(sheet.attr("write_blank")),
          write_(sheet.attr("write")),
          sheet_(std::move(sheet)) {}

    void set_column_width(Py_ssize_t first, Py_ssize_t last, double width) override {
        sheet_.attr("set_column")(first, last, width);
    }

protected:
    void put_text(Py_ssize_t row, Py_ssize_t column, py::handle text, CellStyle style) override {
        write_string_(row, column, text, formats_.of(style));
    }
    void put_blank(Py_ssize_t row, Py_ssize_t column, py::handle value, CellStyle style) override {
        write_blank_(row, column, value, formats_.of(style));
    }
    void put_other(Py_ssize_t row, Py_ssize_t column, py::handle value, CellStyle style) override {
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

std::unique_ptr<SheetOutput> PythonWorkbookOutput::add_sheet(py::handle name) {
    SheetFormats formats = add_formats(workbook_);
    py::str mended = text_from_code_points(acceptable_sheet_name(code_points_of(name), names_in_use(workbook_)));
    py::object sheet = workbook_.attr("add_worksheet")(mended);
    return std::make_unique<PythonSheetOutput>(std::move(sheet), std::move(mended), std::move(formats));
}

}  // namespace velvane::tessaly
