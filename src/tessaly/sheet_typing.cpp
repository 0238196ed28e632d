#include "tessaly/sheet_typing.hpp"

#include <utility>

namespace velvane::tessaly {

namespace {

std::string trimmed(const std::string& text) {
    const char* white = " \t\r\n";
    size_t begin = text.find_first_not_of(white);
    if (begin == std::string::npos) return std::string();
    return text.substr(begin, text.find_last_not_of(white) - begin + 1);
}

}  // namespace

SheetTyping::SheetTyping(std::shared_ptr<const ProjectIndex> index, const std::string& entry,
                         const std::string& component)
    : index_(std::move(index)),
      component_(find_component(*index_, entry, trimmed(component))),
      ports_(component_ == nullptr ? nullptr : &component_->ports) {}

std::optional<PortType> SheetTyping::port(const std::string& port, bool provided,
                                          const std::string& interface_reference,
                                          const std::string& data_element_reference) const {
    const PortEntry* entry = ports_.find(trimmed(port), provided);
    if (entry != nullptr) return type_of_port(*index_, *component_, *entry);
    return type_of_interface(*index_, trimmed(interface_reference), trimmed(data_element_reference), {});
}

SheetTyping::Untyped SheetTyping::untyped(const std::string& port, bool provided,
                                          const std::string& interface_reference) const {
    const PortEntry* entry = ports_.find(trimmed(port), provided);
    std::string interface = entry != nullptr ? entry->interface : trimmed(interface_reference);
    return {untyped_reason(*index_, interface), interface};
}

}  // namespace velvane::tessaly
