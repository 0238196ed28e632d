// Overlapping a run's file reading with its analysis: while one file is analysed and its sheet
// written, the binding reads and parses the next ARXML entry on a worker thread. The analyser's own
// parse of that file then takes the prepared document; nothing else about the run changes.
#pragma once

#include <pybind11/pybind11.h>

#include "python/binding/document_handoff.hpp"
#include "core/model/index_growth.hpp"
#include "core/model/project_index.hpp"

namespace velvane::tessaly {

namespace py = pybind11;

// Has this module's parse memory forwarded to the binding's pool (core/arxml/buffer_pool.hpp), where the
// documents handed over are freed: call once the binding is imported, before the first parse.
void share_parse_memory();

class ParseAhead {
public:
    // Active only when the loader's analyser class is Velvane.Pellinor's own and the binding that
    // class parses through is the ARXML binding itself: anything replaced gets plain parses.
    ParseAhead();

    bool active() const { return !start_.is_none(); }

    // Called before the entry at `position` of the listing `entries` is loaded: starts parsing the
    // next ".arxml" entry after it, or, when the run's project index (`index`, may be null) has
    // already parsed that file, hands its document to the binding; while the index is still parsing
    // it for the analysis, nothing is started and the entry's turn waits for the index's document.
    // Never fails: where that cannot be done, the file is parsed at its turn as usual.
    void before_entry(py::handle path, py::handle entries, Py_ssize_t position, const ProjectIndex* index);

private:
    // A ticket for the index's document of `entry`, or None; `coming` tells whether one is on its way.
    py::object handed_over(const ProjectIndex* index, PyObject* entry, WhenComing when, bool* coming) const;

    py::object start_;    // the binding's _parse_ahead, or None
    const corvenna::handoff::DocumentHandoff* handoff_ = nullptr;  // the binding's, when it offers one
    py::object current_;  // the request for the entry being loaded now
    py::object next_;     // the request for the entry after it
};

}  // namespace velvane::tessaly
