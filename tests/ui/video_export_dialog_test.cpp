// SPDX-License-Identifier: GPL-3.0-or-later
// 動画を書き出す driven as a user drives it: the menu opens the dialog over a
// loaded song and the preview's media, the video is made on the dialog's
// thread while the window and the preview go on working, and 中止 leaves
// nothing behind.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "app/session.h"
#include "measure/freetype_measurer.h"
#include "media/media_files.h"
#include "ui/language.h"
#include "ui/main_window.h"
#include "ui/preview_pane.h"
#include "ui/video_export_dialog.h"

using namespace kvelmor;
namespace fs = std::filesystem;

namespace {

constexpr int kVideoWaitMs = 180000;  // a few seconds of video, on a busy machine

class VideoExportTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "video_export_dialog_test";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance()) new QApplication(argc, argv);
        kvelmor::ui::useLanguage(kvelmor::ui::Language::Japanese);  // the tests name the Japanese texts
    }
    static void TearDownTestSuite() { delete QApplication::instance(); }

    void SetUp() override {
        fs::copy_file(fs::path(KVELMOR_EXAMPLES) / "sakura_no_michi.txt", dir.path() / "song.txt");
        window = std::make_unique<ui::MainWindow>(session);
        window->dialogs().openFile = [this](QWidget*, const QString&, const QString&, const QString&) {
            return fileAnswer;
        };
        window->dialogs().message = [](QWidget*, QMessageBox::Icon, const QString&, const QString&) {};
        window->startUp(dir.file("Kvelmor.ini"));
        window->show();
        ASSERT_TRUE(window->loadSong(QString::fromStdString(dir.file("song.txt"))));
    }

    // The dialog the menu opens.
    ui::VideoExportDialog* openDialog() {
        window->findChild<QAction*>("menuExportVideo")->trigger();
        auto* d = window->findChild<ui::VideoExportDialog*>();
        EXPECT_NE(d, nullptr);
        return d;
    }
    template <class W>
    W* in(QWidget* d, const char* name) {
        W* w = d->findChild<W*>(name);
        if (!w) ADD_FAILURE() << "no widget " << name;
        return w;
    }
    static std::string streams(const std::string& file) {
        std::string out;
        FILE* p = popen(("ffprobe -v error -show_entries stream=codec_type -of csv=p=0 '" + file + "'").c_str(), "r");
        char buf[256];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
        return out;
    }

    test::MediaFolder dir{"export"};
    CollectingReporter reporter;
    measure::FreeTypeMeasurer measurer;
    app::Session session{reporter, measurer};
    std::unique_ptr<ui::MainWindow> window;
    QString fileAnswer;
};

TEST_F(VideoExportTest, AClipAndASoundFileWithAPictureBecomeVideosWhileThePreviewGoesOn) {
    KVELMOR_NEED_FFMPEG();
    const std::string clip = dir.make("clip.mp4", test::testVideo("640x480", "3") +
                                                      " -f lavfi -i sine=duration=3 -pix_fmt yuv420p -c:v libx264 "
                                                      "-c:a aac -shortest");
    const std::string cover = dir.make("cover.png", "-f lavfi -i testsrc2=size=300x200 -frames:v 1");
    const std::string mp3 = dir.make("song.mp3", "-f lavfi -i sine=duration=3 -i '" + cover +
                                                     "' -map 0 -map 1 -c:a libmp3lame -c:v png -disposition:v attached_pic");
    ASSERT_FALSE(clip.empty() || cover.empty() || mp3.empty());
    // ﾒﾃﾞｨｱ情報取得 chooses the clip: the preview shows it, and the dialog takes it.
    fileAnswer = QString::fromStdString(clip);
    window->findChild<QAction*>("menuMedia")->trigger();
    ASSERT_EQ(window->preview()->media(), fileAnswer);

    ui::VideoExportDialog* d = openDialog();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->isVisible());
    EXPECT_FALSE(d->isModal()) << "the window stays usable";
    EXPECT_EQ(in<QLineEdit>(d, "exportMedia")->text(), fileAnswer);
    EXPECT_EQ(in<QLineEdit>(d, "exportOutput")->text(), QString::fromStdString(dir.file("song.mp4")));

    struct Case {
        std::string media, output;
    };
    for (const Case& c : {Case{clip, dir.file("song.mp4")}, Case{mp3, dir.file("cover.mkv")}}) {
        SCOPED_TRACE(c.output);
        in<QLineEdit>(d, "exportMedia")->setText(QString::fromStdString(c.media));
        in<QLineEdit>(d, "exportOutput")->setText(QString::fromStdString(c.output));
        QSignalSpy ended(d, &ui::VideoExportDialog::exportEnded);
        QTest::mouseClick(in<QPushButton>(d, "exportStart"), Qt::LeftButton);
        EXPECT_TRUE(d->isRunning());
        EXPECT_FALSE(in<QPushButton>(d, "exportStart")->isEnabled());
        EXPECT_TRUE(in<QPushButton>(d, "exportCancel")->isEnabled());
        // The preview draws a new frame meanwhile.
        QSignalSpy shown(window->preview(), &ui::PreviewPane::frameShown);
        window->preview()->setPosition(window->preview()->position() == 6300 ? 9000 : 6300);
        EXPECT_TRUE(shown.wait(30000));
        ASSERT_TRUE(ended.count() > 0 || ended.wait(kVideoWaitMs));
        EXPECT_TRUE(ended.front().front().toBool()) << in<QLabel>(d, "exportStatus")->text().toStdString();
        EXPECT_EQ(in<QProgressBar>(d, "exportProgress")->value(), in<QProgressBar>(d, "exportProgress")->maximum());
        EXPECT_EQ(streams(c.output), "video\naudio\n");
        EXPECT_TRUE(in<QPushButton>(d, "exportStart")->isEnabled());
    }
}

TEST_F(VideoExportTest, CancelAndFailuresLeaveNoFile) {
    KVELMOR_NEED_FFMPEG();
    const std::string clip = dir.make("long.mp4", test::testVideo("1280x720", "60") +
                                                      " -f lavfi -i sine=duration=60 -pix_fmt yuv420p -c:v libx264 "
                                                      "-preset ultrafast -c:a aac -shortest");
    ASSERT_FALSE(clip.empty());
    ui::VideoExportDialog* d = openDialog();
    ASSERT_NE(d, nullptr);
    in<QLineEdit>(d, "exportMedia")->setText(QString::fromStdString(clip));
    const std::string out = dir.file("song.mp4");
    auto noVideoLeft = [&] {
        EXPECT_FALSE(fs::exists(out));
        for (const auto& e : fs::directory_iterator(dir.path()))
            EXPECT_NE(e.path().extension(), ".tmp") << e.path() << " was left behind";
    };
    {
        // 中止 once the progress shows.
        QSignalSpy ended(d, &ui::VideoExportDialog::exportEnded);
        QTest::mouseClick(in<QPushButton>(d, "exportStart"), Qt::LeftButton);
        auto* bar = in<QProgressBar>(d, "exportProgress");
        QTRY_VERIFY_WITH_TIMEOUT(bar->value() > 0 || ended.count() > 0, kVideoWaitMs);
        QTest::mouseClick(in<QPushButton>(d, "exportCancel"), Qt::LeftButton);
        ASSERT_TRUE(ended.count() > 0 || ended.wait(kVideoWaitMs));
        EXPECT_FALSE(ended.front().front().toBool());
        EXPECT_EQ(in<QLabel>(d, "exportStatus")->text(), "中止しました。ファイルは作られていません。");
        noVideoLeft();
    }
    // Over the lyrics file, and a media file that cannot be read: the reason, naming the file, in
    // the window's language where the core's message has a Japanese form.
    struct Case {
        std::string media, output, message;
    };
    const std::string junk = dir.write("junk.mp4", "not a video");
    for (const Case& c : {Case{clip, dir.file("song.txt"), "would replace " + dir.file("song.txt")},
                          Case{junk, out, junk + ": メディアファイルとして読み込めません"}}) {
        SCOPED_TRACE(c.message);
        in<QLineEdit>(d, "exportMedia")->setText(QString::fromStdString(c.media));
        in<QLineEdit>(d, "exportOutput")->setText(QString::fromStdString(c.output));
        QSignalSpy ended(d, &ui::VideoExportDialog::exportEnded);
        QTest::mouseClick(in<QPushButton>(d, "exportStart"), Qt::LeftButton);
        ASSERT_TRUE(ended.count() > 0 || ended.wait(kVideoWaitMs));
        EXPECT_FALSE(ended.front().front().toBool());
        EXPECT_NE(in<QLabel>(d, "exportStatus")->text().toStdString().find(c.message), std::string::npos)
            << in<QLabel>(d, "exportStatus")->text().toStdString();
        noVideoLeft();
    }
    // Closing the dialog while a video is made gives it up.
    in<QLineEdit>(d, "exportMedia")->setText(QString::fromStdString(clip));
    in<QLineEdit>(d, "exportOutput")->setText(QString::fromStdString(out));
    QTest::mouseClick(in<QPushButton>(d, "exportStart"), Qt::LeftButton);
    ASSERT_TRUE(d->isRunning());
    d->close();  // deletes itself
    QTRY_VERIFY(window->findChild<ui::VideoExportDialog*>() == nullptr);
    noVideoLeft();
}

}  // namespace
