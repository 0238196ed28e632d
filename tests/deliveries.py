"""Two deliveries of one small split project, written by hand: the later one makes one edit of each
kind the comparison lists, and edits that must list nothing (ports reordered, new UUIDs, admin data,
an interface moved to another file, the component file renamed)."""
import split_projects as sp


def _props(*refs):
    return sp.props(*refs)


def _interface(name, element, type_path, props=""):
    return ("<SENDER-RECEIVER-INTERFACE><SHORT-NAME>%s</SHORT-NAME><DATA-ELEMENTS><VARIABLE-DATA-PROTOTYPE>"
            "<SHORT-NAME>%s</SHORT-NAME>%s%s</VARIABLE-DATA-PROTOTYPE></DATA-ELEMENTS></SENDER-RECEIVER-INTERFACE>"
            % (name, element, props, sp.ref("TYPE-TREF", type_path, "IMPLEMENTATION-DATA-TYPE")))


def _port(direction, name, interface, element, spec="", queued=False, desc="", uuid=""):
    provided = direction == "P"
    tag = "P-PORT-PROTOTYPE" if provided else "R-PORT-PROTOTYPE"
    kind = ("QUEUED-" if queued else "NONQUEUED-") + ("SENDER-COM-SPEC" if provided else "RECEIVER-COM-SPEC")
    container = "PROVIDED-COM-SPECS" if provided else "REQUIRED-COM-SPECS"
    tref = "PROVIDED-INTERFACE-TREF" if provided else "REQUIRED-INTERFACE-TREF"
    return ('<{0}{1}><SHORT-NAME>{2}</SHORT-NAME>{3}<{4}><{5}>{6}{7}</{5}></{4}>{8}</{0}>'
            .format(tag, ' UUID="%s"' % uuid if uuid else "", name,
                    '<DESC><L-2 L="EN">%s</L-2></DESC>' % desc if desc else "", container, kind,
                    sp.ref("DATA-ELEMENT-REF", interface + "/" + element, "VARIABLE-DATA-PROTOTYPE"), spec,
                    sp.ref(tref, interface, "SENDER-RECEIVER-INTERFACE")))


def _init(value):
    return "<INIT-VALUE><NUMERICAL-VALUE-SPECIFICATION><VALUE>%s</VALUE></NUMERICAL-VALUE-SPECIFICATION></INIT-VALUE>" \
        % value


def _component(kind, name, ports, extra=""):
    return "<{0}><SHORT-NAME>{1}</SHORT-NAME>{2}<PORTS>{3}</PORTS></{0}>".format(kind, name, extra, "".join(ports))


def _linear(name, factor):
    return ("<COMPU-METHOD><SHORT-NAME>%s</SHORT-NAME><CATEGORY>LINEAR</CATEGORY><COMPU-INTERNAL-TO-PHYS>"
            "<COMPU-SCALES><COMPU-SCALE><COMPU-RATIONAL-COEFFS><COMPU-NUMERATOR><V>0</V><V>%s</V>"
            "</COMPU-NUMERATOR><COMPU-DENOMINATOR><V>1</V></COMPU-DENOMINATOR></COMPU-RATIONAL-COEFFS>"
            "</COMPU-SCALE></COMPU-SCALES></COMPU-INTERNAL-TO-PHYS></COMPU-METHOD>" % (name, factor))


def _constraint(name, upper):
    return ("<DATA-CONSTR><SHORT-NAME>%s</SHORT-NAME><DATA-CONSTR-RULES><DATA-CONSTR-RULE><PHYS-CONSTRS>"
            "<LOWER-LIMIT>0</LOWER-LIMIT><UPPER-LIMIT>%s</UPPER-LIMIT></PHYS-CONSTRS></DATA-CONSTR-RULE>"
            "</DATA-CONSTR-RULES></DATA-CONSTR>" % (name, upper))


def _assembly(name, provider, requester):
    """provider, requester: (prototype, component, port) triples."""
    def end(tag, port_tag, prototype, component, port):
        return "<{0}>{1}{2}</{0}>".format(tag, sp.ref("CONTEXT-COMPONENT-REF", "/Top/Body/" + prototype),
                                          sp.ref(port_tag, "/Swc/%s/%s" % (component, port)))
    return ("<ASSEMBLY-SW-CONNECTOR><SHORT-NAME>%s</SHORT-NAME>%s%s</ASSEMBLY-SW-CONNECTOR>"
            % (name, end("PROVIDER-IREF", "TARGET-P-PORT-REF", *provider),
               end("REQUESTER-IREF", "TARGET-R-PORT-REF", *requester)))


def delivery(later):
    """{file name: AR-PACKAGES body} of the earlier delivery, or with `later` of the later one."""
    def pick(earlier, now):
        return now if later else earlier

    uuid = pick("1111", "2222")
    types = sp.packages(sp.package("Types", [
        "<SW-BASE-TYPE><SHORT-NAME>uint8</SHORT-NAME></SW-BASE-TYPE>",
        sp.compu_method("GearLiterals", pick(["P", "R", "N", "D"], ["P", "R", "N", "D", "S"])),
        _linear("PressScale", pick("0.1", "0.2")),
        _constraint("PosRange", pick("1000", "2000")),
        '<UNIT><SHORT-NAME>degC</SHORT-NAME><DISPLAY-NAME>&#176;C</DISPLAY-NAME></UNIT>',
        '<UNIT><SHORT-NAME>K</SHORT-NAME></UNIT>',
        sp.value_type("UInt8", "/Types/uint8"),
        sp.value_type("UInt16", "/Types/uint8"),
        sp.value_type("UInt32", "/Types/uint8"),
        sp.value_type("Gear_T", "/Types/uint8", compu="/Types/GearLiterals"),
    ]))
    lock = _interface("If_Lock", "Lock", "/Types/UInt8")
    interfaces = [
        _interface("If_Speed", "Speed", pick("/Types/UInt16", "/Types/UInt32")),
        _interface("If_Gear", "Gear", "/Types/Gear_T"),
        _interface("If_Temp", "Temp", "/Types/UInt8", _props(sp.ref("UNIT-REF", pick("/Types/degC", "/Types/K")))),
        _interface("If_Pos", "Pos", "/Types/UInt8", _props(sp.ref("DATA-CONSTR-REF", "/Types/PosRange"))),
        _interface("If_Press", "Press", "/Types/UInt8", _props(sp.ref("COMPU-METHOD-REF", "/Types/PressScale"))),
        _interface("If_Plain", "Value", "/Types/UInt8"),
        _interface("If_State", "State", "/Types/UInt8"),
        _interface("If_State2", "State", "/Types/Gear_T"),
    ]
    if not later:
        interfaces.append(lock)  # the later delivery has it in a file of its own
    door_ports = [
        _port("R", "In_Speed", "/If/If_Speed", "Speed", uuid=uuid + "a"),
        _port("R", "In_Gear", "/If/If_Gear", "Gear"),
        _port("R", "In_Temp", "/If/If_Temp", "Temp"),
        _port("R", "In_Pos", "/If/If_Pos", "Pos"),
        _port("R", "In_Press", "/If/If_Press", "Press"),
        _port("R", "In_Init", "/If/If_Plain", "Value", _init(pick("0", "1"))),
        _port("R", "In_Alive", "/If/If_Plain", "Value", "<ALIVE-TIMEOUT>%s</ALIVE-TIMEOUT>" % pick("0.5", "1")),
        _port("R", "In_Queue", "/If/If_Plain", "Value", "<QUEUE-LENGTH>%s</QUEUE-LENGTH>" % pick("4", "8"),
              queued=True),
        _port("R", "In_Desc", "/If/If_Plain", "Value", desc=pick("Old text", "New text")),
        _port("P", "Out_State", pick("/If/If_State", "/If/If_State2"), "State"),
        _port("P", "Out_Same", "/If/If_Lock", "Lock"),
    ]
    if later:
        door_ports.append(_port("R", "In_Added", "/If/If_Plain", "Value"))
    else:
        door_ports.append(_port("P", "Out_Gone", "/If/If_Plain", "Value"))
    panel_ports = [_port("R", "In_State", "/If/If_State", "State"), _port("R", "In_Same", "/If/If_Lock", "Lock"),
                   _port("R", "In_Other", "/If/If_Lock", "Lock")]
    if later:
        panel_ports.reverse()
    admin = pick("", "<ADMIN-DATA><SDGS><SDG GID='tool'><SD>v2</SD></SDG></SDGS></ADMIN-DATA>")
    components = [_component("APPLICATION-SW-COMPONENT-TYPE", "Door", door_ports, admin),
                  _component("APPLICATION-SW-COMPONENT-TYPE", "Panel", panel_ports)]
    components.append(_component("SERVICE-SW-COMPONENT-TYPE", "Fresh", []) if later else
                      _component("SENSOR-ACTUATOR-SW-COMPONENT-TYPE", "Gone", [_port("P", "Out", "/If/If_Plain",
                                                                                     "Value")]))
    prototypes = "".join("<SW-COMPONENT-PROTOTYPE><SHORT-NAME>%s</SHORT-NAME>%s</SW-COMPONENT-PROTOTYPE>"
                         % (name, sp.ref("TYPE-TREF", "/Swc/" + component)) for name, component in
                         (("door", "Door"), ("panel", "Panel")))
    connectors = [_assembly(pick("c_same", "c_same_renamed"), ("door", "Door", "Out_Same"),
                            ("panel", "Panel", "In_Same"))]
    connectors.append(_assembly("c_other", ("door", "Door", "Out_Same"), ("panel", "Panel", "In_Other")) if later
                      else _assembly("c_state", ("door", "Door", "Out_State"), ("panel", "Panel", "In_State")))
    composition = ("<COMPOSITION-SW-COMPONENT-TYPE><SHORT-NAME>Body</SHORT-NAME><COMPONENTS>%s</COMPONENTS>"
                   "<CONNECTORS>%s</CONNECTORS></COMPOSITION-SW-COMPONENT-TYPE>" % (prototypes, "".join(connectors)))
    files = {
        "Types.arxml": types,
        "Interfaces.arxml": sp.packages(sp.package("If", interfaces)),
        pick("Door.arxml", "Door_v2.arxml"): sp.packages(sp.package("Swc", components)),
        "Body.arxml": sp.packages(sp.package("Top", [composition])),
    }
    if later:
        files["Moved.arxml"] = sp.packages(sp.package("If", [lock]))
    return files


# (component, port, direction, change, old, new): what the comparison lists from the earlier to the later.
CHANGES = [
    ("Body", "door.Out_Same -> panel.In_Other", "", "connector added", "", "c_other"),
    ("Body", "door.Out_State -> panel.In_State", "", "connector removed", "c_state", ""),
    ("Door", "In_Added", "input", "port added", "", "UInt8"),
    ("Door", "In_Alive", "input", "timeout changed", "0.5 s", "1 s"),
    ("Door", "In_Desc", "input", "description changed", "Old text", "New text"),
    ("Door", "In_Gear", "input", "values changed", "P;R;N;D", "P;R;N;D;S"),
    ("Door", "In_Init", "input", "init value changed", "0", "1"),
    ("Door", "In_Pos", "input", "range changed", "0..1000", "0..2000"),
    ("Door", "In_Press", "input", "scaling changed", "factor: 0.1; offset: 0", "factor: 0.2; offset: 0"),
    ("Door", "In_Queue", "input", "queue length changed", "4", "8"),
    ("Door", "In_Speed", "input", "type changed", "UInt16", "UInt32"),
    ("Door", "In_Temp", "input", "unit changed", u"\u00b0C", "K"),
    ("Door", "Out_Gone", "output", "port removed", "UInt8", ""),
    ("Door", "Out_State", "output", "interface changed", "/If/If_State", "/If/If_State2"),
    ("Door", "Out_State", "output", "type changed", "UInt8", "Gear_T"),
    ("Door", "Out_State", "output", "values changed", "", "P;R;N;D;S"),
    ("Fresh", "", "", "component added", "", "/Swc/Fresh"),
    ("Gone", "", "", "component removed", "/Swc/Gone", ""),
]


def write_deliveries(directory):
    """Writes the two deliveries into `directory`/old and `directory`/new; returns both paths as str."""
    return (sp.write_project(directory / "old", delivery(False)), sp.write_project(directory / "new", delivery(True)))
