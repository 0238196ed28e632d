// The sheet's texts read back into what they state, and the AUTOSAR identifier rules the generated
// names follow.
#include <doctest/doctest.h>

#include "core/generate/cell_texts.hpp"
#include "core/generate/identifier.hpp"

#include <string>
#include <vector>

using namespace velvane;

namespace {

using Texts = std::vector<std::string>;

// The CellTextError's message; "<none>" when the text was read.
template <typename Read>
std::string error_of(Read read, const std::string& cell) {
    try {
        read(cell);
    } catch (const CellTextError& error) {
        return error.what();
    }
    return "<none>";
}

// An init value as the sheet writes it: "{a, {b}}".
std::string shown(const InitValue& value) {
    if (value.kind != InitValue::Kind::group) return (value.kind == InitValue::Kind::number ? "#" : "") + value.text;
    std::string out = "{";
    for (std::size_t i = 0; i < value.items.size(); ++i) out += (i == 0 ? "" : ", ") + shown(value.items[i]);
    return out + "}";
}

}  // namespace

TEST_CASE("array sizes are the bracketed digits at the very end of a signal name and outermost first") {
    struct Case {
        const char* cell;
        const char* port;
        Texts sizes;
    };
    for (const Case& c : {Case{"Sig[4][2]", "Sig", {"4", "2"}}, Case{"Sig[16]", "Sig", {"16"}},
                          Case{"Sig", "Sig", {}}, Case{"Sig[]", "Sig[]", {}}, Case{"Sig[a][3]", "Sig[a]", {"3"}},
                          Case{"Sig[2]x", "Sig[2]x", {}}, Case{"Sig[-1]", "Sig[-1]", {}}, Case{"[3]", "", {"3"}},
                          Case{"Sig]", "Sig]", {}}}) {
        SignalName name = signal_name(c.cell);
        CHECK_MESSAGE(name.port == c.port, c.cell);
        CHECK_MESSAGE(name.array_sizes == c.sizes, c.cell);
    }
}

TEST_CASE("a values text is an enumeration or a member text") {
    // A member text ends in ';' and holds ";&"; anything else is an enumeration.
    ValuesText values = values_text("P;R;N;D");
    CHECK((values.kind == ValuesText::Kind::enumeration && values.literals == Texts{"P", "R", "N", "D"}));
    // Literals are any text: spaces, "&", a lone ";&" that does not end the text.
    CHECK(values_text("On; off;x&y").literals == Texts{"On", " off", "x&y"});
    CHECK(values_text("a;&b").literals == Texts{"a", "&b"});
    CHECK(values_text("").kind == ValuesText::Kind::none);

    values = values_text("uint8;Gear_T;&speed;gear;");
    REQUIRE((values.kind == ValuesText::Kind::structure && values.members.size() == 2));
    CHECK((values.members[0].name == "speed" && values.members[1].type == "Gear_T" && values.members[1].name == "gear"));
    values = values_text(";&;");
    CHECK((values.kind == ValuesText::Kind::structure && values.members.empty()));

    CHECK(error_of(values_text, "P;;D") == "cannot read the enumeration text 'P;;D': literal 2 is empty");
    CHECK(error_of(values_text, "P;R;") == "cannot read the enumeration text 'P;R;': literal 3 is empty");
    CHECK(error_of(values_text, "P;R;P") == "cannot read the enumeration text 'P;R;P': literal 'P' appears twice");
    CHECK(error_of(values_text, "uint8;&a;b;") ==
          "cannot read the member text 'uint8;&a;b;': 1 member types but 2 member names");
    const std::string member = "cannot read the member text ";
    CHECK(error_of(values_text, "uint8;&;") == member + "'uint8;&;': member types but no member names");
    CHECK(error_of(values_text, "uint 8;&a;") == member + "'uint 8;&a;': member type 'uint 8' is not a valid AUTOSAR "
                                                         "identifier");
    CHECK(error_of(values_text, "uint8;&1a;") == member + "'uint8;&1a;': member name '1a' is not a valid AUTOSAR "
                                                         "identifier");
    CHECK(error_of(values_text, "uint8;uint8;&a;A;") ==
          member + "'uint8;uint8;&a;A;': member 'A' appears twice (AUTOSAR names must differ in more than letter case)");
}

TEST_CASE("details items are read in their order and the init value takes the rest of the text") {
    DetailsCellItems d =
        detail_items("unit: km/h; range: -40..0x1F; factor: 1e-05; offset: 0.5; init: {{a, b}, {}, {1, {2}}}");
    CHECK(d.unit == "km/h");
    CHECK((d.has_range && d.lower == "-40" && d.upper == "0x1F"));
    CHECK((d.factor == "1e-05" && d.offset == "0.5"));
    REQUIRE(d.init);
    CHECK(shown(*d.init) == "{{a, b}, {}, {#1, {#2}}}");

    d = detail_items("unit: a; b; init: On; off");  // an item's value runs to "; " and a later label
    CHECK((d.unit == "a; b" && !d.has_range && d.factor.empty() && d.offset.empty()));
    CHECK(shown(*d.init) == "On; off");
    d = detail_items("range: ..5");
    CHECK((d.has_range && d.lower.empty() && d.upper == "5" && !d.init));
    d = detail_items("range: 1..");
    CHECK((d.has_range && d.lower == "1" && d.upper.empty()));
    CHECK(!detail_items("").init);

    CHECK(error_of(detail_items, "range: 0..1; unit: V") == "upper limit '1; unit: V' is not a number");
    CHECK(error_of(detail_items, "unit: ; init: 1") == "nothing after 'unit: '");
    CHECK(error_of(detail_items, "range: 0-5") == "range '0-5' is not written 'lower..upper'");
    CHECK(error_of(detail_items, "offset: 1; factor: 2") == "offset '1; factor: 2' is not a number");
    CHECK(error_of(detail_items, "unit:V") ==
          "cannot read 'unit:V': expected 'unit: ', 'range: ', 'factor: ', 'offset: ', 'init: ' (items in this "
          "order, joined with '; ')");
}

TEST_CASE("init values are numbers or texts or groups nested as their braces") {
    CHECK(shown(init_value("{, }")) == "{, }");  // two empty texts
    CHECK(init_value("{a}, {b}").kind == InitValue::Kind::text);  // not one group
    CHECK(shown(init_value("{{1, 2}, {3, 4}}")) == "{{#1, #2}, {#3, #4}}");
    CHECK(shown(init_value("{a, b}}")) == "{a, b}}");
    CHECK(init_value("-INF").kind == InitValue::Kind::number);
}

TEST_CASE("numbers as the schema writes numerical values") {
    for (const char* number : {"0", "-0", "+5", "10", "-0.5", "1.25e-3", "1E+10", "0x1F", "0Xff", "0b101", "017",
                               "00", "INF", "-INF", "NaN", ".0"}) {
        CHECK_MESSAGE(is_numerical_value(number), number);
    }
    for (const char* text : {"", "-", "01.5", "08", "-01", "1.", ".5", "1e", "1e+", "0x", "0xG", "0b2", "-0x1", "inf",
                             "nan", "+INF", "1 ", " 1", "1,5", "1.2.3", "--1"}) {
        CHECK_MESSAGE(!is_numerical_value(text), text);
    }
}

TEST_CASE("remark items are a timeout in seconds and then a whole queue length") {
    RemarkItems remark = remark_items("timeout: 2.5 s; queue: 3");
    CHECK((remark.timeout == "2.5" && remark.queue_length == "3"));
    CHECK(error_of(remark_items, "timeout: 1") == "timeout '1' is not written 'T s' (seconds)");
    CHECK(error_of(remark_items, "timeout:  s") == "timeout ' s' is not written 'T s' (seconds)");
    CHECK(error_of(remark_items, "timeout: x s") == "timeout 'x' is not a number");
    CHECK(error_of(remark_items, "queue: -1") == "queue length '-1' is not a whole number");
    CHECK(error_of(remark_items, "queue: 5; timeout: 1 s") == "queue length '5; timeout: 1 s' is not a whole number");
}

TEST_CASE("identifiers follow the schema's rule and are made unique ignoring case") {
    for (const char* valid : {"a", "Z9", "In_Speed_", "a__b"}) CHECK_MESSAGE(is_identifier(valid), valid);
    for (const char* invalid : {"", "_a", "9a", "a b", "a-b", "a.b", "\xC3\xA4rger", "a\n"}) {
        CHECK_MESSAGE(!is_identifier(invalid), invalid);
    }
    CHECK(is_identifier(std::string(128, 'a')));
    CHECK(!is_identifier(std::string(129, 'a')));

    NameSpace names;
    CHECK(names.unique("Speed") == "Speed");
    CHECK(names.unique("SPEED") == "SPEED_2");
    CHECK(names.unique("speed") == "speed_3");
    CHECK(names.unique("km/h") == "km_h");
    CHECK(names.unique("1st") == "N_1st");
    CHECK(names.unique("") == "N_");
    CHECK_FALSE(names.claim("Km_H"));
    std::string longest(130, 'b');
    CHECK(names.unique(longest) == std::string(128, 'b'));
    CHECK(names.unique(longest) == std::string(126, 'b') + "_2");  // cut to make room for the suffix
}
