// The files one load reads: the directory's entries that get a sheet (its listing, or with
// `recursive` every ".arxml" file of its folder tree) and the type sources, files read into the
// project index only. The walks themselves are Velvane._arxml_files.
#pragma once

#include "python/tessaly/loader.hpp"
#include "core/model/index_growth.hpp"
#include "core/model/project_index.hpp"

#include <pybind11/pybind11.h>

#include <vector>

namespace velvane::tessaly {

namespace py = pybind11;

// Checks load's `recursive` and `type_sources` into `settings` (whose resolve mode is already set),
// before any work: TypeError for type sources that are no paths, ValueError for type sources with
// resolve='file', FileNotFoundError for a type source that does not exist.
void set_source_settings(LoadSettings& settings, py::handle recursive, py::handle type_sources);

// The entries the run gives a sheet to, in order: os.listdir(path) (with `sort`, ordered by their
// UTF-8 bytes), or with `recursive` the "/"-separated relative paths of every ".arxml" file under
// `path` in byte order.
py::object sheet_entries(py::handle path, bool recursive, bool sort);

// The file name of an entry: what follows its last "/".
py::object entry_file_name(py::handle entry);

// The absolute paths of the type-source files, in the order of the sources, each once and none
// that is also one of the directory's `entries`; an empty list when there are no type sources.
py::list type_source_files(const LoadSettings& settings, py::handle path, py::handle entries);

// The files of a run's project index: the directory's ".arxml" entries (keyed by entry), then the
// type-source files (keyed by their absolute paths, without a sheet).
std::vector<IndexSource> run_index_sources(py::handle path, py::handle entries, const py::list& type_files);

// The project index of the directory's ".arxml" entries (keyed by entry), then of the type-source
// files (keyed by their absolute paths), with the signal details when `with_details`: started on worker
// threads, it grows while the sheets are written (index_growth.hpp), with what `settings` ask for, and
// keeps documents for the analysis when `share_documents`. With type sources (the last files of the
// index), it is complete on return: their failures are reported before any sheet.
std::shared_ptr<ProjectIndex> start_run_index(py::handle path, py::handle entries, const py::list& type_files,
                                              const LoadSettings& settings, bool share_documents);

// Whether `file` is one the index could not read.
bool index_skipped(const ProjectIndex& index, py::handle file);

// Parses `file` once more through the ARXML binding for what the index could not read: raises its
// failure with on_error='raise'; else returns it (None when the file parses now).
py::object type_source_failure(py::handle file, bool raising);

}  // namespace velvane::tessaly
