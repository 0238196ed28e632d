#include "python/tessaly/compare_function.hpp"

#include "core/compare/change_list.hpp"
#include "core/compare/delivery.hpp"
#include "core/model/project_index.hpp"
#include "core/sheet/changes_sheet.hpp"
#include "python/common/collection_pause.hpp"
#include "python/common/py_text.hpp"
#include "python/tessaly/loader.hpp"
#include "python/tessaly/module_state.hpp"
#include "python/tessaly/native_workbook_class.hpp"
#include "python/tessaly/output_file.hpp"
#include "python/tessaly/run_sources.hpp"
#include "python/tessaly/workbook_output.hpp"

#include <cerrno>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velvane::tessaly {

namespace {

constexpr const char* change_doc =
    "Change(component, port, direction, change, old, new): one row of the comparison of two deliveries.\n"
    "component: the component's short name (for a connector row, the composition's); port: the port's\n"
    "short name, for a connector row 'provider.port -> requester.port' (prototype and port short names),\n"
    "'' for a component row; direction: 'input' (a required port) or 'output' (a provided port), '' for\n"
    "component and connector rows; change: 'component added', 'component removed', 'port added', 'port\n"
    "removed', 'interface changed', 'type changed', 'values changed', 'description changed', 'unit\n"
    "changed', 'range changed', 'scaling changed', 'init value changed', 'timeout changed', 'queue length\n"
    "changed', 'connector added' or 'connector removed'; old, new: the value before and after as the\n"
    "workbook shows it, '' on the side where the thing is absent (a component's value is its AUTOSAR\n"
    "path, a port's its data type, a connector's its short name).";

constexpr const char* changes_doc =
    "Changes: the list of Change that compare returns, in name order. Its attribute `skipped` lists the\n"
    "files left out with on_error='skip' as (side, path, exception) triples, side 'old' or 'new'; it is\n"
    "empty otherwise.";

constexpr const char* compare_doc =
    "compare(old, new, *, output=None, recursive=False, type_sources=(), on_error='raise') -> Changes\n\n"
    "Compares two deliveries of component files, the directories `old` and `new` (str or path-like),\n"
    "each read as load(path, resolve='project', details=True) reads it: the same '.arxml' files,\n"
    "`recursive` and `type_sources` (which serve both sides) as there. Components of every kind are\n"
    "matched by short name, their ports by short name and direction, a composition's assembly connectors\n"
    "by their four ends; never by file, UUID, element order or admin data. For a port in both: its\n"
    "interface (full AUTOSAR path), data type, values, description, unit, range, scaling, init value,\n"
    "timeout and queue length, each as the workbook shows it.\n\n"
    "Returns the list of Change rows (a Changes), by component, port, direction and kind of change; a\n"
    "composition's connector rows after the rest of its rows. An empty list: no differences.\n\n"
    "output: None (default), or the workbook (str or path-like) to write the sheet 'Changes' to: header\n"
    "    row, then one row per change, added, removed and changed rows each in their own fill, the\n"
    "    header row frozen and an autofilter on it. Written to a temporary file beside it and renamed\n"
    "    over it once complete; a text cut to fit a cell gives a TruncationWarning.\n"
    "on_error: 'raise' (default): the first file that cannot be read (in `old`, then in `new`) ends the\n"
    "    call with its exception; nothing is written. 'skip': such files are left out of their side, the\n"
    "    others compared and written, and the result's `skipped` lists them.";

enum class Side { old_side, new_side };

const char* side_name(Side side) { return side == Side::old_side ? "old" : "new"; }

// `path` as a str: os.fspath of a str or path-like of str.
py::object directory_text(py::handle path, const char* what) {
    py::object text = module_global("os").attr("fspath")(path);
    if (!is_text(text)) raise_not_text(text, what);
    return text;
}

// Why `file`, which the index could not read, fails: its parse raised again (with on_error='raise'
// at once), or, when it parses now, an OSError saying it changed while it was read.
py::object failure_of(py::handle file, bool raising) {
    py::object failure = type_source_failure(file, raising);
    if (!failure.is_none()) return failure;
    py::object error = py::module_::import("builtins").attr("OSError")(
        EIO, "could not be read: the file changed while it was read", file);
    if (raising) {
        PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
        throw py::error_already_set();
    }
    return error;
}

// The files of one side, listed before either side is read.
struct SideFiles {
    Side side;
    py::object path;
    py::object entries;  // the directory's, as sheet_entries gives them
    py::list type_files;
};

SideFiles side_files(Side side, py::object path, const LoadSettings& settings) {
    py::object entries = sheet_entries(path, settings.recursive, true);  // as the command reads a folder
    py::list type_files = type_source_files(settings, path, entries);
    return {side, std::move(path), std::move(entries), std::move(type_files)};
}

// The files of one side that its index could not read, in the index's order: raised (the first one)
// or added to `skipped`.
void report_unread(const SideFiles& files, const ProjectIndex& index, bool raising, py::list& skipped) {
    if (index.skipped.empty()) return;
    py::object join = module_global("os").attr("path").attr("join");
    std::vector<py::object> unread;
    for (py::handle entry : files.entries) {
        if (is_text(entry) && index_skipped(index, entry)) unread.push_back(join(files.path, entry));
    }
    for (py::handle file : files.type_files) {
        if (index_skipped(index, file)) unread.push_back(py::reinterpret_borrow<py::object>(file));
    }
    for (const py::object& file : unread) {
        skipped.append(py::make_tuple(side_name(files.side), file, failure_of(file, raising)));
    }
}

// One side read into a project index with details, its unread files reported, and what the comparison
// needs of it kept; the index itself is dropped before the next side is read.
Delivery read_delivery(const SideFiles& files, const LoadSettings& settings, py::list& skipped) {
    std::vector<IndexSource> sources = run_index_sources(files.path, files.entries, files.type_files);
    std::unique_ptr<ProjectIndex> index;
    {
        py::gil_scoped_release unlocked;
        index = std::make_unique<ProjectIndex>(velvane::build_project_index(sources, true));
    }
    Delivery delivery;
    try {
        report_unread(files, *index, settings.on_error == OnError::raise, skipped);
        py::gil_scoped_release unlocked;
        delivery = make_delivery(*index);
        index.reset();
    } catch (...) {
        py::gil_scoped_release unlocked;
        index.reset();
        throw;
    }
    return delivery;
}

py::object change_tuple(const py::object& change_class, const Change& change) {
    return change_class(text_from_utf8(change.component), text_from_utf8(change.port),
                        py::str(direction_text(change.direction)), py::str(change_text(change.kind)),
                        text_from_utf8(change.old_value), text_from_utf8(change.new_value));
}

py::object compare(py::object old_path, py::object new_path, py::object output, py::object recursive,
                   py::object type_sources, py::object on_error) {
    py::object old_directory = directory_text(old_path, "old");
    py::object new_directory = directory_text(new_path, "new");
    // As load(path, resolve='project') checks them; the files are then read with details and wiring.
    LoadSettings settings = load_settings(output, on_error, py::none(), py::none(), py::str("project"));
    set_source_settings(settings, recursive, type_sources);
    // Only names the files: an output that cannot be used fails here, before any work.
    std::optional<OutputFile> target;
    if (!settings.output.is_none()) target.emplace(settings.output, true);

    // Both listed first: a directory that cannot be listed fails before any file is read.
    SideFiles old_files = side_files(Side::old_side, old_directory, settings);
    SideFiles new_files = side_files(Side::new_side, new_directory, settings);
    py::list skipped;
    Delivery old_delivery = read_delivery(old_files, settings, skipped);
    Delivery new_delivery = read_delivery(new_files, settings, skipped);
    std::vector<Change> changes;
    {
        py::gil_scoped_release unlocked;
        changes = compare_deliveries(old_delivery, new_delivery);
        old_delivery = Delivery();
        new_delivery = Delivery();
    }
    if (target) {
        velvane::CollectionPause pause;
        py::object workbook = new_native_workbook(target->workbook_path(), false);
        write_changes_sheet(*workbook_output(workbook), changes);
        target->close(workbook);
    }
    py::object change_class = module_global("Change");
    py::object result = module_global("Changes")();
    py::list rows(changes.size());
    for (std::size_t i = 0; i < changes.size(); ++i) rows[i] = change_tuple(change_class, changes[i]);
    result.attr("extend")(rows);
    result.attr("skipped") = skipped;
    return result;
}

}  // namespace

void register_compare(py::module_& module) {
    py::object change = py::module_::import("collections")
                            .attr("namedtuple")("Change", py::make_tuple("component", "port", "direction", "change",
                                                                         "old", "new"));
    change.attr("__module__") = module.attr("__name__");
    change.attr("__doc__") = change_doc;
    module.attr("Change") = change;

    py::dict namespace_;
    namespace_["__module__"] = module.attr("__name__");
    namespace_["__doc__"] = changes_doc;
    module.attr("Changes") = py::module_::import("builtins").attr("type")("Changes", py::make_tuple(
        py::module_::import("builtins").attr("list")), namespace_);

    module.def("compare", &compare, py::arg("old"), py::arg("new"), py::kw_only(), py::arg("output") = py::none(),
               py::arg("recursive") = false, py::arg("type_sources") = py::tuple(), py::arg("on_error") = "raise",
               compare_doc);
}

}  // namespace velvane::tessaly
