#include "core/generate/arxml_files.hpp"

#include "core/generate/arxml_document.hpp"
#include "core/generate/identifier.hpp"

#include <future>
#include <map>
#include <optional>
#include <unordered_map>

namespace velvane {

namespace {

const std::string platform_base_types = "/AUTOSAR_Platform/BaseTypes";
const std::string platform_types = "/AUTOSAR_Platform/ImplementationDataTypes";
const std::string project_types = "/DataTypes/ImplementationDataTypes";
const std::string compu_methods = "/DataTypes/CompuMethods";
const std::string data_constraints = "/DataTypes/DataConstrs";
const std::string units_package = "/DataTypes/Units";
const std::string constants_package = "/Constants";
const std::string interfaces_package = "/PortInterfaces";
const std::string components_package = "/ComponentTypes";

// The platform's types, under the paths where authoring tools keep them.
struct PlatformType {
    const char* name;
    const char* size;
    const char* encoding;
    const char* native;
};
const PlatformType platform[] = {
    {"boolean", "8", "BOOLEAN", "unsigned char"},     {"uint8", "8", "NONE", "unsigned char"},
    {"uint16", "16", "NONE", "unsigned short"},       {"uint32", "32", "NONE", "unsigned long"},
    {"uint64", "64", "NONE", "unsigned long long"},   {"sint8", "8", "2C", "signed char"},
    {"sint16", "16", "2C", "signed short"},           {"sint32", "32", "2C", "signed long"},
    {"sint64", "64", "2C", "signed long long"},       {"float32", "32", "IEEE754", "float"},
    {"float64", "64", "IEEE754", "double"},
};
constexpr std::size_t platform_count = sizeof platform / sizeof platform[0];

std::optional<std::size_t> platform_index(const std::string& name) {
    for (std::size_t i = 0; i < platform_count; ++i) {
        if (name == platform[i].name) return i;
    }
    return std::nullopt;
}

std::string lowered(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// A number or unit text as a piece of a short name: "-0.5" gives "m0p5", "km/h" gives "kmPerh".
std::string name_piece(const std::string& text) {
    std::string piece;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            piece += c;
        } else if (c == '-') {
            piece += 'm';
        } else if (c == '.') {
            piece += 'p';
        } else if (c == '/') {
            piece += "Per";
        } else if (c == '%') {
            piece += "Percent";
        } else if (text.compare(i, 2, "\xC2\xB0") == 0) {  // the degree sign
            piece += "Deg";
            ++i;
        } else if (c != '+' && (piece.empty() || piece.back() != '_')) {
            piece += '_';
        }
    }
    return piece;
}

// The kinds and texts of a value tree, one text per distinct tree.
std::string value_key(const InitValue& value) {
    std::string key(1, static_cast<char>('0' + static_cast<int>(value.kind)));
    key += value.text;
    for (const InitValue& item : value.items) key += '\x1d' + value_key(item);
    return key + '\x1c';
}

std::string joined_key(std::initializer_list<std::string> pieces) {
    std::string key;
    for (const std::string& piece : pieces) {
        key += piece;
        key += '\x1f';
    }
    return key;
}

// A data type named by the rows: its name and what the values column says about it.
struct TypeVariant {
    std::string name;
    std::string values;  // as written: tells variants of one name apart
    ValuesText read;
    std::string path;
    std::string compu_method;  // the TEXTTABLE of an enumeration
    std::string base_type;     // the base type's path, "" for none
};

struct ArrayType {
    std::size_t element;  // a TypeVariant
    std::vector<std::string> sizes;
    std::string path;
};

// What a port's data element is typed with: a variant or an array of one.
struct TypeReference {
    bool is_array = false;
    std::size_t index = 0;
};

struct InterfaceEntry {
    std::string path;
    std::string element;  // the data element's short name
    std::optional<TypeReference> type;
    std::string unit, constraint, compu_method;  // paths, "" for none
    bool queued = false;
};

struct ConstantEntry {
    std::string path;
    InitValue value;
    std::optional<TypeReference> type;
};

struct PortLinks {
    std::size_t interface = 0;
    std::optional<std::size_t> constant;
};

class ArxmlProject {
public:
    explicit ArxmlProject(const std::vector<ComponentDesign>& components) : components_(components) {}

    std::vector<GeneratedFile> files();

private:
    void collect_types();
    std::size_t variant(const std::string& name, const std::string& values, const ValuesText& read);
    void place_types();
    std::optional<TypeReference> type_of(const PortDesign& port);
    std::string type_key(const std::optional<TypeReference>& type) const;
    const TypeVariant* element_variant(const std::optional<TypeReference>& type) const;
    void link_ports();
    std::string unit_path(const std::string& shown);
    std::string constraint_path(const DetailsCellItems& details);
    std::string linear_path(const DetailsCellItems& details);
    std::size_t constant(const PortDesign& port, const std::optional<TypeReference>& type);

    GeneratedFile component_file(const ComponentDesign& component, std::size_t first_port) const;
    GeneratedFile interfaces_file() const;
    GeneratedFile data_types_file() const;
    void write_variant(ArxmlDocument& document, const TypeVariant& type) const;
    void write_array(ArxmlDocument& document, const ArrayType& array) const;
    void write_value(pugi::xml_node holder, const InitValue& value, std::size_t dimensions,
                     const TypeVariant* element) const;
    void write_port(pugi::xml_node ports, const std::string& component_path, const PortDesign& port,
                    const PortLinks& links) const;

    const std::vector<ComponentDesign>& components_;
    std::vector<TypeVariant> variants_;
    std::map<std::pair<std::string, std::string>, std::size_t> variant_index_;
    std::unordered_map<std::string, std::size_t> first_variant_;  // by name
    std::vector<ArrayType> arrays_;
    std::map<std::string, std::size_t> array_index_;
    std::vector<InterfaceEntry> interfaces_;
    std::vector<ConstantEntry> constants_;
    std::vector<PortLinks> links_;  // per port: components in order, inputs then outputs
    std::map<std::string, std::string> units_;        // shown text -> path, in order of paths made
    std::vector<std::pair<std::string, std::string>> unit_list_;  // path, shown text
    std::map<std::string, std::string> constraints_;  // key -> path
    std::vector<std::pair<std::string, DetailsCellItems>> constraint_list_;
    std::map<std::string, std::string> linears_;  // key -> path
    std::vector<std::pair<std::string, DetailsCellItems>> linear_list_;
    std::vector<bool> base_types_used_ = std::vector<bool>(platform_count, false);
    std::map<std::string, NameSpace> names_;  // per package path
};

std::size_t ArxmlProject::variant(const std::string& name, const std::string& values, const ValuesText& read) {
    auto [found, added] = variant_index_.emplace(std::make_pair(name, values), variants_.size());
    if (!added) return found->second;
    variants_.push_back({name, values, read, std::string(), std::string(), std::string()});
    first_variant_.emplace(name, variants_.size() - 1);
    return variants_.size() - 1;
}

// Every type the rows name, in the order first named; then the types that structure members name
// and no row does, as plain types.
void ArxmlProject::collect_types() {
    for (const ComponentDesign& component : components_) {
        for (const auto* ports : {&component.inputs, &component.outputs}) {
            for (const PortDesign& port : *ports) {
                if (!port.type.empty()) variant(port.type, port.values, port.values_read);
            }
        }
    }
    for (std::size_t i = 0; i < variants_.size(); ++i) {
        std::vector<StructureMember> members = variants_[i].read.members;
        for (const StructureMember& member : members) {
            if (first_variant_.count(member.type) == 0) variant(member.type, std::string(), ValuesText());
        }
    }
}

// Paths for the types: a plain type of a platform name stands where the platform keeps it; every
// other type in the project's package, a second type of the same name (in any letter case) in the
// sub-package Variant2, and so on. An enumeration gets its TEXTTABLE and the smallest unsigned
// platform base type that holds its literals.
void ArxmlProject::place_types() {
    for (TypeVariant& type : variants_) {
        std::optional<std::size_t> on_platform = platform_index(type.name);
        if (on_platform && type.read.kind == ValuesText::Kind::none && names_[platform_types].claim(type.name)) {
            type.path = platform_types + "/" + type.name;
            type.base_type = platform_base_types + "/" + type.name;
            base_types_used_[*on_platform] = true;
            continue;
        }
        for (unsigned variant = 1; type.path.empty(); ++variant) {
            std::string package = variant == 1 ? project_types : project_types + "/Variant" + std::to_string(variant);
            if (names_[package].claim(type.name)) type.path = package + "/" + type.name;
        }
        if (type.read.kind == ValuesText::Kind::enumeration) {
            std::string wanted = "COMPU_" + type.name;
            // The sheet shows no literals of a compu method named like "boolean".
            std::string lower = lowered(wanted);
            for (std::size_t at = lower.find("boolean"); at != std::string::npos; at = lower.find("boolean")) {
                wanted.replace(at, 7, "Bool");
                lower.replace(at, 7, "bool");
            }
            type.compu_method = compu_methods + "/" + names_[compu_methods].unique(wanted);
            std::size_t count = type.read.literals.size();
            std::size_t base = count <= 256 ? 1 : count <= 65536 ? 2 : 3;  // uint8, uint16, uint32
            type.base_type = platform_base_types + "/" + platform[base].name;
            base_types_used_[base] = true;
        }
    }
}

std::optional<TypeReference> ArxmlProject::type_of(const PortDesign& port) {
    if (port.type.empty()) return std::nullopt;
    std::size_t element = variant_index_.at({port.type, port.values});
    if (port.array_sizes.empty()) return TypeReference{false, element};
    std::string key = std::to_string(element);
    for (const std::string& size : port.array_sizes) key += "_" + size;
    auto [found, added] = array_index_.emplace(key, arrays_.size());
    if (added) {
        std::string wanted = "rt_Array_" + variants_[element].name;
        for (const std::string& size : port.array_sizes) wanted += "_" + size;
        arrays_.push_back({element, port.array_sizes, project_types + "/" + names_[project_types].unique(wanted)});
    }
    return TypeReference{true, found->second};
}

std::string ArxmlProject::type_key(const std::optional<TypeReference>& type) const {
    if (!type) return std::string();
    return (type->is_array ? "A" : "V") + std::to_string(type->index);
}

const TypeVariant* ArxmlProject::element_variant(const std::optional<TypeReference>& type) const {
    if (!type) return nullptr;
    return &variants_[type->is_array ? arrays_[type->index].element : type->index];
}

std::string ArxmlProject::unit_path(const std::string& shown) {
    if (shown.empty()) return std::string();
    auto found = units_.find(shown);
    if (found != units_.end()) return found->second;
    std::string name = is_identifier(shown) ? shown : "Unit_" + name_piece(shown);
    std::string path = units_package + "/" + names_[units_package].unique(name);
    units_.emplace(shown, path);
    unit_list_.emplace_back(path, shown);
    return path;
}

std::string ArxmlProject::constraint_path(const DetailsCellItems& details) {
    if (!details.has_range) return std::string();
    bool physical = !details.factor.empty() || !details.offset.empty();
    std::string key = joined_key({details.lower, details.upper, physical ? "phys" : "internal"});
    auto found = constraints_.find(key);
    if (found != constraints_.end()) return found->second;
    std::string name = "Range_" + (details.lower.empty() ? std::string("Open") : name_piece(details.lower)) + "_" +
                       (details.upper.empty() ? std::string("Open") : name_piece(details.upper));
    std::string path = data_constraints + "/" + names_[data_constraints].unique(name);
    constraints_.emplace(key, path);
    constraint_list_.emplace_back(path, details);
    return path;
}

std::string ArxmlProject::linear_path(const DetailsCellItems& details) {
    if (details.factor.empty() && details.offset.empty()) return std::string();
    std::string key = joined_key({details.factor, details.offset});
    auto found = linears_.find(key);
    if (found != linears_.end()) return found->second;
    std::string name = details.factor.empty()
                           ? "Offset_" + name_piece(details.offset)
                           : "Linear_" + name_piece(details.factor) + "_" +
                                 name_piece(details.offset.empty() ? std::string("0") : details.offset);
    std::string path = compu_methods + "/" + names_[compu_methods].unique(name);
    linears_.emplace(key, path);
    linear_list_.emplace_back(path, details);
    return path;
}

std::size_t ArxmlProject::constant(const PortDesign& port, const std::optional<TypeReference>& type) {
    constants_.push_back({constants_package + "/" + names_[constants_package].unique(port.name + "_Init"),
                          *port.details.init, type});
    return constants_.size() - 1;
}

// One interface per distinct signal: the port's name, type, values, unit, range and scaling. Where
// a receiver of the signal is queued, the interface is queued for every port of the signal that a
// queued com spec can serve (no init value, no alive timeout); the others share a second one.
void ArxmlProject::link_ports() {
    std::unordered_map<std::string, bool> wants_queue;
    std::vector<std::string> signal_keys;
    std::vector<std::optional<TypeReference>> types;
    for (const ComponentDesign& component : components_) {
        for (const auto* ports : {&component.inputs, &component.outputs}) {
            for (const PortDesign& port : *ports) {
                types.push_back(type_of(port));
                const DetailsCellItems& d = port.details;
                signal_keys.push_back(joined_key({port.name, type_key(types.back()), d.unit, d.has_range ? "r" : "",
                                                  d.lower, d.upper, d.factor, d.offset}));
                wants_queue[signal_keys.back()] |= !port.remark.queue_length.empty();
            }
        }
    }
    std::unordered_map<std::string, std::size_t> interface_index;
    std::map<std::string, std::size_t> constant_index;
    std::size_t at = 0;
    for (const ComponentDesign& component : components_) {
        for (const auto* ports : {&component.inputs, &component.outputs}) {
            for (const PortDesign& port : *ports) {
                const std::string& signal = signal_keys[at];
                const std::optional<TypeReference>& type = types[at];
                ++at;
                bool queued = wants_queue[signal] && !port.details.init && port.remark.timeout.empty();
                auto [found, added] = interface_index.emplace(signal + (queued ? "q" : "n"), interfaces_.size());
                if (added) {
                    InterfaceEntry entry;
                    entry.path = interfaces_package + "/" + names_[interfaces_package].unique(port.name);
                    entry.element = port.name;
                    entry.type = type;
                    entry.unit = unit_path(port.details.unit);
                    entry.constraint = constraint_path(port.details);
                    entry.compu_method = linear_path(port.details);
                    entry.queued = queued;
                    interfaces_.push_back(std::move(entry));
                }
                PortLinks links;
                links.interface = found->second;
                if (port.details.init) {
                    // Ports with the same type and the same init value share its constant.
                    auto [known, made] =
                        constant_index.emplace(type_key(type) + '\x1e' + value_key(*port.details.init), constants_.size());
                    if (made) constant(port, type);
                    links.constant = known->second;
                }
                links_.push_back(links);
            }
        }
    }
}

void ArxmlProject::write_value(pugi::xml_node holder, const InitValue& value, std::size_t dimensions,
                               const TypeVariant* element) const {
    if (value.kind == InitValue::Kind::number) {
        add_text(holder.append_child("NUMERICAL-VALUE-SPECIFICATION"), "VALUE", value.text);
        return;
    }
    if (value.kind == InitValue::Kind::text) {
        add_text(holder.append_child("TEXT-VALUE-SPECIFICATION"), "VALUE", value.text);
        return;
    }
    // A group: the elements of the array dimensions still open, else a structure's fields (each
    // typed by its member's type), else elements of a type the workbook does not say more of.
    bool record = dimensions == 0 && element != nullptr && element->read.kind == ValuesText::Kind::structure;
    pugi::xml_node group = holder.append_child(record ? "RECORD-VALUE-SPECIFICATION" : "ARRAY-VALUE-SPECIFICATION");
    if (value.items.empty()) return;
    pugi::xml_node items = group.append_child(record ? "FIELDS" : "ELEMENTS");
    for (std::size_t i = 0; i < value.items.size(); ++i) {
        if (dimensions > 0) {
            write_value(items, value.items[i], dimensions - 1, element);
        } else if (record && i < element->read.members.size()) {
            auto member = first_variant_.find(element->read.members[i].type);
            write_value(items, value.items[i], 0, member == first_variant_.end() ? nullptr : &variants_[member->second]);
        } else {
            write_value(items, value.items[i], 0, nullptr);
        }
    }
}

void ArxmlProject::write_port(pugi::xml_node ports, const std::string& component_path, const PortDesign& port,
                              const PortLinks& links) const {
    const InterfaceEntry& interface = interfaces_[links.interface];
    pugi::xml_node made = add_identifiable(ports, port.provided ? "P-PORT-PROTOTYPE" : "R-PORT-PROTOTYPE",
                                           component_path + "/" + port.name);
    if (!port.description.empty()) add_description(made, port.description);
    pugi::xml_node specs = made.append_child(port.provided ? "PROVIDED-COM-SPECS" : "REQUIRED-COM-SPECS");
    const char* kind = port.provided ? (interface.queued ? "QUEUED-SENDER-COM-SPEC" : "NONQUEUED-SENDER-COM-SPEC")
                                     : (interface.queued ? "QUEUED-RECEIVER-COM-SPEC" : "NONQUEUED-RECEIVER-COM-SPEC");
    pugi::xml_node spec = specs.append_child(kind);
    add_reference(spec, "DATA-ELEMENT-REF", "VARIABLE-DATA-PROTOTYPE", interface.path + "/" + interface.element);
    if (!port.remark.timeout.empty()) add_text(spec, "ALIVE-TIMEOUT", port.remark.timeout);
    if (links.constant) {
        add_reference(spec.append_child("INIT-VALUE").append_child("CONSTANT-REFERENCE"), "CONSTANT-REF",
                      "CONSTANT-SPECIFICATION", constants_[*links.constant].path);
    }
    if (!port.remark.queue_length.empty()) add_text(spec, "QUEUE-LENGTH", port.remark.queue_length);
    add_reference(made, port.provided ? "PROVIDED-INTERFACE-TREF" : "REQUIRED-INTERFACE-TREF",
                  "SENDER-RECEIVER-INTERFACE", interface.path);
}

GeneratedFile ArxmlProject::component_file(const ComponentDesign& component, std::size_t first_port) const {
    ArxmlDocument document;
    std::string path = components_package + "/" + component.name;
    pugi::xml_node type = add_identifiable(document.elements(components_package), "APPLICATION-SW-COMPONENT-TYPE", path);
    if (!component.inputs.empty() || !component.outputs.empty()) {
        pugi::xml_node ports = type.append_child("PORTS");
        std::size_t at = first_port;
        for (const auto* list : {&component.inputs, &component.outputs}) {
            for (const PortDesign& port : *list) write_port(ports, path, port, links_[at++]);
        }
    }
    return {component.name + ".arxml", document.text()};
}

GeneratedFile ArxmlProject::interfaces_file() const {
    ArxmlDocument document;
    for (const InterfaceEntry& interface : interfaces_) {
        pugi::xml_node made =
            add_identifiable(document.elements(interfaces_package), "SENDER-RECEIVER-INTERFACE", interface.path);
        add_text(made, "IS-SERVICE", "false");
        pugi::xml_node element = add_identifiable(made.append_child("DATA-ELEMENTS"), "VARIABLE-DATA-PROTOTYPE",
                                                  interface.path + "/" + interface.element);
        pugi::xml_node props = add_data_def_props(element);
        if (!interface.compu_method.empty()) add_reference(props, "COMPU-METHOD-REF", "COMPU-METHOD", interface.compu_method);
        if (!interface.constraint.empty()) add_reference(props, "DATA-CONSTR-REF", "DATA-CONSTR", interface.constraint);
        add_text(props, "SW-IMPL-POLICY", interface.queued ? "QUEUED" : "STANDARD");
        if (!interface.unit.empty()) add_reference(props, "UNIT-REF", "UNIT", interface.unit);
        if (interface.type) {
            const std::string& type_path =
                interface.type->is_array ? arrays_[interface.type->index].path : variants_[interface.type->index].path;
            add_reference(element, "TYPE-TREF", "IMPLEMENTATION-DATA-TYPE", type_path);
        }
    }
    return {std::string(shared_folder) + "/PortInterfaces.arxml", document.text()};
}

void ArxmlProject::write_variant(ArxmlDocument& document, const TypeVariant& type) const {
    std::string package = type.path.substr(0, type.path.rfind('/'));
    pugi::xml_node made = add_identifiable(document.elements(package), "IMPLEMENTATION-DATA-TYPE", type.path);
    if (type.read.kind == ValuesText::Kind::structure) {
        add_text(made, "CATEGORY", "STRUCTURE");
        pugi::xml_node members = made.append_child("SUB-ELEMENTS");
        for (const StructureMember& member : type.read.members) {
            pugi::xml_node element =
                add_identifiable(members, "IMPLEMENTATION-DATA-TYPE-ELEMENT", type.path + "/" + member.name);
            add_text(element, "CATEGORY", "TYPE_REFERENCE");
            add_reference(add_data_def_props(element), "IMPLEMENTATION-DATA-TYPE-REF", "IMPLEMENTATION-DATA-TYPE",
                          variants_[first_variant_.at(member.type)].path);
        }
        return;
    }
    add_text(made, "CATEGORY", "VALUE");
    if (type.base_type.empty() && type.compu_method.empty()) return;
    pugi::xml_node props = add_data_def_props(made);
    if (!type.base_type.empty()) add_reference(props, "BASE-TYPE-REF", "SW-BASE-TYPE", type.base_type);
    if (!type.compu_method.empty()) add_reference(props, "COMPU-METHOD-REF", "COMPU-METHOD", type.compu_method);
}

void ArxmlProject::write_array(ArxmlDocument& document, const ArrayType& array) const {
    pugi::xml_node made = add_identifiable(document.elements(project_types), "IMPLEMENTATION-DATA-TYPE", array.path);
    add_text(made, "CATEGORY", "ARRAY");
    pugi::xml_node parent = made;
    std::string parent_path = array.path;
    for (std::size_t level = 0; level < array.sizes.size(); ++level) {
        bool innermost = level + 1 == array.sizes.size();
        parent_path += "/Element";
        pugi::xml_node element = add_identifiable(parent.append_child("SUB-ELEMENTS"),
                                                  "IMPLEMENTATION-DATA-TYPE-ELEMENT", parent_path);
        add_text(element, "CATEGORY", innermost ? "TYPE_REFERENCE" : "ARRAY");
        add_text(element, "ARRAY-SIZE", array.sizes[level]);
        add_text(element, "ARRAY-SIZE-SEMANTICS", "FIXED-SIZE");
        if (innermost) {
            add_reference(add_data_def_props(element), "IMPLEMENTATION-DATA-TYPE-REF", "IMPLEMENTATION-DATA-TYPE",
                          variants_[array.element].path);
        }
        parent = element;
    }
}

GeneratedFile ArxmlProject::data_types_file() const {
    ArxmlDocument document;
    for (std::size_t i = 0; i < platform_count; ++i) {
        if (!base_types_used_[i]) continue;
        pugi::xml_node made = add_identifiable(document.elements(platform_base_types), "SW-BASE-TYPE",
                                               platform_base_types + "/" + platform[i].name);
        add_text(made, "CATEGORY", "FIXED_LENGTH");
        add_text(made, "BASE-TYPE-SIZE", platform[i].size);
        add_text(made, "BASE-TYPE-ENCODING", platform[i].encoding);
        add_text(made, "NATIVE-DECLARATION", platform[i].native);
    }
    for (const TypeVariant& type : variants_) {
        if (type.path.compare(0, platform_types.size() + 1, platform_types + "/") == 0) write_variant(document, type);
    }
    for (const TypeVariant& type : variants_) {
        if (type.path.compare(0, platform_types.size() + 1, platform_types + "/") != 0) write_variant(document, type);
    }
    for (const ArrayType& array : arrays_) write_array(document, array);
    for (const TypeVariant& type : variants_) {
        if (type.compu_method.empty()) continue;
        pugi::xml_node made = add_identifiable(document.elements(compu_methods), "COMPU-METHOD", type.compu_method);
        add_text(made, "CATEGORY", "TEXTTABLE");
        pugi::xml_node scales = made.append_child("COMPU-INTERNAL-TO-PHYS").append_child("COMPU-SCALES");
        for (std::size_t i = 0; i < type.read.literals.size(); ++i) {
            pugi::xml_node scale = scales.append_child("COMPU-SCALE");
            for (const char* limit : {"LOWER-LIMIT", "UPPER-LIMIT"}) {
                add_text(scale, limit, std::to_string(i)).append_attribute("INTERVAL-TYPE") = "CLOSED";
            }
            add_text(scale.append_child("COMPU-CONST"), "VT", type.read.literals[i]);
        }
    }
    for (const auto& [path, details] : linear_list_) {
        pugi::xml_node made = add_identifiable(document.elements(compu_methods), "COMPU-METHOD", path);
        add_text(made, "CATEGORY", "LINEAR");
        pugi::xml_node coefficients = made.append_child("COMPU-INTERNAL-TO-PHYS")
                                          .append_child("COMPU-SCALES")
                                          .append_child("COMPU-SCALE")
                                          .append_child("COMPU-RATIONAL-COEFFS");
        pugi::xml_node numerator = coefficients.append_child("COMPU-NUMERATOR");
        add_text(numerator, "V", details.offset.empty() ? std::string("0") : details.offset);
        if (!details.factor.empty()) add_text(numerator, "V", details.factor);
        add_text(coefficients.append_child("COMPU-DENOMINATOR"), "V", "1");
    }
    for (const auto& [path, details] : constraint_list_) {
        pugi::xml_node made = add_identifiable(document.elements(data_constraints), "DATA-CONSTR", path);
        bool physical = !details.factor.empty() || !details.offset.empty();
        pugi::xml_node limits = made.append_child("DATA-CONSTR-RULES")
                                    .append_child("DATA-CONSTR-RULE")
                                    .append_child(physical ? "PHYS-CONSTRS" : "INTERNAL-CONSTRS");
        if (!details.lower.empty()) add_text(limits, "LOWER-LIMIT", details.lower).append_attribute("INTERVAL-TYPE") = "CLOSED";
        if (!details.upper.empty()) add_text(limits, "UPPER-LIMIT", details.upper).append_attribute("INTERVAL-TYPE") = "CLOSED";
    }
    for (const auto& [path, shown] : unit_list_) {
        pugi::xml_node made = add_identifiable(document.elements(units_package), "UNIT", path);
        add_text(made, "DISPLAY-NAME", shown);
    }
    for (const ConstantEntry& constant : constants_) {
        pugi::xml_node made = add_identifiable(document.elements(constants_package), "CONSTANT-SPECIFICATION", constant.path);
        std::size_t dimensions = constant.type && constant.type->is_array ? arrays_[constant.type->index].sizes.size() : 0;
        write_value(made.append_child("VALUE-SPEC"), constant.value, dimensions, element_variant(constant.type));
    }
    return {std::string(shared_folder) + "/DataTypes.arxml", document.text()};
}

std::vector<GeneratedFile> ArxmlProject::files() {
    std::vector<GeneratedFile> files;
    if (components_.empty()) return files;
    collect_types();
    place_types();
    link_ports();
    // The documents only read what is worked out above: the interfaces, the largest, are written on
    // a thread of their own beside the others.
    std::future<GeneratedFile> interfaces = std::async(std::launch::async, [this] { return interfaces_file(); });
    std::size_t first_port = 0;
    for (const ComponentDesign& component : components_) {
        files.push_back(component_file(component, first_port));
        first_port += component.inputs.size() + component.outputs.size();
    }
    GeneratedFile data_types = data_types_file();
    files.push_back(interfaces.get());
    files.push_back(std::move(data_types));
    return files;
}

}  // namespace

std::vector<GeneratedFile> arxml_files(const std::vector<ComponentDesign>& components) {
    return ArxmlProject(components).files();
}

}  // namespace velvane
