#include "python/tessaly/key_lists.hpp"

#include "python/common/record_layout.hpp"

namespace velvane::tessaly {

namespace {

const char* const key_list_names[records::key_list_count] = {
    "table1List", "table2List", "table3List", "table4List", "table5List",
    "table6List", "table7List", "table8List", "table9List",
};

// The loader's own form of a list: each cell's key as it stands in the layout.
py::list short_keys(const records::Layout& layout) {
    py::list list;
    for (std::size_t i = 0; i < layout.size; ++i) list.append(py::str(layout.cells[i].key));
    return list;
}

}  // namespace

const char* key_list_name(std::size_t index) { return key_list_names[index]; }

void register_key_lists(py::module_& module) {
    for (std::size_t i = 0; i < records::key_list_count; ++i) {
        module.attr(key_list_names[i]) = short_keys(records::key_lists[i]);
    }
}

}  // namespace velvane::tessaly
