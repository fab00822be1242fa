// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window: the five settings tabs, the preset box, the
// command buttons and the menus over one app::Session. Every reaction is
// forwarded to the session; afterwards the widgets show what the settings
// now hold and which fields are switched on.

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/recovery.h"
#include "app/session.h"
#include "app/session_state.h"
#include "common/reporter.h"
#include "ui/dialogs.h"
#include "ui/language.h"

class QAction;
class QButtonGroup;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class QTabWidget;
class QUndoStack;

namespace kvelmor::ui {

class PreviewPane;
class ReportsPane;

struct FormField;
struct FieldAccess;

class TimingWindow;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Takes over the session's messages while the window lives.
    explicit MainWindow(app::Session& session, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up: reads the settings file, fills the preset box and shows the "default" preset.
    void startUp(const std::string& settingsPath);
    // Loads a lyrics file as the load button does after its dialog.
    bool loadSong(const QString& path);
    // Loads the song that was open when the window last closed, if it is
    // still there (a note in the status bar when it is not).
    void reopenLastSong();
    // Start-up: edits left unsaved by a run that did not end are offered
    // back, newest first, until one is restored (main_window_recovery.cpp).
    // True when a song was restored.
    bool offerRecovery();

    Dialogs& dialogs() { return m_dialogs; }
    app::Session& session() { return m_session; }
    // The splitter whose right side takes a preview pane; the tabs are on its left.
    QSplitter* splitter() const { return m_splitter; }
    PreviewPane* preview() const { return m_preview; }
    ReportsPane* reportsPane() const { return m_reportsPane; }

    QUndoStack* undoStack() const { return m_undoStack; }
    // The timing window over the lyrics and the song given (asked for when
    // empty); the timed lyrics it saves are loaded here. Nothing when cancelled.
    TimingWindow* openTimingWindow(const QString& lyricsPath = {}, const QString& soundPath = {});

public slots:
    // Ctrl+Z: typing not yet applied to a field first, else the last step.
    void undo();
    void redo();                     // Ctrl+Shift+Z, Ctrl+Y
    void loadSongFromDialog();       // テキスト読込, Ctrl+O
    void startBatchFromDialog();     // テキスト読込 with the right button
    void startBatch(const QString& folder);
    void writeFiles();               // ファイル作成, Ctrl+S
    // Ctrl+Shift+S: the song as a lyrics file (.kra or .txt), readings and
    // header lines included; false when it was not saved.
    bool saveLyricsFromDialog();
    void chooseMediaFile();          // メディア情報取得
    void probeMedia(const QString& path);
    void openRubyEditor();           // ルビ作成
    // ファイル > 読み候補を付ける: every missing reading of the song suggested and kept (readings_menu.cpp).
    void fillReadings();
    void openLyricsEditor();         // テキスト編集
    void showCreditWindow();         // menuCreditConfig
    void showVersionWindow();        // menuVersion
    void openHelp();                 // menuHELPON
    // 表示言語 / Language: keeps the choice beside the settings file and,
    // when it differs from the windows' language, offers to start again in
    // it (every text is made when its window is built).
    void chooseLanguage(Language language);
    void openTimingFromMenu();       // menuTiming

protected:
    void closeEvent(QCloseEvent* e) override;
    // A lyrics file (.txt, .kra) dropped on the window opens, as from the
    // load button; any other file becomes the preview's video.
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildForm(QTabWidget* tabs);
    QWidget* buildCommands();
    void buildMenus();
    void addTabKeys();
    QWidget* bindField(const FormField& field, QWidget* parent, QLabel*& label);
    // How the bound widgets reach the session's settings.
    FieldAccess fieldAccess();

    void apply(const settings::Change& c);  // the stages of a change, then afterChange()
    // Called after every change of settings, preset or song: the widgets show
    // the settings, the enabling rules and labels follow, messages are shown.
    void afterChange();
    void showSettings();
    void applyEnabling();
    // Single list entries and whole frames follow the enabling rules too.
    void applyChoiceAndFrameEnabling();
    void refreshPresetBox();
    // Failures in a message box; the checks' findings and the action's notes in the reports pane.
    void showReports(const QString& title);
    // After a failed save of the settings at quit: retried, saved to another
    // file the user picks, or given up only when the user says so.
    void keepSettingsSomewhere();
    // The time correction in force, in the status bar.
    void showTimeCorrection();
    // The preview goes to a working line (1-based).
    void showLine(int line);
    // Before the song is replaced or the window closes: true when no edit
    // of the lyrics is left unsaved (saved, given up, or there was none).
    bool unwrittenWorkSettled();

    // The preset box: a mark while the settings differ from the stored
    // preset, and a question before a selection drops such changes.
    void addPresetChangedMark();
    void showPresetChanged();
    void switchPreset(const QString& name);

    // Between runs: the window's place and size, the splitter, the preview
    // video and the recent files come back at start-up and are kept at
    // closing (in the application state).
    void restoreWindowState();
    void keepWindowState();
    // The ファイル menu's list of recent lyrics files, newest first.
    void showRecentFiles();
    void openRecentFile(const QString& path);
    // A file opened or saved goes to the top of the list.
    void noteRecentFile(const QString& path);
    // Files are dropped on the window, not into its fields.
    void acceptFileDrops();
    void openDroppedFile(const QString& path);

    // Undo and redo: the 編集 menu over the window's undo stack. A change of
    // the settings or the preset becomes a step where afterChange sees it
    // (noteUndoStep); prepareUndo, called before a change runs its stages,
    // gives the step those stages, its text, and the song where the stages
    // rebuild the lines. The editors record their steps themselves.
    void addEditMenu();
    void prepareUndo(const std::vector<int>& stages, const QString& text = {});
    void recordUndo(const QString& text, app::SessionState before);
    void noteUndoStep();
    void showUndoneState();
    // "「幅」の変更": the first setting shown in a field whose text differs
    // from `before`; empty when none does.
    QString changeCaption(const settings::ConversionSettings& before) const;

    // Edits of the song not yet saved, kept every few seconds in a recovery
    // file; dropped when they are let go at closing.
    void startKeepingEdits();
    void keepEdits();
    void dropKeptEdits();

    void pickColour(const std::string& name);
    void pickFont(const std::string& name);

    app::Session& m_session;
    CollectingReporter m_reports;
    Reporter& m_previousReporter;
    Dialogs m_dialogs = Dialogs::standard();

    std::map<std::string, QWidget*> m_fields;  // setting name -> its widget
    std::map<std::string, std::function<void()>> m_shows;  // setting name -> shows its value
    std::map<std::string, QLabel*> m_labels;   // setting name -> the label before it
    std::map<std::string, QButtonGroup*> m_optionGroups;
    QTabWidget* m_tabs = nullptr;
    QSplitter* m_splitter = nullptr;
    PreviewPane* m_preview = nullptr;
    ReportsPane* m_reportsPane = nullptr;
    QLabel* m_reportCount = nullptr;
    QLabel* m_timeCorrection = nullptr;  // the time correction in force, in the status bar
    std::vector<Report> m_actionNotes;  // the warnings of the last action that had any
    QComboBox* m_presetBox = nullptr;
    QPushButton* m_load = nullptr;
    QPushButton* m_ruby = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_write = nullptr;
    QAction* m_creditOn = nullptr;
    QAction* m_presetChangedMark = nullptr;
    QMenu* m_recentMenu = nullptr;
    QUndoStack* m_undoStack = nullptr;
    std::optional<app::SessionState> m_undoBaseline;  // the state after the last step or load
    std::optional<std::vector<int>> m_pendingStages;  // of the change being made
    std::optional<app::SessionState::SongState> m_pendingSong;
    QString m_pendingText;
    bool m_undoing = false;
    bool m_updating = false;  // the widgets are being set from the settings
    bool m_shutDown = false;
    std::unique_ptr<app::EditedLyricsKeeper> m_editKeeper;
    QString m_editsKeptIn;  // the recovery file the status bar last named
};

}  // namespace kvelmor::ui
