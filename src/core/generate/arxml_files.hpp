// The ARXML files of a signal-list design: one file per component, and two shared files with the
// port interfaces and the data types (with their compu methods, units, data constraints, base types
// and the constants of the init values) that the components refer to. A plain function of the
// design: the same design always gives the same bytes. It writes the interfaces document on a thread
// of its own, joined before it returns; callable on any thread.
#pragma once

#include "core/generate/signal_design.hpp"

#include <string>
#include <vector>

namespace velvane {

struct GeneratedFile {
    std::string path;  // relative to the output folder, pieces joined with "/"
    std::string text;  // the whole document, UTF-8
};

inline constexpr const char* shared_folder = "Shared";

// "<component>.arxml" for each component in order, then "Shared/PortInterfaces.arxml" and
// "Shared/DataTypes.arxml". Nothing when there is no component.
std::vector<GeneratedFile> arxml_files(const std::vector<ComponentDesign>& components);

}  // namespace velvane
