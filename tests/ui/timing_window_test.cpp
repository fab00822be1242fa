// SPDX-License-Identifier: GPL-3.0-or-later
// The timing window driven with keys through QTest against a clock the test
// moves, over a generated click track; the written tags are compared.

#include "ui/timing_window.h"

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "media/media_files.h"
#include "support/loaded_session.h"
#include "support/scoped_environment.h"
#include "timing/timing_document.h"
#include "ui/preview_pane.h"
#include "ui/sound_player.h"

using namespace kvelmor;

namespace {

using HandClock = ui::ManualClock;

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Fixture {
    // Recovery files of the test's own (made before any window, removed after).
    test_support::ScopedStateFolder state{std::filesystem::temp_directory_path() /
                                          ("kvelmor_timing_state_" + std::to_string(getpid()))};
    test_support::LoadedSession loaded{"timing_window"};
    test::MediaFolder media{"timing_window_media"};
    ui::Dialogs dialogs = ui::Dialogs::standard();
    QStringList messages;
    int unsavedAsked = 0;
    QMessageBox::StandardButton unsavedAnswer = QMessageBox::Cancel;
    QStringList restoreAsked;
    bool restoreAnswer = true;

    Fixture() {
        dialogs.message = [this](QWidget*, QMessageBox::Icon, const QString&, const QString& text) { messages << text; };
        dialogs.confirm = [](QWidget*, const QString&, const QString&) { return false; };
        dialogs.restore = [this](QWidget*, const QString&, const QString& text) {
            restoreAsked << text;
            return restoreAnswer;
        };
        dialogs.unsaved = [this](QWidget*, const QString&, const QString&) {
            ++unsavedAsked;
            return unsavedAnswer;
        };
    }
    // A click track: a 10 ms click (2 kHz) every 500 ms from 1 s on.
    std::string clicks(double seconds) const {
        return media.make("clicks.wav", "-f lavfi -i \"aevalsrc='if(lt(mod(t\\,0.5)\\,0.01)*gte(t\\,1)\\,"
                                        "0.8*sin(2*PI*2000*t)\\,0)':s=44100:d=" + std::to_string(seconds) + "\"");
    }
    // A window over the lyrics and song given, on the clock given, shown.
    std::unique_ptr<ui::TimingWindow> open(const std::string& lyricsText, const std::string& song, ui::ManualClock& clock) {
        auto window = openLyrics(lyricsText, clock);
        if (!window) return nullptr;
        window->openSound(QString::fromStdString(song));
        if (!window->waitForSound()) return nullptr;
        window->show();
        return window;
    }
    // The same without a song: taps go by the clock alone.
    std::unique_ptr<ui::TimingWindow> openLyrics(const std::string& lyricsText, ui::ManualClock& clock) {
        auto window = std::make_unique<ui::TimingWindow>(loaded.session, dialogs);
        window->setClock(&clock);
        if (!window->openLyrics(QString::fromStdString(lyrics(lyricsText)))) return nullptr;
        return window;
    }
    std::string lyrics(const std::string& text) const {
        const std::string path = (loaded.dir / "plain.txt").string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
};

void press(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyPress(w, key, mods);
    QTest::keyRelease(w, key, mods);
}

std::string recoveryPathOf(const QString& lyrics, const std::string& song) {
    return recoveryPath(timing::timingRecoveryKey(lyrics.toStdString(), song));
}

// A window over the lyrics and song named as given (relative ones from the
// current folder), the song decoded, shown, keeping its marks every 20 ms
// instead of every few seconds.
std::unique_ptr<ui::TimingWindow> openPair(Fixture& f, const QString& lyrics, const QString& song, HandClock& clock) {
    auto window = std::make_unique<ui::TimingWindow>(f.loaded.session, f.dialogs);
    window->setClock(&clock);
    if (!window->openLyrics(lyrics)) return nullptr;
    window->openSound(song);
    if (!window->waitForSound()) return nullptr;
    window->findChild<QTimer*>("recoveryTimer")->setInterval(20);
    window->show();
    return window;
}

void tapAt(ui::TimingWindow& window, HandClock& clock, std::initializer_list<qint64> times) {
    for (qint64 t : times) {
        clock.set(t);
        press(window.focusWidget(), Qt::Key_Space);
    }
}

// Waits until the marks as they are now are kept (the window then names the file).
bool waitUntilKept(ui::TimingWindow& window, const std::string& file) {
    const std::string before = fileText(file);
    return QTest::qWaitFor([&] {
        return std::filesystem::exists(file) && fileText(file) != before &&
               window.findChild<QLabel*>("timingStatus")->text().contains(QString::fromStdString(file));
    }, 5000);
}

std::vector<timing::Millis> markTimes(const timing::TimingDocument& doc) {
    std::vector<timing::Millis> out;
    for (const timing::Mark& m : doc.marks()) out.push_back(m.time);
    return out;
}

}  // namespace

TEST(TimingWindow, TappingTheClicksThroughTheKeysWritesTheirTimes) {
    KVELMOR_NEED_FFMPEG();
    Fixture f;
    const std::string song = f.clicks(8);  // the song the lyrics are tapped to
    ASSERT_FALSE(song.empty());
    HandClock clock;
    const auto opened = f.open("@title=クリック\nさくら\n\n春(はる)だ\n", song, clock);
    ASSERT_TRUE(opened);
    ui::TimingWindow& window = *opened;
    QWidget* keys = window.focusWidget() ? window.focusWidget() : &window;

    // Taps exactly on the clicks; the last line ended with Enter; one tap
    // taken back with Backspace and tapped again; one syllable held.
    clock.set(1000);
    press(keys, Qt::Key_Space);
    clock.set(1500);
    QTest::keyPress(keys, Qt::Key_Space);
    clock.set(1800);  // held 300 ms: the end of く, a gap before ら
    QTest::keyRelease(keys, Qt::Key_Space);
    clock.set(2000);
    press(keys, Qt::Key_Space);
    clock.set(2600);  // a wrong tap, taken back
    press(keys, Qt::Key_Space);
    press(keys, Qt::Key_Backspace);
    EXPECT_EQ(clock.position(), 2600 - 2000);  // two seconds before the mark taken back
    EXPECT_TRUE(clock.isPlaying());
    clock.set(2500);  // the line's end and the next line's start
    press(keys, Qt::Key_Space);
    clock.set(3000);
    press(keys, Qt::Key_Space);
    clock.set(3500);
    press(keys, Qt::Key_Space);
    clock.set(4000);
    press(keys, Qt::Key_Return);
    EXPECT_TRUE(window.document().finished());

    // Up and Down pass over the blank line and come back.
    press(keys, Qt::Key_Up);
    EXPECT_EQ(window.document().cursor(), (timing::Position{3, 0}));
    press(keys, Qt::Key_Up);
    EXPECT_EQ(window.document().cursor(), (timing::Position{1, 0}));
    press(keys, Qt::Key_Down);
    EXPECT_EQ(window.document().cursor(), (timing::Position{3, 0}));
    press(keys, Qt::Key_Down);
    EXPECT_TRUE(window.document().finished());

    // Nudged: the last mark selected with Left, moved 10 ms later twice, once back.
    press(keys, Qt::Key_Left);
    press(keys, Qt::Key_Right, Qt::ShiftModifier);
    press(keys, Qt::Key_Right, Qt::ShiftModifier);
    press(keys, Qt::Key_Z, Qt::ControlModifier);
    ASSERT_TRUE(window.selectedMark());
    EXPECT_EQ(window.document().markTime(*window.selectedMark()), 4010);

    const std::string txt = (f.loaded.dir / "timed.txt").string();
    ASSERT_TRUE(window.saveTo(QString::fromStdString(txt)));
    EXPECT_EQ(fileText(txt),
              "@timeratio=1\n@title=クリック\n[00:01:00]さ[00:01:50]く[00:01:80][00:02:00]ら[00:02:50]\n\n"
              "[00:02:50]春[00:02:50]([00:02:50]は[00:03:00]る[00:03:50])[00:03:50]だ[00:04:01]\n");
    EXPECT_TRUE(f.messages.isEmpty()) << f.messages.join("\n").toStdString();

    // The preview draws the script the converter writes from the saved file.
    window.waitForPreview();
    f.loaded.session.readLyrics(txt);
    f.loaded.session.runFullRefresh();
    ASSERT_TRUE(window.previewScript());
    EXPECT_EQ(*window.previewScript(), f.loaded.session.scriptText());

    // The tag file form reads back with the same times.
    const std::string kra = (f.loaded.dir / "timed.kra").string();
    ASSERT_TRUE(window.saveTo(QString::fromStdString(kra)));
    f.loaded.session.readLyrics(kra);
    ASSERT_EQ(f.loaded.session.song.rawLineCount(), 2);
    EXPECT_EQ(f.loaded.session.song.readLines[1].unit(1).time, 100);
    EXPECT_EQ(f.loaded.session.song.readLines[2].unit(f.loaded.session.song.readLines[2].unitCount).time, 401);
}

// The keys never wait for the preview: with its builder kept busy, every
// tap is taken at its time; then only the newest marks are laid out, once,
// and the preview draws what the saved file converts to.
TEST(TimingWindow, KeysNeverWaitForThePreview) {
    Fixture f;
    HandClock clock;
    const auto opened = f.openLyrics("らららららららら\nらららららららら\n", clock);
    ASSERT_TRUE(opened);
    ui::TimingWindow& window = *opened;
    window.show();
    window.waitForPreview();
    const uint64_t builtBefore = window.previewsBuilt();
    window.holdPreview(true);
    QWidget* keys = window.focusWidget() ? window.focusWidget() : &window;
    timing::Millis t = 1000;
    for (int line = 0; line < 2; ++line) {
        for (int i = 0; i < 8; ++i, t += 250) {
            clock.set(t);
            press(keys, Qt::Key_Space);
            QCoreApplication::processEvents();  // the marks drawn
            EXPECT_EQ(window.document().markTime({line, i, false}), t);
        }
        clock.set(t += 100);
        press(keys, Qt::Key_Return);
    }
    EXPECT_TRUE(window.document().finished());
    EXPECT_EQ(window.previewsBuilt(), builtBefore);

    window.holdPreview(false);
    window.waitForPreview();
    EXPECT_EQ(window.previewsBuilt(), builtBefore + 1);
    const std::string txt = (f.loaded.dir / "timed.txt").string();
    ASSERT_TRUE(window.saveTo(QString::fromStdString(txt)));
    f.loaded.session.readLyrics(txt);
    f.loaded.session.runFullRefresh();
    ASSERT_TRUE(window.previewScript());
    EXPECT_EQ(*window.previewScript(), f.loaded.session.scriptText());
}

// A hand clock whose next read takes `stall` ms of real time, as on a busy
// machine whose thread is put aside mid-read; the song moves on meanwhile.
struct StallingClock : HandClock {
    qint64 position() const override {
        if (stall > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(stall));
            const_cast<StallingClock*>(this)->set(HandClock::position() + std::llround(stall * speed()));
            stall = 0;
        }
        return HandClock::position();
    }
    mutable int stall = 0;
};

// A key stamped when it was pressed and handled late is taken at the song
// time it was pressed, at the playing speed; one without a stamp when
// handled; one whose handling was put aside while the clock was read, at
// the press all the same.
TEST(TimingWindow, AKeyHandledLateIsTakenWhenItWasPressed) {
    Fixture f;
    StallingClock clock;
    const auto opened = f.openLyrics("らららら\n", clock);
    ASSERT_TRUE(opened);
    ui::TimingWindow& window = *opened;
    clock.play(0);
    clock.setSpeed(0.5);
    QWidget* keys = window.focusWidget() ? window.focusWidget() : &window;
    const auto now = [] {
        return static_cast<quint64>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
    };
    auto space = [&](quint64 stamp) {
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent e(type, Qt::Key_Space, Qt::NoModifier);
            e.setTimestamp(stamp);
            QApplication::sendEvent(keys, &e);
        }
    };
    clock.set(1000);
    space(now());  // handled at once
    clock.set(2000);
    space(now() - 80);  // pressed 80 ms ago: 40 ms of song at half speed
    clock.set(3000);
    space(0);
    clock.set(4000);
    clock.stall = 30;  // 15 ms of song at half speed
    space(now());
    EXPECT_EQ(window.document().markTime({0, 0, false}), 1000);
    EXPECT_NEAR(static_cast<double>(*window.document().markTime({0, 1, false})), 1960, 2);
    EXPECT_EQ(window.document().markTime({0, 2, false}), 3000);
    EXPECT_NEAR(static_cast<double>(*window.document().markTime({0, 3, false})), 4000, 2);
}

TEST(TimingWindow, UnsavedMarksAreAskedAboutAndKeptInTheRecoveryFile) {
    KVELMOR_NEED_FFMPEG();
    Fixture f;
    const std::string song = f.media.make("tone.flac", "-f lavfi -i sine=frequency=440:duration=3");
    ASSERT_FALSE(song.empty());
    const QString lyrics = QString::fromStdString(f.lyrics("ラララ\n"));
    {
        ui::TimingWindow window(f.loaded.session, f.dialogs);
        HandClock clock;
        window.setClock(&clock);
        ASSERT_TRUE(window.openLyrics(lyrics));
        window.openSound(QString::fromStdString(song));
        ASSERT_TRUE(window.waitForSound());
        window.show();
        clock.set(700);
        press(window.focusWidget(), Qt::Key_Space);
        // Kept in the recovery file within its period (3 s), while unsaved.
        QTest::qWait(3300);
        EXPECT_TRUE(std::filesystem::exists(recoveryPathOf(lyrics, song)));
        f.unsavedAnswer = QMessageBox::Cancel;
        EXPECT_FALSE(window.close());
        EXPECT_EQ(f.unsavedAsked, 1);
        // A crash now: the window goes without being closed.
    }
    {
        // The next start offers the marks again.
        ui::TimingWindow window(f.loaded.session, f.dialogs);
        ASSERT_TRUE(window.openLyrics(lyrics));
        window.openSound(QString::fromStdString(song));
        ASSERT_TRUE(window.waitForSound());
        EXPECT_EQ(f.restoreAsked.size(), 1);
        EXPECT_EQ(window.document().markTime({0, 0, false}), 700);
        f.unsavedAnswer = QMessageBox::Discard;
        EXPECT_TRUE(window.close());
        EXPECT_FALSE(std::filesystem::exists(recoveryPathOf(lyrics, song)));
    }
}

TEST(TimingWindow, LyricsOrSoundThatCannotBeUsedAreReportedNamingTheFile) {
    KVELMOR_NEED_FFMPEG();
    Fixture f;
    ui::TimingWindow window(f.loaded.session, f.dialogs);
    const std::string noSyllables = f.lyrics("@title=空\n\n♪\n");
    EXPECT_FALSE(window.openLyrics(QString::fromStdString(noSyllables)));
    ASSERT_EQ(f.messages.size(), 1);
    EXPECT_TRUE(f.messages[0].contains(QString::fromStdString(noSyllables)));
    const std::string notSound = f.media.write("song.mp3", "plain text, not a song\n");
    window.openSound(QString::fromStdString(notSound));
    EXPECT_FALSE(window.waitForSound());
    ASSERT_EQ(f.messages.size(), 2);
    EXPECT_TRUE(f.messages[1].contains(QString::fromStdString(notSound)));
}

TEST(TimingWindow, LatencyIsTakenOffEveryTapAndSnappingMovesTapsOntoTheClicks) {
    KVELMOR_NEED_FFMPEG();
    Fixture f;
    const std::string song = f.clicks(4);
    ASSERT_FALSE(song.empty());
    HandClock clock;
    const auto opened = f.open("ららら\n", song, clock);
    ASSERT_TRUE(opened);
    ui::TimingWindow& window = *opened;
    f.loaded.session.ini.setPath((f.loaded.dir / "Kvelmor.ini").string());
    window.setLatency(30);
    EXPECT_EQ(f.loaded.session.ini.findValue("timing", "latencyMs"), "30");  // saved with the settings
    clock.set(1530);
    press(window.focusWidget(), Qt::Key_Space);
    EXPECT_EQ(window.document().markTime({0, 0, false}), 1500);
    window.setLatency(0);
    window.setSnapToOnsets(true);
    ASSERT_GE(window.onsets().size(), 6u);
    clock.set(1545);  // 45 ms late for the click at 1.5 s
    press(window.focusWidget(), Qt::Key_Space);
    EXPECT_NEAR(static_cast<double>(*window.document().markTime({0, 1, false})), 1500, 5);
    clock.set(1750);  // no click within 60 ms: as tapped
    press(window.focusWidget(), Qt::Key_Space);
    EXPECT_EQ(window.document().markTime({0, 2, false}), 1750);
    f.unsavedAnswer = QMessageBox::Discard;
}

TEST(TimingWindow, CalibrationTakesTheDelayOfTapsAlongWithTheClicks) {
    Fixture f;
    f.loaded.session.ini.setPath((f.loaded.dir / "Kvelmor.ini").string());
    ui::TimingWindow window(f.loaded.session, f.dialogs);
    HandClock clock;
    window.setClock(&clock);
    ASSERT_TRUE(window.openLyrics(QString::fromStdString(f.lyrics("ららら\n"))));
    window.show();
    clock.set(12345);
    window.startCalibration();
    ASSERT_TRUE(window.calibrating());
    EXPECT_EQ(clock.position(), 0);  // the click track from its start
    for (int i = 0; i < 16; ++i) {
        clock.set(1000 + 500 * i + 45 + (i % 3) * 5);  // 45 to 55 ms late
        press(window.focusWidget(), Qt::Key_Space);
    }
    EXPECT_FALSE(window.calibrating());
    EXPECT_EQ(window.latency(), 50);
    EXPECT_EQ(f.loaded.session.ini.findValue("timing", "latencyMs"), "50");
    EXPECT_EQ(clock.position(), 12345);  // back where the song was
    EXPECT_FALSE(window.document().modified());  // the taps made no marks
}

// The same lyrics and song opened from another folder, by other paths, find
// the marks kept; the lyrics and song are named in the question by their
// whole paths.
TEST(TimingWindow, MarksKeptAreFoundFromAnyFolder) {
    KVELMOR_NEED_FFMPEG();
    Fixture f;
    const std::filesystem::path dir = f.loaded.dir;
    std::filesystem::create_directories(dir / "sub");
    std::ofstream(dir / "lyr.txt") << "ラララ\nルルル\n";
    const std::string song = f.media.make("tone.flac", "-f lavfi -i sine=frequency=440:duration=3");
    ASSERT_FALSE(song.empty());
    const std::string songFromDir = std::filesystem::relative(song, dir).string();
    HandClock clock;
    std::vector<timing::Millis> tapped;
    {
        test_support::ScopedCurrentFolder cwd(dir);
        const auto window = openPair(f, "lyr.txt", QString::fromStdString(songFromDir), clock);
        ASSERT_TRUE(window);
        tapAt(*window, clock, {700, 900, 1100, 1300, 1500});
        tapped = markTimes(window->document());
        ASSERT_EQ(tapped.size(), 6u);  // the fourth tap ends the first line and starts the second
        ASSERT_TRUE(waitUntilKept(*window, recoveryPathOf(QString::fromStdString((dir / "lyr.txt").string()), song)));
        // Killed: the window goes without being closed.
    }
    test_support::ScopedCurrentFolder cwd(dir / "sub");
    const auto window = openPair(f, "../lyr.txt", QString::fromStdString("../" + songFromDir), clock);
    ASSERT_TRUE(window);
    ASSERT_EQ(f.restoreAsked.size(), 1);
    EXPECT_TRUE(f.restoreAsked[0].contains(QString::fromStdString((dir / "lyr.txt").string()))) << f.restoreAsked[0].toStdString();
    EXPECT_EQ(markTimes(window->document()), tapped);
    // The next tap adds a mark: none of those restored is written over.
    tapAt(*window, clock, {1700});
    EXPECT_EQ(markTimes(window->document()).size(), 7u);
}

// Two lyrics timed to one song keep their marks apart: opening the second
// leaves the first one's marks kept, to be offered with the first.
TEST(TimingWindow, TwoLyricsTimedToOneSongKeepTheirOwnMarks) {
    KVELMOR_NEED_FFMPEG();
    Fixture f;
    const std::string song = f.media.make("tone.flac", "-f lavfi -i sine=frequency=440:duration=3");
    ASSERT_FALSE(song.empty());
    const QString first = QString::fromStdString((f.loaded.dir / "first.txt").string());
    const QString second = QString::fromStdString((f.loaded.dir / "second.txt").string());
    std::ofstream(first.toStdString()) << "ラララ\n";
    std::ofstream(second.toStdString()) << "ルルル\n";
    HandClock clock;
    {
        const auto window = openPair(f, first, QString::fromStdString(song), clock);
        ASSERT_TRUE(window);
        tapAt(*window, clock, {700, 900});
        ASSERT_TRUE(waitUntilKept(*window, recoveryPathOf(first, song)));
        ASSERT_TRUE(window->openLyrics(second));
        tapAt(*window, clock, {1500});
        ASSERT_TRUE(waitUntilKept(*window, recoveryPathOf(second, song)));
    }
    EXPECT_TRUE(f.restoreAsked.isEmpty());
    for (const auto& [lyrics, times] : {std::pair{first, std::vector<timing::Millis>{700, 900}},
                                        std::pair{second, std::vector<timing::Millis>{1500}}}) {
        const auto window = openPair(f, lyrics, QString::fromStdString(song), clock);
        ASSERT_TRUE(window);
        EXPECT_EQ(markTimes(window->document()), times) << lyrics.toStdString();
    }
    EXPECT_EQ(f.restoreAsked.size(), 2);
}

// A recovery file cut short is never restored as if whole: it is said,
// naming the file, which is set aside; and a save that would leave a lyrics
// file with fewer lines than it holds is asked about, saying so.
TEST(TimingWindow, ACutRecoveryFileIsRefusedAndASaveThatLosesLinesIsAsked) {
    KVELMOR_NEED_FFMPEG();
    Fixture f;
    const std::string song = f.media.make("tone.flac", "-f lavfi -i sine=frequency=440:duration=3");
    ASSERT_FALSE(song.empty());
    const QString lyrics = QString::fromStdString(f.lyrics("ラララ\nルルル\nレレレ\n"));
    const std::string kept = recoveryPathOf(lyrics, song);
    HandClock clock;
    std::string whole;
    {
        const auto window = openPair(f, lyrics, QString::fromStdString(song), clock);
        ASSERT_TRUE(window);
        tapAt(*window, clock, {700, 900});
        ASSERT_TRUE(waitUntilKept(*window, kept));
        whole = fileText(kept);
    }
    // Cut at a line's end: after the header alone, and after the first lyric line.
    const size_t bodyStart = whole.find('\n', whole.find("@body=")) + 1;
    for (size_t cut : {bodyStart, whole.find('\n', whole.find('\n', bodyStart) + 1) + 1}) {
        std::ofstream(kept, std::ios::binary | std::ios::trunc) << whole.substr(0, cut);
        f.messages.clear();
        const auto window = openPair(f, lyrics, QString::fromStdString(song), clock);
        ASSERT_TRUE(window);
        EXPECT_TRUE(f.restoreAsked.isEmpty());
        ASSERT_EQ(f.messages.size(), 1);
        EXPECT_TRUE(f.messages[0].contains(QString::fromStdString(kept + ".cut"))) << f.messages[0].toStdString();
        EXPECT_EQ(fileText(kept + ".cut"), whole.substr(0, cut));
        EXPECT_FALSE(std::filesystem::exists(kept));
        EXPECT_TRUE(window->document().marks().empty());
        EXPECT_EQ(window->document().lyricLineCount(), 3);
    }

    // Ctrl+S over lyrics holding more lines than the timing: asked, naming both counts.
    const std::string other = (f.loaded.dir / "other.txt").string();
    std::ofstream(other) << "ラ\n";
    const auto window = openPair(f, QString::fromStdString(other), QString::fromStdString(song), clock);
    ASSERT_TRUE(window);
    tapAt(*window, clock, {700});
    QStringList asked;
    bool replace = false;
    QString target = QString::fromStdString(other);
    f.dialogs.saveFile = [&](QWidget*, const QString&, const QString&, const QString&) { return target; };
    f.dialogs.confirm = [&](QWidget*, const QString&, const QString& text) {
        asked << text;
        return replace;
    };
    ui::TimingWindow& w = *window;
    // A file of as many lines: only whether to replace it.
    press(w.focusWidget(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(asked, QStringList{QStringLiteral("「other.txt」は既にあります。上書きしますか?")});
    EXPECT_EQ(fileText(other), "ラ\n");
    asked.clear();
    target = lyrics;
    const std::string before = fileText(lyrics.toStdString());
    press(w.focusWidget(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0], QStringLiteral("「plain.txt」には歌詞が 3 行ありますが、保存するタイミングは 1 行です。"
                                       "上書きすると 2 行が失われます。上書きしますか?"));
    EXPECT_EQ(fileText(lyrics.toStdString()), before);
    EXPECT_TRUE(w.isWindowModified());
    replace = true;
    press(w.focusWidget(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(fileText(lyrics.toStdString()), "@timeratio=1\n[00:00:70]ラ\n");
    EXPECT_FALSE(w.isWindowModified());
}

// A song in a folder that cannot be written to is timed all the same: the
// marks are kept in the user's state folder, and the window says where.
TEST(TimingWindow, MarksOfASongInAReadOnlyFolderAreKeptInTheStateFolder) {
    KVELMOR_NEED_FFMPEG();
    Fixture f;
    const std::filesystem::path folder = f.loaded.dir / "read-only";
    std::filesystem::create_directories(folder);
    const std::string song = test::makeMedia(folder / "tone.flac", "-f lavfi -i sine=frequency=440:duration=3");
    ASSERT_FALSE(song.empty());
    const QString lyrics = QString::fromStdString((folder / "lyr.txt").string());
    std::ofstream(lyrics.toStdString()) << "ラララ\n";
    std::filesystem::permissions(folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                             std::filesystem::perms::group_read | std::filesystem::perms::others_read);
    HandClock clock;
    {
        const auto window = openPair(f, lyrics, QString::fromStdString(song), clock);
        ASSERT_TRUE(window);
        tapAt(*window, clock, {700});
        const std::string kept = recoveryPathOf(lyrics, song);
        ASSERT_TRUE(waitUntilKept(*window, kept));
        EXPECT_EQ(std::filesystem::path(kept).parent_path(), f.state.dir / "Kvelmor" / "recovery");
        EXPECT_TRUE(window->findChild<QLabel*>("timingStatus")->text().contains(QString::fromStdString(kept)));
    }
    // Nothing was written beside the song.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 2);
    const auto window = openPair(f, lyrics, QString::fromStdString(song), clock);
    ASSERT_TRUE(window);
    EXPECT_EQ(markTimes(window->document()), std::vector<timing::Millis>{700});
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
}

// Restored, the next tap goes after the last mark restored; the question's
// default button is はい (Enter restores: restoring loses nothing).
TEST(TimingWindow, RestoringIsTheDefaultAndTheNextTapFollowsTheLastMark) {
    KVELMOR_NEED_FFMPEG();
    Fixture f;
    const std::string song = f.media.make("tone.flac", "-f lavfi -i sine=frequency=440:duration=3");
    ASSERT_FALSE(song.empty());
    const QString lyrics = QString::fromStdString(f.lyrics("ラララ\nルルル\n"));
    HandClock clock;
    {
        const auto window = openPair(f, lyrics, QString::fromStdString(song), clock);
        ASSERT_TRUE(window);
        tapAt(*window, clock, {700, 900, 1100, 1300, 1500});  // the first line, then two of the second
        ASSERT_TRUE(waitUntilKept(*window, recoveryPathOf(lyrics, song)));
    }
    // The question as the program asks it, answered with Enter.
    f.dialogs.restore = ui::Dialogs::standard().restore;
    bool yesByDefault = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box->objectName() != "restoreQuestion") return;
        answer.stop();
        yesByDefault = box->defaultButton() && box->defaultButton() == box->button(QMessageBox::Yes);
        QTest::keyClick(box, Qt::Key_Return);
    });
    answer.start(10);
    const auto window = openPair(f, lyrics, QString::fromStdString(song), clock);
    ASSERT_TRUE(window);
    EXPECT_TRUE(yesByDefault);
    EXPECT_EQ(markTimes(window->document()), (std::vector<timing::Millis>{700, 900, 1100, 1300, 1300, 1500}));
    EXPECT_EQ(window->document().cursor(), (timing::Position{1, 2}));
    tapAt(*window, clock, {1700});
    EXPECT_EQ(window->document().markTime({1, 2, false}), 1700);
    EXPECT_TRUE(window->isWindowModified());
}
