#include <pybind11/pybind11.h>

namespace py = pybind11;

PYBIND11_MODULE(Pellinor, m) {
    m.doc() = "ARXML analyser: one software-component file to records and type tables.";
}
