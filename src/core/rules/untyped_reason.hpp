// Why a port got no data type, told from what the project index holds about its interface.
#pragma once

#include "core/model/project_index.hpp"

namespace velvane {

enum class UntypedReason {
    interface_missing,   // no file read defines the interface (or the reference could not be made absolute)
    not_data_interface,  // a client-server, trigger, parameter or NV-data interface
    no_data_type,        // the interface names no data element, or its element no type
    file_lookup,         // typed by its own file only: no interface there named like it gives a type
};

// The reason as load's callers see it: "interface-missing", "not-data-interface", "no-data-type",
// "file-lookup".
const char* reason_code(UntypedReason reason);

// Why a port of interface `interface` (an absolute path, or empty) is untyped in project mode.
UntypedReason untyped_reason(const ProjectIndex& index, const ArPath& interface);

}  // namespace velvane
