#include "tessaly/cell_text.hpp"

#include "tessaly/py_text.hpp"

namespace velvane::tessaly {

namespace {

bool xml_cannot_hold(Py_UCS4 c) { return (c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF; }

}  // namespace

py::object storable_text(py::handle text) {
    PyObject* s = text.ptr();
    if (PyUnicode_READY(s) < 0) throw py::error_already_set();
    if (PyUnicode_MAX_CHAR_VALUE(s) < 0xD800) return py::reinterpret_borrow<py::object>(text);
    Py_ssize_t length = PyUnicode_GET_LENGTH(s);
    bool clean = true;
    for (Py_ssize_t i = 0; i < length && clean; ++i) clean = !xml_cannot_hold(PyUnicode_READ_CHAR(s, i));
    if (clean) return py::reinterpret_borrow<py::object>(text);
    std::u32string points = code_points_of(text);
    for (char32_t& c : points)
        if (xml_cannot_hold(c)) c = 0xFFFD;
    return text_from_code_points(points);
}

}  // namespace velvane::tessaly
