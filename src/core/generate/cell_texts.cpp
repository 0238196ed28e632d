#include "core/generate/cell_texts.hpp"

#include "core/generate/identifier.hpp"
#include "core/model/number_text.hpp"

#include <algorithm>
#include <unordered_set>

namespace velvane {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> pieces;
    std::size_t from = 0;
    for (;;) {
        std::size_t at = text.find(separator, from);
        pieces.push_back(text.substr(from, at == std::string::npos ? std::string::npos : at - from));
        if (at == std::string::npos) return pieces;
        from = at + 1;
    }
}

std::string quoted(const std::string& text) { return "'" + text + "'"; }

ValuesText member_text(const std::string& cell, std::size_t ampersand) {
    std::string types = cell.substr(0, ampersand);
    std::string names = cell.substr(ampersand + 2, cell.size() - ampersand - 3);
    ValuesText values;
    values.kind = ValuesText::Kind::structure;
    if (names.empty()) {
        if (!types.empty()) throw CellTextError("cannot read the member text " + quoted(cell) + ": member types but no member names");
        return values;
    }
    std::vector<std::string> name_list = split(names, ';');
    std::vector<std::string> type_list = split(types, ';');
    if (type_list.size() != name_list.size()) {
        throw CellTextError("cannot read the member text " + quoted(cell) + ": " + std::to_string(type_list.size()) +
                            " member types but " + std::to_string(name_list.size()) + " member names");
    }
    std::unordered_set<std::string> seen;
    for (std::size_t i = 0; i < name_list.size(); ++i) {
        if (!is_identifier(type_list[i])) {
            throw CellTextError("cannot read the member text " + quoted(cell) + ": member type " + quoted(type_list[i]) +
                                " is not a valid AUTOSAR identifier");
        }
        if (!is_identifier(name_list[i])) {
            throw CellTextError("cannot read the member text " + quoted(cell) + ": member name " + quoted(name_list[i]) +
                                " is not a valid AUTOSAR identifier");
        }
        if (!seen.insert(folded_name(name_list[i])).second) {
            throw CellTextError("cannot read the member text " + quoted(cell) + ": member " + quoted(name_list[i]) +
                                " appears twice (AUTOSAR names must differ in more than letter case)");
        }
        values.members.push_back({type_list[i], name_list[i]});
    }
    return values;
}

// The item labels of a cell, in the order the sheet writes them. The value of an item runs to the
// next "; " followed by a later label; the last label's value to the end.
struct Item {
    std::size_t label;
    std::string value;
};

std::vector<Item> items_of(const std::string& cell, const std::vector<std::string>& labels, bool last_takes_rest) {
    std::vector<Item> items;
    std::size_t position = 0;
    std::size_t next_label = 0;
    while (position < cell.size()) {
        std::size_t label = next_label;
        while (label < labels.size() && cell.compare(position, labels[label].size(), labels[label]) != 0) ++label;
        if (label == labels.size()) {
            std::string expected;
            for (std::size_t i = next_label; i < labels.size(); ++i) {
                expected += (expected.empty() ? "" : ", ") + quoted(labels[i]);
            }
            throw CellTextError("cannot read " + quoted(cell.substr(position)) + ": expected " +
                                (expected.empty() ? std::string("nothing more") : expected) +
                                " (items in this order, joined with '; ')");
        }
        std::size_t start = position + labels[label].size();
        std::size_t end = cell.size();
        if (!(last_takes_rest && label + 1 == labels.size())) {
            for (std::size_t later = label + 1; later < labels.size(); ++later) {
                end = std::min(end, cell.find("; " + labels[later], start));
            }
        }
        std::string value = cell.substr(start, end - start);
        if (value.empty()) throw CellTextError("nothing after " + quoted(labels[label]));
        items.push_back({label, value});
        position = end == cell.size() ? end : end + 2;
        next_label = label + 1;
        if (end != cell.size() && position == cell.size()) throw CellTextError("the text ends in '; '");
    }
    return items;
}

void require_number(const std::string& what, const std::string& text) {
    if (!is_numerical_value(text)) throw CellTextError(what + " " + quoted(text) + " is not a number");
}

// "{...}" whose braces balance and whose first brace closes only at the end.
bool is_group(const std::string& text) {
    if (text.size() < 2 || text.front() != '{' || text.back() != '}') return false;
    int depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '{') ++depth;
        if (text[i] == '}' && --depth == 0 && i + 1 != text.size()) return false;
        if (depth < 0) return false;
    }
    return depth == 0;
}

bool digits(const std::string& text, std::size_t from, std::size_t to, bool (*accept)(char)) {
    if (from >= to) return false;
    for (std::size_t i = from; i < to; ++i) {
        if (!accept(text[i])) return false;
    }
    return true;
}

bool is_hex(char c) { return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool is_octal(char c) { return c >= '0' && c <= '7'; }
bool is_binary(char c) { return c == '0' || c == '1'; }

}  // namespace

SignalName signal_name(const std::string& cell) {
    SignalName name;
    std::size_t end = cell.size();
    std::vector<std::string> sizes;
    while (end > 0 && cell[end - 1] == ']') {
        std::size_t open = cell.rfind('[', end - 1);
        if (open == std::string::npos || !digits(cell, open + 1, end - 1, is_digit)) break;
        sizes.insert(sizes.begin(), cell.substr(open + 1, end - 1 - open - 1));
        end = open;
    }
    name.port = cell.substr(0, end);
    name.array_sizes = std::move(sizes);
    return name;
}

ValuesText values_text(const std::string& cell) {
    if (cell.empty()) return {};
    std::size_t ampersand = cell.find(";&");
    if (cell.back() == ';' && ampersand != std::string::npos && ampersand + 2 < cell.size()) {
        return member_text(cell, ampersand);
    }
    if (cell == ";&;") return member_text(cell, 0);
    ValuesText values;
    values.kind = ValuesText::Kind::enumeration;
    values.literals = split(cell, ';');
    std::unordered_set<std::string> seen;
    for (std::size_t i = 0; i < values.literals.size(); ++i) {
        if (values.literals[i].empty()) {
            throw CellTextError("cannot read the enumeration text " + quoted(cell) + ": literal " +
                                std::to_string(i + 1) + " is empty");
        }
        if (!seen.insert(values.literals[i]).second) {
            throw CellTextError("cannot read the enumeration text " + quoted(cell) + ": literal " +
                                quoted(values.literals[i]) + " appears twice");
        }
    }
    return values;
}

InitValue init_value(const std::string& text) {
    InitValue value;
    if (is_group(text)) {
        value.kind = InitValue::Kind::group;
        std::string inner = text.substr(1, text.size() - 2);
        if (inner.empty()) return value;
        int depth = 0;
        std::size_t from = 0;
        for (std::size_t i = 0; i <= inner.size(); ++i) {
            if (i < inner.size() && inner[i] == '{') ++depth;
            if (i < inner.size() && inner[i] == '}') --depth;
            bool at_end = i == inner.size();
            if (at_end || (depth == 0 && inner.compare(i, 2, ", ") == 0)) {
                value.items.push_back(init_value(inner.substr(from, i - from)));
                from = i + 2;
                if (at_end) break;
            }
        }
        return value;
    }
    value.kind = is_numerical_value(text) ? InitValue::Kind::number : InitValue::Kind::text;
    value.text = text;
    return value;
}

DetailsCellItems detail_items(const std::string& cell) {
    static const std::vector<std::string> labels = {"unit: ", "range: ", "factor: ", "offset: ", "init: "};
    DetailsCellItems details;
    for (const Item& item : items_of(cell, labels, true)) {
        switch (item.label) {
            case 0:
                details.unit = item.value;
                break;
            case 1: {
                std::size_t dots = item.value.find("..");
                if (dots == std::string::npos) {
                    throw CellTextError("range " + quoted(item.value) + " is not written 'lower..upper'");
                }
                details.has_range = true;
                details.lower = item.value.substr(0, dots);
                details.upper = item.value.substr(dots + 2);
                if (!details.lower.empty()) require_number("lower limit", details.lower);
                if (!details.upper.empty()) require_number("upper limit", details.upper);
                break;
            }
            case 2:
                require_number("factor", item.value);
                details.factor = item.value;
                break;
            case 3:
                require_number("offset", item.value);
                details.offset = item.value;
                break;
            default:
                details.init = init_value(item.value);
                break;
        }
    }
    return details;
}

RemarkItems remark_items(const std::string& cell) {
    static const std::vector<std::string> labels = {"timeout: ", "queue: "};
    RemarkItems remark;
    for (const Item& item : items_of(cell, labels, false)) {
        if (item.label == 0) {
            const std::string& value = item.value;
            if (value.size() < 3 || value.compare(value.size() - 2, 2, " s") != 0) {
                throw CellTextError("timeout " + quoted(value) + " is not written 'T s' (seconds)");
            }
            remark.timeout = value.substr(0, value.size() - 2);
            require_number("timeout", remark.timeout);
        } else {
            if (!digits(item.value, 0, item.value.size(), is_digit)) {
                throw CellTextError("queue length " + quoted(item.value) + " is not a whole number");
            }
            remark.queue_length = item.value;
        }
    }
    return remark;
}

bool is_numerical_value(const std::string& text) {
    if (text == "INF" || text == "-INF" || text == "NaN" || text == ".0") return true;
    std::size_t n = text.size();
    if (n > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) return digits(text, 2, n, is_hex);
    if (n > 2 && text[0] == '0' && (text[1] == 'b' || text[1] == 'B')) return digits(text, 2, n, is_binary);
    if (n > 1 && text[0] == '0' && is_digit(text[1])) return digits(text, 1, n, is_octal);
    std::size_t i = 0;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t integer = i;
    while (i < n && is_digit(text[i])) ++i;
    if (i == integer || (i - integer > 1 && text[integer] == '0')) return false;
    if (i < n && text[i] == '.') {
        std::size_t fraction = ++i;
        while (i < n && is_digit(text[i])) ++i;
        if (i == fraction) return false;
    }
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
        std::size_t exponent = i;
        while (i < n && is_digit(text[i])) ++i;
        if (i == exponent) return false;
    }
    return i == n;
}

}  // namespace velvane
