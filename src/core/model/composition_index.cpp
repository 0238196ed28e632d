#include "core/model/composition_index.hpp"

#include "core/arxml/node_reading.hpp"

#include <cstring>
#include <utility>

namespace velvane {

namespace {

const char* const component_type_suffix = "-SW-COMPONENT-TYPE";

bool has_tag(pugi::xml_node node, const char* tag) {
    return node.type() == pugi::node_element && std::strcmp(node.name(), tag) == 0;
}

class ComponentTypeReader {
public:
    explicit ComponentTypeReader(const ResolveReference& resolve) : resolve_(resolve) {}

    ComponentType component_type(pugi::xml_node element) const;
    Composition composition(pugi::xml_node element) const;

private:
    TypePort port(pugi::xml_node element, bool provided, bool required) const;
    ArPath first_data_element(pugi::xml_node specs, const char* nonqueued, const char* queued) const;
    PrototypePort instance_end(pugi::xml_node iref, const char* port_tag) const;

    const ResolveReference& resolve_;
};

// The DATA-ELEMENT-REF of the first com spec that has one, non-queued ones first.
ArPath ComponentTypeReader::first_data_element(pugi::xml_node specs, const char* nonqueued,
                                               const char* queued) const {
    ArPath found;
    for (const char* kind : {nonqueued, queued}) {
        for_each_child(specs, kind, [&](pugi::xml_node spec) {
            if (found.empty()) found = resolve_(child_of(spec, "DATA-ELEMENT-REF"));
        });
        if (!found.empty()) break;
    }
    return found;
}

TypePort ComponentTypeReader::port(pugi::xml_node element, bool provided, bool required) const {
    TypePort port;
    port.name = child_text(element, "SHORT-NAME");
    port.provided = provided;
    port.required = required;
    const char* interface = provided && required ? "PROVIDED-REQUIRED-INTERFACE-TREF"
                            : provided           ? "PROVIDED-INTERFACE-TREF"
                                                 : "REQUIRED-INTERFACE-TREF";
    port.interface = resolve_(child_of(element, interface));
    if (provided) {
        port.data_element = first_data_element(child_of(element, "PROVIDED-COM-SPECS"), "NONQUEUED-SENDER-COM-SPEC",
                                               "QUEUED-SENDER-COM-SPEC");
    }
    if (required && port.data_element.empty()) {
        port.data_element = first_data_element(child_of(element, "REQUIRED-COM-SPECS"),
                                               "NONQUEUED-RECEIVER-COM-SPEC", "QUEUED-RECEIVER-COM-SPEC");
    }
    return port;
}

ComponentType ComponentTypeReader::component_type(pugi::xml_node element) const {
    ComponentType type;
    type.name = child_text(element, "SHORT-NAME");
    for_each_child(child_of(element, "INTERNAL-BEHAVIORS"), "SWC-INTERNAL-BEHAVIOR", [&](pugi::xml_node behaviour) {
        for_each_child(child_of(behaviour, "DATA-TYPE-MAPPING-REFS"), "DATA-TYPE-MAPPING-REF",
                       [&](pugi::xml_node reference) {
                           ArPath set = resolve_(reference);
                           if (!set.empty()) type.mapping_sets.push_back(std::move(set));
                       });
    });
    for (pugi::xml_node child : child_of(element, "PORTS").children()) {
        if (has_tag(child, "R-PORT-PROTOTYPE")) {
            type.ports.push_back(port(child, false, true));
        } else if (has_tag(child, "P-PORT-PROTOTYPE")) {
            type.ports.push_back(port(child, true, false));
        } else if (has_tag(child, "PR-PORT-PROTOTYPE")) {
            type.ports.push_back(port(child, true, true));
        }
    }
    return type;
}

PrototypePort ComponentTypeReader::instance_end(pugi::xml_node iref, const char* port_tag) const {
    return {resolve_(child_of(iref, "CONTEXT-COMPONENT-REF")), resolve_(child_of(iref, port_tag))};
}

Composition ComponentTypeReader::composition(pugi::xml_node element) const {
    Composition composition;
    composition.name = child_text(element, "SHORT-NAME");
    for_each_child(child_of(element, "COMPONENTS"), "SW-COMPONENT-PROTOTYPE", [&](pugi::xml_node prototype) {
        composition.prototypes.push_back(
            {child_text(prototype, "SHORT-NAME"), resolve_(child_of(prototype, "TYPE-TREF"))});
    });
    pugi::xml_node connectors = child_of(element, "CONNECTORS");
    for_each_child(connectors, "ASSEMBLY-SW-CONNECTOR", [&](pugi::xml_node connector) {
        composition.assemblies.push_back({child_text(connector, "SHORT-NAME"),
                                          instance_end(child_of(connector, "PROVIDER-IREF"), "TARGET-P-PORT-REF"),
                                          instance_end(child_of(connector, "REQUESTER-IREF"), "TARGET-R-PORT-REF")});
    });
    for_each_child(connectors, "DELEGATION-SW-CONNECTOR", [&](pugi::xml_node connector) {
        pugi::xml_node inner = child_of(connector, "INNER-PORT-IREF");
        pugi::xml_node provided = child_of(inner, "P-PORT-IN-COMPOSITION-INSTANCE-REF");
        if (provided) composition.delegated.push_back(instance_end(provided, "TARGET-P-PORT-REF"));
        pugi::xml_node required = child_of(inner, "R-PORT-IN-COMPOSITION-INSTANCE-REF");
        if (required) composition.delegated.push_back(instance_end(required, "TARGET-R-PORT-REF"));
    });
    return composition;
}

}  // namespace

bool is_component_type_tag(const char* tag) {
    size_t length = std::strlen(tag), suffix = std::strlen(component_type_suffix);
    return length > suffix && std::strcmp(tag + length - suffix, component_type_suffix) == 0;
}

void index_component_type(CompositionIndex& wiring, const Origin& origin, pugi::xml_node element,
                          const ArPath& path, const ResolveReference& resolve) {
    if (wiring.component_types.count(path) != 0) return;  // defined by a file read earlier
    ComponentTypeReader reader(resolve);
    if (has_tag(element, "COMPOSITION-SW-COMPONENT-TYPE")) {
        Composition composition = reader.composition(element);
        composition.path = path;
        composition.origin = origin;
        wiring.compositions.push_back(std::move(composition));
    }
    ComponentType type = reader.component_type(element);
    type.origin = origin;
    wiring.component_types.emplace(path, std::move(type));
}

}  // namespace velvane
