// The ports of one component by direction and name, for the many look-ups of one sheet. Where a
// component has two ports of one name and direction, the first is found, as a scan in order would.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace velvane {

// `Port` has `name` (a std::string) and `provided`; the ports must outlive the lookup.
template <class Port>
class PortLookup {
public:
    PortLookup() = default;

    explicit PortLookup(const std::vector<Port>* ports) {
        if (ports == nullptr) return;
        for (const Port& port : *ports) by_name_[port.provided ? 1 : 0].emplace(port.name, &port);
    }

    const Port* find(std::string_view name, bool provided) const {
        const auto& ports = by_name_[provided ? 1 : 0];
        auto found = ports.find(name);
        return found == ports.end() ? nullptr : found->second;
    }

private:
    std::unordered_map<std::string_view, const Port*> by_name_[2];
};

}  // namespace velvane
