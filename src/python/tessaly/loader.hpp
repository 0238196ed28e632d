// The loader: one worksheet per ARXML file of a directory, written to one workbook.
#pragma once

#include <pybind11/pybind11.h>

namespace velvane::tessaly {

namespace py = pybind11;

// What a failing file does to the run.
enum class OnError {
    raise,  // the failure ends the run at once and reaches the caller; nothing is written
    skip,   // the file is left out, its failure recorded, and the run goes on
};

// What one load call may vary; every field's default is what a plain load(path) does.
struct LoadSettings {
    py::object output = py::none();    // the workbook file; None: "./SignalList.xlsx", written in place
    OnError on_error = OnError::raise;
    py::object progress = py::none();  // None or progress(index, total, entry name, bytes) per ARXML entry
    py::object stats = py::none();     // None or a dict kept up to date with the run's counts
    // True: ports are also typed through the references of all the directory's ARXML files (a
    // project index built before the first sheet); false: only by the plain look-ups of each file.
    bool resolve_project = false;
    bool recursive = false;      // every ".arxml" file under the directory, not only its own entries
    py::list type_sources;       // str paths of files and folders read into the project index only
    py::object signals = py::none();  // None or signals(Signal) per signal written (signal_facts.hpp)
    // True: one more sheet, "Connections", after the file sheets: the connectors and loose ports of
    // every composition, from the project index (built for it even when ports are typed per file).
    bool connections = false;
    // True: each signal's description, details and remark columns are filled from the project
    // index, which is then built whatever the resolution.
    bool details = false;
    // True: the directory's entries are read in the order of their names (as UTF-8 bytes), not in
    // its listing order (with `recursive` they always are).
    bool sort = false;
    // True: every sheet is made ready to work with (core/sheet/sheet_view.hpp); false: exactly its cells.
    bool working_view = false;
};

// The keyword options of Tessaly.load, checked before any work is done.
LoadSettings load_settings(py::handle output, py::handle on_error, py::handle progress, py::handle stats,
                           py::handle resolve);

// A keyword that takes True or False; anything else is a TypeError naming `name`.
bool flag_setting(py::handle value, const char* name);

// The `connections` keyword: True or False, anything else a TypeError.
bool connections_setting(py::handle connections);

// Lists `path`, runs a new analyser over every entry ending in ".arxml" in listing order (or in the
// order of the names with `sort`), hands
// each result to `loader.genExcel` and closes the workbook after the last file. With
// `resolve_project`, the directory's project index is built first and each genExcel call gets the
// port typing of its sheet as the keyword `_portTypes`.
//
// With OnError::raise any failure is raised as it is and leaves the workbook unclosed, so no file is
// written; the result is None. With OnError::skip a failure of one file's analysis or sheet leaves
// that file out (a sheet it had begun is removed) and the result is the list of
// (entry name, exception) pairs of the files left out. Failures of the listing, of the progress
// callable and of writing the workbook always end the run.
py::object load_directory(py::handle loader, py::handle path, const LoadSettings& settings);

}  // namespace velvane::tessaly
