// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whole-file reads and safe whole-file writes.

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kvelmor {

struct FileResult {
    bool ok = false;
    std::string error;  // the reason, in words, when !ok
};

// The most a lyrics or settings file may hold: the largest song the tables
// hold is well under 1 MB, so more is not a file of that kind (or a device
// that never ends).
inline constexpr size_t kMaxTextFileBytes = 16u << 20;

// Reads the whole file into `bytes`. Only a regular file is read (links
// followed): a FIFO would wait for a writer forever and a device such as
// /dev/zero never ends. A file of more than `maxBytes` is refused.
FileResult readFileBytes(const std::string& path, std::string& bytes, size_t maxBytes = SIZE_MAX);

// Whether the path names a regular file (links followed); `why` receives the
// reason when it does not.
bool isRegularFile(const std::string& path, std::string& why);

// Whether two paths name the same file, links followed: the same file when
// both exist, else the same path once made absolute and normal.
bool sameFile(const std::string& a, const std::string& b);

// FNV-1a, 64 bits: a quick hash for telling names apart and noticing a
// damaged file, not for any security.
uint64_t fnv1aHash(std::string_view bytes);

// The temporary file writeFileAtomically writes before renaming it over
// `target`: a short hidden name in the target's folder made of a hash of the
// target's name and the writer's process id, so that a long file name still
// leaves room for it and the next writer of the same target can tell a
// leftover of a process that is gone.
std::string temporaryPathFor(const std::string& target, pid_t pid);

// Removes the temporary files of `target` (temporaryPathFor) whose writer no
// longer runs: a process killed while it wrote. Those of running writers are
// theirs to finish.
void removeLeftoverTemporaries(const std::string& target);

// Writes to a temporary file in the same folder and renames it over `path`,
// so that `path` holds either its old content or the whole new content, never
// a part. On failure the temporary file is removed and `path` is untouched.
// A file the caller may not write (read-only) is refused, not replaced, and
// so are a folder, a pipe (a FIFO without a reader would hold the writer
// forever), a socket and a disk device; a character device (/dev/null,
// /dev/full, a terminal) is written in place; a symbolic link stays a link,
// and the file it points to is the one replaced. Temporary files of
// the same target left by processes that no longer run are removed first.
// A write beyond the process's file size limit fails ("File too large")
// rather than ending the process: the first call ignores SIGXFSZ.
FileResult writeFileAtomically(const std::string& path, std::string_view bytes);

// An exclusive lock held on a lock file beside a file (the file's name +
// ".lock"), so that processes that read, change and write that file take
// turns. The lock file stays in place: removing it would let two processes
// hold locks on two different files of the same name.
class FileLock {
public:
    // Waits for the lock at most `wait`, calling `waiting` once first when
    // another process holds it. Where no lock file can be made (a read-only
    // folder) the lock is not held; the write that follows reports that folder.
    FileLock(const std::string& path, std::chrono::milliseconds wait, const std::function<void()>& waiting = {});
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool held() const { return m_fd >= 0; }
    // Another process held the lock for the whole wait.
    bool timedOut() const { return m_timedOut; }
    // The lock file beside `path`.
    static std::string lockPathFor(const std::string& path) { return path + ".lock"; }

private:
    int m_fd = -1;
    bool m_timedOut = false;
};

}  // namespace kvelmor
