// Saving a file without risking the previous one: the new contents go to a temporary file in
// the same folder, which is flushed to the disk and then renamed over the target in one step.
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

} // namespace tarsen
