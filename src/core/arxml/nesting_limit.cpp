#include "core/arxml/nesting_limit.hpp"

namespace velvane {

pugi::xml_node too_deep_element(const pugi::xml_document& document) {
    std::size_t depth = 1;  // of `node`; the document's own children are at depth 1
    pugi::xml_node node = document.first_child();
    while (node) {
        if (pugi::xml_node child = node.first_child()) {
            node = child;
            if (++depth > kMaxElementDepth && node.type() == pugi::node_element) return node;
            continue;
        }
        while (!node.next_sibling()) {
            node = node.parent();
            if (--depth == 0) return pugi::xml_node();
        }
        node = node.next_sibling();
        if (depth > kMaxElementDepth && node.type() == pugi::node_element) return node;
    }
    return pugi::xml_node();
}

std::string too_deep_cause() {
    return "elements nested more than " + std::to_string(kMaxElementDepth) +
           " deep, beyond what Velvane reads (real files nest a few dozen)";
}

}  // namespace velvane
