// The capsule the binding module offers as `_native_api` (see native_api.hpp).
#pragma once

#include "python/binding/native_api.hpp"

namespace corvenna {

// New reference to a capsule holding the binding's NativeApi, or nullptr with an error set.
PyObject* native_api_capsule();

}  // namespace corvenna
