// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Recovery files: work not yet saved (marks tapped in the timing window,
// readings and edits in the main window), kept every few seconds so that a
// program that is killed (a crash, kill -9, the power cut) loses none of it.
//
// They live in the user's state folder, never beside the lyrics or the song:
// a song on a read-only disc or a read-only folder is timed too. One file per
// kind of work and set of files it belongs to (the lyrics and the song, by
// their canonical paths), so that two lyrics timed to one song, or the same
// files opened from another folder, find their own file.
//
// The file, UTF-8, one header line each:
//   @kvelmor-recovery=1
//   @kind=KIND
//   @file=PATH            (one per file, absolute; "%", CR and LF as %25, %0D, %0A)
//   @kept=SECONDS         (since 1970, UTC)
//   @pid=PID              (the writer, so that a running program's file is left to it)
//   @body=BYTES
//   the body, BYTES bytes
//   @end=HASH             (16 hex digits of FNV-1a over everything before this line)
// A file cut anywhere (a full disk, a copy broken off) lacks its end line or
// fails its hash, and is refused as cut rather than read as if whole.

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/file_io.h"

namespace kvelmor {

// How often the windows keep work not yet saved: at most this much of it
// (milliseconds) is lost when the program is killed.
inline constexpr int kRecoveryKeepMs = 3000;

// $XDG_STATE_HOME/Kvelmor/recovery, else ~/.local/state/Kvelmor/recovery
// (the home folder from $HOME, else from the user database).
std::string recoveryFolder();

// What a recovery file keeps: a kind of work and the files it belongs to.
struct RecoveryKey {
    std::string kind;                // "timing", "lyrics": letters, digits and "-" only
    std::vector<std::string> files;  // absolute and canonical (links followed)
    bool operator==(const RecoveryKey&) const = default;
};

// The key of `kind` for the files given as typed: each made absolute (from the
// current folder) and canonical, so that any path to the same file gives the same key.
RecoveryKey recoveryKey(std::string kind, const std::vector<std::string>& paths);

// The file kept for `key` in recoveryFolder(): the kind, then a hash of its files.
std::string recoveryPath(const RecoveryKey& key);

struct RecoveryFile {
    RecoveryKey key;
    int64_t keptAt = 0;  // seconds since 1970, UTC
    pid_t writer = 0;
    std::string body;
};

// The bytes of a recovery file, and reading them back.
std::string recoveryFileText(const RecoveryFile& file);

enum class RecoveryState {
    Missing,  // no file
    Whole,    // read whole: `file` holds it
    Cut,      // damaged: cut short, or not a recovery file; `problem` says how
};

struct RecoveryRead {
    RecoveryState state = RecoveryState::Missing;
    RecoveryFile file;
    std::string path;
    std::string problem;  // in words, for Cut
};

RecoveryRead parseRecoveryText(std::string_view bytes);

// Keeps `body` for `key`, stamped with the time now and this process's id:
// the folder made when missing, the file written atomically. On failure the
// reason names no file; the caller names recoveryPath(key).
FileResult keepRecoveryFile(const RecoveryKey& key, std::string_view body);

// The recovery file of `key`. A whole file kept for other files (a hash
// shared by chance) is Missing.
RecoveryRead readRecoveryFile(const RecoveryKey& key);
RecoveryRead readRecoveryFileAt(const std::string& path);

// Drops the recovery file of `key` (saved, or the user let it go).
void removeRecoveryFile(const RecoveryKey& key);

// A damaged recovery file moved out of the way of the next keep, so that
// what it holds is not written over: renamed to its name + ".cut" (an older
// one of that name replaced). Returns the new path, or the old one when it
// could not be moved.
std::string setRecoveryFileAside(const std::string& path);

// The recovery files of `kind` in recoveryFolder(): the whole ones newest
// first, then the damaged ones. Those kept by another program that still
// runs are left out: it is still working on them.
std::vector<RecoveryRead> recoveryFilesOf(std::string_view kind);

}  // namespace kvelmor
