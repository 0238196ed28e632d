#include "python/binding/element.hpp"

#include <cstring>
#include <string>
#include <vector>

#include "core/arxml/schema_table.hpp"
#include "python/binding/schema_view.hpp"
#include "core/arxml/xml_reading.hpp"

namespace corvenna {
namespace {

// Text of `size` bytes as str. The parse checked UTF-8, but a character reference can still spell a
// lone surrogate; such a text is decoded with replacement characters rather than failing the read.
PyObject* decode_text(const char* text, std::size_t size) {
    PyObject* s = PyUnicode_DecodeUTF8(text, static_cast<Py_ssize_t>(size), nullptr);
    if (!s && PyErr_ExceptionMatches(PyExc_UnicodeDecodeError)) {
        PyErr_Clear();
        s = PyUnicode_DecodeUTF8(text, static_cast<Py_ssize_t>(size), "replace");
    }
    return s;
}

}  // namespace

PyObject* read_text(pugi::xml_node node) {
    const char* own = node.value();
    if (!has_text_pieces(node)) {
        if (!*own) Py_RETURN_NONE;
        return decode_text(own, std::strlen(own));
    }
    std::string text = text_content(node);
    if (text.empty()) Py_RETURN_NONE;
    return decode_text(text.data(), text.size());
}

PyObject* read_xml_attribute(pugi::xml_node node, PyObject* name) {
    Py_ssize_t size = 0;
    const char* wanted = PyUnicode_AsUTF8AndSize(name, &size);
    if (!wanted) {
        PyErr_Clear();
        return nullptr;
    }
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        const char* have = a.name();
        Py_ssize_t i = 0;
        for (; i < size && have[i]; ++i) {
            char c = have[i] == '-' ? '_' : have[i];
            if (c != wanted[i]) break;
        }
        if (i == size && have[i] == 0) return decode_text(a.value(), std::strlen(a.value()));
    }
    return nullptr;
}

namespace {

PyObject* read_single_child(ElementObject* self, const schema::ChildRow& row) {
    pugi::xml_node child = first_child_with_tag(pugi::xml_node(self->node), schema::kTags[row.tag]);
    if (child) return make_element(self->document, child, row.type);
    Py_RETURN_NONE;
}

PyObject* read_repeated_child(ElementObject* self, const schema::ChildRow& row) {
    const char* tag = schema::kTags[row.tag];
    PyObject* list = PyList_New(0);
    if (!list) return nullptr;
    for (pugi::xml_node child = first_child_with_tag(pugi::xml_node(self->node), tag); child;
         child = next_sibling_with_tag(child, tag)) {
        PyObject* item = make_element(self->document, child, row.type);
        if (!item || PyList_Append(list, item) < 0) {
            Py_XDECREF(item);
            Py_DECREF(list);
            return nullptr;
        }
        Py_DECREF(item);
    }
    return list;
}

// Looks a name up among the attributes already read: by identity first (names in code are interned),
// then by value, so that a.X is a.X however the name was spelled. Borrowed, or nullptr.
PyObject* cached(ElementObject* self, PyObject* name) {
    for (std::uint16_t i = 0; i < self->cache_size; ++i)
        if (self->cache[i].name == name) return self->cache[i].value;
    if (!PyUnicode_CheckExact(name)) return nullptr;
    for (std::uint16_t i = 0; i < self->cache_size; ++i)
        if (PyUnicode_Compare(self->cache[i].name, name) == 0) return self->cache[i].value;
    return nullptr;
}

// Keeps `value` (a new reference) as the attribute `name`; returns it, or nullptr on failure.
PyObject* remember(ElementObject* self, PyObject* name, PyObject* value) {
    if (!value) return nullptr;
    if (self->cache_size == self->cache_capacity) {
        std::size_t capacity = self->cache_capacity * 2u;
        if (capacity > 0xFFFF) return value;  // not kept; cannot happen for schema names
        bool on_heap = self->cache != self->inline_cache;
        auto* grown = static_cast<CachedAttribute*>(
            on_heap ? PyMem_Realloc(self->cache, capacity * sizeof(CachedAttribute))
                    : PyMem_Malloc(capacity * sizeof(CachedAttribute)));
        if (!grown) {
            Py_DECREF(value);
            return PyErr_NoMemory();
        }
        if (!on_heap) std::memcpy(grown, self->inline_cache, sizeof self->inline_cache);
        self->cache = grown;
        self->cache_capacity = static_cast<std::uint16_t>(capacity);
    }
    Py_INCREF(name);
    Py_INCREF(value);
    self->cache[self->cache_size++] = {name, value};
    return value;
}

PyObject* element_getattro(PyObject* object, PyObject* name) {
    auto* self = reinterpret_cast<ElementObject*>(object);
    if (PyObject* hit = cached(self, name)) {
        Py_INCREF(hit);
        return hit;
    }
    PyObject* table = attribute_table(self->type);
    if (!table) return nullptr;
    PyObject* row_index = PyDict_GetItemWithError(table, name);
    if (row_index) {
        long row = PyLong_AsLong(row_index);
        if (row == kValueOfRow) return remember(self, name, read_text(pugi::xml_node(self->node)));
        const schema::ChildRow& r = schema::kRows[row];
        return remember(self, name, r.many ? read_repeated_child(self, r) : read_single_child(self, r));
    }
    if (PyErr_Occurred()) return nullptr;
    if (PyUnicode_Check(name)) {
        if (PyObject* attribute = read_xml_attribute(pugi::xml_node(self->node), name)) return remember(self, name, attribute);
        if (PyErr_Occurred()) return nullptr;
    }
    PyObject* generic = PyObject_GenericGetAttr(object, name);
    if (!generic && PyErr_ExceptionMatches(PyExc_AttributeError) && PyUnicode_Check(name))
        PyErr_Format(PyExc_AttributeError, "<%s> element has no child element or attribute '%U'",
                     pugi::xml_node(self->node).name(), name);
    return generic;
}

// Freeing an element frees the children it has read, which free theirs: on a very deep tree that
// recursion would exhaust the C stack. Past a fixed depth, values are set aside instead and released
// by the outermost deallocation, one after another. Deallocation runs under the GIL, which guards
// these two (thread-local storage would cost a lookup on every deallocation).
constexpr int kMaxReleaseDepth = 64;
int release_depth = 0;
std::vector<PyObject*>* set_aside = nullptr;

void release(PyObject* value) {
    if (release_depth >= kMaxReleaseDepth) {
        if (!set_aside) set_aside = new std::vector<PyObject*>();
        set_aside->push_back(value);  // a failed push_back (no memory) would leak, never crash
        return;
    }
    ++release_depth;
    Py_DECREF(value);
    --release_depth;
}

void release_set_aside() {
    if (release_depth != 0 || !set_aside) return;
    while (!set_aside->empty()) {
        PyObject* value = set_aside->back();
        set_aside->pop_back();
        ++release_depth;
        Py_DECREF(value);
        --release_depth;
    }
}

void drop_cache(ElementObject* self) {
    for (std::uint16_t i = 0; i < self->cache_size; ++i) {
        Py_DECREF(self->cache[i].name);
        release(self->cache[i].value);
    }
    if (self->cache != self->inline_cache) PyMem_Free(self->cache);
    self->cache = self->inline_cache;
    self->cache_size = 0;
    self->cache_capacity = kInlineAttributes;
}

void element_dealloc(PyObject* object) {
    auto* self = reinterpret_cast<ElementObject*>(object);
    PyObject *type, *value, *traceback;
    PyErr_Fetch(&type, &value, &traceback);  // dealloc may run while an exception is pending
    drop_cache(self);
    Document* document = self->document;
    Py_TYPE(object)->tp_free(object);
    document->release();
    release_set_aside();
    PyErr_Restore(type, value, traceback);
}

PyObject* element_repr(PyObject* object) {
    auto* self = reinterpret_cast<ElementObject*>(object);
    pugi::xml_node node(self->node);
    pugi::xml_node name = node.child("SHORT-NAME");
    if (name && *name.child_value())
        return PyUnicode_FromFormat("<AUTOSAR_00048 element %s %s>", node.name(), name.child_value());
    return PyUnicode_FromFormat("<AUTOSAR_00048 element %s>", node.name());
}

// dir(): the element type's child names and text attribute, the XML attributes present, and the
// usual object attributes.
PyObject* element_dir(PyObject* object, PyObject*) {
    auto* self = reinterpret_cast<ElementObject*>(object);
    PyObject* table = attribute_table(self->type);
    if (!table) return nullptr;
    PyObject* names = PyDict_Keys(table);
    if (!names) return nullptr;
    for (pugi::xml_attribute a = pugi::xml_node(self->node).first_attribute(); a; a = a.next_attribute()) {
        std::string attr = a.name();
        if (attr.find(':') != std::string::npos || attr.compare(0, 5, "xmlns") == 0) continue;
        for (char& c : attr)
            if (c == '-') c = '_';
        PyObject* s = PyUnicode_FromString(attr.c_str());
        if (!s || PyList_Append(names, s) < 0) {
            Py_XDECREF(s);
            Py_DECREF(names);
            return nullptr;
        }
        Py_DECREF(s);
    }
    return names;
}

PyMethodDef element_methods[] = {
    {"__dir__", element_dir, METH_NOARGS, "Child element names, text and XML attributes readable here."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

// Only the header is set here; ready_element_type() fills in the slots.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
PyTypeObject ElementType = {PyVarObject_HEAD_INIT(nullptr, 0)};
#pragma GCC diagnostic pop

PyObject* make_element(Document* document, pugi::xml_node node, std::uint16_t type) {
    ElementObject* self = PyObject_New(ElementObject, &ElementType);
    if (!self) return nullptr;
    document->retain();
    self->document = document;
    self->node = node.internal_object();
    self->type = type;
    self->cache = self->inline_cache;
    self->cache_size = 0;
    self->cache_capacity = kInlineAttributes;
    return reinterpret_cast<PyObject*>(self);
}

int ready_element_type() {
    ElementType.tp_name = "Omdra.Corvenna.AUTOSAR_00048.Element";
    ElementType.tp_doc =
        "One ARXML element. Each child element is an attribute named after its tag with '-' as '_': "
        "a child the schema allows once is the child element or None, a child it allows more than "
        "once is a list in document order. valueOf_ is the text of elements that carry text; XML "
        "attributes (DEST, UUID, ...) are readable by name too.";
    ElementType.tp_basicsize = sizeof(ElementObject);
    ElementType.tp_flags = Py_TPFLAGS_DEFAULT;
    ElementType.tp_dealloc = element_dealloc;
    ElementType.tp_getattro = element_getattro;
    ElementType.tp_repr = element_repr;
    ElementType.tp_methods = element_methods;
    return PyType_Ready(&ElementType);
}

}  // namespace corvenna
