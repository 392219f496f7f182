// Whole files read and written so that a failure, a full disk or a kill part-way never leaves
// a damaged file behind, and a file that cannot be read is a refusal, never a crash.
#pragma once

#include <cstddef>
#include <string>

namespace korvane {

// Writes the bytes to a new file in the target's folder, syncs it and renames it over the
// target, so readers see either the old or the new content, never a partial one. Keeps the
// old file's permissions; follows a symbolic link to its target. False when the target is
// read-only, is not a regular file, or any step fails (the target is then untouched, and
// `reason`, when given, says why in the C library's words).
bool writeFileReplacing(const std::string& file, const std::string& bytes,
                        std::string* reason = nullptr);

// Reads a regular file of at most `limit` bytes whole, without ever waiting for a writer (a
// FIFO) and bounded even where the size the system reports is wrong (files of /proc report 0).
// False with the reason when the file cannot be opened, is not a regular file, is larger
// than the limit, or a read fails.
bool readFileBounded(const std::string& file, std::size_t limit, std::string& bytes,
                     std::string& reason);

// Removes the temporaries writeFileReplacing leaves in `folder` when its writer is killed
// before the rename ("NAME.tmp.PID.N"), those of processes that no longer run. Returns how
// many it removed.
int removeStaleTemporaries(const std::string& folder);

} // namespace korvane
