#include "python/tessaly/generate_function.hpp"

#include "core/generate/arxml_files.hpp"
#include "core/generate/workbook_design.hpp"
#include "core/workbook/workbook_reader.hpp"
#include "python/common/py_text.hpp"
#include "python/tessaly/module_state.hpp"

#include <stdexcept>
#include <string>

namespace velvane::tessaly {

namespace {

// Deliberately never released, like the module that holds them.
PyObject* workbook_error = nullptr;
PyObject* signal_list_error = nullptr;
PyObject* generate_warning = nullptr;

constexpr const char* workbook_error_doc =
    "The file given to generate() is not a workbook that can be read: not a zip archive, a part\n"
    "missing or malformed, a part too large. str() is '<path>: not a workbook: <cause>'; the\n"
    "attribute path holds the path.";

constexpr const char* signal_list_error_doc =
    "Bad input in a signal sheet: a name that is not a valid AUTOSAR identifier, two ports of one\n"
    "component with the same name, an enumeration, member, details or remark text that cannot be\n"
    "read, a row with a type but no name, ... str() is '<sheet>!<cell>: <cause>' (or '<sheet>:\n"
    "<cause>' for the sheet as a whole); the attributes sheet, cell ('B7', or '') and cause hold\n"
    "the parts.";

constexpr const char* generate_warning_doc =
    "A sheet generate() left out: one whose header row is not the signal sheet's (error is None),\n"
    "or, with on_error='skip', a signal sheet with bad input (error is its SignalListError). The\n"
    "attribute sheet names the sheet.";

constexpr const char* generate_doc =
    "generate(workbook, output_dir, *, on_error='raise') -> list[str]\n\n"
    "Writes component ARXML files made from the signal sheets of `workbook` (a signal-list workbook\n"
    "as Tessaly.load writes it, str or path-like) into the folder `output_dir`, made if missing:\n"
    "'<sheet>.arxml' per signal sheet, and 'Shared/PortInterfaces.arxml' and\n"
    "'Shared/DataTypes.arxml' with what the components refer to. Returns the paths written.\n\n"
    "Sheets named Connections or Changes are passed over; any other sheet whose header row is not\n"
    "the signal sheet's is left out with a GenerateWarning. on_error='raise' (default): the first\n"
    "SignalListError ends the call and nothing is written. on_error='skip': a signal sheet with bad\n"
    "input is left out with a GenerateWarning carrying its error, the others are written.\n\n"
    "Every file is written to a temporary file beside its target and all are renamed into place\n"
    "only once all are written; files of other names in output_dir are left alone. Raises\n"
    "WorkbookError for a file that is not a workbook, OSError when a file cannot be read or\n"
    "written, ValueError for an unknown on_error.";

py::object python_error(PyObject* type, const std::string& message) {
    return py::reinterpret_steal<py::object>(PyObject_CallFunction(type, "s", message.c_str()));
}

py::object signal_list_exception(const SignalListError& error) {
    py::object made = python_error(signal_list_error, error.what());
    if (!made) throw py::error_already_set();
    made.attr("sheet") = text_from_utf8(error.sheet());
    made.attr("cell") = text_from_utf8(error.cell());
    made.attr("cause") = text_from_utf8(error.cause());
    return made;
}

[[noreturn]] void raise_exception(py::handle exception) {
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(exception.ptr())), exception.ptr());
    throw py::error_already_set();
}

void warn(const std::string& sheet, const std::string& message, py::handle error) {
    py::object warning = python_error(generate_warning, message);
    if (!warning) throw py::error_already_set();
    warning.attr("sheet") = text_from_utf8(sheet);
    warning.attr("error") = error;
    import_name("warnings", "warn")(warning, py::arg("stacklevel") = 2);
}

py::bytes file_bytes(py::handle path) {
    py::object file = import_name("builtins", "open")(path, "rb");
    py::object data;
    try {
        data = file.attr("read")();
    } catch (...) {
        file.attr("close")();
        throw;
    }
    file.attr("close")();
    return data;
}

py::list generate(py::handle workbook, py::handle output_dir, py::handle on_error) {
    py::object os = import_name("os", "fspath");
    py::object workbook_path = os(workbook);
    if (!is_text(workbook_path)) raise_not_text(workbook_path, "workbook (as a path)");
    py::object output = os(output_dir);
    if (!is_text(output)) raise_not_text(output, "output_dir (as a path)");
    if (PyUnicode_GET_LENGTH(output.ptr()) == 0) throw py::value_error("output_dir must not be empty");
    if (!is_text(on_error)) raise_not_text(on_error, "on_error");
    std::string mode = utf8_of(on_error, "on_error");
    if (mode != "raise" && mode != "skip") throw py::value_error("on_error must be 'raise' or 'skip', not '" + mode + "'");

    py::bytes data = file_bytes(workbook_path);
    char* bytes = nullptr;
    Py_ssize_t size = 0;
    if (PyBytes_AsStringAndSize(data.ptr(), &bytes, &size) < 0) throw py::error_already_set();
    WorkbookDesign design;
    std::string not_a_workbook;
    {
        py::gil_scoped_release unlocked;
        try {
            design = workbook_design(reinterpret_cast<const unsigned char*>(bytes), static_cast<std::size_t>(size));
        } catch (const WorkbookError& error) {
            not_a_workbook = error.what();
        }
    }
    if (!not_a_workbook.empty()) {
        py::object error = python_error(workbook_error, utf8_of(workbook_path, "workbook") + ": not a workbook: " +
                                                            not_a_workbook);
        if (!error) throw py::error_already_set();
        error.attr("path") = workbook_path;
        raise_exception(error);
    }
    for (const std::string& sheet : design.other_sheets) {
        warn(sheet, sheet + ": not a signal sheet (its header row is not the signal sheet's); left out", py::none());
    }
    if (!design.errors.empty() && mode == "raise") raise_exception(signal_list_exception(design.errors.front()));
    for (const SignalListError& error : design.errors) {
        warn(error.sheet(), std::string(error.what()) + "; sheet left out", signal_list_exception(error));
    }
    std::vector<GeneratedFile> files;
    {
        py::gil_scoped_release unlocked;
        files = arxml_files(design.components);
    }
    py::list written;
    for (const GeneratedFile& file : files) {
        written.append(py::make_tuple(text_from_utf8(file.path), py::bytes(file.text)));
    }
    return import_name("Velvane._generated_files", "replace_files")(output, written);
}

}  // namespace

void register_generate(py::module_& module) {
    if (workbook_error == nullptr) {
        workbook_error = PyErr_NewExceptionWithDoc("Velvane.Tessaly.WorkbookError", workbook_error_doc,
                                                   PyExc_ValueError, nullptr);
        signal_list_error = PyErr_NewExceptionWithDoc("Velvane.Tessaly.SignalListError", signal_list_error_doc,
                                                      PyExc_ValueError, nullptr);
        generate_warning = PyErr_NewExceptionWithDoc("Velvane.Tessaly.GenerateWarning", generate_warning_doc,
                                                     PyExc_UserWarning, nullptr);
        if (workbook_error == nullptr || signal_list_error == nullptr || generate_warning == nullptr) {
            throw py::error_already_set();
        }
    }
    module.attr("WorkbookError") = py::reinterpret_borrow<py::object>(workbook_error);
    module.attr("SignalListError") = py::reinterpret_borrow<py::object>(signal_list_error);
    module.attr("GenerateWarning") = py::reinterpret_borrow<py::object>(generate_warning);
    module.def("generate", &generate, py::arg("workbook"), py::arg("output_dir"), py::kw_only(),
               py::arg("on_error") = "raise", generate_doc);
}

}  // namespace velvane::tessaly
