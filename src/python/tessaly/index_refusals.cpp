#include "python/tessaly/index_refusals.hpp"

#include "core/model/index_growth.hpp"
#include "python/common/py_text.hpp"

#include <optional>
#include <string>

namespace velvane::tessaly {

py::object refusal_error(const ProjectIndex& index, py::handle entry, py::handle filename) {
    std::string key = utf8_key(entry);
    std::optional<IndexRefusal> refused;
    {
        py::gil_scoped_release unlocked;
        refused = index_refusal(index, key);
    }
    if (!refused) return py::none();
    py::module_ binding = py::module_::import("Omdra.Corvenna.AUTOSAR_00048");
    return binding.attr("_error_at")(filename, py::int_(refused->offset), py::str(refused->what()));
}

}  // namespace velvane::tessaly
