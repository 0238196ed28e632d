// Finding an item by name in a list read from a file.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

namespace velvane {

// The first item of each name in a list, for lists long enough that a scan per look-up would cost
// too much: a port looks up its data element among its interface's, and a file may hold many ports
// of one interface of many elements. Shorter lists are scanned.
template <class Item>
class FirstOfName {
public:
    // Items have `name`; the list must not change afterwards.
    void index(const std::vector<Item>& items) {
        if (items.size() < indexed_from) return;
        for (std::size_t i = 0; i < items.size(); ++i) first_.emplace(items[i].name, i);
    }

    const Item* find(const std::vector<Item>& items, const std::string& name) const {
        if (first_.empty()) {
            for (const Item& item : items) {
                if (item.name == name) return &item;
            }
            return nullptr;
        }
        auto found = first_.find(name);
        return found == first_.end() ? nullptr : &items[found->second];
    }

private:
    static constexpr std::size_t indexed_from = 16;
    std::unordered_map<std::string, std::size_t> first_;
};

}  // namespace velvane
