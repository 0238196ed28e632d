// What the project index keeps about compositions: their component prototypes and the connectors
// between the prototypes' ports, and the ports of every kind of software component type by path, so
// that the connections of a composition can be listed and checked.
#pragma once

#include "core/model/ar_path.hpp"
#include "core/model/origin.hpp"

#include <pugixml.hpp>

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace velvane {

// A SW-COMPONENT-PROTOTYPE of a composition.
struct ComponentPrototype {
    std::string name;
    ArPath type;  // TYPE-TREF
};

// One end of a connector: a port of a prototype, as an instance reference names it.
struct PrototypePort {
    ArPath prototype;  // CONTEXT-COMPONENT-REF
    ArPath port;       // TARGET-P-PORT-REF or TARGET-R-PORT-REF
};

// An ASSEMBLY-SW-CONNECTOR: from a provided port of one prototype to a required port of another.
struct AssemblyConnector {
    std::string name;
    PrototypePort provider;   // PROVIDER-IREF
    PrototypePort requester;  // REQUESTER-IREF
};

// A COMPOSITION-SW-COMPONENT-TYPE.
struct Composition {
    std::string name;
    ArPath path;
    Origin origin;
    std::vector<ComponentPrototype> prototypes;
    std::vector<AssemblyConnector> assemblies;
    // The inner ports of its DELEGATION-SW-CONNECTORs: wired to the composition's own ports.
    std::vector<PrototypePort> delegated;
};

// A port of a software component type, of any kind. A PR-PORT-PROTOTYPE both provides and requires.
struct TypePort {
    std::string name;
    bool provided = false;  // a P- or PR-port
    bool required = false;  // an R- or PR-port
    ArPath interface;     // PROVIDED-, REQUIRED- or PROVIDED-REQUIRED-INTERFACE-TREF
    ArPath data_element;  // DATA-ELEMENT-REF of its first com spec that has one
};

// A software component type of any kind (application, sensor-actuator, service, composition, ...).
struct ComponentType {
    std::string name;
    Origin origin;
    std::vector<ArPath> mapping_sets;  // DATA-TYPE-MAPPING-REFs of its internal behaviours
    std::vector<TypePort> ports;       // in document order
};

struct CompositionIndex {
    bool wanted = true;  // the indexer fills what follows only when set
    std::vector<Composition> compositions;  // in the order the files were read; one per path
    std::unordered_map<ArPath, ComponentType> component_types;  // by path, the first definition kept
};

// True for the tag of any kind of software component type ("...-SW-COMPONENT-TYPE").
bool is_component_type_tag(const char* tag);

// Indexes the software component type `element` (of any kind, read at `origin`) defined at `path`: its
// ports and data type mapping sets, and for a composition its prototypes and connectors.
void index_component_type(CompositionIndex& wiring, const Origin& origin, pugi::xml_node element,
                          const ArPath& path, const ResolveReference& resolve);

}  // namespace velvane
