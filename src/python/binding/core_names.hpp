// The binding reads files through the core's ARXML layer (core/arxml, core/platform) and names its
// types and functions as its own.
#pragma once

namespace velvane {}

namespace corvenna {
using namespace velvane;
}  // namespace corvenna
