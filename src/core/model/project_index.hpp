// The project index: what every ARXML file of a directory declares about port interfaces and data
// types, by full AUTOSAR path, so that a port in one file can be typed by definitions in others.
#pragma once

#include "core/model/ar_path.hpp"
#include "core/model/composition_index.hpp"
#include "core/model/details_index.hpp"
#include "core/model/first_of_name.hpp"
#include "core/model/origin.hpp"
#include "core/model/other_interfaces.hpp"

#include <pugixml.hpp>

#include <cstdint>
#include <deque>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace velvane {

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
    // Of a STRUCTURE: "t1;t2;&n1;n2;", the members' types (the last piece of the implementation type
    // reference, else of the base type reference) joined by ";", then ";&", then their names joined by
    // ";", then ";" (";&;" without members). Made once here, shared by every port of the type.
    std::shared_ptr<const std::string> member_text;
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
    // Of a TEXTTABLE method: the COMPU-CONST / VT of each scale that has one, in order, joined by ";"
    // the way the enumeration column joins them (leading empty literals leave no trace, later ones an
    // empty piece). Made once here, shared by every port of the type.
    std::shared_ptr<const std::string> literal_text;
};

// A VARIABLE-DATA-PROTOTYPE of a sender-receiver interface.
struct DataElement {
    std::string name;
    ArPath type;  // TYPE-TREF
};

// The data elements of a sender-receiver interface, in order.
struct InterfaceElements {
    std::vector<DataElement> elements;
    FirstOfName<DataElement> by_name;
};

struct PortEntry {
    std::string name;
    Origin origin;
    bool provided = false;
    ArPath interface;     // REQUIRED-INTERFACE-TREF or PROVIDED-INTERFACE-TREF
    ArPath data_element;  // DATA-ELEMENT-REF of the port's first com spec that has one
};

struct ComponentEntry {
    std::string name;
    Origin origin;
    std::vector<ArPath> mapping_sets;  // DATA-TYPE-MAPPING-REFs of its internal behaviours
    std::vector<PortEntry> ports;
};

// Application data type -> implementation data type, in the order the maps were written.
struct TypeMapping {
    ArPath name;  // the application data type
    ArPath implementation;
};
struct TypeMappings {
    std::vector<TypeMapping> maps;
    FirstOfName<TypeMapping> by_application;
};

class IndexGrowth;

// A file the index does not take: its structure goes beyond what real files have. `offset` is where,
// as a byte offset into the text as parsed.
class IndexRefusal : public std::runtime_error {
public:
    IndexRefusal(const std::string& cause, std::size_t where) : std::runtime_error(cause), offset(where) {}
    std::size_t offset;
};

struct ProjectIndex {
    DetailsIndex details;  // signal details; filled only when details.wanted is set before indexing
    std::unordered_map<ArPath, InterfaceElements> interfaces;
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
    std::vector<IndexSource> sources;  // the run's files, by the number an Origin names
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
// An empty key finds nothing at once.
template <class Map>
const typename Map::mapped_type* find_in(const ProjectIndex& index, const Map& map,
                                         const typename Map::key_type& key) {
    if (key.empty()) return nullptr;
    for (;;) {
        auto found = map.find(key);
        if (found != map.end()) return &found->second;
        if (!grow_index(index)) return nullptr;
    }
}

// Waits until every file is merged: for readers on other threads than the merging one, for readers
// that go over all of the index, and for answers that depend on what is absent.
void complete_index(const ProjectIndex& index);

// Indexes `sources` in order, each parsed once (a few files ahead, on worker threads) and dropped after
// it was read. Packages are searched at every depth; relative references are made absolute through the
// REFERENCE-BASEs of their packages. Where two files define the same path, the first one in `sources`
// order is kept. A file that cannot be parsed is left out and named in `skipped`.
// With `with_details`, the index also keeps the signal details (ProjectIndex::details).
ProjectIndex build_project_index(const std::vector<IndexSource>& sources, bool with_details = false);

// Indexes one parsed file (its AUTOSAR root element, `text_size` bytes of text), the run's file number
// `file` keyed `entry`. Throws IndexRefusal when the file's AUTOSAR paths would take far more memory
// than its text (document_indexer.cpp says how much); what it indexed before is then to be dropped.
void index_document(ProjectIndex& index, std::uint32_t file, const std::string& entry, pugi::xml_node root,
                    std::size_t text_size);

}  // namespace velvane
