// Saving a file without risking the previous one: the new contents go to a temporary file in
// the same folder, which is flushed to the disk and then renamed over the target in one step.
// Temporary files that an earlier save of the same target left behind when it was killed before
// its rename are removed first.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tarsen {

/// Replaces the file at path by bytes. Returns false with error holding the system's reason
/// when any step fails; the previous file is then untouched and the temporary file removed.
/// beforeRename, when given, runs once the temporary file is complete; returning false stops
/// the save there, as an interruption would (the temporary file stays, the target is intact).
bool ReplaceFile(const std::string& path, std::string_view bytes, std::string& error,
                 const std::function<bool(const std::string& temporary)>& beforeRename = {});

/// Fills a temporary file named by the caller's writer: returns false with a reason on failure.
using TemporaryWriter = std::function<bool(const std::string& temporary, std::string& reason)>;

/// ReplaceFile for writers that need a file name rather than bytes (a library that opens the
/// file itself): write fills the temporary file, created empty beside the target, which is then
/// flushed to the disk and renamed over the target. A failure of write is reported with its
/// reason; the target is untouched and the temporary file removed.
bool ReplaceFileBy(const std::string& path, const TemporaryWriter& write, std::string& error,
                   const std::function<bool(const std::string& temporary)>& beforeRename = {});

/// Whether name (a file name without folder) is a temporary file of a save of the target named
/// targetName: targetName ".tmp." and eight lower-case hexadecimal digits.
bool IsTemporaryOf(std::string_view name, std::string_view targetName);

} // namespace tarsen
