#include "python/tessaly/signal_facts.hpp"

#include "python/tessaly/module_state.hpp"
#include "python/common/py_text.hpp"

namespace velvane::tessaly {

namespace {

constexpr const char* signal_doc =
    "Signal(sheet, port, direction, type, reason, interface): one signal of the workbook, as load's\n"
    "`signals` callable gets it. sheet: the worksheet's name; port: the port's short name; direction:\n"
    "'input' (a required port) or 'output' (a provided port); type: the type cell as written ('' when\n"
    "untyped); reason: None for a typed signal, else why it has no type: 'interface-missing' (no file\n"
    "read defines its interface), 'not-data-interface' (client-server, trigger, parameter or NV-data),\n"
    "'no-data-type' (the interface names no data element or type), 'file-lookup' (resolve='file': no\n"
    "interface of its own file types it); interface: the port's interface reference, absolute where the\n"
    "project index could make it so.";

}  // namespace

void register_signal_class(py::module_& module) {
    py::object signal = py::module_::import("collections")
                            .attr("namedtuple")("Signal", py::make_tuple("sheet", "port", "direction", "type",
                                                                         "reason", "interface"));
    signal.attr("__module__") = module.attr("__name__");
    signal.attr("__doc__") = signal_doc;
    module.attr("Signal") = signal;
}

py::object signals_setting(py::handle signals) {
    if (!signals.is_none() && !PyCallable_Check(signals.ptr())) {
        throw py::type_error(std::string("signals must be callable or None, not ") + Py_TYPE(signals.ptr())->tp_name);
    }
    return py::reinterpret_borrow<py::object>(signals);
}

py::object signal_fact(py::handle sheet, py::handle port, bool provided, py::handle type, const char* reason,
                       py::handle interface) {
    py::object reason_text = reason == nullptr ? py::object(py::none()) : py::object(py::str(reason));
    return module_global("Signal")(sheet, port, provided ? "output" : "input", type, reason_text, interface);
}

}  // namespace velvane::tessaly
