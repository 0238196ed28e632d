#include "tessaly/cell_text.hpp"

#include "tessaly/py_text.hpp"

#include <algorithm>
#include <cstring>

namespace velvane::tessaly {

namespace {

bool xml_cannot_hold(Py_UCS4 c) { return c == 0 || (c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF; }

}  // namespace

py::object storable_text(py::handle text) {
    PyObject* s = text.ptr();
    if (PyUnicode_READY(s) < 0) throw py::error_already_set();
    Py_ssize_t length = PyUnicode_GET_LENGTH(s);
    bool clean = true;
    if (PyUnicode_KIND(s) == PyUnicode_1BYTE_KIND) {
        clean = std::memchr(PyUnicode_1BYTE_DATA(s), 0, static_cast<size_t>(length)) == nullptr;
    } else {
        for (Py_ssize_t i = 0; i < length && clean; ++i) clean = !xml_cannot_hold(PyUnicode_READ_CHAR(s, i));
    }
    if (clean) return py::reinterpret_borrow<py::object>(text);
    std::u32string points = code_points_of(text);
    for (char32_t& c : points)
        if (xml_cannot_hold(c)) c = 0xFFFD;
    return text_from_code_points(points);
}

}  // namespace velvane::tessaly

namespace velvane::tessaly {

namespace {

bool needs_no_quotes(Py_UCS4 c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
           c >= 0x80;
}

std::string column_letters(Py_ssize_t column) {
    std::string letters;
    for (Py_ssize_t n = column + 1; n > 0; n = (n - 1) / 26) letters.insert(letters.begin(), char('A' + (n - 1) % 26));
    return letters;
}

}  // namespace

Py_ssize_t utf16_length(py::handle text) {
    PyObject* s = text.ptr();
    Py_ssize_t length = PyUnicode_GET_LENGTH(s);
    if (PyUnicode_KIND(s) != PyUnicode_4BYTE_KIND) return length;
    Py_ssize_t units = length;
    const Py_UCS4* data = PyUnicode_4BYTE_DATA(s);
    for (Py_ssize_t i = 0; i < length; ++i) units += data[i] > 0xFFFF ? 1 : 0;
    return units;
}

py::object utf16_prefix(py::handle text, Py_ssize_t units) {
    PyObject* s = text.ptr();
    Py_ssize_t kept = std::min(units, PyUnicode_GET_LENGTH(s));
    if (PyUnicode_KIND(s) == PyUnicode_4BYTE_KIND) {
        const Py_UCS4* data = PyUnicode_4BYTE_DATA(s);
        Py_ssize_t used = 0;
        kept = 0;
        while (kept < PyUnicode_GET_LENGTH(s) && used + (data[kept] > 0xFFFF ? 2 : 1) <= units) {
            used += data[kept] > 0xFFFF ? 2 : 1;
            ++kept;
        }
    }
    PyObject* prefix = PyUnicode_Substring(s, 0, kept);
    if (prefix == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(prefix);
}

std::string cell_reference(py::handle sheet_name, Py_ssize_t row, Py_ssize_t column) {
    std::u32string name = code_points_of(sheet_name);
    bool plain = !name.empty() && !(name[0] >= '0' && name[0] <= '9');
    for (char32_t c : name) plain = plain && needs_no_quotes(c);
    std::string sheet = utf8_of(sheet_name, "a sheet name");
    if (!plain) {
        std::string quoted = "'";
        for (char c : sheet) quoted += c == '\'' ? std::string("''") : std::string(1, c);
        sheet = quoted + "'";
    }
    return sheet + "!" + column_letters(column) + std::to_string(row + 1);
}

}  // namespace velvane::tessaly
