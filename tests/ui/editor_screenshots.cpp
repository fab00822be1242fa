// SPDX-License-Identifier: GPL-3.0-or-later
// Opens the ruby editor and the lyrics text editor on a song and saves what
// they show, for a person to look at (scripts/screenshots.sh runs it
// under Xvfb). The ruby editor's first line gets a marked character and the
// first spare style, so one picture shows ruby, a mark and a sub-style.
// The song without its readings then gets the dictionary's suggestions
// (ruby-editor-suggestions.png: the first accepted, the others pending).
//
//   editor_screenshots LYRICS OUTDIR [ja|en]   (the windows' language, Japanese unless given)
#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "app/session.h"
#include "measure/freetype_measurer.h"
#include "ui/dialogs.h"
#include "ui/language.h"
#include "ui/lyrics_editor.h"
#include "ui/qt_text.h"
#include "ui/ruby_editor.h"
#include "ui/video_export_dialog.h"

using namespace kvelmor;

namespace {

void press(QWidget* target, int key) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &down);
}

bool save(QWidget& window, const std::filesystem::path& file) {
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return false;
    QTest::qWait(200);
    const bool ok = window.grab().save(ui::qs(file.string()));
    std::printf("%s %s\n", ok ? "wrote" : "could not write", file.c_str());
    return ok;
}

// The song without its readings, its first line given the suggested readings.
bool suggestionsShot(const std::filesystem::path& lyrics, const std::filesystem::path& out) {
    std::ifstream in(lyrics, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::filesystem::path bare = out / "song-without-readings.txt";
    std::ofstream(bare, std::ios::binary) << std::regex_replace(
        text.str(), std::regex(R"(\[\d\d:\d\d:\d\d\]\(\[\d\d:\d\d:\d\d\][^)]*\[\d\d:\d\d:\d\d\]\))"), "");
    CollectingReporter reporter;
    measure::FreeTypeMeasurer measurer;
    app::Session session(reporter, measurer);
    session.startUp((out / "no-such-settings.ini").string());
    if (!session.loadLyrics(bare.string())) return false;
    ui::RubyEditor editor(session, nullptr);
    QWidget* cells = editor.findChild<QWidget*>("assText");
    press(cells, Qt::Key_R);       // this line's suggestions
    press(cells, Qt::Key_Return);  // 春 accepted
    press(cells, Qt::Key_Right);
    press(cells, Qt::Key_Right);   // the cursor on 風, still a suggestion
    const bool ok = save(editor, out / "ruby-editor-suggestions.png");
    std::filesystem::remove(bare);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const auto language = argc == 4 ? ui::languageNamed(argv[3]) : ui::Language::Japanese;
    if ((argc != 3 && argc != 4) || !language) {
        std::fprintf(stderr, "usage: editor_screenshots LYRICS OUTDIR [ja|en]\n");
        return 2;
    }
    ui::useLanguage(*language);
    const std::filesystem::path out = argv[2];
    std::filesystem::create_directories(out);

    CollectingReporter reporter;
    measure::FreeTypeMeasurer measurer;
    app::Session session(reporter, measurer);
    session.startUp((out / "no-such-settings.ini").string());  // the defaults
    if (!session.loadLyrics(argv[1])) {
        for (const Report& r : reporter.reports) std::fprintf(stderr, "%s\n", formatReport(r).c_str());
        return 2;
    }

    bool ok = true;
    {
        ui::RubyEditor editor(session, nullptr);
        QWidget* cells = editor.findChild<QWidget*>("assText");
        press(cells, Qt::Key_Right);  // 風
        press(cells, Qt::Key_Right);
        press(cells, Qt::Key_X);      // marked
        press(cells, Qt::Key_Z);      // substyle1
        press(cells, Qt::Key_Right);  // the cursor two characters wide
        press(cells, Qt::Key_Right);
        QKeyEvent widen(QEvent::KeyPress, Qt::Key_Right, Qt::ShiftModifier);
        QApplication::sendEvent(cells, &widen);
        ok = save(editor, out / "ruby-editor.png") && ok;
        press(cells, Qt::Key_Space);  // typing a reading
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("そっと"));
        QApplication::sendEvent(editor.findChild<QLineEdit*>("Text1"), &commit);
        ok = save(editor, out / "ruby-editor-input.png") && ok;
        press(editor.findChild<QLineEdit*>("Text1"), Qt::Key_Return);  // kept: the lyrics editor shows it inline
        editor.accept();
    }
    ok = suggestionsShot(argv[1], out) && ok;
    {
        ui::LyricsEditor editor(session, nullptr);
        ok = save(editor, out / "lyrics-editor.png") && ok;
    }
    {
        ui::Dialogs dialogs = ui::Dialogs::standard();
        ui::VideoExportDialog dialog(session, dialogs, "/home/user/Videos/clip.mp4");
        ok = save(dialog, out / "video-export.png") && ok;
    }
    return ok ? 0 : 1;
}
