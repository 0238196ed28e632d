// Velvane.Tessaly: a directory of ARXML software-component files to the signal list workbook.
#include <pybind11/pybind11.h>

#include "python/tessaly/compare_function.hpp"
#include "python/tessaly/generate_function.hpp"
#include "python/tessaly/key_lists.hpp"
#include "python/tessaly/module_state.hpp"
#include "python/tessaly/native_workbook_class.hpp"
#include "python/tessaly/project_types_class.hpp"
#include "python/tessaly/sheet_details_class.hpp"
#include "python/tessaly/signal_facts.hpp"
#include "python/tessaly/tessaly_class.hpp"
#include "python/tessaly/truncation_warning.hpp"
#include "python/tessaly/writer_choice.hpp"

namespace py = pybind11;
using namespace velvane::tessaly;

namespace {

constexpr const char* module_doc =
    "Signal-list generation: a directory of AUTOSAR ARXML files to the workbook SignalList.xlsx.\n\n"
    "Tessaly().load(path) analyses every '.arxml' entry of the directory with a new\n"
    "Velvane.Pellinor.Pellinor and writes one worksheet per file. table1List ... table9List are the\n"
    "key lists handed to the analyser (one key per record cell); Pellinor and Workbook are the\n"
    "classes the loader uses, looked up here at call time. Workbook is xlsxwriter's, imported when\n"
    "first read: the native writer does without it.";

}  // namespace

PYBIND11_MODULE(Tessaly, m) {
    m.doc() = module_doc;
    // Each docstring opens with its own signature line, which leaves the internal _stats out.
    py::options options;
    options.disable_function_signatures();
    register_services(m);
    register_key_lists(m);
    register_project_types(m);
    register_signal_class(m);
    register_truncation_warning(m);
    register_sheet_details(m);
    register_tessaly_class(m);
    register_native_workbook(m);
    register_compare(m);
    register_generate(m);
    remember_writer_defaults(m);
}
