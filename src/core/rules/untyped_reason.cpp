#include "core/rules/untyped_reason.hpp"

namespace velvane {

const char* reason_code(UntypedReason reason) {
    switch (reason) {
        case UntypedReason::interface_missing: return "interface-missing";
        case UntypedReason::not_data_interface: return "not-data-interface";
        case UntypedReason::no_data_type: return "no-data-type";
        case UntypedReason::file_lookup: return "file-lookup";
    }
    return "interface-missing";
}

UntypedReason untyped_reason(const ProjectIndex& index, const ArPath& interface) {
    if (interface.empty()) return UntypedReason::interface_missing;
    const OtherInterfaces& others = index.other_interfaces;
    if (index.interfaces.count(interface) != 0 || others.mode_switch.count(interface) != 0) {
        return UntypedReason::no_data_type;
    }
    if (others.without_data.count(interface) != 0) return UntypedReason::not_data_interface;
    return UntypedReason::interface_missing;
}

}  // namespace velvane
