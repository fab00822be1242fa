// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ruby_editor.h"

#include <QCoreApplication>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "app/session.h"
#include "layout/spans.h"
#include "measure/text_measure.h"
#include "ui/dialogs.h"
#include "ui/qt_text.h"

namespace kvelmor::ui {

namespace {

constexpr int kRubyRowTop = 10;   // pixels: top of the ruby row
constexpr int kFrameInset = 20;   // pixels: the frame's left edge inside the view (half of the 40 added)

// A font as the script names it: its face and flags, an em of its size's
// pixels, stretched by the horizontal character scale.
QFont scriptFont(const settings::ConversionOptions& o, const settings::SizedFont& sized) {
    const settings::FontValue& f = sized.font;
    QFont font(qs(f.face));
    font.setPixelSize(std::max(1, measure::emPixels(sized.size.points)));
    font.setBold(f.bold);
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikethrough);
    const int stretch = static_cast<int>(o.scale.x * 100 + 0.5);
    if (stretch > 0 && stretch != 100) font.setStretch(std::clamp(stretch, 1, 4000));
    return font;
}

// A colour setting (0x00BBGGRR).
QColor settingColour(uint32_t v) {
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>((v >> 16) & 0xFF));
}

QColor charColour(const settings::ConversionOptions& o, app::LineStyle style, bool marked) {
    const settings::ColourOptions& c = o.colours;
    switch (style) {
    case app::LineStyle::Sub1: return settingColour(marked ? c.second.mark : c.second.secondary);
    case app::LineStyle::Sub2: return settingColour(marked ? c.third.mark : c.third.secondary);
    case app::LineStyle::Standard: break;
    }
    return marked ? settingColour(c.standard.mark) : QColor(Qt::black);
}

QString styleCaption(app::LineStyle style) {
    switch (style) {
    case app::LineStyle::Sub1: return QCoreApplication::translate("kvelmor::ui::RubyEditor", "スタイル：１");
    case app::LineStyle::Sub2: return QCoreApplication::translate("kvelmor::ui::RubyEditor", "スタイル：２");
    case app::LineStyle::Standard: break;
    }
    return QCoreApplication::translate("kvelmor::ui::RubyEditor", "スタイル：標準");
}

// The numeric keypad without Num Lock sends the arrows itself; with it, the
// digits stand for them.
int keypadKey(int key, Qt::KeyboardModifiers modifiers) {
    if (!(modifiers & Qt::KeypadModifier)) return key;
    switch (key) {
    case Qt::Key_4: return Qt::Key_Left;
    case Qt::Key_6: return Qt::Key_Right;
    case Qt::Key_8: return Qt::Key_Up;
    case Qt::Key_2: return Qt::Key_Down;
    case Qt::Key_9: return Qt::Key_PageUp;
    case Qt::Key_1: return Qt::Key_PageDown;
    case Qt::Key_5: return Qt::Key_Clear;
    default: return key;
    }
}

}  // namespace

// The current line: its characters in the lyrics font at their cells, the
// rubies centred over their characters, the cursor box over the ruby row.
class RubyLineView : public QWidget {
public:
    explicit RubyLineView(RubyEditor& editor) : QWidget(nullptr), m_editor(editor) {
        setObjectName("assText");
        setFocusPolicy(Qt::StrongFocus);
        setAttribute(Qt::WA_InputMethodEnabled, false);
    }

    const settings::ConversionOptions& options() const { return m_editor.m_session.options(); }
    int rubyRowHeight() const { return std::max(1, options().rubyFont.size.pixels); }
    int charRowTop() const { return kRubyRowTop + rubyRowHeight(); }
    int charRowHeight() const { return std::max(1, options().lyricsFont.size.pixels); }

    // Pixels: where the frame's x = 0 lies in the view. Lines that start
    // left of the frame move right so that they can be seen whole.
    int shift() const {
        const lyrics::LyricLine& line = m_editor.m_editing.line();
        int64_t minLeft = line.posX;
        for (int k = 1; k <= layout::usedSlots(line); ++k) {
            const lyrics::SlotRuby& r = line.unit(k).rubyFields();
            if (line.unit(k).isChar && !r.ruby.empty()) minLeft = std::min<int64_t>(minLeft, rubyLeft(line, k));
        }
        return kFrameInset + static_cast<int>(std::max<int64_t>(0, -minLeft));
    }

    static int64_t rubyLeft(const lyrics::LyricLine& line, int k) {
        const lyrics::SlotRuby& r = line.unit(k).rubyFields();
        return static_cast<int64_t>(layout::cellLeft(line, k)) +
               (static_cast<int64_t>(layout::runWidth(line, r.rubySpan, k)) - r.rubyWidth) / 2;
    }

    // The view's size for the line now shown: the frame, or the line where it is wider.
    void fitLine() {
        const lyrics::LyricLine& line = m_editor.m_editing.line();
        int64_t right = options().frame.width;
        const int last = layout::usedSlots(line);
        for (int k = 1; k <= last; ++k) {
            const lyrics::LyricUnit& u = line.unit(k);
            if (!u.isChar) continue;
            right = std::max<int64_t>(right, static_cast<int64_t>(layout::cellLeft(line, k)) + u.width);
            if (!u.rubyFields().ruby.empty()) right = std::max(right, rubyLeft(line, k) + u.rubyFields().rubyWidth);
        }
        const int width = static_cast<int>(std::min<int64_t>(right + shift() + kFrameInset, 1 << 20));
        setFixedSize(width, charRowTop() + charRowHeight() + 6);
        update();
    }

    QRect cursorRect() const {
        const app::RubyEditing& e = m_editor.m_editing;
        return QRect(shift() + e.cursorLeft(), kRubyRowTop, std::max(4, e.cursorWidth()), rubyRowHeight());
    }

    // The character slot whose cell holds `x` (pixels of the view); 0 for none.
    int slotAt(int x) const {
        const lyrics::LyricLine& line = m_editor.m_editing.line();
        const int64_t frameX = static_cast<int64_t>(x) - shift();
        for (int k = 1; k <= layout::usedSlots(line); ++k) {
            const lyrics::LyricUnit& u = line.unit(k);
            const int64_t left = layout::cellLeft(line, k);
            if (u.isChar && frameX >= left && frameX < left + std::max(u.width, 1)) return k;
        }
        return 0;
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (m_editor.browseKey(event->key(), event->modifiers())) event->accept();
        else QWidget::keyPressEvent(event);
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) m_editor.clickAt(static_cast<int>(event->position().x()));
        QWidget::mousePressEvent(event);
    }

    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const app::RubyEditing& e = m_editor.m_editing;
        const lyrics::LyricLine& line = e.line();
        const settings::ConversionOptions& s = options();
        const int x0 = shift();

        if (e.cursorSlot() && !m_editor.typing()) {
            const QRect box = cursorRect();
            p.fillRect(QRect(box.left(), charRowTop(), box.width(), charRowHeight()), QColor(200, 220, 255));
            p.setPen(QPen(QColor(0, 90, 220), 2));
            p.drawRect(box.adjusted(1, 1, -1, -1));
        }

        const QFont lyricsFont = scriptFont(s, s.lyricsFont);
        const QFont rubyFont = scriptFont(s, s.rubyFont);
        const int charBaseline = charRowTop() + QFontMetrics(lyricsFont).ascent();
        const int rubyBaseline = kRubyRowTop + QFontMetrics(rubyFont).ascent();
        const app::LineStyle style = app::lineStyle(line);
        const int last = layout::usedSlots(line);
        int64_t left = line.posX;  // cellLeft, carried along
        for (int k = 1; k <= last; ++k) {
            const lyrics::LyricUnit& u = line.unit(k);
            if (!u.isChar) continue;
            drawText(p, lyricsFont, static_cast<int>(x0 + left), charBaseline, qs(u.text),
                     charColour(s, style, u.cellMark));
            left += u.width;
            const lyrics::SlotRuby& r = u.rubyFields();
            if (!r.ruby.empty())
                drawText(p, rubyFont, static_cast<int>(x0 + rubyLeft(line, k)), rubyBaseline, qs(r.ruby),
                         m_editor.rubyColour(k));
        }
    }

private:
    // Light colours (a yellow mark) get a dark edge, as the script's border
    // gives them on screen, so they can be read on the window's background.
    static void drawText(QPainter& p, const QFont& font, int x, int baseline, const QString& text,
                         const QColor& colour) {
        QPainterPath path;
        path.addText(x, baseline, font, text);
        if (qGray(colour.rgb()) > 150) p.strokePath(path, QPen(QColor(40, 40, 40), 3));
        p.fillPath(path, colour);
    }

    RubyEditor& m_editor;
};

RubyEditor::RubyEditor(app::Session& session, QWidget* parent)
    : QDialog(parent), m_session(session), m_editing(session) {
    setObjectName("Form3");
    setModal(true);
    const settings::ConversionOptions& s = session.options();

    m_view = new RubyLineView(*this);
    m_area = new QScrollArea(this);
    m_area->setObjectName("lineArea");
    m_area->setWidget(m_view);
    m_area->setFocusPolicy(Qt::NoFocus);
    m_area->setFrameShape(QFrame::NoFrame);
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    m_input = new QLineEdit(m_view);
    m_input->setObjectName("Text1");
    m_input->setFont(scriptFont(s, s.rubyFont));
    m_input->setAlignment(Qt::AlignCenter);
    m_input->hide();
    m_input->setEnabled(false);
    m_input->installEventFilter(this);

    m_help = new QLabel(tr("←→：移動   SHIFT+←→：セル幅変更  SPACE：ルビ入力"), this);
    m_help->setObjectName("Label1");
    m_style = new QLabel(this);
    m_style->setObjectName("styleName");

    m_keys = new QLabel(tr("↑↓：行移動   C / X：行 / 文字のマーク   Z：スタイル   クリック：その文字へ   "
                                       "Ctrl+Enter：OK   Esc：キャンセル"),
                        this);
    m_keys->setObjectName("keysHint");
    // The keys stay with the cells: the buttons are for the mouse.
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName("buttons");
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("キャンセル"));
    for (QAbstractButton* b : buttons->buttons()) {
        b->setFocusPolicy(Qt::NoFocus);
        if (auto* push = qobject_cast<QPushButton*>(b)) push->setAutoDefault(false);  // Enter types a reading
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &RubyEditor::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &RubyEditor::reject);

    auto* keys = new QHBoxLayout;
    keys->setContentsMargins(kFrameInset, 0, kFrameInset, 0);
    keys->addWidget(m_help);
    keys->addSpacing(10);
    keys->addWidget(m_style);
    keys->addStretch();
    auto* closing = new QHBoxLayout;
    closing->setContentsMargins(kFrameInset, 0, kFrameInset, 0);
    closing->addWidget(m_keys);
    closing->addStretch();
    closing->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 6);
    layout->setSpacing(4);
    layout->addWidget(m_area);
    layout->addLayout(keys);
    layout->addLayout(closing);
    layout->addStretch();

    // Room for a whole line as the frame shows it: the frame plus 40 pixels
    // wide; the ruby row twice, the lyrics row and the row gap high, with 50
    // pixels for the key help.
    // The layout makes it larger where the rows need more.
    resize(s.frame.width + 40, 2 * s.rubyFont.size.pixels + s.lyricsFont.size.pixels + s.margins.rowGap + 50);
    setUpSuggestions();
    showLine();
    m_view->setFocus();
}

RubyEditor::~RubyEditor() = default;

int RubyEditor::open(app::Session& session, QWidget* parent, int startLine) {
    if (session.song.lineCount() == 0) {
        session.reporter().warning("there are no lyric lines to give ruby to: load a lyrics file first",
                                   session.song.lyricsPath);
        return Rejected;
    }
    RubyEditor editor(session, parent);
    editor.showLineNumber(startLine);
    return editor.exec();
}

void RubyEditor::showLineNumber(int line) {
    if (typing()) endInput(false);
    m_editing.showLine(line);
    showLine();
}

void RubyEditor::clickAt(int x) {
    if (typing()) {
        m_input->setFocus();
        return;
    }
    m_view->setFocus();
    if (const int slot = m_view->slotAt(x)) {
        m_editing.setCursorSlot(slot);
        showCursor();
    }
}

void RubyEditor::reject() {
    if (m_finished) return QDialog::reject();
    if (typing()) endInput(false);
    // Esc is easily pressed in passing: readings typed are only dropped on purpose.
    if (m_editing.changed() && !askDiscardEdits(this, windowTitle(), tr("ルビの変更を破棄しますか?")))
        return;
    m_editing.cancel();
    m_finished = true;
    QDialog::done(Rejected);
}

int RubyEditor::exec() {
    if (m_editing.lineCount() == 0) return Rejected;
    return QDialog::exec();
}

void RubyEditor::done(int) {
    if (!m_finished) {
        if (typing()) endInput(false);
        m_suggestions.dropPending();  // suggestions never accepted are not kept
        m_editing.finish();
        m_finished = true;
    }
    QDialog::done(m_editing.changed() ? Accepted : Rejected);
}

void RubyEditor::closeEvent(QCloseEvent* event) {
    done(Accepted);
    event->accept();
}

bool RubyEditor::typing() const { return m_input->isEnabled(); }

bool RubyEditor::browseKey(int key, Qt::KeyboardModifiers modifiers) {
    if (typing()) {
        // The view was clicked while a reading is typed: the keys belong to the input.
        m_input->setFocus();
        return true;
    }
    if (suggestionKey(key, modifiers)) return true;
    key = keypadKey(key, modifiers);
    const Qt::KeyboardModifiers held = modifiers & ~Qt::KeypadModifier;
    const bool plain = held == Qt::NoModifier;
    const bool shift = held == Qt::ShiftModifier;
    if (held == Qt::ControlModifier && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
        accept();
        return true;
    }
    if (!plain && !shift) return false;
    switch (key) {
    case Qt::Key_Left:
        if (shift) m_editing.narrowCell();
        else m_editing.cellPosition(app::CellMove::Previous);
        break;
    case Qt::Key_Right:
        if (shift) m_editing.widenCell();
        else m_editing.cellPosition(app::CellMove::Next);
        break;
    case Qt::Key_Home: m_editing.cellPosition(app::CellMove::First); break;
    case Qt::Key_End: m_editing.cellPosition(app::CellMove::Last); break;
    case Qt::Key_Up:
        m_editing.previousLine();
        showLine();
        return true;
    case Qt::Key_Down:
        m_editing.nextLine();
        showLine();
        return true;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter: startInput(); return true;
    case Qt::Key_PageUp:
    case Qt::Key_C: m_editing.toggleLineMarks(); break;
    case Qt::Key_PageDown:
    case Qt::Key_X: m_editing.toggleCursorMark(); break;
    case Qt::Key_Clear:
    case Qt::Key_Z:
        m_editing.cycleStyle();
        m_style->setText(styleCaption(app::lineStyle(m_editing.line())));
        break;
    default: return false;
    }
    showCursor();
    return true;
}

void RubyEditor::startInput() {
    if (!m_editing.cursorSlot()) return;
    const QRect box = m_view->cursorRect();
    // Wide enough for a few ruby characters even over a single narrow cell.
    const int width = std::max(box.width(), 6 * m_view->rubyRowHeight());
    const int height = std::max(box.height(), m_input->sizeHint().height());
    m_input->setGeometry(std::max(0, box.center().x() - width / 2), box.top() + (box.height() - height) / 2, width,
                         height);
    m_input->setText(qs(m_editing.cursorRuby()));
    m_input->selectAll();
    m_input->setEnabled(true);
    m_input->show();
    m_input->setFocus();
    m_area->ensureWidgetVisible(m_input, 0, 0);
    m_view->update();
}

void RubyEditor::endInput(bool store) {
    if (store) m_editing.storeCursorRuby(ss(m_input->text()));
    m_input->clear();
    m_input->setEnabled(false);
    m_input->hide();
    m_view->setFocus();
    m_view->fitLine();
    showCursor();
}

// Enter and Esc end the input here, before the line edit passes them on to
// the view (which would start a new input) or to the dialog (which would close).
bool RubyEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_input || event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        endInput(true);
        if (key->modifiers() & Qt::ControlModifier) accept();  // the reading, then OK
        return true;
    case Qt::Key_Escape: endInput(false); return true;  // the slot keeps what it had
    default: return QDialog::eventFilter(watched, event);
    }
}

void RubyEditor::showLine() {
    setWindowTitle(tr("ルビ(%1行目)").arg(m_editing.currentLine()));
    m_style->setText(styleCaption(app::lineStyle(m_editing.line())));
    m_view->fitLine();
    m_area->setMinimumHeight(m_view->height() + m_area->horizontalScrollBar()->sizeHint().height());
    m_area->horizontalScrollBar()->setValue(0);
    showCursor();
}

void RubyEditor::showCursor() {
    const QRect box = m_view->cursorRect();
    m_area->ensureVisible(box.center().x(), box.center().y(), box.width() / 2 + 20, 0);
    m_view->update();
}

}  // namespace kvelmor::ui
