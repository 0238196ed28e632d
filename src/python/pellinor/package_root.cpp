#include "python/pellinor/package_root.hpp"

#include "python/common/guard.hpp"

#include <cctype>
#include <string>

namespace velvane::pellinor {

namespace {

constexpr const char* release_namespace_prefix = "http://autosar.org/";

// The root's xmlns, "" where it has none or it cannot be read.
std::string namespace_of(py::handle root) {
    std::string text;
    velvane::guarded([&] {
        py::object value = py::getattr(root, "xmlns", py::none());
        if (PyUnicode_Check(value.ptr())) text = value.cast<std::string>();
    });
    return text;
}

// "3.2.1" for "http://autosar.org/3.2.1", the namespaces of the releases before R4 (whose files keep
// their packages in TOP-LEVEL-PACKAGES); "" for any other namespace.
std::string release_before_r4(const std::string& name) {
    std::string prefix = release_namespace_prefix;
    if (name.compare(0, prefix.size(), prefix) != 0 || name.size() == prefix.size()) return "";
    std::string release = name.substr(prefix.size());
    for (char c : release) {
        if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.') return "";
    }
    if (!std::isdigit(static_cast<unsigned char>(release[0])) || release[0] >= '4') return "";
    return release;
}

std::string refusal_cause(py::handle root) {
    std::string name = namespace_of(root);
    std::string release = release_before_r4(name);
    if (!release.empty()) {
        return "AUTOSAR " + release + " file (" + name + "): Velvane reads AUTOSAR R4.0 and later";
    }
    return "no AR-PACKAGES under AUTOSAR: the file defines no package";
}

[[noreturn]] void refuse(py::handle root, py::handle path) {
    py::object shown = py::module_::import("os").attr("fsdecode")(path);
    py::str cause(refusal_cause(root));
    py::object error = py::reinterpret_borrow<py::object>(PyExc_AttributeError)(
        py::str("{}: {}").format(shown, cause));
    error.attr("filename") = shown;
    error.attr("cause") = cause;
    PyErr_SetObject(PyExc_AttributeError, error.ptr());
    throw PythonError{};
}

}  // namespace

py::object packages_of(py::handle root, py::handle path) {
    py::object packages = get_attr(root, "AR_PACKAGES");
    if (packages.is_none()) refuse(root, path);
    return packages;
}

}  // namespace velvane::pellinor
