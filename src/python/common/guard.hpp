// Catch-all guards: a stretch of work whose failure, of whatever kind, is dropped without a message.
// Use them only where a read of optional data is meant to be allowed to fail.
#pragma once

#include <pybind11/pybind11.h>

namespace velvane {

// Runs `work`; returns true when it finished, false when it failed. A failure leaves no pending
// Python error behind.
template <class Work>
bool guarded(Work&& work) noexcept {
    try {
        work();
        return true;
    } catch (pybind11::error_already_set&) {
        // The exception object owns the fetched Python error; dropping it discards the error.
    } catch (...) {
    }
    PyErr_Clear();
    return false;
}

}  // namespace velvane
