#include "python/tessaly/project_types_class.hpp"

#include "core/rules/port_typing.hpp"
#include "core/model/project_index.hpp"
#include "python/common/py_text.hpp"
#include "python/tessaly/index_sources.hpp"
#include "core/rules/sheet_typing.hpp"

#include <memory>
#include <string>
#include <vector>

namespace velvane::tessaly {

namespace {

py::list texts(const std::vector<std::string>& values) {
    py::list list;
    for (const std::string& value : values) list.append(text_from_utf8(value));
    return list;
}

std::vector<ArPath> paths_of(py::handle sequence) {
    std::vector<ArPath> paths;
    for (py::handle item : sequence) paths.push_back(utf8_key(py::reinterpret_borrow<py::str>(item)));
    return paths;
}

py::object described(const std::optional<PortType>& type) {
    if (!type) return py::none();
    py::dict result;
    result["referenced"] = text_from_utf8(type->referenced);
    result["type"] = text_from_utf8(type->name);
    result["array"] = text_from_utf8(type->array_suffix);
    result["text"] = type->text ? py::object(text_from_utf8(*type->text)) : py::object(py::none());
    return std::move(result);
}

class ProjectTypes {
public:
    explicit ProjectTypes(py::handle directory)
        : index_(std::make_shared<const ProjectIndex>(build_project_index(directory))) {}

    py::list files() const { return texts(index_->files); }
    py::list skipped() const { return texts(index_->skipped); }

    py::dict counts() const {
        py::dict counts;
        counts["interfaces"] = index_->interfaces.size();
        counts["implementation_types"] = index_->implementation_types.size();
        counts["application_types"] = index_->application_types.size();
        counts["mapping_sets"] = index_->mapping_sets.size();
        counts["compu_methods"] = index_->compu_methods.size();
        size_t components = 0;
        for (const auto& file : index_->components) components += file.second.size();
        counts["components"] = components;
        return counts;
    }

    // [(component name, [(port name, provided), ...]), ...] of one entry, in document order.
    py::list components(const py::str& file) const {
        py::list result;
        auto found = index_->components.find(utf8_key(file));
        if (found == index_->components.end()) return result;
        for (const ComponentEntry& component : found->second) {
            py::list ports;
            for (const PortEntry& port : component.ports) ports.append(py::make_tuple(text_from_utf8(port.name), port.provided));
            result.append(py::make_tuple(text_from_utf8(component.name), ports));
        }
        return result;
    }

    py::object port(const py::str& file, const py::str& component, const py::str& port, bool provided) const {
        const ComponentEntry* entry = find_component(*index_, utf8_key(file), utf8_key(component));
        const PortEntry* found = entry == nullptr ? nullptr : find_port(*entry, utf8_key(port), provided);
        if (found == nullptr) return py::none();
        return described(type_of_port(*index_, *entry, *found));
    }

    py::object interface(const py::str& path, const py::str& data_element, py::handle mapping_sets) const {
        return described(type_of_interface(*index_, utf8_key(path), utf8_key(data_element), paths_of(mapping_sets)));
    }

    py::object data_type(const py::str& path, py::handle mapping_sets) const {
        return described(type_of_data_type(*index_, utf8_key(path), paths_of(mapping_sets)));
    }

    SheetTyping sheet(const py::str& file, const py::str& component) const {
        return SheetTyping(index_, utf8_key(file), utf8_key(component));
    }

private:
    std::shared_ptr<const ProjectIndex> index_;
};

}  // namespace

void register_project_types(py::module_& module) {
    py::class_<SheetTyping>(module, "_SheetTypes",
                            "The port typing of one worksheet: the project index and the component the sheet "
                            "lists (private; made by _ProjectTypes.sheet or by load, handed to genExcel).")
        .def("port",
             [](const SheetTyping& typing, const py::str& port, bool provided, const py::str& interface_reference,
                const py::str& data_element_reference) {
                 return described(typing.port(utf8_key(port), provided, utf8_key(interface_reference),
                                              utf8_key(data_element_reference)));
             },
             py::arg("port"), py::arg("provided") = false, py::arg("interface_reference") = "",
             py::arg("data_element_reference") = "",
             "The type of one of the sheet's ports, or None.");
    py::class_<ProjectTypes>(module, "_ProjectTypes",
                             "The data types that the ARXML files of a directory define, by AUTOSAR path, "
                             "and the typing of ports through them (private).")
        .def(py::init<py::handle>(), py::arg("directory"))
        .def_property_readonly("files", &ProjectTypes::files, "Entries indexed, in listing order.")
        .def_property_readonly("skipped", &ProjectTypes::skipped, "'.arxml' entries that could not be parsed.")
        .def("counts", &ProjectTypes::counts, "Number of indexed elements of each kind.")
        .def("components", &ProjectTypes::components, py::arg("file"),
             "[(component, [(port, provided), ...]), ...] of one entry.")
        .def("port", &ProjectTypes::port, py::arg("file"), py::arg("component"), py::arg("port"),
             py::arg("provided") = false,
             "{'referenced', 'type', 'array', 'text'} of a port, or None when it cannot be typed.")
        .def("interface", &ProjectTypes::interface, py::arg("path"), py::arg("data_element") = "",
             py::arg("mapping_sets") = py::tuple(), "The type of an interface's data element, or None.")
        .def("data_type", &ProjectTypes::data_type, py::arg("path"), py::arg("mapping_sets") = py::tuple(),
             "The type shown for a data type, or None.")
        .def("sheet", &ProjectTypes::sheet, py::arg("file"), py::arg("component"),
             "The _SheetTypes of the component `component` of entry `file`.");
}

}  // namespace velvane::tessaly
