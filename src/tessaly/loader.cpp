#include "tessaly/loader.hpp"

#include "tessaly/key_lists.hpp"
#include "tessaly/module_state.hpp"
#include "tessaly/py_text.hpp"
#include "tessaly/type_resolution.hpp"

#include <string>
#include <vector>

namespace velvane::tessaly {

namespace {

constexpr Py_ssize_t analysis_result_count = 6;

// Cells of an interface record: its SHORT-NAME and its data element's TYPE-TREF.
constexpr Py_ssize_t interface_name_cell = 1;
constexpr Py_ssize_t interface_type_cell = 7;

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
    for (int i = 0; i < key_list_count; ++i) lists.append(module_global(key_list_name(i)));
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
        py::object reference = record[py::int_(interface_type_cell)];
        std::string type = last_path_segment(utf8_of(reference, "an interface type reference"));
        types[record[py::int_(interface_name_cell)]] = py::str(type);
    }
    return types;
}

void load_file(py::handle loader, py::handle workbook, py::handle path, py::handle entry) {
    py::object filename = module_global("os").attr("path").attr("join")(path, entry);
    FileAnalysis analysis = analyse(filename);
    if (text_contains(entry, "TPMS")) py::print("a");
    py::dict types = interface_types(analysis.interfaces);
    py::object enum_dict = analysis.analyser.attr("enumDict");
    py::object structures = analysis.analyser.attr("structValDict");
    py::object enumerations = analysis.analyser.attr("enumValList");
    loader.attr("genExcel")(workbook, entry.attr("replace")(".arxml", ""), analysis.pports,
                            analysis.rports, types, enum_dict, structures, enumerations);
}

}  // namespace

void load_directory(py::handle loader, py::handle path, const LoadSettings& settings) {
    py::object entries = module_global("os").attr("listdir")(path);
    py::object workbook = module_global("Workbook")(settings.output);
    for (py::handle entry : entries) {
        if (is_arxml_entry(entry)) load_file(loader, workbook, path, entry);
    }
    workbook.attr("close")();
}

}  // namespace velvane::tessaly
