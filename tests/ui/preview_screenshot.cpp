// A picture of the preview pane for looking at, not for asserting: the
// example song mid-line, saved as PNG. Run under Xvfb by
// scripts/preview_screenshot.sh.
//
//   preview_screenshot OUT.png [SECONDS] [VIDEO]

#include <unistd.h>

#include <QApplication>
#include <QSignalSpy>
#include <cstdio>
#include <filesystem>

#include "app/session.h"
#include "measure/freetype_measurer.h"
#include "ui/preview_pane.h"

using namespace kvelmor;
namespace fs = std::filesystem;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: preview_screenshot OUT.png [SECONDS] [VIDEO]\n");
        return 2;
    }
    const fs::path dir = fs::temp_directory_path() / ("kvelmor_preview_shot_" + std::to_string(getpid()));
    fs::create_directories(dir);
    CollectingReporter reporter;
    measure::FreeTypeMeasurer measurer;
    app::Session session(reporter, measurer);
    session.startUp((dir / "Kvelmor.ini").string());
    if (!session.loadLyrics(std::string(KVELMOR_EXAMPLES) + "/sakura_no_michi.txt")) return 2;

    ui::PreviewPane pane(session);
    pane.resize(760, 760);
    pane.show();
    if (argc > 3) pane.setMedia(QString::fromLocal8Bit(argv[3]));
    QSignalSpy shown(&pane, &ui::PreviewPane::frameShown);
    pane.setPosition(static_cast<qint64>((argc > 2 ? std::atof(argv[2]) : 6.3) * 1000));
    // A video is decoded from its key frame on, which may take a while.
    while (pane.framePosition() != pane.position() && shown.wait(20000)) {
    }
    const bool saved = pane.grab().save(QString::fromLocal8Bit(argv[1]), "PNG");
    fs::remove_all(dir);
    return saved ? 0 : 1;
}
