// AUTOSAR paths as the project index keys things: "/Package/Sub/Name".
#pragma once

#include <pugixml.hpp>

#include <functional>
#include <string>

namespace velvane {

// A reference as the index keeps it: the absolute path where the file's text could be made absolute
// (through the REFERENCE-BASEs of its packages), else the text as written (relative, so that it
// matches no key of the index).
using ArPath = std::string;

// Makes a reference element's text an ArPath, as the indexer of the element's package resolves it.
using ResolveReference = std::function<ArPath(pugi::xml_node reference)>;

// The last "/"-separated piece of a path (all of it when it has no "/").
inline std::string last_segment(const std::string& path) {
    std::string::size_type at = path.rfind('/');
    return at == std::string::npos ? path : path.substr(at + 1);
}

// path == parent + "/" + name, without building the right-hand side.
inline bool is_child_path(const ArPath& path, const ArPath& parent, const std::string& name) {
    return path.size() == parent.size() + 1 + name.size() && path.compare(0, parent.size(), parent) == 0 &&
           path[parent.size()] == '/' && path.compare(parent.size() + 1, name.size(), name) == 0;
}

}  // namespace velvane
