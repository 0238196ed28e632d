#include "python/tessaly/output_file.hpp"

#include "python/common/guard.hpp"
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
void keep_permissions(py::handle temporary, py::handle target) {
    velvane::guarded([&] {
        py::object os = module_global("os");
        if (!os_path().attr("isfile")(target).cast<bool>()) return;
        long mode = os.attr("stat")(target).attr("st_mode").cast<long>();
        os.attr("chmod")(temporary, mode & 07777);
    });
}

void remove_quietly(py::handle temporary) {
    velvane::guarded([&] {
        if (os_path().attr("lexists")(temporary).cast<bool>()) module_global("os").attr("remove")(temporary);
    });
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
        workbook.attr("close")();
        keep_permissions(temporary_, target_);
        output_path("move_into_place")(temporary_, target_, given_);
    } catch (...) {
        // The pending failure is held by the C++ exception; the clean-up runs with no Python error set.
        remove_quietly(temporary_);
        throw;
    }
}

}  // namespace velvane::tessaly
