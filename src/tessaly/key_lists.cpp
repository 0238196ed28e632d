#include "tessaly/key_lists.hpp"

#include <initializer_list>

namespace velvane::tessaly {

namespace {

// Keys are ARXML tag names or paths of tag names, outermost first, separated by line feeds.
// Every list ends with the empty key, so every record ends with an empty cell.

// Required ports, short form (the analyser prefixes the com-spec path itself).
const std::initializer_list<const char*> required_port_keys = {
    "SWC-NAME",
    "SHORT-NAME",
    "   Mapped System Signal   ",
    "DATA-ELEMENT-REF",
    "HANDLE-OUT-OF-RANGE",
    "USES-END-TO-END-PROTECTION",
    "ALIVE-TIMEOUT",
    "ENABLE-UPDATE",
    "HANDLE-NEVER-RECEIVED",
    "HANDLE-TIMEOUT-TYPE",
    "INIT-VALUE\nAPPLICATION-VALUE-SPECIFICATION\nSHORT-LABEL",
    "INIT-VALUE\nAPPLICATION-VALUE-SPECIFICATION\nCATEGORY",
    "INIT-VALUE\nAPPLICATION-VALUE-SPECIFICATION\nSW-VALUE-CONT\nUNIT-REF",
    "INIT-VALUE\nAPPLICATION-VALUE-SPECIFICATION\nSW-VALUE-CONT\nSW-VALUES-PHYS\nV",
    "REQUIRED-INTERFACE-TREF",
    "",
};

// Provided ports, short form.
const std::initializer_list<const char*> provided_port_keys = {
    "SWC-NAME",
    "SHORT-NAME",
    "   Mapped System Signal   ",
    "DATA-ELEMENT-REF",
    "HANDLE-OUT-OF-RANGE",
    "USES-END-TO-END-PROTECTION",
    "INIT-VALUE\nAPPLICATION-VALUE-SPECIFICATION\nSHORT-LABEL",
    "INIT-VALUE\nAPPLICATION-VALUE-SPECIFICATION\nCATEGORY",
    "INIT-VALUE\nAPPLICATION-VALUE-SPECIFICATION\nSW-VALUE-CONT\nUNIT-REF",
    "INIT-VALUE\nAPPLICATION-VALUE-SPECIFICATION\nSW-VALUE-CONT\nSW-VALUES-PHYS\nV",
    "PROVIDED-INTERFACE-TREF",
    "",
};

// Variable accesses of runnables, short form.
const std::initializer_list<const char*> variable_access_keys = {
    "SWC-NAME", "SHORT-NAME", "PORT-PROTOTYPE-REF", "TARGET-DATA-PROTOTYPE-REF", "",
};

const std::initializer_list<const char*> implementation_type_keys = {
    "SWC-NAME",
    "SHORT-NAME",
    "CATEGORY",
    "SW-DATA-DEF-PROPS\nSW-DATA-DEF-PROPS-VARIANTS\nSW-DATA-DEF-PROPS-CONDITIONAL\nBASE-TYPE-REF",
    "SW-DATA-DEF-PROPS\nSW-DATA-DEF-PROPS-VARIANTS\nSW-DATA-DEF-PROPS-CONDITIONAL\nCOMPU-METHOD-REF",
    "",
};

const std::initializer_list<const char*> base_type_keys = {
    "SWC-NAME", "SHORT-NAME", "CATEGORY", "BASE-TYPE-SIZE", "BASE-TYPE-ENCODING", "NATIVE-DECLARATION", "",
};

const std::initializer_list<const char*> interface_keys = {
    "SWC-NAME",
    "SHORT-NAME",
    "IS-SERVICE",
    "DATA-ELEMENTS\nVARIABLE-DATA-PROTOTYPE\nSHORT-NAME",
    "DATA-ELEMENTS\nVARIABLE-DATA-PROTOTYPE\nCATEGORY",
    "DATA-ELEMENTS\nVARIABLE-DATA-PROTOTYPE\nSW-DATA-DEF-PROPS\nSW-DATA-DEF-PROPS-VARIANTS\nSW-DATA-DEF-PROPS-CONDITIONAL\nSW-CALIBRATION-ACCESS",
    "DATA-ELEMENTS\nVARIABLE-DATA-PROTOTYPE\nSW-DATA-DEF-PROPS\nSW-DATA-DEF-PROPS-VARIANTS\nSW-DATA-DEF-PROPS-CONDITIONAL\nSW-IMPL-POLICY",
    "DATA-ELEMENTS\nVARIABLE-DATA-PROTOTYPE\nTYPE-TREF",
    "",
};

// The last three lists name fields that nothing in the package reads; they are kept for callers.
const std::initializer_list<const char*> table_keys = {
    "name", "longIdentifier", "tableConversionType", "Table Element", "DEFAULT_VALUE(display_string)", "",
};

const std::initializer_list<const char*> group_keys = {
    "groupName", "groupLongIdentifier", "ROOT", "REF_MEASUREMENT", "REF_CHARACTERISTIC", "SUB_GROUP", "",
};

const std::initializer_list<const char*> function_keys = {
    "name", "longIdentifier", "IN_MEASUREMENT", "OUT_MEASUREMENT", "REF_CHARACTERISTIC", "SUB_FUNCTION", "",
};


const std::initializer_list<const char*>* const all_key_lists[key_list_count] = {
    &required_port_keys, &provided_port_keys, &variable_access_keys,
    &implementation_type_keys, &base_type_keys, &interface_keys,
    &table_keys, &group_keys, &function_keys,
};

const char* const key_list_names[key_list_count] = {
    "table1List", "table2List", "table3List", "table4List", "table5List",
    "table6List", "table7List", "table8List", "table9List",
};

py::list to_python_list(const std::initializer_list<const char*>& keys) {
    py::list list;
    for (const char* key : keys) list.append(py::str(key));
    return list;
}

}  // namespace

const char* key_list_name(int index) { return key_list_names[index]; }

void add_key_lists(py::module_& module) {
    for (int i = 0; i < key_list_count; ++i) {
        module.attr(key_list_names[i]) = to_python_list(*all_key_lists[i]);
    }
}

}  // namespace velvane::tessaly
