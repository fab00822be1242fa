// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Batch conversion: every .txt lyrics file of one folder laid out and
// written as a script beside it with the current settings, without further
// questions. A file that cannot be read or written is skipped with its
// reason and the rest go on.

#include <functional>
#include <string>
#include <vector>

#include "common/reporter.h"
#include "lyrics/lyrics_table.h"

namespace kvelmor::app {

class Session;

// The refresh stages a batch runs for each file: those of a load without the
// time-order and fit checks (16, 17), whose findings a batch has nobody to
// show to. Bottom alignment and new line priority come before the ruby is
// placed, so the ruby follows a line that bottom alignment moved.
const std::vector<int>& batchStages();

// Whether a file name takes part in a batch: it ends in ".txt" in any letter case.
bool isBatchFileName(const std::string& name);

struct BatchFileResult {
    std::string path;        // the lyrics file: the folder joined with its name
    std::string scriptPath;  // the script written; empty when skipped
    bool converted = false;
    std::string reason;           // why it was skipped (the first error reported); empty when converted
    std::vector<Report> reports;  // everything reported while this file was handled
    lyrics::SongInfo songInfo;    // the song information the file gave, when it was read

    bool hasReports() const;  // any warning or error
};

enum class BatchStatus {
    Done,         // every file that takes part was handled (there may be none)
    FolderError,  // the folder does not exist, is no folder or cannot be listed; nothing converted
};

struct BatchResult {
    BatchStatus status = BatchStatus::Done;
    bool cancelled = false;  // stopped by BatchProgress::cancelled before the last file
    std::string folder;
    std::vector<BatchFileResult> files;  // in name order, converted and skipped alike

    int convertedCount() const;
    int skippedCount() const;
};

// What a caller sees while the batch runs; every member may be empty.
struct BatchProgress {
    // Before a file is handled: its 0-based position, the number of files and its path.
    std::function<void(int index, int total, const std::string& path)> starting;
    // After a file was converted or skipped; `done` counts the files handled so far.
    std::function<void(const BatchFileResult& file, int done, int total)> finished;
    // Just before a report about the current file reaches the session's
    // reporter (a progress display on the same terminal clears itself here).
    std::function<void()> reporting;
    // Asked before each file; true stops the batch there. The files already
    // handled keep their scripts; the rest are left out of the result.
    std::function<bool()> cancelled;
};

// Converts every file of `folder` whose name takes part (see isBatchFileName),
// in the byte order of the names; subfolders are not entered. Each file is
// read as a single load reads it (all song information from that file alone,
// "@subtitle=" and "@timeratio=" included; WinAMPTime starts from its value
// at the start of the batch for every file), laid out by batchStages(), and
// its script written beside it by Session::writeScript. No tag file is
// written and nothing is asked. Every report still reaches the session's
// reporter, naming the file; a folder without files to convert is reported as
// a warning. Afterwards the session holds the last file that was read, as if
// it had been loaded.
BatchResult runBatch(Session& session, const std::string& folder, const BatchProgress& progress = {});

}  // namespace kvelmor::app
