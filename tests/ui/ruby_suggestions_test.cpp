// SPDX-License-Identifier: GPL-3.0-or-later
// Suggested readings through the real windows: the ruby editor's 読み候補
// keys and the main window's ファイル > 読み候補を付ける, with MeCab's dictionary.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "app/reading_suggestions.h"
#include "app/recovery.h"
#include "common/encoding.h"
#include "lyrics/time_value.h"
#include "measure/freetype_measurer.h"
#include "readings/analyzer.h"
#include "support/loaded_session.h"
#include "ui/main_window.h"
#include "ui/reports_pane.h"
#include "ui/qt_text.h"
#include "ui/ruby_editor.h"

using namespace kvelmor;
using test_support::LoadedSession;
using ui::RubyEditor;

namespace {

// Line 1: 今|日 two syllables, 空 with the user's reading, 歩く one syllable.
// Line 2: 歩く alone.
const std::string kSong =
    "[00:01:00]今[00:01:50]日[00:02:00]も[00:02:50]空[00:03:00]([00:03:00]くう[00:04:00])[00:04:00]を[00:04:50]"
    "歩く[00:06:00]\n[00:07:00]歩く[00:09:00]\n";

bool haveDictionary() {
    std::string failure;
    return app::sharedAnalyzer(failure) != nullptr;
}

void press(RubyEditor& e, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* target = e.typing() ? static_cast<QWidget*>(e.findChild<QLineEdit*>("Text1"))
                                 : e.findChild<QWidget*>("assText");
    QKeyEvent down(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(target, &down);
}

// The readings of a working line as "slot:reading" (pending ones marked "?").
std::string rubies(const app::Session& s, const app::RubySuggestions& pending, int line) {
    std::string out;
    const lyrics::LyricLine& l = s.song.workLines[line];
    for (int k = 1; k <= l.unitCount; ++k) {
        const std::string& r = l.unit(k).rubyFields().ruby;
        if (r.empty()) continue;
        out += (out.empty() ? "" : " ") + std::to_string(k) + ":" + r + (pending.isPending(line, k) ? "?" : "");
    }
    return out;
}

}  // namespace

TEST(RubySuggestionsWindow, SuggestedReadingsStayApartUntilAcceptedAndTheRestGoWhenTheEditorCloses) {
    if (!haveDictionary()) GTEST_SKIP() << "MeCab's IPA dictionary is not installed";
    LoadedSession s("ruby_suggestions");
    s.load(kSong);
    {
        RubyEditor e(s.session, nullptr);
        const app::RubySuggestions& pending = e.suggestions();
        const auto help = [&] { return ui::ss(e.findChild<QLabel*>("suggestionHelp")->text()); };

        // R: this line. 今日 きょう is spread over its two syllables; 空 keeps くう.
        press(e, Qt::Key_R);
        EXPECT_EQ(rubies(s.session, pending, 1), "2:きょ? 4:う? 8:くう 12:ある?");
        EXPECT_EQ(rubies(s.session, pending, 2), "");
        EXPECT_NE(help().find("3件"), std::string::npos) << help();

        // Enter on a suggestion accepts it (and types nothing).
        ASSERT_EQ(e.editing().cursorSlot(), 2);
        press(e, Qt::Key_Return);
        EXPECT_FALSE(e.typing());
        // Space accepts it and edits it as any reading.
        press(e, Qt::Key_Right);
        press(e, Qt::Key_Space);
        ASSERT_TRUE(e.typing());
        EXPECT_EQ(e.findChild<QLineEdit*>("Text1")->text(), QStringLiteral("う"));
        press(e, Qt::Key_Escape);
        EXPECT_EQ(rubies(s.session, pending, 1), "2:きょ 4:う 8:くう 12:ある?");

        // The suggestion never accepted is gone once the editor closes; the accepted ones are the song's.
        QTimer::singleShot(0, &e, [&] { e.close(); });
        EXPECT_EQ(e.exec(), QDialog::Accepted);
        EXPECT_EQ(rubies(s.session, pending, 1), "2:きょ 4:う 8:くう");
        EXPECT_NE(decodeText(s.kra()).utf8.find("今[00:01:00]([00:01:00]きょ[00:01:50])[00:01:50]日[00:01:50]([00:01:50]う[00:02:00])"),
                  std::string::npos);
    }
    {
        // Shift+R: every line, readings already there kept; A accepts them all.
        RubyEditor e(s.session, nullptr);
        const app::RubySuggestions& pending = e.suggestions();
        press(e, Qt::Key_R, Qt::ShiftModifier);
        EXPECT_EQ(rubies(s.session, pending, 1), "2:きょ 4:う 8:くう 12:ある?");
        EXPECT_EQ(rubies(s.session, pending, 2), "2:ある?");
        press(e, Qt::Key_A);
        EXPECT_EQ(pending.pendingCount(), 0);
        // Once every kanji has its reading, R says there is nothing to suggest rather than nothing at all.
        const auto help = [&] { return ui::ss(e.findChild<QLabel*>("suggestionHelp")->text()); };
        EXPECT_EQ(help().find("読み候補はありません"), std::string::npos) << help();
        press(e, Qt::Key_R);
        EXPECT_NE(help().find("読み候補はありません（この行"), std::string::npos) << help();
        press(e, Qt::Key_Right);
        EXPECT_EQ(help().find("読み候補はありません"), std::string::npos) << "said once, for the key pressed";
        QTimer::singleShot(0, &e, [&] { e.close(); });
        EXPECT_EQ(e.exec(), QDialog::Accepted);
        EXPECT_EQ(rubies(s.session, pending, 1), "2:きょ 4:う 8:くう 12:ある");
        EXPECT_EQ(rubies(s.session, pending, 2), "2:ある");
    }
}

TEST(RubySuggestionsWindow, TheFileMenuGivesTheWholeSongItsReadingsAndNamesTheWordsItCannotRead) {
    if (!haveDictionary()) GTEST_SKIP() << "MeCab's IPA dictionary is not installed";
    LoadedSession s("readings_menu");
    const std::string path = (s.dir / "song.txt").string();
    {
        std::ofstream(path) << kSong << "[00:10:00]颯太[00:11:00]\n";
    }
    measure::FreeTypeMeasurer measurer;
    CollectingReporter reporter;
    app::Session session(reporter, measurer);
    ui::MainWindow window(session);
    QStringList messages;
    window.dialogs().message = [&](QWidget*, QMessageBox::Icon, const QString&, const QString& text) {
        messages << text;
    };
    window.startUp((s.dir / "Kvelmor.ini").string());
    QAction* menu = window.findChild<QAction*>("menuReadings");
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(menu->isEnabled());  // no song yet
    ASSERT_TRUE(window.loadSong(ui::qs(path)));
    ASSERT_TRUE(menu->isEnabled());
    menu->trigger();
    EXPECT_EQ(session.song.workLines[1].unit(12).rubyFields().ruby, "ある");
    EXPECT_EQ(session.song.workLines[1].unit(8).rubyFields().ruby, "くう");
    EXPECT_EQ(session.song.workLines[2].unit(2).rubyFields().ruby, "ある");
    EXPECT_GT(session.song.workLines[2].unit(2).rubyFields().rubyWidth, 0);  // measured, so it is placed
    EXPECT_TRUE(window.isWindowModified());
    // The words it could not read are a warning: listed in the reports pane, no box.
    EXPECT_TRUE(messages.isEmpty()) << ui::ss(messages.join("\n"));
    QStringList listed;
    auto* list = window.reportsPane()->findChild<QListWidget*>();
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < list->count(); ++i) listed << list->item(i)->text();
    EXPECT_TRUE(listed.join("\n").contains(QStringLiteral("颯太"))) << ui::ss(listed.join("\n"));
}

// Readings suggested for the whole song and not yet saved come back whole
// after the program is killed: kept within a few seconds, restored at the
// next start.
TEST(RubySuggestionsWindow, TheFileMenusReadingsOutliveACrash) {
    if (!haveDictionary()) GTEST_SKIP() << "MeCab's IPA dictionary is not installed";
    LoadedSession s("readings_crash");
    const std::string path = (s.dir / "song.txt").string();
    {
        // Lines of kanji words, every character a syllable of 0.3 s.
        const char* lines[] = {"春の風が吹く空の下", "青い海と白い雲を見る", "遠い山の上に星が光る", "明日も同じ道を歩く",
                               "静かな夜に月を待つ", "小さな花が咲く庭で", "冷たい雨の中で君を思う", "古い歌を心で歌う",
                               "朝の光に鳥が鳴く", "赤い夕日が川を照らす"};
        std::ofstream out(path);
        int cs = 100;
        for (const char* line : lines) {
            for (char32_t c : toU32(line)) {
                out << "[" << lyrics::formatTagTime(cs) << "]" << toUtf8(std::u32string(1, c));
                cs += 30;
            }
            out << "[" << lyrics::formatTagTime(cs) << "]\n";
            cs += 100;
        }
    }
    measure::FreeTypeMeasurer measurer;
    auto readings = [](const app::Session& session) {
        std::vector<std::string> out;
        for (int i = 1; i <= session.song.lineCount(); ++i)
            for (int k = 1; k <= session.song.workLines[i].unitCount; ++k)
                if (const std::string& r = session.song.workLines[i].unit(k).rubyFields().ruby; !r.empty())
                    out.push_back(std::to_string(i) + ":" + std::to_string(k) + ":" + r);
        return out;
    };
    std::vector<std::string> suggested;
    QStringList messages;
    {
        CollectingReporter reporter;
        app::Session session(reporter, measurer);
        ui::MainWindow window(session);
        window.dialogs().message = [&](QWidget*, QMessageBox::Icon, const QString&, const QString& text) {
            messages << text;
        };
        window.startUp((s.dir / "Kvelmor.ini").string());
        ASSERT_TRUE(window.loadSong(ui::qs(path)));
        window.findChild<QAction*>("menuReadings")->trigger();
        suggested = readings(session);
        ASSERT_GE(suggested.size(), 41u);
        const std::string kept = recoveryPath(app::editedLyricsKey(path));
        ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(kept); }, 5000));
        // Killed: the window goes without being closed.
    }
    CollectingReporter reporter;
    app::Session session(reporter, measurer);
    ui::MainWindow window(session);
    window.startUp((s.dir / "Kvelmor.ini").string());
    window.dialogs().restore = [](QWidget*, const QString&, const QString&) { return true; };
    window.dialogs().message = [&](QWidget*, QMessageBox::Icon, const QString&, const QString& text) {
        messages << text;
    };
    ASSERT_TRUE(window.offerRecovery());
    EXPECT_EQ(readings(session), suggested);
    EXPECT_TRUE(window.isWindowModified());
    EXPECT_TRUE(messages.isEmpty()) << ui::ss(messages.join("\n"));
}
