// The core's long waits on a thread that runs Python code (platform/wait_check.hpp) made to act on
// signals: while a SignalsDuringWaits lives, such a wait lets Python's signal handlers run every few
// tens of milliseconds, and the exception one raises (KeyboardInterrupt, or whatever the program's own
// handler raises) ends the wait as a pybind11::error_already_set. Without it a Ctrl-C, or a SIGTERM a
// program handles, would only be acted on once the wait is over, however long it takes.
//
// Thread rules: make it on the thread whose waits it is for; Python runs signal handlers only on the
// main thread, so elsewhere it does nothing.
#pragma once

#include "core/platform/wait_check.hpp"

#include <pybind11/pybind11.h>

namespace velvane {

class SignalsDuringWaits {
public:
    SignalsDuringWaits() : scope_(&check) {}

private:
    static void check() {
        pybind11::gil_scoped_acquire held;
        if (PyErr_CheckSignals() != 0) throw pybind11::error_already_set();
    }

    ScopedWaitCheck scope_;
};

}  // namespace velvane
