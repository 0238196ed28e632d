"""Builders of hand-written ARXML projects whose components, port interfaces and data types sit in
separate files and reach each other through full AUTOSAR paths."""
import os

from conftest import arxml_document

PROPS = "<SW-DATA-DEF-PROPS><SW-DATA-DEF-PROPS-VARIANTS><SW-DATA-DEF-PROPS-CONDITIONAL>%s" \
        "</SW-DATA-DEF-PROPS-CONDITIONAL></SW-DATA-DEF-PROPS-VARIANTS></SW-DATA-DEF-PROPS>"


def ref(tag, path, dest=None, base=None):
    attributes = ""
    if dest:
        attributes += ' DEST="%s"' % dest
    if base:
        attributes += ' BASE="%s"' % base
    return "<{0}{1}>{2}</{0}>".format(tag, attributes, path)


def props(*refs):
    return PROPS % "".join(refs)


def package(name, elements=(), subpackages=(), bases=()):
    parts = ["<AR-PACKAGE><SHORT-NAME>%s</SHORT-NAME>" % name]
    if bases:
        parts.append("<REFERENCE-BASES>%s</REFERENCE-BASES>" % "".join(bases))
    if elements:
        parts.append("<ELEMENTS>%s</ELEMENTS>" % "".join(elements))
    if subpackages:
        parts.append("<AR-PACKAGES>%s</AR-PACKAGES>" % "".join(subpackages))
    parts.append("</AR-PACKAGE>")
    return "".join(parts)


def packages(*items):
    return "<AR-PACKAGES>%s</AR-PACKAGES>" % "".join(items)


def reference_base(label, package_path=None, default=False, this_package=False):
    return ("<REFERENCE-BASE><SHORT-LABEL>{0}</SHORT-LABEL><IS-DEFAULT>{1}</IS-DEFAULT><IS-GLOBAL>false</IS-GLOBAL>"
            "<BASE-IS-THIS-PACKAGE>{2}</BASE-IS-THIS-PACKAGE>{3}</REFERENCE-BASE>"
            .format(label, "true" if default else "false", "true" if this_package else "false",
                    ref("PACKAGE-REF", package_path, "AR-PACKAGE") if package_path else ""))


# -- data types --

def value_type(name, base="/Types/Base/uint8", compu=None, compu_base=None):
    refs = [ref("BASE-TYPE-REF", base, "SW-BASE-TYPE")]
    if compu:
        refs.append(ref("COMPU-METHOD-REF", compu, "COMPU-METHOD", compu_base))
    return ("<IMPLEMENTATION-DATA-TYPE><SHORT-NAME>%s</SHORT-NAME><CATEGORY>VALUE</CATEGORY>%s"
            "</IMPLEMENTATION-DATA-TYPE>" % (name, props(*refs)))


def reference_type(name, target, compu=None, base=None):
    refs = [ref("IMPLEMENTATION-DATA-TYPE-REF", target, "IMPLEMENTATION-DATA-TYPE", base)]
    if compu:
        refs.append(ref("COMPU-METHOD-REF", compu, "COMPU-METHOD"))
    return ("<IMPLEMENTATION-DATA-TYPE><SHORT-NAME>%s</SHORT-NAME><CATEGORY>TYPE_REFERENCE</CATEGORY>%s"
            "</IMPLEMENTATION-DATA-TYPE>" % (name, props(*refs)))


def array_element(element_ref, size, name="Elem", tag="IMPLEMENTATION-DATA-TYPE-REF", category="TYPE_REFERENCE"):
    return ("<IMPLEMENTATION-DATA-TYPE-ELEMENT><SHORT-NAME>{0}</SHORT-NAME><CATEGORY>{1}</CATEGORY>"
            "<ARRAY-SIZE>{2}</ARRAY-SIZE><ARRAY-SIZE-SEMANTICS>FIXED-SIZE</ARRAY-SIZE-SEMANTICS>{3}"
            "</IMPLEMENTATION-DATA-TYPE-ELEMENT>".format(name, category, size, props(ref(tag, element_ref))))


def array_type(name, element_ref, size, tag="IMPLEMENTATION-DATA-TYPE-REF", category="TYPE_REFERENCE"):
    return ("<IMPLEMENTATION-DATA-TYPE><SHORT-NAME>%s</SHORT-NAME><CATEGORY>ARRAY</CATEGORY><SUB-ELEMENTS>%s"
            "</SUB-ELEMENTS></IMPLEMENTATION-DATA-TYPE>" % (name, array_element(element_ref, size, tag=tag,
                                                                               category=category)))


def struct_type(name, members):
    """members: (member name, reference, reference tag) triples."""
    elements = "".join(
        "<IMPLEMENTATION-DATA-TYPE-ELEMENT><SHORT-NAME>{0}</SHORT-NAME><CATEGORY>TYPE_REFERENCE</CATEGORY>{1}"
        "</IMPLEMENTATION-DATA-TYPE-ELEMENT>".format(member, props(ref(tag, path)))
        for member, path, tag in members)
    return ("<IMPLEMENTATION-DATA-TYPE><SHORT-NAME>%s</SHORT-NAME><CATEGORY>STRUCTURE</CATEGORY>"
            "<SUB-ELEMENTS>%s</SUB-ELEMENTS></IMPLEMENTATION-DATA-TYPE>" % (name, elements))


def compu_method(name, literals, category="TEXTTABLE"):
    """literals: VT texts, None for an empty VT, False for a scale without COMPU-CONST."""
    scales = []
    for i, literal in enumerate(literals):
        const = "" if literal is False else \
            "<COMPU-CONST>%s</COMPU-CONST>" % ("<VT/>" if literal is None else "<VT>%s</VT>" % literal)
        scales.append("<COMPU-SCALE><LOWER-LIMIT>{0}</LOWER-LIMIT><UPPER-LIMIT>{0}</UPPER-LIMIT>{1}"
                      "</COMPU-SCALE>".format(i, const))
    return ("<COMPU-METHOD><SHORT-NAME>{0}</SHORT-NAME><CATEGORY>{1}</CATEGORY><COMPU-INTERNAL-TO-PHYS>"
            "<COMPU-SCALES>{2}</COMPU-SCALES></COMPU-INTERNAL-TO-PHYS></COMPU-METHOD>"
            .format(name, category, "".join(scales)))


def application_type(name, compu=None, tag="APPLICATION-PRIMITIVE-DATA-TYPE", category="VALUE"):
    extra = props(ref("COMPU-METHOD-REF", compu, "COMPU-METHOD")) if compu else ""
    return "<{0}><SHORT-NAME>{1}</SHORT-NAME><CATEGORY>{2}</CATEGORY>{3}</{0}>".format(tag, name, category, extra)


def mapping_set(name, maps):
    """maps: (application type path, implementation type path) pairs."""
    body = "".join(
        "<DATA-TYPE-MAP>%s%s</DATA-TYPE-MAP>" % (
            ref("APPLICATION-DATA-TYPE-REF", app, "APPLICATION-PRIMITIVE-DATA-TYPE"),
            ref("IMPLEMENTATION-DATA-TYPE-REF", impl, "IMPLEMENTATION-DATA-TYPE"))
        for app, impl in maps)
    return ("<DATA-TYPE-MAPPING-SET><SHORT-NAME>%s</SHORT-NAME><DATA-TYPE-MAPS>%s</DATA-TYPE-MAPS>"
            "</DATA-TYPE-MAPPING-SET>" % (name, body))


# -- interfaces and components --

def sr_interface(name, elements, base=None):
    """elements: (data element name, TYPE-TREF path) pairs."""
    body = "".join(
        "<VARIABLE-DATA-PROTOTYPE><SHORT-NAME>%s</SHORT-NAME>%s</VARIABLE-DATA-PROTOTYPE>"
        % (element, ref("TYPE-TREF", path, "IMPLEMENTATION-DATA-TYPE", base))
        for element, path in elements)
    return ("<SENDER-RECEIVER-INTERFACE><SHORT-NAME>%s</SHORT-NAME><IS-SERVICE>false</IS-SERVICE>"
            "<DATA-ELEMENTS>%s</DATA-ELEMENTS></SENDER-RECEIVER-INTERFACE>" % (name, body))


def mode_switch_interface(name, group_type):
    return ("<MODE-SWITCH-INTERFACE><SHORT-NAME>%s</SHORT-NAME><MODE-GROUP><SHORT-NAME>mode</SHORT-NAME>%s"
            "</MODE-GROUP></MODE-SWITCH-INTERFACE>" % (name, ref("TYPE-TREF", group_type, "MODE-DECLARATION-GROUP")))


def mode_group(name, modes):
    return ("<MODE-DECLARATION-GROUP><SHORT-NAME>%s</SHORT-NAME><MODE-DECLARATIONS>%s</MODE-DECLARATIONS>"
            "</MODE-DECLARATION-GROUP>" % (name, "".join(
                "<MODE-DECLARATION><SHORT-NAME>%s</SHORT-NAME></MODE-DECLARATION>" % mode for mode in modes)))


def operation_interface(name, tag="CLIENT-SERVER-INTERFACE"):
    """An interface that carries no data element (client-server, trigger, ...)."""
    return "<{0}><SHORT-NAME>{1}</SHORT-NAME></{0}>".format(tag, name)


def port(direction, name, interface, element=None, queued=False, base=None):
    """A sender-receiver port; `element` is the com spec's DATA-ELEMENT-REF (no com spec when None)."""
    provided = direction == "P"
    tag = "P-PORT-PROTOTYPE" if provided else "R-PORT-PROTOTYPE"
    specs = ""
    if element is not None:
        kind = ("QUEUED-" if queued else "NONQUEUED-") + ("SENDER-COM-SPEC" if provided else "RECEIVER-COM-SPEC")
        container = "PROVIDED-COM-SPECS" if provided else "REQUIRED-COM-SPECS"
        specs = "<{0}><{1}>{2}</{1}></{0}>".format(
            container, kind, ref("DATA-ELEMENT-REF", element, "VARIABLE-DATA-PROTOTYPE", base))
    tref = ref("PROVIDED-INTERFACE-TREF" if provided else "REQUIRED-INTERFACE-TREF", interface,
               "SENDER-RECEIVER-INTERFACE", base)
    return "<{0}><SHORT-NAME>{1}</SHORT-NAME>{2}{3}</{0}>".format(tag, name, specs, tref)


def component(name, ports, mapping_sets=(), base=None):
    mapping = ""
    if mapping_sets:
        mapping = "<DATA-TYPE-MAPPING-REFS>%s</DATA-TYPE-MAPPING-REFS>" % "".join(
            ref("DATA-TYPE-MAPPING-REF", m, "DATA-TYPE-MAPPING-SET", base) for m in mapping_sets)
    return ("<APPLICATION-SW-COMPONENT-TYPE><SHORT-NAME>{0}</SHORT-NAME><PORTS>{1}</PORTS><INTERNAL-BEHAVIORS>"
            "<SWC-INTERNAL-BEHAVIOR><SHORT-NAME>{0}_Ib</SHORT-NAME>{2}</SWC-INTERNAL-BEHAVIOR>"
            "</INTERNAL-BEHAVIORS></APPLICATION-SW-COMPONENT-TYPE>".format(name, "".join(ports), mapping))


def write_project(directory, files):
    """Writes {entry name: AR-PACKAGES body} into `directory`; returns the directory as a str."""
    directory = str(directory)
    if not os.path.isdir(directory):
        os.makedirs(directory)
    for name, body in files.items():
        with open(os.path.join(directory, name), "w", encoding="utf-8", newline="") as f:
            f.write(arxml_document(body))
    return directory


# -- one small split project: component, interfaces and data types in three files --

def basic_types():
    return packages(package("Types", subpackages=[
        package("Base", ["<SW-BASE-TYPE><SHORT-NAME>uint8</SHORT-NAME></SW-BASE-TYPE>",
                         "<SW-BASE-TYPE><SHORT-NAME>uint16</SHORT-NAME></SW-BASE-TYPE>"]),
        package("Compu", [compu_method("GearLiterals", ["P", "R", "N", "D"]),
                          compu_method("SpeedScale", [], category="LINEAR")]),
        package("Impl", [value_type("UInt8", "/Types/Base/uint8"),
                         value_type("UInt16", "/Types/Base/uint16", compu="/Types/Compu/SpeedScale"),
                         value_type("Gear_T", "/Types/Base/uint8", compu="/Types/Compu/GearLiterals"),
                         array_type("Wheels_T", "/Types/Impl/UInt16", 4),
                         struct_type("Door_T", [("open", "/Types/Impl/UInt8", "IMPLEMENTATION-DATA-TYPE-REF"),
                                                ("gear", "/Types/Impl/Gear_T", "IMPLEMENTATION-DATA-TYPE-REF")])]),
    ]))


def basic_interfaces():
    return packages(package("Interfaces", [
        sr_interface("If_Speed", [("Speed", "/Types/Impl/UInt16")]),
        sr_interface("If_Gear", [("Gear", "/Types/Impl/Gear_T")]),
        sr_interface("If_Wheels", [("Wheels", "/Types/Impl/Wheels_T")]),
        sr_interface("If_Door", [("Door", "/Types/Impl/Door_T")]),
    ]))


def basic_component(name="Cabin"):
    return packages(package("Components", [component(name, [
        port("R", "In_Veh_Speed", "/Interfaces/If_Speed", "/Interfaces/If_Speed/Speed"),
        port("R", "In_Tcu_Gear", "/Interfaces/If_Gear", "/Interfaces/If_Gear/Gear"),
        port("R", "In_Abs_Wheels", "/Interfaces/If_Wheels"),
        port("P", "Out_Door", "/Interfaces/If_Door", "/Interfaces/If_Door/Door"),
    ])]))


# port name -> (type, array suffix, text) as the project resolution types it
BASIC_EXPECTED = {
    "In_Veh_Speed": ("UInt16", "", None),
    "In_Tcu_Gear": ("Gear_T", "", "P;R;N;D"),
    "In_Abs_Wheels": ("UInt16", "[4]", None),
    "Out_Door": ("Door_T", "", "UInt8;Gear_T;&open;gear;"),
}


def write_basic_project(directory, names=("Cabin.arxml", "Interfaces.arxml", "DataTypes.arxml")):
    component_file, interface_file, types_file = names
    return write_project(directory, {component_file: basic_component(),
                                     interface_file: basic_interfaces(),
                                     types_file: basic_types()})
