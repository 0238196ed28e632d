#include "core/model/details_index.hpp"

#include "core/arxml/node_reading.hpp"
#include "core/model/composition_index.hpp"
#include "core/arxml/xml_space.hpp"
#include "core/model/number_text.hpp"

#include <cmath>
#include <cstring>
#include <optional>
#include <utility>

namespace velvane {

namespace {

// Value specifications nested deeper than this are not kept.
constexpr int max_value_depth = 32;

// All the text inside an element, nested markup included, with every run of white space made one
// space and none at either end.
std::string folded_content(pugi::xml_node element) {
    if (!element) return std::string();
    std::string joined = element.value();  // the parser keeps an element's first text piece here
    // Depth first without recursion: nesting depth is the file's choice.
    pugi::xml_node node = element.first_child();
    while (node && node != element) {
        pugi::xml_node_type type = node.type();
        if (type == pugi::node_element || type == pugi::node_pcdata || type == pugi::node_cdata) {
            joined += node.value();  // the text of a text piece, or the first text of a nested element
        }
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node && node != element && !node.next_sibling()) node = node.parent();
        if (node && node != element) node = node.next_sibling();
    }
    std::string folded;
    bool pending_space = false;
    for (char c : joined) {
        if (is_xml_space(c)) {
            pending_space = !folded.empty();
        } else {
            if (pending_space) folded += ' ';
            pending_space = false;
            folded += c;
        }
    }
    return folded;
}

// Of a multilingual text (DESC's L-2 or LONG-NAME's L-4 variants): the English variant where it
// says anything, else the first variant that does.
std::string one_language(pugi::xml_node text, const char* variant_tag) {
    if (!text) return std::string();
    std::string first;
    bool any_variant = false;
    for (pugi::xml_node variant : text.children(variant_tag)) {
        any_variant = true;
        std::string content = folded_content(variant);
        if (content.empty()) continue;
        if (std::strcmp(variant.attribute("L").value(), "EN") == 0) return content;
        if (first.empty()) first = std::move(content);
    }
    return any_variant ? first : folded_content(text);
}

Described described(pugi::xml_node element) {
    return {one_language(child_of(element, "DESC"), "L-2"), one_language(child_of(element, "LONG-NAME"), "L-4")};
}

DataProps data_props(pugi::xml_node element, const ResolveReference& resolve) {
    DataProps props;
    pugi::xml_node variants = child_of(child_of(element, "SW-DATA-DEF-PROPS"), "SW-DATA-DEF-PROPS-VARIANTS");
    for (pugi::xml_node conditional : variants.children("SW-DATA-DEF-PROPS-CONDITIONAL")) {
        if (props.unit.empty()) props.unit = resolve(child_of(conditional, "UNIT-REF"));
        if (props.constraint.empty()) props.constraint = resolve(child_of(conditional, "DATA-CONSTR-REF"));
        if (props.compu_method.empty()) props.compu_method = resolve(child_of(conditional, "COMPU-METHOD-REF"));
    }
    return props;
}

void add_interface(DetailsIndex& details, pugi::xml_node element, const ArPath& path,
                   const ResolveReference& resolve) {
    InterfaceDetails interface;
    interface.text = described(element);
    for (pugi::xml_node prototype : child_of(element, "DATA-ELEMENTS").children("VARIABLE-DATA-PROTOTYPE")) {
        interface.elements.push_back({child_text(prototype, "SHORT-NAME"), resolve(child_of(prototype, "TYPE-TREF")),
                                      described(prototype), data_props(prototype, resolve)});
    }
    auto [entry, added] = details.interfaces.emplace(path, std::move(interface));
    if (added) entry->second.by_name.index(entry->second.elements);
}

void add_unit(DetailsIndex& details, pugi::xml_node element, const ArPath& path) {
    std::string shown = folded_content(child_of(element, "DISPLAY-NAME"));
    if (shown.empty()) shown = child_text(element, "SHORT-NAME");
    details.units.emplace(path, std::move(shown));
}

void add_constraint(DetailsIndex& details, pugi::xml_node element, const ArPath& path) {
    pugi::xml_node rule = child_of(child_of(element, "DATA-CONSTR-RULES"), "DATA-CONSTR-RULE");
    Limits limits;
    for (const char* kind : {"PHYS-CONSTRS", "INTERNAL-CONSTRS"}) {
        pugi::xml_node constraints = child_of(rule, kind);
        limits = {child_text(constraints, "LOWER-LIMIT"), child_text(constraints, "UPPER-LIMIT")};
        if (!limits.lower.empty() || !limits.upper.empty()) break;
    }
    details.constraints.emplace(path, std::move(limits));
}

std::vector<std::string> coefficients(pugi::xml_node list) {
    std::vector<std::string> values;
    for (pugi::xml_node value : list.children("V")) values.push_back(stripped_text(value));
    return values;
}

// Factor and offset of the first COMPU-SCALE that has COMPU-RATIONAL-COEFFS: numerator V1 and V0,
// each over denominator V0 (1 where there is no denominator).
void add_linear_scaling(ScalingDetails& scaling, pugi::xml_node method) {
    pugi::xml_node scales = child_of(child_of(method, "COMPU-INTERNAL-TO-PHYS"), "COMPU-SCALES");
    for (pugi::xml_node scale : scales.children("COMPU-SCALE")) {
        pugi::xml_node coeffs = child_of(scale, "COMPU-RATIONAL-COEFFS");
        if (!coeffs) continue;
        std::vector<std::string> numerator = coefficients(child_of(coeffs, "COMPU-NUMERATOR"));
        std::vector<std::string> denominator = coefficients(child_of(coeffs, "COMPU-DENOMINATOR"));
        std::optional<double> divisor = denominator.empty() ? std::optional<double>(1.0) : number_of(denominator[0]);
        if (!divisor || *divisor == 0) return;  // no scaling can be read from a zero or unreadable divisor
        auto quotient = [&](size_t i) {
            std::optional<double> value = i < numerator.size() ? number_of(numerator[i]) : std::nullopt;
            double ratio = value ? *value / *divisor : NAN;
            return std::isfinite(ratio) ? general_text(ratio) : std::string();
        };
        scaling.factor = quotient(1);
        scaling.offset = quotient(0);
        return;
    }
}

void add_compu_method(DetailsIndex& details, pugi::xml_node element, const ArPath& path,
                      const ResolveReference& resolve) {
    ScalingDetails scaling;
    scaling.unit = resolve(child_of(element, "UNIT-REF"));
    std::string category = child_text(element, "CATEGORY");
    if (category == "LINEAR" || category == "SCALE_LINEAR_AND_TEXTTABLE") add_linear_scaling(scaling, element);
    details.compu_methods.emplace(path, std::move(scaling));
}

ValueSpec value_spec(pugi::xml_node spec, const ResolveReference& resolve, int depth) {
    ValueSpec value;
    if (!spec || depth > max_value_depth) return value;
    std::string kind = spec.name();
    if (kind == "NUMERICAL-VALUE-SPECIFICATION" || kind == "TEXT-VALUE-SPECIFICATION") {
        pugi::xml_node written = child_of(spec, "VALUE");
        if (!written) return value;
        value.kind = ValueSpec::Kind::text;
        value.text = stripped_text(written);
    } else if (kind == "APPLICATION-VALUE-SPECIFICATION") {
        pugi::xml_node values = child_of(child_of(spec, "SW-VALUE-CONT"), "SW-VALUES-PHYS");
        if (!values) return value;
        value.kind = ValueSpec::Kind::text;
        // V and VT, also inside value groups (VG), in document order.
        for (pugi::xml_node node = values.first_child(); node && node != values;) {
            std::string tag = node.name();
            if (tag == "V" || tag == "VT") {
                if (!value.text.empty()) value.text += ", ";
                value.text += stripped_text(node);
            }
            if (tag == "VG" && node.first_child()) {
                node = node.first_child();
                continue;
            }
            while (node && node != values && !node.next_sibling()) node = node.parent();
            if (node && node != values) node = node.next_sibling();
        }
    } else if (kind == "CONSTANT-REFERENCE") {
        value.text = resolve(child_of(spec, "CONSTANT-REF"));
        if (!value.text.empty()) value.kind = ValueSpec::Kind::constant;
    } else if (kind == "ARRAY-VALUE-SPECIFICATION" || kind == "RECORD-VALUE-SPECIFICATION") {
        value.kind = ValueSpec::Kind::group;
        pugi::xml_node items = child_of(spec, kind == "ARRAY-VALUE-SPECIFICATION" ? "ELEMENTS" : "FIELDS");
        for (pugi::xml_node item : items.children()) {
            if (item.type() == pugi::node_element) value.items.push_back(value_spec(item, resolve, depth + 1));
        }
    }
    return value;
}

// The value an element holds in `holder` (INIT-VALUE, VALUE-SPEC): its first element.
ValueSpec held_value(pugi::xml_node holder, const ResolveReference& resolve) {
    return value_spec(holder.find_child([](pugi::xml_node n) { return n.type() == pugi::node_element; }), resolve, 0);
}

void add_constant(DetailsIndex& details, pugi::xml_node element, const ArPath& path,
                  const ResolveReference& resolve) {
    pugi::xml_node holder = child_of(element, "VALUE-SPEC");
    if (!holder) holder = child_of(element, "VALUE");  // the form of older revisions
    details.constants.emplace(path, held_value(holder, resolve));
}

PortDetails port_details(pugi::xml_node port, bool provided, const ResolveReference& resolve) {
    PortDetails details;
    details.name = child_text(port, "SHORT-NAME");
    details.provided = provided;
    details.text = described(port);
    const char* const nonqueued = provided ? "NONQUEUED-SENDER-COM-SPEC" : "NONQUEUED-RECEIVER-COM-SPEC";
    const char* const queued = provided ? "QUEUED-SENDER-COM-SPEC" : "QUEUED-RECEIVER-COM-SPEC";
    for (pugi::xml_node spec : child_of(port, provided ? "PROVIDED-COM-SPECS" : "REQUIRED-COM-SPECS").children()) {
        bool is_queued = std::strcmp(spec.name(), queued) == 0;
        if (!is_queued && std::strcmp(spec.name(), nonqueued) != 0) continue;
        ComSpecDetails com_spec;
        com_spec.data_element = resolve(child_of(spec, "DATA-ELEMENT-REF"));
        pugi::xml_node init = child_of(spec, "INIT-VALUE");
        com_spec.init = held_value(init, resolve);
        com_spec.has_init = com_spec.init.kind != ValueSpec::Kind::unknown;
        com_spec.alive_timeout = child_text(spec, "ALIVE-TIMEOUT");
        if (is_queued) com_spec.queue_length = child_text(spec, "QUEUE-LENGTH");
        details.com_specs.push_back(std::move(com_spec));
    }
    return details;
}

void add_component(DetailsIndex& details, const std::string& entry, pugi::xml_node element, const ArPath& package,
                   const ResolveReference& resolve) {
    ComponentDetails component;
    component.name = child_text(element, "SHORT-NAME");
    component.path = package + "/" + component.name;
    component.application = std::strcmp(element.name(), "APPLICATION-SW-COMPONENT-TYPE") == 0;
    pugi::xml_node ports = child_of(element, "PORTS");
    for (pugi::xml_node port : ports.children("R-PORT-PROTOTYPE")) {
        component.ports.push_back(port_details(port, false, resolve));
    }
    for (pugi::xml_node port : ports.children("P-PORT-PROTOTYPE")) {
        component.ports.push_back(port_details(port, true, resolve));
    }
    details.components[entry].push_back(std::move(component));
}

bool is_data_type(const std::string& kind) {
    return kind == "IMPLEMENTATION-DATA-TYPE" || kind == "APPLICATION-PRIMITIVE-DATA-TYPE" ||
           kind == "APPLICATION-ARRAY-DATA-TYPE" || kind == "APPLICATION-RECORD-DATA-TYPE";
}

}  // namespace

void index_details(DetailsIndex& details, const std::string& entry, pugi::xml_node element,
                   const ArPath& package, const ResolveReference& resolve) {
    std::string kind = element.name();
    if (is_component_type_tag(kind.c_str())) {
        add_component(details, entry, element, package, resolve);
        return;
    }
    std::string name = child_text(element, "SHORT-NAME");
    if (name.empty()) return;
    ArPath path = package + "/" + name;
    if (kind == "SENDER-RECEIVER-INTERFACE") {
        add_interface(details, element, path, resolve);
    } else if (is_data_type(kind)) {
        details.data_types.emplace(path, data_props(element, resolve));
    } else if (kind == "UNIT") {
        add_unit(details, element, path);
    } else if (kind == "DATA-CONSTR") {
        add_constraint(details, element, path);
    } else if (kind == "COMPU-METHOD") {
        add_compu_method(details, element, path, resolve);
    } else if (kind == "CONSTANT-SPECIFICATION") {
        add_constant(details, element, path, resolve);
    }
}

}  // namespace velvane
