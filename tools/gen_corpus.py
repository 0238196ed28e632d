#!/usr/bin/env python3
"""Synthetic AUTOSAR R4 software-component files (schema AUTOSAR_00048) at any size.

Usage:
    python3 tools/gen_corpus.py OUTDIR --files N --mb-per-file X [--seed S] [--layout file|split|mixed] [--ports P]

The same arguments always give the same bytes. One MB is 1,000,000 bytes; a file comes out a little
above X MB (the last signal is finished), never below a handful of signals.

Layout "file" (the default): every file is one component that the analyser reads completely. The
top-level AR-PACKAGE holds in its own ELEMENTS the APPLICATION-SW-COMPONENT-TYPE, one
SENDER-RECEIVER-INTERFACE per port (named exactly like the port) and the COMPU-METHODs; its
sub-packages hold the SW-BASE-TYPEs, the IMPLEMENTATION-DATA-TYPEs and the UNITs.

Layout "split": how real projects are laid out. N component files (package /ComponentTypes), one
PortInterfaces.arxml (/PortInterfaces) and one DataTypes.arxml (/DataTypes/<kind>: base types,
implementation and application data types, compu methods, units and a DATA-TYPE-MAPPING-SET). Ports are
named differently from their interfaces; components require what earlier components provide, and all
references are full paths across the files.

Importable: generate(outdir, files, mb_per_file, seed, layout) writes a corpus and returns its paths;
ensure_corpus(...) does the same but reuses an earlier corpus of the same parameters.
"""
import argparse
import hashlib
import json
import os
import random
import sys
from xml.sax.saxutils import escape

MB = 1000 * 1000
HEAD_SIZE = 1500   # characters of a document's head and package frames, roughly
NAMESPACE = "http://autosar.org/schema/r4.0"
SCHEMA_FILE = "AUTOSAR_00048.xsd"
IND = ["  " * i for i in range(64)]

# name, BASE-TYPE-SIZE, BASE-TYPE-ENCODING, NATIVE-DECLARATION
BASE_TYPES = [
    ("Boolean", 8, "BOOLEAN", "boolean"),
    ("UInt8", 8, "NONE", "unsigned char"),
    ("UInt16", 16, "NONE", "unsigned short"),
    ("UInt32", 32, "NONE", "unsigned int"),
    ("SInt8", 8, "2C", "signed char"),
    ("SInt16", 16, "2C", "short"),
    ("SInt32", 32, "2C", "int"),
    ("Float32", 32, "IEEE754", "float"),
]
BASE_INFO = dict((b[0], b) for b in BASE_TYPES)

# name, DISPLAY-NAME, FACTOR-SI-TO-UNIT, OFFSET-SI-TO-UNIT
UNITS = [
    ("NoUnit", "", "1", "0"),
    ("KmPerHour", "km/h", "3.6", "0"),
    ("DegreeCelsius", "\u00b0C", "1", "-273.15"),
    ("Volt", "V", "1", "0"),
    ("Ampere", "A", "1", "0"),
    ("Degree", "\u00b0", "57.2957795", "0"),
    ("KiloPascal", "kPa", "0.001", "0"),
    ("Percent", "%", "100", "0"),
    ("MilliSecond", "ms", "1000", "0"),
    ("NewtonMeter", "Nm", "1", "0"),
    ("RevPerMinute", "rpm", "9.54929659", "0"),
]
UNIT_DISPLAY = dict((u[0], u[1]) for u in UNITS)

# Scaled value types: name, base type, factor, offset, unit. Each gets a LINEAR compu method.
SCALED = {
    "Speed_kph": ("UInt16", "0.01", "0", "KmPerHour"),
    "Temp_degC": ("SInt16", "0.1", "-40", "DegreeCelsius"),
    "Voltage_V": ("UInt16", "0.001", "0", "Volt"),
    "Current_A": ("SInt16", "0.01", "0", "Ampere"),
    "Angle_deg": ("SInt16", "0.1", "0", "Degree"),
    "Pressure_kPa": ("UInt16", "0.1", "0", "KiloPascal"),
    "Percent": ("UInt8", "0.5", "0", "Percent"),
    "Time_ms": ("UInt16", "10", "0", "MilliSecond"),
    "Torque_Nm": ("SInt16", "0.5", "0", "NewtonMeter"),
    "Speed_rpm": ("UInt16", "0.25", "0", "RevPerMinute"),
}

# Enumeration families: suffix of the type name, literal texts.
ENUM_FAMILIES = {
    "State": ["Off", "On", "Error", "NotAvailable"],
    "Request": ["NoRequest", "Open", "Close", "Stop"],
    "Mode": ["Off", "Auto", "Manual", "Service", "Invalid"],
    "Level": ["Off", "Level1", "Level2", "Level3"],
    "Fault": ["NoFault", "Warning", "Fault", "NotAvailable"],
    "Direction": ["Idle", "Forward", "Backward"],
}

OBJECTS = [
    ("Door", "door", "车门"), ("Window", "window", "车窗"), ("Seat", "seat", "座椅"),
    ("Wiper", "wiper", "雨刮"), ("Mirror", "mirror", "后视镜"), ("Trunk", "trunk", "后备箱"),
    ("Hood", "hood", "引擎盖"), ("Lamp", "lamp", "车灯"), ("Horn", "horn", "喇叭"),
    ("Brake", "brake", "制动"), ("Wheel", "wheel", "车轮"), ("Motor", "motor", "电机"),
    ("Battery", "battery", "电池"), ("Fan", "fan", "风扇"), ("Pump", "pump", "水泵"),
    ("Valve", "valve", "阀"), ("Heater", "heater", "加热器"), ("Sunroof", "sunroof", "天窗"),
    ("Steering", "steering", "转向"), ("Pedal", "pedal", "踏板"), ("Gear", "gear", "档位"),
    ("Cabin", "cabin", "座舱"), ("Engine", "engine", "发动机"), ("Charger", "charger", "充电机"),
    ("Compressor", "compressor", "压缩机"), ("Coolant", "coolant", "冷却液"), ("Tire", "tire", "轮胎"),
    ("Airbag", "airbag", "安全气囊"), ("Belt", "seat belt", "安全带"), ("Vehicle", "vehicle", "车辆"),
]

# suffix, English, Chinese, kind ("value" / "enum" / "struct"), value type or enum family
ATTRIBUTES = [
    ("Sts", "status", "状态", "enum", "State"),
    ("Req", "request", "请求", "enum", "Request"),
    ("Mode", "mode", "模式", "enum", "Mode"),
    ("Lvl", "level", "等级", "enum", "Level"),
    ("Flt", "fault", "故障", "enum", "Fault"),
    ("Dir", "direction", "方向", "enum", "Direction"),
    ("Posn", "position", "位置", "value", "Percent"),
    ("Spd", "speed", "速度", "value", "Speed_kph"),
    ("Temp", "temperature", "温度", "value", "Temp_degC"),
    ("Volt", "voltage", "电压", "value", "Voltage_V"),
    ("Curr", "current", "电流", "value", "Current_A"),
    ("Angl", "angle", "角度", "value", "Angle_deg"),
    ("Prs", "pressure", "压力", "value", "Pressure_kPa"),
    ("Tq", "torque", "扭矩", "value", "Torque_Nm"),
    ("Rpm", "rotational speed", "转速", "value", "Speed_rpm"),
    ("Tmr", "timer", "计时", "value", "Time_ms"),
    ("Cntr", "rolling counter", "计数器", "value", "UInt8"),
    ("Flg", "flag", "标志", "value", "Boolean"),
    ("Cmd", "command", "命令", "value", "UInt8"),
    ("Raw", "raw value", "原始值", "value", "UInt16"),
    ("Chks", "checksum", "校验和", "value", "UInt8"),
    ("Ofs", "offset", "偏移", "value", "SInt16"),
    ("Vld", "validity", "有效性", "value", "Boolean"),
    ("Energy", "energy", "能量", "value", "Float32"),
    ("Odo", "odometer", "里程", "value", "UInt32"),
    ("Info", "information", "信息", "struct", None),
]
VALUE_ATTRIBUTES = [a for a in ATTRIBUTES if a[3] == "value"]
ENUM_ATTRIBUTES = [a for a in ATTRIBUTES if a[3] == "enum"]
STRUCT_ATTRIBUTE = [a for a in ATTRIBUTES if a[3] == "struct"][0]
MEMBER_ATTRIBUTES = VALUE_ATTRIBUTES + ENUM_ATTRIBUTES
LOCATIONS = [("", ""), ("FL", "front left "), ("FR", "front right "), ("RL", "rear left "),
             ("RR", "rear right "), ("Drv", "driver "), ("Pas", "passenger "), ("Frnt", "front "),
             ("Rear", "rear "), ("Le", "left "), ("Ri", "right ")]
ECUS = ["BCM", "ESC", "EMS", "TCU", "VCU", "BMS", "EPS", "IPK", "HVAC", "PEPS", "ADAS", "SAS", "ACU",
        "GW", "DCU", "MCU", "OBC", "SCU"]
COMPONENTS = [
    "DoorLockCtrl", "SeatHeaterCtrl", "WiperCtrl", "WindowLift", "MirrorAdjust", "ExteriorLight",
    "InteriorLight", "HornCtrl", "TrunkCtrl", "SunroofCtrl", "ClimateCtrl", "BatteryMgr", "ChargeCtrl",
    "CoolingCtrl", "SteeringLock", "ParkAssist", "TirePressureMon", "AirbagMon", "BeltReminder",
    "CruiseCtrl", "GearSelector", "PowerMode", "WakeupMgr", "KeylessEntry", "RainLightSnsr",
]
ARRAY_SIZES = [2, 3, 4, 4, 4, 6, 8, 8, 10, 16]

# Kinds of the first signals of every component, so that even a tiny file has a port of each kind
# in each direction.
FIRST_SIGNALS = [("R", "value"), ("P", "enum"), ("R", "array"), ("P", "struct"),
                 ("R", "enum"), ("P", "value"), ("R", "struct"), ("P", "array")]


def uuid(rng):
    n = rng.getrandbits(128)
    n = (n & ~(0xF000 << 64)) | (0x4000 << 64)          # version 4
    n = (n & ~(0xC << 60)) | (0x8 << 60)                 # RFC 4122 variant
    h = "%032x" % n
    return "%s-%s-%s-%s-%s" % (h[:8], h[8:12], h[12:16], h[16:20], h[20:])


def leaf(d, tag, text, attrs=""):
    return "%s<%s%s>%s</%s>" % (IND[d], tag, attrs, text, tag)


def ref(d, tag, dest, path):
    return '%s<%s DEST="%s">%s</%s>' % (IND[d], tag, dest, path, tag)


def open_(d, tag, attrs=""):
    return "%s<%s%s>" % (IND[d], tag, attrs)


def close(d, tag):
    return "%s</%s>" % (IND[d], tag)


def uuid_attr(rng):
    return ' UUID="%s"' % uuid(rng)


def multilang(d, tag, inner, text, lang="EN"):
    """LONG-NAME / DESC with one language entry; `text` is already escaped."""
    return "\n".join([open_(d, tag), leaf(d + 1, inner, text, ' L="%s"' % lang), close(d, tag)])


def sw_data_def_props(d, lines):
    """SW-DATA-DEF-PROPS / -VARIANTS / -CONDITIONAL around already indented lines (at depth d + 3)."""
    return "\n".join([open_(d, "SW-DATA-DEF-PROPS"), open_(d + 1, "SW-DATA-DEF-PROPS-VARIANTS"),
                      open_(d + 2, "SW-DATA-DEF-PROPS-CONDITIONAL")] + lines +
                     [close(d + 2, "SW-DATA-DEF-PROPS-CONDITIONAL"), close(d + 1, "SW-DATA-DEF-PROPS-VARIANTS"),
                      close(d, "SW-DATA-DEF-PROPS")])


def admin_data_sdg(d, rng):
    """The small ADMIN-DATA that tools attach to ports and interfaces."""
    return "\n".join([
        open_(d, "ADMIN-DATA"), open_(d + 1, "SDGS"), open_(d + 2, "SDG", ' GID="Edit"'),
        leaf(d + 3, "SD", rng.choice(["Imported", "Manual"]), ' GID="Origin"'),
        close(d + 2, "SDG"), close(d + 1, "SDGS"), close(d, "ADMIN-DATA")])


class TypePool(object):
    """The data types that the signals of one package (layout "file") or of the whole corpus (layout
    "split") use: base types, units, compu methods, implementation data types and, for "split",
    application data types. Types are made on first use and kept as rendered XML."""

    def __init__(self, rng, paths, depth, compu_depth=None, application_types=False):
        self.rng = rng
        self.paths = paths          # kind -> package path: base, idt, compu, unit, app
        self.depth = depth          # indentation of the elements in their ELEMENTS
        self.compu_depth = depth if compu_depth is None else compu_depth
        self.application_types = application_types
        self.xml = {"base": [], "idt": [], "compu": [], "unit": [], "app": []}
        self.type_mappings = []     # (application type name, implementation type name)
        self.kind = {}              # implementation type name -> "value" / "enum" / "array" / "struct"
        self.unit_of = {}           # value type -> unit
        self.literals = {}          # enum type -> literal texts
        self.array_of = {}          # array type -> (element type, size)
        self.members = {}           # struct type -> [(member name, member type)]
        self.enums_of = {}          # enum family -> enum types made from it
        self.struct_names = []
        self.size = 0               # characters rendered so far
        self._have_base = set()
        self._have_unit = set()

    def _add(self, kind, text):
        self.xml[kind].append(text)
        self.size += len(text) + 1

    def path(self, kind, name):
        return "%s/%s" % (self.paths[kind], name)

    # -- leaves: base types and units --
    def base_type(self, name):
        if name not in self._have_base:
            self._have_base.add(name)
            _, size, encoding, native = BASE_INFO[name]
            d = self.depth
            self._add("base", "\n".join([
                open_(d, "SW-BASE-TYPE", uuid_attr(self.rng)), leaf(d + 1, "SHORT-NAME", name),
                leaf(d + 1, "CATEGORY", "FIXED_LENGTH"), leaf(d + 1, "BASE-TYPE-SIZE", size),
                leaf(d + 1, "BASE-TYPE-ENCODING", encoding), leaf(d + 1, "NATIVE-DECLARATION", native),
                close(d, "SW-BASE-TYPE")]))
        return self.path("base", name)

    def unit(self, name):
        if name not in self._have_unit:
            self._have_unit.add(name)
            _, display, factor, offset = [u for u in UNITS if u[0] == name][0]
            d = self.depth
            self._add("unit", "\n".join([
                open_(d, "UNIT", uuid_attr(self.rng)), leaf(d + 1, "SHORT-NAME", name),
                leaf(d + 1, "DISPLAY-NAME", escape(display)), leaf(d + 1, "FACTOR-SI-TO-UNIT", factor),
                leaf(d + 1, "OFFSET-SI-TO-UNIT", offset), close(d, "UNIT")]))
        return self.path("unit", name)

    # -- implementation data types --
    def _value_type(self, name, base, compu=None, desc=None):
        d = self.depth
        props = [ref(d + 4, "BASE-TYPE-REF", "SW-BASE-TYPE", self.base_type(base))]
        if compu:
            props.append(ref(d + 4, "COMPU-METHOD-REF", "COMPU-METHOD", self.path("compu", compu)))
        props.append(leaf(d + 4, "SW-CALIBRATION-ACCESS", "READ-ONLY"))
        lines = [open_(d, "IMPLEMENTATION-DATA-TYPE", uuid_attr(self.rng)), leaf(d + 1, "SHORT-NAME", name)]
        if desc:
            lines.append(multilang(d + 1, "DESC", "L-2", desc))
        lines += [leaf(d + 1, "CATEGORY", "VALUE"), sw_data_def_props(d + 1, props),
                  close(d, "IMPLEMENTATION-DATA-TYPE")]
        self._add("idt", "\n".join(lines))

    def value(self, name):
        """A VALUE type: a plain one named after its base type, or a scaled one with a LINEAR method."""
        if name in self.kind:
            return name
        self.kind[name] = "value"
        if name in BASE_INFO:
            self.unit_of[name] = "NoUnit"
            self._value_type(name, name)
            return name
        base, factor, offset, unit = SCALED[name]
        self.unit_of[name] = unit
        compu = "COMPU_" + name
        d = self.compu_depth
        self._add("compu", "\n".join([
            open_(d, "COMPU-METHOD", uuid_attr(self.rng)), leaf(d + 1, "SHORT-NAME", compu),
            leaf(d + 1, "CATEGORY", "LINEAR"), ref(d + 1, "UNIT-REF", "UNIT", self.unit(unit)),
            open_(d + 1, "COMPU-INTERNAL-TO-PHYS"), open_(d + 2, "COMPU-SCALES"), open_(d + 3, "COMPU-SCALE"),
            open_(d + 4, "COMPU-RATIONAL-COEFFS"), open_(d + 5, "COMPU-NUMERATOR"),
            leaf(d + 6, "V", offset), leaf(d + 6, "V", factor), close(d + 5, "COMPU-NUMERATOR"),
            open_(d + 5, "COMPU-DENOMINATOR"), leaf(d + 6, "V", "1"), close(d + 5, "COMPU-DENOMINATOR"),
            close(d + 4, "COMPU-RATIONAL-COEFFS"), close(d + 3, "COMPU-SCALE"), close(d + 2, "COMPU-SCALES"),
            close(d + 1, "COMPU-INTERNAL-TO-PHYS"), close(d, "COMPU-METHOD")]))
        self._value_type(name, base, compu, "Physical value in %s, factor %s, offset %s"
                         % (escape(UNIT_DISPLAY[unit] or "1"), factor, offset))
        self._application_type(name, compu, unit)
        return name

    def enum(self, obj, family, reuse=0.6):
        """An enumeration: a VALUE type whose TEXTTABLE compu method is named COMPU_<type>."""
        same_family = self.enums_of.setdefault(family, [])
        if same_family and self.rng.random() < reuse:
            return self.rng.choice(same_family)
        name = self._fresh(obj + family)
        literals = list(ENUM_FAMILIES[family])
        self.kind[name] = "enum"
        self.unit_of[name] = "NoUnit"
        self.literals[name] = literals
        same_family.append(name)
        compu = "COMPU_" + name
        d = self.compu_depth
        lines = [open_(d, "COMPU-METHOD", uuid_attr(self.rng)), leaf(d + 1, "SHORT-NAME", compu),
                 leaf(d + 1, "CATEGORY", "TEXTTABLE"), open_(d + 1, "COMPU-INTERNAL-TO-PHYS"),
                 open_(d + 2, "COMPU-SCALES")]
        for i, literal in enumerate(literals):
            lines += [open_(d + 3, "COMPU-SCALE"),
                      leaf(d + 4, "LOWER-LIMIT", i, ' INTERVAL-TYPE="CLOSED"'),
                      leaf(d + 4, "UPPER-LIMIT", i, ' INTERVAL-TYPE="CLOSED"'),
                      open_(d + 4, "COMPU-CONST"), leaf(d + 5, "VT", literal), close(d + 4, "COMPU-CONST"),
                      close(d + 3, "COMPU-SCALE")]
        lines += [close(d + 2, "COMPU-SCALES"), close(d + 1, "COMPU-INTERNAL-TO-PHYS"), close(d, "COMPU-METHOD")]
        self._add("compu", "\n".join(lines))
        self._value_type(name, "UInt8", compu)
        self._application_type(name, compu, "NoUnit")
        return name

    def array(self, element):
        """rt_Array_<element>_<N>, one IMPLEMENTATION-DATA-TYPE-ELEMENT of ARRAY-SIZE N."""
        size = self.rng.choice(ARRAY_SIZES)
        name = "rt_Array_%s_%d" % (element, size)
        if name in self.kind:
            return name
        self.kind[name] = "array"
        self.array_of[name] = (element, size)
        d = self.depth
        self._add("idt", "\n".join([
            open_(d, "IMPLEMENTATION-DATA-TYPE", uuid_attr(self.rng)), leaf(d + 1, "SHORT-NAME", name),
            leaf(d + 1, "CATEGORY", "ARRAY"), open_(d + 1, "SUB-ELEMENTS"),
            open_(d + 2, "IMPLEMENTATION-DATA-TYPE-ELEMENT", uuid_attr(self.rng)),
            leaf(d + 3, "SHORT-NAME", element + "_Elem"), leaf(d + 3, "CATEGORY", "TYPE_REFERENCE"),
            leaf(d + 3, "ARRAY-SIZE", size), leaf(d + 3, "ARRAY-SIZE-SEMANTICS", "FIXED-SIZE"),
            sw_data_def_props(d + 3, [ref(d + 6, "IMPLEMENTATION-DATA-TYPE-REF", "IMPLEMENTATION-DATA-TYPE",
                                          self.path("idt", element))]),
            close(d + 2, "IMPLEMENTATION-DATA-TYPE-ELEMENT"), close(d + 1, "SUB-ELEMENTS"),
            close(d, "IMPLEMENTATION-DATA-TYPE")]))
        return name

    def struct(self, obj, reuse=0.5):
        """A STRUCTURE type whose members refer to value, enumeration or array types."""
        if self.struct_names and self.rng.random() < reuse:
            return self.rng.choice(self.struct_names)
        name = self._fresh(obj + "Info")
        members = []
        used = set()
        for _ in range(self.rng.randint(2, 6)):
            attr = self.rng.choice(MEMBER_ATTRIBUTES)
            if attr[0] in used:
                continue
            used.add(attr[0])
            mtype = self.enum(obj, attr[4]) if attr[3] == "enum" else self.value(attr[4])
            if self.rng.random() < 0.15:
                mtype = self.array(mtype)
            members.append((obj + attr[0], mtype))
        self.kind[name] = "struct"
        self.members[name] = members
        self.struct_names.append(name)
        d = self.depth
        lines = [open_(d, "IMPLEMENTATION-DATA-TYPE", uuid_attr(self.rng)), leaf(d + 1, "SHORT-NAME", name),
                 leaf(d + 1, "CATEGORY", "STRUCTURE"), open_(d + 1, "SUB-ELEMENTS")]
        for member, mtype in members:
            lines += [open_(d + 2, "IMPLEMENTATION-DATA-TYPE-ELEMENT", uuid_attr(self.rng)),
                      leaf(d + 3, "SHORT-NAME", member), leaf(d + 3, "CATEGORY", "TYPE_REFERENCE"),
                      sw_data_def_props(d + 3, [ref(d + 6, "IMPLEMENTATION-DATA-TYPE-REF",
                                                    "IMPLEMENTATION-DATA-TYPE", self.path("idt", mtype))]),
                      close(d + 2, "IMPLEMENTATION-DATA-TYPE-ELEMENT")]
        lines += [close(d + 1, "SUB-ELEMENTS"), close(d, "IMPLEMENTATION-DATA-TYPE")]
        self._add("idt", "\n".join(lines))
        return name

    def _fresh(self, name):
        if name not in self.kind:
            return name
        i = 2
        while "%s%d" % (name, i) in self.kind:
            i += 1
        return "%s%d" % (name, i)

    def _application_type(self, name, compu, unit):
        if not self.application_types:
            return
        app = "App_" + name
        d = self.depth
        self._add("app", "\n".join([
            open_(d, "APPLICATION-PRIMITIVE-DATA-TYPE", uuid_attr(self.rng)), leaf(d + 1, "SHORT-NAME", app),
            leaf(d + 1, "CATEGORY", "VALUE"),
            sw_data_def_props(d + 1, [ref(d + 4, "COMPU-METHOD-REF", "COMPU-METHOD", self.path("compu", compu)),
                                      ref(d + 4, "UNIT-REF", "UNIT", self.unit(unit))]),
            close(d, "APPLICATION-PRIMITIVE-DATA-TYPE")]))
        self.type_mappings.append((app, name))

    def mapping_set(self, name):
        d = self.depth
        lines = [open_(d, "DATA-TYPE-MAPPING-SET", uuid_attr(self.rng)), leaf(d + 1, "SHORT-NAME", name),
                 open_(d + 1, "DATA-TYPE-MAPS")]
        for app, idt in self.type_mappings:
            lines += [open_(d + 2, "DATA-TYPE-MAP"),
                      ref(d + 3, "APPLICATION-DATA-TYPE-REF", "APPLICATION-PRIMITIVE-DATA-TYPE", self.path("app", app)),
                      ref(d + 3, "IMPLEMENTATION-DATA-TYPE-REF", "IMPLEMENTATION-DATA-TYPE", self.path("idt", idt)),
                      close(d + 2, "DATA-TYPE-MAP")]
        lines += [close(d + 1, "DATA-TYPE-MAPS"), close(d, "DATA-TYPE-MAPPING-SET")]
        return "\n".join(lines)

    # -- initial values, as the com specs carry them --
    def init_value(self, d, type_name, label):
        """Lines of one value for `type_name` at depth d (inside INIT-VALUE or a list)."""
        kind = self.kind[type_name]
        if kind in ("value", "enum"):
            unit = self.unit_of[type_name]
            phys = leaf(d + 3, "VT", self.literals[type_name][0]) if kind == "enum" else leaf(d + 3, "V", "0")
            return [open_(d, "APPLICATION-VALUE-SPECIFICATION"), leaf(d + 1, "SHORT-LABEL", label),
                    leaf(d + 1, "CATEGORY", "VALUE"), open_(d + 1, "SW-VALUE-CONT"),
                    ref(d + 2, "UNIT-REF", "UNIT", self.unit(unit)), open_(d + 2, "SW-VALUES-PHYS"), phys,
                    close(d + 2, "SW-VALUES-PHYS"), close(d + 1, "SW-VALUE-CONT"),
                    close(d, "APPLICATION-VALUE-SPECIFICATION")]
        if kind == "array":
            element, size = self.array_of[type_name]
            lines = [open_(d, "ARRAY-VALUE-SPECIFICATION"), leaf(d + 1, "SHORT-LABEL", label),
                     open_(d + 1, "ELEMENTS")]
            if self.kind[element] == "value":
                number = [open_(d + 2, "NUMERICAL-VALUE-SPECIFICATION"), leaf(d + 3, "VALUE", "0"),
                          close(d + 2, "NUMERICAL-VALUE-SPECIFICATION")]
                lines += number * size
            else:
                for i in range(size):
                    lines += self.init_value(d + 2, element, "%s_%d" % (label, i))
            return lines + [close(d + 1, "ELEMENTS"), close(d, "ARRAY-VALUE-SPECIFICATION")]
        lines = [open_(d, "RECORD-VALUE-SPECIFICATION"), leaf(d + 1, "SHORT-LABEL", label), open_(d + 1, "FIELDS")]
        for member, mtype in self.members[type_name]:
            lines += self.init_value(d + 2, mtype, member)
        return lines + [close(d + 1, "FIELDS"), close(d, "RECORD-VALUE-SPECIFICATION")]

    def rendered(self, kind):
        return "\n".join(self.xml[kind])


class Signal(object):
    __slots__ = ("name", "type", "desc", "lang", "ecu")

    def __init__(self, name, type_name, desc, lang, ecu):
        self.name, self.type, self.desc, self.lang, self.ecu = name, type_name, desc, lang, ecu


class SignalNames(object):
    """Signal names (object, location, attribute) that are unique within the corpus."""

    def __init__(self, rng):
        self.rng = rng
        self.used = set()

    def make(self, attribute=None):
        rng = self.rng
        obj = rng.choice(OBJECTS)
        loc = rng.choice(LOCATIONS) if rng.random() < 0.4 else LOCATIONS[0]
        attr = attribute or rng.choice(ATTRIBUTES)
        name = obj[0] + loc[0] + attr[0]
        base, i = name, 2
        while name in self.used:
            name = "%s%d" % (base, i)
            i += 1
        self.used.add(name)
        return name, obj, loc, attr


ZH_LOCATIONS = {"FL": "左前", "FR": "右前", "RL": "左后", "RR": "右后", "Drv": "主驾", "Pas": "副驾",
                "Frnt": "前", "Rear": "后", "Le": "左", "Ri": "右"}


def describe(rng, obj, loc, attr, ecu):
    """An escaped DESC text: English, or Chinese now and then (with the degree sign for temperatures)."""
    if rng.random() < 0.25:
        text = "%s%s%s信号（%s）" % (ZH_LOCATIONS.get(loc[0], ""), obj[2], attr[2], ecu)
        if attr[0] == "Temp":
            text += "，单位 \u00b0C，范围 -40 \u00b0C ~ 125 \u00b0C"
        return escape(text), "ZH"
    text = "%s%s %s (%s)" % (loc[1], obj[1], attr[1], ecu)
    text = text[0].upper() + text[1:]
    if attr[0] == "Spd":
        text += ", valid when > 3 km/h & ignition on"
    elif attr[0] == "Temp":
        text += " in \u00b0C"
    return escape(text), "EN"


def pick_type(pool, rng, kind, obj, attr):
    if kind == "struct":
        return pool.struct(obj[0])
    if attr[3] == "enum":
        element = pool.enum(obj[0], attr[4])
    else:
        element = pool.value(attr[4] if attr[3] == "value" else rng.choice(VALUE_ATTRIBUTES)[4])
    return pool.array(element) if kind == "array" else element


def new_signal(rng, names, pool, kind=None, ecu=None):
    """A signal of the given kind (random when None) with its type made or reused in `pool`."""
    if kind is None:
        r = rng.random()
        kind = "array" if r < 0.12 else "struct" if r < 0.2 else None
    attribute = None
    if kind == "enum":
        attribute = rng.choice(ENUM_ATTRIBUTES)
    elif kind == "value":
        attribute = rng.choice(VALUE_ATTRIBUTES)
    elif kind == "struct":
        attribute = STRUCT_ATTRIBUTE
    name, obj, loc, attr = names.make(attribute)
    if kind is None:
        kind = attr[3]
    ecu = ecu or rng.choice(ECUS)
    desc, lang = describe(rng, obj, loc, attr, ecu)
    return Signal(name, pick_type(pool, rng, kind, obj, attr), desc, lang, ecu)


class Component(object):
    """One APPLICATION-SW-COMPONENT-TYPE being filled with ports; renders its element and the parts
    that depend on it (interfaces for layout "file", runnables and events)."""

    def __init__(self, rng, pool, name, package, iface_package, depth):
        self.rng = rng
        self.pool = pool
        self.name = name
        self.package = package              # path of the package holding the component
        self.iface_package = iface_package  # path of the package holding the interfaces
        self.depth = depth
        self.r_ports = []                   # rendered R-PORT-PROTOTYPEs
        self.p_ports = []
        self.receives = []                  # rendered VARIABLE-ACCESSes of the receive points
        self.sends = []
        self.size = 0

    def port(self, direction, port_name, iface_name, signal):
        """Adds one port of `signal` typed by the interface `iface_name`; returns characters added."""
        rng, pool, d = self.rng, self.pool, self.depth + 2
        receiver = direction == "R"
        tag = "R-PORT-PROTOTYPE" if receiver else "P-PORT-PROTOTYPE"
        element_ref = "%s/%s/%s" % (self.iface_package, iface_name, signal.name)
        lines = [open_(d, tag, uuid_attr(rng)), leaf(d + 1, "SHORT-NAME", port_name)]
        if rng.random() < 0.3:
            lines.append(admin_data_sdg(d + 1, rng))
        if receiver:
            spec = "NONQUEUED-RECEIVER-COM-SPEC"
            lines += [open_(d + 1, "REQUIRED-COM-SPECS"), open_(d + 2, spec),
                      ref(d + 3, "DATA-ELEMENT-REF", "VARIABLE-DATA-PROTOTYPE", element_ref),
                      leaf(d + 3, "HANDLE-OUT-OF-RANGE", "NONE"),
                      leaf(d + 3, "USES-END-TO-END-PROTECTION", "false"),
                      leaf(d + 3, "ALIVE-TIMEOUT", rng.choice(["0", "0", "0.1", "0.5"])),
                      leaf(d + 3, "ENABLE-UPDATE", "false"), open_(d + 3, "FILTER"),
                      leaf(d + 4, "DATA-FILTER-TYPE", "ALWAYS"), close(d + 3, "FILTER"),
                      leaf(d + 3, "HANDLE-NEVER-RECEIVED", "false"),
                      leaf(d + 3, "HANDLE-TIMEOUT-TYPE", rng.choice(["NONE", "NONE", "REPLACE"]))]
        else:
            spec = "NONQUEUED-SENDER-COM-SPEC"
            lines += [open_(d + 1, "PROVIDED-COM-SPECS"), open_(d + 2, spec),
                      ref(d + 3, "DATA-ELEMENT-REF", "VARIABLE-DATA-PROTOTYPE", element_ref),
                      leaf(d + 3, "HANDLE-OUT-OF-RANGE", "NONE"),
                      leaf(d + 3, "USES-END-TO-END-PROTECTION", "false")]
        lines += [open_(d + 3, "INIT-VALUE")]
        lines += pool.init_value(d + 4, signal.type, "Init_" + signal.name)
        lines += [close(d + 3, "INIT-VALUE"), close(d + 2, spec)]
        if receiver:
            lines += [close(d + 1, "REQUIRED-COM-SPECS"),
                      ref(d + 1, "REQUIRED-INTERFACE-TREF", "SENDER-RECEIVER-INTERFACE",
                          "%s/%s" % (self.iface_package, iface_name))]
        else:
            lines += [close(d + 1, "PROVIDED-COM-SPECS"),
                      ref(d + 1, "PROVIDED-INTERFACE-TREF", "SENDER-RECEIVER-INTERFACE",
                          "%s/%s" % (self.iface_package, iface_name))]
        lines.append(close(d, tag))
        text = "\n".join(lines)
        (self.r_ports if receiver else self.p_ports).append(text)

        da = self.depth + 7   # VARIABLE-ACCESS inside RUNNABLE-ENTITY / DATA-...-POINT...
        access = "\n".join([
            open_(da, "VARIABLE-ACCESS", uuid_attr(rng)),
            leaf(da + 1, "SHORT-NAME", ("IN_" if receiver else "OUT_") + port_name + "_" + signal.name),
            open_(da + 1, "ACCESSED-VARIABLE"), open_(da + 2, "AUTOSAR-VARIABLE-IREF"),
            ref(da + 3, "PORT-PROTOTYPE-REF", tag, "%s/%s/%s" % (self.package, self.name, port_name)),
            ref(da + 3, "TARGET-DATA-PROTOTYPE-REF", "VARIABLE-DATA-PROTOTYPE", element_ref),
            close(da + 2, "AUTOSAR-VARIABLE-IREF"), close(da + 1, "ACCESSED-VARIABLE"),
            close(da, "VARIABLE-ACCESS")])
        (self.receives if receiver else self.sends).append(access)
        added = len(text) + len(access) + 2
        self.size += added
        return added

    def render(self, mapping_set=None, chunk=64):
        """The component element. Accesses are spread over step runnables of `chunk` accesses each."""
        rng, d = self.rng, self.depth
        ib = self.name + "_InternalBehavior"
        ib_path = "%s/%s/%s" % (self.package, self.name, ib)
        steps = max(1, (max(len(self.receives), len(self.sends)) + chunk - 1) // chunk)
        runnables = [self.name + "_Init"] + [self.name + "_Step" + ("" if i == 0 else str(i)) for i in range(steps)]
        lines = [open_(d, "APPLICATION-SW-COMPONENT-TYPE", uuid_attr(rng)), leaf(d + 1, "SHORT-NAME", self.name),
                 multilang(d + 1, "LONG-NAME", "L-4", "%s application component" % self.name),
                 multilang(d + 1, "DESC", "L-2", "Software component %s, %d inputs and %d outputs"
                           % (self.name, len(self.r_ports), len(self.p_ports))),
                 open_(d + 1, "PORTS")]
        lines += self.r_ports
        lines += self.p_ports
        lines += [close(d + 1, "PORTS"), open_(d + 1, "INTERNAL-BEHAVIORS"),
                  open_(d + 2, "SWC-INTERNAL-BEHAVIOR", uuid_attr(rng)), leaf(d + 3, "SHORT-NAME", ib)]
        if mapping_set:
            lines += [open_(d + 3, "DATA-TYPE-MAPPING-REFS"),
                      ref(d + 4, "DATA-TYPE-MAPPING-REF", "DATA-TYPE-MAPPING-SET", mapping_set),
                      close(d + 3, "DATA-TYPE-MAPPING-REFS")]
        lines += [open_(d + 3, "EVENTS"), open_(d + 4, "INIT-EVENT", uuid_attr(rng)),
                  leaf(d + 5, "SHORT-NAME", "IE_" + runnables[0]),
                  ref(d + 5, "START-ON-EVENT-REF", "RUNNABLE-ENTITY", "%s/%s" % (ib_path, runnables[0])),
                  close(d + 4, "INIT-EVENT")]
        for r in runnables[1:]:
            lines += [open_(d + 4, "TIMING-EVENT", uuid_attr(rng)), leaf(d + 5, "SHORT-NAME", "TE_" + r),
                      ref(d + 5, "START-ON-EVENT-REF", "RUNNABLE-ENTITY", "%s/%s" % (ib_path, r)),
                      leaf(d + 5, "PERIOD", rng.choice(["0.01", "0.02", "0.05", "0.1"])),
                      close(d + 4, "TIMING-EVENT")]
        lines += [close(d + 3, "EVENTS"), leaf(d + 3, "HANDLE-TERMINATION-AND-RESTART", "NO-SUPPORT"),
                  open_(d + 3, "RUNNABLES")]
        for i, r in enumerate(runnables):
            lines += [open_(d + 4, "RUNNABLE-ENTITY", uuid_attr(rng)), leaf(d + 5, "SHORT-NAME", r),
                      leaf(d + 5, "MINIMUM-START-INTERVAL", "0"),
                      leaf(d + 5, "CAN-BE-INVOKED-CONCURRENTLY", "false")]
            if i > 0:
                part = slice((i - 1) * chunk, i * chunk)
                if self.receives[part]:
                    lines += [open_(d + 5, "DATA-RECEIVE-POINT-BY-ARGUMENTS")] + self.receives[part] + \
                             [close(d + 5, "DATA-RECEIVE-POINT-BY-ARGUMENTS")]
                if self.sends[part]:
                    lines += [open_(d + 5, "DATA-SEND-POINTS")] + self.sends[part] + \
                             [close(d + 5, "DATA-SEND-POINTS")]
            lines += [leaf(d + 5, "SYMBOL", r), close(d + 4, "RUNNABLE-ENTITY")]
        lines += [close(d + 3, "RUNNABLES"), leaf(d + 3, "SUPPORTS-MULTIPLE-INSTANTIATION", "false"),
                  close(d + 2, "SWC-INTERNAL-BEHAVIOR"), close(d + 1, "INTERNAL-BEHAVIORS"),
                  close(d, "APPLICATION-SW-COMPONENT-TYPE")]
        return "\n".join(lines)


def interface(rng, d, name, signal, pool):
    """A SENDER-RECEIVER-INTERFACE with the one data element `signal`, typed by its implementation type."""
    kind = pool.kind[signal.type]
    lines = [open_(d, "SENDER-RECEIVER-INTERFACE", uuid_attr(rng)), leaf(d + 1, "SHORT-NAME", name),
             multilang(d + 1, "DESC", "L-2", signal.desc, signal.lang)]
    if rng.random() < 0.2:
        lines.append(admin_data_sdg(d + 1, rng))
    lines += [leaf(d + 1, "IS-SERVICE", "false"), open_(d + 1, "DATA-ELEMENTS"),
              open_(d + 2, "VARIABLE-DATA-PROTOTYPE", uuid_attr(rng)), leaf(d + 3, "SHORT-NAME", signal.name),
              leaf(d + 3, "CATEGORY", {"value": "VALUE", "enum": "VALUE", "array": "ARRAY",
                                       "struct": "STRUCTURE"}[kind]),
              sw_data_def_props(d + 3, [leaf(d + 6, "SW-CALIBRATION-ACCESS", "READ-ONLY"),
                                        leaf(d + 6, "SW-IMPL-POLICY", "STANDARD")]),
              ref(d + 3, "TYPE-TREF", "IMPLEMENTATION-DATA-TYPE", pool.path("idt", signal.type)),
              close(d + 2, "VARIABLE-DATA-PROTOTYPE"), close(d + 1, "DATA-ELEMENTS"),
              close(d, "SENDER-RECEIVER-INTERFACE")]
    return "\n".join(lines)


def document(rng, packages, comment):
    """A whole ARXML text: header, root ADMIN-DATA and the given rendered top-level packages."""
    head = [
        '<?xml version="1.0" encoding="UTF-8"?>',
        "<!-- %s -->" % comment,
        '<AUTOSAR xmlns="%s" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" '
        'xsi:schemaLocation="%s %s">' % (NAMESPACE, NAMESPACE, SCHEMA_FILE),
        open_(1, "ADMIN-DATA"), leaf(2, "LANGUAGE", "EN"), open_(2, "USED-LANGUAGES"),
        leaf(3, "L-10", "English", ' L="EN" xml:space="default"'),
        leaf(3, "L-10", "中文", ' L="ZH" xml:space="default"'), close(2, "USED-LANGUAGES"),
        open_(2, "DOC-REVISIONS"), open_(3, "DOC-REVISION"),
        leaf(4, "REVISION-LABEL", "%d.%d.%d" % (rng.randint(1, 4), rng.randint(0, 9), rng.randint(0, 30))),
        leaf(4, "ISSUED-BY", "Velvane corpus generator"),
        leaf(4, "DATE", "2024-%02d-%02dT%02d:%02d:00+08:00" % (rng.randint(1, 12), rng.randint(1, 28),
                                                                rng.randint(0, 23), rng.randint(0, 59))),
        close(3, "DOC-REVISION"), close(2, "DOC-REVISIONS"), close(1, "ADMIN-DATA"),
        open_(1, "AR-PACKAGES")]
    return "\n".join(head + packages + [close(1, "AR-PACKAGES"), "</AUTOSAR>", ""])


def package(rng, d, name, elements=None, subpackages=None):
    lines = [open_(d, "AR-PACKAGE", uuid_attr(rng)), leaf(d + 1, "SHORT-NAME", name)]
    if elements is not None:
        lines += [open_(d + 1, "ELEMENTS")] + [e for e in elements if e] + [close(d + 1, "ELEMENTS")]
    if subpackages is not None:
        lines += [open_(d + 1, "AR-PACKAGES")] + subpackages + [close(d + 1, "AR-PACKAGES")]
    lines.append(close(d, "AR-PACKAGE"))
    return "\n".join(lines)


def component_names(count):
    names = []
    for i in range(count):
        base = COMPONENTS[i % len(COMPONENTS)]
        names.append(base if i < len(COMPONENTS) else "%s%d" % (base, i // len(COMPONENTS) + 1))
    return names


def _write(path, text):
    with open(path, "wb") as f:
        f.write(text.encode("utf-8"))
    return path


def _kinds(rng, index):
    """Direction and kind of the index-th signal of a component."""
    if index < len(FIRST_SIGNALS):
        return FIRST_SIGNALS[index]
    return ("R" if rng.random() < 0.55 else "P"), None


def _balanced_kinds(rng, index, counts, ports):
    """Direction and kind of the index-th signal when each direction gets exactly `ports` signals."""
    direction, kind = _kinds(rng, index)
    if counts[direction] >= ports:
        direction, kind = ("P" if direction == "R" else "R"), None
    counts[direction] += 1
    return direction, kind


def generate_file_layout(outdir, files, target, seed, ports=None, mixed=False):
    """With `ports`, each file gets exactly that many required and provided ports, whatever its size.
    With `mixed`, every other file nests its component and interfaces in a sub-package "Components"
    and keeps its compu methods in a top-level package of their own."""
    paths = []
    for index, swc in enumerate(component_names(files)):
        rng = random.Random("%s/file/%d" % (seed, index))
        top = swc + "_pkg"
        nested = mixed and index % 2 == 1
        home = "/%s/Components" % top if nested else "/" + top
        compu = "/%s_CompuMethods" % swc if nested else "/" + top
        pool = TypePool(rng, {"base": "/%s/SwBaseTypes" % top, "idt": "/%s/ImplementationDataTypes" % top,
                              "compu": compu, "unit": "/%s/Units" % top}, depth=6, compu_depth=4)
        comp = Component(rng, pool, swc, home, home, depth=6 if nested else 4)
        names = SignalNames(rng)
        interfaces = []
        interfaces_size = 0
        counts = {"R": 0, "P": 0}
        i = 0
        while (counts["R"] < ports or counts["P"] < ports) if ports else \
                (i < len(FIRST_SIGNALS) or HEAD_SIZE + comp.size + pool.size + interfaces_size < target):
            direction, kind = _balanced_kinds(rng, i, counts, ports) if ports else _kinds(rng, i)
            signal = new_signal(rng, names, pool, kind)
            if direction == "R":
                port_name = "In_%s_%s" % (signal.ecu, signal.name)
            else:
                port_name = "Out_%s_%s" % (swc, signal.name)
            comp.port(direction, port_name, port_name, signal)
            interfaces.append(interface(rng, 6 if nested else 4, port_name, signal, pool))
            interfaces_size += len(interfaces[-1]) + 1
            i += 1
        subs = [package(rng, 4, "SwBaseTypes", [pool.rendered("base")]),
                package(rng, 4, "ImplementationDataTypes", [pool.rendered("idt")]),
                package(rng, 4, "Units", [pool.rendered("unit")])]
        if nested:
            packages = [package(rng, 2, top, None, [package(rng, 4, "Components", [comp.render()] + interfaces)] + subs),
                        package(rng, 2, swc + "_CompuMethods", [pool.rendered("compu")])]
        else:
            packages = [package(rng, 2, top, [comp.render()] + interfaces + [pool.rendered("compu")], subs)]
        text = document(rng, packages, "Component %s: synthetic test data, seed %s" % (swc, seed))
        paths.append(_write(os.path.join(outdir, swc + "_Model.arxml"), text))
    return paths


def generate_split_layout(outdir, files, target, seed):
    rng = random.Random("%s/split" % seed)
    pool = TypePool(rng, {"base": "/DataTypes/SwBaseTypes", "idt": "/DataTypes/ImplementationDataTypes",
                          "compu": "/DataTypes/CompuMethods", "unit": "/DataTypes/Units",
                          "app": "/DataTypes/ApplicationDataTypes"}, depth=6, application_types=True)
    mapping_set = "/DataTypes/DataTypeMappingSets/DataTypeMappings"
    names = SignalNames(rng)
    interfaces = []
    provided = []          # signals provided by the components written so far
    paths = []
    for swc in component_names(files):
        comp = Component(rng, pool, swc, "/ComponentTypes", "/PortInterfaces", depth=4)
        required = set()
        mine = []
        i = 0
        while i < len(FIRST_SIGNALS) or HEAD_SIZE + comp.size < target:
            direction, kind = _kinds(rng, i)
            i += 1
            signal = None
            if direction == "R" and kind is None and provided and rng.random() < 0.7:
                signal = rng.choice(provided)
                if signal.name in required:
                    continue
            if signal is None:
                signal = new_signal(rng, names, pool, kind)
                interfaces.append(interface(rng, 4, "If_" + signal.name, signal, pool))
            if direction == "R":
                required.add(signal.name)
                port_name = "In_%s_%s" % (signal.ecu, signal.name)
            else:
                signal.ecu = swc
                mine.append(signal)
                port_name = "Out_" + signal.name
            comp.port(direction, port_name, "If_" + signal.name, signal)
        provided += mine
        text = document(rng, [package(rng, 2, "ComponentTypes", [comp.render(mapping_set)])],
                        "Component %s: synthetic test data, seed %s" % (swc, seed))
        paths.append(_write(os.path.join(outdir, swc + ".arxml"), text))

    text = document(rng, [package(rng, 2, "PortInterfaces", interfaces)],
                    "Sender-receiver interfaces: synthetic test data, seed %s" % seed)
    paths.append(_write(os.path.join(outdir, "PortInterfaces.arxml"), text))
    subs = [package(rng, 4, "SwBaseTypes", [pool.rendered("base")]),
            package(rng, 4, "Units", [pool.rendered("unit")]),
            package(rng, 4, "CompuMethods", [pool.rendered("compu")]),
            package(rng, 4, "ImplementationDataTypes", [pool.rendered("idt")]),
            package(rng, 4, "ApplicationDataTypes", [pool.rendered("app")]),
            package(rng, 4, "DataTypeMappingSets", [pool.mapping_set(mapping_set.rsplit("/", 1)[1])])]
    text = document(rng, [package(rng, 2, "DataTypes", None, subs)],
                    "Data types: synthetic test data, seed %s" % seed)
    paths.append(_write(os.path.join(outdir, "DataTypes.arxml"), text))
    return paths


def generate(outdir, files, mb_per_file, seed=1, layout="file", ports=None):
    """Writes the corpus into `outdir` (created when missing) and returns the file paths in order.
    Layout "mixed" is layout "file" with every other file nested differently; `ports` (layouts "file"
    and "mixed") fixes the number of required and of provided ports per file instead of its size."""
    if files < 1:
        raise ValueError("at least one file is needed")
    if layout not in ("file", "split", "mixed"):
        raise ValueError("layout must be 'file', 'split' or 'mixed', not %r" % (layout,))
    if not os.path.isdir(outdir):
        os.makedirs(outdir)
    target = int(mb_per_file * MB)
    if layout != "split":
        return generate_file_layout(outdir, files, target, seed, ports, layout == "mixed")
    return generate_split_layout(outdir, files, target, seed)


STAMP = ".corpus.json"


def ensure_corpus(outdir, files, mb_per_file, seed=1, layout="file", ports=None):
    """Like generate(), but reuses the corpus already in `outdir` when it was made with the same
    parameters by the same generator. Returns the file paths."""
    with open(os.path.abspath(__file__), "rb") as f:
        generator = hashlib.sha1(f.read()).hexdigest()
    wanted = {"files": files, "mb_per_file": mb_per_file, "seed": str(seed), "layout": layout,
              "generator": generator}
    if ports:
        wanted["ports"] = ports
    stamp = os.path.join(outdir, STAMP)
    try:
        with open(stamp) as f:
            old = json.load(f)
    except (IOError, OSError, ValueError):
        old = None
    if old is not None:
        names = old.pop("names", [])
        paths = [os.path.join(outdir, n) for n in names]
        if old == wanted and names and all(os.path.isfile(p) for p in paths):
            return paths
        for p in paths:                       # only what an earlier run wrote
            if os.path.isfile(p):
                os.remove(p)
        os.remove(stamp)
    paths = generate(outdir, files, mb_per_file, seed, layout, ports)
    wanted["names"] = [os.path.basename(p) for p in paths]
    with open(stamp, "w") as f:
        json.dump(wanted, f, indent=1)
    return paths


def main(argv=None):
    parser = argparse.ArgumentParser(description="Write synthetic AUTOSAR component files (ARXML).")
    parser.add_argument("outdir")
    parser.add_argument("--files", type=int, default=1, help="number of component files (default 1)")
    parser.add_argument("--mb-per-file", type=float, default=1.0,
                        help="size of each component file in MB of 1,000,000 bytes (default 1)")
    parser.add_argument("--seed", default="1", help="the same seed gives the same bytes (default 1)")
    parser.add_argument("--layout", choices=["file", "split", "mixed"], default="file",
                        help="file: each file complete in itself (default); split: components, "
                             "interfaces and data types in separate files; mixed: like file, every "
                             "other file with its component in a sub-package")
    parser.add_argument("--ports", type=int, default=None,
                        help="layouts file and mixed: exactly this many required and provided ports "
                             "per file, instead of --mb-per-file")
    args = parser.parse_args(argv)
    paths = generate(args.outdir, args.files, args.mb_per_file, args.seed, args.layout, args.ports)
    total = sum(os.path.getsize(p) for p in paths)
    print("wrote %d files, %.1f MB, into %s" % (len(paths), total / float(MB), args.outdir))
    return 0


if __name__ == "__main__":
    sys.exit(main())
