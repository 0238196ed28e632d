#include "core/rules/detail_texts.hpp"

#include "core/arxml/xml_space.hpp"
#include "core/model/number_text.hpp"
#include "core/rules/port_typing.hpp"

#include <utility>
#include <vector>

namespace velvane {

namespace {

// TYPE_REFERENCE chains and constants naming constants are followed this far, no further.
constexpr int max_reference_steps = 16;
// An init value stops growing past this many bytes (constants of constants could multiply it);
// a cell holds fewer characters anyway.
constexpr size_t max_value_text = 40000;
// The details and remarks of one sheet take at most this many bytes per byte of its file, and this
// much more. Real ones take a twentieth of it or less; without a bound, a file could have thousands of
// ports show a long text it holds once (a unit's name, a constant naming constants).
constexpr std::uint64_t detail_bytes_per_file_byte = 1;
constexpr std::uint64_t detail_bytes_beyond = 1 << 20;

void append_item(std::string& items, const std::string& item) {
    if (!items.empty()) items += "; ";
    items += item;
}

// The signal a row stands for, as far as the index knows it.
struct Signal {
    const PortDetails* port = nullptr;
    ArPath interface;
    const InterfaceDetails* interface_details = nullptr;
    const ElementDetails* element = nullptr;
};

// The interface's data element `reference` names (by path, else by its last piece), else its first.
const ElementDetails* chosen_element(const InterfaceDetails& interface, const ArPath& interface_path,
                                     const ArPath& reference) {
    if (interface.elements.empty()) return nullptr;
    if (!reference.empty()) {
        const ElementDetails* named = nullptr;
        if (reference.size() > interface_path.size() && reference.compare(0, interface_path.size(), interface_path) == 0 &&
            reference[interface_path.size()] == '/') {
            named = interface.by_name.find(interface.elements, reference.substr(interface_path.size() + 1));
        }
        if (named == nullptr) named = interface.by_name.find(interface.elements, last_segment(reference));
        if (named != nullptr) return named;
    }
    return &interface.elements.front();
}

bool names_element(const ComSpecDetails& spec, const Signal& signal) {
    if (signal.element == nullptr || spec.data_element.empty()) return false;
    return is_child_path(spec.data_element, signal.interface, signal.element->name) ||
           last_segment(spec.data_element) == signal.element->name;
}

// The com spec for the signal's data element, else the port's first.
const ComSpecDetails* chosen_com_spec(const Signal& signal) {
    if (signal.port == nullptr || signal.port->com_specs.empty()) return nullptr;
    for (const ComSpecDetails& spec : signal.port->com_specs) {
        if (names_element(spec, signal)) return &spec;
    }
    return &signal.port->com_specs.front();
}

class DetailTexts {
public:
    DetailTexts(const ProjectIndex& index, const Signal& signal)
        : index_(index), details_(index.details), signal_(signal) {}

    // The description: the index's own text, as a port may show one it shares with thousands of
    // others; null for none.
    const std::string* description() const;

    // Every item the files give.
    DetailItems items() const;

private:
    ArPath from_props(ArPath DataProps::*field) const;
    std::string unit(const ArPath& compu_method) const;
    std::string range() const;
    std::string init_value() const;
    void append_value(const ValueSpec& value, int steps, std::string& out) const;

    const ProjectIndex& index_;
    const DetailsIndex& details_;
    const Signal& signal_;
};

const std::string* DetailTexts::description() const {
    const Described* sources[3] = {signal_.port == nullptr ? nullptr : &signal_.port->text,
                                   signal_.element == nullptr ? nullptr : &signal_.element->text,
                                   signal_.interface_details == nullptr ? nullptr : &signal_.interface_details->text};
    for (std::string Described::*field : {&Described::desc, &Described::long_name}) {
        for (const Described* source : sources) {
            if (source != nullptr && !(source->*field).empty()) return &(source->*field);
        }
    }
    return nullptr;
}

// The reference of the data element's props, else of its data type's, else of the types that
// type stands for along a TYPE_REFERENCE chain.
ArPath DetailTexts::from_props(ArPath DataProps::*field) const {
    if (signal_.element == nullptr) return ArPath();
    if (!(signal_.element->props.*field).empty()) return signal_.element->props.*field;
    ArPath type = signal_.element->type;
    for (int step = 0; step < max_reference_steps && !type.empty(); ++step) {
        if (const DataProps* props = find_in(index_, details_.data_types, type)) {
            if (!(props->*field).empty()) return props->*field;
        }
        const TypeNode* node = find_in(index_, index_.implementation_types, type);
        if (node == nullptr || node->category != "TYPE_REFERENCE") break;
        type = node->props.implementation_type;
    }
    return ArPath();
}

std::string DetailTexts::unit(const ArPath& compu_method) const {
    ArPath unit = from_props(&DataProps::unit);
    if (unit.empty()) {
        const ScalingDetails* scaling = find_in(index_, details_.compu_methods, compu_method);
        if (scaling != nullptr) unit = scaling->unit;
    }
    if (unit.empty()) return std::string();
    const std::string* shown = find_in(index_, details_.units, unit);
    return shown != nullptr && !shown->empty() ? *shown : last_segment(unit);
}

std::string DetailTexts::range() const {
    const Limits* limits = find_in(index_, details_.constraints, from_props(&DataProps::constraint));
    if (limits == nullptr || (limits->lower.empty() && limits->upper.empty())) return std::string();
    return limits->lower + ".." + limits->upper;
}

void DetailTexts::append_value(const ValueSpec& value, int steps, std::string& out) const {
    if (out.size() > max_value_text) return;
    switch (value.kind) {
        case ValueSpec::Kind::unknown:
            return;
        case ValueSpec::Kind::text:
            out += value.text;
            return;
        case ValueSpec::Kind::constant: {
            const ValueSpec* constant = find_in(index_, details_.constants, value.text);
            if (constant == nullptr || constant->kind == ValueSpec::Kind::unknown || steps >= max_reference_steps) {
                out += last_segment(value.text);
            } else {
                append_value(*constant, steps + 1, out);
            }
            return;
        }
        case ValueSpec::Kind::group: {
            out += '{';
            bool first = true;
            for (const ValueSpec& item : value.items) {
                if (!first) out += ", ";
                first = false;
                append_value(item, steps, out);
                if (out.size() > max_value_text) return;
            }
            out += '}';
            return;
        }
    }
}

// The init value of the com spec for the data element, else of the first com spec that has one.
std::string DetailTexts::init_value() const {
    if (signal_.port == nullptr) return std::string();
    const ComSpecDetails* chosen = nullptr;
    for (const ComSpecDetails& spec : signal_.port->com_specs) {
        if (spec.has_init && names_element(spec, signal_)) {
            chosen = &spec;
            break;
        }
    }
    for (const ComSpecDetails& spec : signal_.port->com_specs) {
        if (chosen == nullptr && spec.has_init) chosen = &spec;
    }
    if (chosen == nullptr) return std::string();
    std::string text;
    append_value(chosen->init, 0, text);
    return text;
}

DetailItems DetailTexts::items() const {
    DetailItems items;
    items.description = description();
    ArPath compu_method = from_props(&DataProps::compu_method);
    items.unit = unit(compu_method);
    items.range = range();
    if (const ScalingDetails* scaling = find_in(index_, details_.compu_methods, compu_method)) {
        items.factor = scaling->factor;
        items.offset = scaling->offset;
    }
    items.init = init_value();
    if (const ComSpecDetails* spec = chosen_com_spec(signal_)) {
        if (!spec->alive_timeout.empty()) {
            std::optional<double> seconds = number_of(spec->alive_timeout);
            if (!seconds || *seconds != 0) items.timeout = spec->alive_timeout;
        }
        items.queue = spec->queue_length;
    }
    return items;
}

// The details read every part of the index: all of it is merged first.
std::shared_ptr<const ProjectIndex> completed(std::shared_ptr<const ProjectIndex> index) {
    complete_index(*index);
    return index;
}

const ComponentDetails* find_component_details(const ProjectIndex& index, const std::string& entry,
                                               const std::string& component) {
    const std::vector<ComponentDetails>* components = find_in(index, index.details.components, entry);
    if (components == nullptr) return nullptr;
    for (const ComponentDetails& candidate : *components) {
        if (candidate.application && candidate.name == component) return &candidate;
    }
    return nullptr;
}

}  // namespace

std::string details_text(const DetailItems& items) {
    std::string text;
    if (!items.unit.empty()) append_item(text, "unit: " + items.unit);
    if (!items.range.empty()) append_item(text, "range: " + items.range);
    if (!items.factor.empty()) append_item(text, "factor: " + items.factor);
    if (!items.offset.empty()) append_item(text, "offset: " + items.offset);
    if (!items.init.empty()) append_item(text, "init: " + items.init);
    return text;
}

std::string remark_text(const DetailItems& items) {
    std::string text;
    if (!items.timeout.empty()) append_item(text, "timeout: " + items.timeout + " s");
    if (!items.queue.empty()) append_item(text, "queue: " + items.queue);
    return text;
}

namespace {

Signal signal_of(const ProjectIndex& index, const ArPath& interface, const ArPath& data_element,
                 const PortDetails* port) {
    Signal signal;
    signal.port = port;
    signal.interface = interface;
    signal.interface_details = find_in(index, index.details.interfaces, interface);
    if (signal.interface_details != nullptr) {
        signal.element = chosen_element(*signal.interface_details, interface, data_element);
    }
    return signal;
}

}  // namespace

DetailItems detail_items(const ProjectIndex& index, const ArPath& interface, const ArPath& data_element,
                         const PortDetails* port) {
    return DetailTexts(index, signal_of(index, interface, data_element, port)).items();
}

SheetDetails::SheetDetails(std::shared_ptr<const ProjectIndex> index, const std::string& entry,
                           const std::string& component, std::uint64_t file_size)
    : index_(completed(std::move(index))),
      bytes_left_(detail_bytes_per_file_byte * file_size + detail_bytes_beyond),
      component_(find_component(*index_, entry, trimmed(component))),
      component_details_(find_component_details(*index_, entry, trimmed(component))),
      ports_(component_ == nullptr ? nullptr : &component_->ports),
      port_details_(component_details_ == nullptr ? nullptr : &component_details_->ports) {}

SignalDetails SheetDetails::port(const std::string& port, bool provided, const std::string& interface_reference,
                                 const std::string& data_element_reference) const {
    std::string name = trimmed(port);
    const PortEntry* entry = ports_.find(name, provided);
    ArPath interface = entry != nullptr ? entry->interface : trimmed(interface_reference);
    ArPath element = entry != nullptr ? entry->data_element : trimmed(data_element_reference);
    Signal signal = signal_of(*index_, interface, element, port_details_.find(name, provided));
    DetailTexts texts(*index_, signal);
    SignalDetails found;
    if (const std::string* description = texts.description()) {
        found.description = std::shared_ptr<const std::string>(index_, description);
    }
    if (bytes_left_ == 0) {
        ++left_out_;
        return found;
    }
    DetailItems items = texts.items();
    found.details = details_text(items);
    found.remark = remark_text(items);
    std::uint64_t size = found.details.size() + found.remark.size();
    if (size > bytes_left_) {
        bytes_left_ = 0;
        ++left_out_;
        found.details.clear();
        found.remark.clear();
        return found;
    }
    bytes_left_ -= size;
    return found;
}

}  // namespace velvane
