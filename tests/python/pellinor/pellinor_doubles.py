"""Shared pieces for the analyser tests: model doubles, the loader's key lists and ARXML snippets."""


class Node(object):
    """A model element double: attributes as given; a name it was not given raises AttributeError."""

    def __init__(self, **children):
        self.__dict__.update(children)


def text(value):
    """A text element double."""
    return Node(valueOf_=value)


class FakeBinding(object):
    """Stands in for the schema binding: parse() hands back a prepared root and records its calls."""

    def __init__(self, root):
        self.root = root
        self.calls = []

    def parse(self, *args):
        self.calls.append(args)
        return self.root


# The loader's nine key lists, in the order it hands them over as dataArray.
INIT = "INIT-VALUE\nAPPLICATION-VALUE-SPECIFICATION\n"
INIT_KEYS = [INIT + "SHORT-LABEL", INIT + "CATEGORY", INIT + "SW-VALUE-CONT\nUNIT-REF",
             INIT + "SW-VALUE-CONT\nSW-VALUES-PHYS\nV"]
PROPS = "SW-DATA-DEF-PROPS\nSW-DATA-DEF-PROPS-VARIANTS\nSW-DATA-DEF-PROPS-CONDITIONAL\n"
ELEMENT = "DATA-ELEMENTS\nVARIABLE-DATA-PROTOTYPE\n"
SIGNAL = "   Mapped System Signal   "
DATA_ARRAY = [
    ["SWC-NAME", "SHORT-NAME", SIGNAL, "DATA-ELEMENT-REF", "HANDLE-OUT-OF-RANGE",
     "USES-END-TO-END-PROTECTION", "ALIVE-TIMEOUT", "ENABLE-UPDATE", "HANDLE-NEVER-RECEIVED",
     "HANDLE-TIMEOUT-TYPE"] + INIT_KEYS + ["REQUIRED-INTERFACE-TREF", ""],
    ["SWC-NAME", "SHORT-NAME", SIGNAL, "DATA-ELEMENT-REF", "HANDLE-OUT-OF-RANGE",
     "USES-END-TO-END-PROTECTION"] + INIT_KEYS + ["PROVIDED-INTERFACE-TREF", ""],
    ["SWC-NAME", "SHORT-NAME", "PORT-PROTOTYPE-REF", "TARGET-DATA-PROTOTYPE-REF", ""],
    ["SWC-NAME", "SHORT-NAME", "CATEGORY", PROPS + "BASE-TYPE-REF", PROPS + "COMPU-METHOD-REF", ""],
    ["SWC-NAME", "SHORT-NAME", "CATEGORY", "BASE-TYPE-SIZE", "BASE-TYPE-ENCODING", "NATIVE-DECLARATION", ""],
    ["SWC-NAME", "SHORT-NAME", "IS-SERVICE", ELEMENT + "SHORT-NAME", ELEMENT + "CATEGORY",
     ELEMENT + PROPS + "SW-CALIBRATION-ACCESS", ELEMENT + PROPS + "SW-IMPL-POLICY", ELEMENT + "TYPE-TREF", ""],
    ["name", "longIdentifier", "tableConversionType", "Table Element", "DEFAULT_VALUE(display_string)", ""],
    ["groupName", "groupLongIdentifier", "ROOT", "REF_MEASUREMENT", "REF_CHARACTERISTIC", "SUB_GROUP", ""],
    ["name", "longIdentifier", "IN_MEASUREMENT", "OUT_MEASUREMENT", "REF_CHARACTERISTIC", "SUB_FUNCTION", ""],
]


# ARXML snippets. None leaves an optional element out; "" writes it empty.

def wrap(tag, inner):
    return "" if inner is None else "<%s>%s</%s>" % (tag, inner, tag)


def package(name, elements=None, subs=None):
    return wrap("AR-PACKAGE", wrap("SHORT-NAME", name) + wrap("ELEMENTS", elements)
                + wrap("AR-PACKAGES", subs))


def packages(*items):
    return wrap("AR-PACKAGES", "".join(items))


def r_port(name, element="/Ifc/If/De"):
    return wrap("R-PORT-PROTOTYPE", wrap("SHORT-NAME", name) + (
        "<REQUIRED-COM-SPECS><NONQUEUED-RECEIVER-COM-SPEC>"
        "<DATA-ELEMENT-REF DEST=\"VARIABLE-DATA-PROTOTYPE\">%s</DATA-ELEMENT-REF>"
        "<ALIVE-TIMEOUT>0</ALIVE-TIMEOUT><HANDLE-NEVER-RECEIVED>false</HANDLE-NEVER-RECEIVED>"
        "<INIT-VALUE><APPLICATION-VALUE-SPECIFICATION><SHORT-LABEL>Init</SHORT-LABEL>"
        "<SW-VALUE-CONT><SW-VALUES-PHYS><V>1</V><V>2</V></SW-VALUES-PHYS></SW-VALUE-CONT>"
        "</APPLICATION-VALUE-SPECIFICATION></INIT-VALUE>"
        "</NONQUEUED-RECEIVER-COM-SPEC></REQUIRED-COM-SPECS>"
        "<REQUIRED-INTERFACE-TREF DEST=\"SENDER-RECEIVER-INTERFACE\">/Ifc/%s</REQUIRED-INTERFACE-TREF>")
        % (element, name))


def p_port(name):
    return wrap("P-PORT-PROTOTYPE", wrap("SHORT-NAME", name)
                + "<PROVIDED-INTERFACE-TREF DEST=\"SENDER-RECEIVER-INTERFACE\">/Ifc/%s"
                  "</PROVIDED-INTERFACE-TREF>" % name)


def access(name):
    return wrap("VARIABLE-ACCESS", wrap("SHORT-NAME", name) + (
        "<ACCESSED-VARIABLE><AUTOSAR-VARIABLE-IREF>"
        "<PORT-PROTOTYPE-REF DEST=\"R-PORT-PROTOTYPE\">/P/%s</PORT-PROTOTYPE-REF>"
        "<TARGET-DATA-PROTOTYPE-REF DEST=\"VARIABLE-DATA-PROTOTYPE\">/D/%s</TARGET-DATA-PROTOTYPE-REF>"
        "</AUTOSAR-VARIABLE-IREF></ACCESSED-VARIABLE>") % (name, name))


def runnable(name, receive=None, send=None):
    accesses = lambda names: None if names is None else "".join(access(n) for n in names)
    return wrap("RUNNABLE-ENTITY", wrap("SHORT-NAME", name)
                + wrap("DATA-RECEIVE-POINT-BY-ARGUMENTS", accesses(receive))
                + wrap("DATA-SEND-POINTS", accesses(send)))


def behaviour(name, runnables=None):
    return wrap("SWC-INTERNAL-BEHAVIOR", wrap("SHORT-NAME", name) + wrap("RUNNABLES", runnables))


def component(name, rports=(), pports=(), behaviours="", ports=True):
    port_list = "".join(r_port(n) for n in rports) + "".join(p_port(n) for n in pports)
    return wrap("APPLICATION-SW-COMPONENT-TYPE", wrap("SHORT-NAME", name)
                + wrap("PORTS", port_list if ports else None) + wrap("INTERNAL-BEHAVIORS", behaviours))


def interface(name, type_ref="/Types/uint8"):
    return wrap("SENDER-RECEIVER-INTERFACE", wrap("SHORT-NAME", name) + (
        "<DATA-ELEMENTS><VARIABLE-DATA-PROTOTYPE><SHORT-NAME>De</SHORT-NAME>"
        "<TYPE-TREF DEST=\"IMPLEMENTATION-DATA-TYPE\">%s</TYPE-TREF>"
        "</VARIABLE-DATA-PROTOTYPE></DATA-ELEMENTS>") % type_ref)


def props(ref_tag, ref):
    return ("<SW-DATA-DEF-PROPS><SW-DATA-DEF-PROPS-VARIANTS><SW-DATA-DEF-PROPS-CONDITIONAL>"
            "<%s>%s</%s></SW-DATA-DEF-PROPS-CONDITIONAL></SW-DATA-DEF-PROPS-VARIANTS></SW-DATA-DEF-PROPS>"
            % (ref_tag, ref, ref_tag))


def data_type(name, category="VALUE", base="/Base/uint8", members=None):
    body = wrap("SHORT-NAME", name) + wrap("CATEGORY", category)
    if members is not None:
        body += wrap("SUB-ELEMENTS", "".join(
            wrap("IMPLEMENTATION-DATA-TYPE-ELEMENT", wrap("SHORT-NAME", n) + (p or "")) for n, p in members))
    elif base is not None:
        body += props("BASE-TYPE-REF", base)
    return wrap("IMPLEMENTATION-DATA-TYPE", body)


def base_type(name):
    return wrap("SW-BASE-TYPE", wrap("SHORT-NAME", name) + wrap("CATEGORY", "FIXED_LENGTH")
                + wrap("BASE-TYPE-SIZE", "8"))


def compu_method(name, literals, category="TEXTTABLE"):
    scales = "".join("<COMPU-SCALE><LOWER-LIMIT>%d</LOWER-LIMIT><COMPU-CONST><VT>%s</VT></COMPU-CONST>"
                     "</COMPU-SCALE>" % (10 + i, v) for i, v in enumerate(literals))
    return wrap("COMPU-METHOD", wrap("SHORT-NAME", name) + wrap("CATEGORY", category)
                + "<COMPU-INTERNAL-TO-PHYS><COMPU-SCALES>%s</COMPU-SCALES></COMPU-INTERNAL-TO-PHYS>" % scales)
