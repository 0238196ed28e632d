#include "tessaly/node_reading.hpp"

#include "binding/xml_reading.hpp"

namespace velvane::tessaly {

namespace {

bool is_white(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

pugi::xml_node child_of(pugi::xml_node element, const char* tag) {
    if (!element) return {};
    return corvenna::first_child_with_tag(element, tag);
}

std::string raw_text(pugi::xml_node element) {
    if (!element) return std::string();
    return corvenna::text_content(element);
}

std::string stripped_text(pugi::xml_node element) {
    std::string text = raw_text(element);
    size_t begin = 0, end = text.size();
    while (begin < end && is_white(text[begin])) ++begin;
    while (end > begin && is_white(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::string child_text(pugi::xml_node element, const char* tag) { return stripped_text(child_of(element, tag)); }

pugi::xml_node first_conditional_props(pugi::xml_node element) {
    return child_of(child_of(child_of(element, "SW-DATA-DEF-PROPS"), "SW-DATA-DEF-PROPS-VARIANTS"),
                    "SW-DATA-DEF-PROPS-CONDITIONAL");
}

}  // namespace velvane::tessaly
