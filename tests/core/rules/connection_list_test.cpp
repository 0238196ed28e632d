// The rows of the Connections sheet: each assembly connector with its status, then the ports of the
// composition's prototypes that nothing is wired to.
#include <doctest/doctest.h>

#include "core/rules/connection_list.hpp"
#include "support/arxml_project.hpp"

using namespace velvane;
using namespace velvane::test;

namespace {

std::string prototype(const std::string& name, const std::string& type) {
    return named("SW-COMPONENT-PROTOTYPE", name, ref("TYPE-TREF", type));
}

// provider "prototype.port" -> requester "prototype.port", in composition /Swc/Top.
std::string assembly(const std::string& name, const std::string& provider_prototype, const std::string& provider_port,
                     const std::string& requester_prototype, const std::string& requester_port) {
    return named("ASSEMBLY-SW-CONNECTOR", name,
                 tag("PROVIDER-IREF", ref("CONTEXT-COMPONENT-REF", "/Swc/Top/" + provider_prototype) +
                                          ref("TARGET-P-PORT-REF", "/Swc/Sender/" + provider_port)) +
                     tag("REQUESTER-IREF", ref("CONTEXT-COMPONENT-REF", "/Swc/Top/" + requester_prototype) +
                                               ref("TARGET-R-PORT-REF", "/Swc/Receiver/" + requester_port)));
}

std::string row_text(const ConnectionRow& row) {
    return row.composition + "|" + row.provider + "|" + row.provided_port + "|" + row.requester + "|" +
           row.required_port + "|" + row.interface + "|" + row.data_type + "|" + row.status;
}

}  // namespace

TEST_CASE("connector statuses and the ports nothing is wired to") {
    std::string interfaces = sr_interface("IfA", {{"x", "/T/Arr_T"}}) + sr_interface("IfB", {{"y", "/T/UInt8"}});
    std::string sender = component("Sender", p_port("Out", "/If/IfA", "/If/IfA/x") + p_port("Spare", "/If/IfB") +
                                                 named("PR-PORT-PROTOTYPE", "Both",
                                                       ref("PROVIDED-REQUIRED-INTERFACE-TREF", "/If/IfB")));
    std::string receiver = component("Receiver", r_port("In", "/If/IfA") + r_port("Other", "/If/IfB") +
                                                     r_port("Twin", "/Other/IfA") + r_port("Unfed", "/If/IfB") +
                                                     r_port("Inner", "/If/IfB"),
                                     {}, "SENSOR-ACTUATOR-SW-COMPONENT-TYPE");
    std::string delegation = named(
        "DELEGATION-SW-CONNECTOR", "d1",
        tag("INNER-PORT-IREF", tag("R-PORT-IN-COMPOSITION-INSTANCE-REF",
                                   ref("CONTEXT-COMPONENT-REF", "/Swc/Top/r") +
                                       ref("TARGET-R-PORT-REF", "/Swc/Receiver/Inner"))));
    std::string top = named(
        "COMPOSITION-SW-COMPONENT-TYPE", "Top",
        tag("COMPONENTS", prototype("s", "/Swc/Sender") + prototype("r", "/Swc/Receiver") +
                              prototype("g", "/Swc/Ghost")) +
            tag("CONNECTORS", assembly("c1", "s", "Out", "r", "In") + assembly("c2", "s", "Out", "r", "Other") +
                                  assembly("c3", "s", "Out", "r", "Twin") + assembly("c4", "nobody", "Out", "r", "In") +
                                  assembly("c5", "s", "Missing", "r", "In") + assembly("c6", "s", "Out", "g", "In") +
                                  assembly("c7", "nobody", "Out", "r", "Nope") + delegation));
    Project project;
    project.add("Types.arxml", package("T", value_type("UInt8") + array_type("Arr_T", "/T/UInt8", 4)) +
                                   package("If", interfaces) + package("Other", sr_interface("IfA", {})));
    project.add("Top.arxml", package("Swc", sender + receiver + top));

    ConnectionList list = list_connections(project.index());
    std::vector<std::string> rows;
    for (const ConnectionRow& row : list.rows) rows.push_back(row_text(row));
    CHECK(rows == std::vector<std::string>{
                      "Top|s (Sender)|Out|r (Receiver)|In|IfA|UInt8[4]|connected",
                      "Top|s (Sender)|Out|r (Receiver)|Other|IfA|UInt8[4]|interface mismatch: IfB",
                      // Two interfaces of one short name are told apart by their paths.
                      "Top|s (Sender)|Out|r (Receiver)|Twin|IfA|UInt8[4]|interface mismatch: /Other/IfA",
                      "Top|nobody|Out|r (Receiver)|In|||no such provider prototype",
                      "Top|s (Sender)|Missing|r (Receiver)|In|||no such provided port",
                      // A prototype of a type the files lack is shown by its name and not checked.
                      "Top|s (Sender)|Out|g|In|IfA|UInt8[4]|connected",
                      "Top|nobody|Out|r (Receiver)|Nope|||no such provider prototype; no such required port",
                      "Top|s (Sender)|Spare|||IfB|UInt8|unused output",
                      // A PR-port nothing is wired to is listed once, as an input.
                      "Top|||s (Sender)|Both|IfB|UInt8|unconnected input",
                      "Top|||r (Receiver)|Unfed|IfB|UInt8|unconnected input",
                  });
    CHECK(list.counts.connectors == 7);
    CHECK(list.counts.unconnected_inputs == 2);
    CHECK(list.counts.unused_outputs == 1);
    CHECK(list.counts.untyped_prototypes == 1);
}

TEST_CASE("compositions are listed in the order their files were read") {
    Project project;
    project.add("B.arxml", package("Late", named("COMPOSITION-SW-COMPONENT-TYPE", "Second",
                                                 tag("COMPONENTS", prototype("q", "/Late/Swc"))) +
                                               component("Swc", p_port("Out", "/If/IfX"))));
    project.add("A.arxml", package("Early", named("COMPOSITION-SW-COMPONENT-TYPE", "First",
                                                  tag("COMPONENTS", prototype("p", "/Late/Swc")))));
    std::vector<std::string> rows;
    for (const ConnectionRow& row : list_connections(project.index()).rows) rows.push_back(row_text(row));
    CHECK(rows == std::vector<std::string>{"Second|q (Swc)|Out|||IfX||unused output",
                                           "First|p (Swc)|Out|||IfX||unused output"});
    CHECK(list_connections(ProjectIndex()).rows.empty());
}
