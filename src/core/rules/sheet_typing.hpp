// The port typing of one worksheet: the project index, and the component whose ports the sheet
// lists, found by its file and name.
#pragma once

#include "core/model/index_growth.hpp"
#include "core/model/project_index.hpp"
#include "core/rules/port_lookup.hpp"
#include "core/rules/port_typing.hpp"
#include "core/rules/untyped_reason.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace velvane {

// The types of a component's ports in the order of its ports, worked out while the index grew.
struct PortTypes : ComponentPreparation {
    std::vector<std::optional<PortType>> types;
};

// For IndexWants::prepare: types every port of a component as soon as its file is merged; nothing
// (the sheet then types each port as it comes to it) where the names would take more memory than
// real files need.
std::unique_ptr<const ComponentPreparation> prepare_port_types(const ProjectIndex& index,
                                                               const ComponentEntry& component);

class SheetTyping {
public:
    // `entry` is the directory entry as entry_key gives it, `component` the component's short name.
    SheetTyping(std::shared_ptr<const ProjectIndex> index, const std::string& entry, const std::string& component);

    // The type of the sheet's port `port`: through the component's port of that name and direction,
    // else, for a port the index does not know there, through the interface and data element
    // references of the port's record as written (absolute ones only, and the project's mappings).
    std::optional<PortType> port(const std::string& port, bool provided, const std::string& interface_reference,
                                 const std::string& data_element_reference) const;

    // The same, where `references()` gives the record's interface and data element references: read
    // only for a port the index does not know.
    std::optional<PortType> port(const std::string& port, bool provided,
                                 const std::function<std::pair<std::string, std::string>()>& references) const;

    struct Untyped {
        UntypedReason reason;
        std::string interface;  // the interface reference the reason is about, absolute where known
    };

    // Why the port that port() did not type has no type, with the same arguments.
    Untyped untyped(const std::string& port, bool provided, const std::string& interface_reference) const;

private:
    std::shared_ptr<const ProjectIndex> index_;
    const ComponentEntry* component_ = nullptr;  // in *index_, or null
    // The types of component_'s ports, worked out while the index grew (index_growth.hpp); else null.
    const std::vector<std::optional<PortType>>* port_types_ = nullptr;
    PortLookup<PortEntry> ports_;      // component_'s ports
};

}  // namespace velvane
