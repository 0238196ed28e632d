#include "core/generate/workbook_design.hpp"

#include "core/workbook/signal_sheets.hpp"

namespace velvane {

WorkbookDesign workbook_design(const unsigned char* data, std::size_t size) {
    WorkbookDesign design;
    for (const WorkbookSheet& sheet : read_workbook(data, size, signal_sheet_columns)) {
        switch (sheet_kind(sheet)) {
            case SheetKind::signal:
                try {
                    design.components.push_back(component_design(sheet));
                } catch (const SignalListError& error) {
                    design.errors.push_back(error);
                }
                break;
            case SheetKind::other:
                design.other_sheets.push_back(sheet.name);
                break;
            case SheetKind::companion:
                break;
        }
    }
    return design;
}

}  // namespace velvane
