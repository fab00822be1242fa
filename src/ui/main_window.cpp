#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/media.h"
#include "lyrics/kra_writer.h"
#include "settings/window_rules.h"
#include "ui/batch_window.h"
#include "ui/credit_window.h"
#include "ui/field_edit.h"
#include "ui/form_table.h"
#include "ui/lyrics_editor.h"
#include "ui/preview_pane.h"
#include "ui/qt_text.h"
#include "ui/ruby_editor.h"
#include "ui/version_window.h"

namespace kvelmor::ui {

using settings::Kind;

namespace {

// The size field that goes with each font button.
std::string sizeFieldOf(const std::string& fontName) {
    return fontName == "Command2" ? "ssaFontSize" : fontName == "Command6" ? "rubyFontSize" : "titleFontSize";
}

}  // namespace

MainWindow::MainWindow(app::Session& session, QWidget* parent)
    : QMainWindow(parent), m_session(session), m_previousReporter(session.swapReporter(m_reports)) {
    setObjectName("Form1");
    setWindowTitle("Kvelmor");

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    auto* presetRow = new QHBoxLayout;
    presetRow->addWidget(new QLabel("設定名称", central));
    m_presetBox = new QComboBox(central);
    m_presetBox->setObjectName("Combo2");
    m_presetBox->setEditable(true);
    m_presetBox->setInsertPolicy(QComboBox::NoInsert);
    m_presetBox->setMinimumWidth(200);
    presetRow->addWidget(m_presetBox, 1);
    auto* save = new QPushButton("設定保存", central);
    save->setObjectName("Command3");
    auto* remove = new QPushButton("設定削除", central);
    remove->setObjectName("Command4");
    presetRow->addWidget(save);
    presetRow->addWidget(remove);
    presetRow->addStretch(1);
    layout->addLayout(presetRow);

    m_splitter = new QSplitter(Qt::Horizontal, central);
    m_splitter->setObjectName("mainSplitter");
    m_tabs = new QTabWidget(m_splitter);
    m_tabs->setObjectName("SSTab1");
    buildForm(m_tabs);
    m_splitter->addWidget(m_tabs);
    // The song as it will look, beside the settings that shape it.
    m_preview = new PreviewPane(m_session, m_splitter);
    m_preview->setObjectName("previewPane");
    m_splitter->addWidget(m_preview);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 1);
    layout->addWidget(m_splitter, 1);
    layout->addWidget(buildCommands());
    setCentralWidget(central);
    buildMenus();
    statusBar();

    connect(m_presetBox, &QComboBox::activated, this, [this](int i) {
        m_session.selectPreset(ss(m_presetBox->itemText(i)));
        afterChange();
    });
    connect(m_presetBox->lineEdit(), &QLineEdit::textEdited, this,
            [this](const QString& text) { m_session.typeComboText(ss(text)); });
    connect(save, &QPushButton::clicked, this, [this] {
        m_session.savePreset(ss(m_presetBox->currentText()));
        refreshPresetBox();
        afterChange();
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        // Deleting is written to the settings file at once, so it is asked first.
        const QString name = m_presetBox->currentText();
        if (m_session.presets.contains(ss(name)) && ss(name) != settings::kDefaultPreset &&
            !m_dialogs.confirm(this, "Kvelmor", QStringLiteral("プリセット「%1」を削除しますか?").arg(name)))
            return;
        m_session.deletePreset(ss(name));
        refreshPresetBox();
        afterChange();
    });
    // Room for the tabs at their full width and a preview beside them where
    // the screen has it; on a small screen the tabs scroll and the splitter
    // gives the preview what is left.
    QSize size(1440, 820);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 0.95);
    resize(size.expandedTo(QSize(800, 600)));
    // The widest page of the tabs as it wants to be, with its scroll area's edges.
    int pagesWidth = m_tabs->sizeHint().width();
    for (int i = 0; i < m_tabs->count(); ++i)
        if (auto* scroll = qobject_cast<QScrollArea*>(m_tabs->widget(i)); scroll && scroll->widget())
            pagesWidth = std::max(pagesWidth, scroll->widget()->sizeHint().width() + 2 * scroll->frameWidth() +
                                                  scroll->verticalScrollBar()->sizeHint().width() + 8);
    // The preview keeps two fifths: the first tab whole beside it from 1280 pixels on.
    const int tabsWidth = std::min(pagesWidth, width() * 3 / 5);
    m_splitter->setSizes({tabsWidth, std::max(width() - tabsWidth, 200)});
    m_presetBox->setFocus();
}

MainWindow::~MainWindow() {
    detachFieldEdits(this);
    m_session.swapReporter(m_previousReporter);
}

void MainWindow::startUp(const std::string& settingsPath) {
    m_session.startUp(settingsPath);
    refreshPresetBox();
    afterChange();
}

void MainWindow::buildForm(QTabWidget* tabs) {
    int tabIndex = 0;
    for (const FormTab& tab : formTabs()) {
        auto* scroll = new QScrollArea;
        scroll->setObjectName(QStringLiteral("tab%1").arg(++tabIndex));
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        auto* page = new QWidget;
        auto* columns = new QHBoxLayout(page);
        for (const auto& column : tab.columns) {
            auto* stack = new QVBoxLayout;
            for (const FormGroup& g : column) {
                auto* box = new QGroupBox(qs(g.caption), page);
                box->setObjectName(qs(g.name));
                auto* grid = new QGridLayout(box);
                int row = 0, cell = 0;
                for (const FormField& field : g.fields) {
                    if (((!field.rowLabel.empty() || field.newRow) && cell != 0) || cell == g.columns) {
                        ++row;
                        cell = 0;
                    }
                    QLabel* label = nullptr;
                    QWidget* w = bindField(field, box, label);
                    if (label) grid->addWidget(label, row, cell * 2);
                    grid->addWidget(w, row, cell * 2 + 1);
                    ++cell;
                }
                grid->setColumnStretch(g.columns * 2, 1);  // fields keep their width; the frame's rest is empty
                if (g.name == "frameSub1" || g.name == "frameSub2") {
                    box->installEventFilter(this);
                    box->setToolTip("ダブルクリックで標準の色をコピー");
                }
                stack->addWidget(box);
            }
            stack->addStretch(1);
            columns->addLayout(stack, 1);
        }
        scroll->setWidget(page);
        tabs->addTab(scroll, qs(tab.caption));
    }
    if (QLabel* exLabel = m_labels["Command9"]) {
        exLabel->setObjectName("exColorLabel");
        exLabel->installEventFilter(this);
        exLabel->setToolTip("クリックで各スタイルのワイプ後の色をコピー");
    }
}

QWidget* MainWindow::bindField(const FormField& field, QWidget* parent, QLabel*& label) {
    const std::string name = field.name;
    const settings::SettingDef* def = settings::findSetting(name);
    if (!def) qFatal("the form names an unknown setting: %s", name.c_str());
    const QString caption = qs(field.caption);
    QWidget* w = nullptr;
    QWidget* placed = nullptr;
    bool captionOnWidget = false;

    switch (def->kind) {
    case Kind::NumberText:
    case Kind::Text: {
        auto* e = new FieldEdit(parent);
        e->setKeyFilter([this, name](char32_t c) { return m_session.settings.acceptsKey(name, c); });
        connect(e, &QLineEdit::textEdited, this, [this, name](const QString& t) {
            if (!m_updating) m_session.settings.setText(name, ss(t));
        });
        e->onEnter = [this, name] { apply(m_session.settings.pressEnter(name)); };
        e->onLeave = [this, name] { apply(m_session.settings.leaveField(name)); };
        if (def->kind == Kind::Text) e->setMinimumWidth(260);
        else e->setFixedWidth(72);
        w = e;
        if (!field.items.empty()) {
            // Values to pick from beside the field, each set as if typed and left.
            auto* holder = new QWidget(parent);
            auto* row = new QHBoxLayout(holder);
            row->setContentsMargins(0, 0, 0, 0);
            auto* pick = new QToolButton(holder);
            pick->setObjectName(qs(name + "Values"));
            pick->setArrowType(Qt::DownArrow);
            pick->setPopupMode(QToolButton::InstantPopup);
            pick->setStyleSheet("QToolButton::menu-indicator { image: none; }");  // the arrow says it already
            auto* menu = new QMenu(pick);
            for (const auto& v : field.items)
                menu->addAction(qs(v), this, [this, name, v] { apply(m_session.settings.setAsUser(name, v)); });
            pick->setMenu(menu);
            e->setParent(holder);
            row->addWidget(e);
            row->addWidget(pick);
            row->addStretch(1);
            placed = holder;
        }
        if (name == "StyleNumber") {
            // The spinner beside the style number sets it as if typed and left.
            auto* holder = new QWidget(parent);
            auto* row = new QHBoxLayout(holder);
            row->setContentsMargins(0, 0, 0, 0);
            auto* spin = new QSpinBox(holder);
            spin->setObjectName("VScroll1");
            spin->setRange(0, 999);
            spin->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
            connect(spin, &QSpinBox::valueChanged, this, [this](int v) {
                if (!m_updating) apply(m_session.settings.setAsUser("StyleNumber", std::to_string(v)));
            });
            e->setParent(holder);
            row->addWidget(e, 1);
            row->addWidget(spin);
            placed = holder;
        }
        break;
    }
    case Kind::Box:
    case Kind::OptionMember: {
        captionOnWidget = true;
        if (def->kind == Kind::Box) {
            auto* b = new QCheckBox(caption, parent);
            connect(b, &QCheckBox::clicked, this,
                    [this, name](bool on) { apply(m_session.settings.setAsUser(name, on ? "1" : "0")); });
            w = b;
        } else {
            auto* b = new QRadioButton(caption, parent);
            auto*& group = m_optionGroups[def->group];
            if (!group) {
                group = new QButtonGroup(this);
                group->setExclusive(true);
            }
            group->addButton(b);
            connect(b, &QRadioButton::clicked, this, [this, name](bool on) {
                if (on) apply(m_session.settings.setAsUser(name, "1"));
            });
            w = b;
        }
        break;
    }
    case Kind::Choice:
    case Kind::ListIndex: {
        auto* c = new QComboBox(parent);
        for (const auto& item : field.items) c->addItem(qs(item));
        connect(c, &QComboBox::activated, this, [this, name](int i) {
            if (name == "TagSample") {
                // A sample fills the templates and the wipe boxes.
                m_session.samples.ApplySample(i, m_session.settings);
                afterChange();
                return;
            }
            apply(m_session.settings.setAsUser(name, std::to_string(i)));
        });
        w = c;
        break;
    }
    case Kind::Colour: {
        auto* b = newColourButton(parent);
        connect(b, &QPushButton::clicked, this, [this, name] { pickColour(name); });
        w = b;
        break;
    }
    case Kind::Level: {
        auto* s = newLevelSlider(parent);
        connect(s, &QSlider::valueChanged, this, [this, name](int v) {
            if (!m_updating) apply(m_session.settings.setAsUser(name, std::to_string(v)));
        });
        w = s;
        break;
    }
    case Kind::FontFace: {
        auto* b = new QPushButton(parent);
        b->setMinimumWidth(140);
        connect(b, &QPushButton::clicked, this, [this, name] { pickFont(name); });
        w = b;
        break;
    }
    case Kind::PixelHeight:
        w = new QLabel(parent);
        break;
    case Kind::FontFlag:
        qFatal("font flags are set through their font button: %s", name.c_str());
    }
    w->setObjectName(qs(name));
    if (!field.toolTip.empty()) w->setToolTip(qs(field.toolTip));
    if (!captionOnWidget && !caption.isEmpty()) label = new QLabel(caption, parent);
    if (captionOnWidget && !field.rowLabel.empty()) label = new QLabel(qs(field.rowLabel), parent);
    if (label && !captionOnWidget) label->setBuddy(w);
    if (label) m_labels[name] = label;
    m_fields[name] = w;
    return placed ? placed : w;
}

QWidget* MainWindow::buildCommands() {
    auto* panel = new QWidget(this);
    auto* row = new QHBoxLayout(panel);
    auto button = [&](const char* name, const char* caption) {
        auto* b = new QPushButton(caption, panel);
        b->setObjectName(name);
        row->addWidget(b);
        return b;
    };
    m_load = button("Command1", "テキスト読込");
    m_load->setToolTip("右クリックでフォルダ内の.txtを一括変換");
    m_load->installEventFilter(this);
    m_edit = button("Command10", "テキスト編集");
    m_ruby = button("Command5", "ルビ作成");
    m_write = button("Command7", "ファイル作成");
    for (const FormField& f : commandAreaFields()) {
        QLabel* label = nullptr;
        row->addWidget(bindField(f, panel, label));
        if (f.name == "KraCheck") {
            auto* media = button("Command13", "ﾒﾃﾞｨｱ情報取得");
            connect(media, &QPushButton::clicked, this, &MainWindow::chooseMediaFile);
        }
    }
    row->addStretch(1);
    connect(m_load, &QPushButton::clicked, this, &MainWindow::loadSongFromDialog);
    connect(m_edit, &QPushButton::clicked, this, &MainWindow::openLyricsEditor);
    connect(m_ruby, &QPushButton::clicked, this, &MainWindow::openRubyEditor);
    connect(m_write, &QPushButton::clicked, this, &MainWindow::writeFiles);
    return panel;
}

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu("ファイル(&F)");
    file->setObjectName("menuFile");
    auto add = [&](QMenu* menu, const char* name, const char* caption, QKeySequence keys, auto slot) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        if (!keys.isEmpty()) a->setShortcut(keys);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add(file, "menuLoad", "テキスト読込(&O)...", QKeySequence::Open, &MainWindow::loadSongFromDialog);
    add(file, "menuBatch", "一括変換(&B)...", QKeySequence(Qt::CTRL | Qt::Key_B), &MainWindow::startBatchFromDialog);
    add(file, "menuEdit", "テキスト編集(&E)...", QKeySequence(Qt::CTRL | Qt::Key_E), &MainWindow::openLyricsEditor);
    add(file, "menuRuby", "ルビ作成(&R)...", QKeySequence(Qt::CTRL | Qt::Key_R), &MainWindow::openRubyEditor);
    add(file, "menuWrite", "ファイル作成(&S)", QKeySequence::Save, &MainWindow::writeFiles);
    add(file, "menuMedia", "ﾒﾃﾞｨｱ情報取得(&M)...", QKeySequence(), &MainWindow::chooseMediaFile);
    add(file, "menuTiming", "タイミング(&T)...", QKeySequence(Qt::CTRL | Qt::Key_T), &MainWindow::openTimingFromMenu);
    file->addSeparator();
    add(file, "menuQuit", "終了(&Q)", QKeySequence::Quit, &MainWindow::close);

    QMenu* credit = menuBar()->addMenu("クレジット設定(&C)");
    m_creditOn = credit->addAction("クレジット表示");
    m_creditOn->setObjectName("menuCreditOn");
    m_creditOn->setCheckable(true);
    connect(m_creditOn, &QAction::triggered, this,
            [this](bool on) { apply(m_session.settings.setAsUser("menuCreditOn", on ? "1" : "0")); });
    add(credit, "menuCreditConfig", "クレジット設定", QKeySequence(), &MainWindow::showCreditWindow);

    QMenu* help = menuBar()->addMenu("ヘルプ(&H)");
    add(help, "menuHELPON", "ヘルプ", QKeySequence::HelpContents, &MainWindow::openHelp);
    add(help, "menuVersion", "バージョン", QKeySequence(), &MainWindow::showVersionWindow);
}

void MainWindow::apply(const settings::Change& c) {
    if (m_updating) return;
    if (!c.ok) m_reports.error(c.error);
    else m_session.runStages(c.stages);
    afterChange();
}

void MainWindow::afterChange() {
    // The song's file in the caption, marked while edits are not yet written.
    const QString song = QFileInfo(qs(m_session.song.lyricsPath)).fileName();
    setWindowTitle(song.isEmpty() ? QStringLiteral("Kvelmor") : song + QStringLiteral("[*] - Kvelmor"));
    showSettings();
    applyEnabling();
    // The preview first: a message about the change is read over the song it is about.
    if (m_preview) m_preview->songOrSettingsChanged();
    showReports("Kvelmor");
}

void MainWindow::showSettings() {
    m_updating = true;
    const auto& s = m_session.settings;
    for (const auto& [name, w] : m_fields) {
        const std::string& value = s.text(name);
        switch (settings::findSetting(name)->kind) {
        case Kind::NumberText:
        case Kind::Text: {
            auto* e = static_cast<FieldEdit*>(w);
            if (ss(e->text()) != value) e->showText(qs(value));
            break;
        }
        case Kind::Box:
        case Kind::OptionMember:
            static_cast<QAbstractButton*>(w)->setChecked(s.isOn(name));
            break;
        case Kind::Choice:
        case Kind::ListIndex: {
            auto* c = static_cast<QComboBox*>(w);
            if (name == "TagSample" && c->count() != m_session.samples.count()) {
                c->clear();
                for (const auto& n : m_session.samples.names()) c->addItem(qs(n));
            }
            c->setCurrentIndex(s.index(name) < c->count() ? s.index(name) : -1);
            break;
        }
        case Kind::Colour:
            showColour(static_cast<QPushButton*>(w), value);
            break;
        case Kind::Level:
            static_cast<QSlider*>(w)->setValue(s.index(name));
            break;
        case Kind::FontFace: {
            auto* b = static_cast<QPushButton*>(w);
            b->setText(qs(value));
            QFont f = b->font();
            f.setBold(s.isOn(name + ".Bold"));
            f.setItalic(s.isOn(name + ".Italic"));
            b->setFont(f);
            break;
        }
        case Kind::PixelHeight:
            static_cast<QLabel*>(w)->setText(qs(value));
            break;
        case Kind::FontFlag:
            break;
        }
    }
    if (auto* spin = findChild<QSpinBox*>("VScroll1")) spin->setValue(s.wholeNumber("StyleNumber"));
    m_creditOn->setChecked(s.isOn("menuCreditOn"));
    m_updating = false;
}

void MainWindow::applyEnabling() {
    for (const auto& f : settings::governedFields(m_session.settings)) {
        if (auto it = m_fields.find(f.name); it != m_fields.end()) it->second->setEnabled(f.enabled);
        if (auto it = m_labels.find(f.name); it != m_labels.end()) it->second->setEnabled(f.enabled);
    }
    if (QLabel* l = m_labels["TitleY"]) l->setText(qs(settings::titleRowCaption(m_session.settings)));
    const bool loaded = !m_session.song.lyricsPath.empty();
    for (QPushButton* b : {m_ruby, m_edit, m_write}) b->setEnabled(loaded);
    for (const char* name : {"menuEdit", "menuRuby", "menuWrite"})
        if (auto* a = findChild<QAction*>(name)) a->setEnabled(loaded);
}

void MainWindow::refreshPresetBox() {
    QSignalBlocker block(m_presetBox);
    m_presetBox->clear();
    for (const auto& n : m_session.presets.list()) m_presetBox->addItem(qs(n));
    m_presetBox->setEditText(qs(m_session.comboText));
}

void MainWindow::showReports(const QString& title) {
    if (m_reports.reports.empty()) return;
    QStringList lines;
    Severity worst = Severity::Info;
    for (const Report& r : m_reports.reports) {
        lines << qs(formatReport(r));
        if (r.severity == Severity::Error || (r.severity == Severity::Warning && worst == Severity::Info))
            worst = r.severity;
    }
    m_reports.reports.clear();
    const auto icon = worst == Severity::Error     ? QMessageBox::Critical
                      : worst == Severity::Warning ? QMessageBox::Warning
                                                   : QMessageBox::Information;
    m_dialogs.message(this, icon, title, lines.join('\n'));
}

void MainWindow::pickColour(const std::string& name) {
    auto c = m_dialogs.colour(this, colourFromSetting(m_session.settings.text(name)));
    if (!c) return;
    apply(m_session.settings.setAsUser(name, settingFromColour(*c)));
}

void MainWindow::pickFont(const std::string& name) {
    const auto current = m_session.settings.font(name);
    QFont initial(qs(current.face));
    initial.setPointSize(std::max(1, m_session.settings.wholeNumber(sizeFieldOf(name))));
    initial.setBold(current.bold);
    initial.setItalic(current.italic);
    auto f = m_dialogs.font(this, initial);
    if (!f) return;
    settings::FontValue chosen{ss(f->family()), f->bold(), f->italic(), f->underline(), f->strikeOut()};
    apply(m_session.settings.chooseFont(name, chosen, f->pointSize()));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    if (watched == m_load && e->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(e)->button() == Qt::RightButton) {
        startBatchFromDialog();
        return true;
    }
    if (e->type() == QEvent::MouseButtonDblClick && (watched->objectName() == "frameSub1" ||
                                                     watched->objectName() == "frameSub2")) {
        settings::copyColoursToSpareStyle(m_session.settings, watched->objectName() == "frameSub1" ? 1 : 2);
        afterChange();
        return true;
    }
    if (e->type() == QEvent::MouseButtonPress && watched->objectName() == "exColorLabel") {
        settings::copyExtendedColours(m_session.settings);
        afterChange();
        return true;
    }
    return QMainWindow::eventFilter(watched, e);
}

void MainWindow::setUnwritten(bool unwritten) {
    m_unwritten = unwritten;
    setWindowModified(unwritten);
}

bool MainWindow::unwrittenWorkSettled() {
    if (!m_unwritten) return true;
    const QString song = QFileInfo(qs(m_session.song.lyricsPath)).fileName();
    const auto answer = m_dialogs.unsaved(
        this, "Kvelmor",
        QStringLiteral("「%1」のルビと歌詞の変更を、まだ書き出していません。\n書き出しますか?").arg(song));
    if (answer == QMessageBox::Discard) return true;
    if (answer != QMessageBox::Save) return false;
    writeFiles();
    return !m_unwritten;  // a write that failed keeps the song here, with its message shown
}

void MainWindow::loadSongFromDialog() {
    if (!unwrittenWorkSettled()) return;
    const QString path = m_dialogs.openFile(
        this, "テキスト読込", qs(m_session.appState.textPath),
        "歌詞ファイル (*.txt *.kra);;テキストファイル (*.txt);;カラオケタグファイル (*.kra);;すべてのファイル (*)");
    if (!path.isEmpty()) loadSong(path);
}

bool MainWindow::loadSong(const QString& path) {
    const bool ok = m_session.loadLyrics(ss(path));
    if (ok) setUnwritten(false);
    if (ok) m_rubyTyped = false;
    if (ok) statusBar()->showMessage(QStringLiteral("読み込みました: %1").arg(path));
    afterChange();
    return ok;
}

void MainWindow::startBatchFromDialog() {
    const QString folder = m_dialogs.folder(this, "読み込みフォルダを指定", qs(m_session.appState.textPath));
    if (!folder.isEmpty()) startBatch(folder);
}

void MainWindow::startBatch(const QString& folder) {
    // The batch reads every file of the folder into the session. The song
    // open here, with what the editors changed in it and the time correction
    // its file chose, comes back afterwards: a batch never costs work not yet
    // written, and the write command still writes the song the window shows.
    const lyrics::Song open = m_session.song;
    const script::ScriptHeader header = m_session.header;
    const std::string correction = m_session.settings.text("WinAMPTime");
    {
        BatchWindow w(m_session, folder, this);
        placeOver(&w, this);
        w.exec();
    }
    m_session.song = open;
    m_session.header = header;
    m_session.settings.setText("WinAMPTime", correction);
    afterChange();
}

void MainWindow::writeFiles() {
    if (m_session.song.lyricsPath.empty()) return;
    QStringList written;
    if (m_session.writeScript()) {
        setUnwritten(false);
        written << qs(m_session.defaultScriptPath());
        if (m_session.settings.isOn("KraCheck") && m_session.writeKra())
            written << qs(lyrics::kraPathFor(m_session.song.lyricsPath));
    }
    if (!written.isEmpty()) statusBar()->showMessage(QStringLiteral("書き込みました: %1").arg(written.join(", ")));
    afterChange();
}

void MainWindow::chooseMediaFile() {
    const QString path = m_dialogs.openFile(this, "ﾒﾃﾞｨｱ情報取得", qs(m_session.appState.mediaPath),
                                            "メディアファイル (*.mp4 *.mkv *.webm *.mov *.avi *.mpg *.mpeg *.m4a "
                                            "*.mp3 *.flac *.wav *.ogg);;すべてのファイル (*)");
    if (!path.isEmpty()) probeMedia(path);
}

void MainWindow::probeMedia(const QString& path) {
    auto r = app::ProbeMedia(m_session, ss(path));
    // The video read is the one the preview shows and plays.
    if (r && m_preview) m_preview->setMedia(path);
    if (r)
        statusBar()->showMessage(QStringLiteral("%1: %2×%3").arg(path, qs(m_session.settings.text("dispWidth")),
                                                               qs(m_session.settings.text("dispHeight"))));
    afterChange();
}

void MainWindow::openRubyEditor() {
    if (m_session.song.lyricsPath.empty()) return;
    if (RubyEditor::open(m_session, this) == QDialog::Accepted) {
        setUnwritten(true);
        m_rubyTyped = true;
    }
    afterChange();  // the fields and the preview show what the editor changed
}

void MainWindow::openLyricsEditor() {
    if (m_session.song.lyricsPath.empty()) return;
    LyricsEditor editor(m_session, this);
    editor.setRubyAtStake(m_rubyTyped);
    placeOver(&editor, this);
    if (editor.exec() == QDialog::Accepted) {
        setUnwritten(true);
        m_rubyTyped = false;  // laid out again from the text, without them
    }
    afterChange();  // the fields and the preview show what the editor changed
}

void MainWindow::showCreditWindow() {
    CreditWindow w(m_session, m_dialogs, this);
    w.exec();
    afterChange();
}

void MainWindow::showVersionWindow() {
    VersionWindow w(m_dialogs, this);
    placeOver(&w, this);
    w.exec();
}

void MainWindow::openHelp() { openInDesktop(m_dialogs, this, helpFilePath()); }

void MainWindow::closeEvent(QCloseEvent* e) {
    if (!m_shutDown && !unwrittenWorkSettled()) {
        e->ignore();
        return;
    }
    if (!m_shutDown) {
        m_shutDown = true;
        if (!m_session.shutDown()) {
            m_reports.error("設定を保存できませんでした。プリセットと設定は失われます。", m_session.ini.Path());
        }
        showReports("Kvelmor");
    }
    e->accept();
}

}  // namespace kvelmor::ui
