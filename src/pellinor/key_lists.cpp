// Port records follow the signal list's column layout: name columns first, then the com-spec values
// (read below the port's first com spec), then the interface reference, then an empty column.
#include "key_lists.hpp"

#include <initializer_list>
#include <string>

namespace velvane::pellinor {
namespace {

constexpr const char* kModelName = "SWC-NAME";
constexpr const char* kShortName = "SHORT-NAME";
constexpr const char* kSignalPlaceholder = "   Mapped System Signal   ";

constexpr const char* kReceiverSpec = "REQUIRED-COM-SPECS\nNONQUEUED-RECEIVER-COM-SPEC\n";
constexpr const char* kSenderSpec = "PROVIDED-COM-SPECS\nNONQUEUED-SENDER-COM-SPEC\n";
constexpr const char* kAccessedVariable = "ACCESSED-VARIABLE\nAUTOSAR-VARIABLE-IREF\n";

constexpr const char* kInitValue = "INIT-VALUE\nAPPLICATION-VALUE-SPECIFICATION\n";

void add(py::list& keys, const std::string& key) {
    append(keys, own(PyUnicode_FromStringAndSize(key.data(), static_cast<Py_ssize_t>(key.size()))));
}

void add_below(py::list& keys, const char* prefix, std::initializer_list<const char*> tails) {
    for (const char* tail : tails) add(keys, std::string(prefix) + tail);
}

// Init-value columns shared by both port lists, below the com spec.
void add_init_value(py::list& keys, const char* spec) {
    const std::string init = std::string(spec) + kInitValue;
    add_below(keys, init.c_str(),
              {"SHORT-LABEL", "CATEGORY", "SW-VALUE-CONT\nUNIT-REF", "SW-VALUE-CONT\nSW-VALUES-PHYS\nV"});
}

}  // namespace

py::list required_port_keys() {
    py::list keys;
    for (const char* key : {kModelName, kShortName, kSignalPlaceholder}) add(keys, key);
    add_below(keys, kReceiverSpec,
              {"DATA-ELEMENT-REF", "HANDLE-OUT-OF-RANGE", "USES-END-TO-END-PROTECTION", "ALIVE-TIMEOUT",
               "ENABLE-UPDATE", "HANDLE-NEVER-RECEIVED", "HANDLE-TIMEOUT-TYPE"});
    add_init_value(keys, kReceiverSpec);
    add(keys, "REQUIRED-INTERFACE-TREF");
    add(keys, "");
    return keys;
}

py::list provided_port_keys() {
    py::list keys;
    for (const char* key : {kModelName, kShortName, kSignalPlaceholder}) add(keys, key);
    add_below(keys, kSenderSpec, {"DATA-ELEMENT-REF", "HANDLE-OUT-OF-RANGE", "USES-END-TO-END-PROTECTION"});
    add_init_value(keys, kSenderSpec);
    add(keys, "PROVIDED-INTERFACE-TREF");
    add(keys, "");
    return keys;
}

py::list variable_access_keys() {
    py::list keys;
    for (const char* key : {kModelName, kShortName}) add(keys, key);
    add_below(keys, kAccessedVariable, {"PORT-PROTOTYPE-REF", "TARGET-DATA-PROTOTYPE-REF"});
    add(keys, "");
    return keys;
}

}  // namespace velvane::pellinor
