// A whole signal-list workbook read into the components its signal sheets design: the entry of the
// generate layer. Sheets are read one by one; a sheet with bad input is set aside with its first
// error, so that the caller decides whether the run stops or goes on without it. No threads, no
// shared state: safe to call on any thread without the interpreter.
#pragma once

#include "core/generate/signal_design.hpp"

#include <cstddef>
#include <string>
#include <vector>

namespace velvane {

struct WorkbookDesign {
    std::vector<ComponentDesign> components;  // the signal sheets read without error, in workbook order
    std::vector<SignalListError> errors;      // the first error of each other signal sheet, in order
    std::vector<std::string> other_sheets;    // sheets whose header row is not the signal sheet's
};

// Throws WorkbookError when the bytes are not a workbook that can be read.
WorkbookDesign workbook_design(const unsigned char* data, std::size_t size);

}  // namespace velvane
