// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QUndoStack>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/line_reports.h"
#include "app/media.h"
#include "lyrics/kra_writer.h"
#include "lyrics/reader.h"
#include "settings/window_rules.h"
#include "ui/command_keys.h"
#include "ui/batch_window.h"
#include "ui/credit_window.h"
#include "ui/field_edit.h"
#include "ui/form_table.h"
#include "ui/lyrics_editor.h"
#include "ui/preview_pane.h"
#include "ui/reports_pane.h"
#include "ui/qt_text.h"
#include "ui/ruby_editor.h"
#include "ui/undo_commands.h"
#include "ui/version_window.h"
#include "ui/video_export_dialog.h"
#include "ui/language.h"
#include "common/japanese_text.h"
#include "common/number_text.h"

namespace kvelmor::ui {

using settings::Kind;

namespace {

}  // namespace

MainWindow::MainWindow(app::Session& session, QWidget* parent)
    : QMainWindow(parent), m_session(session), m_previousReporter(session.swapReporter(m_reports)) {
    setObjectName("Form1");
    setWindowTitle("Kvelmor");

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    auto* presetRow = new QHBoxLayout;
    presetRow->addWidget(new QLabel(tr("設定名称"), central));
    m_presetBox = new QComboBox(central);
    m_presetBox->setObjectName("Combo2");
    m_presetBox->setEditable(true);
    m_presetBox->setInsertPolicy(QComboBox::NoInsert);
    m_presetBox->setMinimumWidth(200);
    presetRow->addWidget(m_presetBox, 1);
    auto* save = new QPushButton(tr("設定保存"), central);
    save->setObjectName("Command3");
    auto* remove = new QPushButton(tr("設定削除"), central);
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
    // The song as it will look, beside the settings that shape it, and
    // below it what the checks find in it.
    auto* songSide = new QSplitter(Qt::Vertical, m_splitter);
    songSide->setObjectName("songSplitter");
    m_preview = new PreviewPane(m_session, songSide);
    m_preview->setObjectName("previewPane");
    m_preview->setDialogs(&m_dialogs);
    m_reportsPane = new ReportsPane(songSide);
    songSide->addWidget(m_preview);
    songSide->addWidget(m_reportsPane);
    songSide->setStretchFactor(0, 4);
    songSide->setStretchFactor(1, 1);
    songSide->setCollapsible(0, false);
    m_splitter->addWidget(songSide);
    connect(m_reportsPane, &ReportsPane::lineChosen, this, &MainWindow::showLine);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 1);
    layout->addWidget(m_splitter, 1);
    layout->addWidget(buildCommands());
    setCentralWidget(central);
    buildMenus();
    addTabKeys();
    // The commands' keys work wherever the focus is, over the fields' own.
    new CommandKeysFirst(this);
    m_reportCount = new QLabel(this);
    m_reportCount->setObjectName("reportCount");
    statusBar()->addPermanentWidget(m_reportCount);
    m_timeCorrection = new QLabel(this);
    m_timeCorrection->setObjectName("timeCorrection");
    statusBar()->addPermanentWidget(m_timeCorrection);

    connect(m_presetBox, &QComboBox::activated, this, [this](int i) { switchPreset(m_presetBox->itemText(i)); });
    addPresetChangedMark();
    connect(m_presetBox->lineEdit(), &QLineEdit::textEdited, this,
            [this](const QString& text) { m_session.typeComboText(ss(text)); });
    connect(save, &QPushButton::clicked, this, [this] {
        const QString name = m_presetBox->currentText();
        const bool saved = m_session.savePreset(ss(name));
        refreshPresetBox();
        afterChange();
        if (saved) statusBar()->showMessage(tr("設定「%1」を保存しました").arg(name));
    });
    connect(m_presetBox, &QComboBox::currentTextChanged, this, [this, remove](const QString& name) {
        remove->setEnabled(m_session.presets.canRemove(ss(name)));
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        // Deleting is written to the settings file at once, so it is asked first.
        const QString name = m_presetBox->currentText();
        if (m_session.presets.contains(ss(name)) && ss(name) != settings::kDefaultPreset &&
            !m_dialogs.confirm(this, "Kvelmor", tr("プリセット「%1」を削除しますか?").arg(name)))
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
    // The tabs take their whole width where the preview keeps enough beside
    // them to be read (on a 1024-pixel screen the first tab is whole, with
    // every colour box); on a smaller window the preview keeps two fifths.
    constexpr int kPreviewWidth = 280;  // pixels
    const int tabsWidth = std::min(pagesWidth, std::max(width() * 3 / 5, width() - kPreviewWidth));
    m_splitter->setSizes({tabsWidth, std::max(width() - tabsWidth, 200)});
    acceptFileDrops();
    startKeepingEdits();
    m_presetBox->setFocus();
}

MainWindow::~MainWindow() {
    detachFieldEdits(this);
    m_session.swapReporter(m_previousReporter);
}

void MainWindow::startUp(const std::string& settingsPath) {
    m_session.startUp(settingsPath);
    refreshPresetBox();
    restoreWindowState();
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
                    box->setToolTip(tr("ダブルクリックで標準の色をコピー"));
                }
                stack->addWidget(box);
            }
            stack->addStretch(1);
            columns->addLayout(stack, 1);
        }
        scroll->setWidget(page);
        tabs->addTab(scroll, qs(tab.caption));
    }
    if (QLabel* exLabel = m_labels[settings::findSetting("colour.extended")->field]) {
        exLabel->setObjectName("exColorLabel");
        exLabel->installEventFilter(this);
        exLabel->setToolTip(tr("クリックで各スタイルのワイプ後の色をコピー"));
    }
}

FieldAccess MainWindow::fieldAccess() {
    FieldAccess a;
    auto& s = m_session.settings;
    a.text = [&s](const std::string& field) { return s.text(field); };
    a.set = [this](const std::string& field, const std::string& value) {
        if (field == "TagSample") {
            // A sample fills the templates and the wipe boxes.
            m_session.samples.applySample(static_cast<int>(toWholeNumber(value)), m_session.settings);
            afterChange();
            return;
        }
        apply(m_session.settings.setAsUser(field, value));
    };
    a.type = [this](const std::string& field, const std::string& text) {
        if (!m_updating) m_session.settings.setText(field, text);
    };
    a.accepts = [&s](const std::string& field, char32_t c) { return s.acceptsKey(field, c); };
    a.enter = [this](const std::string& field, FieldEdit& e) {
        const bool asLeaving = m_session.settings.enterActsAsLeaving(field);
        apply(m_session.settings.pressEnter(field));
        if (asLeaving) e.markApplied();
    };
    a.leave = [this](const std::string& field) { apply(m_session.settings.leaveField(field)); };
    a.pick = [this](const std::string& field) {
        if (settings::findSetting(field)->kind == Kind::FontFace) pickFont(field);
        else pickColour(field);
    };
    a.buttonGroup = [this](const std::string& group) {
        auto*& g = m_optionGroups[group];
        if (!g) {
            g = new QButtonGroup(this);
            g->setExclusive(true);
        }
        return g;
    };
    return a;
}

QWidget* MainWindow::bindField(const FormField& field, QWidget* parent, QLabel*& label) {
    const std::string name = field.name;
    const settings::SettingDef* def = settings::findSetting(name);
    if (!def) qFatal("the form names an unknown setting: %s", name.c_str());
    BoundField bound = ui::bindField(*def, parent, fieldAccess());
    QWidget* w = bound.widget;
    QWidget* placed = nullptr;
    if (def->kind == Kind::NumberText && !field.items.empty()) {
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
        w->setParent(holder);
        row->addWidget(w);
        row->addWidget(pick);
        row->addStretch(1);
        placed = holder;
    }
    if (def->name == "style.number") {
        // The spinner beside the style number sets it as if typed and left.
        auto* holder = new QWidget(parent);
        auto* row = new QHBoxLayout(holder);
        row->setContentsMargins(0, 0, 0, 0);
        auto* spin = new QSpinBox(holder);
        spin->setObjectName("VScroll1");
        spin->setRange(0, 999);
        spin->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
        connect(spin, &QSpinBox::valueChanged, this, [this](int v) {
            if (!m_updating) apply(m_session.settings.setAsUser("style.number", std::to_string(v)));
        });
        w->setParent(holder);
        row->addWidget(w, 1);
        row->addWidget(spin);
        placed = holder;
    }
    if (def->name == "lyricsFont.face") w->setToolTip(tr("ここで選んだ書体は、ルビと曲情報のフォントにも使われます"));
    const bool captionOnWidget = def->kind == Kind::Box || def->kind == Kind::OptionMember;
    const QString caption = qs(field.caption);
    if (!captionOnWidget && !caption.isEmpty()) label = new QLabel(caption, parent);
    if (captionOnWidget && !field.rowLabel.empty()) label = new QLabel(qs(field.rowLabel), parent);
    if (label && !captionOnWidget) label->setBuddy(w);
    if (label) m_labels[name] = label;
    m_fields[name] = w;
    m_shows[name] = bound.show;
    return placed ? placed : w;
}

QWidget* MainWindow::buildCommands() {
    auto* panel = new QWidget(this);
    auto* row = new QHBoxLayout(panel);
    auto button = [&](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, panel);
        b->setObjectName(name);
        row->addWidget(b);
        return b;
    };
    m_load = button("Command1", tr("テキスト読込"));
    m_load->setToolTip(tr("右クリックでフォルダ内の.txtを一括変換"));
    m_load->installEventFilter(this);
    m_edit = button("Command10", tr("テキスト編集"));
    m_ruby = button("Command5", tr("ルビ作成"));
    m_write = button("Command7", tr("ファイル作成"));
    for (const FormField& f : commandAreaFields()) {
        QLabel* label = nullptr;
        QWidget* w = bindField(f, panel, label);
        // Never narrower than its caption: the window's minimum width follows.
        w->setSizePolicy(QSizePolicy::Minimum, w->sizePolicy().verticalPolicy());
        row->addWidget(w);
        if (f.name == "KraCheck") {
            auto* media = button("Command13", tr("ﾒﾃﾞｨｱ情報取得"));
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
    QMenu* file = menuBar()->addMenu(tr("ファイル(&F)"));
    file->setObjectName("menuFile");
    auto add = [&](QMenu* menu, const char* name, const QString& caption, QKeySequence keys, auto slot) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        if (!keys.isEmpty()) a->setShortcut(keys);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add(file, "menuLoad", tr("テキスト読込(&O)..."), QKeySequence::Open, &MainWindow::loadSongFromDialog);
    add(file, "menuBatch", tr("一括変換(&B)..."), QKeySequence(Qt::CTRL | Qt::Key_B), &MainWindow::startBatchFromDialog);
    add(file, "menuEdit", tr("テキスト編集(&E)..."), QKeySequence(Qt::CTRL | Qt::Key_E), &MainWindow::openLyricsEditor);
    add(file, "menuRuby", tr("ルビ作成(&R)..."), QKeySequence(Qt::CTRL | Qt::Key_R), &MainWindow::openRubyEditor);
    add(file, "menuReadings", tr("読み候補を付ける(&Y)"), QKeySequence(), &MainWindow::fillReadings);
    add(file, "menuWrite", tr("ファイル作成(&S)"), QKeySequence::Save, &MainWindow::writeFiles);
    add(file, "menuSaveLyrics", tr("歌詞を保存(&L)..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
        &MainWindow::saveLyricsFromDialog);
    add(file, "menuMedia", tr("ﾒﾃﾞｨｱ情報取得(&M)..."), QKeySequence(), &MainWindow::chooseMediaFile);
    add(file, "menuTiming", tr("タイミング(&T)..."), QKeySequence(Qt::CTRL | Qt::Key_T), &MainWindow::openTimingFromMenu);
    add(file, "menuExportVideo", tr("動画を書き出す(&V)..."), QKeySequence(), [this] {
        showVideoExportDialog(this, m_session, m_dialogs, m_preview ? m_preview->media() : QString());
    });
    file->addSeparator();
    m_recentMenu = file->addMenu(tr("最近使ったファイル(&F)"));
    m_recentMenu->setObjectName("menuRecent");
    file->addSeparator();
    add(file, "menuQuit", tr("終了(&Q)"), QKeySequence::Quit, &MainWindow::close);

    addEditMenu();

    QMenu* credit = menuBar()->addMenu(tr("クレジット設定(&C)"));
    m_creditOn = credit->addAction(tr("クレジット表示"));
    m_creditOn->setObjectName("menuCreditOn");
    m_creditOn->setCheckable(true);
    connect(m_creditOn, &QAction::triggered, this,
            [this](bool on) { apply(m_session.settings.setAsUser("output.credit", on ? "1" : "0")); });
    add(credit, "menuCreditConfig", tr("クレジット設定"), QKeySequence(), &MainWindow::showCreditWindow);

    // Named in both languages, and each language in itself, so that a user
    // who reads only one of them finds the way to it.
    QMenu* language = menuBar()->addMenu(tr("表示言語 / Language(&L)"));
    language->setObjectName("menuLanguage");
    auto* languages = new QActionGroup(language);
    for (const Language l : {Language::Japanese, Language::English}) {
        QAction* a = language->addAction(l == Language::Japanese ? QStringLiteral("日本語") : QStringLiteral("English"));
        a->setObjectName(l == Language::Japanese ? "menuLanguageJa" : "menuLanguageEn");
        a->setProperty(kShownAsWritten, true);
        a->setCheckable(true);
        a->setChecked(l == currentLanguage());
        languages->addAction(a);
        connect(a, &QAction::triggered, this, [this, l] { chooseLanguage(l); });
    }

    QMenu* help = menuBar()->addMenu(tr("ヘルプ(&H)"));
    add(help, "menuHELPON", tr("ヘルプ"), QKeySequence::HelpContents, &MainWindow::openHelp);
    add(help, "menuVersion", tr("バージョン"), QKeySequence(), &MainWindow::showVersionWindow);
}

void MainWindow::addTabKeys() {
    // Ctrl+PgDown and Ctrl+PgUp turn the tabs from any field; a list, slider
    // or spin box with the focus would take them as a step otherwise.
    auto add = [this](const char* name, Qt::Key key, int step) {
        auto* a = new QAction(this);
        a->setObjectName(name);
        a->setShortcut(QKeySequence(Qt::CTRL | key));
        connect(a, &QAction::triggered, this, [this, step] {
            const int n = m_tabs->count();
            m_tabs->setCurrentIndex((m_tabs->currentIndex() + step + n) % n);
        });
        addAction(a);
    };
    add("nextTab", Qt::Key_PageDown, 1);
    add("previousTab", Qt::Key_PageUp, -1);
}

void MainWindow::apply(const settings::Change& c) {
    if (m_updating) return;
    if (!c.ok) m_reports.error(c.error);
    else {
        const std::vector<int> stages = app::stagesFor(c.refresh);
        prepareUndo(stages);
        m_session.runStages(stages);
    }
    afterChange();
}

void MainWindow::afterChange() {
    noteUndoStep();
    // The song's file in the caption, marked while edits are not yet written.
    const QString song = QFileInfo(qs(m_session.song.lyricsPath)).fileName();
    setWindowTitle(song.isEmpty() ? QStringLiteral("Kvelmor") : song + QStringLiteral("[*] - Kvelmor"));
    setWindowModified(m_session.lyricsEdited);
    showSettings();
    applyEnabling();
    showPresetChanged();
    // The preview first: a message about the change is read over the song it is about.
    if (m_preview) m_preview->songOrSettingsChanged();
    showReports("Kvelmor");
}

void MainWindow::showSettings() {
    m_updating = true;
    const auto& s = m_session.settings;
    // The sample list follows the samples (a saved template adds one).
    auto* samples = qobject_cast<QComboBox*>(m_fields.at("TagSample"));
    if (samples && samples->count() != m_session.samples.count()) {
        samples->clear();
        const bool english = currentLanguage() == Language::English;
        for (int i = 0; i < m_session.samples.count(); ++i) samples->addItem(qs(m_session.samples.shownName(i, english)));
    }
    for (const auto& [name, show] : m_shows) show();
    if (auto* spin = findChild<QSpinBox*>("VScroll1")) spin->setValue(s.wholeNumber("style.number"));
    m_creditOn->setChecked(s.isOn("output.credit"));
    m_updating = false;
}

void MainWindow::applyEnabling() {
    for (const auto& f : settings::governedFields(m_session.settings)) {
        if (auto it = m_fields.find(f.name); it != m_fields.end()) it->second->setEnabled(f.enabled);
        if (auto it = m_labels.find(f.name); it != m_labels.end()) it->second->setEnabled(f.enabled);
    }
    if (QLabel* l = m_labels["TitleY"]) l->setText(qs(settings::titleRowCaption(m_session.settings, currentLanguage() == Language::English)));
    applyChoiceAndFrameEnabling();
    const bool loaded = !m_session.song.lyricsPath.empty();
    for (QPushButton* b : {m_ruby, m_edit, m_write}) b->setEnabled(loaded);
    for (const char* name : {"menuEdit", "menuRuby", "menuWrite", "menuSaveLyrics"})
        if (auto* a = findChild<QAction*>(name)) a->setEnabled(loaded);
    if (auto* a = findChild<QAction*>("menuReadings")) a->setEnabled(loaded);
}

void MainWindow::applyChoiceAndFrameEnabling() {
    for (const auto& c : settings::governedChoices(m_session.settings)) {
        auto* box = qobject_cast<QComboBox*>(m_fields[c.name]);
        auto* model = box ? qobject_cast<QStandardItemModel*>(box->model()) : nullptr;
        if (QStandardItem* item = model ? model->item(c.index) : nullptr) item->setEnabled(c.enabled);
    }
    // A frame whose every field is switched off is drawn switched off as a whole.
    for (QGroupBox* frame : m_tabs->findChildren<QGroupBox*>()) {
        bool anyOn = false, anyField = false;
        for (const auto& [name, w] : m_fields) {
            if (!frame->isAncestorOf(w)) continue;
            anyField = true;
            anyOn = anyOn || !w->testAttribute(Qt::WA_ForceDisabled);
        }
        if (anyField) frame->setEnabled(anyOn);
    }
}

void MainWindow::refreshPresetBox() {
    QSignalBlocker block(m_presetBox);
    m_presetBox->clear();
    for (const auto& n : m_session.presets.list()) m_presetBox->addItem(qs(n));
    m_presetBox->setEditText(qs(m_session.comboText));
    if (auto* remove = findChild<QPushButton*>("Command4"))
        remove->setEnabled(m_session.presets.canRemove(m_session.comboText));
}

void MainWindow::addPresetChangedMark() {
    // A bold asterisk at the end of the box, as "default *" would read,
    // without touching the text that names the preset to save.
    QPixmap mark(16, 16);
    mark.fill(Qt::transparent);
    {
        QPainter p(&mark);
        QFont f = font();
        f.setBold(true);
        f.setPixelSize(16);
        p.setFont(f);
        p.setPen(QColor(200, 40, 40));
        p.drawText(mark.rect(), Qt::AlignCenter, QStringLiteral("*"));
    }
    m_presetChangedMark = m_presetBox->lineEdit()->addAction(QIcon(mark), QLineEdit::TrailingPosition);
    m_presetChangedMark->setObjectName("presetChangedMark");
    m_presetChangedMark->setToolTip(tr("このプリセットには保存していない変更があります (設定保存で保存します)"));
    m_presetChangedMark->setVisible(false);
}

void MainWindow::showPresetChanged() {
    if (m_presetChangedMark) m_presetChangedMark->setVisible(m_session.presetChanged());
}

void MainWindow::switchPreset(const QString& name) {
    const QString current = qs(m_session.presets.currentName());
    if (m_session.presetChanged()) {
        const auto answer = m_dialogs.unsaved(
            this, "Kvelmor",
            tr("プリセット「%1」の変更を保存していません。\n保存してから「%2」に切り替えますか?")
                .arg(current, name));
        // A save that failed (its message is shown) keeps the changes here too.
        const bool saved = answer == QMessageBox::Save && m_session.savePreset(ss(current));
        if (!saved && answer != QMessageBox::Discard) {
            // Kept: the box names the preset whose settings are shown.
            m_presetBox->setEditText(qs(m_session.comboText));
            afterChange();
            return;
        }
    }
    prepareUndo({1}, tr("プリセット「%1」の読み込み").arg(name));
    m_session.selectPreset(ss(name));
    // What the status bar said about the settings before (a video's frame size) no longer holds.
    statusBar()->showMessage(tr("プリセット「%1」を読み込みました").arg(name));
    afterChange();
}

void MainWindow::showReports(const QString& title) {
    // Failures stop what was asked and are answered in a box; the checks'
    // findings and the notes of the action go to the reports pane.
    QStringList failures;
    std::vector<Report> notes;
    for (const Report& r : m_reports.reports) {
        if (r.severity == Severity::Error) failures << reportText(r);
        else if (!app::isLineCheckSummary(r)) notes.push_back(r);
    }
    m_reports.reports.clear();
    if (!notes.empty()) m_actionNotes = std::move(notes);
    showTimeCorrection();
    const auto lines = app::lineReports(m_session);
    std::vector<Report> shownNotes = m_actionNotes;
    if (m_session.songCorrectionDiffers()) {
        const bool own = *m_session.song.timeCorrection;
        shownNotes.push_back(
            {Severity::Info,
             ss(own ? tr("この曲のファイルは @timeratio=0.9953125 です。プリセットの WinAMP時間 がオフでも、"
                         "この曲のタグ時間は 640/637 倍に伸ばします")
                    : tr("この曲のファイルは @timeratio=1 です。プリセットの WinAMP時間 がオンでも、"
                         "この曲のタグ時間は書かれたとおりに使います")),
             m_session.song.lyricsPath, 0});
    }
    m_reportsPane->showReports(lines, shownNotes);
    const int count = m_reportsPane->count();
    m_reportCount->setText(count == 0 ? QString() : tr("チェック結果 %1件").arg(count));
    if (!failures.isEmpty()) m_dialogs.message(this, QMessageBox::Critical, title, failures.join('\n'));
}

void MainWindow::showTimeCorrection() {
    // The song's own correction (its file's "@timeratio=") holds for it alone
    // and outlasts a change of preset; the preset's holds for songs without one.
    const auto& own = m_session.song.timeCorrection;
    const bool stretched = m_session.options().timing.correction;
    QString text;
    if (own) text = stretched ? tr("時間補正: 640/637 (曲の @timeratio)") : tr("時間補正: なし (曲の @timeratio=1)");
    else if (stretched) text = tr("時間補正: 640/637 (WinAMP時間)");
    m_timeCorrection->setText(text);
    m_timeCorrection->setToolTip(
        own ? tr("この曲のファイルの @timeratio= がプリセットの WinAMP時間 に代わって使われます") : QString());
}

void MainWindow::showLine(int line) {
    const auto& starts = m_preview->lineStarts();
    if (line >= 1 && static_cast<size_t>(line) <= starts.size()) m_preview->setPosition(starts[static_cast<size_t>(line - 1)]);
}

void MainWindow::pickColour(const std::string& name) {
    auto c = m_dialogs.colour(this, colourFromSetting(m_session.settings.text(name)));
    if (!c) return;
    apply(m_session.settings.setAsUser(name, settingFromColour(*c)));
}

void MainWindow::pickFont(const std::string& name) {
    const auto current = m_session.settings.font(name);
    QFont initial(qs(current.face));
    initial.setPointSize(std::max(1, m_session.settings.wholeNumber(settings::fontSizeField(name))));
    initial.setBold(current.bold);
    initial.setItalic(current.italic);
    auto f = m_dialogs.font(this, initial);
    if (!f) return;
    settings::FontValue chosen{ss(f->family()), f->bold(), f->italic(), f->underline(), f->strikeOut()};
    // Accepted as it was offered: nothing changed, so no rule runs (the
    // main font's rule would raise the row gap to the ruby's height).
    if (chosen.face == current.face && chosen.bold == current.bold && chosen.italic == current.italic &&
        chosen.underline == current.underline && chosen.strikethrough == current.strikethrough &&
        f->pointSize() == initial.pointSize())
        return;
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

bool MainWindow::unwrittenWorkSettled() {
    if (!m_session.lyricsEdited) return true;
    const QString song = QFileInfo(qs(m_session.song.lyricsPath)).fileName();
    const auto answer = m_dialogs.unsaved(
        this, "Kvelmor",
        tr("「%1」の歌詞とルビの変更を、まだ保存していません。\n保存しますか?").arg(song));
    if (answer == QMessageBox::Discard) return true;
    if (answer != QMessageBox::Save) return false;
    return saveLyricsFromDialog();  // a save cancelled or failed keeps the song here
}

bool MainWindow::saveLyricsFromDialog() {
    if (m_session.song.lyricsPath.empty()) return false;
    const QFileInfo song(qs(m_session.song.lyricsPath));
    const QString path = m_dialogs.saveFile(
        this, tr("歌詞を保存"), song.absoluteDir().filePath(song.completeBaseName() + ".kra"),
        tr("カラオケタグファイル (*.kra);;歌詞テキスト UTF-8 (*.txt)"));
    if (path.isEmpty()) return false;
    if (QFileInfo::exists(path) &&
        !m_dialogs.confirm(this, tr("歌詞を保存"),
                           tr("「%1」は既にあります。上書きしますか?").arg(QFileInfo(path).fileName())))
        return false;
    const bool saved = m_session.saveLyrics(ss(path));
    if (saved) noteRecentFile(path);
    if (saved) statusBar()->showMessage(tr("歌詞を保存しました: %1").arg(path));
    afterChange();
    return saved;
}

void MainWindow::loadSongFromDialog() {
    if (!unwrittenWorkSettled()) return;
    // The open song's folder: its neighbours are the likeliest next songs.
    const QString folder = m_session.song.lyricsPath.empty()
                               ? qs(m_session.appState.textPath)
                               : QFileInfo(qs(m_session.song.lyricsPath)).absolutePath();
    const QString path = m_dialogs.openFile(
        this, tr("テキスト読込"), folder,
        tr("歌詞ファイル (*.txt *.kra);;テキストファイル (*.txt);;カラオケタグファイル (*.kra);;すべてのファイル (*)"));
    if (!path.isEmpty()) loadSong(path);
}

bool MainWindow::loadSong(const QString& path) {
    // Plain lyrics are the first file a new song has: they go to the timing
    // window, with the song the preview plays when there is one.
    if (lyrics::isPlainLyricsFile(ss(path))) {
        const bool time = m_dialogs.confirm(
            this, "Kvelmor",
            tr("%1 には時間タグがありません。\nタイミングウィンドウで曲に合わせてタイミングを付けますか?").arg(path));
        if (time) openTimingWindow(path, m_preview ? m_preview->media() : QString());
        return false;
    }
    const bool ok = m_session.openLyrics(ss(path));
    if (ok) {
        noteRecentFile(path);
        m_actionNotes.clear();  // the notes were about the song before
        // The steps were made on the song before: undone on this one they would bring it back.
        m_undoStack->clear();
        m_undoBaseline.reset();
    }
    if (ok) statusBar()->showMessage(tr("読み込みました: %1").arg(path));
    afterChange();
    // A song just opened shows its first line, not an empty frame before it.
    if (ok && m_preview) m_preview->showFirstLine();
    return ok;
}

void MainWindow::restoreWindowState() {
    settings::WindowState& w = m_session.appState.window;
    if (!w.geometry.empty()) restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(w.geometry)));
    QList<int> sizes;
    for (const QString& part : qs(w.splitterSizes).split(',', Qt::SkipEmptyParts)) sizes << part.toInt();
    if (sizes.size() == m_splitter->count() && std::all_of(sizes.begin(), sizes.end(), [](int n) { return n >= 0; }))
        m_splitter->setSizes(sizes);
    if (!w.previewVideo.empty() && m_preview && QFileInfo(qs(w.previewVideo)).isFile())
        m_preview->setMedia(qs(w.previewVideo));
    const std::vector<std::string> gone = settings::dropMissingFiles(w.recentFiles);
    if (!gone.empty()) {
        QStringList names;
        for (const std::string& p : gone) names << qs(p);
        statusBar()->showMessage(
            tr("見つからないため、最近使ったファイルから外しました: %1").arg(names.join(", ")));
    }
    showRecentFiles();
}

void MainWindow::keepWindowState() {
    settings::WindowState& w = m_session.appState.window;
    w.geometry = saveGeometry().toBase64().toStdString();
    QStringList sizes;
    for (int n : m_splitter->sizes()) sizes << QString::number(n);
    w.splitterSizes = ss(sizes.join(','));
    w.lastSong = m_session.song.lyricsPath.empty()
                     ? std::string()
                     : ss(QFileInfo(qs(m_session.song.lyricsPath)).absoluteFilePath());
    w.previewVideo = m_preview ? ss(m_preview->media()) : std::string();
}

void MainWindow::reopenLastSong() {
    const QString last = qs(m_session.appState.window.lastSong);
    if (last.isEmpty()) return;
    if (!QFileInfo(last).isFile()) {
        statusBar()->showMessage(tr("前回の歌詞ファイルが見つかりません: %1").arg(last));
        return;
    }
    loadSong(last);
}

void MainWindow::showRecentFiles() {
    m_recentMenu->clear();
    const auto& recent = m_session.appState.window.recentFiles;
    int n = 0;
    for (const std::string& p : recent) {
        const QString path = qs(p);
        // 1 to 9 and 0 as the keys of the first ten.
        QAction* a = m_recentMenu->addAction(QStringLiteral("&%1 %2").arg(++n % 10).arg(QFileInfo(path).fileName()));
        a->setToolTip(path);
        a->setStatusTip(path);
        a->setData(path);
        connect(a, &QAction::triggered, this, [this, path] { openRecentFile(path); });
    }
    if (!recent.empty()) {
        m_recentMenu->addSeparator();
        m_recentMenu->addAction(tr("一覧を消去"), this, [this] {
            m_session.appState.window.recentFiles.clear();
            showRecentFiles();
        });
    }
    m_recentMenu->setToolTipsVisible(true);
    m_recentMenu->setEnabled(!recent.empty());
}

void MainWindow::openRecentFile(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        auto& recent = m_session.appState.window.recentFiles;
        recent.erase(std::remove(recent.begin(), recent.end(), ss(path)), recent.end());
        showRecentFiles();
        statusBar()->showMessage(tr("見つからないため、最近使ったファイルから外しました: %1").arg(path));
        return;
    }
    if (unwrittenWorkSettled()) loadSong(path);
}

void MainWindow::noteRecentFile(const QString& path) {
    settings::addRecentFile(m_session.appState.window.recentFiles, ss(QFileInfo(path).absoluteFilePath()));
    showRecentFiles();
}

namespace {
// The one local file a drag carries; empty for anything else.
QString draggedFile(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1 || !data->urls().front().isLocalFile()) return {};
    return data->urls().front().toLocalFile();
}
}  // namespace

void MainWindow::acceptFileDrops() {
    setAcceptDrops(true);
    // A field would take a file's path as typed text.
    for (QLineEdit* e : findChildren<QLineEdit*>()) e->setAcceptDrops(false);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* e) {
    if (!draggedFile(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* e) {
    const QString path = draggedFile(e->mimeData());
    if (path.isEmpty()) return;
    e->acceptProposedAction();
    // The drop's own event ends first, so that a question about unsaved
    // edits is not asked while the file manager waits for the drop.
    QTimer::singleShot(0, this, [this, path] { openDroppedFile(path); });
}

void MainWindow::openDroppedFile(const QString& path) {
    if (lyrics::hasLyricsExtension(ss(path))) {
        if (unwrittenWorkSettled()) loadSong(path);
        return;
    }
    if (!m_preview) return;
    m_preview->setMedia(path);
    if (m_preview->media() == path) statusBar()->showMessage(tr("プレビューの動画: %1").arg(path));
    afterChange();  // a file that is not a video is reported
}

namespace {
// Stages that lay out the lines again from the working table, for a change
// of unknown stages undone or redone (those of a newly selected preset, less
// the rebuild, which would drop the ruby editor's work).
const std::vector<int> kLayOutAgain{2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17};
}  // namespace

void MainWindow::addEditMenu() {
    m_undoStack = new QUndoStack(this);
    m_undoStack->setUndoLimit(100);  // steps; those that keep a whole song are the editors' and presets'
    QMenu* edit = menuBar()->addMenu(tr("編集(&E)"));
    edit->setObjectName("menuUndoRedo");
    QAction* undo = edit->addAction(tr("元に戻す(&U)"));
    undo->setObjectName("menuUndo");
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = edit->addAction(tr("やり直す(&R)"));
    redo->setObjectName("menuRedo");
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    connect(undo, &QAction::triggered, this, &MainWindow::undo);
    connect(redo, &QAction::triggered, this, &MainWindow::redo);
    auto update = [this, undo, redo] {
        undo->setEnabled(m_undoStack->canUndo());
        redo->setEnabled(m_undoStack->canRedo());
        undo->setText(m_undoStack->canUndo() ? tr("元に戻す(&U): %1").arg(m_undoStack->undoText())
                                             : tr("元に戻す(&U)"));
        redo->setText(m_undoStack->canRedo() ? tr("やり直す(&R): %1").arg(m_undoStack->redoText())
                                             : tr("やり直す(&R)"));
    };
    // Tied to the action: the stack, cleared as the window goes, then finds no action to update.
    connect(m_undoStack, &QUndoStack::indexChanged, undo, update);
    update();
    auto* keys = new UndoKeysToWindow(this);
    for (QLineEdit* e : findChildren<QLineEdit*>()) e->installEventFilter(keys);
}

void MainWindow::undo() {
    // Typing not yet applied to its field is the latest change: it goes first.
    if (m_undoBaseline && !m_undoBaseline->sameSettings(m_session)) {
        m_session.settings = m_undoBaseline->settings;
        showUndoneState();
        statusBar()->showMessage(tr("入力を元に戻しました"));
        return;
    }
    if (!m_undoStack->canUndo()) return;
    // Said in the status bar, which no longer says what held before.
    const QString text = m_undoStack->undoText();
    m_undoStack->undo();
    statusBar()->showMessage(tr("元に戻しました: %1").arg(text));
}

void MainWindow::redo() {
    if (!m_undoStack->canRedo()) return;
    const QString text = m_undoStack->redoText();
    m_undoStack->redo();
    statusBar()->showMessage(tr("やり直しました: %1").arg(text));
}

void MainWindow::prepareUndo(const std::vector<int>& stages, const QString& text) {
    m_pendingStages = stages;
    m_pendingText = text;
    if (std::find(stages.begin(), stages.end(), 1) != stages.end())
        m_pendingSong = app::SessionState::SongState{m_session.song, m_session.header, m_session.lyricsEdited};
}

void MainWindow::recordUndo(const QString& text, app::SessionState before) {
    m_undoStack->push(new SessionChange(m_session, std::move(before), app::captureState(m_session, true), {},
                                        [this] { showUndoneState(); }, text));
    m_undoBaseline = app::captureState(m_session, false);
}

void MainWindow::noteUndoStep() {
    if (m_undoing || !m_undoStack) return;
    if (m_undoBaseline && !m_undoBaseline->sameSettings(m_session)) {
        app::SessionState before = std::move(*m_undoBaseline);
        before.song = std::move(m_pendingSong);
        const bool withSong = before.song.has_value();
        const QString text = m_pendingText.isEmpty() ? changeCaption(before.settings) : m_pendingText;
        // Values the program keeps up to date itself (pixel heights a save
        // measures again) are no step of the user's.
        if (!text.isEmpty())
            m_undoStack->push(new SessionChange(m_session, std::move(before), app::captureState(m_session, withSong),
                                            m_pendingStages.value_or(kLayOutAgain), [this] { showUndoneState(); },
                                            text));
    }
    m_pendingStages.reset();
    m_pendingSong.reset();
    m_pendingText.clear();
    m_undoBaseline = app::captureState(m_session, false);
}

void MainWindow::showUndoneState() {
    m_undoing = true;
    refreshPresetBox();
    afterChange();
    m_undoing = false;
    m_undoBaseline = app::captureState(m_session, false);
}

QString MainWindow::changeCaption(const settings::ConversionSettings& before) const {
    for (const auto& [name, w] : m_fields) {
        if (before.text(name) == m_session.settings.text(name)) continue;
        QString caption;
        if (auto it = m_labels.find(name); it != m_labels.end()) caption = it->second->text();
        else if (auto* b = qobject_cast<QAbstractButton*>(w); b && settings::findSetting(name)->kind != Kind::FontFace)
            caption = b->text();
        caption.remove('&');
        if (!caption.isEmpty()) return tr("「%1」の変更").arg(caption);
    }
    return {};
}

void MainWindow::startBatchFromDialog() {
    const QString folder = m_dialogs.folder(this, tr("読み込みフォルダを指定"), qs(m_session.appState.textPath));
    if (!folder.isEmpty()) startBatch(folder);
}

void MainWindow::startBatch(const QString& folder) {
    // The batch works on its own copy of the session: the song open here,
    // with what the editors changed in it and the time correction its file
    // chose, stays, so a batch never costs work not yet written.
    BatchWindow w(m_session, folder, this);
    placeOver(&w, this);
    w.exec();
    afterChange();
}

void MainWindow::writeFiles() {
    if (m_session.song.lyricsPath.empty()) return;
    QStringList written;
    if (m_session.writeScript()) {
        written << qs(m_session.defaultScriptPath());
        if (m_session.options().output.kra && m_session.writeKra())
            written << qs(lyrics::kraPathFor(m_session.song.lyricsPath));
    }
    // The script holds the edits; the lyrics file does not until they are saved.
    if (!written.isEmpty())
        statusBar()->showMessage(tr("書き込みました: %1%2")
                                     .arg(written.join(", "),
                                          m_session.lyricsEdited
                                              ? tr("  (歌詞の変更はまだ保存していません: 歌詞を保存 Ctrl+Shift+S)")
                                              : QString()));
    afterChange();
}

void MainWindow::chooseMediaFile() {
    const QString path = m_dialogs.openFile(this, tr("ﾒﾃﾞｨｱ情報取得"), qs(m_session.appState.mediaPath),
                                            tr("メディアファイル (*.mp4 *.mkv *.webm *.mov *.avi *.mpg *.mpeg *.m4a "
                                            "*.mp3 *.flac *.wav *.ogg);;すべてのファイル (*)"));
    if (!path.isEmpty()) probeMedia(path);
}

void MainWindow::probeMedia(const QString& path) {
    auto r = app::probeMedia(m_session, ss(path));
    // The video read is the one the preview shows and plays.
    if (r && m_preview) m_preview->setMedia(path);
    if (r)
        statusBar()->showMessage(QStringLiteral("%1: %2×%3").arg(path, QString::number(m_session.options().frame.width),
                                                               QString::number(m_session.options().frame.height)));
    afterChange();
}

void MainWindow::openRubyEditor() {
    if (m_session.song.lyricsPath.empty()) return;
    app::SessionState before = app::captureState(m_session, true);
    // At the line the preview shows: the one the user is looking at.
    if (RubyEditor::open(m_session, this, m_preview ? m_preview->selectedLine() : 1) == QDialog::Accepted)
        recordUndo(tr("ルビ作成"), std::move(before));
    afterChange();  // the fields and the preview show what the editor changed
}

void MainWindow::openLyricsEditor() {
    if (m_session.song.lyricsPath.empty()) return;
    app::SessionState before = app::captureState(m_session, true);
    LyricsEditor editor(m_session, this);
    placeOver(&editor, this);
    if (editor.exec() == QDialog::Accepted) recordUndo(tr("歌詞編集"), std::move(before));
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

void MainWindow::chooseLanguage(Language language) {
    const std::string& settingsPath = m_session.ini.path();
    if (!storeLanguage(settingsPath, language))
        m_dialogs.message(this, QMessageBox::Warning, "Kvelmor",
                          tr("表示言語の選択を保存できませんでした: %1").arg(qs(languageChoicePath(settingsPath))));
    if (language == currentLanguage()) return;
    // In both languages: the user may read only the one chosen.
    const QString ask = language == Language::English
                            ? QStringLiteral("次に起動したときから、ウィンドウは英語で表示されます。今すぐ起動し直しますか?\n\n"
                                             "The windows will be in English from the next start. Restart now?")
                            : QStringLiteral("次に起動したときから、ウィンドウは日本語で表示されます。今すぐ起動し直しますか?\n\n"
                                             "The windows will be in Japanese from the next start. Restart now?");
    if (!m_dialogs.confirm(this, QStringLiteral("表示言語 / Language"), ask) || !close()) return;
    QStringList arguments{"--lang", languageCode(language)};
    if (!settingsPath.empty()) arguments << "--settings" << qs(settingsPath);
    QProcess::startDetached(QCoreApplication::applicationFilePath(), arguments);
}

void MainWindow::keepSettingsSomewhere() {
    const QString home = qs(m_session.ini.path());
    for (;;) {
        // Why the save failed (a full disk, a folder without write access), as the store reported it.
        QStringList why;
        for (const Report& r : m_reports.reports)
            if (r.severity == Severity::Error) why << qs(r.text);
        m_reports.reports.clear();
        const auto answer = m_dialogs.writeFailed(
            this, "Kvelmor",
            tr("設定ファイル %1 を保存できませんでした。\n%2\n\n空きを作ってから再試行するか、別の場所に保存してください。"
               "保存しないと、このセッションのプリセットと設定は失われます。")
                .arg(qs(m_session.ini.path()), why.join('\n')));
        if (answer == QMessageBox::Discard) {
            m_reports.error(ss(tr("設定を保存できませんでした。プリセットと設定は失われます。")), ss(home));
            return;
        }
        if (answer == QMessageBox::Save) {
            const QString other =
                m_dialogs.saveFile(this, tr("設定の保存先"), qs(app::fallbackFolder()) + '/' + QFileInfo(home).fileName(),
                                   tr("設定ファイル (*.ini)"));
            if (other.isEmpty()) continue;
            m_session.ini.setPath(ss(other));
            if (m_session.ini.save()) {
                m_dialogs.message(this, QMessageBox::Information, "Kvelmor",
                                  tr("設定を %1 に保存しました。\n次回はこのファイルを %2 に置くか、"
                                     "kvelmor-gui --settings %1 で起動してください。")
                                      .arg(other, home));
                return;
            }
            m_session.ini.setPath(ss(home));
            continue;
        }
        if (m_session.ini.save()) return;
    }
}

void MainWindow::closeEvent(QCloseEvent* e) {
    if (!m_shutDown && !unwrittenWorkSettled()) {
        e->ignore();
        return;
    }
    if (!m_shutDown) {
        m_shutDown = true;
        dropKeptEdits();  // saved, or let go
        keepWindowState();
        if (!m_session.shutDown()) keepSettingsSomewhere();
        showReports("Kvelmor");
    }
    e->accept();
}

}  // namespace kvelmor::ui
