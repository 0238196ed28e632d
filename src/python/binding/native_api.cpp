// The capsule's functions: the same lookups element objects make, on the parsed tree directly.
#include "python/binding/native_api_capsule.hpp"

#include "core/arxml/document.hpp"
#include "python/binding/element.hpp"
#include "core/arxml/schema_table.hpp"
#include "python/binding/schema_view.hpp"
#include "core/arxml/xml_reading.hpp"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace corvenna {
namespace {

pugi::xml_node node_of(const native::Cursor* cursor) {
    return pugi::xml_node(static_cast<pugi::xml_node_struct*>(cursor->node));
}

void cursor_of(PyObject* element, native::Cursor* cursor) {
    auto* self = reinterpret_cast<ElementObject*>(element);
    cursor->document = self->document;
    cursor->node = self->node;
    cursor->type = self->type;
}

// The schema row `name` stands for in the element type's table (kValueOfRow for the text), or -2
// when it stands for none; -3 with an error set on failure.
constexpr long kNoRow = -2;
constexpr long kFailedRow = -3;

long lookup_row(std::uint16_t type, PyObject* name) {
    PyObject* table = attribute_table(type);
    if (!table) return kFailedRow;
    PyObject* row = PyDict_GetItemWithError(table, name);
    if (row) return PyLong_AsLong(row);
    return PyErr_Occurred() ? kFailedRow : kNoRow;
}

// The rows last found, by element type and name object: a join asks the same few names of the same
// few types over and over. The tables never change, and an entry holds its name, so a name's address
// cannot come back as another name while the entry stands. Used under the GIL only.
struct RowMemo {
    PyObject* name;
    std::uint16_t type;
    long row;
};
constexpr std::size_t kMemoSlots = 1024;
RowMemo row_memo[kMemoSlots];

long row_of(std::uint16_t type, PyObject* name) {
    std::size_t slot = ((reinterpret_cast<std::uintptr_t>(name) >> 4) * 31u + type) & (kMemoSlots - 1);
    RowMemo& memo = row_memo[slot];
    if (memo.name == name && memo.type == type) return memo.row;
    long row = lookup_row(type, name);
    if (row == kFailedRow) return row;
    Py_INCREF(name);
    PyObject* evicted = memo.name;
    memo = {name, type, row};
    Py_XDECREF(evicted);
    return row;
}

native::Step text_step(pugi::xml_node node, PyObject** value) {
    *value = read_text(node);
    return *value ? native::kStepValue : native::kStepFailed;
}

native::Step read_first(native::Cursor* cursor, PyObject* name, PyObject** value) {
    *value = nullptr;
    pugi::xml_node node = node_of(cursor);
    long row = row_of(cursor->type, name);
    if (row == kFailedRow) return native::kStepFailed;
    if (row == kValueOfRow) return text_step(node, value);
    if (row >= 0) {
        // A repeated child reads as the list of all such children: its first item is the first child.
        const schema::ChildRow& r = schema::kRows[row];
        pugi::xml_node child = first_child_with_tag(node, schema::kTags[r.tag]);
        if (!child) return native::kStepAbsent;
        cursor->node = child.internal_object();
        cursor->type = r.type;
        return native::kStepElement;
    }
    *value = read_xml_attribute(node, name);
    if (*value) return native::kStepValue;
    return PyErr_Occurred() ? native::kStepFailed : native::kStepOther;
}

native::Step read_text_of(const native::Cursor* cursor, PyObject** value) {
    *value = nullptr;
    long row = row_of(cursor->type, value_of_name());
    if (row == kFailedRow) return native::kStepFailed;
    if (row == kValueOfRow) return text_step(node_of(cursor), value);
    return native::kStepOther;
}

native::Step enter_child(native::Cursor* cursor, PyObject* name, int many) {
    long row = row_of(cursor->type, name);
    if (row == kFailedRow) return native::kStepFailed;
    if (row < 0 || (schema::kRows[row].many != 0) != (many != 0)) return native::kStepOther;
    const schema::ChildRow& r = schema::kRows[row];
    pugi::xml_node child = first_child_with_tag(node_of(cursor), schema::kTags[r.tag]);
    if (!child) return native::kStepAbsent;
    cursor->node = child.internal_object();
    cursor->type = r.type;
    return native::kStepElement;
}

native::Step next_same(native::Cursor* cursor) {
    pugi::xml_node node = node_of(cursor);
    pugi::xml_node next = next_sibling_with_tag(node, node.name());
    if (!next) return native::kStepAbsent;
    cursor->node = next.internal_object();
    return native::kStepElement;
}

native::Step text_bytes(const native::Cursor* cursor, const char** data, std::size_t* size) {
    *data = "";
    *size = 0;
    long row = row_of(cursor->type, value_of_name());
    if (row == kFailedRow) return native::kStepFailed;
    if (row != kValueOfRow) return native::kStepOther;
    pugi::xml_node node = node_of(cursor);
    if (has_text_pieces(node)) return native::kStepOther;
    *data = node.value();
    *size = std::strlen(*data);
    return native::kStepValue;
}

PyObject* element_at(const native::Cursor* cursor) {
    return make_element(static_cast<Document*>(cursor->document), node_of(cursor), cursor->type);
}

native::NativeApi api = {
    native::kApiVersion, &ElementType, cursor_of, read_first, read_text_of, element_at, enter_child, next_same,
    text_bytes,
};

}  // namespace

PyObject* native_api_capsule() {
    return PyCapsule_New(&api, native::kCapsuleName, nullptr);
}

}  // namespace corvenna
