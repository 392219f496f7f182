#pragma once

#include <string>

namespace korvane {

// Writes the bytes to a new file in the target's folder and renames it over the target, so
// readers see either the old or the new content, never a partial one. Keeps the old file's
// permissions; follows a symbolic link to its target. False when the target is read-only,
// is not a regular file, or any step fails (the target is then untouched).
bool writeFileReplacing(const std::string& file, const std::string& bytes);

} // namespace korvane
