// Guards: a stretch of work whose failure is dropped without a message. Use them only where a read of
// optional data is meant to be allowed to fail. An interrupt is no failure of the work: a
// KeyboardInterrupt (or whatever a signal handler raised that is no Exception) goes on to the caller.
#pragma once

#include <pybind11/pybind11.h>

namespace velvane {

// Runs `work`; returns true when it finished, false when it failed. A failure leaves no pending
// Python error behind. A pending Python error that is no Exception (an interrupt, SystemExit) is not
// dropped: it is raised again, as a pybind11::error_already_set.
template <class Work>
bool guarded(Work&& work) {
    try {
        work();
        return true;
    } catch (pybind11::error_already_set& failure) {
        if (!failure.matches(PyExc_Exception)) throw;
        // The exception object owns the fetched Python error; dropping it discards the error.
    } catch (...) {
        if (PyErr_Occurred() && !PyErr_ExceptionMatches(PyExc_Exception)) throw pybind11::error_already_set();
    }
    PyErr_Clear();
    return false;
}

}  // namespace velvane
