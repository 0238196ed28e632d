#include "tessaly/project_index.hpp"

#include "common/guard.hpp"
#include "tessaly/model_reading.hpp"

namespace velvane::tessaly {

namespace {

// Sub-elements nested deeper than this (arrays of structures of arrays ...) are not kept.
constexpr int max_element_depth = 16;

struct ReferenceBase {
    std::string label;
    bool is_default = false;
    ArPath package;
};

struct PackageFrame {
    ArPath path;
    int parent;  // index of the enclosing package's frame, -1 at the top
    std::vector<ReferenceBase> bases;
};

bool is_true(const std::string& text) { return text == "true" || text == "1"; }

// The text of a value that may be an element (its valueOf_) or a str (an XML attribute).
std::string text_or_attribute(py::handle value) {
    return PyUnicode_Check(value.ptr()) ? utf8_or_empty(value) : stripped_text(value);
}

class DocumentIndexer {
public:
    DocumentIndexer(ProjectIndex& index, const std::string& entry) : index_(index), entry_(entry) {}

    void run(py::handle root);

private:
    void visit_package(py::handle package, int parent);
    std::vector<ReferenceBase> reference_bases(py::handle package, const ArPath& path) const;
    ArPath resolve(py::handle reference, int frame) const;
    DataDefProps props_of(py::handle element, int frame) const;
    TypeNode type_node(py::handle element, int frame, int depth) const;

    void add_interface(py::handle element, const ArPath& path, int frame);
    void add_implementation_type(py::handle element, const ArPath& path, int frame);
    void add_application_type(py::handle element, const ArPath& path, int frame);
    void add_mapping_set(py::handle element, const ArPath& path, int frame);
    void add_compu_method(py::handle element, const ArPath& path);
    void add_component(py::handle element, int frame);
    PortEntry port_entry(py::handle port, bool provided, int frame) const;

    ProjectIndex& index_;
    const std::string& entry_;
    std::vector<PackageFrame> frames_;
};

void DocumentIndexer::run(py::handle root) {
    py::list packages = children_of(child_of(root, "AR_PACKAGES"), "AR_PACKAGE");
    // Depth first in document order, without recursion: nesting depth is the file's choice.
    std::vector<std::pair<py::object, int>> pending;
    for (Py_ssize_t i = static_cast<Py_ssize_t>(packages.size()) - 1; i >= 0; --i) {
        pending.emplace_back(packages[i], -1);
    }
    while (!pending.empty()) {
        auto [package, parent] = std::move(pending.back());
        pending.pop_back();
        std::string name = child_text(package, "SHORT_NAME");
        if (name.empty()) continue;  // no path can name anything inside it
        ArPath path = (parent < 0 ? std::string() : frames_[parent].path) + "/" + name;
        std::vector<ReferenceBase> bases = reference_bases(package, path);
        frames_.push_back({path, parent, std::move(bases)});
        int frame = static_cast<int>(frames_.size()) - 1;
        visit_package(package, frame);
        py::list subpackages = children_of(child_of(package, "AR_PACKAGES"), "AR_PACKAGE");
        for (Py_ssize_t i = static_cast<Py_ssize_t>(subpackages.size()) - 1; i >= 0; --i) {
            pending.emplace_back(subpackages[i], frame);
        }
    }
}

std::vector<ReferenceBase> DocumentIndexer::reference_bases(py::handle package, const ArPath& path) const {
    std::vector<ReferenceBase> bases;
    for (py::handle base : children_of(child_of(package, "REFERENCE_BASES"), "REFERENCE_BASE")) {
        ReferenceBase made;
        made.label = child_text(base, "SHORT_LABEL");
        made.is_default = is_true(child_text(base, "IS_DEFAULT"));
        made.package = is_true(child_text(base, "BASE_IS_THIS_PACKAGE")) ? path : child_text(base, "PACKAGE_REF");
        if (!made.package.empty()) bases.push_back(std::move(made));
    }
    return bases;
}

// An absolute text stands as it is. A relative one is put behind the package of the reference base
// it names in its BASE attribute, or of the default base when it names none; the nearest enclosing
// package that has such a base decides.
ArPath DocumentIndexer::resolve(py::handle reference, int frame) const {
    std::string text = stripped_text(reference);
    if (text.empty() || text.front() == '/') return text;
    std::string label = text_or_attribute(child_of(reference, "BASE"));
    for (int f = frame; f >= 0; f = frames_[f].parent) {
        for (const ReferenceBase& base : frames_[f].bases) {
            bool chosen = label.empty() ? base.is_default : base.label == label;
            if (chosen) return base.package + "/" + text;
        }
    }
    return text;
}

DataDefProps DocumentIndexer::props_of(py::handle element, int frame) const {
    DataDefProps props;
    py::object conditional = first_conditional_props(element);
    if (conditional.is_none()) return props;
    props.base_type = resolve(child_of(conditional, "BASE_TYPE_REF"), frame);
    props.implementation_type = resolve(child_of(conditional, "IMPLEMENTATION_DATA_TYPE_REF"), frame);
    props.compu_method = resolve(child_of(conditional, "COMPU_METHOD_REF"), frame);
    return props;
}

TypeNode DocumentIndexer::type_node(py::handle element, int frame, int depth) const {
    TypeNode node;
    node.name = child_text(element, "SHORT_NAME");
    node.category = child_text(element, "CATEGORY");
    node.array_size = child_text(element, "ARRAY_SIZE");
    node.props = props_of(element, frame);
    if (depth < max_element_depth) {
        py::list members = children_of(child_of(element, "SUB_ELEMENTS"), "IMPLEMENTATION_DATA_TYPE_ELEMENT");
        for (py::handle member : members) node.elements.push_back(type_node(member, frame, depth + 1));
    }
    return node;
}

void DocumentIndexer::add_interface(py::handle element, const ArPath& path, int frame) {
    std::vector<DataElement> elements;
    for (py::handle prototype : children_of(child_of(element, "DATA_ELEMENTS"), "VARIABLE_DATA_PROTOTYPE")) {
        elements.push_back({child_text(prototype, "SHORT_NAME"), resolve(child_of(prototype, "TYPE_TREF"), frame)});
    }
    index_.interfaces.emplace(path, std::move(elements));
}

void DocumentIndexer::add_implementation_type(py::handle element, const ArPath& path, int frame) {
    index_.implementation_types.emplace(path, type_node(element, frame, 0));
}

void DocumentIndexer::add_application_type(py::handle element, const ArPath& path, int frame) {
    ApplicationType type;
    type.name = child_text(element, "SHORT_NAME");
    type.category = child_text(element, "CATEGORY");
    type.compu_method = props_of(element, frame).compu_method;
    index_.application_types.emplace(path, std::move(type));
}

void DocumentIndexer::add_mapping_set(py::handle element, const ArPath& path, int frame) {
    TypeMappings mappings;
    for (py::handle map : children_of(child_of(element, "DATA_TYPE_MAPS"), "DATA_TYPE_MAP")) {
        ArPath application = resolve(child_of(map, "APPLICATION_DATA_TYPE_REF"), frame);
        ArPath implementation = resolve(child_of(map, "IMPLEMENTATION_DATA_TYPE_REF"), frame);
        if (application.empty() || implementation.empty()) continue;
        index_.project_mappings.emplace(application, implementation);
        mappings.emplace_back(std::move(application), std::move(implementation));
    }
    index_.mapping_sets.emplace(path, std::move(mappings));
}

void DocumentIndexer::add_compu_method(py::handle element, const ArPath& path) {
    CompuMethod method;
    method.name = child_text(element, "SHORT_NAME");
    method.category = child_text(element, "CATEGORY");
    if (method.category == "TEXTTABLE") {
        py::list scales = children_of(child_of(child_of(element, "COMPU_INTERNAL_TO_PHYS"), "COMPU_SCALES"),
                                      "COMPU_SCALE");
        for (py::handle scale : scales) {
            py::object literal = child_of(child_of(scale, "COMPU_CONST"), "VT");
            if (!literal.is_none()) method.literals.push_back(raw_text(literal));
        }
    }
    index_.compu_methods.emplace(path, std::move(method));
}

PortEntry DocumentIndexer::port_entry(py::handle port, bool provided, int frame) const {
    PortEntry entry;
    entry.name = child_text(port, "SHORT_NAME");
    entry.provided = provided;
    entry.interface = resolve(child_of(port, provided ? "PROVIDED_INTERFACE_TREF" : "REQUIRED_INTERFACE_TREF"), frame);
    py::object specs = child_of(port, provided ? "PROVIDED_COM_SPECS" : "REQUIRED_COM_SPECS");
    const char* const kinds[2] = {provided ? "NONQUEUED_SENDER_COM_SPEC" : "NONQUEUED_RECEIVER_COM_SPEC",
                                  provided ? "QUEUED_SENDER_COM_SPEC" : "QUEUED_RECEIVER_COM_SPEC"};
    for (const char* kind : kinds) {
        for (py::handle spec : children_of(specs, kind)) {
            entry.data_element = resolve(child_of(spec, "DATA_ELEMENT_REF"), frame);
            if (!entry.data_element.empty()) return entry;
        }
    }
    return entry;
}

void DocumentIndexer::add_component(py::handle element, int frame) {
    ComponentEntry component;
    component.name = child_text(element, "SHORT_NAME");
    for (py::handle behaviour : children_of(child_of(element, "INTERNAL_BEHAVIORS"), "SWC_INTERNAL_BEHAVIOR")) {
        for (py::handle ref : children_of(child_of(behaviour, "DATA_TYPE_MAPPING_REFS"), "DATA_TYPE_MAPPING_REF")) {
            ArPath path = resolve(ref, frame);
            if (!path.empty()) component.mapping_sets.push_back(std::move(path));
        }
    }
    py::object ports = child_of(element, "PORTS");
    for (py::handle port : children_of(ports, "R_PORT_PROTOTYPE")) {
        component.ports.push_back(port_entry(port, false, frame));
    }
    for (py::handle port : children_of(ports, "P_PORT_PROTOTYPE")) {
        component.ports.push_back(port_entry(port, true, frame));
    }
    index_.components[entry_].push_back(std::move(component));
}

// Each element is indexed under a guard of its own: one that cannot be read loses only itself.
void DocumentIndexer::visit_package(py::handle package, int frame) {
    py::object elements = child_of(package, "ELEMENTS");
    if (elements.is_none()) return;
    const ArPath& package_path = frames_[frame].path;
    auto each_named = [&](const char* kind, auto&& add) {
        for (py::handle element : children_of(elements, kind)) {
            velvane::guarded([&] {
                std::string name = child_text(element, "SHORT_NAME");
                if (!name.empty()) add(element, package_path + "/" + name);
            });
        }
    };
    each_named("SENDER_RECEIVER_INTERFACE",
               [&](py::handle e, const ArPath& path) { add_interface(e, path, frame); });
    each_named("IMPLEMENTATION_DATA_TYPE",
               [&](py::handle e, const ArPath& path) { add_implementation_type(e, path, frame); });
    for (const char* kind : {"APPLICATION_PRIMITIVE_DATA_TYPE", "APPLICATION_ARRAY_DATA_TYPE",
                             "APPLICATION_RECORD_DATA_TYPE"}) {
        each_named(kind, [&](py::handle e, const ArPath& path) { add_application_type(e, path, frame); });
    }
    each_named("DATA_TYPE_MAPPING_SET",
               [&](py::handle e, const ArPath& path) { add_mapping_set(e, path, frame); });
    each_named("COMPU_METHOD", [&](py::handle e, const ArPath& path) { add_compu_method(e, path); });
    for (py::handle element : children_of(elements, "APPLICATION_SW_COMPONENT_TYPE")) {
        velvane::guarded([&] { add_component(element, frame); });
    }
}

bool ends_with_arxml(const std::string& name) {
    static const std::string suffix = ".arxml";
    return name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

std::string entry_key(py::handle entry) {
    PyObject* bytes = PyUnicode_AsEncodedString(entry.ptr(), "utf-8", "surrogatepass");
    if (bytes == nullptr) throw py::error_already_set();
    py::bytes owned = py::reinterpret_steal<py::bytes>(bytes);
    return std::string(owned);
}

void index_document(ProjectIndex& index, const std::string& entry, py::handle root) {
    DocumentIndexer(index, entry).run(root);
}

ProjectIndex build_project_index(py::handle directory) {
    return build_project_index(directory, py::module_::import("os").attr("listdir")(directory));
}

ProjectIndex build_project_index(py::handle directory, py::handle entries) {
    py::object join = py::module_::import("os").attr("path").attr("join");
    py::object parse = py::module_::import("Omdra.Corvenna.AUTOSAR_00048").attr("parse");
    ProjectIndex index;
    for (py::handle entry : entries) {
        if (!PyUnicode_Check(entry.ptr())) continue;
        std::string key = entry_key(entry);
        if (!ends_with_arxml(key)) continue;
        py::object root;
        try {
            root = parse(join(directory, entry));
        } catch (py::error_already_set& failure) {
            // Interrupts and exits go on; what the file does wrong is the loader's to report.
            if (!failure.matches(PyExc_Exception)) throw;
            index.skipped.push_back(key);
            continue;
        }
        index.files.push_back(key);
        // What was indexed before a read failed stays; the loader reports the file itself.
        velvane::guarded([&] { index_document(index, key, root); });
    }
    return index;
}

}  // namespace velvane::tessaly
