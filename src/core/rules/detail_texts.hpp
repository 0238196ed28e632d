// The detail texts of the signals of one worksheet: description, details (unit, range, scaling,
// init value) and remark (alive timeout, queue length), worked out from the project index.
#pragma once

#include "core/rules/port_lookup.hpp"
#include "core/model/project_index.hpp"

#include <cstdint>
#include <memory>
#include <string>

namespace velvane {

// Each text empty where the files say nothing of the kind.
struct SignalDetails {
    std::shared_ptr<const std::string> description;  // the index's own text; null for none
    std::string details;
    std::string remark;
};

class SheetDetails {
public:
    // `entry` is the directory entry as entry_key gives it, `component` the component's short name,
    // `file_size` the size of the entry's file in bytes.
    SheetDetails(std::shared_ptr<const ProjectIndex> index, const std::string& entry, const std::string& component,
                 std::uint64_t file_size);

    // The details of the sheet's port `port`: through the component's port of that name and
    // direction, else, for a port the index does not know there, through the interface and data
    // element references of the port's record as written. The details and remarks of a sheet
    // together take at most its file's size, and a megabyte more: past that they are left
    // empty (left_out() counts those signals); the descriptions, the index's own texts, are not.
    SignalDetails port(const std::string& port, bool provided, const std::string& interface_reference,
                       const std::string& data_element_reference) const;

    // Signals whose details and remark were left empty to keep within that bound.
    std::size_t left_out() const { return left_out_; }

private:
    std::shared_ptr<const ProjectIndex> index_;
    mutable std::uint64_t bytes_left_;
    mutable std::size_t left_out_ = 0;
    const ComponentEntry* component_ = nullptr;         // in *index_, or null
    const ComponentDetails* component_details_ = nullptr;  // in index_->details, or null
    PortLookup<PortEntry> ports_;                          // component_'s ports
    PortLookup<PortDetails> port_details_;                 // component_details_'s ports
};

}  // namespace velvane
