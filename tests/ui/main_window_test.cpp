// SPDX-License-Identifier: GPL-3.0-or-later
// The main window over a real session: widgets driven with QTest key and
// mouse events, dialogs answered by the test, scripts compared with the
// command line's.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QGroupBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFontDialog>
#include <QFontInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSplitter>
#include <QSpinBox>
#include <QTabWidget>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/lyrics_editing.h"
#include "app/session.h"
#include "common/encoding.h"
#include "common/file_io.h"
#include "measure/freetype_measurer.h"
#include "settings/ini_store.h"
#include "settings/presets.h"
#include "ui/language.h"
#include "ui/credit_window.h"
#include "ui/form_table.h"
#include "ui/main_window.h"
#include "ui/preview_pane.h"
#include "ui/reports_pane.h"
#include "ui/qt_text.h"
#include "ui/ruby_editor.h"
#include "ui/version_window.h"
#include "ui/batch_window.h"
#include "ui/lyrics_editor.h"
#include "ui/timing_window.h"
#include "ui/video_export_dialog.h"
#include "media/media_files.h"
#include "untranslated_texts.h"
#include "support/scoped_environment.h"
#include "app/recovery.h"

using namespace kvelmor;
using kvelmor::ui::qs;
using kvelmor::ui::ss;
namespace fs = std::filesystem;

namespace {

// One application for all tests, ended after the last one so that Qt lets
// go of its font database (LeakSanitizer would report it otherwise).
class Application : public ::testing::Environment {
public:
    void SetUp() override {
        // Recovery files the windows keep go to a folder of this run's own.
        ::setenv("XDG_STATE_HOME", m_state.c_str(), 1);
        static int argc = 1;
        static char name[] = "main_window_test";
        static char* argv[] = {name, nullptr};
        m_app = std::make_unique<QApplication>(argc, argv);
        kvelmor::ui::useLanguage(kvelmor::ui::Language::Japanese);  // the tests name the Japanese texts
    }
    void TearDown() override {
        m_app.reset();
        fs::remove_all(m_state);
    }

private:
    std::unique_ptr<QApplication> m_app;
    fs::path m_state = fs::temp_directory_path() / ("kvelmor_main_window_state_" + std::to_string(getpid()));
};
const auto* const kApplication = ::testing::AddGlobalTestEnvironment(new Application);

std::string fileBytes(const fs::path& p) {
    std::string bytes;
    EXPECT_TRUE(readFileBytes(p.string(), bytes).ok) << p;
    return bytes;
}

// Runs the kvelmor binary; returns its exit code.
int runKvelmor(const QStringList& args) {
    QProcess p;
    p.start(KVELMOR_BINARY, args);
    EXPECT_TRUE(p.waitForFinished(60000));
    return p.exitCode();
}

struct WindowTest : ::testing::Test {
    CollectingReporter reporter;
    measure::FreeTypeMeasurer measurer;
    std::unique_ptr<app::Session> session;
    std::unique_ptr<ui::MainWindow> window;
    fs::path dir;
    fs::path ini;

    // What the dialogs answer, and what they were asked.
    std::optional<QColor> colourAnswer;
    std::optional<QFont> fontAnswer;
    QString fileAnswer, folderAnswer, saveAnswer;
    QColor colourOffered;
    QFont fontOffered;
    int dialogsOpened = 0;
    QMessageBox::StandardButton unsavedAnswer = QMessageBox::Discard;
    int unsavedAsked = 0;
    bool confirmAnswer = true;
    QStringList confirmations;
    QStringList messages;
    std::vector<int> ran;  // refresh stages, in the order they ran
    // Answers to a file that could not be written, each with what the user did first.
    std::vector<std::pair<QMessageBox::StandardButton, std::function<void()>>> writeFailedAnswers;
    QStringList writeFailures;

    void SetUp() override {
        dir = fs::temp_directory_path() / ("kvelmor_ui_" + std::to_string(getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        ini = dir / "Kvelmor.ini";
        open();
    }
    void TearDown() override {
        window.reset();
        session.reset();
        fs::remove_all(dir);
    }

    void open() {
        window.reset();
        session = std::make_unique<app::Session>(reporter, measurer);
        window = std::make_unique<ui::MainWindow>(*session);
        ui::Dialogs& d = window->dialogs();
        d.colour = [this](QWidget*, const QColor& c) {
            ++dialogsOpened;
            colourOffered = c;
            return colourAnswer;
        };
        d.font = [this](QWidget*, const QFont& f) {
            ++dialogsOpened;
            fontOffered = f;
            return fontAnswer;
        };
        d.openFile = [this](QWidget*, const QString&, const QString&, const QString&) { return fileAnswer; };
        d.folder = [this](QWidget*, const QString&, const QString&) { return folderAnswer; };
        d.saveFile = [this](QWidget*, const QString&, const QString&, const QString&) { return saveAnswer; };
        d.message = [this](QWidget*, QMessageBox::Icon, const QString&, const QString& text) { messages << text; };
        d.openExternally = [](const QString&) { return false; };
        d.confirm = [this](QWidget*, const QString&, const QString& text) {
            confirmations << text;
            return confirmAnswer;
        };
        d.unsaved = [this](QWidget*, const QString&, const QString&) {
            ++unsavedAsked;
            return unsavedAnswer;
        };
        d.writeFailed = [this](QWidget*, const QString&, const QString& text) {
            writeFailures << text;
            if (writeFailedAnswers.empty()) return QMessageBox::Discard;
            const auto [answer, beforeIt] = writeFailedAnswers.front();
            writeFailedAnswers.erase(writeFailedAnswers.begin());
            if (beforeIt) beforeIt();
            return answer;
        };
        window->startUp(ini.string());
        window->show();
        // Every stage still runs; the test sees their order.
        app::StageTable t = app::standardStages();
        for (int i = 1; i <= app::kStageCount; ++i)
            t[static_cast<size_t>(i)] = [this, i, real = t[static_cast<size_t>(i)]](app::Session& s) {
                ran.push_back(i);
                real(s);
            };
        session->setStageTable(t);
    }

    template <class W>
    W* field(const char* name) {
        W* w = window->findChild<W*>(name);
        if (!w) ADD_FAILURE() << "no widget " << name;
        return w;
    }
    // Losing the focus to another field of the window.
    static void leave(QWidget* w) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(w, &out);
    }
    // Brings the tab that holds `w` to the front, as a user would.
    template <class W>
    W* reveal(W* w) {
        auto* tabs = field<QTabWidget>("SSTab1");
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->widget(i)->isAncestorOf(w)) tabs->setCurrentIndex(i);
        return w;
    }
    static void clear(QLineEdit* e) {
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Backspace);
    }
    // A field's text replaced by typing, then Enter.
    static void typeAndEnter(QLineEdit* e, const char* text) {
        clear(e);
        QTest::keyClicks(e, text);
        QTest::keyClick(e, Qt::Key_Return);
    }
    // Picks the preset list's entry `name` with the keyboard, as a user would.
    void choosePreset(const QString& name) {
        auto* combo = field<QComboBox>("Combo2");
        const int target = combo->findText(name);
        combo->setCurrentIndex(target == 0 ? 1 : 0);
        QTest::keyClick(combo, target == 0 ? Qt::Key_Up : Qt::Key_Down);
    }
    std::vector<int> stagesOf(const std::function<void()>& action) {
        ran.clear();
        action();
        return ran;
    }
    // Answers the modal window named `name` once it shows, with `answer`.
    void whenShown(const char* name, std::function<void(QDialog*)> answer) {
        auto* timer = new QTimer(window.get());
        QObject::connect(timer, &QTimer::timeout, window.get(), [this, timer, name, answer] {
            auto* d = window->findChild<QDialog*>(name);
            if (!d || !d->isVisible()) return;
            timer->stop();
            timer->deleteLater();
            answer(d);
        });
        timer->start(10);
    }
    // A key pressed on the window, as the user presses a shortcut.
    void pressOnWindow(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window->windowHandle(), key, modifiers);
    }
    // The lyrics editor, opened from the keyboard: the first lyric line's syllables replaced by "ラララ".
    void editFirstLine() {
        whenShown("Form5", [](QDialog* d) {
            auto* text = d->findChild<QPlainTextEdit*>("Text");
            QStringList lines = text->toPlainText().split('\n');
            for (QString& line : lines)
                if (line.startsWith('[')) {
                    line = line.left(10) + QStringLiteral("ラララ") + line.right(10);
                    break;
                }
            text->setPlainText(lines.join('\n'));
            d->accept();
        });
        pressOnWindow(Qt::Key_E, Qt::ControlModifier);
    }
    fs::path copyExample(const fs::path& to) {
        fs::create_directories(to.parent_path());
        fs::copy_file(fs::path(KVELMOR_EXAMPLES) / "sakura_no_michi.txt", to, fs::copy_options::overwrite_existing);
        return to;
    }
    // Closes the batch window as soon as its end button shows; with
    // `cancelAtOnce`, presses 中止 as soon as the batch can be stopped.
    void finishBatchWhenDone(bool cancelAtOnce = false) {
        auto* timer = new QTimer(window.get());
        bool cancelled = false;
        QObject::connect(timer, &QTimer::timeout, window.get(), [this, timer, cancelAtOnce, cancelled]() mutable {
            auto* form = window->findChild<QDialog*>("Form6");
            if (!form) return;
            // Cancelled as soon as it can be: the files go on in a thread of
            // their own, so on a busy machine a wait for the first file to
            // end could see the whole folder converted first.
            auto* cancel = form->findChild<QPushButton*>("cancelButton");
            if (cancelAtOnce && !cancelled && form->isVisible() && cancel->isVisible() && cancel->isEnabled()) {
                cancelled = true;
                QTest::mouseClick(cancel, Qt::LeftButton);
            }
            auto* done = form->findChild<QPushButton*>("Command1");
            if (done && done->isVisible()) {
                batchProblems = form->findChild<QPlainTextEdit*>("problemList")->toPlainText();
                batchDone = form->findChild<QLabel*>("Label2")->text();
                batchState = form->findChild<QLabel*>("currentFile")->text();
                timer->stop();
                QTest::mouseClick(done, Qt::LeftButton);
            }
        });
        timer->start(0);
    }
    QString batchState;
    QString batchProblems, batchDone;
};

const std::vector<int> kStyleStages{5, 11, 12, 14, 17};

}  // namespace

// A setting added to the table without a place in the window fails here.
TEST_F(WindowTest, EverySettingIsEditedByExactlyOneWidgetOfItsKind) {
    using settings::Kind;
    int bound = 0;
    for (const auto& def : settings::settingTable()) {
        if (ui::hasNoField(def.field)) continue;
        // Font flags are edited through their font's button.
        const std::string name = def.kind == Kind::FontFlag ? def.optionGroup : def.field;
        SCOPED_TRACE(name);
        const auto found = window->findChildren<QObject*>(qs(name));
        ASSERT_EQ(found.size(), 1);
        QObject* w = found.front();
        const char* expected = def.kind == Kind::NumberText || def.kind == Kind::Text ? "QLineEdit"
                               : def.field == "menuCreditOn"                           ? "QAction"
                               : def.kind == Kind::Box                                ? "QCheckBox"
                               : def.kind == Kind::OptionMember                       ? "QRadioButton"
                               : def.kind == Kind::Choice || def.kind == Kind::ListIndex ? "QComboBox"
                               : def.kind == Kind::Level                              ? "QSlider"
                               : def.kind == Kind::PixelHeight                        ? "QLabel"
                                                                                      : "QPushButton";
        EXPECT_TRUE(w->inherits(expected)) << w->metaObject()->className() << " is no " << expected;
        ++bound;
    }
    EXPECT_GT(bound, 100);
    QStringList tabs;
    auto* tabWidget = field<QTabWidget>("SSTab1");
    for (int i = 0; i < tabWidget->count(); ++i) tabs << tabWidget->tabText(i);
    EXPECT_EQ(tabs, (QStringList{"基本", "拡張", "ルビ", "曲情報", "タグ拡張"}));
    // Usable on a 1024 × 768 screen: the tabs scroll rather than push the window larger.
    EXPECT_LE(window->minimumSizeHint().width(), 1024);
    EXPECT_LE(window->minimumSizeHint().height(), 700);
}

// However small the window is made, no command button, box or preset
// button is narrower than its caption.
TEST_F(WindowTest, AtItsSmallestNoButtonIsCut) {
    window->resize(200, 200);
    QApplication::processEvents();
    EXPECT_LE(window->width(), 1024);
    for (const char* name : {"Command1", "Command10", "Command5", "Command7", "Command13", "unicode", "KraCheck",
                             "MediaTimeCheck", "Command3", "Command4"}) {
        auto* w = field<QWidget>(name);
        EXPECT_GE(w->width(), w->sizeHint().width()) << name;
    }
}

TEST_F(WindowTest, RefusedKeysAndPastedCharactersNeverReachAField) {
    struct Case {
        const char* name;
        const char* typed;
        const char* pasted;
        const char* shown;  // and held by the settings
    } cases[] = {
        {"dispWidth", "12a-3.", "4x5", "12345"},   // digits only
        {"MarginL", "-4x5", "-1", "-45-1"},        // digits and minus
        {"mojiScaleX", "1.5e", ",2", "1.52"},      // digits and the point
        {"rubyScale", "ab", "c!", "abc!"},         // takes every key
        {"LyricsDispTime", "1x", "0", "10"},       // digits only, no replacement
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto* e = field<QLineEdit>(c.name);
        clear(e);
        QTest::keyClicks(e, c.typed);
        QApplication::clipboard()->setText(c.pasted);
        e->end(false);
        e->paste();
        EXPECT_EQ(e->text(), QString::fromUtf8(c.shown));
        EXPECT_EQ(session->settings.text(c.name), c.shown);
    }
}

TEST_F(WindowTest, EnterAndLeavingAreTwoReactions) {
    auto* outLine = field<QLineEdit>("outLine");
    clear(outLine);
    EXPECT_EQ(stagesOf([&] { QTest::keyClick(outLine, Qt::Key_Return); }), std::vector<int>{});
    EXPECT_EQ(outLine->text(), "0");  // replaced, but the styles are not refreshed
    EXPECT_EQ(stagesOf([&] { leave(outLine); }), std::vector<int>{5});

    // Leaving MarginL copies a number into MarginR, which itself refuses "-".
    auto* marginL = field<QLineEdit>("MarginL");
    clear(marginL);
    QTest::keyClicks(marginL, "-5");
    EXPECT_EQ(stagesOf([&] { leave(marginL); }), kStyleStages);
    EXPECT_EQ(field<QLineEdit>("MarginR")->text(), "-5");

    // A frame width picked from the list is set as if typed and left.
    QAction* hd = field<QToolButton>("dispWidthValues")->menu()->actions().at(4);
    EXPECT_EQ(hd->text(), "1280");
    EXPECT_EQ(stagesOf([&] { hd->trigger(); }), (std::vector<int>{4, 11, 12, 14, 17}));
    EXPECT_EQ(field<QLineEdit>("dispWidth")->text(), "1280");

    // Enter in preTime fills the fade-in; ticking the fade shows and enables it.
    auto* preTime = field<QLineEdit>("preTime");
    clear(preTime);
    QTest::keyClicks(preTime, "9");
    QTest::keyClick(preTime, Qt::Key_Return);
    auto* fadeIn = field<QLineEdit>("FadeIn");
    EXPECT_FALSE(fadeIn->isEnabled());
    QTest::mouseClick(reveal(field<QCheckBox>("fadeInCheck")), Qt::LeftButton);
    EXPECT_TRUE(fadeIn->isEnabled());
    EXPECT_EQ(fadeIn->text(), "90");

    // An effect sample of the free setting fills the templates, shown from their start.
    auto* wipe = reveal(field<QComboBox>("wipe"));
    wipe->setFocus();
    QTest::keyClick(wipe, Qt::Key_Down);  // "1文字毎"
    for (const char* freeOnly : {"TagSample", "commandLine", "commandChar", "KaraokeWipe", "posNo", "DelayTime"})
        EXPECT_FALSE(field<QWidget>(freeOnly)->isEnabled()) << freeOnly;
    QTest::keyClick(wipe, Qt::Key_Down);
    QTest::keyClick(wipe, Qt::Key_Down);  // "縁ワイプ"
    EXPECT_TRUE(field<QWidget>("ClipWipe")->isEnabled());
    auto* exColours = qobject_cast<QStandardItemModel*>(field<QComboBox>("ExColor")->model());
    EXPECT_FALSE(exColours->item(3)->isEnabled());
    EXPECT_TRUE(exColours->item(2)->isEnabled());
    QTest::keyClick(wipe, Qt::Key_Down);  // "自由設定"
    EXPECT_TRUE(exColours->item(3)->isEnabled());
    EXPECT_FALSE(field<QWidget>("ClipWipe")->isEnabled());
    auto* sample = field<QComboBox>("TagSample");
    ASSERT_TRUE(sample->isEnabled());
    sample->setFocus();
    QTest::keyClick(sample, Qt::Key_Down);
    auto* perCharacter = field<QLineEdit>("commandChar");
    EXPECT_FALSE(perCharacter->text().isEmpty());
    EXPECT_EQ(perCharacter->cursorPosition(), 0);
}

// A value typed into a field that reacts only to being left is applied by
// Enter (and by the keypad's Enter) as well, once: leaving it afterwards
// unchanged runs nothing again.
TEST_F(WindowTest, EnterAppliesWhatLeavingApplies) {
    struct Case {
        const char* name;
        const char* typed;
        Qt::Key key;
        const char* shown;
        std::vector<int> stages;
    } cases[] = {
        {"rubyScale", "x", Qt::Key_Return, "0", {14}},
        {"ssaFontSize", "0", Qt::Key_Enter, "36", kStyleStages},  // "0" gives back the preset's size
        {"StyleNumber", "2", Qt::Key_Return, "2", {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto* e = reveal(field<QLineEdit>(c.name));
        e->setFocus();
        clear(e);
        // Typed as a user would, the field's key filter included.
        if (*c.typed) e->insert(c.typed);
        session->settings.setText(c.name, ss(e->text()));
        EXPECT_EQ(stagesOf([&] { QTest::keyClick(e, c.key, c.key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier); }),
                  c.stages);
        EXPECT_EQ(e->text(), c.shown);
        EXPECT_EQ(session->settings.text(c.name), c.shown);
        EXPECT_EQ(stagesOf([&] { leave(e); }), std::vector<int>{});
    }
}

// The checks' findings never stop the user: each change that leaves lines
// out of order or too wide lists them, line by line, in the reports pane
// (counted in the status bar), and choosing one shows that line. A file
// that cannot be read is still answered in a box.
TEST_F(WindowTest, CheckFindingsAreListedLineByLineWithoutABox) {
    // Line 2 is timed out of order.
    std::ofstream(dir / "odd.txt") << "[00:01:00]あ[00:02:00]\n[00:05:00]い[00:04:00]う[00:06:00]\n"
                                      "[00:08:00]え[00:09:00]\n";
    fileAnswer = qs((dir / "odd.txt").string());
    QTest::mouseClick(field<QPushButton>("Command1"), Qt::LeftButton);
    auto* list = window->findChild<QListWidget*>("reportsList");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 1);
    EXPECT_TRUE(list->item(0)->text().startsWith("2行目")) << ss(list->item(0)->text());
    EXPECT_TRUE(list->item(0)->text().contains("時間が前後")) << ss(list->item(0)->text());
    EXPECT_TRUE(window->findChild<QLabel*>("reportCount")->text().contains("1")) ;

    // A frame too narrow for every line, applied twice: no box, every line listed once.
    auto* width = reveal(field<QLineEdit>("dispWidth"));
    for (int i = 0; i < 2; ++i) {
        clear(width);
        QTest::keyClicks(width, "20");
        QTest::keyClick(width, Qt::Key_Return);
    }
    EXPECT_TRUE(messages.isEmpty()) << ss(messages.join('\n'));
    QStringList tooWide;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().contains("1行に収まりません")) tooWide << list->item(i)->text().section("行目", 0, 0);
    EXPECT_EQ(tooWide, (QStringList{"1", "2", "3"}));
    EXPECT_TRUE(window->findChild<QLabel*>("reportCount")->text().contains("4"));

    // Choosing the third line's entry shows the third line.
    QListWidgetItem* third = list->item(3);
    ASSERT_TRUE(third->text().startsWith("3行目"));
    list->scrollToItem(third);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(third).center());
    EXPECT_EQ(window->preview()->position(), window->preview()->lineStarts().at(2));

    // A file that cannot be read: a box naming it.
    fileAnswer = qs((dir / "missing.txt").string());
    QTest::mouseClick(field<QPushButton>("Command1"), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("missing.txt")) << ss(messages[0]);
}

// The window says everything in Japanese: its buttons and frames, and the
// core's messages about files that cannot be read or written (the command
// line keeps its English).
TEST_F(WindowTest, TheWindowSpeaksJapanese) {
    // English words left in a text once the file names it quotes are taken out.
    auto english = [](QString text, const QStringList& names) {
        for (const QString& n : names) text.remove(n);
        QStringList words;
        static const QRegularExpression word("[A-Za-z]{3,}");
        for (auto it = word.globalMatch(text); it.hasNext();) words << it.next().captured();
        words.removeAll("UTF");
        return words;
    };
    std::ofstream(dir / "clip.mp4") << "not lyrics";
    std::ofstream(dir / "song.txt") << "[00:01:00]あ[00:02:00]\n";
    fs::create_directories(dir / "song.ass");  // the script cannot be written
    const QStringList names{qs(dir.string()), "clip.mp4", "missing.txt", "song.txt", "song.ass", ".txt", ".kra"};
    for (const char* file : {"clip.mp4", "missing.txt", "song.txt"}) {
        fileAnswer = qs((dir / file).string());
        QTest::mouseClick(field<QPushButton>("Command1"), Qt::LeftButton);
    }
    QTest::mouseClick(field<QPushButton>("Command7"), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 3) << ss(messages.join('\n'));
    for (const QString& m : messages) EXPECT_EQ(english(m, names), QStringList{}) << ss(m);

    EXPECT_EQ(window->findChild<QGroupBox*>("frameStyleNumber")->title(), "スタイル番号");
    ui::CreditWindow credit(*session, window->dialogs(), window.get());
    EXPECT_EQ(credit.findChild<QPushButton*>("Command3")->text(), "キャンセル");
    ui::VersionWindow version(window->dialogs(), window.get());
    EXPECT_EQ(version.findChild<QPushButton*>("Command1")->text(), "閉じる");
}

// A file that is not lyrics (a video renamed, binary data) is refused with
// one message naming it; text without a time tag is offered to the timing
// window instead, and declined changes nothing. The song open stays, with
// its preview and the write command.
TEST_F(WindowTest, AFileThatIsNotLyricsLeavesTheSongOpen) {
    fileAnswer = qs(copyExample(dir / "song.txt").string());
    QTest::mouseClick(field<QPushButton>("Command1"), Qt::LeftButton);
    const auto lines = window->preview()->lineStarts();
    ASSERT_FALSE(lines.empty());
    std::string binary(64 * 1024, '\0');
    for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>((i * 7919u) >> 3);
    std::ofstream(dir / "video.txt", std::ios::binary) << binary;
    std::ofstream(dir / "notes.txt") << "@title=only a title\nno lyrics here\n";
    confirmAnswer = false;
    for (const char* name : {"video.txt", "notes.txt"}) {
        SCOPED_TRACE(name);
        messages.clear();
        confirmations.clear();
        fileAnswer = qs((dir / name).string());
        QTest::mouseClick(field<QPushButton>("Command1"), Qt::LeftButton);
        const bool plain = name == std::string("notes.txt");
        ASSERT_EQ(messages.size(), plain ? 0 : 1) << ss(messages.join('\n'));
        ASSERT_EQ(confirmations.size(), plain ? 1 : 0);
        if (!plain) EXPECT_TRUE(messages[0].startsWith(fileAnswer + ": 歌詞ファイルではありません")) << ss(messages[0]);
        EXPECT_EQ(fs::path(session->song.lyricsPath).filename(), "song.txt");
        EXPECT_EQ(window->preview()->lineStarts(), lines);
        EXPECT_TRUE(field<QPushButton>("Command7")->isEnabled());
        EXPECT_FALSE(window->statusBar()->currentMessage().contains(qs(name)));
        EXPECT_EQ(window->reportsPane()->count(), 0);
    }
}

TEST_F(WindowTest, CancelledDialogsChangeNothingAndChosenOnesFollowTheirRules) {
    const settings::ConversionSettings before = session->settings;
    auto* primary = field<QPushButton>("PrimaryColor");
    auto* mainFont = field<QPushButton>("Command2");
    EXPECT_EQ(stagesOf([&] {
                  QTest::mouseClick(primary, Qt::LeftButton);
                  QTest::mouseClick(mainFont, Qt::LeftButton);
              }),
              std::vector<int>{});
    EXPECT_EQ(dialogsOpened, 2);
    EXPECT_TRUE(session->settings == before);
    EXPECT_EQ(colourOffered, QColor(255, 255, 0));  // 65535 is yellow (0x00BBGGRR)
    EXPECT_EQ(fontOffered.family(), "MS UI Gothic");
    EXPECT_EQ(fontOffered.pointSize(), 36);

    // A picked fill colour of the standard style goes to the song information too (titleInfo 0).
    colourAnswer = QColor(255, 0, 0);
    EXPECT_EQ(stagesOf([&] { QTest::mouseClick(primary, Qt::LeftButton); }), std::vector<int>{5});
    EXPECT_EQ(session->settings.text("PrimaryColor"), "255");
    EXPECT_EQ(session->settings.text("titlePrimaryColor"), "255");
    EXPECT_TRUE(field<QPushButton>("titlePrimaryColor")->styleSheet().contains("#ff0000"));

    // Double-clicking the Sub1 frame copies the standard colours; the label 拡張色 the fill colours.
    QTest::mouseDClick(reveal(field<QWidget>("frameSub1")), Qt::LeftButton);
    EXPECT_EQ(session->settings.text("secondPrimaryColor"), "255");
    EXPECT_TRUE(field<QPushButton>("secondPrimaryColor")->styleSheet().contains("#ff0000"));
    session->settings.setText("thirdPrimaryColor", "7");
    QTest::mouseClick(field<QLabel>("exColorLabel"), Qt::LeftButton);
    EXPECT_EQ(session->settings.text("Command9"), "255");
    EXPECT_EQ(session->settings.text("Command12"), "7");

    // The main face becomes the ruby and song-information face as well.
    QFont chosen("IPAGothic");
    chosen.setPointSize(40);
    chosen.setBold(true);
    fontAnswer = chosen;
    EXPECT_EQ(stagesOf([&] { QTest::mouseClick(mainFont, Qt::LeftButton); }), kStyleStages);
    EXPECT_EQ(mainFont->text(), "IPAGothic");
    EXPECT_EQ(field<QPushButton>("Command6")->text(), "IPAGothic");
    EXPECT_EQ(field<QPushButton>("Command8")->text(), "IPAGothic");
    EXPECT_EQ(field<QLineEdit>("ssaFontSize")->text(), "40");
    EXPECT_EQ(session->settings.text("Command2.Bold"), "1");
    EXPECT_EQ(field<QLabel>("tagFontPixcel")->text(), qs(session->settings.text("tagFontPixcel")));
    EXPECT_NE(field<QLabel>("tagFontPixcel")->text(), "0");
    EXPECT_TRUE(messages.isEmpty()) << ss(messages.join('\n'));

    // Qt's own font dialog, accepted with only the size changed, keeps a face
    // this system lacks instead of the stand-in its list selected.
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QFont f = dialog->currentFont();
        f.setPointSize(48);
        dialog->setCurrentFont(f);
        dialog->accept();
    });
    const auto picked = ui::Dialogs::standard().font(window.get(), QFont("Kvelmor No Such Face", 36));
    ASSERT_TRUE(picked.has_value());
    EXPECT_EQ(picked->family(), "Kvelmor No Such Face");
    EXPECT_EQ(picked->pointSize(), 48);
}

TEST_F(WindowTest, PresetsSelectSaveAndDeleteAndADeletedPresetStaysDeleted) {
    auto* combo = field<QComboBox>("Combo2");
    EXPECT_EQ(combo->count(), 1);  // a first start lists "default" already
    QTest::mouseClick(field<QPushButton>("Command3"), Qt::LeftButton);  // saves "default"
    auto* songInfoX = field<QLineEdit>("songInfoX");
    EXPECT_FALSE(songInfoX->isEnabled());
    QTest::mouseClick(reveal(field<QCheckBox>("songInfoCheck")), Qt::LeftButton);
    EXPECT_TRUE(songInfoX->isEnabled());
    auto* width = reveal(field<QLineEdit>("dispWidth"));
    clear(width);
    QTest::keyClicks(width, "720");
    QTest::keyClick(width, Qt::Key_Return);

    combo->lineEdit()->clear();
    QTest::keyClicks(combo->lineEdit(), "info");
    QTest::mouseClick(field<QPushButton>("Command3"), Qt::LeftButton);
    EXPECT_EQ(messages, QStringList{"「info」の名称は使えません"});
    combo->lineEdit()->clear();
    QTest::keyClicks(combo->lineEdit(), "wide");
    QTest::mouseClick(field<QPushButton>("Command3"), Qt::LeftButton);
    ASSERT_EQ(combo->count(), 2);  // "default" and "wide"
    EXPECT_EQ(session->song.songInfo.title, "wide");  // a song without a title takes the typed name

    // Choosing "default" from the list loads it: fields and enabling follow.
    combo->setCurrentIndex(1);
    QTest::keyClick(combo, Qt::Key_Up);
    EXPECT_EQ(combo->currentText(), "default");
    EXPECT_EQ(width->text(), "640");
    EXPECT_FALSE(songInfoX->isEnabled());
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(width->text(), "720");
    EXPECT_TRUE(songInfoX->isEnabled());

    combo->setEditText("default");
    EXPECT_FALSE(field<QPushButton>("Command4")->isEnabled());  // "default" cannot be deleted
    // Deleting asks first; "no" keeps the preset.
    combo->setEditText("wide");
    confirmAnswer = false;
    QTest::mouseClick(field<QPushButton>("Command4"), Qt::LeftButton);
    EXPECT_EQ(confirmations, QStringList{QStringLiteral("プリセット「wide」を削除しますか?")});
    EXPECT_NE(combo->findText("wide"), -1);
    confirmAnswer = true;
    QTest::mouseClick(field<QPushButton>("Command4"), Qt::LeftButton);
    EXPECT_EQ(combo->currentText(), "default");
    EXPECT_EQ(width->text(), "640");
    window->close();

    // The next start and the command line see no "wide".
    open();
    EXPECT_EQ(field<QComboBox>("Combo2")->findText("wide"), -1);
    QProcess list;
    list.start(KVELMOR_BINARY, {"presets", "list", "--settings", qs(ini.string())});
    ASSERT_TRUE(list.waitForFinished(30000));
    EXPECT_EQ(QString::fromUtf8(list.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts), QStringList{"default"});
}

// What the window writes is what `kvelmor convert` writes with the settings
// file the window saved at shut-down.
TEST_F(WindowTest, LoadAndWriteGiveTheScriptOfTheCommandLine) {
    EXPECT_FALSE(field<QPushButton>("Command7")->isEnabled());
    auto* width = reveal(field<QLineEdit>("dispWidth"));
    clear(width);
    QTest::keyClicks(width, "800");
    QTest::keyClick(width, Qt::Key_Return);
    QTest::mouseClick(field<QCheckBox>("KraCheck"), Qt::LeftButton);
    QTest::mouseClick(reveal(field<QRadioButton>("DisplayType2")), Qt::LeftButton);
    EXPECT_FALSE(field<QLineEdit>("spaceTimePre")->isEnabled());

    fileAnswer = qs(copyExample(dir / "window" / "song.txt").string());
    QTest::mouseClick(field<QPushButton>("Command1"), Qt::LeftButton);
    EXPECT_TRUE(field<QPushButton>("Command5")->isEnabled());
    EXPECT_TRUE(field<QPushButton>("Command7")->isEnabled());
    EXPECT_TRUE(field<QPushButton>("Command10")->isEnabled());
    QTest::mouseClick(field<QPushButton>("Command7"), Qt::LeftButton);
    EXPECT_TRUE(fs::exists(dir / "window" / "song.kra"));
    EXPECT_TRUE(window->statusBar()->currentMessage().contains("song.ass"));
    window->close();
    EXPECT_TRUE(messages.isEmpty()) << ss(messages.join('\n'));

    const fs::path cli = copyExample(dir / "cli" / "song.txt");
    EXPECT_EQ(runKvelmor({"convert", "--settings", qs(ini.string()), qs(cli.string())}), 0);
    const std::string script = fileBytes(dir / "window" / "song.ass");
    EXPECT_NE(decodeText(script).utf8.find("PlayResX: 800"), std::string::npos);
    EXPECT_EQ(script, fileBytes(dir / "cli" / "song.ass"));
    EXPECT_EQ(fileBytes(dir / "window" / "song.kra"), fileBytes(dir / "cli" / "song.kra"));
}

TEST_F(WindowTest, BatchFromTheWindowGivesTheScriptsOfTheCommandLine) {
    for (const char* folder : {"window", "cli"}) {
        copyExample(dir / folder / "a.txt");
        copyExample(dir / folder / "b.txt");
        fs::create_directories(dir / folder / "b.ass");  // b's script cannot be written
        copyExample(dir / folder / "c.TXT");
    }
    // A song open and edited in the window, not yet written.
    fileAnswer = qs(copyExample(dir / "open" / "song.txt").string());
    QTest::mouseClick(field<QPushButton>("Command1"), Qt::LeftButton);
    std::string edited = app::lyricsEditText(session->song);
    edited.replace(edited.find("Hel"), 3, "HEL");
    ASSERT_TRUE(app::applyLyricsEdit(*session, edited));
    window->preview()->songOrSettingsChanged();
    const std::string openScript = session->scriptText();
    const auto openLines = window->preview()->lineStarts();

    folderAnswer = qs((dir / "window").string());
    finishBatchWhenDone();
    QTest::mousePress(field<QPushButton>("Command1"), Qt::RightButton);
    EXPECT_EQ(batchDone, "2");
    EXPECT_TRUE(batchProblems.contains(qs((dir / "window" / "b.txt").string()))) << ss(batchProblems);
    // The edited song is still the one shown, previewed and written.
    EXPECT_EQ(session->scriptText(), openScript);
    EXPECT_EQ(window->preview()->lineStarts(), openLines);
    EXPECT_TRUE(window->isWindowModified()) << "the edit is still in no lyrics file";
    QTest::mouseClick(field<QPushButton>("Command7"), Qt::LeftButton);
    EXPECT_NE(decodeText(fileBytes(dir / "open" / "song.ass")).utf8.find("HEL"), std::string::npos);
    window->close();

    EXPECT_EQ(runKvelmor({"batch", "--settings", qs(ini.string()), qs((dir / "cli").string())}), 2);
    for (const char* script : {"a.ass", "c.ass"})
        EXPECT_EQ(fileBytes(dir / "window" / script), fileBytes(dir / "cli" / script)) << script;
}

// The batch runs beside the window: the window keeps taking events, 中止
// stops it after the file under way, and a pipe named like a script is
// reported instead of holding the batch until something reads it.
TEST_F(WindowTest, ABatchRunsBesideTheWindowAndStopsWhenCancelled) {
    constexpr int kFiles = 60;
    for (int i = 0; i < kFiles; ++i) copyExample(dir / "songs" / (std::to_string(100 + i) + ".txt"));
    finishBatchWhenDone(true);
    window->startBatch(qs((dir / "songs").string()));
    EXPECT_TRUE(batchProblems.contains("中止しました")) << ss(batchProblems);
    EXPECT_EQ(batchState, "中止しました");
    const int done = batchDone.toInt();
    EXPECT_LT(done, kFiles);
    for (int i = 0; i < kFiles; ++i)
        EXPECT_EQ(fs::exists(dir / "songs" / (std::to_string(100 + i) + ".ass")), i < done) << i;

    copyExample(dir / "piped" / "a.txt");
    copyExample(dir / "piped" / "b.txt");
    ASSERT_EQ(mkfifo((dir / "piped" / "a.ass").c_str(), 0644), 0);
    finishBatchWhenDone();
    window->startBatch(qs((dir / "piped").string()));
    EXPECT_EQ(batchDone, "1");
    EXPECT_EQ(batchState, "完了");
    EXPECT_TRUE(batchProblems.contains("a.txt: スクリプト")) << ss(batchProblems);
    EXPECT_TRUE(fs::exists(dir / "piped" / "b.ass"));
}

// A settings file that cannot be saved at quit is named, and the user may
// make room and try again, save the settings to another file, or give them up.
TEST_F(WindowTest, ASettingsFileThatCannotBeSavedAtQuitIsSavedWhereTheUserSays) {
    const fs::path elsewhere = dir / "elsewhere" / "mine.ini";
    struct Case {
        const char* why;
        std::vector<QMessageBox::StandardButton> answers;
        fs::path savedTo;  // empty: nothing saved
    };
    const Case cases[] = {
        {"given up", {QMessageBox::Discard}, {}},
        {"retried once the folder is there", {QMessageBox::Retry, QMessageBox::Retry}, dir / "blocker" / "Kvelmor.ini"},
        {"saved to another file", {QMessageBox::Save}, elsewhere},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        window.reset();
        fs::remove_all(dir / "blocker");
        fs::remove_all(elsewhere.parent_path());
        std::ofstream(dir / "blocker") << "a file where a folder should be";
        ini = dir / "blocker" / "Kvelmor.ini";
        open();
        messages.clear();
        writeFailures.clear();
        saveAnswer = qs(elsewhere.string());
        // The first retry fails again; the second follows the removal of the file in the way.
        for (size_t i = 0; i < c.answers.size(); ++i)
            writeFailedAnswers.emplace_back(c.answers[i], [this, i, c] {
                if (i == 1 && !c.savedTo.empty()) {
                    fs::remove(dir / "blocker");
                    fs::create_directories(dir / "blocker");
                }
            });
        window->close();
        EXPECT_EQ(writeFailures.size(), static_cast<qsizetype>(c.answers.size()));
        EXPECT_TRUE(writeFailures.value(0).contains(qs(ini.string()))) << ss(writeFailures.value(0));
        if (c.savedTo.empty()) {
            ASSERT_EQ(messages.size(), 1);
            EXPECT_TRUE(messages[0].contains(qs(ini.string()))) << ss(messages[0]);
            EXPECT_FALSE(fs::exists(elsewhere));
            continue;
        }
        EXPECT_NE(fileBytes(c.savedTo).find("[default]"), std::string::npos);
        EXPECT_EQ(messages.size(), c.savedTo == elsewhere ? 1 : 0) << ss(messages.join('\n'));
        if (c.savedTo == elsewhere) EXPECT_TRUE(messages.value(0).contains(qs(elsewhere.string())));
    }
}

TEST_F(WindowTest, CreditWindowKeepsItsEditsOnlyOnOk) {
    const settings::CreditSettings stored = session->appState.credit;
    EXPECT_EQ(stored.text("posX"), "512");  // 640 × 8 / 10 for the frame in force
    auto edit = [&](ui::CreditWindow& w, const char* name, const char* keys) {
        auto* e = w.findChild<QLineEdit*>(name);
        EXPECT_TRUE(e) << name;
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Backspace);
        // Japanese text arrives from the input method as one insertion.
        if (QString::fromUtf8(keys).toLatin1() == QByteArray(keys)) QTest::keyClicks(e, keys);
        else e->insert(QString::fromUtf8(keys));
        leave(e);
        return e->text();
    };
    {
        ui::CreditWindow w(*session, window->dialogs(), window.get());
        EXPECT_EQ(edit(w, "titleStartS", "7x"), "07");  // digits only, one digit padded on leaving
        EXPECT_EQ(edit(w, "titleStartM", ""), "00");
        edit(w, "Credit", "歌詞: ミナト");
        QTest::mouseClick(w.findChild<QPushButton*>("Command3"), Qt::LeftButton);  // Cancel
    }
    EXPECT_TRUE(session->appState.credit == stored);

    ui::CreditWindow w(*session, window->dialogs(), window.get());
    auto* pixel = w.findChild<QLabel*>("FontPixcel");
    const QString pixelBefore = pixel->text();
    EXPECT_NE(pixelBefore, "0");
    QFont chosen("IPAGothic");
    chosen.setPointSize(60);
    fontAnswer = chosen;
    QTest::mouseClick(w.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    EXPECT_EQ(w.findChild<QLineEdit*>("CreditFontSize")->text(), "60");
    EXPECT_EQ(pixel->text(), pixelBefore);  // measured when the size field is left
    leave(w.findChild<QLineEdit*>("CreditFontSize"));
    EXPECT_GT(pixel->text().toInt(), pixelBefore.toInt());
    edit(w, "Credit", "歌詞: ミナト");
    QTest::mouseClick(w.findChild<QPushButton*>("Command2"), Qt::LeftButton);  // OK
    EXPECT_EQ(session->appState.credit.text("Credit"), "歌詞: ミナト");
    EXPECT_EQ(session->appState.credit.text("Command1"), "IPAGothic");
    EXPECT_EQ(session->appState.credit.text("CreditFontSize"), "60");
}

TEST_F(WindowTest, VersionWindowHelpAndPlacement) {
    ui::VersionWindow version(window->dialogs(), window.get());
    EXPECT_EQ(version.findChild<QLabel*>("Label1")->text(), "Kvelmor");
    EXPECT_EQ(version.findChild<QLabel*>("version")->text(), "2.0.19");
    EXPECT_TRUE(version.findChild<QLabel*>("Label3")->text().contains("https://kvelmor.org"));

    // The help page is missing beside the test program: three lines under "Kvelmor".
    window->findChild<QAction*>("menuHELPON")->trigger();
    ASSERT_EQ(messages.size(), 1);
    const QStringList lines = messages[0].split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "失敗しました。");
    EXPECT_EQ(lines[1], "指定されたファイルが見つかりませんでした。");
    EXPECT_EQ(lines[2], ui::helpFilePath());

    // Centred over a larger owner, aligned with the corner of a smaller one.
    QWidget owner, dialog;
    owner.setGeometry(100, 50, 800, 600);
    dialog.resize(200, 100);
    ui::placeOver(&dialog, &owner);
    EXPECT_EQ(dialog.pos(), owner.frameGeometry().topLeft() + QPoint((owner.frameGeometry().width() - 200) / 2,
                                                                     (owner.frameGeometry().height() - 100) / 2));
    dialog.resize(1000, 700);
    ui::placeOver(&dialog, &owner);
    EXPECT_EQ(dialog.pos(), owner.frameGeometry().topLeft());
}

// Help on a desktop without a browser: the message says that no browser
// could be started and gives the page's path. Whether one was started is
// told by the desktop's opener (xdg-open), here stand-ins on PATH.
TEST_F(WindowTest, HelpWithoutABrowserSaysSoAndGivesThePage) {
    const fs::path bin = dir / "bin";
    fs::create_directories(bin);
    const QByteArray path = qgetenv("PATH");
    auto opener = [&](int exitCode) {
        std::ofstream(bin / "xdg-open") << "#!/bin/sh\nexit " << exitCode << "\n";
        fs::permissions(bin / "xdg-open", fs::perms::owner_all);
        qputenv("PATH", QByteArray::fromStdString(bin.string()));
    };
    const ui::Dialogs standard = ui::Dialogs::standard();
    opener(3);  // "a required tool could not be found": no browser
    EXPECT_FALSE(standard.openExternally("https://kvelmor.org"));
    opener(0);
    EXPECT_TRUE(standard.openExternally("https://kvelmor.org"));
    qputenv("PATH", path);

    const QString page = ui::helpFilePath();
    // The page where the program looks for it, made for the test when it is not installed.
    const fs::path pageFile = ss(page);
    std::vector<fs::path> made;
    for (fs::path p = pageFile; !fs::exists(p); p = p.parent_path()) made.push_back(p);
    fs::create_directories(pageFile.parent_path());
    if (!made.empty()) std::ofstream(pageFile) << "<html></html>";
    window->findChild<QAction*>("menuHELPON")->trigger();  // the test's opener answers "not started"
    for (const fs::path& p : made) fs::remove(p);
    ASSERT_EQ(messages.size(), 1);
    const QStringList lines = messages[0].split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "失敗しました。");
    EXPECT_TRUE(lines[1].startsWith("ブラウザを起動できませんでした")) << ss(lines[1]);
    EXPECT_EQ(lines[2], page);
}

TEST_F(WindowTest, MediaInformationFillsTheFieldsOrNamesTheFileThatCannotBeRead) {
    const fs::path notMedia = copyExample(dir / "clip.mp4");
    fileAnswer = qs(notMedia.string());
    const settings::ConversionSettings before = session->settings;
    QTest::mouseClick(field<QPushButton>("Command13"), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(qs(notMedia.string()))) << ss(messages[0]);
    EXPECT_TRUE(session->settings == before);

    // A 720 × 480 clip of 6.5 s with square pixels; its times go to the song information too.
    const fs::path clip = dir / "clip.mkv";
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "color=c=black:s=720x480:d=6.5:r=10", "-c:v",
                            "ffv1", qs(clip.string())});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) GTEST_SKIP() << "ffmpeg could not make a clip";
    QTest::mouseClick(reveal(field<QCheckBox>("MediaTimeCheck")), Qt::LeftButton);
    messages.clear();
    fileAnswer = qs(clip.string());
    QTest::mouseClick(field<QPushButton>("Command13"), Qt::LeftButton);
    EXPECT_TRUE(messages.isEmpty()) << ss(messages.join('\n'));
    EXPECT_EQ(field<QLineEdit>("dispWidth")->text(), "720");
    EXPECT_EQ(field<QLineEdit>("dispHeight")->text(), "480");
    EXPECT_EQ(field<QLineEdit>("titleEndS")->text(), "06");
    EXPECT_EQ(field<QLineEdit>("titleStartS")->text(), "01");
    EXPECT_EQ(session->appState.credit.text("titleEndS"), "06");
    EXPECT_EQ(session->appState.mediaPath, dir.string());
}

// Every command's key works wherever the focus is: in the preset box right
// after start, in a number field, a spin box, a slider or a list, whose own
// bindings (end of line, steps) would take the key otherwise. Ctrl+PgDown
// and Ctrl+PgUp turn the tabs and change no field.
TEST_F(WindowTest, CommandKeysWinOverTheFieldsOwnBindings) {
    fileAnswer = qs(copyExample(dir / "song.txt").string());
    QTest::mouseClick(field<QPushButton>("Command1"), Qt::LeftButton);
    fileAnswer.clear();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    // A command on a key that every text field binds for itself on every
    // platform (Ctrl+E is "end of line" only where the keys follow X11).
    auto* claimed = new QAction(window.get());
    claimed->setObjectName("claimedByFields");
    claimed->setShortcut(QKeySequence::SelectAll);
    window->addAction(claimed);
    std::vector<QAction*> commands;
    for (QAction* a : window->findChildren<QAction*>())
        if (!a->shortcut().isEmpty() && a->isEnabled()) {
            QObject::disconnect(a, &QAction::triggered, nullptr, nullptr);  // counted, not run
            commands.push_back(a);
        }
    ASSERT_GE(commands.size(), 9u);
    auto* tabs = field<QTabWidget>("SSTab1");
    const settings::ConversionSettings before = session->settings;
    QWidget* fields[] = {field<QComboBox>("Combo2"), field<QLineEdit>("dispWidth"),
                         field<QSpinBox>("VScroll1"), field<QSlider>("PrimaryAlpha"), field<QComboBox>("wipe")};
    for (QWidget* w : fields) {
        reveal(w)->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), w) << ss(w->objectName());
        const int tab = tabs->currentIndex();
        for (QAction* a : commands) {
            SCOPED_TRACE(ss(w->objectName() + " " + a->objectName()));
            QSignalSpy triggered(a, &QAction::triggered);
            const QKeyCombination key = a->shortcut()[0];
            QTest::keyClick(w, key.key(), key.keyboardModifiers());
            EXPECT_EQ(triggered.size(), 1);
        }
        EXPECT_EQ(tabs->currentIndex(), tab) << "as often forward as back";
    }
    EXPECT_TRUE(session->settings == before);
}

// Small things a user relies on: a saved preset is said so, only a preset
// that can be deleted offers 設定削除, a song opens on its first line, a
// click on the time slider goes there, and a font dialog accepted as it was
// offered changes nothing.
TEST_F(WindowTest, PresetsSongsSliderAndFontsBehaveAsExpected) {
    auto* remove = field<QPushButton>("Command4");
    EXPECT_FALSE(remove->isEnabled());  // "default"
    auto* combo = field<QComboBox>("Combo2");
    combo->setEditText("mine");
    QTest::mouseClick(field<QPushButton>("Command3"), Qt::LeftButton);
    EXPECT_TRUE(window->statusBar()->currentMessage().contains("mine")) << ss(window->statusBar()->currentMessage());
    EXPECT_TRUE(remove->isEnabled());
    combo->setEditText("not saved");
    EXPECT_FALSE(remove->isEnabled());

    fileAnswer = qs(copyExample(dir / "song.txt").string());
    QTest::mouseClick(field<QPushButton>("Command1"), Qt::LeftButton);
    ui::PreviewPane* pane = window->preview();
    EXPECT_GT(pane->position(), pane->lineStarts().at(0));
    EXPECT_LT(pane->position(), pane->lineStarts().at(0) + 2000);  // within its lead-in

    auto* slider = window->findChild<QSlider*>("previewSlider");
    const QPoint threeQuarters(slider->width() * 3 / 4, slider->height() / 2);
    while (QWidget* popup = QApplication::activePopupWidget()) popup->close();  // the preset box's completion
    QTest::mouseRelease(window.get(), Qt::RightButton);  // an earlier test's batch press left it down
    QTest::mouseMove(slider, threeQuarters);
    QTest::mousePress(slider, Qt::LeftButton, {}, threeQuarters, 500);  // long after any earlier click
    QTest::mouseRelease(slider, Qt::LeftButton, {}, threeQuarters);
    EXPECT_NEAR(static_cast<double>(pane->position()) / slider->maximum(), 0.75, 0.1)
        << pane->position() << " of " << slider->maximum() << ", slider " << slider->width() << " wide";

    const settings::ConversionSettings before = session->settings;
    window->dialogs().font = [](QWidget*, const QFont& offered) { return std::optional<QFont>(offered); };
    QTest::mouseClick(field<QPushButton>("Command2"), Qt::LeftButton);
    EXPECT_TRUE(session->settings == before) << "行間 " << session->settings.text("MarginN");
}

// A preview video that is not media is refused as it is chosen, with one
// message naming it; later changes bring no message about it.
TEST_F(WindowTest, APreviewVideoThatIsNotMediaIsRefusedAtOnce) {
    std::ofstream(dir / "clip.mp4") << "not a video";
    fileAnswer = qs((dir / "clip.mp4").string());
    QTest::mouseClick(window->findChild<QPushButton*>("previewMedia"), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(fileAnswer + ": ")) << ss(messages[0]);
    EXPECT_TRUE(window->preview()->media().isEmpty());
    auto* width = reveal(field<QLineEdit>("dispWidth"));
    clear(width);
    QTest::keyClicks(width, "800");
    QTest::keyClick(width, Qt::Key_Return);
    EXPECT_EQ(messages.size(), 1) << ss(messages.join('\n'));
}

// The preview beside the tabs follows whatever changes the song: a field,
// the lyrics editor and the ruby editor opened from their buttons.
TEST_F(WindowTest, ThePreviewFollowsTheFieldsAndBothEditors) {
    ui::PreviewPane* pane = window->preview();
    ASSERT_NE(pane, nullptr);
    // The frame drawn once `action` has run and every redraw it asked for is done.
    auto frameAfter = [&](const std::function<void()>& action) {
        QSignalSpy shown(pane, &ui::PreviewPane::frameShown);
        action();
        // A key sent through the window may have its frame drawn before it returns.
        if (shown.isEmpty()) EXPECT_TRUE(shown.wait(10000));
        while (shown.wait(300)) {
        }
        return pane->frame();
    };

    fileAnswer = qs(copyExample(dir / "song.txt").string());
    QImage loaded = frameAfter([&] { QTest::mouseClick(field<QPushButton>("Command1"), Qt::LeftButton); });
    ASSERT_FALSE(pane->lineStarts().empty());
    // Mid-way through the first line, where its text is on screen.
    QImage sung = frameAfter([&] { pane->setPosition(pane->lineStarts()[0] + 1500); });
    EXPECT_EQ(sung.size(), QSize(640, 480));

    auto* margin = reveal(field<QLineEdit>("MarginV"));
    clear(margin);
    QTest::keyClicks(margin, "120");
    QImage raised = frameAfter([&] { QTest::keyClick(margin, Qt::Key_Return); });
    EXPECT_NE(raised, sung) << "a new bottom margin moves the lines";

    // The lyrics editor: the first lyric line's syllables replaced by one.
    QImage edited = frameAfter([&] { editFirstLine(); });
    EXPECT_NE(edited, raised) << "the edited line is drawn";

    // The ruby editor: a reading typed over the first character.
    whenShown("Form3", [](QDialog* d) {
        auto* view = d->findChild<QWidget*>("assText");
        QTest::keyClick(view, Qt::Key_Home);
        QTest::keyClick(view, Qt::Key_Space);
        auto* input = d->findChild<QLineEdit*>("Text1");
        input->setText(QStringLiteral("よみがな"));
        QTest::keyClick(input, Qt::Key_Return);
        d->close();
    });
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QImage withRuby = frameAfter([&] { QTest::keyClick(window->windowHandle(), Qt::Key_R, Qt::ControlModifier); });
    EXPECT_NE(withRuby, edited) << "the new reading is drawn";

    // The edits are in no file yet: the caption says so, and neither another
    // song nor closing the window drops them unasked.
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_TRUE(window->windowTitle().startsWith("song.txt")) << ss(window->windowTitle());
    unsavedAnswer = QMessageBox::Cancel;
    fileAnswer = qs(copyExample(dir / "other.txt").string());
    window->findChild<QAction*>("menuLoad")->trigger();
    EXPECT_FALSE(window->close());
    EXPECT_EQ(unsavedAsked, 2);
    EXPECT_EQ(fs::path(session->song.lyricsPath).filename(), "song.txt");
    EXPECT_FALSE(fs::exists(dir / "song.ass"));
    unsavedAnswer = QMessageBox::Save;  // saved as a lyrics file on the way out
    saveAnswer = qs((dir / "song.kra").string());
    EXPECT_TRUE(window->close());
    EXPECT_EQ(unsavedAsked, 3);
    const std::string lyrics = decodeText(fileBytes(dir / "song.kra")).utf8;
    EXPECT_NE(lyrics.find("ララ"), std::string::npos);  // the first ラ carries the reading
    EXPECT_NE(lyrics.find("よみがな"), std::string::npos);
    (void)loaded;
}

// A changed preset is marked in the preset box, and selecting a preset asks
// before the changes go: キャンセル keeps them, 破棄 drops them, 保存 keeps
// them in the preset they were made in.
TEST_F(WindowTest, ChangedPresetIsMarkedAndASwitchAsksBeforeDroppingIt) {
    auto* combo = field<QComboBox>("Combo2");
    auto* mark = field<QAction>("presetChangedMark");
    auto* width = reveal(field<QLineEdit>("dispWidth"));
    auto setWidth = [&](const char* w) { typeAndEnter(width, w); };
    auto choose = [&](const QString& name) { choosePreset(name); };
    setWidth("720");
    combo->lineEdit()->clear();
    QTest::keyClicks(combo->lineEdit(), "wide");
    QTest::mouseClick(field<QPushButton>("Command3"), Qt::LeftButton);
    EXPECT_FALSE(mark->isVisible());
    choose("default");  // nothing changed: no question
    EXPECT_EQ(unsavedAsked, 0);
    EXPECT_EQ(width->text(), "640");

    setWidth("800");
    EXPECT_TRUE(mark->isVisible());
    unsavedAnswer = QMessageBox::Cancel;
    choose("wide");
    EXPECT_EQ(unsavedAsked, 1);
    EXPECT_EQ(combo->currentText(), "default");
    EXPECT_EQ(width->text(), "800");
    EXPECT_TRUE(mark->isVisible());

    unsavedAnswer = QMessageBox::Discard;
    choose("wide");
    EXPECT_EQ(width->text(), "720");
    EXPECT_FALSE(mark->isVisible());
    EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("プリセット「wide」を読み込みました"));
    choose("default");
    EXPECT_EQ(width->text(), "640") << "800 was dropped on purpose";

    setWidth("900");
    unsavedAnswer = QMessageBox::Save;
    choose("wide");
    EXPECT_EQ(width->text(), "720");
    choose("default");
    EXPECT_EQ(width->text(), "900") << "kept in the preset it was made in";
    EXPECT_FALSE(mark->isVisible());
    EXPECT_EQ(unsavedAsked, 3);
}

// A preset holds settings only. Switching it lays the song out again as it
// is now, the reading just typed in the ruby editor included, exactly as a
// conversion of the song saved now with that preset does; and a song whose
// file says "@timeratio=1" keeps its own time correction through the switch,
// without touching the preset's WinAMP時間.
TEST_F(WindowTest, ASwitchOfPresetKeepsTheSongAsItIsNow) {
    auto* combo = field<QComboBox>("Combo2");
    auto* width = reveal(field<QLineEdit>("dispWidth"));
    auto setWidth = [&](const char* w) { typeAndEnter(width, w); };
    auto choose = [&](const QString& name) { choosePreset(name); };
    setWidth("720");
    // Three rows: bottom alignment moves the screens of fewer lines, readings and all.
    auto* rows = reveal(field<QComboBox>("LineNumber"));
    rows->setFocus();
    QTest::keyClick(rows, Qt::Key_Down);
    ASSERT_EQ(session->settings.text("LineNumber"), "2");
    combo->lineEdit()->clear();
    QTest::keyClicks(combo->lineEdit(), "wide");
    QTest::mouseClick(field<QPushButton>("Command3"), Qt::LeftButton);
    choose("default");

    const fs::path song = dir / "window" / "song.txt";
    fs::create_directories(song.parent_path());
    fs::create_directories(dir / "cli");
    // A last screen of one line, which bottom alignment moves down.
    ASSERT_TRUE(writeFileAtomically(song.string(),
                                    "@timeratio=1\n" + fileBytes(fs::path(KVELMOR_EXAMPLES) / "sakura_no_michi.txt") +
                                        "[01:30:00]終[01:30:00]([01:30:00]お[01:30:50])[01:30:50]わ[01:31:00]り[01:32:00]\n")
                    .ok);
    fileAnswer = qs(song.string());
    QTest::mouseClick(field<QPushButton>("Command1"), Qt::LeftButton);
    auto* winamp = field<QCheckBox>("WinAMPTime");
    EXPECT_TRUE(winamp->isChecked()) << "the file's correction is the song's, not the preset's";
    EXPECT_FALSE(field<QAction>("presetChangedMark")->isVisible());
    EXPECT_EQ(field<QLabel>("timeCorrection")->text(), QStringLiteral("時間補正: なし (曲の @timeratio=1)"));
    auto* findings = window->findChild<ui::ReportsPane*>()->findChild<QListWidget*>();
    ASSERT_NE(findings, nullptr);
    EXPECT_EQ(findings->findItems(QStringLiteral("@timeratio=1"), Qt::MatchContains).size(), 1)
        << "the check pane says the song and the preset disagree";

    whenShown("Form3", [](QDialog* d) {
        QTest::keyClick(d->findChild<QWidget*>("assText"), Qt::Key_Space);
        d->findChild<QLineEdit*>("Text1")->setText(QStringLiteral("はるる"));
        QTest::keyClick(d->findChild<QLineEdit*>("Text1"), Qt::Key_Return, Qt::ControlModifier);
    });
    pressOnWindow(Qt::Key_R, Qt::ControlModifier);
    ASSERT_NE(decodeText(session->scriptText()).utf8.find("はるる"), std::string::npos);

    setWidth("700");  // an unsaved change of "default", dropped on purpose
    unsavedAnswer = QMessageBox::Discard;
    choose("wide");
    EXPECT_EQ(unsavedAsked, 1);
    EXPECT_TRUE(winamp->isChecked());
    EXPECT_FALSE(session->options().timing.correction) << "the song's own correction outlasts the switch";
    EXPECT_EQ(field<QLabel>("timeCorrection")->text(), QStringLiteral("時間補正: なし (曲の @timeratio=1)"));
    QTest::mouseClick(field<QPushButton>("Command7"), Qt::LeftButton);
    const std::string written = fileBytes(dir / "window" / "song.ass");
    EXPECT_NE(decodeText(written).utf8.find("はるる"), std::string::npos);

    ASSERT_TRUE(session->saveLyrics((dir / "cli" / "song.txt").string()));
    EXPECT_EQ(runKvelmor({"convert", "--settings", qs(ini.string()), "--preset", "wide",
                          qs((dir / "cli" / "song.txt").string())}),
              0);
    EXPECT_EQ(written, fileBytes(dir / "cli" / "song.ass"));

    window->close();
    open();
    EXPECT_TRUE(field<QCheckBox>("WinAMPTime")->isChecked()) << "nothing of the song went into a preset at quit";
}

// The font dialog opens on the face a preset's Windows face name is drawn
// with (not the list's first entry), and accepted as offered keeps the name.
TEST_F(WindowTest, TheFontDialogOpensOnTheFaceTheNamedFaceIsDrawnWith) {
    QFont initial("MS UI Gothic");
    initial.setPointSize(36);
    const QString drawnWith = QFontInfo(initial).family();
    ASSERT_NE(drawnWith, QStringLiteral("MS UI Gothic")) << "the font aliases map it to a face of this system";
    QString offered;
    auto* timer = new QTimer(window.get());
    QObject::connect(timer, &QTimer::timeout, window.get(), [&offered, timer] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QFontDialog*>(w); d && d->isVisible()) {
                timer->stop();
                offered = d->currentFont().family();
                d->accept();
            }
    });
    timer->start(10);
    const std::optional<QFont> chosen = ui::Dialogs::standard().font(window.get(), initial);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(offered, drawnWith);
    EXPECT_EQ(chosen->family(), QStringLiteral("MS UI Gothic"));
}

// The timing window opens over the main window's centre, then where the
// user last left it (kept in the settings file); saved under another name,
// its title names that file.
TEST_F(WindowTest, TheTimingWindowOpensOverTheWindowThenWhereItWasLeft) {
    KVELMOR_NEED_FFMPEG();
    test::MediaFolder media("timing_place");
    const std::string song = media.make("song.wav", "-f lavfi -i sine=d=2");
    std::ofstream(dir / "plain.txt") << "さくら さくら\n";
    window->setGeometry(100, 80, 900, 700);
    QApplication::processEvents();
    ui::TimingWindow* timing = window->openTimingWindow(qs((dir / "plain.txt").string()), qs(song));
    ASSERT_NE(timing, nullptr);
    const QRect owner = window->frameGeometry();
    EXPECT_LE(std::abs(timing->frameGeometry().center().x() - owner.center().x()), 2);
    EXPECT_GE(timing->frameGeometry().top(), owner.top());

    ASSERT_TRUE(timing->saveTo(qs((dir / "timed.txt").string())));
    EXPECT_EQ(timing->windowTitle(), QStringLiteral("タイミング - timed.txt[*]"));
    const QRect moved(40, 30, 800, 600);
    timing->setGeometry(moved);
    QApplication::processEvents();
    const QRect left = timing->geometry();
    timing->close();
    QApplication::processEvents();
    window->close();
    open();
    ui::TimingWindow* again = window->openTimingWindow(qs((dir / "plain.txt").string()), qs(song));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->geometry(), left);
    again->close();
}

// Plain lyrics, the first file a new song has, are offered to the timing
// window, which opens on them with the song the preview plays; declined,
// nothing opens and the window keeps what it had.
TEST_F(WindowTest, PlainLyricsAreOfferedToTheTimingWindowWithThePreviewsSong) {
    KVELMOR_NEED_FFMPEG();
    test::MediaFolder media("plain_lyrics");
    const std::string song =
        media.make("song.mp4", "-f lavfi -i color=c=black:s=64x48:d=3 -f lavfi -i sine=d=3 -shortest");
    ASSERT_FALSE(song.empty());
    window->preview()->setMedia(qs(song));
    ASSERT_EQ(window->preview()->media(), qs(song));
    std::ofstream(dir / "plain.txt") << "@title=はじめての歌\nさくら さくら\n\nやよいの空は\n";
    fileAnswer = qs((dir / "plain.txt").string());
    for (const bool answer : {false, true}) {
        SCOPED_TRACE(answer);
        confirmAnswer = answer;
        confirmations.clear();
        QTest::mouseClick(field<QPushButton>("Command1"), Qt::LeftButton);
        ASSERT_EQ(confirmations.size(), 1);
        EXPECT_TRUE(confirmations[0].contains("plain.txt")) << ss(confirmations[0]);
        auto* timing = window->findChild<ui::TimingWindow*>();
        ASSERT_EQ(timing != nullptr, answer);
        EXPECT_TRUE(session->song.lyricsPath.empty()) << "nothing to lay out is opened as the song";
        EXPECT_TRUE(messages.isEmpty()) << ss(messages.join('\n'));
        if (!timing) continue;
        EXPECT_TRUE(timing->isVisible());
        EXPECT_EQ(timing->windowTitle(), QStringLiteral("タイミング - plain.txt[*]"));
        EXPECT_TRUE(timing->waitForSound()) << "the preview's song, not asked for again";
        timing->close();
    }
}

// Edits of the lyrics reach a lyrics file only through 歌詞を保存, which never
// replaces a file unasked; until then the caption and the status bar say so.
TEST_F(WindowTest, EditedLyricsAreSavedAsALyricsFileAndReadBack) {
    fileAnswer = qs(copyExample(dir / "song.txt").string());
    QTest::mouseClick(field<QPushButton>("Command1"), Qt::LeftButton);
    EXPECT_FALSE(window->isWindowModified());
    editFirstLine();
    EXPECT_TRUE(window->isWindowModified());
    QTest::mouseClick(field<QPushButton>("Command7"), Qt::LeftButton);
    EXPECT_TRUE(window->statusBar()->currentMessage().contains(QStringLiteral("歌詞の変更はまだ保存していません")))
        << ss(window->statusBar()->currentMessage());
    EXPECT_TRUE(window->isWindowModified()) << "the script is written, the lyrics file is not";

    const std::string original = fileBytes(dir / "song.txt");
    saveAnswer = qs((dir / "song.txt").string());
    confirmAnswer = false;
    pressOnWindow(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(confirmations, QStringList{QStringLiteral("「song.txt」は既にあります。上書きしますか?")});
    EXPECT_EQ(fileBytes(dir / "song.txt"), original);
    EXPECT_TRUE(window->isWindowModified());

    saveAnswer = qs((dir / "edited.kra").string());
    pressOnWindow(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(window->isWindowModified());
    EXPECT_TRUE(window->windowTitle().startsWith("edited.kra")) << ss(window->windowTitle());
    window->close();
    EXPECT_EQ(unsavedAsked, 0);

    open();
    fileAnswer = qs((dir / "edited.kra").string());
    QTest::mouseClick(field<QPushButton>("Command1"), Qt::LeftButton);
    EXPECT_EQ(session->song.workLines[1].plainText, "ラララ");
    EXPECT_FALSE(session->song.songInfo.title.empty());
    EXPECT_TRUE(messages.isEmpty()) << ss(messages.join('\n'));
}

// Edits not yet saved outlive a crash: kept every few seconds, offered at
// the next start naming the song and when they were kept, and restored as
// the song edited and unsaved. Let go, or saved, they are offered no more;
// a damaged file is said and set aside, never restored.
TEST_F(WindowTest, EditsLeftUnsavedByACrashAreOfferedAtTheNextStart) {
    test_support::ScopedStateFolder state(dir / "state");
    const fs::path song = copyExample(dir / "song.txt");
    fileAnswer = qs(song.string());
    QTest::mouseClick(field<QPushButton>("Command1"), Qt::LeftButton);
    editFirstLine();
    ASSERT_TRUE(session->lyricsEdited);
    const std::string edited = session->lyricsFileText();
    const std::string kept = recoveryPath(app::editedLyricsKey(song.string()));
    // Kept within its period (3 s); the status bar names the file.
    ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(kept); }, 5000));
    EXPECT_TRUE(window->statusBar()->currentMessage().contains(qs(kept))) << ss(window->statusBar()->currentMessage());
    // Killed: the window goes without being closed.
    QStringList offered;
    bool restore = true;
    const auto answerRestore = [&] {
        window->dialogs().restore = [&](QWidget*, const QString&, const QString& text) {
            offered << text;
            return restore;
        };
    };
    open();
    answerRestore();
    ASSERT_TRUE(window->offerRecovery());
    ASSERT_EQ(offered.size(), 1);
    EXPECT_TRUE(offered[0].contains(QStringLiteral("「song.txt」"))) << ss(offered[0]);
    EXPECT_TRUE(offered[0].contains(QRegularExpression("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d"))) << ss(offered[0]);
    EXPECT_EQ(session->song.lyricsPath, song.string());
    EXPECT_TRUE(session->lyricsEdited);
    EXPECT_EQ(session->lyricsFileText(), edited);
    EXPECT_EQ(session->song.workLines[1].plainText, "ラララ");
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_TRUE(fs::exists(kept));  // until saved or let go
    // Let go at closing: nothing to offer at the next start.
    unsavedAnswer = QMessageBox::Discard;
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(fs::exists(kept));
    open();
    answerRestore();
    offered.clear();
    EXPECT_FALSE(window->offerRecovery());
    EXPECT_TRUE(offered.isEmpty());

    // Refused at the start: the file goes, and the song is not opened.
    fileAnswer = qs(song.string());
    QTest::mouseClick(field<QPushButton>("Command1"), Qt::LeftButton);
    editFirstLine();
    ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(kept); }, 5000));
    open();
    answerRestore();
    restore = false;
    EXPECT_FALSE(window->offerRecovery());
    EXPECT_EQ(offered.size(), 1);
    EXPECT_FALSE(fs::exists(kept));
    EXPECT_TRUE(session->song.lyricsPath.empty());

    // Cut short: said, naming where it was set aside, and not restored.
    const std::string whole = recoveryFileText({app::editedLyricsKey(song.string()), 1, 1, edited});
    std::ofstream(kept, std::ios::binary) << whole.substr(0, whole.size() / 2);
    messages.clear();
    restore = true;
    EXPECT_FALSE(window->offerRecovery());
    EXPECT_EQ(offered.size(), 1);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(qs(kept + ".cut"))) << ss(messages[0]);
    EXPECT_TRUE(session->song.lyricsPath.empty());
}

// The next start finds the window as it was left: its size, the splitter,
// the song, the preview video and the recent files; a file that is gone
// leaves the list with a note.
TEST_F(WindowTest, TheNextStartRemembersTheWindowTheSongAndTheRecentFiles) {
    const fs::path first = copyExample(dir / "a" / "first.txt");
    const fs::path second = copyExample(dir / "b" / "second.txt");
    for (const fs::path& p : {first, second}) {
        fileAnswer = qs(p.string());
        QTest::mouseClick(field<QPushButton>("Command1"), Qt::LeftButton);
    }
    window->resize(1000, 700);
    window->splitter()->setSizes({600, 400});
    const QList<int> splitterSizes = window->splitter()->sizes();
    const fs::path clip = dir / "clip.mkv";
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "color=c=black:s=320x240:d=2:r=10", "-c:v", "ffv1",
                            qs(clip.string())});
    const bool haveClip = ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0;
    if (haveClip) window->preview()->setMedia(qs(clip.string()));
    EXPECT_TRUE(window->close());

    open();
    window->reopenLastSong();
    EXPECT_EQ(window->size(), QSize(1000, 700));
    EXPECT_EQ(window->splitter()->sizes(), splitterSizes);
    EXPECT_EQ(session->song.lyricsPath, second.string());
    if (haveClip) EXPECT_EQ(window->preview()->media(), qs(clip.string()));
    auto recent = [&] {
        QStringList paths;
        for (QAction* a : field<QMenu>("menuRecent")->actions())
            if (a->data().isValid()) paths << a->data().toString();
        return paths;
    };
    EXPECT_EQ(recent(), (QStringList{qs(second.string()), qs(first.string())}));
    // Ctrl+O opens in the folder of the song that is open.
    QString offered;
    window->dialogs().openFile = [&](QWidget*, const QString&, const QString& folder, const QString&) {
        offered = folder;
        return QString();
    };
    window->findChild<QAction*>("menuLoad")->trigger();
    EXPECT_EQ(offered, qs((dir / "b").string()));
    // A recent file opens from the menu.
    field<QMenu>("menuRecent")->actions().at(1)->trigger();
    EXPECT_EQ(session->song.lyricsPath, first.string());
    EXPECT_EQ(recent(), (QStringList{qs(first.string()), qs(second.string())}));
    EXPECT_TRUE(window->close());

    fs::remove(first);
    open();
    EXPECT_EQ(recent(), QStringList{qs(second.string())});
    EXPECT_TRUE(window->statusBar()->currentMessage().contains(qs(first.string())))
        << ss(window->statusBar()->currentMessage());
    window->reopenLastSong();
    EXPECT_TRUE(session->song.lyricsPath.empty());
    EXPECT_TRUE(window->statusBar()->currentMessage().contains(qs(first.string())));
    EXPECT_TRUE(messages.isEmpty()) << ss(messages.join('\n'));
}

// A lyrics file dropped on the window opens, asking first while edits are
// unsaved; a video dropped on the preview becomes the preview's video.
TEST_F(WindowTest, DroppedFilesOpenAsSongOrPreviewVideo) {
    auto drop = [&](const fs::path& file, QWidget* over) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(qs(file.string()))});
        const QPointF at = over->mapTo(window.get(), over->rect().center());
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &dropped);
        QTest::qWait(50);  // the file opens once the drop is over
    };
    const fs::path song = copyExample(dir / "song.txt");
    const fs::path other = copyExample(dir / "other.kra");
    drop(song, field<QTabWidget>("SSTab1"));
    EXPECT_EQ(session->song.lyricsPath, song.string());

    editFirstLine();
    unsavedAnswer = QMessageBox::Cancel;
    drop(other, field<QTabWidget>("SSTab1"));
    EXPECT_EQ(unsavedAsked, 1);
    EXPECT_EQ(session->song.lyricsPath, song.string());
    unsavedAnswer = QMessageBox::Discard;
    drop(other, window->preview());
    EXPECT_EQ(session->song.lyricsPath, other.string());

    const fs::path clip = dir / "clip.mkv";
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "color=c=black:s=320x240:d=2:r=10", "-c:v", "ffv1",
                            qs(clip.string())});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) GTEST_SKIP() << "ffmpeg could not make a clip";
    drop(clip, window->preview());
    EXPECT_EQ(window->preview()->media(), qs(clip.string()));
    EXPECT_EQ(session->song.lyricsPath, other.string());
    EXPECT_TRUE(messages.isEmpty()) << ss(messages.join('\n'));
}

// Every kind of step is undone back to the song as loaded and redone to the
// end, the script matching at each step: a field, a colour, a font, a box
// that rebuilds the lines, the two editors and a preset switch that dropped
// unsaved changes and the ruby editor's reading.
TEST_F(WindowTest, UndoAndRedoWalkBackAndForthThroughEveryKindOfStep) {
    fileAnswer = qs(copyExample(dir / "song.txt").string());
    QTest::mouseClick(field<QPushButton>("Command1"), Qt::LeftButton);
    auto* combo = field<QComboBox>("Combo2");
    combo->lineEdit()->clear();
    QTest::keyClicks(combo->lineEdit(), "other");
    QTest::mouseClick(field<QPushButton>("Command3"), Qt::LeftButton);
    auto* width = reveal(field<QLineEdit>("dispWidth"));
    std::vector<std::string> scripts{session->scriptText()};
    std::vector<QString> widths{width->text()};
    auto step = [&](const std::function<void()>& make) {
        make();
        scripts.push_back(session->scriptText());
        widths.push_back(width->text());
    };
    step([&] {
        clear(width);
        QTest::keyClicks(width, "800");
        QTest::keyClick(width, Qt::Key_Return);
    });
    step([&] {
        colourAnswer = QColor(255, 0, 0);
        QTest::mouseClick(reveal(field<QPushButton>("PrimaryColor")), Qt::LeftButton);
    });
    step([&] {
        fontAnswer = QFont("DejaVu Sans", 40);
        QTest::mouseClick(reveal(field<QPushButton>("Command2")), Qt::LeftButton);
    });
    step([&] { QTest::mouseClick(reveal(field<QCheckBox>("kaigyo")), Qt::LeftButton); });
    step([&] { editFirstLine(); });
    step([&] {  // opened at the line the preview shows
        window->preview()->setPosition(window->preview()->lineStarts().at(1) + 500);
        whenShown("Form3", [](QDialog* d) {
            EXPECT_EQ(static_cast<ui::RubyEditor*>(d)->editing().currentLine(), 2);
            auto* view = d->findChild<QWidget*>("assText");
            QTest::keyClick(view, Qt::Key_Space);
            d->findChild<QLineEdit*>("Text1")->setText(QStringLiteral("よみ"));
            QTest::keyClick(d->findChild<QLineEdit*>("Text1"), Qt::Key_Return, Qt::ControlModifier);
        });
        pressOnWindow(Qt::Key_R, Qt::ControlModifier);
    });
    step([&] {  // "other" has unsaved changes: dropped on purpose
        combo->setCurrentIndex(1);
        QTest::keyClick(combo, Qt::Key_Up);
        ASSERT_EQ(combo->currentText(), "default");
    });
    EXPECT_EQ(unsavedAsked, 1);
    EXPECT_NE(decodeText(scripts.back()).utf8.find("よみ"), std::string::npos) << "a preset holds settings, not readings";
    auto* undo = window->findChild<QAction*>("menuUndo");
    EXPECT_EQ(undo->text(), QStringLiteral("元に戻す(&U): プリセット「default」の読み込み"));

    // Back: Ctrl+Z, the first time with the focus in a field.
    width->setFocus();
    for (size_t i = scripts.size() - 1; i > 0; --i) {
        SCOPED_TRACE(i);
        pressOnWindow(Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(session->scriptText(), scripts[i - 1]);
        EXPECT_EQ(width->text(), widths[i - 1]);
    }
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("元に戻しました: 「動画の横幅」の変更"));
    EXPECT_EQ(combo->currentText(), "other");
    // And forth: Ctrl+Y and Ctrl+Shift+Z in turn.
    for (size_t i = 1; i < scripts.size(); ++i) {
        SCOPED_TRACE(i);
        pressOnWindow(i % 2 ? Qt::Key_Y : Qt::Key_Z,
                      i % 2 ? Qt::ControlModifier : Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(session->scriptText(), scripts[i]);
        EXPECT_EQ(width->text(), widths[i]);
    }
    EXPECT_EQ(combo->currentText(), "default");
    // A field's typing not yet applied is undone first, and only it.
    clear(width);
    QTest::keyClicks(width, "1000");
    pressOnWindow(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(width->text(), widths.back());
    EXPECT_EQ(session->scriptText(), scripts.back());
    EXPECT_TRUE(messages.isEmpty()) << ss(messages.join('\n'));
}

// The windows in English while the test runs, in Japanese again after it.
struct InEnglish {
    InEnglish() { EXPECT_TRUE(ui::useLanguage(ui::Language::English)); }
    ~InEnglish() { ui::useLanguage(ui::Language::Japanese); }
};

// In English the window, its menus, buttons, status bar and the checks'
// findings speak English; the script, tag file and settings file written
// are the same bytes as in Japanese; the Language menu keeps its choice
// beside the settings file, not in it.
TEST_F(WindowTest, InEnglishEverythingWrittenIsTheSameAsInJapanese) {
    // What one run writes: the song loaded, a line made to start too early,
    // the script and tag file written, the window closed.
    auto run = [&](const char* folder) {
        auto* width = reveal(field<QLineEdit>("dispWidth"));
        clear(width);
        QTest::keyClicks(width, "800");
        QTest::keyClick(width, Qt::Key_Return);
        if (!field<QCheckBox>("KraCheck")->isChecked()) QTest::mouseClick(field<QCheckBox>("KraCheck"), Qt::LeftButton);
        fileAnswer = qs(copyExample(dir / folder / "song.txt").string());
        QTest::mouseClick(field<QPushButton>("Command1"), Qt::LeftButton);
        QTest::mouseClick(field<QPushButton>("Command7"), Qt::LeftButton);
        std::vector<std::string> written{fileBytes(dir / folder / "song.ass"), fileBytes(dir / folder / "song.kra")};
        window->close();
        written.push_back(fileBytes(ini));
        return written;
    };
    // Twice in Japanese: the second run starts, as the English one does,
    // from the window's place and size kept by the first.
    run("song");
    EXPECT_EQ(window->findChild<QPushButton*>("Command7")->text(), "ファイル作成");
    open();
    const auto japanese = run("song");

    InEnglish english;
    open();
    QStringList menus;
    for (QAction* a : window->menuBar()->actions()) menus << a->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Edit", "&Credit", "&Language", "&Help"}));
    const std::map<std::string, QString> buttons{{"Command1", "Load Lyrics"}, {"Command10", "Edit Lyrics"},
                                                 {"Command5", "Ruby"}, {"Command7", "Write Script"},
                                                 {"Command3", "Save Preset"}, {"Command13", "Read Media Info"}};
    for (const auto& [name, text] : buttons) EXPECT_EQ(field<QPushButton>(name.c_str())->text(), text) << name;
    EXPECT_EQ(window->findChild<QAction*>("menuWrite")->text(), "Write &Script");
    // The settings' captions, from the schema: tabs, frames, labels, boxes,
    // options, list entries, tooltips, and the undo texts made of them.
    EXPECT_EQ(window->findChild<QTabWidget*>("SSTab1")->tabText(0), "Basic");
    EXPECT_EQ(window->findChild<QGroupBox*>("frameSize")->title(), "Video size");
    EXPECT_EQ(field<QRadioButton>("DisplayType1")->text(), "Show a screen at a time");
    EXPECT_EQ(field<QCheckBox>("KraCheck")->text(), "Write .kra");
    EXPECT_EQ(field<QComboBox>("ExColor")->itemText(4), "sung colour");
    EXPECT_EQ(field<QLineEdit>("upTime")->toolTip(), "Moves every tag time earlier or later");
    auto* width = reveal(field<QLineEdit>("dispWidth"));
    clear(width);
    QTest::keyClicks(width, "720");
    QTest::keyClick(width, Qt::Key_Return);
    EXPECT_TRUE(window->findChild<QAction*>("menuUndo")->text().endsWith("Change of \"Width\""))
        << ss(window->findChild<QAction*>("menuUndo")->text());
    const auto inEnglish = run("song");
    EXPECT_TRUE(window->statusBar()->currentMessage().startsWith("Written: ")) << ss(window->statusBar()->currentMessage());
    ASSERT_EQ(inEnglish.size(), japanese.size());
    // The settings file but for the window's size: the window is never
    // narrower than its buttons' captions, which are shorter in English.
    auto withoutWindowSize = [](std::string ini) {
        for (const char* key : {"windowGeometry=", "windowSplitter="})
            if (const size_t at = ini.find(key); at != std::string::npos) ini.erase(at, ini.find('\n', at) + 1 - at);
        return ini;
    };
    EXPECT_EQ(inEnglish[0], japanese[0]) << "the script";
    EXPECT_EQ(inEnglish[1], japanese[1]) << "the tag file";
    EXPECT_EQ(withoutWindowSize(inEnglish[2]), withoutWindowSize(japanese[2])) << "the settings file";

    // The checks' findings in English: line 2 timed out of order, every line too wide for the frame.
    open();
    std::ofstream(dir / "odd.txt") << "[00:01:00]あ[00:02:00]\n[00:05:00]い[00:04:00]う[00:06:00]\n"
                                      "[00:08:00]え[00:09:00]\n";
    fileAnswer = qs((dir / "odd.txt").string());
    QTest::mouseClick(field<QPushButton>("Command1"), Qt::LeftButton);
    width = reveal(field<QLineEdit>("dispWidth"));
    clear(width);
    QTest::keyClicks(width, "20");
    QTest::keyClick(width, Qt::Key_Return);
    auto* pane = window->findChild<ui::ReportsPane*>();
    auto* list = pane->findChild<QListWidget*>();
    QStringList findings;
    for (int i = 0; i < list->count(); ++i) findings << list->item(i)->text();
    EXPECT_EQ(findings.filter(QRegularExpression("^line 2 \"いう\": times out of order \\(0:00:05.00\\)$")).size(), 1)
        << ss(findings.join('\n'));
    EXPECT_EQ(findings.filter(QRegularExpression("^line \\d \".*\": too wide for the screen \\(left edge")).size(), 3)
        << ss(findings.join('\n'));
    for (const QString& f : findings) EXPECT_FALSE(f.contains(QRegularExpression("[行秒幅]"))) << ss(f);
    EXPECT_TRUE(pane->findChild<QLabel*>()->text().startsWith("Checks: ")) << ss(pane->findChild<QLabel*>()->text());

    // 表示言語 / Language: kept beside the settings file, asked in both languages.
    const std::string settings = fileBytes(ini);
    confirmAnswer = false;
    window->findChild<QAction*>("menuLanguageJa")->trigger();
    ASSERT_EQ(confirmations.size(), 1);
    EXPECT_TRUE(confirmations[0].contains("Restart now?") && confirmations[0].contains(QStringLiteral("日本語")));
    EXPECT_EQ(ui::storedLanguage(ini.string()), ui::Language::Japanese);
    EXPECT_EQ(ui::startLanguage("", ini.string()), ui::Language::Japanese);
    EXPECT_EQ(ui::startLanguage("en", ini.string()), ui::Language::English);
    EXPECT_EQ(fileBytes(ini), settings);
    EXPECT_TRUE(window->isVisible());  // not restarted
}

// Every window in English, in the states a user sees: no text outside the
// areas of kNotYetInEnglish still holds Japanese (lyrics and language names
// are shown as written). The list printed names each one left.
TEST_F(WindowTest, NoWindowInEnglishLeavesAJapaneseText) {
    InEnglish english;
    open();
    QStringList left;
    auto check = [&](QWidget* w) {
        w->show();
        for (const QString& t : test::untranslatedTexts(w)) left << w->objectName() + " > " + t;
    };
    check(window.get());  // no song yet: the preview's hint
    auto* samples = field<QComboBox>("TagSample");
    EXPECT_EQ(samples->itemText(0), "Step");
    EXPECT_EQ(samples->itemText(14), "Characters: notes");
    fileAnswer = qs(copyExample(dir / "song" / "song.txt").string());
    QTest::mouseClick(field<QPushButton>("Command1"), Qt::LeftButton);
    QTest::mouseClick(field<QPushButton>("Command7"), Qt::LeftButton);
    left << window->statusBar()->currentMessage();
    check(window.get());
    // The boxes of failures: a file that is not lyrics, a script that cannot be written.
    std::ofstream(dir / "clip.mp4") << "not lyrics";
    fileAnswer = qs((dir / "clip.mp4").string());
    QTest::mouseClick(field<QPushButton>("Command1"), Qt::LeftButton);
    fs::remove(dir / "song" / "song.ass");
    fs::create_directories(dir / "song" / "song.ass");
    QTest::mouseClick(field<QPushButton>("Command7"), Qt::LeftButton);
    EXPECT_EQ(messages.size(), 2) << ss(messages.join('\n'));
    left << messages;

    ui::LyricsEditor lyrics(*session, window.get());
    check(&lyrics);
    ui::RubyEditor ruby(*session, window.get());
    check(&ruby);
    ui::VersionWindow version(window->dialogs(), window.get());
    check(&version);
    ui::CreditWindow credit(*session, window->dialogs(), window.get());
    check(&credit);
    ui::VideoExportDialog video(*session, window->dialogs(), QString(), window.get());
    check(&video);
    ui::TimingWindow timing(*session, window->dialogs());
    check(&timing);  // no song open yet
    ASSERT_TRUE(timing.openLyrics(qs((dir / "song" / "song.txt").string())));
    check(&timing);
    // The batch window at its end, one of its songs not written.
    ui::BatchWindow batch(*session, qs((dir / "song").string()), window.get());
    check(&batch);
    QTRY_VERIFY_WITH_TIMEOUT(batch.findChild<QPushButton*>("Command1")->isVisible(), 20000);
    check(&batch);
    batch.accept();

    left = left.filter(QRegularExpression(QStringLiteral("[\\x{3040}-\\x{30FF}\\x{3400}-\\x{9FFF}\\x{FF66}-\\x{FF9F}]")));
    for (QString& t : left) t.remove(qs(dir.string()));  // file names are the user's
    left = left.filter(QRegularExpression(QStringLiteral("[\\x{3040}-\\x{30FF}\\x{3400}-\\x{9FFF}\\x{FF66}-\\x{FF9F}]")));
    EXPECT_TRUE(left.isEmpty()) << ss(left.join('\n'));
}
