// The rows of the Connections sheet: composition by composition, one row per assembly connector,
// then one per port of a component prototype that no connector of the composition names.
#pragma once

#include "core/model/project_index.hpp"

#include <cstddef>
#include <string>
#include <vector>

namespace velvane {

struct ConnectionRow {
    std::string composition;
    std::string provider;       // "prototype (component type)", or the prototype alone
    std::string provided_port;
    std::string requester;
    std::string required_port;
    std::string interface;      // short name of the provided port's interface (a loose port's own)
    std::string data_type;      // as project typing gives it, with "[n]" for each array level
    std::string status;
};

struct ConnectionCounts {
    size_t connectors = 0;          // assembly connectors
    size_t unconnected_inputs = 0;  // required ports (and PR-ports) no connector names
    size_t unused_outputs = 0;      // provided ports no connector names
    size_t untyped_prototypes = 0;  // prototypes whose component type is not in the files read
};

// A component prototype whose component type is not in the files read.
struct UntypedPrototype {
    std::string composition;
    std::string prototype;
    ArPath type;  // its TYPE-TREF
};

struct ConnectionList {
    std::vector<ConnectionRow> rows;
    ConnectionCounts counts;
    std::vector<UntypedPrototype> untyped_prototypes;  // as many as counts.untyped_prototypes
};

// Status texts of the rows.
inline constexpr const char* connected_status = "connected";
inline constexpr const char* mismatch_status = "interface mismatch: ";
inline constexpr const char* unconnected_input_status = "unconnected input";
inline constexpr const char* unused_output_status = "unused output";

// Every composition of `index` in the order it was read. A connector end that names a prototype the
// composition does not have, or a port its component type does not have, gets a row whose status
// says so; a prototype whose type is not in the index is shown by its name alone and its ports are
// not listed.
ConnectionList list_connections(const ProjectIndex& index);

}  // namespace velvane
