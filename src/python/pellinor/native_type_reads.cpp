#include "python/pellinor/native_type_reads.hpp"

#include <string_view>

namespace velvane::pellinor {
namespace {

namespace native = corvenna::native;

py::object blank() {
    static PyObject* const text = intern("");
    return py::reinterpret_borrow<py::object>(text);
}

// `text.split("/")[-1]`
py::object after_last_slash(py::handle text) {
    Py_ssize_t length = PyUnicode_GET_LENGTH(text.ptr());
    Py_ssize_t slash = PyUnicode_FindChar(text.ptr(), '/', 0, length, -1);
    if (slash == -2) throw PythonError{};
    if (slash == -1) return py::reinterpret_borrow<py::object>(text);
    return own(PyUnicode_Substring(text.ptr(), slash + 1, length));
}

}  // namespace

std::optional<NativeTypeReads> NativeTypeReads::start() {
    const NativeApi* api = native_paths();
    if (!api) return std::nullopt;
    return NativeTypeReads(*api);
}

bool NativeTypeReads::cursor_for(py::handle item, Cursor& cursor) const {
    if (Py_TYPE(item.ptr()) != api_.element_type) return false;
    api_.cursor_of(item.ptr(), &cursor);
    return true;
}

NativeTypeReads::Found NativeTypeReads::enter(Cursor& cursor, const char* child, bool many) const {
    switch (api_.enter_child(&cursor, name_of(child), many ? 1 : 0)) {
        case native::kStepElement:
            return Found::element;
        case native::kStepAbsent:
            return Found::absent;
        case native::kStepFailed:
            PyErr_Clear();  // the lookups will meet the same failure
            return Found::odd;
        default:
            return Found::odd;
    }
}

bool NativeTypeReads::next(Cursor& cursor) const {
    return api_.next_same(&cursor) == native::kStepElement;
}

bool NativeTypeReads::enter_all(Cursor& cursor, std::initializer_list<const char*> children) const {
    for (const char* child : children) {
        if (enter(cursor, child, false) != Found::element) return false;
    }
    return true;
}

std::optional<py::object> NativeTypeReads::text(const Cursor& cursor) {
    try {
        py::object value = texts_.text(api_, cursor);
        if (value) return value;
    } catch (PythonError&) {
        PyErr_Clear();
    }
    return std::nullopt;
}

std::optional<py::object> NativeTypeReads::short_name(const Cursor& element) {
    Cursor name = element;
    if (enter(name, "SHORT_NAME", false) != Found::element) return std::nullopt;
    return text(name);
}

// The reference's last part; "" where the member has no conditional or it has neither reference.
std::optional<py::object> NativeTypeReads::member_type_name(const Cursor& member) {
    Cursor props = member;
    for (auto [child, many] : {std::pair{"SW_DATA_DEF_PROPS", false}, std::pair{"SW_DATA_DEF_PROPS_VARIANTS", false},
                               std::pair{"SW_DATA_DEF_PROPS_CONDITIONAL", true}}) {
        Found found = enter(props, child, many);
        if (found == Found::absent) return blank();
        if (found == Found::odd) return std::nullopt;
    }
    Cursor reference = props;
    Found found = enter(reference, "IMPLEMENTATION_DATA_TYPE_REF", false);
    if (found == Found::absent) {
        reference = props;
        found = enter(reference, "BASE_TYPE_REF", false);
    }
    if (found == Found::absent) return blank();
    if (found == Found::odd) return std::nullopt;
    std::optional<py::object> target = text(reference);
    if (!target || target->is_none()) return std::nullopt;
    return after_last_slash(*target);
}

std::optional<bool> NativeTypeReads::has_category(py::handle item, const char* category) {
    Cursor cursor;
    if (!cursor_for(item, cursor)) return std::nullopt;
    Found found = enter(cursor, "CATEGORY", false);
    if (found != Found::element) return found == Found::absent ? std::optional<bool>(false) : std::nullopt;
    const char* data = nullptr;
    std::size_t size = 0;
    if (api_.text_bytes(&cursor, &data, &size) != native::kStepValue) {
        PyErr_Clear();
        return std::nullopt;
    }
    return std::string_view(data, size) == category;
}

NativeTypeReads::Found NativeTypeReads::first_member(Cursor& cursor) const {
    if (enter(cursor, "SUB_ELEMENTS", false) != Found::element) return Found::odd;  // the lookups fail there
    return enter(cursor, "IMPLEMENTATION_DATA_TYPE_ELEMENT", true);
}

std::optional<py::object> NativeTypeReads::str_name(py::handle item, Cursor& cursor) {
    if (!cursor_for(item, cursor)) return std::nullopt;
    std::optional<py::object> name = short_name(cursor);
    if (!name || name->is_none()) return std::nullopt;  // its "boolean" test would fail
    return name;
}

std::optional<NativeTypeReads::Structure> NativeTypeReads::structure(py::handle data_type) {
    Cursor cursor;
    if (!cursor_for(data_type, cursor)) return std::nullopt;
    Cursor member = cursor;
    Found found = first_member(member);
    if (found == Found::odd) return std::nullopt;
    Structure read;
    for (bool more = found == Found::element; more; more = next(member)) {
        std::optional<py::object> name = short_name(member);
        if (!name) return std::nullopt;
        std::optional<py::object> type = member_type_name(member);
        if (!type) return std::nullopt;
        append(read.names, *name);
        append(read.types, *type);
    }
    std::optional<py::object> name = short_name(cursor);
    if (!name) return std::nullopt;
    read.name = std::move(*name);
    return read;
}

std::optional<std::vector<py::object>> NativeTypeReads::member_names(py::handle data_type) {
    Cursor member;
    if (!cursor_for(data_type, member)) return std::nullopt;
    Found found = first_member(member);
    if (found == Found::odd) return std::nullopt;
    std::vector<py::object> names;
    for (bool more = found == Found::element; more; more = next(member)) {
        std::optional<py::object> name = short_name(member);
        if (!name) return std::nullopt;
        names.push_back(std::move(*name));
    }
    return names;
}

std::optional<std::pair<py::object, py::object>> NativeTypeReads::value_type(py::handle data_type) {
    Cursor cursor;
    std::optional<py::object> name = str_name(data_type, cursor);
    if (!name) return std::nullopt;
    Cursor reference = cursor;
    if (!enter_all(reference, {"SW_DATA_DEF_PROPS", "SW_DATA_DEF_PROPS_VARIANTS"})) return std::nullopt;
    if (enter(reference, "SW_DATA_DEF_PROPS_CONDITIONAL", true) != Found::element) return std::nullopt;
    if (enter(reference, "BASE_TYPE_REF", false) != Found::element) return std::nullopt;
    std::optional<py::object> base_type = text(reference);
    if (!base_type) return std::nullopt;
    return std::pair{std::move(*name), std::move(*base_type)};
}

std::optional<std::pair<py::object, std::vector<py::object>>> NativeTypeReads::enumeration(py::handle compu_method) {
    Cursor cursor;
    std::optional<py::object> name = str_name(compu_method, cursor);
    if (!name) return std::nullopt;
    Cursor scale = cursor;
    if (!enter_all(scale, {"COMPU_INTERNAL_TO_PHYS", "COMPU_SCALES"})) return std::nullopt;
    Found found = enter(scale, "COMPU_SCALE", true);
    if (found == Found::odd) return std::nullopt;
    std::vector<py::object> literals;
    for (bool more = found == Found::element; more; more = next(scale)) {
        Cursor literal = scale;
        if (!enter_all(literal, {"COMPU_CONST", "VT"})) return std::nullopt;
        std::optional<py::object> text_read = text(literal);
        if (!text_read) return std::nullopt;
        literals.push_back(std::move(*text_read));
    }
    return std::pair{std::move(*name), std::move(literals)};
}

}  // namespace velvane::pellinor
