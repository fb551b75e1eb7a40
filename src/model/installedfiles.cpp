#include "model/installedfiles.h"

#include <filesystem>
#include <system_error>

namespace tarsen {

std::optional<std::string> InstalledDataFolder()
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    if (ec || program.empty())
        return std::nullopt;
    // The path from the installed programs' folder to the data, fixed when the build was set up.
    const fs::path data = program.parent_path() / TARSEN_DATA_FROM_BIN;
    if (!fs::is_directory(data, ec))
        return std::nullopt;
    const fs::path folder = fs::weakly_canonical(data, ec);
    return ec ? data.string() : folder.string();
}

} // namespace tarsen
