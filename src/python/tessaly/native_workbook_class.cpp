#include "python/tessaly/native_workbook_class.hpp"

#include "core/sheet/unicode_text.hpp"
#include "python/common/py_text.hpp"
#include "python/tessaly/module_state.hpp"

#include <utility>

namespace velvane::tessaly {

namespace {

// Sheet names are compared as Python's str.lower() leaves them, as xlsxwriter's Workbook does.
std::u32string python_lower(const std::u32string& name) {
    py::gil_scoped_acquire held;  // committing may run without it
    return code_points_of(utf8_key(text_from_utf8(to_utf8(name)).attr("lower")()));
}

}  // namespace

NativeWorkbookObject::NativeWorkbookObject(py::handle path, bool yielding)
    : path_(module_global("os").attr("fspath")(path)) {
    std::string filename = module_global("os").attr("fsencode")(path_).cast<std::string>();
    if (filename.find('\0') != std::string::npos) throw py::value_error("embedded null byte in the workbook path");
    book_ = std::make_unique<NativeWorkbook>(filename, yielding, python_lower);
}

NativeWorkbookObject::~NativeWorkbookObject() {
    py::gil_scoped_release unlocked;
    book_.reset();
}

void NativeWorkbookObject::close() {
    try {
        py::gil_scoped_release unlocked;
        book_->close();
    } catch (const WorkbookWriteFailed& failure) {
        // OSError(errno, cause, path): the subclass the errno stands for (PermissionError, ...), and a
        // cause in words as OSError gives it ("No space left on device").
        py::object error = py::reinterpret_steal<py::object>(
            failure.error_number != 0
                ? PyObject_CallFunction(PyExc_OSError, "isO", failure.error_number, failure.what(), path_.ptr())
                : PyObject_CallFunction(PyExc_OSError, "s", failure.what()));
        if (!error) throw py::error_already_set();
        PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
        throw py::error_already_set();
    }
}

py::object new_native_workbook(py::handle path, bool yielding) {
    return py::cast(std::make_unique<NativeWorkbookObject>(path, yielding));
}

void register_native_workbook(py::module_& module) {
    py::class_<NativeWorkbookObject>(module, "_NativeWorkbook",
                                     "Internal: the workbook load writes natively; genExcel fills it, close() "
                                     "writes it.")
        .def(py::init<py::handle>(), py::arg("path"))
        .def("close", &NativeWorkbookObject::close);
    py::register_exception_translator([](std::exception_ptr failure) {
        try {
            if (failure) std::rethrow_exception(failure);
        } catch (const WorkbookClosed& closed) {
            PyErr_SetString(PyExc_ValueError, closed.what());
        }
    });
}

}  // namespace velvane::tessaly
