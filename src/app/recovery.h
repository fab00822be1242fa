// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Edits of the open song not yet saved (the ruby editor, the lyrics editor,
// suggested readings), kept in a recovery file (common/recovery_file.h) so
// that the next start can give them back after the program was killed.
// The file keeps the text Session::saveLyrics would write, for the lyrics
// file the song belongs to; restored, it is that song, edited and not saved.

#include <optional>
#include <string>
#include <vector>

#include "common/recovery_file.h"
#include "common/reporter.h"

namespace kvelmor::app {

class Session;

// The recovery file of the edits of one lyrics file.
RecoveryKey editedLyricsKey(const std::string& lyricsPath);

// Keeps the open song's edits while there are any.
class EditedLyricsKeeper {
public:
    explicit EditedLyricsKeeper(Session& session) : m_session(session) {}

    // Called every few seconds. While the song is edited, its text is written
    // when it changed since the last keep; once it is edited no more (saved,
    // undone, another song opened) the file kept is dropped. A file that
    // cannot be written is reported once (a warning naming it) until a keep
    // succeeds again. Returns whether a file was written.
    bool keep(Reporter& reporter);
    // Drops the file kept (the edits were let go).
    void drop();
    // The recovery file written last; empty when none is kept.
    std::string keptPath() const;

private:
    Session& m_session;
    std::optional<RecoveryKey> m_kept;  // the file written last
    std::string m_keptText;             // and what it holds
    bool m_failed = false;              // the last keep failed and was reported
};

// The edits kept by runs that did not end, whole ones newest first, then the
// damaged ones; those of another program that still runs are left out.
std::vector<RecoveryRead> editedLyricsFiles();

// Makes the edits kept in `file` the open song: read from the kept text,
// the song is the lyrics file it belongs to, edited and not yet saved. False
// (reported naming the recovery file, the song as it was) when the text
// cannot be taken.
bool restoreEditedLyrics(Session& session, const RecoveryRead& file);

}  // namespace kvelmor::app
