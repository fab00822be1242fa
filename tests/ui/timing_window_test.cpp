// SPDX-License-Identifier: GPL-3.0-or-later
// The timing window driven with keys through QTest against a clock the test
// moves, over a generated click track; the written tags are compared.

#include "ui/timing_window.h"

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QTest>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "media/media_files.h"
#include "support/loaded_session.h"
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
    test_support::LoadedSession loaded{"timing_window"};
    test::MediaFolder media{"timing_window_media"};
    ui::Dialogs dialogs = ui::Dialogs::standard();
    QStringList messages;
    int unsavedAsked = 0;
    QMessageBox::StandardButton unsavedAnswer = QMessageBox::Cancel;

    Fixture() {
        dialogs.message = [this](QWidget*, QMessageBox::Icon, const QString&, const QString& text) { messages << text; };
        dialogs.confirm = [](QWidget*, const QString&, const QString&) { return false; };
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
        EXPECT_TRUE(std::filesystem::exists(timing::recoveryPathFor(song)));
        f.unsavedAnswer = QMessageBox::Cancel;
        EXPECT_FALSE(window.close());
        EXPECT_EQ(f.unsavedAsked, 1);
        // A crash now: the window goes without being closed.
    }
    {
        // The next start offers the marks again.
        bool offered = false;
        f.dialogs.confirm = [&](QWidget*, const QString&, const QString&) { return offered = true; };
        ui::TimingWindow window(f.loaded.session, f.dialogs);
        ASSERT_TRUE(window.openLyrics(lyrics));
        window.openSound(QString::fromStdString(song));
        ASSERT_TRUE(window.waitForSound());
        EXPECT_TRUE(offered);
        EXPECT_EQ(window.document().markTime({0, 0, false}), 700);
        f.unsavedAnswer = QMessageBox::Discard;
        EXPECT_TRUE(window.close());
        EXPECT_FALSE(std::filesystem::exists(timing::recoveryPathFor(song)));
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
