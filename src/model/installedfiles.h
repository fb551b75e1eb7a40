// The data installed with the programs: the bundled materials file and the examples, in
// <prefix>/share/tarsen beside <prefix>/bin.
#pragma once

#include <optional>
#include <string>

namespace tarsen {

/// The folder of the data installed with the running program, when there is one; nothing for a
/// program run from its build folder.
std::optional<std::string> InstalledDataFolder();

} // namespace tarsen
