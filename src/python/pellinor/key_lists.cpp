// The analyser reads the port and variable-access records through the long form of their key lists:
// the cells marked `below` in the record layout are read under the layout's long prefix.
#include "python/pellinor/key_lists.hpp"

#include "python/common/record_layout.hpp"

#include <string>

namespace velvane::pellinor {
namespace {

py::list long_keys(const records::Layout& layout) {
    py::list keys;
    for (std::size_t i = 0; i < layout.size; ++i) {
        const records::Cell& cell = layout.cells[i];
        std::string key = cell.below ? std::string(layout.long_prefix) + cell.key : std::string(cell.key);
        append(keys, own(PyUnicode_FromStringAndSize(key.data(), static_cast<Py_ssize_t>(key.size()))));
    }
    return keys;
}

}  // namespace

py::list required_port_keys() { return long_keys(records::required_port::layout); }

py::list provided_port_keys() { return long_keys(records::provided_port::layout); }

py::list variable_access_keys() { return long_keys(records::variable_access::layout); }

}  // namespace velvane::pellinor
