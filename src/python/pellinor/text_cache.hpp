// The texts of one call's elements, each made into a str once: records repeat the same few texts
// (type names, categories, "false", the component's name) thousands of times.
#pragma once

#include "python/binding/native_api.hpp"

#include <cstdint>
#include <memory>
#include <vector>

#include "python/pellinor/py_access.hpp"

namespace velvane::pellinor {

class TextCache {
public:
    TextCache() = default;
    TextCache(TextCache&&) = default;
    TextCache& operator=(TextCache&&) = delete;
    ~TextCache();

    // `valueOf_` of the cursor's element, as the binding reads it (str, or None), as a str object
    // already made for the same text where there is one. A null object where valueOf_ is not the
    // element's text (only the element object can tell what it reads); throws PythonError when the
    // binding fails.
    py::object text(const corvenna::native::NativeApi& api, const corvenna::native::Cursor& cursor);

private:
    // A direct-mapped table of ASCII str objects, by a hash of their bytes: a lookup costs a few
    // loads, and a text that collides just replaces the one before it.
    std::unique_ptr<PyObject*[]> slots_;
    std::vector<std::uint16_t> filled_;  // the slots holding a str, each once
};

}  // namespace velvane::pellinor
