// SPDX-License-Identifier: GPL-3.0-or-later
// kvelmor-gui [FILE] [--settings FILE] [--lang ja|en] [--batch FOLDER] [--at SECONDS]
// [--timing FILE --audio MEDIA]: the main window over one session.

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QTimer>
#include <cmath>
#include <cstring>

#include "app/session.h"
#include "measure/freetype_measurer.h"
#include "ui/language.h"
#include "ui/main_window.h"
#include "ui/preview_pane.h"
#include "ui/qt_text.h"
#include "ui/version_window.h"

namespace {

struct Arguments {
    QCommandLineParser parser;
    QCommandLineOption settings{"settings", "Read and write the settings FILE instead of the default one.", "FILE"};
    QCommandLineOption batch{"batch", "Convert every .txt file of FOLDER in the batch window.", "FOLDER"};
    QCommandLineOption at{"at", "Show the preview at SECONDS from the start of the song.", "SECONDS"};
    QCommandLineOption timing{"timing", "Open the timing window on the lyrics FILE (plain or timed).", "FILE"};
    QCommandLineOption audio{"audio", "The song the timing window plays (any file FFmpeg reads).", "MEDIA"};
    QCommandLineOption lang{"lang",
                            "The language of the windows: ja (Japanese) or en (English). Without it, the one chosen in "
                            "the Language menu, else the system's (Japanese for a ja locale, English otherwise).",
                            "ja|en"};

    Arguments() {
        parser.setApplicationDescription("Kvelmor: timed karaoke lyrics to ASS subtitle scripts");
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(settings);
        parser.addOption(batch);
        parser.addOption(at);
        parser.addOption(timing);
        parser.addOption(audio);
        parser.addOption(lang);
        parser.addPositionalArgument("FILE", "A lyrics file (.txt or .kra) to load at start.", "[FILE]");
    }
};

// --help and --version print and end without opening a display.
bool printsOnly(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        for (const char* o : {"-h", "--help", "--help-all", "-v", "--version", "-?"})
            if (std::strcmp(argv[i], o) == 0) return true;
    return false;
}

void describe(QCoreApplication& app) {
    app.setApplicationName("Kvelmor");
    app.setApplicationVersion(kvelmor::ui::versionText());
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kvelmor;
    if (printsOnly(argc, argv)) {
        QCoreApplication app(argc, argv);
        describe(app);
        Arguments args;
        args.parser.process(app);
        return 0;
    }
    QApplication app(argc, argv);
    describe(app);
    QApplication::setDesktopFileName("kvelmor");
    QApplication::setWindowIcon(QIcon::fromTheme("kvelmor"));
    Arguments args;
    args.parser.process(app);
    const QStringList files = args.parser.positionalArguments();
    if (files.size() > 1) {
        fputs("kvelmor-gui takes at most one FILE\n", stderr);
        return 2;
    }
    const QString lang = args.parser.value(args.lang);
    if (args.parser.isSet(args.lang) && !ui::languageNamed(lang)) {
        fputs("kvelmor-gui: --lang takes ja (Japanese) or en (English)\n", stderr);
        return 2;
    }
    // Checked before any window opens: a refused argument shows none.
    qint64 atMilliseconds = -1;
    if (args.parser.isSet(args.at)) {
        bool ok = false;
        const double seconds = args.parser.value(args.at).toDouble(&ok);
        // "nan" and "inf" convert too; no song has such a time.
        if (!ok || !std::isfinite(seconds) || seconds < 0 || seconds > 24 * 3600) {
            fputs("kvelmor-gui: --at takes seconds from the start of the song, such as 6.3\n", stderr);
            return 2;
        }
        atMilliseconds = static_cast<qint64>(seconds * 1000);
    }
    const std::string settingsPath =
        args.parser.isSet(args.settings) ? ui::ss(args.parser.value(args.settings)) : app::defaultSettingsPath();
    // Before the first window: every text is made in this language.
    if (!ui::useLanguage(ui::startLanguage(lang, settingsPath))) {
        fputs("kvelmor-gui: the English translation is missing from this build; the windows are in Japanese\n", stderr);
        ui::useLanguage(ui::Language::Japanese);
    }

    CollectingReporter startReports;
    measure::FreeTypeMeasurer measurer;
    app::Session session(startReports, measurer);
    ui::MainWindow window(session);
    window.startUp(settingsPath);
    window.show();
    // Edits a run that was killed left unsaved come first: the song they
    // restore is open instead of the last one.
    const bool restored = window.offerRecovery();
    if (restored && !files.isEmpty())
        fprintf(stderr, "kvelmor-gui: %s was not opened: the unsaved edits just restored are open instead\n",
                qPrintable(files.front()));
    else if (!files.isEmpty()) window.loadSong(files.front());
    else if (!restored && !args.parser.isSet(args.batch)) window.reopenLastSong();
    if (atMilliseconds >= 0) window.preview()->setPosition(atMilliseconds);
    if (args.parser.isSet(args.timing) != args.parser.isSet(args.audio)) {
        fputs("kvelmor-gui: --timing FILE and --audio MEDIA go together\n", stderr);
        return 2;
    }
    if (args.parser.isSet(args.timing) &&
        !window.openTimingWindow(args.parser.value(args.timing), args.parser.value(args.audio)))
        return 1;  // the window said why
    if (args.parser.isSet(args.batch)) {
        const QString folder = args.parser.value(args.batch);
        QTimer::singleShot(0, &window, [&window, folder] { window.startBatch(folder); });
    }
    return app.exec();
}
