// What the project's files say about a signal beyond its type: descriptions, units, data
// constraints, linear scalings, init values and com spec timings, by full AUTOSAR path. Kept only
// when a load asks for signal details.
#pragma once

#include "core/model/ar_path.hpp"
#include "core/model/first_of_name.hpp"

#include <pugixml.hpp>

#include <string>
#include <unordered_map>
#include <vector>

namespace velvane {

// The DESC and LONG-NAME of an element, each reduced to one language (the English variant, else
// the first that says anything) with every run of white space made one space.
struct Described {
    std::string desc;
    std::string long_name;
};

// The first UNIT-REF, DATA-CONSTR-REF and COMPU-METHOD-REF of an element's SW-DATA-DEF-PROPS, each
// looked for through all its conditional variants in order.
struct DataProps {
    ArPath unit;
    ArPath constraint;
    ArPath compu_method;
};

// A VARIABLE-DATA-PROTOTYPE of a sender-receiver interface.
struct ElementDetails {
    std::string name;
    ArPath type;  // TYPE-TREF
    Described text;
    DataProps props;
};

struct InterfaceDetails {
    Described text;
    std::vector<ElementDetails> elements;
    FirstOfName<ElementDetails> by_name;
};

// The limits of a DATA-CONSTR's first rule, as written: the physical ones where it states any,
// else the internal ones. An absent limit is empty.
struct Limits {
    std::string lower;
    std::string upper;
};

// What a COMPU-METHOD adds to the details: its UNIT-REF and, for a linear method, factor and offset
// already written out ("" where they cannot be worked out).
struct ScalingDetails {
    ArPath unit;
    std::string factor;
    std::string offset;
};

// An init or constant value, kept as a tree because a constant it names may stand in a file read later.
struct ValueSpec {
    enum class Kind { unknown, text, constant, group };
    Kind kind = Kind::unknown;
    std::string text;              // text: the value as shown; constant: the constant's path
    std::vector<ValueSpec> items;  // group: the elements of an array or the fields of a record
};

// A sender or receiver com spec of a port.
struct ComSpecDetails {
    ArPath data_element;  // DATA-ELEMENT-REF
    bool has_init = false;
    ValueSpec init;
    std::string alive_timeout;  // as written, "" where absent
    std::string queue_length;   // of a queued com spec, as written
};

struct PortDetails {
    std::string name;
    bool provided = false;
    Described text;
    std::vector<ComSpecDetails> com_specs;  // in document order
};

// A software component type of any kind; the signal sheets read only the application ones.
struct ComponentDetails {
    std::string name;
    ArPath path;
    bool application = false;  // an APPLICATION-SW-COMPONENT-TYPE
    std::vector<PortDetails> ports;  // its R- and P-ports
};

struct DetailsIndex {
    bool wanted = false;  // the indexer fills the maps below only when set
    std::unordered_map<ArPath, InterfaceDetails> interfaces;
    std::unordered_map<ArPath, DataProps> data_types;  // implementation and application types
    std::unordered_map<ArPath, std::string> units;     // the name a unit is shown by
    std::unordered_map<ArPath, Limits> constraints;
    std::unordered_map<ArPath, ScalingDetails> compu_methods;
    std::unordered_map<ArPath, ValueSpec> constants;
    // Directory entry -> its software component types of every kind, in document order.
    std::unordered_map<std::string, std::vector<ComponentDetails>> components;
};

// Adds what `element`, an element of the package `package` in directory entry `entry`, says about
// signal details. Elements of kinds that carry none, and unnamed ones, are passed over; where two
// files define the same path the first one read is kept.
void index_details(DetailsIndex& details, const std::string& entry, pugi::xml_node element,
                   const ArPath& package, const ResolveReference& resolve);

}  // namespace velvane
