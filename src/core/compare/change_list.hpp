// What changed from one delivery to the next, one row per change: components matched by short name,
// their ports by short name and direction, a composition's connectors by their four ends; never by
// file, UUID, element order or admin data.
//
// Thread rules: plain functions of their arguments.
#pragma once

#include "core/compare/delivery.hpp"

#include <string>
#include <vector>

namespace velvane {

// In the order the rows of one port are listed.
enum class ChangeKind {
    component_added,
    component_removed,
    port_added,
    port_removed,
    interface_changed,
    type_changed,
    values_changed,
    description_changed,
    unit_changed,
    range_changed,
    scaling_changed,
    init_value_changed,
    timeout_changed,
    queue_length_changed,
    connector_added,
    connector_removed,
};

// "component added", "port removed", "init value changed", ...
const char* change_text(ChangeKind kind);

// What a row of the kind does to its thing.
enum class ChangeEffect { added, removed, changed };
ChangeEffect change_effect(ChangeKind kind);

enum class ChangeDirection { none, input, output };

// "input", "output", or "" for the rows of components and connectors.
const char* direction_text(ChangeDirection direction);

struct Change {
    std::string component;  // the component's short name; a connector's composition
    std::string port;       // the port's short name; "provider.port -> requester.port"; "" for a component
    ChangeDirection direction = ChangeDirection::none;
    ChangeKind kind = ChangeKind::component_added;
    std::string old_value;  // "" for what was added
    std::string new_value;  // "" for what was removed
};

// The changes from `old_delivery` to `new_delivery`, by component name, then port, then direction,
// then kind; a composition's connector rows follow the other rows of its name. A component added or
// removed is one row, whose value is its AUTOSAR path; a port added or removed is one row, whose value
// is its data type; a connector's value is its short name. A port present in both gets one row for
// each fact that differs (a changed interface brings the rows of what changed with it).
std::vector<Change> compare_deliveries(const Delivery& old_delivery, const Delivery& new_delivery);

}  // namespace velvane
