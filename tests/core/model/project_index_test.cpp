// The project index: paths of nested packages, references made absolute through REFERENCE-BASEs, and
// the first definition of a path kept across files, whether merged by hand or by a threaded build.
#include <doctest/doctest.h>

#include "support/arxml_project.hpp"

#include <cstdlib>
#include <fstream>

#include <unistd.h>

using namespace velvane;
using namespace velvane::test;

namespace {

std::string reference_base(const std::string& label, const std::string& package, bool is_default) {
    std::string where = package.empty() ? tag("BASE-IS-THIS-PACKAGE", "true") : ref("PACKAGE-REF", package);
    return tag("REFERENCE-BASE", tag("SHORT-LABEL", label) + tag("IS-DEFAULT", is_default ? "true" : "false") + where);
}

// The TYPE-TREF of each data element of interface `path`, in order.
std::vector<std::string> element_types(const ProjectIndex& index, const std::string& path) {
    std::vector<std::string> types;
    auto found = index.interfaces.find(path);
    REQUIRE_MESSAGE(found != index.interfaces.end(), path);
    for (const DataElement& element : found->second.elements) types.push_back(element.type);
    return types;
}

}  // namespace

TEST_CASE("relative references are made absolute by the nearest package with a matching base") {
    std::string outer_bases = tag("REFERENCE-BASES", reference_base("types", "/Types", true) +
                                                         reference_base("here", "", false));
    std::string inner_bases = tag("REFERENCE-BASES", reference_base("other", "/Other", true));
    std::string outer = sr_interface("IfOuter", {{"a", "/Abs/T0"}}) +
                        named("SENDER-RECEIVER-INTERFACE", "IfBases",
                              tag("DATA-ELEMENTS", named("VARIABLE-DATA-PROTOTYPE", "b", ref("TYPE-TREF", "T1")) +
                                                       named("VARIABLE-DATA-PROTOTYPE", "c",
                                                             ref("TYPE-TREF", " Sub/T2 ", "here"))));
    std::string inner = named("SENDER-RECEIVER-INTERFACE", "IfInner",
                              tag("DATA-ELEMENTS", named("VARIABLE-DATA-PROTOTYPE", "d", ref("TYPE-TREF", "T3")) +
                                                       named("VARIABLE-DATA-PROTOTYPE", "e",
                                                             ref("TYPE-TREF", "T4", "here")) +
                                                       named("VARIABLE-DATA-PROTOTYPE", "f",
                                                             ref("TYPE-TREF", "T5", "nowhere"))));
    Project project;
    project.add("A.arxml", package("Top", outer, package("Inner", inner, "", inner_bases), outer_bases) +
                               package("Plain", sr_interface("IfPlain", {{"g", "T6"}})));
    const ProjectIndex& index = project.index();

    CHECK(element_types(index, "/Top/IfOuter") == std::vector<std::string>{"/Abs/T0"});
    CHECK(element_types(index, "/Top/IfBases") == std::vector<std::string>{"/Types/T1", "/Top/Sub/T2"});
    CHECK(element_types(index, "/Top/Inner/IfInner") == std::vector<std::string>{"/Other/T3", "/Top/T4", "T5"});
    // Without any base, a relative reference stays as written and so matches no key.
    CHECK(element_types(index, "/Plain/IfPlain") == std::vector<std::string>{"T6"});
}

TEST_CASE("elements without a SHORT-NAME and packages without one are passed over") {
    Project project;
    project.add("A.arxml", package("P", tag("SENDER-RECEIVER-INTERFACE", "") + value_type("T")) +
                               tag("AR-PACKAGE", tag("ELEMENTS", value_type("Lost"))));
    CHECK(project.index().interfaces.empty());
    CHECK(project.index().implementation_types.count("/P/T") == 1);
    CHECK(project.index().implementation_types.size() == 1);
}

TEST_CASE("the first file that defines a path keeps it when files are merged") {
    Project project(true);
    project.add("A.arxml",
                package("T", value_type("Speed") + application_type("App") +
                                 mapping_set("MapA", {{"/T/App", "/T/Speed"}}) +
                                 named("UNIT", "Kmh", tag("DISPLAY-NAME", "km/h"))) +
                    package("Swc", component("Same", "", {}, "SENSOR-ACTUATOR-SW-COMPONENT-TYPE") +
                                       component("Cabin", r_port("In", "/If/A"))));
    project.add("B.arxml",
                package("T", reference_type("Speed", "/T/Other") + value_type("Other") +
                                 mapping_set("MapB", {{"/T/App", "/T/Other"}}) +
                                 named("UNIT", "Kmh", tag("DISPLAY-NAME", "mph"))) +
                    package("Swc", component("Same", "", {}, "COMPOSITION-SW-COMPONENT-TYPE") +
                                       component("New", "", {}, "COMPOSITION-SW-COMPONENT-TYPE") +
                                       component("Cabin", p_port("Out", "/If/A"))));
    const ProjectIndex& index = project.index();

    CHECK(index.implementation_types.at("/T/Speed").category == "VALUE");
    CHECK(index.implementation_types.count("/T/Other") == 1);
    CHECK(index.project_mappings.at("/T/App") == "/T/Speed");
    CHECK(index.mapping_sets.size() == 2);
    CHECK(index.details.units.at("/T/Kmh") == "km/h");
    // Components are kept per file: both files' Cabin stay, each under its own key.
    CHECK(index.components.at("A.arxml").front().ports.front().name == "In");
    CHECK(index.components.at("B.arxml").front().ports.front().name == "Out");
    // A composition at a path an earlier file gave another component type is not one.
    REQUIRE(index.wiring.compositions.size() == 1);
    CHECK(index.wiring.compositions.front().path == "/Swc/New");
    CHECK(index.wiring.compositions.front().origin.file == 1);
    CHECK(index.wiring.component_types.at("/Swc/Same").origin.file == 0);
}

TEST_CASE("a threaded build keeps the first definition in listing order and names unreadable files") {
    char name[] = "/tmp/velvane-index-XXXXXX";
    REQUIRE(::mkdtemp(name) != nullptr);
    std::string dir = name;
    auto write = [&](const std::string& file, const std::string& text) {
        std::ofstream(dir + "/" + file, std::ios::binary) << text;
        return IndexSource{file, dir + "/" + file, true};
    };
    std::vector<IndexSource> sources;
    for (int i = 0; i < 12; ++i) {  // more files than the workers parse ahead
        std::string n = std::to_string(i);
        sources.push_back(write("F" + n + ".arxml", document(package("T", value_type("Only" + n) +
                                                                            implementation_type("X", "V" + n, "")))));
    }
    sources.insert(sources.begin() + 3, write("Broken.arxml", "<AUTOSAR><AR-PACKAGES>"));

    ProjectIndex index = build_project_index(sources, true);
    std::system(("rm -rf '" + dir + "'").c_str());

    CHECK(index.skipped == std::vector<std::string>{"Broken.arxml"});
    CHECK(index.files.size() == 12);
    CHECK(index.files.front() == "F0.arxml");
    CHECK(index.implementation_types.at("/T/X").category == "V0");
    CHECK(index.implementation_types.size() == 13);
    CHECK(index.details.data_types.count("/T/Only11") == 1);
}
