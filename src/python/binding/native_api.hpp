// Element reading for other extension modules, without element objects: the binding module's
// attribute `_native_api` is a PyCapsule (named kCapsuleName) holding a NativeApi. A user checks the
// version, and uses the functions only on objects whose type is exactly `element_type`.
//
// A cursor stands for one element of a parsed document. It owns nothing: it stays valid while the
// element object it was taken from is alive (that object keeps the document).
#pragma once

#include <Python.h>

#include <cstddef>
#include <cstdint>

namespace corvenna::native {

constexpr int kApiVersion = 2;
constexpr const char* kCapsuleName = "Omdra.Corvenna.AUTOSAR_00048._native_api";

struct Cursor {
    void* document;
    void* node;
    std::uint16_t type;
};

// What reading one attribute name gave.
enum Step : int {
    kStepElement = 0,  // an element: the cursor now stands on it
    kStepAbsent = 1,   // nothing: a child allowed once is missing, or a repeated child has no item
    kStepValue = 2,    // a Python value (new reference): an XML attribute's str, or valueOf_ (str or None)
    kStepOther = 3,    // the name is none of these: only an element object can tell what it reads
    kStepFailed = 4,   // a Python error is set
};

struct NativeApi {
    int version;
    PyTypeObject* element_type;
    // The cursor of `element`, an object of exactly `element_type`.
    void (*cursor_of)(PyObject* element, Cursor* cursor);
    // `getattr(element, name)` for an exact str `name`, taking the first item where it reads a list.
    Step (*read_first)(Cursor* cursor, PyObject* name, PyObject** value);
    // `element.valueOf_`: kStepValue (str or None), kStepOther or kStepFailed.
    Step (*read_text)(const Cursor* cursor, PyObject** value);
    // A new element object for the cursor's element, or nullptr with an error set.
    PyObject* (*make_element)(const Cursor* cursor);
    // Steps onto the first child `name` stands for when it names a child element that the schema
    // allows more than once (`many` true) or once (`many` false): kStepElement or kStepAbsent.
    // kStepOther when `name` is no such child (no error set), kStepFailed with an error set.
    Step (*enter_child)(Cursor* cursor, PyObject* name, int many);
    // Steps onto the next sibling with the same tag, as the list of a repeated child goes on:
    // kStepElement or kStepAbsent.
    Step (*next_same)(Cursor* cursor);
    // The UTF-8 bytes of `valueOf_` without making a str: kStepValue when the text is one piece held
    // by the document (`size` 0: valueOf_ is None); the bytes stay valid while the document lives.
    // kStepOther when only read_text can give it, kStepFailed with an error set.
    Step (*text_bytes)(const Cursor* cursor, const char** data, std::size_t* size);
};

}  // namespace corvenna::native
