// One delivery as the comparison sees it: its software component types by short name, each with the
// ports the signal sheets list and, for a composition, its assembly connectors, every fact already
// written as the workbook shows it. Made from a complete project index, which may be dropped then: a
// delivery is far smaller than its index, so two deliveries are compared without two indexes at once.
//
// Thread rules: a Delivery is a plain value; make_delivery only reads its index.
#pragma once

#include "core/model/project_index.hpp"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace velvane {

// The facts of a port that are compared, in the order their changes are listed.
enum class PortFact {
    interface,    // the interface's full AUTOSAR path
    type,         // the data type as the Connections sheet shows it, "[n]" appended for an array
    values,       // the enumeration literals or structure member text of the values column
    description,  // the description column
    unit,         // the details items, without their labels
    range,
    scaling,      // "factor: F; offset: O", the known ones
    init,
    timeout,      // "T s"
    queue,
};
inline constexpr std::size_t port_fact_count = 10;

struct PortFacts {
    std::string name;
    bool provided = false;  // an output (P-port); else an input (R-port)
    std::array<std::string, port_fact_count> facts;

    const std::string& fact(PortFact which) const { return facts[static_cast<std::size_t>(which)]; }
};

// An assembly connector, known by its four ends.
struct ConnectorFacts {
    std::string ends;  // "provider.port -> requester.port", prototype and port short names
    std::string name;  // the connector's short name
};

struct ComponentFacts {
    std::string name;
    ArPath path;
    std::vector<PortFacts> ports;            // by name, then inputs before outputs; one per name and direction
    std::vector<ConnectorFacts> connectors;  // by ends, then name; a composition's only
};

struct Delivery {
    std::vector<ComponentFacts> components;  // by name, one per name
};

// The delivery `index` holds (complete it first). Where two component types share a short name, the
// first one in listing order stands for it; so does the first of two ports of one name and
// direction. PR-ports are left out, as the signal sheets leave them out.
Delivery make_delivery(const ProjectIndex& index);

}  // namespace velvane
