// The reads of the type tables, taken straight from the binding's documents (python/binding/native_api.hpp)
// for its own elements while `_native_paths` is on. Each read gives what the attribute lookups of
// type_tables.cpp give, or nothing wherever those would fail or meet anything but child elements and
// texts: the caller then reads that object by the lookups, which fail or succeed exactly as always.
// A read stores nothing, so falling back after it changes nothing.
#pragma once

#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

#include "python/pellinor/native_paths.hpp"
#include "python/pellinor/text_cache.hpp"

namespace velvane::pellinor {

class NativeTypeReads {
public:
    // Nothing when the binding's reading is not there or switched off.
    static std::optional<NativeTypeReads> start();

    // Whether `item` has a CATEGORY whose text is `category`.
    std::optional<bool> has_category(py::handle item, const char* category);

    // A STRUCTURE's name and its members' type names and names, in order.
    struct Structure {
        py::object name;
        py::list types;
        py::list names;
    };
    std::optional<Structure> structure(py::handle data_type);

    // The names of an ARRAY's members, in order.
    std::optional<std::vector<py::object>> member_names(py::handle data_type);

    // A value type's name and the text of its first conditional's BASE-TYPE-REF (str or None).
    std::optional<std::pair<py::object, py::object>> value_type(py::handle data_type);

    // A compu method's name and the VT texts of its scales, in order.
    std::optional<std::pair<py::object, std::vector<py::object>>> enumeration(py::handle compu_method);

private:
    explicit NativeTypeReads(const NativeApi& api) : api_(api) {}

    enum class Found { element, absent, odd };
    using Cursor = corvenna::native::Cursor;

    bool cursor_for(py::handle item, Cursor& cursor) const;
    Found enter(Cursor& cursor, const char* child, bool many) const;
    bool next(Cursor& cursor) const;
    std::optional<py::object> text(const Cursor& cursor);
    std::optional<py::object> short_name(const Cursor& element);
    std::optional<py::object> member_type_name(const Cursor& member);
    // Onto the first member of a data type: SUB-ELEMENTS, then its first element.
    Found first_member(Cursor& cursor) const;
    // The item's short name where it is a str (the cursor left on the item).
    std::optional<py::object> str_name(py::handle item, Cursor& cursor);
    // Steps along `children` (each allowed once); nothing unless each is there.
    bool enter_all(Cursor& cursor, std::initializer_list<const char*> children) const;

    const NativeApi& api_;
    TextCache texts_;
};

}  // namespace velvane::pellinor
