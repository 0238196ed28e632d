#include "core/model/project_index.hpp"

#include "core/model/index_growth.hpp"
#include "core/arxml/node_reading.hpp"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <utility>

namespace velvane {

namespace {

// Sub-elements nested deeper than this (arrays of structures of arrays ...) are not kept.
constexpr int max_element_depth = 16;

// The AUTOSAR paths the index of one file may hold, in bytes: this many times the file's text, and
// this much more. A path is its packages' names and its own, so a file whose elements sit in deep or
// long-named packages, or whose relative references go through a long reference base, holds far more
// bytes of paths than of text: real files hold well under their own size, a hostile one could hold
// its size squared. Elements, packages and references each count the paths the index keeps of them.
constexpr std::size_t path_bytes_per_text_byte = 4;
constexpr std::size_t path_bytes_beyond = 1 << 20;

// Packages nested deeper than this are refused: real files nest a few, and the index follows the
// nesting of every package. (An AR-PACKAGE and its AR-PACKAGES are two levels of elements: this is
// elements nested a thousand deep.)
constexpr int max_package_depth = 500;

struct ReferenceBase {
    std::string label;
    bool is_default = false;
    ArPath package;
};

struct PackageFrame {
    ArPath path;
    int parent;  // index of the enclosing package's frame, -1 at the top
    int depth;   // 1 for a top-level package
    std::vector<ReferenceBase> bases;
};

bool is_true(const std::string& text) { return text == "true" || text == "1"; }

std::shared_ptr<const std::string> member_text(const TypeNode& structure);
std::shared_ptr<const std::string> literal_text(pugi::xml_node method);

class DocumentIndexer {
public:
    DocumentIndexer(ProjectIndex& index, std::uint32_t file, const std::string& entry, std::size_t text_size)
        : index_(index),
          file_(file),
          entry_(entry),
          path_bytes_left_(path_bytes_per_text_byte * text_size + path_bytes_beyond) {}

    void run(pugi::xml_node root);

private:
    void visit_package(pugi::xml_node package, int parent);
    std::vector<ReferenceBase> reference_bases(pugi::xml_node package, const ArPath& path) const;
    ArPath resolve(pugi::xml_node reference, int frame) const;
    DataDefProps props_of(pugi::xml_node element, int frame) const;
    TypeNode type_node(pugi::xml_node element, int frame, int depth) const;

    void add_interface(pugi::xml_node element, const ArPath& path, int frame);
    void add_implementation_type(pugi::xml_node element, const ArPath& path, int frame);
    void add_application_type(pugi::xml_node element, const ArPath& path, int frame);
    void add_mapping_set(pugi::xml_node element, const ArPath& path, int frame);
    void add_compu_method(pugi::xml_node element, const ArPath& path);
    void add_component(pugi::xml_node element, int frame);
    void add_component_type(pugi::xml_node element, int frame);
    PortEntry port_entry(pugi::xml_node port, bool provided, int frame) const;

    Origin origin_of(pugi::xml_node element) const { return origin_at(file_, element); }

    // Counts `copies` copies of `path`, made for `where`, against what the file may hold.
    void charge(const ArPath& path, pugi::xml_node where, std::size_t copies = 1) const;

    ProjectIndex& index_;
    std::uint32_t file_;
    const std::string& entry_;
    mutable std::size_t path_bytes_left_;
    std::vector<PackageFrame> frames_;
};

void DocumentIndexer::charge(const ArPath& path, pugi::xml_node where, std::size_t copies) const {
    std::size_t bytes = (path.size() + 1) * copies;
    if (bytes <= path_bytes_left_) {
        path_bytes_left_ -= bytes;
        return;
    }
    std::ptrdiff_t at = where.offset_debug();
    throw IndexRefusal("the AUTOSAR paths of this file's packages, elements and references add up to more than " +
                           std::to_string(path_bytes_per_text_byte) +
                           " times its size, beyond what Velvane indexes (packages nested too deep or "
                           "names too long; this path has " + std::to_string(path.size()) + " characters)",
                       at > 0 ? static_cast<std::size_t>(at - 1) : 0);
}

void DocumentIndexer::run(pugi::xml_node root) {
    // Depth first in document order, without recursion: nesting depth is the file's choice.
    std::vector<std::pair<pugi::xml_node, int>> pending;
    auto push_packages = [&](pugi::xml_node packages, int parent) {
        std::size_t first = pending.size();
        for_each_child(packages, "AR-PACKAGE", [&](pugi::xml_node package) { pending.emplace_back(package, parent); });
        std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(first), pending.end());
    };
    push_packages(child_of(root, "AR-PACKAGES"), -1);
    while (!pending.empty()) {
        auto [package, parent] = pending.back();
        pending.pop_back();
        std::string name = child_text(package, "SHORT-NAME");
        if (name.empty()) continue;  // no path can name anything inside it
        int depth = parent < 0 ? 1 : frames_[parent].depth + 1;
        if (depth > max_package_depth) {
            std::ptrdiff_t at = package.offset_debug();
            throw IndexRefusal("packages nested more than " + std::to_string(max_package_depth) +
                                   " deep, beyond what Velvane indexes (real files nest a few)",
                               at > 0 ? static_cast<std::size_t>(at - 1) : 0);
        }
        ArPath path = (parent < 0 ? std::string() : frames_[parent].path) + "/" + name;
        charge(path, package);
        std::vector<ReferenceBase> bases = reference_bases(package, path);
        frames_.push_back({path, parent, depth, std::move(bases)});
        int frame = static_cast<int>(frames_.size()) - 1;
        visit_package(package, frame);
        push_packages(child_of(package, "AR-PACKAGES"), frame);
    }
}

std::vector<ReferenceBase> DocumentIndexer::reference_bases(pugi::xml_node package, const ArPath& path) const {
    std::vector<ReferenceBase> bases;
    for_each_child(child_of(package, "REFERENCE-BASES"), "REFERENCE-BASE", [&](pugi::xml_node base) {
        ReferenceBase made;
        made.label = child_text(base, "SHORT-LABEL");
        made.is_default = is_true(child_text(base, "IS-DEFAULT"));
        made.package = is_true(child_text(base, "BASE-IS-THIS-PACKAGE")) ? path : child_text(base, "PACKAGE-REF");
        if (made.package.empty()) return;
        charge(made.package, base);
        bases.push_back(std::move(made));
    });
    return bases;
}

// An absolute text stands as it is. A relative one is put behind the package of the reference base
// it names in its BASE attribute, or of the default base when it names none; the nearest enclosing
// package that has such a base decides.
ArPath DocumentIndexer::resolve(pugi::xml_node reference, int frame) const {
    std::string text = stripped_text(reference);
    if (text.empty()) return text;
    if (text.front() != '/') {
        std::string label = reference.attribute("BASE").value();
        const ReferenceBase* chosen = nullptr;
        for (int f = frame; f >= 0 && chosen == nullptr; f = frames_[f].parent) {
            for (const ReferenceBase& base : frames_[f].bases) {
                if (label.empty() ? base.is_default : base.label == label) {
                    chosen = &base;
                    break;
                }
            }
        }
        if (chosen != nullptr) text = chosen->package + "/" + text;
    }
    charge(text, reference);
    return text;
}

DataDefProps DocumentIndexer::props_of(pugi::xml_node element, int frame) const {
    DataDefProps props;
    pugi::xml_node conditional = first_conditional_props(element);
    if (!conditional) return props;
    props.base_type = resolve(child_of(conditional, "BASE-TYPE-REF"), frame);
    props.implementation_type = resolve(child_of(conditional, "IMPLEMENTATION-DATA-TYPE-REF"), frame);
    props.compu_method = resolve(child_of(conditional, "COMPU-METHOD-REF"), frame);
    return props;
}

// See TypeNode::member_text.
std::shared_ptr<const std::string> member_text(const TypeNode& structure) {
    std::string types, names;
    bool first = true;
    for (const TypeNode& member : structure.elements) {
        if (!first) {
            types += ';';
            names += ';';
        }
        first = false;
        const ArPath& reference = member.props.implementation_type.empty() ? member.props.base_type
                                                                           : member.props.implementation_type;
        types += last_segment(reference);
        names += member.name;
    }
    return std::make_shared<const std::string>(types + ";&" + names + ";");
}

// See CompuMethod::literal_text.
std::shared_ptr<const std::string> literal_text(pugi::xml_node method) {
    std::string joined;
    pugi::xml_node scales = child_of(child_of(method, "COMPU-INTERNAL-TO-PHYS"), "COMPU-SCALES");
    for_each_child(scales, "COMPU-SCALE", [&](pugi::xml_node scale) {
        pugi::xml_node literal = child_of(child_of(scale, "COMPU-CONST"), "VT");
        if (!literal) return;
        if (!joined.empty()) joined += ';';
        joined += raw_text(literal);
    });
    return std::make_shared<const std::string>(std::move(joined));
}

TypeNode DocumentIndexer::type_node(pugi::xml_node element, int frame, int depth) const {
    TypeNode node;
    node.name = child_text(element, "SHORT-NAME");
    node.category = child_text(element, "CATEGORY");
    node.array_size = child_text(element, "ARRAY-SIZE");
    node.props = props_of(element, frame);
    if (depth < max_element_depth) {
        for_each_child(child_of(element, "SUB-ELEMENTS"), "IMPLEMENTATION-DATA-TYPE-ELEMENT",
                       [&](pugi::xml_node member) { node.elements.push_back(type_node(member, frame, depth + 1)); });
    }
    if (node.category == "STRUCTURE") node.member_text = member_text(node);
    return node;
}

void DocumentIndexer::add_interface(pugi::xml_node element, const ArPath& path, int frame) {
    InterfaceElements interface;
    for_each_child(child_of(element, "DATA-ELEMENTS"), "VARIABLE-DATA-PROTOTYPE", [&](pugi::xml_node prototype) {
        interface.elements.push_back(
            {child_text(prototype, "SHORT-NAME"), resolve(child_of(prototype, "TYPE-TREF"), frame)});
    });
    auto [entry, added] = index_.interfaces.emplace(path, std::move(interface));
    if (added) entry->second.by_name.index(entry->second.elements);
}

void DocumentIndexer::add_implementation_type(pugi::xml_node element, const ArPath& path, int frame) {
    index_.implementation_types.emplace(path, type_node(element, frame, 0));
}

void DocumentIndexer::add_application_type(pugi::xml_node element, const ArPath& path, int frame) {
    ApplicationType type;
    type.name = child_text(element, "SHORT-NAME");
    type.category = child_text(element, "CATEGORY");
    type.compu_method = props_of(element, frame).compu_method;
    index_.application_types.emplace(path, std::move(type));
}

void DocumentIndexer::add_mapping_set(pugi::xml_node element, const ArPath& path, int frame) {
    TypeMappings mappings;
    for_each_child(child_of(element, "DATA-TYPE-MAPS"), "DATA-TYPE-MAP", [&](pugi::xml_node map) {
        ArPath application = resolve(child_of(map, "APPLICATION-DATA-TYPE-REF"), frame);
        ArPath implementation = resolve(child_of(map, "IMPLEMENTATION-DATA-TYPE-REF"), frame);
        if (application.empty() || implementation.empty()) return;
        index_.project_mappings.emplace(application, implementation);
        mappings.maps.push_back({std::move(application), std::move(implementation)});
    });
    auto [entry, added] = index_.mapping_sets.emplace(path, std::move(mappings));
    if (added) entry->second.by_application.index(entry->second.maps);
}

void DocumentIndexer::add_compu_method(pugi::xml_node element, const ArPath& path) {
    CompuMethod method;
    method.name = child_text(element, "SHORT-NAME");
    method.category = child_text(element, "CATEGORY");
    if (method.category == "TEXTTABLE") method.literal_text = literal_text(element);
    index_.compu_methods.emplace(path, std::move(method));
}

PortEntry DocumentIndexer::port_entry(pugi::xml_node port, bool provided, int frame) const {
    PortEntry entry;
    entry.name = child_text(port, "SHORT-NAME");
    entry.origin = origin_of(port);
    entry.provided = provided;
    entry.interface = resolve(child_of(port, provided ? "PROVIDED-INTERFACE-TREF" : "REQUIRED-INTERFACE-TREF"), frame);
    pugi::xml_node specs = child_of(port, provided ? "PROVIDED-COM-SPECS" : "REQUIRED-COM-SPECS");
    const char* const kinds[2] = {provided ? "NONQUEUED-SENDER-COM-SPEC" : "NONQUEUED-RECEIVER-COM-SPEC",
                                  provided ? "QUEUED-SENDER-COM-SPEC" : "QUEUED-RECEIVER-COM-SPEC"};
    for (const char* kind : kinds) {
        for (pugi::xml_node spec = child_of(specs, kind); spec; spec = spec.next_sibling(kind)) {
            entry.data_element = resolve(child_of(spec, "DATA-ELEMENT-REF"), frame);
            if (!entry.data_element.empty()) return entry;
        }
    }
    return entry;
}

void DocumentIndexer::add_component(pugi::xml_node element, int frame) {
    ComponentEntry component;
    component.name = child_text(element, "SHORT-NAME");
    component.origin = origin_of(element);
    for_each_child(child_of(element, "INTERNAL-BEHAVIORS"), "SWC-INTERNAL-BEHAVIOR", [&](pugi::xml_node behaviour) {
        for_each_child(child_of(behaviour, "DATA-TYPE-MAPPING-REFS"), "DATA-TYPE-MAPPING-REF", [&](pugi::xml_node ref) {
            ArPath path = resolve(ref, frame);
            if (!path.empty()) component.mapping_sets.push_back(std::move(path));
        });
    });
    pugi::xml_node ports = child_of(element, "PORTS");
    for_each_child(ports, "R-PORT-PROTOTYPE",
                   [&](pugi::xml_node port) { component.ports.push_back(port_entry(port, false, frame)); });
    for_each_child(ports, "P-PORT-PROTOTYPE",
                   [&](pugi::xml_node port) { component.ports.push_back(port_entry(port, true, frame)); });
    index_.components[entry_].push_back(std::move(component));
}

// Any kind of component type, for the connections of compositions (composition_index.cpp).
void DocumentIndexer::add_component_type(pugi::xml_node element, int frame) {
    std::string name = child_text(element, "SHORT-NAME");
    if (name.empty()) return;
    ArPath path = frames_[frame].path + "/" + name;
    charge(path, element, 2);  // the type's key, and a composition's own path
    index_component_type(index_.wiring, origin_of(element), element, path,
                         [&](pugi::xml_node reference) { return resolve(reference, frame); });
}

// The package's elements, each by the kind its tag names; kinds not indexed are passed over.
void DocumentIndexer::visit_package(pugi::xml_node package, int frame) {
    const ArPath& package_path = frames_[frame].path;
    for (pugi::xml_node element = child_of(package, "ELEMENTS").first_child(); element;
         element = element.next_sibling()) {
        if (element.type() != pugi::node_element) continue;
        if (index_.details.wanted) {
            index_details(index_.details, entry_, element, package_path,
                          [&](pugi::xml_node reference) { return resolve(reference, frame); });
        }
        const char* kind = element.name();
        if (index_.wiring.wanted && is_component_type_tag(kind)) add_component_type(element, frame);
        if (std::strcmp(kind, "APPLICATION-SW-COMPONENT-TYPE") == 0) {
            add_component(element, frame);
            continue;
        }
        std::string name = child_text(element, "SHORT-NAME");
        if (name.empty()) continue;
        ArPath path = package_path + "/" + name;
        charge(path, element, index_.details.wanted ? 2 : 1);  // its key here and in the details
        if (std::strcmp(kind, "SENDER-RECEIVER-INTERFACE") == 0) {
            add_interface(element, path, frame);
        } else if (std::strcmp(kind, "IMPLEMENTATION-DATA-TYPE") == 0) {
            add_implementation_type(element, path, frame);
        } else if (std::strcmp(kind, "APPLICATION-PRIMITIVE-DATA-TYPE") == 0 ||
                   std::strcmp(kind, "APPLICATION-ARRAY-DATA-TYPE") == 0 ||
                   std::strcmp(kind, "APPLICATION-RECORD-DATA-TYPE") == 0) {
            add_application_type(element, path, frame);
        } else if (std::strcmp(kind, "DATA-TYPE-MAPPING-SET") == 0) {
            add_mapping_set(element, path, frame);
        } else if (std::strcmp(kind, "COMPU-METHOD") == 0) {
            add_compu_method(element, path);
        } else {
            index_other_interface(index_.other_interfaces, element, kind, path,
                                  [&](pugi::xml_node reference) { return resolve(reference, frame); });
        }
    }
}

}  // namespace

void index_document(ProjectIndex& index, std::uint32_t file, const std::string& entry, pugi::xml_node root,
                    std::size_t text_size) {
    DocumentIndexer(index, file, entry, text_size).run(root);
}

ProjectIndex build_project_index(const std::vector<IndexSource>& sources, bool with_details) {
    IndexWants wants;
    wants.details = with_details;
    std::shared_ptr<ProjectIndex> index = start_project_index(sources, wants);
    complete_index(*index);
    index->growth.reset();  // stops the threads: the index can move now
    return std::move(*index);
}

}  // namespace velvane
