// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The findings of the time-order and fit checks line by line, for a window
// that shows them beside the song instead of one summary box after every
// change. Each names its working line (1-based, as the preview lists them).

#include <string>
#include <vector>

#include "common/reporter.h"

namespace kvelmor::app {

class Session;

struct LineReport {
    int line = 0;      // 1-based in the working table
    std::string text;     // Japanese, naming the line and what is wrong with it
    std::string english;  // the same in English, for the window in English
};

// Every line the time-order check reports, then every line the fit check
// reports (the lines beyond the margins only while some line does not fit
// at all, as the check reports them), in table order within each check.
std::vector<LineReport> lineReports(const Session& session);

// Whether `r` is the summary of a check whose findings lineReports lists.
bool isLineCheckSummary(const Report& r);

}  // namespace kvelmor::app
