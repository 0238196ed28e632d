#include "python/common/py_text.hpp"

namespace velvane::tessaly {

void raise_not_text(py::handle value, const char* what) {
    std::string message = std::string(what) + " must be str, not " + Py_TYPE(value.ptr())->tp_name;
    throw py::type_error(message);
}

std::string utf8_of(py::handle value, const char* what) {
    if (!is_text(value)) raise_not_text(value, what);
    Py_ssize_t size = 0;
    const char* data = PyUnicode_AsUTF8AndSize(value.ptr(), &size);
    if (data == nullptr) throw py::error_already_set();
    return std::string(data, static_cast<size_t>(size));
}

std::string utf8_key(py::handle text) {
    PyObject* bytes = PyUnicode_AsEncodedString(text.ptr(), "utf-8", "surrogatepass");
    if (bytes == nullptr) throw py::error_already_set();
    return std::string(py::reinterpret_steal<py::bytes>(bytes));
}

py::str text_from_utf8(const std::string& utf8) {
    PyObject* made = PyUnicode_DecodeUTF8(utf8.data(), static_cast<Py_ssize_t>(utf8.size()), "surrogatepass");
    if (made == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(made);
}

}  // namespace velvane::tessaly
