// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ruby_editor.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QKeyEvent>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <functional>

#include "common/encoding.h"
#include "support/loaded_session.h"

using namespace kvelmor;
using test_support::LoadedSession;
using ui::RubyEditor;

namespace {

// 春 の 風 with a tag between each: character slots 2, 4 and 6.
const std::string kSpring = "[00:01:00]春[00:01:50]の[00:02:00]風[00:03:00]\n";
const std::string kOther = "[00:04:00]空[00:05:00]\n";

QWidget* view(RubyEditor& e) { return e.findChild<QWidget*>("assText"); }
QLineEdit* input(RubyEditor& e) { return e.findChild<QLineEdit*>("Text1"); }

void press(RubyEditor& e, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* target = e.typing() ? static_cast<QWidget*>(input(e)) : view(e);
    // Sent as events, since QTest cannot click keys it has no character for (Clear).
    QKeyEvent down(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(target, &down);
    QKeyEvent up(QEvent::KeyRelease, key, mods);
    QApplication::sendEvent(target, &up);
}

// A reading as a Japanese input method commits it.
void typeReading(RubyEditor& e, const QString& reading) {
    QInputMethodEvent commit;
    commit.setCommitString(reading);
    QApplication::sendEvent(input(e), &commit);
}

// Runs the editor modally, `drive` pressing keys once it is up, then closes it.
int runModal(RubyEditor& e, const std::function<void()>& drive) {
    QTimer::singleShot(0, &e, [&] {
        drive();
        e.close();
    });
    return e.exec();
}

}  // namespace

// Each group of keys reaches its operation: state after every press.
TEST(RubyEditorWindow, KeysReachTheOperations) {
    LoadedSession s("ui_keys");
    s.load(kSpring + kSpring + kOther);
    RubyEditor e(s.session, nullptr);
    e.show();
    const auto& ed = e.editing();
    struct Step {
        const char* why;
        int key;
        Qt::KeyboardModifiers mods;
        int line, cursor, cellWidth;
    };
    const Qt::KeyboardModifiers pad = Qt::KeypadModifier;
    const std::vector<Step> steps = {
        {"right over a tag", Qt::Key_Right, {}, 1, 4, 1},
        {"keypad 6 is right", Qt::Key_6, pad, 1, 6, 1},
        {"right wraps", Qt::Key_Right, {}, 1, 2, 1},
        {"left wraps", Qt::Key_Left, {}, 1, 6, 1},
        {"keypad 4 is left", Qt::Key_4, pad, 1, 4, 1},
        {"home", Qt::Key_Home, {}, 1, 2, 1},
        {"end", Qt::Key_End, {}, 1, 6, 1},
        {"shift+right widens", Qt::Key_Right, Qt::ShiftModifier, 1, 6, 2},
        {"shift+keypad 6 widens", Qt::Key_6, Qt::ShiftModifier | pad, 1, 6, 3},
        {"shift+left narrows", Qt::Key_Left, Qt::ShiftModifier, 1, 6, 2},
        // A new line starts with the cell of its first word.
        {"up wraps to the last line", Qt::Key_Up, {}, 3, 2,1},
        {"down wraps to the first", Qt::Key_Down, {}, 1, 2,1},
        {"keypad 2 is down", Qt::Key_2, pad, 2, 2,1},
        {"keypad 8 is up", Qt::Key_8, pad, 1, 2,1},
    };
    for (const Step& st : steps) {
        SCOPED_TRACE(st.why);
        press(e, st.key, st.mods);
        EXPECT_EQ(ed.currentLine(), st.line);
        EXPECT_EQ(ed.cursorSlot(), st.cursor);
        EXPECT_EQ(ed.cellWidth(), st.cellWidth);
    }
    EXPECT_EQ(e.windowTitle(), QStringLiteral("ルビ(1行目)"));

    // Marks: C / Page Up / keypad 9 the line, X / Page Down / keypad 1 the cursor's character.
    auto marks = [&] {
        std::string m;
        for (int k = 1; k <= ed.line().unitCount; ++k) m += ed.line().unit(k).cellMark ? '1' : '0';
        return m;
    };
    const std::vector<std::pair<std::pair<int, Qt::KeyboardModifiers>, std::string>> markSteps = {
        {{Qt::Key_X, {}}, "0100000"},        {{Qt::Key_C, {}}, "0000000"},
        {{Qt::Key_PageUp, {}}, "0101010"},   {{Qt::Key_PageDown, {}}, "0001010"},
        {{Qt::Key_1, pad}, "0101010"},       {{Qt::Key_9, pad}, "0000000"},
    };
    for (const auto& [key, expected] : markSteps) {
        press(e, key.first, key.second);
        EXPECT_EQ(marks(), expected);
    }

    // Style: Z / Clear / keypad 5, shown beside the key help.
    QLabel* style = e.findChild<QLabel*>("styleName");
    EXPECT_EQ(style->text(), QStringLiteral("スタイル：標準"));
    const std::vector<std::tuple<int, Qt::KeyboardModifiers, std::string, QString>> styleSteps = {
        {Qt::Key_Z, {}, "substyle1", QStringLiteral("スタイル：１")},
        {Qt::Key_Clear, {}, "substyle2", QStringLiteral("スタイル：２")},
        {Qt::Key_5, pad, "Kanji1", QStringLiteral("スタイル：標準")},
    };
    for (const auto& [key, mods, kanjiStyle, caption] : styleSteps) {
        press(e, key, mods);
        EXPECT_EQ(ed.line().kanjiStyle, kanjiStyle);
        EXPECT_EQ(style->text(), caption);
    }

    // Ruby input: the input method is off while browsing and on while typing;
    // Esc drops what was typed, Enter stores it; Space and Enter both start it.
    EXPECT_FALSE(view(e)->testAttribute(Qt::WA_InputMethodEnabled));
    press(e, Qt::Key_Space);
    ASSERT_TRUE(e.typing());
    EXPECT_TRUE(input(e)->isVisible());
    EXPECT_TRUE(input(e)->testAttribute(Qt::WA_InputMethodEnabled));
    typeReading(e, QStringLiteral("しゅん"));
    press(e, Qt::Key_Escape);
    EXPECT_FALSE(e.typing());
    EXPECT_TRUE(e.isVisible());  // Esc while typing does not close the editor
    EXPECT_EQ(ed.cursorRuby(), "");
    press(e, Qt::Key_Return);
    typeReading(e, QStringLiteral("はる"));
    press(e, Qt::Key_Return);
    EXPECT_FALSE(e.typing());
    EXPECT_FALSE(input(e)->isVisible());
    EXPECT_EQ(ed.cursorRuby(), "はる");
    EXPECT_EQ(ed.line().unit(2).rubyFields().rubySpan, 1);  // 春, a word of one kanji
    // Typing again starts from the ruby there.
    press(e, Qt::Key_Space);
    EXPECT_EQ(input(e)->text(), QStringLiteral("はる"));
    press(e, Qt::Key_Escape);

    // Leaving the line copies its ruby to the next line of the same text.
    press(e, Qt::Key_Down);
    EXPECT_EQ(ed.line().unit(2).rubyFields().ruby, "はる");
}

// A ruby far along a long line (slot 70 of 82) is drawn and stored, the view
// scrolls to it, and it reaches the script's ruby events and the tag file.
TEST(RubyEditorWindow, RubyAtSlotSeventyReachesScriptAndTagFile) {
    std::string chars;
    for (int i = 0; i < 80; ++i) chars += (i == 68) ? "雪" : "あ";
    LoadedSession s("ui_slot70");
    s.load("[00:01:00]" + chars + "[00:09:00]\n");
    const std::string scriptBefore = s.script();
    ASSERT_EQ(s.session.song.lineCount(), 1);
    ASSERT_EQ(s.session.song.workLines[1].unit(70).text, "雪");

    RubyEditor e(s.session, nullptr);
    const int result = runModal(e, [&] {
        for (int i = 0; i < 68; ++i) press(e, Qt::Key_Right);
        ASSERT_EQ(e.editing().cursorSlot(), 70);
        press(e, Qt::Key_Space);
        typeReading(e, QStringLiteral("ゆき"));
        // The input box sits where the viewport shows it.
        auto* area = e.findChild<QScrollArea*>("lineArea");
        EXPECT_GT(area->horizontalScrollBar()->value(), 0);
        const QRect box(input(e)->mapTo(area->viewport(), QPoint(0, 0)), input(e)->size());
        EXPECT_TRUE(area->viewport()->rect().intersects(box));
        press(e, Qt::Key_Return);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(s.session.song.rubyState, lyrics::kRubyAssigned);

    const std::string script = decodeText(s.script()).utf8;
    EXPECT_NE(script, decodeText(scriptBefore).utf8);
    bool rubyEvent = false;
    for (std::string_view line : splitLines(script))
        rubyEvent = rubyEvent || (line.find("Ruby1") != std::string_view::npos &&
                                  line.rfind("Dialogue:", 0) == 0 && line.find("ゆき") != std::string_view::npos);
    EXPECT_TRUE(rubyEvent) << script;
    const std::string kra = decodeText(s.kra()).utf8;
    // The base at its time inside the syllable (10 cs a character), then the reading.
    EXPECT_NE(kra.find("あ[00:07:80]雪[00:07:80]([00:07:80]ゆき[00:07:90])[00:07:90]あ"), std::string::npos) << kra;
}

TEST(RubyEditorWindow, ClosingWithoutChangesAndWithoutLines) {
    LoadedSession s("ui_unchanged");
    s.load(kSpring);
    s.session.song.rubyState = lyrics::kRubyAssigned;
    const std::string script = s.script();
    {
        RubyEditor e(s.session, nullptr);
        EXPECT_EQ(runModal(e, [&] { press(e, Qt::Key_Right); }), QDialog::Rejected);
    }
    EXPECT_EQ(s.script(), script);

    LoadedSession none("ui_no_lines");
    EXPECT_EQ(RubyEditor::open(none.session, nullptr), QDialog::Rejected);
    ASSERT_FALSE(none.reporter.reports.empty());
    EXPECT_NE(none.reporter.reports.back().text.find("no lyric lines"), std::string::npos);
}

// The editor opens at the line asked for, a click puts the cursor on the
// character under it, and each way of closing keeps or drops the readings:
// Esc asks first and drops them only when told to.
TEST(RubyEditorWindow, OkKeepsAndCancelDropsAfterAsking) {
    enum class Leave { EscKeepEditingThenDiscard, CancelButton, CtrlEnter, OkButton };
    const std::vector<std::pair<Leave, bool>> cases = {
        {Leave::EscKeepEditingThenDiscard, false}, {Leave::CancelButton, false},
        {Leave::CtrlEnter, true}, {Leave::OkButton, true}};
    for (const auto& c : cases) {
        // Plain names, not a structured binding: lambdas below capture them.
        const Leave leave = c.first;
        const bool kept = c.second;
        SCOPED_TRACE(static_cast<int>(leave));
        LoadedSession s("ui_ok_cancel");
        s.load(kOther + kSpring);
        const std::string script = s.script();
        RubyEditor e(s.session, nullptr);
        e.showLineNumber(2);
        QStringList asked;
        // Answers each question of the editor: first "keep editing", then "discard".
        auto answer = [&](QMessageBox::StandardButton button) {
            QTimer::singleShot(0, &e, [&asked, button] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    asked << box->text();
                    box->button(button)->click();
                }
            });
        };
        auto* buttons = e.findChild<QDialogButtonBox*>("buttons");
        QTimer::singleShot(0, &e, [&] {
            EXPECT_EQ(e.editing().currentLine(), 2);
            EXPECT_TRUE(e.findChild<QLabel*>("keysHint")->text().contains(QStringLiteral("↑↓：行移動")));
            // A click on the third character (風, slot 6): each is 20 px wide.
            const int frameX = s.session.song.workLines[2].posX + 2 * 20 + 10;
            QTest::mouseClick(view(e), Qt::LeftButton, {}, QPoint(frameX + 20, 40));  // 20: the frame's inset
            EXPECT_EQ(e.editing().cursorSlot(), 6);
            press(e, Qt::Key_Space);
            typeReading(e, QStringLiteral("かぜ"));
            press(e, Qt::Key_Return);
            switch (leave) {
            case Leave::EscKeepEditingThenDiscard:
                answer(QMessageBox::Cancel);
                press(e, Qt::Key_Escape);
                EXPECT_TRUE(e.isVisible());
                answer(QMessageBox::Discard);
                press(e, Qt::Key_Escape);
                break;
            case Leave::CancelButton:
                answer(QMessageBox::Discard);
                QTest::mouseClick(buttons->button(QDialogButtonBox::Cancel), Qt::LeftButton);
                break;
            case Leave::CtrlEnter: press(e, Qt::Key_Return, Qt::ControlModifier); break;
            case Leave::OkButton: QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton); break;
            }
        });
        const int result = e.exec();
        EXPECT_EQ(result, kept ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(s.session.song.workLines[2].unit(6).rubyFields().ruby, kept ? "かぜ" : "");
        EXPECT_EQ(s.session.lyricsEdited, kept);
        if (!kept) EXPECT_EQ(s.script(), script);
        EXPECT_EQ(asked.size(), leave == Leave::EscKeepEditingThenDiscard ? 2 : kept ? 0 : 1);
    }
}
