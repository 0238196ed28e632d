// Port typing through the project index: port -> interface -> data element -> data type, and on along
// mappings, TYPE_REFERENCE chains, arrays, structures and text tables; and why an untyped port is so.
#include <doctest/doctest.h>

#include "core/rules/port_typing.hpp"
#include "core/rules/shown_type.hpp"
#include "core/rules/untyped_reason.hpp"
#include "support/arxml_project.hpp"

using namespace velvane;
using namespace velvane::test;

namespace {

const Project& typing_project() {
    static const Project project = [] {
        std::string compu = compu_method("ModeValues", "TEXTTABLE", {"OFF", "ON"}) +
                            compu_method("Is_Boolean_Values", "TEXTTABLE", {"F", "T"}) +
                            compu_method("Gears", "TEXTTABLE", {"P", "R", "N", "D"}) +
                            compu_method("Gaps", "TEXTTABLE", {"", "A", "", "B"}) +
                            compu_method("Lin", "LINEAR", {"A"});
        std::string grid = type_element("row", "ARRAY", "", "2",
                                        type_element("col", "TYPE_REFERENCE",
                                                     ref("IMPLEMENTATION-DATA-TYPE-REF", "/T/UInt8"), "3"));
        std::string door = type_element("open", "TYPE_REFERENCE", ref("IMPLEMENTATION-DATA-TYPE-REF", "/T/UInt8")) +
                           type_element("angle", "VALUE", ref("BASE-TYPE-REF", "/Base/float32"));
        // An array with a compu method of its own, of elements without one.
        std::string gear_array = implementation_type(
            "GearArr_T", "ARRAY",
            props(ref("COMPU-METHOD-REF", "/C/Gears")) +
                tag("SUB-ELEMENTS",
                    type_element("e", "TYPE_REFERENCE", ref("IMPLEMENTATION-DATA-TYPE-REF", "/T/UInt8"), "2")));
        std::string types =
            value_type("UInt8") + value_type("UInt16") + value_type("Mode_T", "/C/ModeValues") +
            value_type("Flag_T", "/C/Is_Boolean_Values") + value_type("Gappy_T", "/C/Gaps") +
            value_type("Lin_T", "/C/Lin") + reference_type("Gear_T", "/T/UInt8", "/C/Gears") +
            reference_type("Chain_T", "/T/Mode_T") + array_type("Wheels_T", "/T/UInt16", 4) +
            array_type("Modes_T", "/T/Mode_T", 3) + gear_array +
            implementation_type("Grid_T", "ARRAY", tag("SUB-ELEMENTS", grid)) +
            implementation_type("Door_T", "STRUCTURE", tag("SUB-ELEMENTS", door)) +
            implementation_type("Empty_T", "STRUCTURE", "") + reference_type("LoopA", "/T/LoopB", "/C/ModeValues") +
            reference_type("LoopB", "/T/LoopA") + application_type("AppSpeed") +
            application_type("AppPlatform", "/C/ModeValues") + application_type("AppLoose", "/C/ModeValues") +
            mapping_set("MapProject", {{"/T/AppSpeed", "/T/UInt8"}, {"/T/AppPlatform", "/Platform/uint32"}}) +
            mapping_set("MapOwn", {{"/T/AppSpeed", "/T/UInt16"}});
        std::string interfaces =
            sr_interface("IfTwo", {{"first", "/T/UInt8"}, {"second", "/T/Wheels_T"}}) +
            sr_interface("IfApp", {{"speed", "/T/AppSpeed"}}) + sr_interface("IfEmpty", {}) +
            named("MODE-SWITCH-INTERFACE", "IfMode", named("MODE-GROUP", "mode", ref("TYPE-TREF", "/M/DriveModes"))) +
            named("CLIENT-SERVER-INTERFACE", "IfCs");
        std::string modes = named("MODE-DECLARATION-GROUP", "DriveModes",
                                  tag("MODE-DECLARATIONS", named("MODE-DECLARATION", "Off") +
                                                               named("MODE-DECLARATION", "Run")));
        Project made;
        made.add("Types.arxml", package("C", compu) + package("T", types) + package("M", modes));
        made.add("Cabin.arxml", package("If", interfaces) +
                                    package("Swc", component("Cabin",
                                                             r_port("In_Speed", "/If/IfApp") +
                                                                 p_port("Out_Wheels", "/If/IfTwo", "/If/IfTwo/second"),
                                                             {"/T/MapOwn"})));
        return made;
    }();
    return project;
}

// "referenced|name|suffix|text", "-" for no text; "untyped" for none.
std::string shown(const std::optional<PortType>& type) {
    if (!type) return "untyped";
    return type->referenced + "|" + type->name + "|" + type->array_suffix + "|" + (type->text ? *type->text : "-");
}

std::string type_of(const std::string& path, const std::vector<ArPath>& mapping_sets = {}) {
    return shown(type_of_data_type(typing_project().index(), path, mapping_sets));
}

std::string interface_type(const std::string& interface, const std::string& element = "") {
    return shown(type_of_interface(typing_project().index(), interface, element, {}));
}

}  // namespace

TEST_CASE("implementation types through references and text tables") {
    CHECK(type_of("/T/UInt8") == "UInt8|UInt8||-");
    CHECK(type_of("/T/Mode_T") == "Mode_T|Mode_T||OFF;ON");
    // Leading empty literals leave no trace and later ones an empty piece.
    CHECK(type_of("/T/Gappy_T") == "Gappy_T|Gappy_T||A;;B");
    // Boolean text tables and other categories give no literals.
    CHECK(type_of("/T/Flag_T") == "Flag_T|Flag_T||-");
    CHECK(type_of("/T/Lin_T") == "Lin_T|Lin_T||-");
    // A TYPE_REFERENCE keeps its own name; its own compu method or the one it leads to gives the literals.
    CHECK(type_of("/T/Gear_T") == "Gear_T|Gear_T||P;R;N;D");
    CHECK(type_of("/T/Chain_T") == "Chain_T|Chain_T||OFF;ON");
}

TEST_CASE("arrays show their element type with one suffix per dimension") {
    CHECK(type_of("/T/Wheels_T") == "Wheels_T|UInt16|[4]|-");
    CHECK(type_of("/T/Modes_T") == "Modes_T|Mode_T|[3]|OFF;ON");
    CHECK(type_of("/T/GearArr_T") == "GearArr_T|UInt8|[2]|-");
    CHECK(type_of("/T/Grid_T") == "Grid_T|UInt8|[2][3]|-");
}

TEST_CASE("structures show their member types then their member names") {
    CHECK(type_of("/T/Door_T") == "Door_T|Door_T||UInt8;float32;&open;angle;");
    CHECK(type_of("/T/Empty_T") == "Empty_T|Empty_T||;&;");
}

TEST_CASE("application types are mapped through the component's sets first then any set") {
    CHECK(type_of("/T/AppSpeed", {"/T/MapOwn"}) == "AppSpeed|UInt16||-");
    CHECK(type_of("/T/AppSpeed", {"/T/NoSuchSet"}) == "AppSpeed|UInt8||-");
    CHECK(type_of("/T/AppSpeed") == "AppSpeed|UInt8||-");
    // Mapped to a type no file defines: the mapping names it, the application type's literals stay.
    CHECK(type_of("/T/AppPlatform") == "AppPlatform|uint32||OFF;ON");
    // Not mapped at all: the application type as it stands.
    CHECK(type_of("/T/AppLoose") == "AppLoose|AppLoose||OFF;ON");
}

TEST_CASE("a type no file defines or a circular chain is named by its last path piece") {
    CHECK(type_of("/Platform/uint32") == "uint32|uint32||-");
    CHECK(type_of("/Platform/rt_Array_UInt8_8") == "rt_Array_UInt8_8|UInt8|[8]|-");
    CHECK(type_of("/T/LoopA") == "LoopA|LoopA||-");  // no literals made up for it
    CHECK(type_of("") == "untyped");
    CHECK(type_of("/Platform/") == "untyped");

    CHECK(shown_type("rt_Array_rt_Array_UInt16_4_2").name == "UInt16_4");
    CHECK(shown_type("RT_ARRAY_X_2").array_suffix == "[2]");
}

TEST_CASE("an interface's data element is the one named by path or last piece else its first") {
    CHECK(interface_type("/If/IfTwo", "/If/IfTwo/second") == "Wheels_T|UInt16|[4]|-");
    CHECK(interface_type("/If/IfTwo", "/Elsewhere/second") == "Wheels_T|UInt16|[4]|-");
    CHECK(interface_type("/If/IfTwo", "/If/IfTwo/nothing") == "UInt8|UInt8||-");
    CHECK(interface_type("/If/IfTwo") == "UInt8|UInt8||-");
    CHECK(interface_type("/If/IfEmpty") == "untyped");
    CHECK(interface_type("/If/IfCs") == "untyped");
    CHECK(interface_type("/If/Nowhere") == "untyped");
    CHECK(interface_type("/If/IfMode") == "DriveModes|DriveModes||Off;Run");
}

TEST_CASE("a component's ports are typed with its own mapping sets") {
    const ProjectIndex& index = typing_project().index();
    CHECK(find_component(index, "Types.arxml", "Cabin") == nullptr);
    const ComponentEntry* cabin = find_component(index, "Cabin.arxml", "Cabin");
    REQUIRE(cabin != nullptr);
    CHECK(find_port(*cabin, "In_Speed", true) == nullptr);
    const PortEntry* in = find_port(*cabin, "In_Speed", false);
    const PortEntry* out = find_port(*cabin, "Out_Wheels", true);
    REQUIRE((in != nullptr && out != nullptr));
    CHECK(shown(type_of_port(index, *cabin, *in)) == "AppSpeed|UInt16||-");
    CHECK(shown(type_of_port(index, *cabin, *out)) == "Wheels_T|UInt16|[4]|-");
}

TEST_CASE("why a port is untyped follows from what its interface is") {
    const ProjectIndex& index = typing_project().index();
    CHECK(untyped_reason(index, "") == UntypedReason::interface_missing);
    CHECK(untyped_reason(index, "/If/Nowhere") == UntypedReason::interface_missing);
    CHECK(untyped_reason(index, "IfTwo") == UntypedReason::interface_missing);
    CHECK(untyped_reason(index, "/If/IfEmpty") == UntypedReason::no_data_type);
    CHECK(untyped_reason(index, "/If/IfMode") == UntypedReason::no_data_type);
    CHECK(untyped_reason(index, "/If/IfCs") == UntypedReason::not_data_interface);
    CHECK(std::string(reason_code(UntypedReason::interface_missing)) == "interface-missing");
    CHECK(std::string(reason_code(UntypedReason::not_data_interface)) == "not-data-interface");
    CHECK(std::string(reason_code(UntypedReason::no_data_type)) == "no-data-type");
    CHECK(std::string(reason_code(UntypedReason::file_lookup)) == "file-lookup");
}
