#include "core/generate/arxml_document.hpp"

#include "core/arxml/schema_table.hpp"

#include <uuid/uuid.h>

#include <cstring>
#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <stdexcept>
#include <vector>

namespace velvane {

namespace {

// The namespace of the name-based UUIDs: UUID version 5 of "velvane:arxml-path" in the URL namespace.
const uuid_t path_namespace = {0xf7, 0x37, 0xc5, 0x55, 0x1d, 0x8a, 0x5e, 0x96,
                               0x9f, 0xd1, 0x50, 0x2d, 0x95, 0xda, 0x4e, 0x6c};

std::string last_piece(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// The index of every tag of the schema.
const std::unordered_map<std::string_view, std::uint16_t>& tag_indexes() {
    static const std::unordered_map<std::string_view, std::uint16_t> indexes = [] {
        std::unordered_map<std::string_view, std::uint16_t> made;
        for (std::uint32_t tag = 0; tag < schema::kTagCount; ++tag) made.emplace(schema::kTags[tag], tag);
        return made;
    }();
    return indexes;
}

// The child row of element type `type` for `tag`, or null. A type's rows are sorted by tag index.
const schema::ChildRow* child_row(std::uint32_t type, const char* tag) {
    auto found = tag_indexes().find(tag);
    if (found == tag_indexes().end()) return nullptr;
    const schema::ChildRow* first = schema::kRows + schema::kTypeFirstRow[type];
    const schema::ChildRow* last = schema::kRows + schema::kTypeFirstRow[type + 1];
    const schema::ChildRow* row = std::lower_bound(
        first, last, found->second, [](const schema::ChildRow& r, std::uint16_t t) { return r.tag < t; });
    return row != last && row->tag == found->second ? row : nullptr;
}

// Appends what pugixml saves to one string.
class StringWriter : public pugi::xml_writer {
public:
    explicit StringWriter(std::string& out) : out_(out) {}
    void write(const void* data, std::size_t size) override { out_.append(static_cast<const char*>(data), size); }

private:
    std::string& out_;
};

// Every element is allowed in its parent, at most once where the schema says once; text stands only
// in elements that take it. Depth first without recursion.
void check_schema(const pugi::xml_document& document) {
    pugi::xml_node root = document.document_element();
    if (std::strcmp(root.name(), schema::kTags[schema::kRootTag]) != 0) throw std::logic_error("root is not AUTOSAR");
    struct Frame {
        pugi::xml_node node;
        std::uint32_t type;
    };
    std::vector<Frame> pending{{root, schema::kRootType}};
    while (!pending.empty()) {
        Frame frame = pending.back();
        pending.pop_back();
        std::vector<std::pair<std::uint16_t, int>> counts;
        for (pugi::xml_node child = frame.node.first_child(); child; child = child.next_sibling()) {
            if (child.type() == pugi::node_pcdata) {
                if (schema::kTextMode[frame.type] == schema::kElementsOnly) {
                    throw std::logic_error(std::string("text in ") + frame.node.path().c_str());
                }
                continue;
            }
            if (child.type() != pugi::node_element) continue;
            const schema::ChildRow* row = child_row(frame.type, child.name());
            if (row == nullptr) {
                throw std::logic_error(std::string(child.name()) + " not allowed in " + frame.node.path().c_str());
            }
            int seen = 0;
            for (auto& [tag, count] : counts) {
                if (tag == row->tag) seen = ++count;
            }
            if (seen == 0) counts.emplace_back(row->tag, seen = 1);
            if (seen > 1 && !row->many) {
                throw std::logic_error(std::string(child.name()) + " repeated in " + frame.node.path().c_str());
            }
            pending.push_back({child, row->type});
        }
    }
}

}  // namespace

std::string path_uuid(const std::string& path) {
    uuid_t made;
    uuid_generate_sha1(made, path_namespace, path.data(), path.size());
    char text[37];
    uuid_unparse_lower(made, text);
    return text;
}

ArxmlDocument::ArxmlDocument() {
    pugi::xml_node declaration = document_.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node root = document_.append_child("AUTOSAR");
    root.append_attribute("xmlns") = "http://autosar.org/schema/r4.0";
    root.append_attribute("xmlns:xsi") = "http://www.w3.org/2001/XMLSchema-instance";
    root.append_attribute("xsi:schemaLocation") = "http://autosar.org/schema/r4.0 AUTOSAR_00048.xsd";
    packages_ = root.append_child("AR-PACKAGES");
}

pugi::xml_node ArxmlDocument::package(const std::string& path) {
    auto found = made_.find(path);
    if (found != made_.end()) return found->second;
    std::size_t slash = path.rfind('/');
    pugi::xml_node parent_list;
    if (slash == 0) {
        parent_list = packages_;
    } else {
        pugi::xml_node parent = package(path.substr(0, slash));
        parent_list = parent.child("AR-PACKAGES");
        if (!parent_list) parent_list = parent.append_child("AR-PACKAGES");  // after ELEMENTS, as the schema orders them
    }
    pugi::xml_node made = add_identifiable(parent_list, "AR-PACKAGE", path);
    made_.emplace(path, made);
    return made;
}

pugi::xml_node ArxmlDocument::elements(const std::string& path) {
    pugi::xml_node made = package(path);
    pugi::xml_node list = made.child("ELEMENTS");
    if (!list) list = made.insert_child_after("ELEMENTS", made.child("SHORT-NAME"));
    return list;
}

std::string ArxmlDocument::text() const {
    check_schema(document_);
    std::string out;
    StringWriter writer(out);
    document_.save(writer, "  ", pugi::format_indent, pugi::encoding_utf8);
    return out;
}

pugi::xml_node add_identifiable(pugi::xml_node parent, const char* tag, const std::string& path) {
    pugi::xml_node made = parent.append_child(tag);
    made.append_attribute("UUID") = path_uuid(path).c_str();
    add_text(made, "SHORT-NAME", last_piece(path));
    return made;
}

pugi::xml_node add_text(pugi::xml_node parent, const char* tag, const std::string& text) {
    pugi::xml_node made = parent.append_child(tag);
    made.text().set(text.c_str());
    return made;
}

pugi::xml_node add_reference(pugi::xml_node parent, const char* tag, const char* dest, const std::string& path) {
    pugi::xml_node made = add_text(parent, tag, path);
    made.append_attribute("DEST") = dest;
    return made;
}

void add_description(pugi::xml_node parent, const std::string& text) {
    pugi::xml_node language = add_text(parent.append_child("DESC"), "L-2", text);
    language.append_attribute("L") = "EN";
}

pugi::xml_node add_data_def_props(pugi::xml_node parent) {
    return parent.append_child("SW-DATA-DEF-PROPS")
        .append_child("SW-DATA-DEF-PROPS-VARIANTS")
        .append_child("SW-DATA-DEF-PROPS-CONDITIONAL");
}

}  // namespace velvane
