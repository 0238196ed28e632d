#include "core/rules/shown_type.hpp"

namespace velvane {

namespace {

// ASCII lower-casing is exact here: no other character lower-cases into a letter of "rt_array".
bool contains_array_marker(const std::string& text) {
    static const std::string marker = "rt_array";
    if (text.size() < marker.size()) return false;
    for (size_t start = 0; start + marker.size() <= text.size(); ++start) {
        size_t i = 0;
        while (i < marker.size()) {
            char c = text[start + i];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            if (c != marker[i]) break;
            ++i;
        }
        if (i == marker.size()) return true;
    }
    return false;
}

std::string remove_all(const std::string& text, const std::string& piece) {
    std::string result;
    size_t from = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, from)) {
        result.append(text, from, at - from);
        from = at + piece.size();
    }
    result.append(text, from, std::string::npos);
    return result;
}

std::string before_last_underscore(const std::string& text) {
    size_t at = text.rfind('_');
    return at == std::string::npos ? text : text.substr(0, at);
}

std::string after_last_underscore(const std::string& text) {
    size_t at = text.rfind('_');
    return at == std::string::npos ? text : text.substr(at + 1);
}

}  // namespace

ShownType shown_type(const std::string& type_name) {
    if (!contains_array_marker(type_name)) return {type_name, std::string()};
    return {before_last_underscore(remove_all(type_name, "rt_Array_")),
            "[" + after_last_underscore(type_name) + "]"};
}

}  // namespace velvane
