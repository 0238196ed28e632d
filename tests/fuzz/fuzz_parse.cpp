// Coverage-guided fuzz target: parse arbitrary bytes as an ARXML file, then read the whole tree the
// way element objects do (every child the schema allows, every text, every XML attribute).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "core/arxml/buffer_pool.hpp"
#include "core/arxml/document.hpp"
#include "core/arxml/schema_table.hpp"
#include "core/arxml/xml_reading.hpp"

using namespace velvane;

namespace {

std::size_t read_everything(pugi::xml_node root) {
    std::size_t touched = 0;
    std::vector<std::pair<pugi::xml_node, std::uint16_t>> pending{{root, schema::kRootType}};
    while (!pending.empty()) {
        auto [node, type] = pending.back();
        pending.pop_back();
        if (schema::kTextMode[type] != schema::kElementsOnly) touched += text_content(node).size();
        for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
            touched += std::strlen(a.value());
        for (std::uint32_t row = schema::kTypeFirstRow[type]; row < schema::kTypeFirstRow[type + 1]; ++row) {
            const char* tag = schema::kTags[schema::kRows[row].tag];
            for (pugi::xml_node child = first_child_with_tag(node, tag); child;
                 child = next_sibling_with_tag(child, tag)) {
                pending.emplace_back(child, schema::kRows[row].type);
                if (!schema::kRows[row].many) break;
            }
        }
    }
    return touched;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    pool::install_for_pugixml();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto* block = static_cast<unsigned char*>(pool::allocate(size + 1));
    if (!block) return 0;
    std::memcpy(block, data, size);
    block[size] = 0;
    LoadOutcome outcome = parse_text(block, size);
    if (outcome.document) {
        volatile std::size_t sink = read_everything(outcome.document->xml.document_element());
        (void)sink;
    } else if (outcome.cause.empty()) {
        __builtin_trap();  // a failed parse must always say why
    }
    return 0;
}
