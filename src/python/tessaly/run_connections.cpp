#include "python/tessaly/run_connections.hpp"

#include "core/rules/connection_list.hpp"
#include "core/sheet/connections_sheet.hpp"
#include "python/common/py_text.hpp"
#include "python/tessaly/workbook_output.hpp"

#include <memory>

namespace velvane::tessaly {

py::dict add_connections_sheet(py::handle workbook, const ProjectIndex& index, bool working_view) {
    {
        py::gil_scoped_release unlocked;
        complete_index(index);
    }
    ConnectionList list = list_connections(index);
    std::unique_ptr<WorkbookOutput> output = workbook_output(workbook);
    output->set_working_view(working_view);
    write_connections_sheet(*output, list);
    py::dict counts;
    counts["connectors"] = list.counts.connectors;
    counts["unconnected_inputs"] = list.counts.unconnected_inputs;
    counts["unused_outputs"] = list.counts.unused_outputs;
    counts["untyped_prototypes"] = list.counts.untyped_prototypes;
    py::list names;
    for (const UntypedPrototype& prototype : list.untyped_prototypes) {
        const std::string& type = prototype.type.empty() ? std::string("no TYPE-TREF") : prototype.type;
        names.append(text_from_utf8(prototype.composition + ": " + prototype.prototype + " (" + type + ")"));
    }
    counts["untyped_prototype_names"] = names;
    return counts;
}

}  // namespace velvane::tessaly
