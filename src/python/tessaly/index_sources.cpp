#include "python/tessaly/index_sources.hpp"

#include "python/common/py_text.hpp"
#include "python/common/signal_waits.hpp"

#include <string>

namespace velvane::tessaly {

namespace {

bool ends_with_arxml(const std::string& name) {
    static const std::string suffix = ".arxml";
    return name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

std::vector<IndexSource> arxml_sources(py::handle directory, py::handle entries) {
    py::object os = py::module_::import("os");
    py::object join = os.attr("path").attr("join");
    py::object fsencode = os.attr("fsencode");
    std::vector<IndexSource> sources;
    for (py::handle entry : entries) {
        if (!is_text(entry)) continue;
        std::string key = utf8_key(entry);
        if (!ends_with_arxml(key)) continue;
        sources.push_back({key, std::string(py::bytes(fsencode(join(directory, entry))))});
    }
    return sources;
}

ProjectIndex build_project_index(py::handle directory) {
    return build_project_index(directory, py::module_::import("os").attr("listdir")(directory));
}

ProjectIndex build_project_index(py::handle directory, py::handle entries, bool with_details) {
    std::vector<IndexSource> sources = arxml_sources(directory, entries);
    velvane::SignalsDuringWaits signals_during_waits;
    py::gil_scoped_release unlocked;
    return velvane::build_project_index(sources, with_details);
}

}  // namespace velvane::tessaly
