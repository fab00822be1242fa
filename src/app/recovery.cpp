// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/recovery.h"

#include "app/session.h"

namespace kvelmor::app {

namespace {
constexpr const char* kKind = "lyrics";
}  // namespace

RecoveryKey editedLyricsKey(const std::string& lyricsPath) { return recoveryKey(kKind, {lyricsPath}); }

bool EditedLyricsKeeper::keep(Reporter& reporter) {
    const bool edited = m_session.lyricsEdited && !m_session.song.lyricsPath.empty();
    std::optional<RecoveryKey> key;
    if (edited) key = editedLyricsKey(m_session.song.lyricsPath);
    // The file of a song no longer edited, or no longer open, holds nothing to lose.
    if (m_kept && m_kept != key) drop();
    if (!key) return false;
    std::string text = m_session.lyricsFileText();
    if (m_kept && text == m_keptText) return false;
    if (const FileResult w = keepRecoveryFile(*key, text); !w.ok) {
        if (!m_failed)
            reporter.warning("cannot keep the edits of the lyrics in the recovery file: " + w.error, recoveryPath(*key));
        m_failed = true;
        return false;
    }
    m_failed = false;
    m_kept = std::move(key);
    m_keptText = std::move(text);
    return true;
}

void EditedLyricsKeeper::drop() {
    if (m_kept) removeRecoveryFile(*m_kept);
    m_kept.reset();
    m_keptText.clear();
}

std::string EditedLyricsKeeper::keptPath() const { return m_kept ? recoveryPath(*m_kept) : std::string(); }

std::vector<RecoveryRead> editedLyricsFiles() { return recoveryFilesOf(kKind); }

bool restoreEditedLyrics(Session& session, const RecoveryRead& file) {
    if (file.state != RecoveryState::Whole || file.file.key.files.size() != 1) {
        session.reporter().error("the recovery file is damaged (" +
                                     (file.problem.empty() ? std::string("it names no lyrics file") : file.problem) +
                                     "); nothing was restored",
                                 file.path);
        return false;
    }
    // Read as the lyrics file would be; a refusal also names the recovery file.
    if (!session.openEditedLyrics(file.file.key.files.front(), file.file.body)) {
        session.reporter().error("the edits kept in the recovery file could not be read back; nothing was restored",
                                 file.path);
        return false;
    }
    return true;
}

}  // namespace kvelmor::app
