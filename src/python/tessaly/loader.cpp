#include "python/tessaly/loader.hpp"

#include "core/model/ar_path.hpp"
#include "core/model/project_index.hpp"
#include "core/platform/background_release.hpp"
#include "core/rules/sheet_typing.hpp"
#include "python/common/collection_pause.hpp"
#include "python/common/guard.hpp"
#include "python/common/py_text.hpp"
#include "python/common/record_layout.hpp"
#include "python/common/signal_waits.hpp"
#include "python/tessaly/index_refusals.hpp"
#include "python/tessaly/key_lists.hpp"
#include "python/tessaly/module_state.hpp"
#include "python/tessaly/native_workbook_class.hpp"
#include "python/tessaly/output_file.hpp"
#include "python/tessaly/parse_ahead.hpp"
#include "python/tessaly/record_checks.hpp"
#include "python/tessaly/run_connections.hpp"
#include "python/tessaly/run_sources.hpp"
#include "python/tessaly/sheet_details_class.hpp"
#include "python/tessaly/writer_choice.hpp"

#include <memory>
#include <string>
#include <vector>

namespace velvane::tessaly {

namespace {

constexpr Py_ssize_t analysis_result_count = 6;

namespace interface_record = records::sender_receiver_interface;

// What readArxml returns, in its order; ibArray, baseTypeArray and idtArray are not used here.
struct FileAnalysis {
    py::object analyser;
    py::object interfaces;
    py::object rports;
    py::object pports;
};

bool is_arxml_entry(py::handle entry) {
    if (!is_text(entry)) raise_not_text(entry, "a directory entry");
    return entry.attr("endswith")(".arxml").cast<bool>();
}

bool text_contains(py::handle text, const char* piece) {
    int found = PySequence_Contains(text.ptr(), py::str(piece).ptr());
    if (found < 0) throw py::error_already_set();
    return found == 1;
}

// The nine module-level key lists themselves, in a new list.
py::list data_array() {
    py::list lists;
    for (std::size_t i = 0; i < records::key_list_count; ++i) lists.append(module_global(key_list_name(i)));
    return lists;
}

// Takes exactly six values from `results`, as tuple unpacking would.
std::vector<py::object> unpack_results(py::handle results) {
    std::vector<py::object> values;
    for (py::handle value : results) {
        if (static_cast<Py_ssize_t>(values.size()) == analysis_result_count) {
            throw py::value_error("too many values to unpack (expected 6)");
        }
        values.push_back(py::reinterpret_borrow<py::object>(value));
    }
    if (static_cast<Py_ssize_t>(values.size()) < analysis_result_count) {
        throw py::value_error("not enough values to unpack (expected 6, got " +
                              std::to_string(values.size()) + ")");
    }
    return values;
}

FileAnalysis analyse(py::handle filename) {
    py::object analyser = module_global("Pellinor")();
    analyser.attr("modelName") = py::str("");
    std::vector<py::object> results =
        unpack_results(analyser.attr("readArxml")(filename, data_array()));
    return {analyser, results[0], results[1], results[2]};
}

// Interface name -> short name of its data element's type (last piece of the type reference).
py::dict interface_types(py::handle interfaces) {
    py::dict types;
    for (py::handle record : interfaces) {
        py::object reference = record[py::int_(std::size_t(interface_record::element_type))];
        std::string type = last_segment(utf8_of(reference, "an interface type reference"));
        types[record[py::int_(std::size_t(interface_record::short_name))]] = py::str(type);
    }
    return types;
}

// Signals of the sheet just written, for the run's counts.
struct SheetCounts {
    Py_ssize_t inputs = 0;
    Py_ssize_t outputs = 0;
};

Py_ssize_t length_or_zero(py::handle records) {
    Py_ssize_t length = 0;
    velvane::guarded([&] { length = static_cast<Py_ssize_t>(py::len(records)); });
    return length;
}

// The name of the component the analyser found, as the index keys it ("" when it has none).
std::string component_name(py::handle analyser) {
    std::string component;
    velvane::guarded([&] {
        py::object name = analyser.attr("modelName");
        if (is_text(name)) component = utf8_key(name);
    });
    return component;
}

// The port typing of the sheet of `entry`: the component the analyser found, by its name.
py::object sheet_typing(const std::shared_ptr<const ProjectIndex>& index, py::handle entry, py::handle analyser) {
    return py::cast(SheetTyping(index, utf8_key(entry), component_name(analyser)));
}

// Size of a regular file; 0 for anything else or when it cannot be read.
Py_ssize_t file_size(py::handle path, py::handle entry) {
    Py_ssize_t size = 0;
    velvane::guarded([&] {
        py::object os_path = module_global("os").attr("path");
        py::object filename = os_path.attr("join")(path, entry);
        if (os_path.attr("isfile")(filename).cast<bool>()) size = os_path.attr("getsize")(filename).cast<Py_ssize_t>();
    });
    return size;
}

// Raises `error`, an exception object.
[[noreturn]] void raise(py::handle error) {
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
    throw py::error_already_set();
}

SheetCounts load_file(py::handle loader, py::handle workbook, py::handle path, py::handle entry,
                      const std::shared_ptr<const ProjectIndex>& index, const LoadSettings& settings,
                      py::handle signals) {
    velvane::CollectionPause pause;
    py::object filename = module_global("os").attr("path").attr("join")(path, entry);
    if (index) {
        py::object refused = refusal_error(*index, entry, filename);
        if (!refused.is_none()) raise(refused);
    }
    FileAnalysis analysis = analyse(filename);
    py::object file_name = entry_file_name(entry);
    if (text_contains(file_name, "TPMS")) py::print("a");
    check_interface_records(analysis.analyser, analysis.interfaces, filename);
    py::dict types = interface_types(analysis.interfaces);
    py::object enum_dict = analysis.analyser.attr("enumDict");
    py::object structures = analysis.analyser.attr("structValDict");
    py::object enumerations = analysis.analyser.attr("enumValList");
    py::object model = file_name.attr("replace")(".arxml", "");
    py::dict keywords;
    if (index && settings.resolve_project) keywords["_portTypes"] = sheet_typing(index, entry, analysis.analyser);
    if (index && settings.details) {
        keywords["_details"] = sheet_details(index, utf8_key(entry), component_name(analysis.analyser),
                                             static_cast<std::uint64_t>(file_size(path, entry)));
    }
    if (!signals.is_none()) keywords["_signals"] = signals;
    if (settings.working_view) keywords["_workingView"] = true;
    if (own_gen_excel_applies(loader)) check_required_port_records(analysis.analyser, analysis.rports, filename);
    loader.attr("genExcel")(workbook, model, analysis.pports, analysis.rports, types, enum_dict, structures,
                            enumerations, **keywords);
    return {length_or_zero(analysis.rports), length_or_zero(analysis.pports)};
}

// The exception object of `failure`, carrying its traceback as an exception caught in Python would.
py::object with_traceback(const py::error_already_set& failure) {
    py::object value = failure.value();
    auto attached = py::reinterpret_steal<py::object>(PyException_GetTraceback(value.ptr()));
    if (!attached && failure.trace()) PyException_SetTraceback(value.ptr(), failure.trace().ptr());
    return value;
}

// Runs `work`; returns None when it finished, else the exception it raised. Only ordinary errors
// are caught: KeyboardInterrupt, SystemExit and C++ failures other than Python errors pass through.
template <class Work>
py::object failure_of(Work&& work) {
    try {
        work();
        return py::none();
    } catch (py::error_already_set& failure) {
        if (!failure.matches(PyExc_Exception)) throw;
        return with_traceback(failure);
    } catch (py::builtin_exception& failure) {
        failure.set_error();
        return with_traceback(py::error_already_set());
    }
}

Py_ssize_t sheet_count(py::handle workbook) {
    Py_ssize_t count = -1;
    velvane::guarded([&] { count = static_cast<Py_ssize_t>(py::len(workbook.attr("worksheets")())); });
    return count;
}

// Removes the sheets added after the first `count`: a file left out must not leave half a sheet.
// The workbook library has no public removal, so this undoes what add_worksheet recorded.
void drop_sheets_after(py::handle workbook, Py_ssize_t count) {
    if (count < 0) return;
    velvane::guarded([&] {
        py::object sheets = workbook.attr("worksheets_objs");
        py::object names = workbook.attr("sheetnames");
        while (static_cast<Py_ssize_t>(py::len(sheets)) > count) {
            py::object sheet = sheets.attr("pop")();
            if (PyDict_Check(names.ptr())) names.attr("pop")(sheet.attr("name"), py::none());
        }
    });
}

// The caller's counts dict (or nothing), updated as the run goes.
class RunStats {
public:
    explicit RunStats(py::object dict) : dict_(std::move(dict)) {
        if (!wanted()) return;
        for (const char* key : {"files", "sheets", "inputs", "outputs", "bytes", "skipped"}) dict_[key] = 0;
        dict_["entry"] = py::none();
    }

    bool wanted() const { return !dict_.is_none(); }

    void set(const char* key, py::handle value) {
        if (wanted()) dict_[key] = value;
    }

    void add(const char* key, Py_ssize_t amount) {
        if (wanted()) dict_[key] = py::int_(dict_[key].cast<Py_ssize_t>() + amount);
    }

private:
    py::object dict_;
};

Py_ssize_t arxml_entry_count(py::handle entries) {
    Py_ssize_t count = 0;
    for (py::handle entry : entries) count += is_arxml_entry(entry) ? 1 : 0;
    return count;
}

}  // namespace

LoadSettings load_settings(py::handle output, py::handle on_error, py::handle progress, py::handle stats,
                           py::handle resolve) {
    LoadSettings settings;
    if (!output.is_none()) {
        module_global("os").attr("fspath")(output);  // a TypeError for what is no path at all
        settings.output = py::reinterpret_borrow<py::object>(output);
    }
    std::string mode = is_text(on_error) ? utf8_of(on_error, "on_error") : std::string();
    if (mode == "raise") {
        settings.on_error = OnError::raise;
    } else if (mode == "skip") {
        settings.on_error = OnError::skip;
    } else {
        throw py::value_error("on_error must be 'raise' or 'skip', not " + py::repr(on_error).cast<std::string>());
    }
    if (!progress.is_none() && !PyCallable_Check(progress.ptr())) {
        throw py::type_error(std::string("progress must be callable or None, not ") + Py_TYPE(progress.ptr())->tp_name);
    }
    settings.progress = py::reinterpret_borrow<py::object>(progress);
    if (!stats.is_none() && !PyDict_Check(stats.ptr())) throw py::type_error("_stats must be a dict or None");
    settings.stats = py::reinterpret_borrow<py::object>(stats);
    std::string resolution = is_text(resolve) ? utf8_of(resolve, "resolve") : std::string();
    if (resolution != "file" && resolution != "project") {
        throw py::value_error("resolve must be 'file' or 'project', not " + py::repr(resolve).cast<std::string>());
    }
    settings.resolve_project = resolution == "project";
    return settings;
}

bool flag_setting(py::handle value, const char* name) {
    if (!PyBool_Check(value.ptr())) {
        throw py::type_error(std::string(name) + " must be True or False, not " + Py_TYPE(value.ptr())->tp_name);
    }
    return value.ptr() == Py_True;
}

bool connections_setting(py::handle connections) { return flag_setting(connections, "connections"); }

py::object load_directory(py::handle loader, py::handle path, const LoadSettings& settings) {
    velvane::SignalsDuringWaits signals_during_waits;
    bool native = native_writer_applies(loader);
    RunStats stats(settings.stats);
    stats.set("output_ready", py::bool_(false));  // until then a failure is the output's
    OutputFile output(settings.output, native);  // only names the files: an unusable output fails here
    stats.set("output_ready", py::bool_(true));
    py::object entries = sheet_entries(path, settings.recursive, settings.sort);
    py::list type_files = type_source_files(settings, path, entries);
    bool reporting = !settings.progress.is_none() || stats.wanted();
    Py_ssize_t total = reporting ? arxml_entry_count(entries) : 0;
    stats.set("total", py::int_(total));
    bool skipping = settings.on_error == OnError::skip;
    py::list skipped;
    std::shared_ptr<const ProjectIndex> indexed;
    ParseAhead ahead;
    if (settings.resolve_project || settings.connections || settings.details) {
        indexed = start_run_index(path, entries, type_files, settings, ahead.active());
        if (!type_files.empty()) stats.set("sources", py::int_(py::len(type_files)));
        for (py::handle file : type_files) {
            if (!index_skipped(*indexed, file)) continue;
            stats.set("entry", file);  // a type source has no sheet: its failure is reported now
            py::object failure = refusal_error(*indexed, file, file);
            if (!failure.is_none() && !skipping) raise(failure);
            if (failure.is_none()) failure = type_source_failure(file, !skipping);
            if (failure.is_none()) continue;
            skipped.append(py::make_tuple(file, failure));
            stats.set("sources_skipped", py::int_(py::len(skipped)));
        }
    }
    // With a project index at work, the sheets wait for the index's threads.
    py::object workbook = native ? new_native_workbook(output.workbook_path(), indexed != nullptr)
                                 : module_global("Workbook")(output.workbook_path());
    Py_ssize_t index = 0;
    Py_ssize_t position = -1;
    for (py::handle entry : entries) {
        ++position;
        if (!is_arxml_entry(entry)) continue;
        ++index;
        ahead.before_entry(path, entries, position, indexed.get());
        stats.set("entry", entry);
        SheetCounts counts;
        py::object failure = py::none();
        py::object signals = settings.signals.is_none() ? py::object(py::none()) : py::object(py::list());
        if (skipping) {
            // The native workbook keeps only the sheets genExcel finished: nothing to remove there.
            Py_ssize_t sheets_before = native ? -1 : sheet_count(workbook);
            failure = failure_of([&] { counts = load_file(loader, workbook, path, entry, indexed, settings, signals); });
            if (!failure.is_none()) {
                drop_sheets_after(workbook, sheets_before);
                skipped.append(py::make_tuple(entry, failure));
            }
        } else {
            counts = load_file(loader, workbook, path, entry, indexed, settings, signals);
        }
        if (failure.is_none() && !signals.is_none()) {
            for (py::handle signal : signals) settings.signals(signal);
        }
        if (!reporting) continue;
        Py_ssize_t bytes = file_size(path, entry);
        stats.add("files", 1);
        stats.add("bytes", bytes);
        if (failure.is_none()) {
            stats.add("sheets", 1);
            stats.add("inputs", counts.inputs);
            stats.add("outputs", counts.outputs);
        } else {
            stats.add("skipped", 1);
        }
        if (!settings.progress.is_none()) settings.progress(index, total, entry, bytes);
    }
    stats.set("entry", py::none());
    if (settings.connections) stats.set("connections", add_connections_sheet(workbook, *indexed, settings.working_view));
    {
        BackgroundRelease<const ProjectIndex> release(std::move(indexed));
        velvane::CollectionPause pause;
        output.close(workbook);
    }
    stats.set("written", py::bool_(true));  // an interrupt from here on comes after the workbook is in place
    if (skipping) return std::move(skipped);
    return py::none();
}

}  // namespace velvane::tessaly
