#include "core/model/other_interfaces.hpp"

#include "core/arxml/node_reading.hpp"

#include <cstring>

namespace velvane {

namespace {

// Port interfaces through which no data element is sent: their ports get no data type.
const char* const kinds_without_data[] = {"CLIENT-SERVER-INTERFACE", "TRIGGER-INTERFACE", "PARAMETER-INTERFACE",
                                          "NV-DATA-INTERFACE"};

std::vector<std::string> mode_names(pugi::xml_node group) {
    std::vector<std::string> names;
    for_each_child(child_of(group, "MODE-DECLARATIONS"), "MODE-DECLARATION",
                   [&](pugi::xml_node mode) { names.push_back(child_text(mode, "SHORT-NAME")); });
    return names;
}

}  // namespace

bool index_other_interface(OtherInterfaces& others, pugi::xml_node element, const char* kind,
                           const std::string& path, const ResolveReference& resolve) {
    if (std::strcmp(kind, "MODE-SWITCH-INTERFACE") == 0) {
        others.mode_switch.emplace(path, resolve(child_of(child_of(element, "MODE-GROUP"), "TYPE-TREF")));
        return true;
    }
    if (std::strcmp(kind, "MODE-DECLARATION-GROUP") == 0) {
        others.mode_groups.emplace(path, mode_names(element));
        return true;
    }
    for (const char* without_data : kinds_without_data) {
        if (std::strcmp(kind, without_data) == 0) {
            others.without_data.emplace(path, kind);
            return true;
        }
    }
    return false;
}

}  // namespace velvane
