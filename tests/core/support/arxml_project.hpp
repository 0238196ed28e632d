// Small ARXML documents written in the tests, and a project index built from them in memory the way a
// run builds it: each file parsed, indexed on its own and merged after the files before it.
#pragma once

#include <doctest/doctest.h>

#include "core/model/index_merge.hpp"
#include "core/model/project_index.hpp"
#include "support/parse.hpp"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace velvane::test {

inline std::string tag(const std::string& name, const std::string& body) {
    return "<" + name + ">" + body + "</" + name + ">";
}

// An element with its SHORT-NAME first.
inline std::string named(const std::string& kind, const std::string& name, const std::string& body = "") {
    return tag(kind, tag("SHORT-NAME", name) + body);
}

// A reference; `base` is its BASE attribute.
inline std::string ref(const std::string& name, const std::string& path, const std::string& base = "") {
    return "<" + name + (base.empty() ? "" : " BASE=\"" + base + "\"") + ">" + path + "</" + name + ">";
}

inline std::string props(const std::string& body) {
    return tag("SW-DATA-DEF-PROPS", tag("SW-DATA-DEF-PROPS-VARIANTS", tag("SW-DATA-DEF-PROPS-CONDITIONAL", body)));
}

inline std::string package(const std::string& name, const std::string& elements, const std::string& sub = "",
                           const std::string& head = "") {
    return named("AR-PACKAGE", name,
                 head + tag("ELEMENTS", elements) + (sub.empty() ? "" : tag("AR-PACKAGES", sub)));
}

inline std::string document(const std::string& packages) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<AUTOSAR>" + tag("AR-PACKAGES", packages) + "</AUTOSAR>";
}

// -- data types --

inline std::string implementation_type(const std::string& name, const std::string& category,
                                       const std::string& body) {
    return named("IMPLEMENTATION-DATA-TYPE", name, tag("CATEGORY", category) + body);
}

inline std::string value_type(const std::string& name, const std::string& compu = "") {
    return implementation_type(name, "VALUE",
                               props(ref("BASE-TYPE-REF", "/Base/" + name) +
                                     (compu.empty() ? "" : ref("COMPU-METHOD-REF", compu))));
}

inline std::string reference_type(const std::string& name, const std::string& target, const std::string& compu = "") {
    return implementation_type(name, "TYPE_REFERENCE",
                               props(ref("IMPLEMENTATION-DATA-TYPE-REF", target) +
                                     (compu.empty() ? "" : ref("COMPU-METHOD-REF", compu))));
}

// A sub-element: `reference` is a whole *-REF element.
inline std::string type_element(const std::string& name, const std::string& category, const std::string& reference,
                                const std::string& array_size = "", const std::string& inner = "") {
    return named("IMPLEMENTATION-DATA-TYPE-ELEMENT", name,
                 tag("CATEGORY", category) + (array_size.empty() ? "" : tag("ARRAY-SIZE", array_size)) +
                     (reference.empty() ? "" : props(reference)) +
                     (inner.empty() ? "" : tag("SUB-ELEMENTS", inner)));
}

inline std::string array_type(const std::string& name, const std::string& element_type, int size) {
    return implementation_type(
        name, "ARRAY",
        tag("SUB-ELEMENTS", type_element("e", "TYPE_REFERENCE", ref("IMPLEMENTATION-DATA-TYPE-REF", element_type),
                                         std::to_string(size))));
}

// A compu method whose scales' COMPU-CONSTs hold `literals`.
inline std::string compu_method(const std::string& name, const std::string& category,
                                const std::vector<std::string>& literals) {
    std::string scales;
    for (const std::string& literal : literals) scales += tag("COMPU-SCALE", tag("COMPU-CONST", tag("VT", literal)));
    return named("COMPU-METHOD", name,
                 tag("CATEGORY", category) + tag("COMPU-INTERNAL-TO-PHYS", tag("COMPU-SCALES", scales)));
}

inline std::string application_type(const std::string& name, const std::string& compu = "") {
    return named("APPLICATION-PRIMITIVE-DATA-TYPE", name,
                 tag("CATEGORY", "VALUE") + (compu.empty() ? "" : props(ref("COMPU-METHOD-REF", compu))));
}

inline std::string mapping_set(const std::string& name, const std::vector<std::pair<std::string, std::string>>& maps) {
    std::string body;
    for (const auto& [application, implementation] : maps) {
        body += tag("DATA-TYPE-MAP", ref("APPLICATION-DATA-TYPE-REF", application) +
                                         ref("IMPLEMENTATION-DATA-TYPE-REF", implementation));
    }
    return named("DATA-TYPE-MAPPING-SET", name, tag("DATA-TYPE-MAPS", body));
}

// -- interfaces and components --

// `elements`: (data element name, TYPE-TREF) pairs; `extra` goes into each VARIABLE-DATA-PROTOTYPE.
inline std::string sr_interface(const std::string& name,
                                const std::vector<std::pair<std::string, std::string>>& elements,
                                const std::string& extra = "", const std::string& head = "") {
    std::string body;
    for (const auto& [element, type] : elements) {
        body += named("VARIABLE-DATA-PROTOTYPE", element, extra + ref("TYPE-TREF", type));
    }
    return named("SENDER-RECEIVER-INTERFACE", name, head + tag("DATA-ELEMENTS", body));
}

// A sender (provided) or receiver com spec naming data element `element`, holding `body` besides.
inline std::string com_spec(bool provided, const std::string& element, const std::string& body = "",
                            bool queued = false) {
    std::string kind =
        std::string(queued ? "QUEUED-" : "NONQUEUED-") + (provided ? "SENDER" : "RECEIVER") + "-COM-SPEC";
    return tag(kind, (element.empty() ? "" : ref("DATA-ELEMENT-REF", element)) + body);
}

// A sender-receiver port with the com specs `specs`; `head` goes after its SHORT-NAME.
inline std::string port(bool provided, const std::string& name, const std::string& interface,
                        const std::string& specs = "", const std::string& head = "") {
    return named(provided ? "P-PORT-PROTOTYPE" : "R-PORT-PROTOTYPE", name,
                 head + (specs.empty() ? "" : tag(provided ? "PROVIDED-COM-SPECS" : "REQUIRED-COM-SPECS", specs)) +
                     ref(provided ? "PROVIDED-INTERFACE-TREF" : "REQUIRED-INTERFACE-TREF", interface));
}

// A port whose one com spec names `element` (none without it).
inline std::string r_port(const std::string& name, const std::string& interface, const std::string& element = "") {
    return port(false, name, interface, element.empty() ? "" : com_spec(false, element));
}
inline std::string p_port(const std::string& name, const std::string& interface, const std::string& element = "") {
    return port(true, name, interface, element.empty() ? "" : com_spec(true, element));
}

inline std::string component(const std::string& name, const std::string& ports,
                             const std::vector<std::string>& mapping_sets = {},
                             const std::string& kind = "APPLICATION-SW-COMPONENT-TYPE") {
    std::string refs;
    for (const std::string& set : mapping_sets) refs += ref("DATA-TYPE-MAPPING-REF", set);
    return named(kind, name,
                 tag("PORTS", ports) +
                     tag("INTERNAL-BEHAVIORS",
                         named("SWC-INTERNAL-BEHAVIOR", name + "_Ib", tag("DATA-TYPE-MAPPING-REFS", refs))));
}

// The index of the files added so far, in order.
class Project {
public:
    explicit Project(bool details = false) : index_(std::make_shared<ProjectIndex>()) {
        index_->details.wanted = details;
    }

    // Indexes `packages` (the content of AR-PACKAGES) as the next file, keyed `key`.
    Project& add(const std::string& key, const std::string& packages) {
        LoadOutcome parsed = parse(document(packages));
        REQUIRE_MESSAGE(parsed.document, parsed.cause);
        ProjectIndex part;
        part.details.wanted = index_->details.wanted;
        part.wiring.wanted = index_->wiring.wanted;
        auto file = static_cast<std::uint32_t>(index_->files.size());
        index_document(part, file, key, parsed.document->xml.document_element(), parsed.document->text_size);
        merge_file_index(*index_, std::move(part));
        index_->files.push_back(key);
        return *this;
    }

    const ProjectIndex& index() const { return *index_; }
    std::shared_ptr<const ProjectIndex> shared() const { return index_; }

private:
    std::shared_ptr<ProjectIndex> index_;
};

}  // namespace velvane::test
