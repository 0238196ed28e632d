// Automatic garbage collection paused for a stretch of work that makes many container objects and no
// reference cycles worth collecting (an analysis, a sheet): the collector would otherwise traverse the
// young records and element lists again and again, which took a third of the analysis time. Anything
// collectable made meanwhile is collected by the next automatic collection after the pause.
//
// Pauses nest, also across threads: the first one of this module remembers whether collection was
// enabled and the last one restores that; a pause that finds collection already disabled (by the
// host, or by another module's pause) leaves it alone. Use it under the GIL only.
#pragma once

#include <pybind11/pybind11.h>

namespace velvane {

class CollectionPause {
public:
    CollectionPause() {
        if (depth()++ > 0) return;
        resumes() = false;
        try {
            pybind11::module_ gc = pybind11::module_::import("gc");
            if (gc.attr("isenabled")().cast<bool>()) {
                gc.attr("disable")();
                resumes() = true;
            }
        } catch (pybind11::error_already_set& failure) {
            // No pause then; the work runs as it would without one. An interrupt goes on.
            if (!failure.matches(PyExc_Exception)) {
                --depth();
                throw;
            }
        }
    }

    CollectionPause(const CollectionPause&) = delete;
    CollectionPause& operator=(const CollectionPause&) = delete;

    ~CollectionPause() {
        if (--depth() > 0 || !resumes()) return;
        resumes() = false;
        // The error indicator may hold an exception on its way out: keep it across the call.
        PyObject *type, *value, *traceback;
        PyErr_Fetch(&type, &value, &traceback);
        PyObject* gc = PyImport_ImportModule("gc");
        PyObject* done = gc ? PyObject_CallMethod(gc, "enable", nullptr) : nullptr;
        if (!done) PyErr_Clear();
        Py_XDECREF(done);
        Py_XDECREF(gc);
        PyErr_Restore(type, value, traceback);
    }

private:
    // Module-wide, guarded by the GIL.
    static int& depth() {
        static int pauses = 0;
        return pauses;
    }
    static bool& resumes() {
        static bool enabled_before = false;
        return enabled_before;
    }
};

}  // namespace velvane
