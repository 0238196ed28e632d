#include "python/tessaly/tessaly_class.hpp"

#include "core/rules/detail_texts.hpp"
#include "core/rules/sheet_typing.hpp"
#include "python/tessaly/loader.hpp"
#include "python/tessaly/run_sources.hpp"
#include "python/tessaly/signal_facts.hpp"
#include "python/tessaly/signal_sheet_input.hpp"

#include <string>

namespace velvane::tessaly {

namespace {


// The class carries no state; both operations work on what they are given.
struct Tessaly {};

py::object load(py::object self, py::object path, py::object output, py::object on_error, py::object progress,
                py::object resolve, py::object recursive, py::object type_sources, py::object signals,
                py::object stats, py::object connections, py::object details, py::object sort,
                py::object working_view) {
    LoadSettings settings = load_settings(output, on_error, progress, stats, resolve);
    set_source_settings(settings, recursive, type_sources);
    settings.signals = signals_setting(signals);
    settings.connections = connections_setting(connections);
    settings.details = flag_setting(details, "details");
    settings.sort = flag_setting(sort, "sort");
    settings.working_view = flag_setting(working_view, "working_view");
    return load_directory(self, path, settings);
}

// _portTypes is internal: the port typing of this sheet, which load passes with resolve='project';
// _details too: the signal details of this sheet, which load passes with details=True; and
// _workingView, which load passes as True with working_view=True.
void gen_excel(py::object /*self*/, py::object workbook, py::object modelName, py::object pport,
               py::object rport, py::object typeDcit, py::object /*enumDict*/, py::object structDict,
               py::object enumValList, py::object port_types, py::object signals, py::object details,
               py::object working_view) {
    GenExcelArguments input{modelName, pport, rport, typeDcit, structDict, enumValList};
    input.working_view = flag_setting(working_view, "_workingView");
    if (!signals.is_none() && !PyList_Check(signals.ptr())) throw py::type_error("_signals must be a list or None");
    input.signals = signals;
    if (!port_types.is_none()) {
        if (!py::isinstance<SheetTyping>(port_types)) {
            throw py::type_error(std::string("_portTypes must be a _SheetTypes or None, not ") +
                                 Py_TYPE(port_types.ptr())->tp_name);
        }
        input.typing = port_types.cast<const SheetTyping*>();
    }
    if (!details.is_none()) {
        if (!py::isinstance<SheetDetails>(details)) {
            throw py::type_error(std::string("_details must be a _SheetDetails or None, not ") +
                                 Py_TYPE(details.ptr())->tp_name);
        }
        input.details = details.cast<const SheetDetails*>();
    }
    write_signal_sheet(workbook, input);
}

constexpr const char* class_doc =
    "Loader and workbook writer of the signal list. Holds no state; construct it without arguments.";

constexpr const char* load_doc =
    "load(self, path, *, output=None, on_error='raise', progress=None, resolve='file', recursive=False, "
    "type_sources=(), signals=None, connections=False, details=False, sort=False, working_view=False) "
    "-> None or list\n\n"
    "Writes the signal-list workbook with one worksheet per entry of the directory `path` whose\n"
    "name ends in '.arxml', in the directory's listing order. Prints the line 'a' on standard output\n"
    "after analysing each file whose name contains 'TPMS'.\n\n"
    "output: the workbook file (str or path-like); by default './SignalList.xlsx' in the current\n"
    "    directory. It is written to a temporary file beside it and renamed over it only once\n"
    "    complete, so an existing file is never left half-written (with the Python writer, see\n"
    "    below, the default output is written in place when the workbook is closed).\n"
    "on_error: 'raise' (default): the first failing file ends the call with its exception and no\n"
    "    workbook is written; returns None. 'skip': a file whose analysis or sheet fails is left\n"
    "    out and the run goes on; the workbook of the other files is written and the call returns\n"
    "    the list of (entry name, exception) pairs of the files left out, in listing order.\n"
    "progress: None or a callable progress(index, total, entry, size), called after each '.arxml'\n"
    "    entry (also one left out): index counts from 1 to total, the number of '.arxml' entries;\n"
    "    size is the file's size in bytes. An exception it raises ends the call.\n\n"
    "resolve: how a port gets its data type. 'file' (default): from its own file only, through\n"
    "    the interface named like the port (or like its interface reference) and the type tables,\n"
    "    enumerations through compu methods named 'COMPU_' + the type name. 'project': besides,\n"
    "    through the references the files carry, across every '.arxml' file of the directory:\n"
    "    port -> interface -> data element -> data type (application types through the data type\n"
    "    mapping sets), along TYPE_REFERENCE chains, with REFERENCE-BASE relative references. It\n"
    "    only fills what the plain look-ups leave empty: the type, the '[n]' suffix of an array,\n"
    "    the enumeration or structure text. A data type that no file read defines is named by the\n"
    "    last piece of its reference; only a port whose interface is not found stays untyped. The\n"
    "    files are parsed once more, before the first sheet.\n"
    "recursive: True: every file whose name ends in '.arxml' anywhere under `path` (symbolic links\n"
    "    to folders are not followed), ordered by their '/'-separated relative paths as UTF-8 bytes;\n"
    "    entry names are those relative paths, sheet names still come from the file names.\n"
    "type_sources: paths of files, or of folders read at any depth, whose ARXML is read into the\n"
    "    project index only (interfaces, types, mappings, compu methods, mode groups), never given a\n"
    "    sheet; a file also among the sheets' files is read once. Only with resolve='project'\n"
    "    (ValueError otherwise); a missing one raises FileNotFoundError before any work. One that\n"
    "    cannot be parsed fails like a sheet's file, before the first sheet; with on_error='skip'\n"
    "    it is left out and listed under its absolute path.\n"
    "signals: None or a callable signals(signal), called with a Signal for each signal of each\n"
    "    sheet written (inputs, then outputs), after that file's sheet is complete; its `reason`\n"
    "    says why a signal has no type. An exception it raises ends the call.\n"
    "connections: False (default) or True: one more worksheet, 'Connections' (mended like any sheet\n"
    "    name when a file's sheet took it), after the file sheets: for every composition in the\n"
    "    files, one row per assembly connector (provider, requester, interface, data type, status\n"
    "    'connected' or 'interface mismatch: ...'), then one row per port of its component\n"
    "    prototypes that no connector names ('unconnected input', 'unused output'). Built from the\n"
    "    project index, whatever `resolve` says.\n\n"
    "details: False (default) leaves the description, detailed description and remark columns\n"
    "    empty. True fills them from what the directory's files say about each signal: the\n"
    "    description from the DESC or LONG-NAME of the port, its data element or its interface; the\n"
    "    details 'unit: ...; range: A..B; factor: F; offset: O; init: V'; the remark 'timeout: T s;\n"
    "    queue: N'. A cell with nothing to say stays unwritten. The files are indexed as for\n"
    "    resolve='project' (once more, before the first sheet), whichever resolve is chosen.\n"
    "sort: False (default) reads the entries in the directory's listing order, which differs from\n"
    "    one file system to another; True in the order of their names as UTF-8 bytes, so that the\n"
    "    same folder gives the same workbook everywhere (recursive=True always orders so).\n"
    "working_view: False (default) writes each sheet as exactly its cells. True makes every sheet\n"
    "    ready to work with in a spreadsheet program: its header row frozen, an autofilter over its\n"
    "    cells, and each row as tall as the lines its wrapped texts take. No cell changes.\n\n"
    "A missing or unreadable directory, a failure of `progress` and a failure to write the\n"
    "workbook end the call in either mode.\n\n"
    "The workbook is written natively unless the module's Workbook was replaced or genExcel is\n"
    "overridden; then it is Workbook(path) and genExcel gets it. Both give the same workbook.\n"
    "A text cut to fit a cell or signals past a sheet's last row each give a TruncationWarning.";

constexpr const char* gen_excel_doc =
    "genExcel(self, workbook, modelName, pport, rport, typeDcit, enumDict, structDict, enumValList) -> None\n\n"
    "Adds the signal sheet of one model to the xlsxwriter `workbook`: a worksheet named after\n"
    "modelName (without '_Model', made acceptable as a sheet name), the header row, one numbered\n"
    "row per signal, the required ports `rport` in the input half and the provided ports `pport`\n"
    "in the output half. typeDcit maps interface names to type names; structDict and enumValList\n"
    "are the analyser's structure and enumeration tables, used to show member and literal texts.\n"
    "enumDict is accepted and not used. A text longer than a cell holds is cut to its first 32,767\n"
    "UTF-16 units and signals past the sheet's last row are left out, each with a TruncationWarning.";

}  // namespace

void register_tessaly_class(py::module_& m) {
    py::class_<Tessaly>(m, "Tessaly", class_doc)
        .def(py::init<>(), "__init__(self) -> None\n\nA new loader; it takes no arguments.")
        // _stats is internal: a dict that the run keeps up to date with its counts, for the command line.
        .def("load", &load, py::arg("path"), py::kw_only(), py::arg("output") = py::none(),
             py::arg("on_error") = "raise", py::arg("progress") = py::none(), py::arg("resolve") = "file",
             py::arg("recursive") = false, py::arg("type_sources") = py::tuple(), py::arg("signals") = py::none(),
             py::arg("_stats") = py::none(), py::arg("connections") = false, py::arg("details") = false,
             py::arg("sort") = false, py::arg("working_view") = false, load_doc)
        .def("genExcel", &gen_excel, py::arg("workbook"), py::arg("modelName"), py::arg("pport"),
             py::arg("rport"), py::arg("typeDcit"), py::arg("enumDict"), py::arg("structDict"),
             py::arg("enumValList"), py::kw_only(), py::arg("_portTypes") = py::none(),
             py::arg("_signals") = py::none(), py::arg("_details") = py::none(), py::arg("_workingView") = false,
             gen_excel_doc);
}

}  // namespace velvane::tessaly
