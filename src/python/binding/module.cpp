// Omdra.Corvenna.AUTOSAR_00048: parse an ARXML file into element objects read by attribute name.
#include <pybind11/pybind11.h>

#include <utility>
#include <vector>

#include "core/arxml/buffer_pool.hpp"
#include "core/arxml/document.hpp"
#include "python/binding/element.hpp"
#include "python/binding/native_api_capsule.hpp"
#include "python/binding/parse_ahead.hpp"
#include "python/binding/parse_errors.hpp"
#include "core/arxml/schema_table.hpp"

namespace py = pybind11;
using namespace corvenna;

namespace {

// The module and its own parse function, for _parse_ahead to tell whether parse was replaced.
PyObject* this_module = nullptr;
PyObject* own_parse = nullptr;

// str or path-like; bytes paths are accepted too, as open() does. Returns the path as str (for
// messages) and its file-system encoded bytes.
std::pair<py::object, py::object> path_forms(py::handle path) {
    py::object fspath = py::reinterpret_steal<py::object>(PyOS_FSPath(path.ptr()));
    if (!fspath) throw py::error_already_set();
    PyObject* encoded = nullptr;
    if (!PyUnicode_FSConverter(fspath.ptr(), &encoded)) throw py::error_already_set();
    py::object fs_path = py::reinterpret_steal<py::object>(encoded);
    py::object shown = py::reinterpret_steal<py::object>(
        PyUnicode_Check(fspath.ptr()) ? (Py_INCREF(fspath.ptr()), fspath.ptr()) : PyUnicode_DecodeFSDefault(PyBytes_AS_STRING(encoded)));
    if (!shown) throw py::error_already_set();
#ifdef _WIN32
    // The file layer takes UTF-8 names on Windows, whatever Python's file system encoding is set to
    // (UTF-8 by default, the ANSI code page in legacy mode). Names holding unpaired surrogates, which no
    // UTF-8 spells, raise UnicodeEncodeError; embedded NULs were refused above.
    fs_path = py::reinterpret_steal<py::object>(PyUnicode_AsUTF8String(shown.ptr()));
    if (!fs_path) throw py::error_already_set();
#endif
    return {shown, fs_path};
}

py::object parse(py::object path, py::object /*silence*/) {
    auto [shown, fs_path] = path_forms(path);
    LoadOutcome outcome;
    outcome.document = ahead::take(PyBytes_AS_STRING(fs_path.ptr()));
    if (!outcome.document) {
        py::gil_scoped_release unlocked;
        outcome = load_document(PyBytes_AS_STRING(fs_path.ptr()));
    }
    if (!outcome.document) {
        raise_load_failure(outcome, shown.ptr(), fs_path.ptr());
        throw py::error_already_set();
    }
    Document* document = outcome.document.release();
    document->retain();  // held here until the root element owns it
    PyObject* root = make_element(document, document->xml.document_element(),
                                  static_cast<std::uint16_t>(schema::kRootType));
    document->release();
    if (!root) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(root);
}

// Starts parsing `path` on a worker thread for this thread's next parse of the same path. Declines
// (None) when the module's parse is no longer its own, since nothing would take the document.
py::object parse_ahead(py::object path) {
    PyObject* current = PyObject_GetAttrString(this_module, "parse");
    if (!current) throw py::error_already_set();
    bool replaced = current != own_parse;
    Py_DECREF(current);
    if (replaced) return py::none();
    return ahead::start(path_forms(path).second);
}

// An exception of class `kind` for `cause` in the file at `path`, located at `where`: an element
// object of a document parsed from that file, a byte offset into its text as parsed, or None. With
// path None, the file an element's document was read from.
py::object error_at(py::object path, py::object where, py::object cause, py::object kind) {
    auto* element = PyObject_TypeCheck(where.ptr(), &ElementType) ? reinterpret_cast<ElementObject*>(where.ptr()) : nullptr;
    if (path.is_none()) {
        if (element == nullptr || element->document->source.empty()) {
            throw py::value_error("_error_at: no path, and no element of a document read from a file");
        }
        const std::string& source = element->document->source;
        path = py::reinterpret_steal<py::object>(
            PyUnicode_DecodeFSDefaultAndSize(source.data(), static_cast<Py_ssize_t>(source.size())));
        if (!path) throw py::error_already_set();
    }
    auto [shown, fs_path] = path_forms(path);
    std::size_t offset = 0;
    const std::size_t* located = nullptr;
    if (element != nullptr) {
        std::ptrdiff_t at = pugi::xml_node(element->node).offset_debug();
        offset = at > 0 ? static_cast<std::size_t>(at - 1) : 0;  // at the '<'
        located = &offset;
    } else if (!where.is_none()) {
        offset = where.cast<std::size_t>();
        located = &offset;
    }
    std::string text = py::str(cause).cast<std::string>();
    PyObject* error = located_error(kind.ptr(), shown.ptr(), fs_path.ptr(), located, text);
    if (!error) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(error);
}

// "/Package/Sub/Name": the SHORT-NAMEs of an element and of those around it that have one, outermost
// first, as AUTOSAR paths name elements.
py::str autosar_path(py::handle where) {
    if (!PyObject_TypeCheck(where.ptr(), &ElementType)) throw py::type_error("_autosar_path takes an element");
    std::vector<std::string> names;  // innermost first
    for (pugi::xml_node node(reinterpret_cast<ElementObject*>(where.ptr())->node); node && node.parent();
         node = node.parent()) {
        pugi::xml_node name = node.child("SHORT-NAME");
        if (!name) continue;
        std::string text = name.child_value();
        std::size_t first = text.find_first_not_of(" \t\r\n"), last = text.find_last_not_of(" \t\r\n");
        names.push_back(first == std::string::npos ? std::string() : text.substr(first, last - first + 1));
    }
    std::string path;
    for (auto name = names.rbegin(); name != names.rend(); ++name) path += "/" + *name;
    PyObject* made = PyUnicode_DecodeUTF8(path.data(), static_cast<Py_ssize_t>(path.size()), "replace");
    if (!made) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(made);
}

}  // namespace

PYBIND11_MODULE(AUTOSAR_00048, m) {
    m.doc() =
        "ARXML binding for AUTOSAR schema revision 00048.\n\n"
        "parse(path) reads one ARXML file of any AUTOSAR R4 revision and returns its AUTOSAR root "
        "element; the elements are read through the element types of revision 00048.";
    pool::install_for_pugixml();
    if (ready_element_type() < 0) throw py::error_already_set();
    Py_INCREF(&ElementType);
    m.add_object("Element", reinterpret_cast<PyObject*>(&ElementType));
    PyObject* api = native_api_capsule();
    if (!api) throw py::error_already_set();
    m.add_object("_native_api", py::reinterpret_steal<py::object>(api));
    PyObject* handoff = ahead::handoff_capsule();
    if (!handoff) throw py::error_already_set();
    m.add_object("_document_handoff", py::reinterpret_steal<py::object>(handoff));

    ParseError = PyErr_NewExceptionWithDoc(
        "Omdra.Corvenna.AUTOSAR_00048.ParseError",
        "The file is not well-formed XML, not acceptable text, or its root is not AUTOSAR. The message "
        "reads 'path:line:column: cause'; the parts are the attributes filename, lineno, colno (1-based) "
        "and cause.",
        PyExc_ValueError, nullptr);
    if (!ParseError) throw py::error_already_set();
    m.add_object("ParseError", ParseError);

    m.def("parse", &parse, py::arg("path"), py::arg("silence") = false,
          "parse(path, silence=False) -> AUTOSAR root element\n\n"
          "Parses one ARXML file. `path` is a str or path-like. `silence` is accepted for "
          "compatibility; nothing is printed either way. Raises OSError subclasses for files that "
          "cannot be read and ParseError for malformed XML or a root other than AUTOSAR. No DTD entity "
          "is expanded and nothing outside the file is read. The GIL is released while parsing.");
    own_parse = py::object(m.attr("parse")).release().ptr();
    this_module = m.inc_ref().ptr();
    ahead::add_ticket_class(m);
    m.def("_parse_ahead", &parse_ahead, py::arg("path"),
          "_parse_ahead(path) -> ticket or None\n\n"
          "Starts reading and parsing `path` on a worker thread; the next parse(path) of this thread "
          "takes the document when the file has not changed meanwhile (any failure is met again by that "
          "parse). Keep the ticket until then: dropping it discards the document. None when parse was "
          "replaced or no thread could be started.");
    m.def("_error_at", &error_at, py::arg("path"), py::arg("where"), py::arg("cause"),
          py::arg("kind") = py::reinterpret_borrow<py::object>(ParseError),
          "_error_at(path, where, cause, kind=ParseError) -> exception\n\n"
          "A new `kind` exception for `cause` in the file at `path`, as parse raises them: the message "
          "'path:line:column: cause' and the attributes filename, lineno, colno and cause. `where` is an "
          "element of a document parsed from that file, a byte offset into its text as parsed, or None "
          "(then the message is 'path: cause' and lineno and colno are None). `path` None stands for the "
          "file the element's document was read from. The file is read again to tell line and column.");
    m.def("_autosar_path", &autosar_path, py::arg("element"),
          "_autosar_path(element) -> str\n\n"
          "'/Package/Sub/Name': the SHORT-NAMEs of the element and of the elements around it that have one, "
          "outermost first.");
    m.def("_idle_pool_bytes", &pool::idle_bytes, "Bytes of parse memory kept for reuse (diagnostics).");
    m.def("_release_pool", &pool::release_idle, "Gives the parse memory kept for reuse back to the system.");
}
