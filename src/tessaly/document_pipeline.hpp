// Parses a list of files on worker threads, a few ahead of the caller, and hands each outcome to the
// caller in list order. Nothing here touches Python: call it with the GIL released.
#pragma once

#include "binding/document.hpp"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace velvane::tessaly {

// Calls `visit(i, outcome)` for i = 0, 1, ... in order, on the calling thread, where `outcome` is what
// parsing `paths[i]` (a file-system path) gave. At most `ahead` documents are held at once besides the
// one being visited; the document is freed when `visit` returns. An exception thrown by `visit` stops
// the work and is passed on after the workers have finished.
void parse_in_order(const std::vector<std::string>& paths,
                    const std::function<void(std::size_t, const corvenna::LoadOutcome&)>& visit,
                    unsigned workers = 2, std::size_t ahead = 3);

}  // namespace velvane::tessaly
