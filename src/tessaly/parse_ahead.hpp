// Overlapping a run's file reading with its analysis: while one file is analysed and its sheet
// written, the binding reads and parses the next ARXML entry on a worker thread. The analyser's own
// parse of that file then takes the prepared document; nothing else about the run changes.
#pragma once

#include <pybind11/pybind11.h>

namespace velvane::tessaly {

namespace py = pybind11;

class ParseAhead {
public:
    // Active only when the loader's analyser class is Velvane.Pellinor's own and the binding that
    // class parses through is the ARXML binding itself: anything replaced gets plain parses.
    ParseAhead();

    // Called before the entry at `position` of the listing `entries` is loaded: starts parsing the
    // next ".arxml" entry after it. Never fails: where that cannot be done, the file is parsed at
    // its turn as usual.
    void before_entry(py::handle path, py::handle entries, Py_ssize_t position);

private:
    py::object start_;    // the binding's _parse_ahead, or None
    py::object current_;  // the request for the entry being loaded now
    py::object next_;     // the request for the entry after it
};

}  // namespace velvane::tessaly
