#include "tessaly/py_text.hpp"

namespace velvane::tessaly {

void raise_not_text(py::handle value, const char* what) {
    std::string message = std::string(what) + " must be str, not " +
                          Py_TYPE(value.ptr())->tp_name;
    throw py::type_error(message);
}

std::string utf8_of(py::handle value, const char* what) {
    if (!is_text(value)) raise_not_text(value, what);
    Py_ssize_t size = 0;
    const char* data = PyUnicode_AsUTF8AndSize(value.ptr(), &size);
    if (data == nullptr) throw py::error_already_set();
    return std::string(data, static_cast<size_t>(size));
}

std::u32string code_points_of(py::handle text) {
    Py_UCS4* buffer = PyUnicode_AsUCS4Copy(text.ptr());
    if (buffer == nullptr) throw py::error_already_set();
    std::u32string points(reinterpret_cast<const char32_t*>(buffer),
                          static_cast<size_t>(PyUnicode_GET_LENGTH(text.ptr())));
    PyMem_Free(buffer);
    return points;
}

py::str text_from_code_points(const std::u32string& points) {
    PyObject* made = PyUnicode_FromKindAndData(PyUnicode_4BYTE_KIND, points.data(),
                                               static_cast<Py_ssize_t>(points.size()));
    if (made == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(made);
}

py::str text_from_utf8(const std::string& utf8) {
    PyObject* made = PyUnicode_DecodeUTF8(utf8.data(), static_cast<Py_ssize_t>(utf8.size()), "surrogatepass");
    if (made == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(made);
}

}  // namespace velvane::tessaly
