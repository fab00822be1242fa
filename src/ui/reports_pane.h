// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The reports pane: what the checks find in the song, one entry per line
// (clicking one goes to that line in the preview), and the warnings of the
// last action. It never interrupts: failures that stop an action (a file
// that cannot be read or written) are still shown in a message box by the
// window.

#include <QWidget>
#include <vector>

#include "app/line_reports.h"
#include "common/reporter.h"

class QLabel;
class QListWidget;

namespace kvelmor::ui {

class ReportsPane : public QWidget {
    Q_OBJECT
public:
    explicit ReportsPane(QWidget* parent = nullptr);

    // Replaces what is listed: the song's line findings, then the warnings
    // and notes of the last action (which stay until the next one brings its own).
    void showReports(const std::vector<app::LineReport>& lines, const std::vector<Report>& others);
    int count() const;

signals:
    // A line's entry was chosen (1-based working line).
    void lineChosen(int line);

private:
    QLabel* m_heading;
    QListWidget* m_list;
};

}  // namespace kvelmor::ui
