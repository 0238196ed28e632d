// Types one port through the references its files carry: port -> interface -> data element ->
// data type (an application type through the data type mappings), then along TYPE_REFERENCE chains
// to an array's element type, a structure's members or a value type's text table.
#pragma once

#include "core/model/project_index.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velvane {

struct PortType {
    std::string referenced;    // short name of the type the data element's TYPE-TREF names
    std::string name;          // the type shown: that type, or an array's element type; for an
                               // application type, the implementation type it is mapped to
    std::string array_suffix;  // "[<ARRAY-SIZE>]" for each array level, outermost first
    // A structure's member text or an enumeration's literals (null for none): the index's own text,
    // shared by every port of the type.
    std::shared_ptr<const std::string> text;
};

// The type of data type `type`. Application data types are mapped through `mapping_sets` in order,
// then through any mapping set of the project. A type that no file read defines (or one mapped to
// such a type) is named by the last piece of the reference, an "rt_Array_<element>_<n>" name read as
// an array; so is a type whose TYPE_REFERENCE chain runs in a circle. No enumeration or structure text
// is made up for them. Nothing when `type` is empty or its last piece names nothing. A chain longer
// than any real one (64 types) is taken for a circle.
std::optional<PortType> type_of_data_type(const ProjectIndex& index, const ArPath& type,
                                          const std::vector<ArPath>& mapping_sets);

// The type of a sender-receiver interface's data element: the one `data_element` names (by path,
// else by its last piece), else the interface's first. For a mode-switch interface, its mode group's
// type, with the group's mode names joined by ";" when the group is indexed. Nothing when the
// interface is not indexed as either, or names no data element or type.
std::optional<PortType> type_of_interface(const ProjectIndex& index, const ArPath& interface,
                                          const ArPath& data_element, const std::vector<ArPath>& mapping_sets);

// The first APPLICATION-SW-COMPONENT-TYPE named `component` in directory entry `file`, or null.
const ComponentEntry* find_component(const ProjectIndex& index, const std::string& file,
                                     const std::string& component);

// The required (or provided) port `port` of `component`, or null.
const PortEntry* find_port(const ComponentEntry& component, const std::string& port, bool provided);

// The type of a port of `component`, with the component's own data type mapping sets first.
std::optional<PortType> type_of_port(const ProjectIndex& index, const ComponentEntry& component,
                                     const PortEntry& port);

}  // namespace velvane
