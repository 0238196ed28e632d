#include "core/rules/connection_list.hpp"

#include "core/rules/port_typing.hpp"

#include <set>
#include <utility>

namespace velvane {

namespace {

// A prototype of the composition with its component type, where the index has it.
struct ResolvedPrototype {
    const ComponentPrototype* prototype = nullptr;
    const ComponentType* type = nullptr;
};

// A port that a connector end names, with what the composition knows about it.
struct ResolvedEnd {
    std::string shown;  // the provider or requester cell
    std::string port;   // the port's short name as the reference gives it
    ResolvedPrototype owner;
    const TypePort* entry = nullptr;
};

const TypePort* find_type_port(const ComponentType& type, const std::string& name, bool provided) {
    for (const TypePort& port : type.ports) {
        if (port.name == name && (provided ? port.provided : port.required)) return &port;
    }
    return nullptr;
}

std::string shown_prototype(const ComponentPrototype& prototype, const ComponentType* type) {
    return type == nullptr ? prototype.name : prototype.name + " (" + type->name + ")";
}

class CompositionRows {
public:
    CompositionRows(const ProjectIndex& index, const Composition& composition, ConnectionList& out)
        : index_(index), composition_(composition), out_(out) {}

    void add_assembly(const AssemblyConnector& connector);
    void add_loose_ports();
    void count_untyped_prototypes();

private:
    ResolvedPrototype prototype_named(const std::string& name) const;
    ResolvedEnd resolve_end(const PrototypePort& end, bool provided) const;
    void fill_port(ConnectionRow& row, const ComponentType& type, const TypePort& port) const;
    ConnectionRow new_row() const;

    const ProjectIndex& index_;
    const Composition& composition_;
    ConnectionList& out_;
    std::set<std::pair<std::string, std::string>> named_;  // (prototype, port) some connector names
};

ResolvedPrototype CompositionRows::prototype_named(const std::string& name) const {
    ResolvedPrototype found;
    if (name.empty()) return found;
    for (const ComponentPrototype& prototype : composition_.prototypes) {
        if (prototype.name != name) continue;
        found.prototype = &prototype;
        auto type = index_.wiring.component_types.find(prototype.type);
        if (type != index_.wiring.component_types.end()) found.type = &type->second;
        break;
    }
    return found;
}

ResolvedEnd CompositionRows::resolve_end(const PrototypePort& end, bool provided) const {
    ResolvedEnd resolved;
    std::string prototype = last_segment(end.prototype);
    resolved.port = last_segment(end.port);
    resolved.owner = prototype_named(prototype);
    resolved.shown = resolved.owner.prototype == nullptr ? prototype
                                                         : shown_prototype(*resolved.owner.prototype, resolved.owner.type);
    if (resolved.owner.type != nullptr) resolved.entry = find_type_port(*resolved.owner.type, resolved.port, provided);
    return resolved;
}

ConnectionRow CompositionRows::new_row() const {
    ConnectionRow row;
    row.composition = composition_.name;
    return row;
}

// The interface and data type cells of `port`.
void CompositionRows::fill_port(ConnectionRow& row, const ComponentType& type, const TypePort& port) const {
    row.interface = last_segment(port.interface);
    std::optional<PortType> typed = type_of_interface(index_, port.interface, port.data_element, type.mapping_sets);
    if (typed) row.data_type = typed->name + typed->array_suffix;
}

// What is wrong with one end of a connector, or nothing.
std::string end_problem(const ResolvedEnd& end, const char* side, const char* port_kind) {
    if (end.owner.prototype == nullptr) return std::string("no such ") + side + " prototype";
    if (end.owner.type != nullptr && end.entry == nullptr) return std::string("no such ") + port_kind + " port";
    return std::string();
}

void CompositionRows::add_assembly(const AssemblyConnector& connector) {
    ResolvedEnd provider = resolve_end(connector.provider, true);
    ResolvedEnd requester = resolve_end(connector.requester, false);
    named_.emplace(last_segment(connector.provider.prototype), provider.port);
    named_.emplace(last_segment(connector.requester.prototype), requester.port);
    ++out_.counts.connectors;

    ConnectionRow row = new_row();
    row.provider = provider.shown;
    row.provided_port = provider.port;
    row.requester = requester.shown;
    row.required_port = requester.port;
    if (provider.entry != nullptr) fill_port(row, *provider.owner.type, *provider.entry);
    std::string problems = end_problem(provider, "provider", "provided");
    std::string requester_problem = end_problem(requester, "requester", "required");
    if (!problems.empty() && !requester_problem.empty()) problems += "; ";
    problems += requester_problem;
    if (!problems.empty()) {
        row.status = problems;
    } else if (provider.entry != nullptr && requester.entry != nullptr && !provider.entry->interface.empty() &&
               !requester.entry->interface.empty() && provider.entry->interface != requester.entry->interface) {
        // Two interfaces of one short name in different packages are told apart by their paths.
        const ArPath& required = requester.entry->interface;
        bool same_name = last_segment(required) == last_segment(provider.entry->interface);
        row.status = mismatch_status + (same_name ? required : last_segment(required));
    } else {
        row.status = connected_status;
    }
    out_.rows.push_back(std::move(row));
}

void CompositionRows::add_loose_ports() {
    for (const PrototypePort& inner : composition_.delegated) {
        named_.emplace(last_segment(inner.prototype), last_segment(inner.port));
    }
    for (const ComponentPrototype& prototype : composition_.prototypes) {
        auto found = index_.wiring.component_types.find(prototype.type);
        if (found == index_.wiring.component_types.end()) continue;
        const ComponentType& type = found->second;
        for (const TypePort& port : type.ports) {
            if (named_.count({prototype.name, port.name}) != 0) continue;
            ConnectionRow row = new_row();
            // A PR-port nothing is wired to is listed once, as the input it leaves unfed.
            if (port.required) {
                row.requester = shown_prototype(prototype, &type);
                row.required_port = port.name;
                row.status = unconnected_input_status;
                ++out_.counts.unconnected_inputs;
            } else {
                row.provider = shown_prototype(prototype, &type);
                row.provided_port = port.name;
                row.status = unused_output_status;
                ++out_.counts.unused_outputs;
            }
            fill_port(row, type, port);
            out_.rows.push_back(std::move(row));
        }
    }
}

void CompositionRows::count_untyped_prototypes() {
    for (const ComponentPrototype& prototype : composition_.prototypes) {
        if (index_.wiring.component_types.count(prototype.type) != 0) continue;
        ++out_.counts.untyped_prototypes;
        out_.untyped_prototypes.push_back({composition_.name, prototype.name, prototype.type});
    }
}

}  // namespace

ConnectionList list_connections(const ProjectIndex& index) {
    ConnectionList list;
    for (const Composition& composition : index.wiring.compositions) {
        CompositionRows rows(index, composition, list);
        for (const AssemblyConnector& connector : composition.assemblies) rows.add_assembly(connector);
        rows.add_loose_ports();
        rows.count_untyped_prototypes();
    }
    return list;
}

}  // namespace velvane
