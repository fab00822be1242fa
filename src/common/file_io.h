#pragma once
// Whole-file reads and safe whole-file writes.

#include <string>
#include <string_view>

namespace kvelmor {

struct FileResult {
    bool ok = false;
    std::string error;  // the reason, in words, when !ok
};

// Reads the whole file into `bytes`.
FileResult readFileBytes(const std::string& path, std::string& bytes);

// Writes to a temporary file in the same folder and renames it over `path`,
// so that `path` holds either its old content or the whole new content, never
// a part. On failure the temporary file is removed and `path` is untouched.
// A file the caller may not write (read-only) is refused, not replaced; a
// device (/dev/null, /dev/full) is written in place; a symbolic link stays a
// link, and the file it points to is the one replaced.
FileResult writeFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace kvelmor
