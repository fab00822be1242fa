// SPDX-License-Identifier: GPL-3.0-or-later
// The preview pane on a real session: a settings change draws a new frame,
// play/pause and the line controls move the time.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <filesystem>

#include "app/lyrics_editing.h"
#include "app/session.h"
#include "media/media_files.h"
#include "measure/freetype_measurer.h"
#include "ui/language.h"
#include "ui/preview_pane.h"

using namespace kvelmor;
namespace fs = std::filesystem;

namespace {

const std::string kExampleSong = std::string(KVELMOR_EXAMPLES) + "/sakura_no_michi.txt";
constexpr int kWaitMs = 10000;  // for a frame from the drawing thread; fontconfig starts on the first

class PreviewPaneTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "preview_pane_test";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance()) new QApplication(argc, argv);
        kvelmor::ui::useLanguage(kvelmor::ui::Language::Japanese);  // the tests name the Japanese texts
    }
    // Qt's caches (fonts among them) are freed with the application.
    static void TearDownTestSuite() { delete QApplication::instance(); }

    void SetUp() override {
        dir = fs::temp_directory_path() / ("kvelmor_preview_" + std::to_string(getpid()));
        fs::create_directories(dir);
        session.startUp((dir / "Kvelmor.ini").string());
        ASSERT_TRUE(session.loadLyrics(kExampleSong));
        pane = std::make_unique<ui::PreviewPane>(session);
        pane->resize(640, 600);
        pane->show();
    }
    void TearDown() override {
        pane.reset();
        fs::remove_all(dir);
    }

    // The frame drawn after `action`.
    template <typename Action>
    QImage frameAfter(Action action) {
        QSignalSpy shown(pane.get(), &ui::PreviewPane::frameShown);
        action();
        EXPECT_TRUE(shown.wait(kWaitMs));
        // Requests made meanwhile are drawn as one; wait until none is left.
        while (shown.wait(300)) {
        }
        return pane->frame();
    }

    CollectingReporter reporter;
    measure::FreeTypeMeasurer measurer;
    app::Session session{reporter, measurer};
    fs::path dir;
    std::unique_ptr<ui::PreviewPane> pane;
};

TEST_F(PreviewPaneTest, ASettingsChangeDrawsANewFrame) {
    const QImage before = frameAfter([&] { pane->setPosition(pane->lineStarts().at(0) + 2000); });
    ASSERT_EQ(before.size(), QSize(640, 480));
    // A line moved right by 100 pixels, told to the pane as the window tells it.
    const QImage after = frameAfter([&] {
        ASSERT_TRUE(session.setField("MarginL", "130").ok);
        pane->songOrSettingsChanged();
    });
    EXPECT_NE(before, after);
    // The frame size follows dispWidth and dispHeight.
    const QImage wide = frameAfter([&] {
        ASSERT_TRUE(session.setField("dispWidth", "1280").ok);
        ASSERT_TRUE(session.setField("dispHeight", "720").ok);
        pane->songOrSettingsChanged();
    });
    EXPECT_EQ(wide.size(), QSize(1280, 720));
}

TEST_F(PreviewPaneTest, PlayPauseAndLineJumpsMoveTheTime) {
    const auto& starts = pane->lineStarts();
    ASSERT_EQ(starts.size(), static_cast<size_t>(session.song.lineCount()));
    auto* lines = pane->findChild<QListWidget*>("previewLines");
    auto* next = pane->findChild<QPushButton*>("previewNextLine");
    auto* previous = pane->findChild<QPushButton*>("previewPreviousLine");
    auto* play = pane->findChild<QPushButton*>("previewPlay");
    auto* slider = pane->findChild<QSlider*>("previewSlider");
    ASSERT_TRUE(lines && next && previous && play && slider);
    ASSERT_EQ(lines->count(), session.song.lineCount());

    // A click on the third line goes to where it starts showing.
    QTest::mouseClick(lines->viewport(), Qt::LeftButton, {}, lines->visualItemRect(lines->item(2)).center());
    EXPECT_EQ(pane->position(), starts[2]);
    EXPECT_EQ(slider->value(), starts[2]);
    QTest::mouseClick(next, Qt::LeftButton);
    EXPECT_EQ(pane->position(), starts[3]);
    QTest::mouseClick(previous, Qt::LeftButton);
    EXPECT_EQ(pane->position(), starts[2]);
    QTest::mouseClick(previous, Qt::LeftButton);
    EXPECT_EQ(pane->position(), starts[1]);

    // Playing moves the time on by the clock; pausing stops it.
    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_TRUE(pane->isPlaying());
    QTest::qWait(400);
    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_FALSE(pane->isPlaying());
    const qint64 paused = pane->position();
    EXPECT_GE(paused, starts[1] + 200);
    EXPECT_LE(paused, starts[1] + 2000);
    QTest::qWait(200);
    EXPECT_EQ(pane->position(), paused);
    // The slider seeks.
    slider->setValue(static_cast<int>(starts[4] + 100));
    EXPECT_EQ(pane->position(), starts[4] + 100);

    // The keyboard: the arrows in the list go line by line, Alt+P plays and pauses.
    lines->setFocus();
    QTest::keyClick(lines, Qt::Key_Up);
    EXPECT_EQ(pane->position(), starts[3]);
    QTest::keyClick(lines, Qt::Key_Down);
    EXPECT_EQ(pane->position(), starts[4]);
    pane->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(pane.get()));
    // Through the shortcut map; the button then clicks after its pressed look.
    QTest::keyClick(pane->windowHandle(), Qt::Key_P, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return pane->isPlaying(); }));
    QTest::keyClick(pane->windowHandle(), Qt::Key_P, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !pane->isPlaying(); }));

    // A shorter song leaves the time within it.
    std::string firstLines;
    for (int i = 1; i <= 2; ++i) firstLines += session.song.readLines[i].rawText + "\r\n";
    ASSERT_TRUE(app::applyLyricsEdit(session, firstLines));
    pane->songOrSettingsChanged();
    EXPECT_LT(slider->maximum(), starts[4]);
    EXPECT_EQ(pane->position(), slider->maximum());  // its end
    EXPECT_EQ(slider->value(), pane->position());
}

// A chosen video stands behind the subtitles at the pane's time; a file that
// is no video is reported and leaves the choice as it was.
TEST_F(PreviewPaneTest, DrawsOverTheChosenVideo) {
    KVELMOR_NEED_FFMPEG();
    test::MediaFolder media("preview_media");
    const std::string video = media.make("video.mkv", test::colourVideo("320x240", {{"red", 8}, {"blue", 30}}));
    ASSERT_FALSE(video.empty());
    const QString path = QString::fromStdString(video);
    auto topLeft = [&] { return pane->frame().pixelColor(10, 10); };
    frameAfter([&] { pane->setMedia(path); });
    EXPECT_EQ(pane->media(), path);
    const QColor early = frameAfter([&] { pane->setPosition(4000); }).pixelColor(10, 10);
    EXPECT_GT(early.red(), 200);
    EXPECT_LT(early.blue(), 60);
    const QColor late = frameAfter([&] { pane->setPosition(35000); }).pixelColor(10, 10);
    EXPECT_EQ(pane->position(), 35000) << "past the song's end, within the video's";
    EXPECT_GT(late.blue(), 200);
    EXPECT_LT(late.red(), 60);

    // A file that is not a video: one message naming it, at once.
    ui::Dialogs dialogs = ui::Dialogs::standard();
    QStringList messages;
    dialogs.message = [&](QWidget*, QMessageBox::Icon, const QString&, const QString& text) { messages << text; };
    pane->setDialogs(&dialogs);
    pane->setMedia(QString::fromStdString(media.write("notes.mp4", "not a video")));
    EXPECT_EQ(pane->media(), path);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QString::fromStdString(media.file("notes.mp4")))) << messages[0].toStdString();
    EXPECT_GT(topLeft().blue(), 200);
}

}  // namespace
