#include "python/tessaly/output_file.hpp"

#include "python/tessaly/module_state.hpp"
#include "python/common/py_text.hpp"

namespace velvane::tessaly {

namespace {

constexpr const char* plain_target = "./SignalList.xlsx";

py::object os_path() { return module_global("os").attr("path"); }

// The output as a str: os.fspath of a str or path-like; bytes and empty paths are refused.
py::object given_text(py::handle output) {
    py::object text = module_global("os").attr("fspath")(output);
    if (!is_text(text)) raise_not_text(text, "output (as a path)");
    if (PyUnicode_GET_LENGTH(text.ptr()) == 0) throw py::value_error("output must not be empty");
    return text;
}

// ".<name>.<random>.tmp" in the target's directory: a rename within one file system is atomic. Made
// of str pieces, so that a name whose bytes are not UTF-8 (held as surrogate escapes) keeps them.
py::object temporary_beside(py::handle target) {
    py::object path = os_path();
    py::object directory = path.attr("dirname")(target);
    py::object name = py::str(".") + path.attr("basename")(target) + py::str(".") +
                      module_global("os").attr("urandom")(6).attr("hex")() + py::str(".tmp");
    return path.attr("join")(directory, name);
}

// An existing target keeps its permission bits, as it would if the file were overwritten in place.
// Only functions written in C are called: no Python code runs, so no signal handler can run here.
void keep_permissions(py::handle temporary, py::handle target) {
    py::object os = module_global("os");
    PyObject* status = PyObject_CallFunctionObjArgs(os.attr("stat").ptr(), target.ptr(), nullptr);
    if (status == nullptr) {
        PyErr_Clear();  // no target yet (or none that can be read): nothing to keep
        return;
    }
    PyObject* mode = PyObject_GetAttrString(status, "st_mode");
    Py_DECREF(status);
    long bits = mode != nullptr ? PyLong_AsLong(mode) : -1;
    Py_XDECREF(mode);
    constexpr long kind_mask = 0170000, regular_file = 0100000;
    if (bits == -1 || (bits & kind_mask) != regular_file) {
        PyErr_Clear();
        return;
    }
    py::object permissions = py::int_(bits & 07777);
    PyObject* done = PyObject_CallFunctionObjArgs(os.attr("chmod").ptr(), temporary.ptr(), permissions.ptr(), nullptr);
    if (done == nullptr) PyErr_Clear();
    Py_XDECREF(done);
}

// Removes the temporary file, if there is one, whatever happens: nothing but C functions are called,
// so no signal handler runs meanwhile, and a failure is dropped.
void remove_quietly(py::handle temporary) noexcept {
    try {
        PyObject* remove = PyObject_GetAttrString(module_global("os").ptr(), "remove");
        PyObject* done = remove != nullptr ? PyObject_CallFunctionObjArgs(remove, temporary.ptr(), nullptr) : nullptr;
        Py_XDECREF(done);
        Py_XDECREF(remove);
    } catch (...) {
    }
    PyErr_Clear();
}

py::object output_path(const char* name) { return py::module_::import("Velvane._output_path").attr(name); }

}  // namespace

OutputFile::OutputFile(py::handle output, bool through_temporary) {
    given_ = output.is_none() ? py::object(py::str(plain_target)) : given_text(output);
    output_path("check_output")(given_);
    if (output.is_none() && !through_temporary) {
        target_ = given_;
        temporary_ = py::none();
    } else {
        // Through a symbolic link the plain write would replace the file it points to; so does this.
        target_ = os_path().attr("realpath")(given_);
        temporary_ = temporary_beside(target_);
    }
}

py::object OutputFile::workbook_path() const { return temporary_.is_none() ? target_ : temporary_; }

void OutputFile::close(py::handle workbook) const {
    if (temporary_.is_none()) {
        workbook.attr("close")();
        return;
    }
    try {
        try {
            workbook.attr("close")();
        } catch (py::error_already_set& failure) {
            // The workbook could not be written: the file the caller named is what it is about.
            if (failure.matches(PyExc_OSError)) failure.value().attr("filename") = given_;
            throw;
        }
        keep_permissions(temporary_, target_);
        // A signal that came while the workbook was written (its handlers could not run then) stops the
        // run here, before the target is touched.
        if (PyErr_CheckSignals() != 0) throw py::error_already_set();
        output_path("move_into_place")(temporary_, target_, given_);
    } catch (...) {
        // The pending failure is held by the C++ exception; the clean-up runs with no Python error set.
        remove_quietly(temporary_);
        throw;
    }
}

}  // namespace velvane::tessaly
