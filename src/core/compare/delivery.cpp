#include "core/compare/delivery.hpp"

#include "core/rules/detail_texts.hpp"
#include "core/rules/port_lookup.hpp"
#include "core/rules/port_typing.hpp"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace velvane {

namespace {

// The scaling item as the details column shows it: "factor: F; offset: O", the known ones.
std::string scaling_text(const DetailItems& items) {
    DetailItems scaling;
    scaling.factor = items.factor;
    scaling.offset = items.offset;
    return details_text(scaling);
}

PortFacts port_facts(const ProjectIndex& index, const ComponentType& component, const TypePort& port,
                     const PortDetails* details) {
    PortFacts out;
    out.name = port.name;
    out.provided = port.provided;
    auto set = [&out](PortFact which, std::string text) {
        out.facts[static_cast<std::size_t>(which)] = std::move(text);
    };
    set(PortFact::interface, port.interface);
    std::optional<PortType> type = type_of_interface(index, port.interface, port.data_element, component.mapping_sets);
    if (type) {
        set(PortFact::type, type->name + type->array_suffix);
        if (type->text) set(PortFact::values, std::move(*type->text));
    }
    DetailItems items = detail_items(index, port.interface, port.data_element, details);
    set(PortFact::description, items.description != nullptr ? *items.description : std::string());
    set(PortFact::unit, std::move(items.unit));
    set(PortFact::range, std::move(items.range));
    set(PortFact::scaling, scaling_text(items));
    set(PortFact::init, std::move(items.init));
    set(PortFact::timeout, items.timeout.empty() ? std::string() : items.timeout + " s");
    set(PortFact::queue, std::move(items.queue));
    return out;
}

std::string connector_end(const PrototypePort& end) {
    return last_segment(end.prototype) + "." + last_segment(end.port);
}

std::vector<ConnectorFacts> connector_facts(const Composition& composition) {
    std::vector<ConnectorFacts> connectors;
    connectors.reserve(composition.assemblies.size());
    for (const AssemblyConnector& connector : composition.assemblies) {
        connectors.push_back({connector_end(connector.provider) + " -> " + connector_end(connector.requester),
                              connector.name});
    }
    std::sort(connectors.begin(), connectors.end(), [](const ConnectorFacts& a, const ConnectorFacts& b) {
        return a.ends != b.ends ? a.ends < b.ends : a.name < b.name;
    });
    return connectors;
}

// The component types of the index in listing order: by file, then by place in the file.
std::vector<std::pair<const ArPath*, const ComponentType*>> types_in_listing_order(const ProjectIndex& index) {
    std::vector<std::pair<const ArPath*, const ComponentType*>> types;
    types.reserve(index.wiring.component_types.size());
    for (const auto& [path, type] : index.wiring.component_types) types.emplace_back(&path, &type);
    std::sort(types.begin(), types.end(), [](const auto& a, const auto& b) {
        const Origin& x = a.second->origin;
        const Origin& y = b.second->origin;
        return x.file != y.file ? x.file < y.file : x.offset < y.offset;
    });
    return types;
}

// The details of each component type by path, the first in listing order where a path comes twice,
// as the index keeps the component types themselves.
std::unordered_map<std::string_view, const ComponentDetails*> details_by_path(const ProjectIndex& index) {
    std::unordered_map<std::string_view, const ComponentDetails*> found;
    for (const std::string& file : index.files) {
        auto components = index.details.components.find(file);
        if (components == index.details.components.end()) continue;
        for (const ComponentDetails& component : components->second) found.emplace(component.path, &component);
    }
    return found;
}

}  // namespace

Delivery make_delivery(const ProjectIndex& index) {
    std::unordered_map<std::string_view, const ComponentDetails*> details = details_by_path(index);
    std::unordered_map<std::string_view, const Composition*> compositions;
    for (const Composition& composition : index.wiring.compositions) {
        compositions.emplace(composition.path, &composition);
    }

    Delivery delivery;
    std::unordered_set<std::string_view> names;
    for (const auto& [path, type] : types_in_listing_order(index)) {
        if (type->name.empty() || !names.insert(type->name).second) continue;
        ComponentFacts component;
        component.name = type->name;
        component.path = *path;
        auto described = details.find(*path);
        PortLookup<PortDetails> port_details(described == details.end() ? nullptr : &described->second->ports);
        for (const TypePort& port : type->ports) {
            if (port.provided == port.required) continue;  // a PR-port: no signal sheet lists it
            component.ports.push_back(port_facts(index, *type, port, port_details.find(port.name, port.provided)));
        }
        // By name and direction; of two ports alike the first stays.
        std::vector<PortFacts>& ports = component.ports;
        std::stable_sort(ports.begin(), ports.end(), [](const PortFacts& a, const PortFacts& b) {
            return a.name != b.name ? a.name < b.name : a.provided < b.provided;
        });
        auto alike = [](const PortFacts& a, const PortFacts& b) { return a.name == b.name && a.provided == b.provided; };
        ports.erase(std::unique(ports.begin(), ports.end(), alike), ports.end());
        auto composition = compositions.find(*path);
        if (composition != compositions.end()) component.connectors = connector_facts(*composition->second);
        delivery.components.push_back(std::move(component));
    }
    std::sort(delivery.components.begin(), delivery.components.end(),
              [](const ComponentFacts& a, const ComponentFacts& b) { return a.name < b.name; });
    return delivery;
}

}  // namespace velvane
