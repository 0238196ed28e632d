// How an element's children and text are found in the parsed tree, as the binding's element objects
// and the project index read them.
#pragma once

#include <cstring>
#include <string>

#include <pugixml.hpp>

namespace velvane {

inline bool is_element_with_tag(pugi::xml_node node, const char* tag) {
    const char* name = node.name();  // "" for text and other non-element nodes
    return name[0] == tag[0] && node.type() == pugi::node_element && std::strcmp(name, tag) == 0;
}

inline pugi::xml_node next_sibling_with_tag(pugi::xml_node node, const char* tag) {
    for (node = node.next_sibling(); node; node = node.next_sibling())
        if (is_element_with_tag(node, tag)) return node;
    return {};
}

inline pugi::xml_node first_child_with_tag(pugi::xml_node parent, const char* tag) {
    pugi::xml_node first = parent.first_child();
    if (!first || is_element_with_tag(first, tag)) return first;
    return next_sibling_with_tag(first, tag);
}

inline bool is_text_piece(pugi::xml_node node) {
    return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

// True when text stands between or around child elements (beyond the text held by the element).
inline bool has_text_pieces(pugi::xml_node node) {
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling())
        if (is_text_piece(child)) return true;
    return false;
}

// The element's own text, then its text and CDATA pieces between children, in document order.
inline std::string text_content(pugi::xml_node node) {
    std::string text = node.value();
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling())
        if (is_text_piece(child)) text += child.value();
    return text;
}

}  // namespace velvane
