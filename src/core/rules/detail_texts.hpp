// The detail texts of the signals of one worksheet: description, details (unit, range, scaling,
// init value) and remark (alive timeout, queue length), worked out from the project index. The items
// are worked out one by one (DetailItems) and joined into the sheet's texts; the comparison of two
// deliveries reads the same items.
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

// What the files say about one signal, item by item, each as the sheet shows it after its label;
// empty where they say nothing.
struct DetailItems {
    const std::string* description = nullptr;  // the index's own text; null for none
    std::string unit;     // "unit: U"
    std::string range;    // "range: A..B"
    std::string factor;   // "factor: F"
    std::string offset;   // "offset: O"
    std::string init;     // "init: V"
    std::string timeout;  // "timeout: T s": T as written, never a zero
    std::string queue;    // "queue: N"
};

// The details column: "unit: U; range: A..B; factor: F; offset: O; init: V", the items known.
std::string details_text(const DetailItems& items);

// The remark column: "timeout: T s; queue: N", the items known.
std::string remark_text(const DetailItems& items);

// The items of a signal of interface `interface` (an ArPath) whose port names the data element
// `data_element` (empty: the interface's first), the port's own details being `port` (null where the
// index holds none). Reads all of `index`: call it on a complete index.
DetailItems detail_items(const ProjectIndex& index, const ArPath& interface, const ArPath& data_element,
                         const PortDetails* port);

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
