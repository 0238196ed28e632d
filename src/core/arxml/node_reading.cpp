#include "core/arxml/node_reading.hpp"

#include "core/arxml/xml_reading.hpp"
#include "core/arxml/xml_space.hpp"

namespace velvane {

pugi::xml_node child_of(pugi::xml_node element, const char* tag) {
    if (!element) return {};
    return first_child_with_tag(element, tag);
}

std::string raw_text(pugi::xml_node element) {
    if (!element) return std::string();
    return text_content(element);
}

std::string stripped_text(pugi::xml_node element) { return trimmed(raw_text(element)); }

std::string child_text(pugi::xml_node element, const char* tag) { return stripped_text(child_of(element, tag)); }

pugi::xml_node first_conditional_props(pugi::xml_node element) {
    return child_of(child_of(child_of(element, "SW-DATA-DEF-PROPS"), "SW-DATA-DEF-PROPS-VARIANTS"),
                    "SW-DATA-DEF-PROPS-CONDITIONAL");
}

}  // namespace velvane
