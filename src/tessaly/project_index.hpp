// The project index: what every ARXML file of a directory declares about port interfaces and data
// types, by full AUTOSAR path, so that a port in one file can be typed by definitions in others.
#pragma once

#include <pybind11/pybind11.h>
#include <pugixml.hpp>

#include "tessaly/composition_index.hpp"
#include "tessaly/other_interfaces.hpp"

#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "tessaly/details_index.hpp"

namespace velvane::tessaly {

namespace py = pybind11;

// A reference as the index keeps it: the absolute path ("/Package/Sub/Name") where the file's text
// could be made absolute, else the text as written (relative, so it matches no key of the index).
using ArPath = std::string;

// The first SW-DATA-DEF-PROPS-CONDITIONAL of a data type or of one of its elements.
struct DataDefProps {
    ArPath base_type;            // BASE-TYPE-REF
    ArPath implementation_type;  // IMPLEMENTATION-DATA-TYPE-REF
    ArPath compu_method;         // COMPU-METHOD-REF
};

// An IMPLEMENTATION-DATA-TYPE, or one IMPLEMENTATION-DATA-TYPE-ELEMENT of its SUB-ELEMENTS.
struct TypeNode {
    std::string name;
    std::string category;
    std::string array_size;  // ARRAY-SIZE of an element, empty where absent
    DataDefProps props;
    std::vector<TypeNode> elements;
};

// An APPLICATION-PRIMITIVE-, -ARRAY- or -RECORD-DATA-TYPE.
struct ApplicationType {
    std::string name;
    std::string category;
    ArPath compu_method;
};

struct CompuMethod {
    std::string name;
    std::string category;
    std::vector<std::string> literals;  // COMPU-CONST / VT of each scale that has one, in order
};

// A VARIABLE-DATA-PROTOTYPE of a sender-receiver interface.
struct DataElement {
    std::string name;
    ArPath type;  // TYPE-TREF
};

struct PortEntry {
    std::string name;
    bool provided = false;
    ArPath interface;     // REQUIRED-INTERFACE-TREF or PROVIDED-INTERFACE-TREF
    ArPath data_element;  // DATA-ELEMENT-REF of the port's first com spec that has one
};

struct ComponentEntry {
    std::string name;
    std::vector<ArPath> mapping_sets;  // DATA-TYPE-MAPPING-REFs of its internal behaviours
    std::vector<PortEntry> ports;
};

// Application data type -> implementation data type, in the order the maps were written.
using TypeMappings = std::vector<std::pair<ArPath, ArPath>>;

class IndexGrowth;

struct ProjectIndex {
    DetailsIndex details;  // signal details; filled only when details.wanted is set before indexing
    std::unordered_map<ArPath, std::vector<DataElement>> interfaces;
    std::unordered_map<ArPath, TypeNode> implementation_types;
    std::unordered_map<ArPath, ApplicationType> application_types;
    std::unordered_map<ArPath, TypeMappings> mapping_sets;
    std::unordered_map<ArPath, ArPath> project_mappings;  // every mapping set's maps, first one wins
    std::unordered_map<ArPath, CompuMethod> compu_methods;
    OtherInterfaces other_interfaces;
    // Directory entry -> its APPLICATION-SW-COMPONENT-TYPEs, in document order (a deque: adding to it
    // leaves the entries where they are).
    std::unordered_map<std::string, std::deque<ComponentEntry>> components;
    CompositionIndex wiring;  // compositions and the ports of every component type
    std::vector<std::string> files;    // entries indexed, in listing order
    std::vector<std::string> skipped;  // ".arxml" entries the binding could not read

    // Set while the files are still being merged (index_growth.hpp); destroyed first, it stops them.
    std::shared_ptr<IndexGrowth> growth;
};

// On the merging thread: merges the next file and returns true, or false once every file is in. On any
// other thread: waits until every file is in and returns false. False at once for an index that is
// not growing.
bool grow_index(const ProjectIndex& index);

// `key` in `map`, a member of `index`, or null. On the merging thread of a growing index, the next
// file is merged while the key is missing and files are left: what is found is what the complete index
// holds, as files are merged in order and the first definition of a path stays. Other threads call
// complete_index() before reading a growing index.
template <class Map>
const typename Map::mapped_type* find_in(const ProjectIndex& index, const Map& map,
                                         const typename Map::key_type& key) {
    for (;;) {
        auto found = map.find(key);
        if (found != map.end()) return &found->second;
        if (!grow_index(index)) return nullptr;
    }
}

// Waits until every file is merged: for readers on other threads than the merging one, for readers
// that go over all of the index, and for answers that depend on what is absent.
void complete_index(const ProjectIndex& index);

// A file to index: its key (the directory entry, or a path relative to the directory, as the sheets
// name it; UTF-8 with the lone surrogates of undecodable names kept) and the path to open.
struct IndexSource {
    std::string key;
    std::string fs_path;      // in the file system's encoding
    bool has_sheet = true;    // false for a type source, which is only indexed
};

// Indexes `sources` in order, each parsed once without Python (a few files ahead, on worker threads)
// and dropped after it was read. Packages are searched at every depth; relative references are made
// absolute through the REFERENCE-BASEs of their packages. Where two files define the same path, the
// first one in `sources` order is kept. A file that cannot be parsed is left out and named in
// `skipped`. Touches no Python object: call it with the GIL released.
// With `with_details`, the index also keeps the signal details (ProjectIndex::details).
ProjectIndex build_project_index(const std::vector<IndexSource>& sources, bool with_details = false);

// The entries of `entries` (names in `directory`, as its listing gives them) whose name ends in
// ".arxml", in that order.
std::vector<IndexSource> arxml_sources(py::handle directory, py::handle entries);

// build_project_index(arxml_sources(directory, entries)), with the GIL released while it runs.
ProjectIndex build_project_index(py::handle directory, py::handle entries, bool with_details = false);

// The same over the listing of `directory`; a failure to list it is raised.
ProjectIndex build_project_index(py::handle directory);

// An entry name as the index keys it: UTF-8, lone surrogates (undecodable file names) kept.
std::string entry_key(py::handle entry);

// Indexes one parsed file (its AUTOSAR root element) under the key `entry`.
void index_document(ProjectIndex& index, const std::string& entry, pugi::xml_node root);

}  // namespace velvane::tessaly
