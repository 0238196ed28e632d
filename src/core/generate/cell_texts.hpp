// The texts of a signal sheet's cells read back into what they state: the exact reverse of how the
// sheet writes them (the "[n]" array suffix of shown_type, the enumeration and member texts of the
// type look-ups, the details and remark items of detail_texts). Plain functions; no state.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace velvane {

// A text that cannot be read; the message says why, without naming the cell (the caller does).
class CellTextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// B / I: the port name and the array sizes appended to it, outermost first ("Sig[4][2]" gives Sig,
// 4 and 2). Only "[digits]" pieces at the very end count as sizes.
struct SignalName {
    std::string port;
    std::vector<std::string> array_sizes;
};
SignalName signal_name(const std::string& cell);

// H / O: an enumeration's literals joined with ";", or a structure's member text "t1;t2;&n1;n2;".
struct StructureMember {
    std::string type;
    std::string name;
};
struct ValuesText {
    enum class Kind { none, enumeration, structure };
    Kind kind = Kind::none;
    std::vector<std::string> literals;
    std::vector<StructureMember> members;
};
ValuesText values_text(const std::string& cell);

// An init value as the details show it: a number or text as written, "{a, b, ...}" for the elements
// of an array or the fields of a record.
struct InitValue {
    enum class Kind { number, text, group };
    Kind kind = Kind::text;
    std::string text;
    std::vector<InitValue> items;
};
InitValue init_value(const std::string& text);

// F / M: "unit: U; range: A..B; factor: F; offset: O; init: V", each item optional, in this order.
// Named apart from the rules layer's DetailItems: both layers are linked into one program, where two
// classes of one name would share their inline members.
struct DetailsCellItems {
    std::string unit;
    bool has_range = false;
    std::string lower, upper;  // a missing limit is empty
    std::string factor, offset;
    std::optional<InitValue> init;
};
DetailsCellItems detail_items(const std::string& cell);

// G / N: "timeout: T s; queue: N", each item optional.
struct RemarkItems {
    std::string timeout;       // T
    std::string queue_length;  // N
};
RemarkItems remark_items(const std::string& cell);

// Whether `text` is a number as the schema's numerical values write it: decimal (no leading zeros
// but in "0.x"), with an optional fraction and exponent; 0x hexadecimal, 0 octal, 0b binary; INF,
// -INF, NaN.
bool is_numerical_value(const std::string& text);

}  // namespace velvane
