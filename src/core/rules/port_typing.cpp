#include "core/rules/port_typing.hpp"

#include "core/rules/shown_type.hpp"

#include <algorithm>
#include <cctype>
#include <vector>

namespace velvane {

namespace {

// Compu methods named like "boolean" in any letter case show no literals, as in the type tables.
bool names_boolean(const std::string& name) {
    static const std::string word = "boolean";
    if (name.size() < word.size()) return false;
    for (size_t start = 0; start + word.size() <= name.size(); ++start) {
        size_t i = 0;
        while (i < word.size() &&
               std::tolower(static_cast<unsigned char>(name[start + i])) == word[i]) {
            ++i;
        }
        if (i == word.size()) return true;
    }
    return false;
}

ArPath mapped_type(const ProjectIndex& index, const ArPath& application, const std::vector<ArPath>& mapping_sets) {
    for (const ArPath& set : mapping_sets) {
        const TypeMappings* mappings = find_in(index, index.mapping_sets, set);
        if (mappings == nullptr) continue;
        if (const TypeMapping* map = mappings->by_application.find(mappings->maps, application)) {
            return map->implementation;
        }
    }
    const ArPath* any = find_in(index, index.project_mappings, application);
    return any == nullptr ? ArPath() : *any;
}

// TYPE_REFERENCE chains (and the element types of arrays) are followed this far: real ones take a step
// or two. A longer chain is taken for one that runs in a circle.
constexpr std::size_t max_type_steps = 64;

// One walk from an implementation data type to what the sheet shows about it.
class TypeWalk {
public:
    explicit TypeWalk(const ProjectIndex& index) : index_(index) {}

    // False when the walk meets a type a second time, or would go on past max_type_steps.
    bool run(const TypeNode* type, PortType& out);

private:
    // The nearest compu method that the index holds decides the literals.
    void note_compu(const ArPath& path) {
        if (compu_ == nullptr && !path.empty()) compu_ = find_in(index_, index_.compu_methods, path);
    }
    const TypeNode* implementation(const ArPath& path) const {
        return path.empty() ? nullptr : find_in(index_, index_.implementation_types, path);
    }
    // The element of an array; the element type to follow next, or null where the walk ends.
    const TypeNode* enter_array(const TypeNode& array, PortType& out, bool& finished);

    const ProjectIndex& index_;
    std::vector<const TypeNode*> seen_;  // chains are short: a scan beats hashing
    const CompuMethod* compu_ = nullptr;
};

const TypeNode* TypeWalk::enter_array(const TypeNode& array, PortType& out, bool& finished) {
    const TypeNode* element = &array.elements.front();
    out.array_suffix += "[" + element->array_size + "]";
    while (element->category == "ARRAY" && !element->elements.empty()) {  // dimensions written inline
        element = &element->elements.front();
        out.array_suffix += "[" + element->array_size + "]";
    }
    compu_ = nullptr;  // the literals are the element's, not the array's
    note_compu(element->props.compu_method);
    if (element->category == "STRUCTURE") {
        out.name = element->name;
        out.text = element->member_text;
        finished = true;
        return nullptr;
    }
    const ArPath& reference = element->props.implementation_type.empty() ? element->props.base_type
                                                                        : element->props.implementation_type;
    out.name = last_segment(reference);
    return element->props.implementation_type.empty() ? nullptr : implementation(reference);
}

bool TypeWalk::run(const TypeNode* type, PortType& out) {
    out.name = type->name;
    while (type != nullptr) {
        if (seen_.size() == max_type_steps) return false;
        if (std::find(seen_.begin(), seen_.end(), type) != seen_.end()) return false;
        seen_.push_back(type);
        note_compu(type->props.compu_method);
        if (type->category == "TYPE_REFERENCE") {
            // The type keeps its own name; what it refers to says what kind of type it is. A
            // reference out of the index ends the walk with what is known.
            type = implementation(type->props.implementation_type);
        } else if (type->category == "ARRAY" && !type->elements.empty()) {
            bool finished = false;
            type = enter_array(*type, out, finished);
            if (finished) return true;
            if (type != nullptr) out.name = type->name;
        } else if (type->category == "STRUCTURE") {
            out.text = type->member_text;
            return true;
        } else {
            break;
        }
    }
    if (compu_ != nullptr && compu_->category == "TEXTTABLE" && !names_boolean(compu_->name)) {
        out.text = compu_->literal_text;
    }
    return true;
}

void add_literals(const ProjectIndex& index, const ArPath& compu_method, PortType& out) {
    const CompuMethod* method = compu_method.empty() ? nullptr : find_in(index, index.compu_methods, compu_method);
    if (method != nullptr && method->category == "TEXTTABLE" && !names_boolean(method->name)) {
        out.text = method->literal_text;
    }
}

// A type known only by a reference (no file read defines it, or what it leads to cannot be shown):
// the reference's last piece names it, an array name read as the single-file look-ups read it.
std::optional<PortType> named_by_reference(const ArPath& type, const ArPath& named_by) {
    ShownType shown = shown_type(last_segment(named_by));
    if (shown.name.empty()) return std::nullopt;
    PortType result;
    result.referenced = last_segment(type);
    result.name = shown.name;
    result.array_suffix = shown.array_suffix;
    return result;
}

std::optional<PortType> walked_type(const ProjectIndex& index, const ArPath& type,
                                    const std::vector<ArPath>& mapping_sets) {
    PortType result;
    result.referenced = last_segment(type);
    const ApplicationType* application = nullptr;
    const TypeNode* implementation = find_in(index, index.implementation_types, type);
    if (implementation == nullptr) {
        application = find_in(index, index.application_types, type);
        if (application == nullptr) return std::nullopt;
        ArPath mapped = mapped_type(index, type, mapping_sets);
        implementation = mapped.empty() ? nullptr : find_in(index, index.implementation_types, mapped);
        if (implementation == nullptr && !mapped.empty()) {
            // Mapped to a type defined elsewhere (a platform type): the mapping names it.
            std::optional<PortType> named = named_by_reference(type, mapped);
            if (named) add_literals(index, application->compu_method, *named);
            return named;
        }
        if (implementation == nullptr) {
            // Not mapped at all: the application type as it stands.
            result.name = application->name;
            add_literals(index, application->compu_method, result);
            if (result.name.empty()) return std::nullopt;
            return result;
        }
    }
    if (!TypeWalk(index).run(implementation, result)) return std::nullopt;
    if (!result.text && application != nullptr) add_literals(index, application->compu_method, result);
    if (result.name.empty()) return std::nullopt;
    return result;
}

}  // namespace

std::optional<PortType> type_of_data_type(const ProjectIndex& index, const ArPath& type,
                                          const std::vector<ArPath>& mapping_sets) {
    if (type.empty()) return std::nullopt;
    std::optional<PortType> walked = walked_type(index, type, mapping_sets);
    return walked ? walked : named_by_reference(type, type);
}

std::optional<PortType> type_of_mode_switch(const ProjectIndex& index, const ArPath& interface) {
    const ArPath* group = find_in(index, index.other_interfaces.mode_switch, interface);
    if (group == nullptr || last_segment(*group).empty()) return std::nullopt;
    PortType result;
    result.referenced = result.name = last_segment(*group);
    if (const std::vector<std::string>* modes = find_in(index, index.other_interfaces.mode_groups, *group)) {
        std::string text;
        for (size_t i = 0; i < modes->size(); ++i) text += (i == 0 ? "" : ";") + (*modes)[i];
        result.text = std::make_shared<const std::string>(std::move(text));
    }
    return result;
}

std::optional<PortType> type_of_interface(const ProjectIndex& index, const ArPath& interface,
                                          const ArPath& data_element, const std::vector<ArPath>& mapping_sets) {
    if (interface.empty()) return std::nullopt;
    const InterfaceElements* found = find_in(index, index.interfaces, interface);
    if (found == nullptr) return type_of_mode_switch(index, interface);
    const std::vector<DataElement>& elements = found->elements;
    if (elements.empty()) return std::nullopt;
    const DataElement* chosen = nullptr;
    if (!data_element.empty()) {
        // By path (the interface's path, "/", the element's name), else by the last piece of the path.
        if (data_element.size() > interface.size() && data_element.compare(0, interface.size(), interface) == 0 &&
            data_element[interface.size()] == '/') {
            chosen = found->by_name.find(elements, data_element.substr(interface.size() + 1));
        }
        if (chosen == nullptr) chosen = found->by_name.find(elements, last_segment(data_element));
    }
    if (chosen == nullptr) chosen = &elements.front();
    return type_of_data_type(index, chosen->type, mapping_sets);
}

const ComponentEntry* find_component(const ProjectIndex& index, const std::string& file,
                                     const std::string& component) {
    const std::deque<ComponentEntry>* components = find_in(index, index.components, file);
    if (components == nullptr) return nullptr;
    for (const ComponentEntry& entry : *components) {
        if (entry.name == component) return &entry;
    }
    return nullptr;
}

const PortEntry* find_port(const ComponentEntry& component, const std::string& port, bool provided) {
    for (const PortEntry& entry : component.ports) {
        if (entry.provided == provided && entry.name == port) return &entry;
    }
    return nullptr;
}

std::optional<PortType> type_of_port(const ProjectIndex& index, const ComponentEntry& component,
                                     const PortEntry& port) {
    return type_of_interface(index, port.interface, port.data_element, component.mapping_sets);
}

}  // namespace velvane
