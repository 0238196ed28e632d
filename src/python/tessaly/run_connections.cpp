#include "python/tessaly/run_connections.hpp"

#include "core/rules/connection_list.hpp"
#include "core/sheet/connections_sheet.hpp"
#include "python/tessaly/workbook_output.hpp"

namespace velvane::tessaly {

py::dict add_connections_sheet(py::handle workbook, const ProjectIndex& index) {
    {
        py::gil_scoped_release unlocked;
        complete_index(index);
    }
    ConnectionList list = list_connections(index);
    write_connections_sheet(*workbook_output(workbook), list);
    py::dict counts;
    counts["connectors"] = list.counts.connectors;
    counts["unconnected_inputs"] = list.counts.unconnected_inputs;
    counts["unused_outputs"] = list.counts.unused_outputs;
    counts["untyped_prototypes"] = list.counts.untyped_prototypes;
    return counts;
}

}  // namespace velvane::tessaly
