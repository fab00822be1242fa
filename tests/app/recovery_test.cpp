// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/recovery.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/lyrics_editing.h"
#include "app/session.h"
#include "common/file_io.h"
#include "support/loaded_session.h"
#include "support/scoped_environment.h"

using namespace kvelmor;
using test_support::LoadedSession;
namespace fs = std::filesystem;

namespace {

std::string exampleSong() {
    std::string bytes;
    EXPECT_TRUE(readFileBytes(KVELMOR_EXAMPLES "/sakura_no_michi.txt", bytes).ok);
    return bytes;
}

// The first timed line's syllables replaced by "ラララ", as the lyrics editor would.
void editFirstLine(app::Session& session) {
    std::string text = app::lyricsEditText(session.song);
    const size_t line = text.find("\n[") + 1;
    const size_t end = text.find('\n', line);
    text.replace(line, end - line, "[00:05:00]ラララ[00:07:10]");
    ASSERT_TRUE(app::applyLyricsEdit(session, text));
}

}  // namespace

// The edits are kept while there are any, written again only when they
// changed, and dropped once saved; a song opened instead drops them too.
TEST(EditedLyrics, KeptWhileEditedAndDroppedOnceSaved) {
    LoadedSession s("recovery_keep");
    test_support::ScopedStateFolder state(s.dir / "state");
    s.load(exampleSong());
    app::EditedLyricsKeeper keeper(s.session);
    const fs::path kept = recoveryPath(app::editedLyricsKey(s.session.song.lyricsPath));
    CollectingReporter reports;
    EXPECT_FALSE(keeper.keep(reports));  // nothing edited, nothing kept
    EXPECT_FALSE(fs::exists(kept));
    editFirstLine(s.session);
    EXPECT_TRUE(keeper.keep(reports));
    EXPECT_EQ(keeper.keptPath(), kept.string());
    const RecoveryRead read = readRecoveryFile(app::editedLyricsKey(s.session.song.lyricsPath));
    ASSERT_EQ(read.state, RecoveryState::Whole);
    EXPECT_EQ(read.file.body, s.session.lyricsFileText());
    EXPECT_FALSE(keeper.keep(reports));  // unchanged since
    // Saved: nothing left to lose.
    ASSERT_TRUE(s.session.saveLyrics(s.session.song.lyricsPath));
    keeper.keep(reports);
    EXPECT_FALSE(fs::exists(kept));
    EXPECT_EQ(keeper.keptPath(), "");
    // Edited again, then another song opened (the edits let go).
    editFirstLine(s.session);
    EXPECT_TRUE(keeper.keep(reports));
    std::ofstream(s.dir / "other.txt") << exampleSong();
    ASSERT_TRUE(s.session.openLyrics((s.dir / "other.txt").string()));
    EXPECT_FALSE(keeper.keep(reports));
    EXPECT_FALSE(fs::exists(kept));
    EXPECT_TRUE(reports.reports.empty());

    // A state folder that cannot be made: said once, naming the file.
    editFirstLine(s.session);
    fs::remove_all(state.dir);
    std::ofstream(state.dir) << "a file where the folder should be";
    EXPECT_FALSE(keeper.keep(reports));
    EXPECT_FALSE(keeper.keep(reports));
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_EQ(reports.reports[0].file, recoveryPath(app::editedLyricsKey((s.dir / "other.txt").string())));
    fs::remove(state.dir);
}

// Restored, the song is the lyrics file it belongs to, edited and unsaved,
// and holds what was kept; a damaged file restores nothing and says so.
TEST(EditedLyrics, RestoredAsTheEditedSongOfItsLyricsFile) {
    LoadedSession s("recovery_restore");
    test_support::ScopedStateFolder state(s.dir / "state");
    s.load(exampleSong());
    editFirstLine(s.session);
    const std::string edited = s.session.lyricsFileText();
    const std::string script = s.script();
    app::EditedLyricsKeeper keeper(s.session);
    CollectingReporter reports;
    ASSERT_TRUE(keeper.keep(reports));

    CollectingReporter afterReports;
    app::Session next(afterReports, s.measurer);
    next.settings.recomputeAllPixelHeights();
    const std::vector<RecoveryRead> files = app::editedLyricsFiles();
    ASSERT_EQ(files.size(), 1u);
    ASSERT_TRUE(app::restoreEditedLyrics(next, files[0]));
    EXPECT_EQ(next.song.lyricsPath, s.session.song.lyricsPath);
    EXPECT_TRUE(next.lyricsEdited);
    EXPECT_EQ(next.lyricsFileText(), edited);
    EXPECT_EQ(next.song.workLines[1].plainText, "ラララ");
    EXPECT_EQ(next.scriptText(), s.session.scriptText());
    EXPECT_FALSE(script.empty());

    RecoveryRead damaged = files[0];
    damaged.state = RecoveryState::Cut;
    damaged.problem = "it is cut short";
    app::Session untouched(afterReports, s.measurer);
    EXPECT_FALSE(app::restoreEditedLyrics(untouched, damaged));
    EXPECT_TRUE(untouched.song.lyricsPath.empty());
    ASSERT_FALSE(afterReports.reports.empty());
    EXPECT_EQ(afterReports.reports.back().file, files[0].path);
}
