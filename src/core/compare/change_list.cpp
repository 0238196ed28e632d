#include "core/compare/change_list.hpp"

#include <utility>

namespace velvane {

namespace {

// The change kind of each port fact, in PortFact order.
constexpr ChangeKind fact_changes[port_fact_count] = {
    ChangeKind::interface_changed,   ChangeKind::type_changed,  ChangeKind::values_changed,
    ChangeKind::description_changed, ChangeKind::unit_changed,  ChangeKind::range_changed,
    ChangeKind::scaling_changed,     ChangeKind::init_value_changed, ChangeKind::timeout_changed,
    ChangeKind::queue_length_changed,
};

ChangeDirection direction_of(const PortFacts& port) {
    return port.provided ? ChangeDirection::output : ChangeDirection::input;
}

// Walks two lists sorted by `less`: `both(a, b)` for the items alike, `only_old(a)` and `only_new(b)`
// for the others, in the lists' order.
template <class Item, class Less, class Both, class OnlyOld, class OnlyNew>
void merge_walk(const std::vector<Item>& old_items, const std::vector<Item>& new_items, Less less, Both both,
                OnlyOld only_old, OnlyNew only_new) {
    auto a = old_items.begin();
    auto b = new_items.begin();
    while (a != old_items.end() || b != new_items.end()) {
        if (b == new_items.end() || (a != old_items.end() && less(*a, *b))) {
            only_old(*a++);
        } else if (a == old_items.end() || less(*b, *a)) {
            only_new(*b++);
        } else {
            both(*a++, *b++);
        }
    }
}

bool port_less(const PortFacts& a, const PortFacts& b) {
    return a.name != b.name ? a.name < b.name : a.provided < b.provided;
}

class ChangeRows {
public:
    explicit ChangeRows(std::vector<Change>& out) : out_(out) {}

    void component(const ComponentFacts* old_component, const ComponentFacts* new_component) {
        if (old_component == nullptr) {
            add(new_component->name, std::string(), ChangeDirection::none, ChangeKind::component_added,
                std::string(), new_component->path);
            return;
        }
        if (new_component == nullptr) {
            add(old_component->name, std::string(), ChangeDirection::none, ChangeKind::component_removed,
                old_component->path, std::string());
            return;
        }
        const std::string& name = new_component->name;
        merge_walk(
            old_component->ports, new_component->ports, port_less,
            [&](const PortFacts& before, const PortFacts& after) { port(name, before, after); },
            [&](const PortFacts& before) {
                add(name, before.name, direction_of(before), ChangeKind::port_removed,
                    before.fact(PortFact::type), std::string());
            },
            [&](const PortFacts& after) {
                add(name, after.name, direction_of(after), ChangeKind::port_added, std::string(),
                    after.fact(PortFact::type));
            });
        // Alike ends pair off one to one: a connector doubled in one delivery only is a change.
        merge_walk(
            old_component->connectors, new_component->connectors,
            [](const ConnectorFacts& a, const ConnectorFacts& b) { return a.ends < b.ends; },
            [](const ConnectorFacts&, const ConnectorFacts&) {},
            [&](const ConnectorFacts& before) {
                add(name, before.ends, ChangeDirection::none, ChangeKind::connector_removed, before.name,
                    std::string());
            },
            [&](const ConnectorFacts& after) {
                add(name, after.ends, ChangeDirection::none, ChangeKind::connector_added, std::string(), after.name);
            });
    }

private:
    void port(const std::string& component, const PortFacts& before, const PortFacts& after) {
        for (std::size_t i = 0; i < port_fact_count; ++i) {
            if (before.facts[i] == after.facts[i]) continue;
            add(component, after.name, direction_of(after), fact_changes[i], before.facts[i], after.facts[i]);
        }
    }

    void add(const std::string& component, const std::string& port, ChangeDirection direction, ChangeKind kind,
             const std::string& old_value, const std::string& new_value) {
        out_.push_back({component, port, direction, kind, old_value, new_value});
    }

    std::vector<Change>& out_;
};

}  // namespace

const char* change_text(ChangeKind kind) {
    switch (kind) {
        case ChangeKind::component_added: return "component added";
        case ChangeKind::component_removed: return "component removed";
        case ChangeKind::port_added: return "port added";
        case ChangeKind::port_removed: return "port removed";
        case ChangeKind::interface_changed: return "interface changed";
        case ChangeKind::type_changed: return "type changed";
        case ChangeKind::values_changed: return "values changed";
        case ChangeKind::description_changed: return "description changed";
        case ChangeKind::unit_changed: return "unit changed";
        case ChangeKind::range_changed: return "range changed";
        case ChangeKind::scaling_changed: return "scaling changed";
        case ChangeKind::init_value_changed: return "init value changed";
        case ChangeKind::timeout_changed: return "timeout changed";
        case ChangeKind::queue_length_changed: return "queue length changed";
        case ChangeKind::connector_added: return "connector added";
        case ChangeKind::connector_removed: return "connector removed";
    }
    return "";
}

ChangeEffect change_effect(ChangeKind kind) {
    switch (kind) {
        case ChangeKind::component_added:
        case ChangeKind::port_added:
        case ChangeKind::connector_added:
            return ChangeEffect::added;
        case ChangeKind::component_removed:
        case ChangeKind::port_removed:
        case ChangeKind::connector_removed:
            return ChangeEffect::removed;
        default:
            return ChangeEffect::changed;
    }
}

const char* direction_text(ChangeDirection direction) {
    switch (direction) {
        case ChangeDirection::input: return "input";
        case ChangeDirection::output: return "output";
        case ChangeDirection::none: break;
    }
    return "";
}

std::vector<Change> compare_deliveries(const Delivery& old_delivery, const Delivery& new_delivery) {
    std::vector<Change> changes;
    ChangeRows rows(changes);
    // Both lists are sorted by name, so the rows come out in name order: a component's own row first
    // (its port is empty), then its ports by name and direction, each port's rows in kind order, then
    // its connectors by their ends.
    merge_walk(
        old_delivery.components, new_delivery.components,
        [](const ComponentFacts& a, const ComponentFacts& b) { return a.name < b.name; },
        [&](const ComponentFacts& before, const ComponentFacts& after) { rows.component(&before, &after); },
        [&](const ComponentFacts& before) { rows.component(&before, nullptr); },
        [&](const ComponentFacts& after) { rows.component(nullptr, &after); });
    return changes;
}

}  // namespace velvane
