// The pugixml parse options of the ARXML binding (src/binding/document_loader.cpp), repeated here so
// that the bare figures parse exactly as much as the binding does: text stored in its element, no
// separate text nodes, whitespace-only text kept only as an element's whole content, no DOCTYPE
// (parse_doctype is not set). Keep the two in step.
#pragma once

#include <pugixml.hpp>

namespace bench {

constexpr unsigned int kParseOptions =
    pugi::parse_default | pugi::parse_ws_pcdata_single | pugi::parse_embed_pcdata;
constexpr const char* kParseOptionsText = "parse_default|parse_ws_pcdata_single|parse_embed_pcdata";

}  // namespace bench
