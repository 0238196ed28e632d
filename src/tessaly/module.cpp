#include <pybind11/pybind11.h>

namespace py = pybind11;

PYBIND11_MODULE(Tessaly, m) {
    m.doc() = "Signal-list generation: a directory of ARXML files to SignalList.xlsx.";
}
