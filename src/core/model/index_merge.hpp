// Joining the index of one file into the index of the files before it, with the result that indexing
// the file straight into that index would give: where a path is defined again, the earlier
// definition stays. Lets files be indexed apart (on the workers that parse them) and merged in order.
#pragma once

#include "core/model/project_index.hpp"

namespace velvane {

// Moves what `part` holds into `into`; `part` is left valid but unspecified. `files` and `skipped`
// are the caller's to keep.
void merge_file_index(ProjectIndex& into, ProjectIndex&& part);

}  // namespace velvane
