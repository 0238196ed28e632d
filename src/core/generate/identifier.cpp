#include "core/generate/identifier.hpp"

namespace velvane {

namespace {

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::string made_valid(const std::string& wanted) {
    std::string name;
    for (char c : wanted) name += is_letter(c) || is_digit(c) || c == '_' ? c : '_';
    if (name.empty() || !is_letter(name[0])) name = "N_" + name;
    return name.substr(0, identifier_limit);
}

}  // namespace

std::string folded_name(const std::string& name) {
    std::string out = name;
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool is_identifier(const std::string& text) {
    if (text.empty() || text.size() > identifier_limit || !is_letter(text[0])) return false;
    for (char c : text) {
        if (!is_letter(c) && !is_digit(c) && c != '_') return false;
    }
    return true;
}

std::string NameSpace::unique(const std::string& wanted) {
    std::string base = made_valid(wanted);
    if (claim(base)) return base;
    for (unsigned n = 2;; ++n) {
        std::string suffix = "_" + std::to_string(n);
        std::string candidate = base.substr(0, identifier_limit - suffix.size()) + suffix;
        if (claim(candidate)) return candidate;
    }
}

bool NameSpace::claim(const std::string& name) { return taken_.insert(folded_name(name)).second; }

}  // namespace velvane
