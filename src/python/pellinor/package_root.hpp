// The top of the package walk: the AR-PACKAGES element of a parsed file's AUTOSAR root, or the
// refusal of a file that has none, saying what the file is instead.
#pragma once

#include "python/pellinor/py_access.hpp"

namespace velvane::pellinor {

// The AR-PACKAGES element of `root`, the root of the file `path`. A root without one (its AR_PACKAGES
// reads as None) is refused with AttributeError, the error such a file has always given, whose
// message is "path: " + a sentence: for a namespace of AUTOSAR before R4, "AUTOSAR 3.2.1 file
// (http://autosar.org/3.2.1): Velvane reads AUTOSAR R4.0 and later"; else "no AR-PACKAGES under
// AUTOSAR: the file defines no package". The exception also carries `filename` (the path as str) and
// `cause` (the sentence alone).
py::object packages_of(py::handle root, py::handle path);

}  // namespace velvane::pellinor
