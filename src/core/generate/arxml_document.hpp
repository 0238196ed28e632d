// One ARXML document being written with pugixml: the AUTOSAR root with the AUTOSAR_00048 schema
// declared, packages made on demand by path, identifiable elements with UUIDs derived from their
// paths, references with DEST; saved as indented UTF-8, and checked element by element against the
// schema's table of allowed children before it is handed out. One document per thread.
#pragma once

#include <pugixml.hpp>

#include <string>
#include <unordered_map>

namespace velvane {

// A name-based UUID (SHA-1, RFC 4122 version 5) over the AUTOSAR path: the same path always gets
// the same UUID, in every file and every run.
std::string path_uuid(const std::string& path);

class ArxmlDocument {
public:
    ArxmlDocument();

    // The ELEMENTS of the package at `path` ("/DataTypes/CompuMethods"), made with its enclosing
    // packages where missing; packages come in the order they are first asked for.
    pugi::xml_node elements(const std::string& path);

    // The document as text. Throws std::logic_error when an element stands where the schema does
    // not allow it, or repeats where it may not: a fault of the writer, never of the input.
    std::string text() const;

private:
    pugi::xml_node package(const std::string& path);

    pugi::xml_document document_;
    pugi::xml_node packages_;  // AUTOSAR/AR-PACKAGES
    std::unordered_map<std::string, pugi::xml_node> made_;  // package path -> AR-PACKAGE
};

// Adds `tag` with a UUID from `path` and its SHORT-NAME (the last piece of `path`).
pugi::xml_node add_identifiable(pugi::xml_node parent, const char* tag, const std::string& path);

// Adds <tag>text</tag>.
pugi::xml_node add_text(pugi::xml_node parent, const char* tag, const std::string& text);

// Adds <tag DEST="dest">path</tag>.
pugi::xml_node add_reference(pugi::xml_node parent, const char* tag, const char* dest, const std::string& path);

// Adds <DESC><L-2 L="EN">text</L-2></DESC>.
void add_description(pugi::xml_node parent, const std::string& text);

// The SW-DATA-DEF-PROPS-CONDITIONAL of a new SW-DATA-DEF-PROPS under `parent`.
pugi::xml_node add_data_def_props(pugi::xml_node parent);

}  // namespace velvane
