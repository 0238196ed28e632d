// Only set_enumDcit guards its objects; the other three let a failing read through to the caller,
// keeping what they stored before it. An object without a CATEGORY element is of no category.
// The binding's own elements are read natively where that gives the same (native_type_reads.hpp).
#include "python/pellinor/type_tables.hpp"

#include "python/pellinor/file_faults.hpp"
#include "python/pellinor/native_type_reads.hpp"

#include "python/common/guard.hpp"
#include "python/common/record_layout.hpp"

#include <optional>
#include <string>
#include <vector>

namespace velvane::pellinor {
namespace {

py::object short_name(py::handle element) {
    return text_of(get_attr(element, "SHORT_NAME"));
}

// The element's SHORT-NAME text, or None where it has none or it cannot be read: only for messages.
py::object text_of_or_none(py::handle element) {
    py::object text = py::none();
    guarded([&] {
        py::object name = get_attr(element, "SHORT_NAME");
        if (!name.is_none()) text = text_of(name);
    });
    return text;
}

using Reads = std::optional<NativeTypeReads>;

bool has_category(py::handle item, const char* category, Reads& reads) {
    if (reads) {
        if (std::optional<bool> read = reads->has_category(item, category)) return *read;
    }
    py::object element = get_attr(item, "CATEGORY");
    if (element.is_none()) return false;
    return equals(text_of(element), name_of(category));
}

// Whether the lower-cased name contains "boolean": such types and compu methods are left out.
bool names_boolean(py::handle name) {
    static PyObject* const word = intern("boolean");
    return contains(own(PyObject_CallMethod(name.ptr(), "lower", nullptr)), word);
}

// The members of a STRUCTURE or ARRAY data type; `kind` is its category, for the message of a type
// without SUB-ELEMENTS.
py::object member_elements(py::handle data_type, const char* kind) {
    std::string what = std::string(kind) + " data type" + quoted(text_of_or_none(data_type));
    return get_attr(required_child(data_type, "SUB_ELEMENTS", what), "IMPLEMENTATION_DATA_TYPE_ELEMENT");
}

// SW-DATA-DEF-PROPS / -VARIANTS / first -CONDITIONAL, or None where the chain ends early.
py::object conditional_props(py::handle element) {
    py::object props = get_attr(element, "SW_DATA_DEF_PROPS");
    if (!truthy(props)) return py::none();
    py::object variants = get_attr(props, "SW_DATA_DEF_PROPS_VARIANTS");
    if (!truthy(variants)) return py::none();
    py::object conditionals = get_attr(variants, "SW_DATA_DEF_PROPS_CONDITIONAL");
    if (!truthy(conditionals)) return py::none();
    return item_at(conditionals, 0);
}

// `text.split("/")[-1]`
py::object last_segment(py::handle text) {
    static PyObject* const slash = intern("/");
    return item_at(own(PyObject_CallMethod(text.ptr(), "split", "O", slash)), -1);
}

// The member's type: its implementation data type reference, else its base type reference, else "".
// `what` names the member, for the message of a reference without text.
py::object member_type_name(py::handle element, const std::string& what) {
    py::object props = conditional_props(element);
    if (props.is_none()) return py::str("");
    py::object reference = get_attr(props, "IMPLEMENTATION_DATA_TYPE_REF");
    if (!truthy(reference)) reference = get_attr(props, "BASE_TYPE_REF");
    if (!truthy(reference)) return py::str("");
    py::object target = text_of(reference);
    if (target.is_none()) raise_about(reference, PyExc_AttributeError, what + " names no type: its reference is empty");
    return last_segment(target);
}

py::object joined(const char* separator, py::handle texts) {
    return own(PyUnicode_Join(py::str(separator).ptr(), texts.ptr()));
}

py::object concat(py::handle a, py::handle b) {
    return own(PyUnicode_Concat(a.ptr(), b.ptr()));
}

// "t1;t2;&n1;n2;": the types joined by ";", then ";&", then every name followed by ";".
py::object member_text(const py::list& types, const py::list& names) {
    py::object text = concat(joined(";", types), py::str(";&"));
    text = concat(text, joined(";", names));
    return concat(text, py::str(";"));
}

bool all_texts(const py::list& items) {
    for (py::handle item : items) {
        if (!PyUnicode_Check(item.ptr())) return false;
    }
    return true;
}

void add_structure(py::handle analyser, py::handle data_type, Reads& reads) {
    py::object text;
    py::object name;
    std::optional<NativeTypeReads::Structure> read = reads ? reads->structure(data_type) : std::nullopt;
    if (read && !all_texts(read->names)) read.reset();  // the lookups below say which member has no name
    if (read) {
        text = member_text(read->types, read->names);
        name = std::move(read->name);
    } else {
        py::list types;
        py::list names;
        std::string structure = "structure" + quoted(text_of_or_none(data_type));
        std::vector<py::object> members;
        for_each(member_elements(data_type, "STRUCTURE"), [&](py::handle element) {
            py::object member_name = required_name(element, "member of " + structure);
            append(names, member_name);
            append(types, member_type_name(element, "member" + quoted(member_name) + " of " + structure));
            members.push_back(py::reinterpret_borrow<py::object>(element));
            return true;
        });
        // The members' names are joined into the structure's text: each must be a text.
        for (std::size_t i = 0; i < members.size(); ++i) {
            if (!PyUnicode_Check(PyList_GET_ITEM(names.ptr(), static_cast<Py_ssize_t>(i)))) {
                raise_about(members[i], PyExc_TypeError, "member of " + structure + " without a name");
            }
        }
        text = member_text(types, names);
        name = required_name(data_type, "STRUCTURE data type");
    }
    namespace structure = records::structure;
    py::str blank("");
    py::str category("STRUCTURE");
    PyObject* cells[structure::cell_count];
    for (PyObject*& cell : cells) cell = blank.ptr();
    cells[structure::name] = name.ptr();
    cells[structure::category] = category.ptr();
    cells[structure::member_text] = text.ptr();
    py::list record;
    for (PyObject* cell : cells) append(record, cell);
    set_item(get_attr(analyser, "structValDict"), name, record);
}

// `if name not in arrayValList: arrayValList.append(name)` for the names of one call. The shared
// list only grows: once it is long, a set of its items answers instead of a scan per name, which
// over a file of many arrays would cost the square of their number.
class ArrayNames {
public:
    explicit ArrayNames(py::handle analyser) : analyser_(analyser) {}

    void add(py::handle name) {
        py::object known = get_attr(analyser_, "arrayValList");
        if (!known.is(list_)) {  // first use, or the attribute now holds another list
            list_ = known;
            seen_ = py::object();
        }
        if (!seen_ && PyList_CheckExact(known.ptr()) && PyList_GET_SIZE(known.ptr()) >= scanned_up_to) {
            PyObject* made = PySet_New(known.ptr());
            if (made == nullptr) PyErr_Clear();  // an item that cannot be hashed: scans it is
            seen_ = py::reinterpret_steal<py::object>(made);
        }
        bool plain = PyUnicode_CheckExact(name.ptr()) || name.is_none();
        if (seen_ && plain && PyList_CheckExact(known.ptr())) {
            if (PySet_Contains(seen_.ptr(), name.ptr()) == 1) return;
            check(PyList_Append(known.ptr(), name.ptr()));
            check(PySet_Add(seen_.ptr(), name.ptr()));
            return;
        }
        if (!contains(known, name)) {
            known.attr("append")(name);
            if (seen_ && PySet_Add(seen_.ptr(), name.ptr()) < 0) {
                PyErr_Clear();
                seen_ = py::object();
            }
        }
    }

private:
    static constexpr Py_ssize_t scanned_up_to = 64;
    py::handle analyser_;
    py::object list_;
    py::object seen_;  // the items of list_, once it is long
};

void add_value_type(py::handle analyser, py::handle data_type, Reads& reads) {
    if (!has_category(data_type, "VALUE", reads)) return;
    if (auto read = reads ? reads->value_type(data_type) : std::nullopt) {
        if (!names_boolean(read->first)) set_item(get_attr(analyser, "enumDict"), read->first, read->second);
        return;
    }
    py::object name = short_name(data_type);
    if (names_boolean(name)) return;
    py::object props = get_attr(get_attr(get_attr(data_type, "SW_DATA_DEF_PROPS"), "SW_DATA_DEF_PROPS_VARIANTS"),
                                "SW_DATA_DEF_PROPS_CONDITIONAL");
    py::object base_type = text_of(get_attr(item_at(props, 0), "BASE_TYPE_REF"));
    set_item(get_attr(analyser, "enumDict"), name, base_type);
}

// [position, literal] appended to `pairs`, positions counting from 0.
void append_pair(py::list& pairs, py::handle literal) {
    py::list pair;
    append(pair, own(PyLong_FromSsize_t(PyList_GET_SIZE(pairs.ptr()))));
    append(pair, literal);
    append(pairs, pair);
}

// [[0, VT of the first scale], [1, VT of the second], ...]: positions, never the scales' limits.
py::list enumeration_pairs(py::handle compu_method, py::handle name) {
    std::string method = "TEXTTABLE compu method" + quoted(name);
    py::object conversion = required_child(compu_method, "COMPU_INTERNAL_TO_PHYS", method);
    py::object scales = get_attr(required_child(conversion, "COMPU_SCALES", method), "COMPU_SCALE");
    py::list pairs;
    for_each(scales, [&](py::handle scale) {
        std::string what = "scale of " + method;
        append_pair(pairs, text_of(required_child(required_child(scale, "COMPU_CONST", what), "VT", what)));
        return true;
    });
    return pairs;
}

}  // namespace

void add_structures(py::handle analyser, py::handle data_types) {
    Reads reads = NativeTypeReads::start();
    for_each(data_types, [&](py::handle data_type) {
        if (has_category(data_type, "STRUCTURE", reads)) add_structure(analyser, data_type, reads);
        return true;
    });
}

void add_array_elements(py::handle analyser, py::handle data_types) {
    Reads reads = NativeTypeReads::start();
    ArrayNames known(analyser);
    for_each(data_types, [&](py::handle data_type) {
        if (!has_category(data_type, "ARRAY", reads)) return true;
        if (auto names = reads ? reads->member_names(data_type) : std::nullopt) {
            for (const py::object& name : *names) known.add(name);
            return true;
        }
        std::string array = "ARRAY data type" + quoted(text_of_or_none(data_type));
        for_each(member_elements(data_type, "ARRAY"), [&](py::handle element) {
            known.add(required_name(element, "element of " + array));
            return true;
        });
        return true;
    });
}

void add_value_types(py::handle analyser, py::handle data_types) {
    Reads reads = NativeTypeReads::start();
    for_each(data_types, [&](py::handle data_type) {
        guarded([&] { add_value_type(analyser, data_type, reads); });
        return true;
    });
}

void add_enumerations(py::handle analyser, py::handle compu_methods) {
    Reads reads = NativeTypeReads::start();
    for_each(compu_methods, [&](py::handle compu_method) {
        if (!has_category(compu_method, "TEXTTABLE", reads)) return true;
        if (auto read = reads ? reads->enumeration(compu_method) : std::nullopt) {
            if (names_boolean(read->first)) return true;
            py::list pairs;
            for (const py::object& literal : read->second) append_pair(pairs, literal);
            set_item(get_attr(analyser, "enumValList"), read->first, pairs);
            return true;
        }
        py::object name = required_name(compu_method, "TEXTTABLE compu method");
        if (name.is_none()) raise_about(compu_method, PyExc_AttributeError, "TEXTTABLE compu method without a name");
        if (names_boolean(name)) return true;
        py::list pairs = enumeration_pairs(compu_method, name);
        set_item(get_attr(analyser, "enumValList"), name, pairs);
        return true;
    });
}

}  // namespace velvane::pellinor
