// The detail texts of a sheet's signals: description, details (unit, range, scaling, init value) and
// remark (alive timeout, queue length).
#include <doctest/doctest.h>

#include "core/rules/detail_texts.hpp"
#include "core/model/number_text.hpp"
#include "support/arxml_project.hpp"

using namespace velvane;
using namespace velvane::test;

namespace {

std::string init(const std::string& value_spec) { return tag("INIT-VALUE", value_spec); }
std::string number(const std::string& value) { return tag("NUMERICAL-VALUE-SPECIFICATION", tag("VALUE", value)); }
std::string constant(const std::string& path) { return tag("CONSTANT-REFERENCE", ref("CONSTANT-REF", path)); }
std::string constant_spec(const std::string& name, const std::string& value) {
    return named("CONSTANT-SPECIFICATION", name, tag("VALUE-SPEC", value));
}
std::string limits(const std::string& kind, const std::string& lower, const std::string& upper) {
    return tag(kind, tag("LOWER-LIMIT", lower) + tag("UPPER-LIMIT", upper));
}

std::shared_ptr<const ProjectIndex> details_project() {
    std::string linear = named(
        "COMPU-METHOD", "SpeedLin",
        tag("CATEGORY", "LINEAR") + ref("UNIT-REF", "/U/Kmh") +
            tag("COMPU-INTERNAL-TO-PHYS",
                tag("COMPU-SCALES", tag("COMPU-SCALE", tag("COMPU-RATIONAL-COEFFS",
                                                           tag("COMPU-NUMERATOR", tag("V", "-40") + tag("V", "0.5")) +
                                                               tag("COMPU-DENOMINATOR", tag("V", "2")))))));
    std::string types =
        implementation_type("Speed_T", "VALUE",
                            props(ref("COMPU-METHOD-REF", "/C/SpeedLin") + ref("DATA-CONSTR-REF", "/K/SpeedRange"))) +
        reference_type("SpeedRef_T", "/T/Speed_T") +
        implementation_type("Raw_T", "VALUE", props(ref("UNIT-REF", "/U/Raw") + ref("DATA-CONSTR-REF", "/K/Low")));
    std::string units = named("UNIT", "Kmh", tag("DISPLAY-NAME", "km/h")) + named("UNIT", "Raw");
    std::string constraints =
        named("DATA-CONSTR", "SpeedRange",
              tag("DATA-CONSTR-RULES", tag("DATA-CONSTR-RULE", limits("PHYS-CONSTRS", "0", "250") +
                                                                   limits("INTERNAL-CONSTRS", "0", "65535")))) +
        named("DATA-CONSTR", "Low",
              tag("DATA-CONSTR-RULES", tag("DATA-CONSTR-RULE", limits("INTERNAL-CONSTRS", "-5", "")))) +
        constant_spec("Zero", number("0")) + constant_spec("Alias", constant("/K/Zero")) +
        constant_spec("Self", constant("/K/Self"));
    std::string desc = tag("DESC", "<L-2 L=\"DE\">Geschwindigkeit</L-2><L-2 L=\"EN\">Vehicle\n   speed </L-2>");
    std::string interfaces =
        sr_interface("IfSpeed", {{"speed", "/T/SpeedRef_T"}, {"raw", "/T/Raw_T"}}, "", desc) +
        sr_interface("IfQuiet", {{"q", "/T/Nothing"}},
                     tag("LONG-NAME", "<L-4 L=\"FR\"></L-4><L-4 L=\"DE\">Leise</L-4>"));
    // In_Speed: its first com spec names no element, so the init value of the one naming the port's
    // data element is the one shown.
    std::string ports =
        port(false, "In_Speed", "/If/IfSpeed",
             com_spec(false, "", init(number("9"))) +
                 com_spec(false, "/If/IfSpeed/speed", init(constant("/K/Alias")) + tag("ALIVE-TIMEOUT", "0.5")),
             tag("DESC", "<L-2 L=\"DE\">Tempo</L-2>")) +
        port(false, "In_Raw", "/If/IfSpeed",
             com_spec(false, "/If/IfSpeed/raw",
                      init(tag("ARRAY-VALUE-SPECIFICATION", tag("ELEMENTS", number("1") + number("2")))) +
                          tag("ALIVE-TIMEOUT", "0") + tag("QUEUE-LENGTH", "8"),
                      true)) +
        port(true, "Out_Quiet", "/If/IfQuiet", com_spec(true, "", init(constant("/K/Self"))));
    Project project(true);
    project.add("Types.arxml", package("C", linear) + package("T", types) + package("U", units) +
                                   package("K", constraints) + package("If", interfaces));
    project.add("Cabin.arxml", package("Swc", component("Cabin", ports)));
    return project.shared();
}

// The size of the sheet's file, which bounds its details: far more than these need.
constexpr std::uint64_t file_size = 10000;

std::string texts(const SignalDetails& details) {
    return (details.description ? *details.description : std::string()) + " | " + details.details + " | " +
           details.remark;
}

}  // namespace

TEST_CASE("details of a component's ports in the index") {
    SheetDetails sheet(details_project(), "Cabin.arxml", " Cabin ", file_size);
    // The port's own description beats the interface's, in whatever language it is.
    CHECK(texts(sheet.port("In_Speed", false, "", "")) ==
          "Tempo | unit: km/h; range: 0..250; factor: 0.25; offset: -20; init: 0 | timeout: 0.5 s");
    // The interface's English description, white space folded; internal limits where no physical
    // ones are stated; a zero timeout says nothing.
    CHECK(texts(sheet.port("In_Raw", false, "", "")) ==
          "Vehicle speed | unit: Raw; range: -5..; init: {1, 2} | queue: 8");
    // The first language that says anything; a constant naming itself ends in its name.
    CHECK(texts(sheet.port("Out_Quiet", true, "", "")) == "Leise | init: Self | ");
    CHECK(texts(sheet.port("Out_Quiet", false, "", "")) == " |  | ");
}

TEST_CASE("a port the index does not know is described through its record's references") {
    SheetDetails sheet(details_project(), "Cabin.arxml", "Cabin", file_size);
    CHECK(texts(sheet.port("Ghost", false, " /If/IfSpeed ", "/If/IfSpeed/raw")) ==
          "Vehicle speed | unit: Raw; range: -5.. | ");
    CHECK(texts(sheet.port("Ghost", false, "/If/IfSpeed", "")) ==
          "Vehicle speed | unit: km/h; range: 0..250; factor: 0.25; offset: -20 | ");
    SheetDetails elsewhere(details_project(), "Other.arxml", "Cabin", file_size);
    CHECK(texts(elsewhere.port("In_Speed", false, "", "")) == " |  | ");
}

TEST_CASE("numbers in detail texts are read and written the same in every locale") {
    CHECK(number_of(" 1.5e3 ") == 1500.0);
    CHECK(number_of("-2") == -2.0);
    CHECK_FALSE(number_of("inf"));
    CHECK_FALSE(number_of("-nan"));
    CHECK_FALSE(number_of("+-1"));
    CHECK_FALSE(number_of("0x10"));
    CHECK_FALSE(number_of("1,5"));
    CHECK(general_text(-0.0) == "0");
    CHECK(general_text(0.1) == "0.1");
    CHECK(general_text(1.0 / 3) == "0.3333333333");
    CHECK(general_text(1e20) == "1e+20");
}
