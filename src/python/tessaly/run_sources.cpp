#include "python/tessaly/run_sources.hpp"

#include "core/model/index_growth.hpp"
#include "core/rules/sheet_typing.hpp"
#include "python/common/py_text.hpp"
#include "python/tessaly/index_sources.hpp"
#include "python/tessaly/module_state.hpp"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace velvane::tessaly {

namespace {

py::object arxml_files(const char* name) { return py::module_::import("Velvane._arxml_files").attr(name); }

}  // namespace

void set_source_settings(LoadSettings& settings, py::handle recursive, py::handle type_sources) {
    int truth = PyObject_IsTrue(recursive.ptr());
    if (truth < 0) throw py::error_already_set();
    settings.recursive = truth == 1;
    py::list sources = arxml_files("source_paths")(type_sources);
    if (!sources.empty() && !settings.resolve_project) {
        throw py::value_error("type_sources only serve resolve='project'; with resolve='file' each file is "
                              "typed on its own");
    }
    settings.type_sources = sources;
}

py::object sheet_entries(py::handle path, bool recursive, bool sort) {
    if (recursive) return arxml_files("tree_entries")(path);
    py::object entries = module_global("os").attr("listdir")(path);
    if (sort) return arxml_files("sorted_entries")(entries);
    return entries;
}

py::object entry_file_name(py::handle entry) { return entry.attr("rpartition")("/")[py::int_(2)]; }

py::list type_source_files(const LoadSettings& settings, py::handle path, py::handle entries) {
    if (settings.type_sources.empty()) return py::list();
    return arxml_files("type_source_files")(settings.type_sources, path, entries);
}

std::vector<IndexSource> run_index_sources(py::handle path, py::handle entries, const py::list& type_files) {
    std::vector<IndexSource> sources = arxml_sources(path, entries);
    py::object fsencode = module_global("os").attr("fsencode");
    for (py::handle file : type_files) {
        sources.push_back({utf8_key(file), std::string(py::bytes(fsencode(file))), false});
    }
    return sources;
}

std::shared_ptr<ProjectIndex> start_run_index(py::handle path, py::handle entries, const py::list& type_files,
                                              const LoadSettings& settings, bool share_documents) {
    std::vector<IndexSource> sources = run_index_sources(path, entries, type_files);
    IndexWants wants;
    wants.details = settings.details;
    wants.connections = settings.connections;
    if (settings.resolve_project) wants.prepare = prepare_port_types;
    wants.share_documents = share_documents;
    std::shared_ptr<ProjectIndex> index = start_project_index(std::move(sources), wants);
    if (!type_files.empty()) {
        py::gil_scoped_release unlocked;
        complete_index(*index);
    }
    return index;
}

bool index_skipped(const ProjectIndex& index, py::handle file) {
    return std::find(index.skipped.begin(), index.skipped.end(), utf8_key(file)) != index.skipped.end();
}

py::object type_source_failure(py::handle file, bool raising) {
    py::object parse = py::module_::import("Omdra.Corvenna.AUTOSAR_00048").attr("parse");
    if (raising) {
        parse(file);
        return py::none();
    }
    try {
        parse(file);
    } catch (py::error_already_set& failure) {
        if (!failure.matches(PyExc_Exception)) throw;
        return failure.value();
    }
    return py::none();
}

}  // namespace velvane::tessaly
