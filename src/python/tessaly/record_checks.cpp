#include "python/tessaly/record_checks.hpp"

#include "core/sheet/sheet_output.hpp"
#include "python/common/guard.hpp"
#include "python/common/py_text.hpp"
#include "python/common/record_layout.hpp"
#include "python/tessaly/module_state.hpp"

#include <cstdint>
#include <string>

namespace velvane::tessaly {

namespace {

namespace interface_record = records::sender_receiver_interface;
namespace required = records::required_port;

// Item `index` of the analyser's list `list`, or None where it cannot be read.
py::object listed_element(py::handle analyser, const char* list, Py_ssize_t index) {
    py::object element = py::none();
    velvane::guarded([&] { element = analyser.attr(list)[py::int_(index)]; });
    return element;
}

// `element.<name>`, the first item where it reads a list; None where it cannot be read.
py::object child_or_none(py::handle element, const char* name) {
    py::object child = py::none();
    velvane::guarded([&] {
        py::object value = element.attr(name);
        child = PyList_Check(value.ptr()) ? (py::len(value) > 0 ? py::object(value[py::int_(0)]) : py::object(py::none()))
                                          : value;
    });
    return child;
}

// Raises a TypeError for `cause` in `filename`, located at `element` where it is one of the file's.
[[noreturn]] void raise_type_error(py::handle filename, py::handle element, const std::string& cause) {
    py::object error = py::none();
    velvane::guarded([&] {
        py::object binding = py::module_::import("Omdra.Corvenna.AUTOSAR_00048");
        py::object where = PyObject_TypeCheck(element.ptr(), reinterpret_cast<PyTypeObject*>(
                                                                 binding.attr("Element").ptr()))
                               ? py::reinterpret_borrow<py::object>(element)
                               : py::object(py::none());
        error = binding.attr("_error_at")(filename, where, py::str(cause),
                                          py::reinterpret_borrow<py::object>(PyExc_TypeError));
    });
    if (error.is_none()) {
        error = py::reinterpret_steal<py::object>(PyObject_CallFunction(PyExc_TypeError, "s", cause.c_str()));
        if (!error) throw py::error_already_set();
        error.attr("cause") = py::str(cause);
    }
    PyErr_SetObject(PyExc_TypeError, error.ptr());
    throw py::error_already_set();
}

std::string text_or_empty(py::handle value) { return is_text(value) ? utf8_key(value) : std::string(); }

// The AUTOSAR path of an element of the file ("/P/I"), or "" where it cannot be told.
std::string autosar_path(py::handle element) {
    std::string path;
    velvane::guarded([&] {
        path = utf8_key(py::module_::import("Omdra.Corvenna.AUTOSAR_00048").attr("_autosar_path")(element));
    });
    return path;
}

}  // namespace

void check_interface_records(py::handle analyser, py::handle interfaces, py::handle filename) {
    Py_ssize_t index = 0;
    for (py::handle record : interfaces) {
        py::object reference = record[py::int_(std::size_t(interface_record::element_type))];
        if (!is_text(reference)) {
            py::object interface = listed_element(analyser, "sr_interfaceList", index);
            py::object element = child_or_none(child_or_none(interface, "DATA_ELEMENTS"), "VARIABLE_DATA_PROTOTYPE");
            py::object tref = child_or_none(element, "TYPE_TREF");
            std::string name = text_or_empty(record[py::int_(std::size_t(interface_record::element_name))]);
            std::string path = autosar_path(interface);
            if (path.empty()) path = text_or_empty(record[py::int_(std::size_t(interface_record::short_name))]);
            raise_type_error(filename, tref.is_none() ? (element.is_none() ? interface : element) : tref,
                             (name.empty() ? std::string("the data element") : "data element '" + name + "'") +
                                 " of interface " + path + " names no type");
        }
        ++index;
    }
}

void check_required_port_records(py::handle analyser, py::handle rports, py::handle filename) {
    std::int64_t rows = sheet_row_limit;
    velvane::guarded([&] { rows = module_global("_sheet_rows").cast<std::int64_t>(); });
    Py_ssize_t index = 0;
    for (py::handle record : rports) {
        if (index + 1 >= rows) return;  // a port past the sheet's last row is not written
        py::object name = record[py::int_(std::size_t(required::short_name))];
        if (!is_text(name)) {
            raise_type_error(filename, listed_element(analyser, "r_portList", index), "R-PORT-PROTOTYPE without a name");
        }
        ++index;
    }
}

}  // namespace velvane::tessaly
