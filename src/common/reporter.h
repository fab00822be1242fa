// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Messages for the user. The core never prints and never opens a window: it
// hands every message to a Reporter. The command line prints them, the main
// window shows a message box, tests collect them.

#include <string>
#include <vector>

namespace kvelmor {

enum class Severity { Info, Warning, Error };

struct Report {
    Severity severity = Severity::Error;
    std::string text;  // the message as the user sees it
    std::string file;  // the file it concerns, empty when none
    int line = 0;      // 1-based line in that file, 0 when none
};

class Reporter {
public:
    virtual ~Reporter() = default;
    virtual void report(const Report& r) = 0;

    void error(std::string text, std::string file = {}, int line = 0) {
        report({Severity::Error, std::move(text), std::move(file), line});
    }
    void warning(std::string text, std::string file = {}, int line = 0) {
        report({Severity::Warning, std::move(text), std::move(file), line});
    }
    void info(std::string text, std::string file = {}, int line = 0) {
        report({Severity::Info, std::move(text), std::move(file), line});
    }
};

// Keeps every report; used by tests and by callers that decide later.
class CollectingReporter : public Reporter {
public:
    void report(const Report& r) override { reports.push_back(r); }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& r : reports) out.push_back(r.text);
        return out;
    }
    std::vector<Report> reports;
};

class NullReporter : public Reporter {
public:
    void report(const Report&) override {}
};

// "file:line: text", "file: text" or "text".
std::string formatReport(const Report& r);

}  // namespace kvelmor
