// The comparison of two deliveries: what a delivery keeps of a project index, and the order and
// pairing of the change rows.
#include <doctest/doctest.h>

#include "core/compare/change_list.hpp"
#include "core/compare/delivery.hpp"

#include <pugixml.hpp>

#include <string>
#include <vector>

using namespace velvane;

namespace {

// A project index of in-memory files, each an AR-PACKAGES body, indexed in order as a run would.
ProjectIndex index_of(const std::vector<std::string>& bodies) {
    ProjectIndex index;
    index.details.wanted = true;
    std::vector<pugi::xml_document> documents(bodies.size());
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        std::string text = "<AUTOSAR><AR-PACKAGES>" + bodies[i] + "</AR-PACKAGES></AUTOSAR>";
        REQUIRE(documents[i].load_string(text.c_str()));
        std::string entry = "File" + std::to_string(i) + ".arxml";
        index_document(index, static_cast<std::uint32_t>(i), entry, documents[i].document_element(), text.size());
        index.files.push_back(entry);
    }
    return index;
}

std::string port(const char* tag, const char* name, const char* interface_tag, const char* interface) {
    return std::string("<") + tag + "><SHORT-NAME>" + name + "</SHORT-NAME><" + interface_tag + ">" + interface +
           "</" + interface_tag + "></" + tag + ">";
}

std::string component(const char* tag, const char* name, const std::string& ports) {
    return std::string("<") + tag + "><SHORT-NAME>" + name + "</SHORT-NAME><PORTS>" + ports + "</PORTS></" + tag + ">";
}

PortFacts port_facts(const char* name, bool provided, const char* type) {
    PortFacts facts;
    facts.name = name;
    facts.provided = provided;
    facts.facts[static_cast<std::size_t>(PortFact::type)] = type;
    return facts;
}

std::vector<std::string> rows(const std::vector<Change>& changes) {
    std::vector<std::string> texts;
    for (const Change& change : changes) {
        texts.push_back(change.component + "|" + change.port + "|" + direction_text(change.direction) + "|" +
                        change_text(change.kind) + "|" + change.old_value + "|" + change.new_value);
    }
    return texts;
}

}  // namespace

TEST_CASE("a delivery keeps R- and P-ports by name and direction, the first component of a name") {
    std::string first = "<AR-PACKAGE><SHORT-NAME>A</SHORT-NAME><ELEMENTS>" +
                        component("SENSOR-ACTUATOR-SW-COMPONENT-TYPE", "Sensor",
                                  port("P-PORT-PROTOTYPE", "Speed", "PROVIDED-INTERFACE-TREF", "/If/Speed") +
                                      port("PR-PORT-PROTOTYPE", "Both", "PROVIDED-REQUIRED-INTERFACE-TREF", "/If/X") +
                                      port("R-PORT-PROTOTYPE", "Speed", "REQUIRED-INTERFACE-TREF", "/If/Speed") +
                                      port("R-PORT-PROTOTYPE", "Alpha", "REQUIRED-INTERFACE-TREF", "/If/A") +
                                      port("R-PORT-PROTOTYPE", "Alpha", "REQUIRED-INTERFACE-TREF", "/If/Second")) +
                        "</ELEMENTS></AR-PACKAGE>";
    std::string second = "<AR-PACKAGE><SHORT-NAME>B</SHORT-NAME><ELEMENTS>" +
                         component("APPLICATION-SW-COMPONENT-TYPE", "Sensor", "") +
                         component("APPLICATION-SW-COMPONENT-TYPE", "Door", "") + "</ELEMENTS></AR-PACKAGE>";
    Delivery delivery = make_delivery(index_of({first, second}));
    REQUIRE(delivery.components.size() == 2);
    CHECK(delivery.components[0].name == "Door");
    const ComponentFacts& sensor = delivery.components[1];
    CHECK(sensor.path == "/A/Sensor");  // the one read first
    std::vector<std::string> ports;
    for (const PortFacts& facts : sensor.ports) {
        ports.push_back(facts.name + (facts.provided ? " out " : " in ") + facts.fact(PortFact::interface));
    }
    CHECK(ports == std::vector<std::string>{"Alpha in /If/A", "Speed in /If/Speed", "Speed out /If/Speed"});
}

TEST_CASE("rows come in name order, kinds in their order, connectors after their composition's ports") {
    ComponentFacts old_body{"Body", "/C/Body", {port_facts("In_B", false, "uint8"), port_facts("Out", true, "x")}, {}};
    old_body.connectors = {{"a.P -> b.R", "c1"}, {"a.P -> b.R", "c2"}, {"x.P -> y.R", "c3"}};
    ComponentFacts new_body{"Body", "/C/Body", {port_facts("In_A", false, "uint8"), port_facts("In_B", false, "uint16"),
                                               port_facts("Out", true, "x")}, {}};
    new_body.connectors = {{"a.P -> b.R", "renamed"}, {"z.P -> y.R", "c4"}};
    new_body.ports[1].facts[static_cast<std::size_t>(PortFact::interface)] = "/If/New";
    Delivery old_delivery{{old_body, {"Gone", "/C/Gone", {}, {}}}};
    Delivery new_delivery{{{"Added", "/C/Added", {}, {}}, new_body}};
    CHECK(rows(compare_deliveries(old_delivery, new_delivery)) == std::vector<std::string>{
        "Added|||component added||/C/Added",
        "Body|In_A|input|port added||uint8",
        "Body|In_B|input|interface changed||/If/New",
        "Body|In_B|input|type changed|uint8|uint16",
        "Body|a.P -> b.R||connector removed|c2|",  // a doubled connector pairs off once
        "Body|x.P -> y.R||connector removed|c3|",
        "Body|z.P -> y.R||connector added||c4",
        "Gone|||component removed|/C/Gone|",
    });
    CHECK(compare_deliveries(new_delivery, new_delivery).empty());
}
