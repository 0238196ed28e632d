// The layout of the analyser's records: for each kind of record, what each cell holds, under the key
// the loader's key list gives it. Records carry no keys, so this is the one place where a cell's
// position is written down: the key lists of both modules are made from these tables, and the loader
// and the sheet read cells by these names. A table whose keys and names disagree does not compile.
//
// Keys are ARXML tag names or paths of tag names, outermost first, separated by line feeds. Every list
// ends with the empty key, so every record ends with an empty cell. The analyser reads the cells marked
// `below` one level further down than the loader's short key says: below the port's com spec, or
// below the variable access's instance reference (`long_prefix`).
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace velvane::records {

struct Cell {
    const char* key;
    bool below = false;
};

// A key list in the order of its record's cells.
struct Layout {
    const Cell* cells;
    std::size_t size;
    const char* long_prefix;  // put before the keys of the cells marked `below`; nullptr where none is
};

template <std::size_t N>
constexpr Layout layout_of(const std::array<Cell, N>& cells, const char* long_prefix = nullptr) {
    return {cells.data(), N, long_prefix};
}

constexpr bool key_is(const Cell& cell, std::string_view key) { return std::string_view(cell.key) == key; }

inline constexpr const char* signal_placeholder = "   Mapped System Signal   ";

// The init value of a port's com spec, the same four cells in both port records.
inline constexpr Cell init_cells[4] = {
    {"INIT-VALUE\nAPPLICATION-VALUE-SPECIFICATION\nSHORT-LABEL", true},
    {"INIT-VALUE\nAPPLICATION-VALUE-SPECIFICATION\nCATEGORY", true},
    {"INIT-VALUE\nAPPLICATION-VALUE-SPECIFICATION\nSW-VALUE-CONT\nUNIT-REF", true},
    {"INIT-VALUE\nAPPLICATION-VALUE-SPECIFICATION\nSW-VALUE-CONT\nSW-VALUES-PHYS\nV", true},
};

// table1List: a required port (R-PORT-PROTOTYPE); `below` its REQUIRED-COM-SPECS' first
// NONQUEUED-RECEIVER-COM-SPEC.
namespace required_port {
enum Position : std::size_t {
    model_name, short_name, mapped_signal, data_element, handle_out_of_range, end_to_end_protection,
    alive_timeout, enable_update, handle_never_received, handle_timeout_type, init_short_label,
    init_category, init_unit, init_value, interface_reference, end, cell_count
};
inline constexpr std::array<Cell, cell_count> cells = {{
    {"SWC-NAME"},
    {"SHORT-NAME"},
    {signal_placeholder},
    {"DATA-ELEMENT-REF", true},
    {"HANDLE-OUT-OF-RANGE", true},
    {"USES-END-TO-END-PROTECTION", true},
    {"ALIVE-TIMEOUT", true},
    {"ENABLE-UPDATE", true},
    {"HANDLE-NEVER-RECEIVED", true},
    {"HANDLE-TIMEOUT-TYPE", true},
    init_cells[0], init_cells[1], init_cells[2], init_cells[3],
    {"REQUIRED-INTERFACE-TREF"},
    {""},
}};
inline constexpr Layout layout = layout_of(cells, "REQUIRED-COM-SPECS\nNONQUEUED-RECEIVER-COM-SPEC\n");
static_assert(key_is(cells[short_name], "SHORT-NAME") && key_is(cells[data_element], "DATA-ELEMENT-REF") &&
              key_is(cells[alive_timeout], "ALIVE-TIMEOUT") &&
              key_is(cells[interface_reference], "REQUIRED-INTERFACE-TREF") && key_is(cells[end], ""));
}  // namespace required_port

// table2List: a provided port (P-PORT-PROTOTYPE); `below` its PROVIDED-COM-SPECS' first
// NONQUEUED-SENDER-COM-SPEC.
namespace provided_port {
enum Position : std::size_t {
    model_name, short_name, mapped_signal, data_element, handle_out_of_range, end_to_end_protection,
    init_short_label, init_category, init_unit, init_value, interface_reference, end, cell_count
};
inline constexpr std::array<Cell, cell_count> cells = {{
    {"SWC-NAME"},
    {"SHORT-NAME"},
    {signal_placeholder},
    {"DATA-ELEMENT-REF", true},
    {"HANDLE-OUT-OF-RANGE", true},
    {"USES-END-TO-END-PROTECTION", true},
    init_cells[0], init_cells[1], init_cells[2], init_cells[3],
    {"PROVIDED-INTERFACE-TREF"},
    {""},
}};
inline constexpr Layout layout = layout_of(cells, "PROVIDED-COM-SPECS\nNONQUEUED-SENDER-COM-SPEC\n");
static_assert(key_is(cells[short_name], "SHORT-NAME") && key_is(cells[data_element], "DATA-ELEMENT-REF") &&
              key_is(cells[interface_reference], "PROVIDED-INTERFACE-TREF") && key_is(cells[end], ""));
}  // namespace provided_port

// table3List: a runnable's VARIABLE-ACCESS; `below` its ACCESSED-VARIABLE's AUTOSAR-VARIABLE-IREF.
namespace variable_access {
enum Position : std::size_t { model_name, short_name, port, target, end, cell_count };
inline constexpr std::array<Cell, cell_count> cells = {{
    {"SWC-NAME"}, {"SHORT-NAME"}, {"PORT-PROTOTYPE-REF", true}, {"TARGET-DATA-PROTOTYPE-REF", true}, {""},
}};
inline constexpr Layout layout = layout_of(cells, "ACCESSED-VARIABLE\nAUTOSAR-VARIABLE-IREF\n");
static_assert(key_is(cells[port], "PORT-PROTOTYPE-REF") && key_is(cells[end], ""));
}  // namespace variable_access

// table4List: an IMPLEMENTATION-DATA-TYPE.
namespace implementation_type {
enum Position : std::size_t { model_name, short_name, category, base_type, compu_method, end, cell_count };
inline constexpr std::array<Cell, cell_count> cells = {{
    {"SWC-NAME"},
    {"SHORT-NAME"},
    {"CATEGORY"},
    {"SW-DATA-DEF-PROPS\nSW-DATA-DEF-PROPS-VARIANTS\nSW-DATA-DEF-PROPS-CONDITIONAL\nBASE-TYPE-REF"},
    {"SW-DATA-DEF-PROPS\nSW-DATA-DEF-PROPS-VARIANTS\nSW-DATA-DEF-PROPS-CONDITIONAL\nCOMPU-METHOD-REF"},
    {""},
}};
inline constexpr Layout layout = layout_of(cells);
static_assert(key_is(cells[category], "CATEGORY") && key_is(cells[end], ""));
}  // namespace implementation_type

// table5List: an SW-BASE-TYPE.
namespace base_type {
enum Position : std::size_t { model_name, short_name, category, size, encoding, native_declaration, end, cell_count };
inline constexpr std::array<Cell, cell_count> cells = {{
    {"SWC-NAME"}, {"SHORT-NAME"}, {"CATEGORY"}, {"BASE-TYPE-SIZE"}, {"BASE-TYPE-ENCODING"}, {"NATIVE-DECLARATION"},
    {""},
}};
inline constexpr Layout layout = layout_of(cells);
static_assert(key_is(cells[native_declaration], "NATIVE-DECLARATION") && key_is(cells[end], ""));
}  // namespace base_type

// table6List: a SENDER-RECEIVER-INTERFACE, with its first data element.
namespace sender_receiver_interface {
enum Position : std::size_t {
    model_name, short_name, is_service, element_name, element_category, calibration_access, impl_policy,
    element_type, end, cell_count
};
inline constexpr std::array<Cell, cell_count> cells = {{
    {"SWC-NAME"},
    {"SHORT-NAME"},
    {"IS-SERVICE"},
    {"DATA-ELEMENTS\nVARIABLE-DATA-PROTOTYPE\nSHORT-NAME"},
    {"DATA-ELEMENTS\nVARIABLE-DATA-PROTOTYPE\nCATEGORY"},
    {"DATA-ELEMENTS\nVARIABLE-DATA-PROTOTYPE\nSW-DATA-DEF-PROPS\nSW-DATA-DEF-PROPS-VARIANTS\n"
     "SW-DATA-DEF-PROPS-CONDITIONAL\nSW-CALIBRATION-ACCESS"},
    {"DATA-ELEMENTS\nVARIABLE-DATA-PROTOTYPE\nSW-DATA-DEF-PROPS\nSW-DATA-DEF-PROPS-VARIANTS\n"
     "SW-DATA-DEF-PROPS-CONDITIONAL\nSW-IMPL-POLICY"},
    {"DATA-ELEMENTS\nVARIABLE-DATA-PROTOTYPE\nTYPE-TREF"},
    {""},
}};
inline constexpr Layout layout = layout_of(cells);
static_assert(key_is(cells[short_name], "SHORT-NAME") &&
              key_is(cells[element_type], "DATA-ELEMENTS\nVARIABLE-DATA-PROTOTYPE\nTYPE-TREF") &&
              key_is(cells[end], ""));
}  // namespace sender_receiver_interface

// table7List to table9List name fields that nothing in the package reads; they are kept for callers.
namespace conversion_table {
inline constexpr std::array<Cell, 6> cells = {{
    {"name"}, {"longIdentifier"}, {"tableConversionType"}, {"Table Element"}, {"DEFAULT_VALUE(display_string)"}, {""},
}};
inline constexpr Layout layout = layout_of(cells);
}  // namespace conversion_table

namespace group {
inline constexpr std::array<Cell, 7> cells = {{
    {"groupName"}, {"groupLongIdentifier"}, {"ROOT"}, {"REF_MEASUREMENT"}, {"REF_CHARACTERISTIC"}, {"SUB_GROUP"}, {""},
}};
inline constexpr Layout layout = layout_of(cells);
}  // namespace group

namespace function {
inline constexpr std::array<Cell, 7> cells = {{
    {"name"}, {"longIdentifier"}, {"IN_MEASUREMENT"}, {"OUT_MEASUREMENT"}, {"REF_CHARACTERISTIC"}, {"SUB_FUNCTION"}, {""},
}};
inline constexpr Layout layout = layout_of(cells);
}  // namespace function

// The loader's nine key lists, table1List to table9List, in the order it hands them to the analyser.
inline constexpr std::size_t key_list_count = 9;
inline constexpr std::array<Layout, key_list_count> key_lists = {
    required_port::layout, provided_port::layout,   variable_access::layout,
    implementation_type::layout, base_type::layout, sender_receiver_interface::layout,
    conversion_table::layout, group::layout,        function::layout,
};
// Where the analyser takes the key lists it reads from the loader's dataArray.
inline constexpr std::size_t implementation_type_list = 3;
inline constexpr std::size_t base_type_list = 4;
inline constexpr std::size_t interface_list = 5;

// A STRUCTURE's record in the analyser's structValDict: ["", name, "", "STRUCTURE", "", member text,
// "", ""]; the member text reads "t1;t2;&n1;n2;" (member types, then member names).
namespace structure {
enum Position : std::size_t { name = 1, category = 3, member_text = 5, cell_count = 8 };
}  // namespace structure

// An entry of the analyser's enumValList: [position, literal text].
namespace enumeration_literal {
enum Position : std::size_t { position = 0, literal = 1 };
}  // namespace enumeration_literal

}  // namespace velvane::records
