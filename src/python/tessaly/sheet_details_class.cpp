#include "python/tessaly/sheet_details_class.hpp"

#include "core/model/project_index.hpp"
#include "python/common/py_text.hpp"
#include "core/rules/detail_texts.hpp"

#include <string>
#include <utility>

namespace velvane::tessaly {

void register_sheet_details(py::module_& module) {
    py::class_<SheetDetails>(module, "_SheetDetails",
                             "The signal details of one worksheet: the project index and the component the "
                             "sheet lists (private; made by load with details=True, handed to genExcel).")
        .def("port",
             [](const SheetDetails& details, const py::str& port, bool provided, const py::str& interface_reference,
                const py::str& data_element_reference) {
                 SignalDetails found = details.port(utf8_key(port), provided, utf8_key(interface_reference),
                                                    utf8_key(data_element_reference));
                 return py::make_tuple(text_from_utf8(found.description ? *found.description : std::string()),
                                       text_from_utf8(found.details), text_from_utf8(found.remark));
             },
             py::arg("port"), py::arg("provided") = false, py::arg("interface_reference") = "",
             py::arg("data_element_reference") = "",
             "(description, details, remark) of one of the sheet's ports; '' where nothing is known.");
}

py::object sheet_details(std::shared_ptr<const ProjectIndex> index, const std::string& entry,
                         const std::string& component, std::uint64_t file_size) {
    return py::cast(SheetDetails(std::move(index), entry, component, file_size));
}

}  // namespace velvane::tessaly
