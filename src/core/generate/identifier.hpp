// AUTOSAR identifiers (short names): what is valid, and unique names made for elements that the
// workbook does not name itself. Plain values; no shared state.
#pragma once

#include <string>
#include <unordered_set>

namespace velvane {

inline constexpr std::size_t identifier_limit = 128;

// A letter, then letters, digits and "_", at most 128 characters: the schema's IDENTIFIER.
bool is_identifier(const std::string& text);

// The form in which two short names are compared: AUTOSAR names of one namespace must differ in more
// than letter case.
std::string folded_name(const std::string& name);

// The short names given out in one package: each name asked for is made valid (other characters
// become "_", a leading non-letter gets a "N_" in front, cut to the limit) and, where the package
// already holds it in any letter case, gets the first free suffix "_2", "_3", ...
class NameSpace {
public:
    std::string unique(const std::string& wanted);
    // Takes `name` as it is; false when the package already holds it.
    bool claim(const std::string& name);

private:
    std::unordered_set<std::string> taken_;  // lower-cased
};

}  // namespace velvane
