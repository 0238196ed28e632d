#include "core/model/index_merge.hpp"

#include <iterator>

namespace velvane {

namespace {

// Moves the entries whose key `into` lacks; the nodes change hands, nothing is copied or allocated.
template <class Map>
void keep_first(Map& into, Map& part) {
    if (into.empty()) {
        into.swap(part);
        return;
    }
    into.merge(part);
}

template <class Sequence>
void append(Sequence& into, Sequence& part) {
    if (into.empty()) {
        into.swap(part);
        return;
    }
    into.insert(into.end(), std::make_move_iterator(part.begin()), std::make_move_iterator(part.end()));
}

// A composition is kept only where no earlier file defined a component type at its path.
void merge_wiring(CompositionIndex& into, CompositionIndex& part) {
    for (Composition& composition : part.compositions) {
        if (into.component_types.count(composition.path) == 0) into.compositions.push_back(std::move(composition));
    }
    keep_first(into.component_types, part.component_types);
}

void merge_details(DetailsIndex& into, DetailsIndex& part) {
    keep_first(into.interfaces, part.interfaces);
    keep_first(into.data_types, part.data_types);
    keep_first(into.units, part.units);
    keep_first(into.constraints, part.constraints);
    keep_first(into.compu_methods, part.compu_methods);
    keep_first(into.constants, part.constants);
    for (auto& entry : part.components) append(into.components[entry.first], entry.second);
}

void merge_other_interfaces(OtherInterfaces& into, OtherInterfaces& part) {
    keep_first(into.mode_switch, part.mode_switch);
    keep_first(into.mode_groups, part.mode_groups);
    keep_first(into.without_data, part.without_data);
}

}  // namespace

void merge_file_index(ProjectIndex& into, ProjectIndex&& part) {
    keep_first(into.interfaces, part.interfaces);
    keep_first(into.implementation_types, part.implementation_types);
    keep_first(into.application_types, part.application_types);
    keep_first(into.mapping_sets, part.mapping_sets);
    keep_first(into.project_mappings, part.project_mappings);
    keep_first(into.compu_methods, part.compu_methods);
    merge_other_interfaces(into.other_interfaces, part.other_interfaces);
    for (auto& entry : part.components) append(into.components[entry.first], entry.second);
    merge_wiring(into.wiring, part.wiring);
    merge_details(into.details, part.details);
}

}  // namespace velvane
