#include "core/rules/sheet_typing.hpp"

#include "core/arxml/xml_space.hpp"
#include "core/model/index_growth.hpp"

#include <utility>

namespace velvane {

namespace {

// The types kept for a component take at most this many bytes of names per port, and this much more.
// Real names take a few dozen; a name of hostile length that thousands of ports share would otherwise
// be kept once per port for the whole run.
constexpr std::size_t kept_name_bytes_per_port = 256;
constexpr std::size_t kept_name_bytes_beyond = 1 << 20;

}  // namespace

std::unique_ptr<const ComponentPreparation> prepare_port_types(const ProjectIndex& index,
                                                               const ComponentEntry& component) {
    auto typed = std::make_unique<PortTypes>();
    typed->types.reserve(component.ports.size());
    std::size_t budget = kept_name_bytes_beyond + kept_name_bytes_per_port * component.ports.size();
    std::size_t kept = 0;
    for (const PortEntry& port : component.ports) {
        std::optional<PortType> type = type_of_port(index, component, port);
        if (type) kept += type->referenced.size() + type->name.size() + type->array_suffix.size();
        // Beyond the budget nothing is kept: the sheet types each port when it comes to it.
        if (kept > budget) return nullptr;
        typed->types.push_back(std::move(type));
    }
    return typed;
}

SheetTyping::SheetTyping(std::shared_ptr<const ProjectIndex> index, const std::string& entry,
                         const std::string& component)
    : index_(std::move(index)) {
    std::string name = trimmed(component);
    if (const std::vector<PreparedComponent>* prepared = prepared_components(*index_, entry)) {
        for (const PreparedComponent& candidate : *prepared) {
            if (candidate.component->name != name) continue;
            component_ = candidate.component;
            auto* typed = dynamic_cast<const PortTypes*>(candidate.prepared.get());
            if (typed != nullptr && !typed->types.empty()) port_types_ = &typed->types;
            break;
        }
    } else {
        component_ = find_component(*index_, entry, name);
    }
    ports_ = PortLookup<PortEntry>(component_ == nullptr ? nullptr : &component_->ports);
}

std::optional<PortType> SheetTyping::port(const std::string& port, bool provided,
                                          const std::string& interface_reference,
                                          const std::string& data_element_reference) const {
    return this->port(port, provided, [&] { return std::make_pair(interface_reference, data_element_reference); });
}

std::optional<PortType> SheetTyping::port(
    const std::string& port, bool provided,
    const std::function<std::pair<std::string, std::string>()>& references) const {
    const PortEntry* entry = ports_.find(trimmed_view(port), provided);
    if (entry != nullptr && port_types_ != nullptr) {
        return (*port_types_)[static_cast<std::size_t>(entry - component_->ports.data())];
    }
    complete_index(*index_);  // what follows reads the index on this thread
    if (entry != nullptr) return type_of_port(*index_, *component_, *entry);
    auto [interface_reference, data_element_reference] = references();
    return type_of_interface(*index_, trimmed(interface_reference), trimmed(data_element_reference), {});
}

SheetTyping::Untyped SheetTyping::untyped(const std::string& port, bool provided,
                                          const std::string& interface_reference) const {
    complete_index(*index_);  // the reason may be what no file defines
    const PortEntry* entry = ports_.find(trimmed_view(port), provided);
    std::string interface = entry != nullptr ? entry->interface : trimmed(interface_reference);
    return {untyped_reason(*index_, interface), interface};
}

}  // namespace velvane
