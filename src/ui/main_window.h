#pragma once
// The main window ("Form1"): the five settings tabs, the preset box, the
// command buttons and the menus over one app::Session. Every reaction is
// forwarded to the session; afterwards the widgets show what the settings
// now hold and which fields are switched on.

#include <QMainWindow>
#include <map>
#include <string>

#include "app/session.h"
#include "common/reporter.h"
#include "ui/dialogs.h"

class QAction;
class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QSplitter;
class QTabWidget;

namespace kvelmor::ui {

class PreviewPane;

struct FormField;

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

    Dialogs& dialogs() { return m_dialogs; }
    app::Session& session() { return m_session; }
    // The splitter whose right side takes a preview pane; the tabs are on its left.
    QSplitter* splitter() const { return m_splitter; }
    PreviewPane* preview() const { return m_preview; }
    // The timing window over the lyrics and the song given (asked for when
    // empty); the timed lyrics it saves are loaded here. Nothing when cancelled.
    TimingWindow* openTimingWindow(const QString& lyricsPath = {}, const QString& soundPath = {});

public slots:
    void loadSongFromDialog();       // Command1 click, Ctrl+O
    void startBatchFromDialog();     // Command1 right button
    void startBatch(const QString& folder);
    void writeFiles();               // Command7, Ctrl+S
    void chooseMediaFile();          // Command13
    void probeMedia(const QString& path);
    void openRubyEditor();           // Command5
    void openLyricsEditor();         // Command10
    void showCreditWindow();         // menuCreditConfig
    void showVersionWindow();        // menuVersion
    void openHelp();                 // menuHELPON
    void openTimingFromMenu();       // menuTiming

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildForm(QTabWidget* tabs);
    QWidget* buildCommands();
    void buildMenus();
    QWidget* bindField(const FormField& field, QWidget* parent, QLabel*& label);

    void apply(const settings::Change& c);  // the stages of a change, then afterChange()
    // Called after every change of settings, preset or song: the widgets show
    // the settings, the enabling rules and labels follow, messages are shown.
    void afterChange();
    void showSettings();
    void applyEnabling();
    void refreshPresetBox();
    void showReports(const QString& title);
    // The editors changed the song since it was loaded or written.
    void setUnwritten(bool unwritten);
    // Before the song is replaced or the window closes: true when nothing
    // unwritten is left behind (written, given up, or there was nothing).
    bool unwrittenWorkSettled();

    void pickColour(const std::string& name);
    void pickFont(const std::string& name);

    app::Session& m_session;
    CollectingReporter m_reports;
    Reporter& m_previousReporter;
    Dialogs m_dialogs = Dialogs::standard();

    std::map<std::string, QWidget*> m_fields;  // setting name -> its widget
    std::map<std::string, QLabel*> m_labels;   // setting name -> the label before it
    std::map<std::string, QButtonGroup*> m_optionGroups;
    QTabWidget* m_tabs = nullptr;
    QSplitter* m_splitter = nullptr;
    PreviewPane* m_preview = nullptr;
    QComboBox* m_presetBox = nullptr;
    QPushButton* m_load = nullptr;
    QPushButton* m_ruby = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_write = nullptr;
    QAction* m_creditOn = nullptr;
    bool m_unwritten = false;
    bool m_rubyTyped = false;  // readings typed in the ruby editor, which a lyrics edit drops  // the editors changed the song and it is not yet written
    bool m_updating = false;  // the widgets are being set from the settings
    bool m_shutDown = false;
};

}  // namespace kvelmor::ui
