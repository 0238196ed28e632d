// What the project index keeps of port interfaces other than sender-receiver ones: mode-switch
// interfaces with the mode declaration groups they name, and which interfaces carry no data at all,
// so that a port of such an interface is told apart from one whose interface is nowhere.
#pragma once

#include "core/model/ar_path.hpp"

#include <pugixml.hpp>

#include <string>
#include <unordered_map>
#include <vector>

namespace velvane {

struct OtherInterfaces {
    // MODE-SWITCH-INTERFACE path -> TYPE-TREF of its MODE-GROUP (absolute where it could be made so).
    std::unordered_map<std::string, std::string> mode_switch;
    // MODE-DECLARATION-GROUP path -> the SHORT-NAMEs of its MODE-DECLARATIONs, in file order.
    std::unordered_map<std::string, std::vector<std::string>> mode_groups;
    // Path of a client-server, trigger, parameter or NV-data interface -> its tag.
    std::unordered_map<std::string, std::string> without_data;
};

// Keeps package element `element` (tag `kind`, absolute path `path`) when it is of a kind kept here;
// false when it is not. Where two files define the same path, the first one kept stays.
bool index_other_interface(OtherInterfaces& others, pugi::xml_node element, const char* kind,
                           const std::string& path, const ResolveReference& resolve);

}  // namespace velvane
