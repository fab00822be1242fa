// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What every subcommand shares: the options, the reporter that prints, and
// the session set up from the settings file, --preset and --set.

#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/media.h"
#include "app/session.h"
#include "common/reporter.h"
#include "measure/freetype_measurer.h"

namespace kvelmor::cli {

// Prints every message (to stderr unless redirected) and counts the errors
// and warnings.
class StderrReporter : public Reporter {
public:
    void report(const Report& r) override;
    bool toStdout = false;
    int count = 0;
};

struct Options {
    std::string settingsPath;
    std::string output;
    bool kra = false;
    std::optional<std::string> preset;
    std::string media;  // --media: the video whose frame size, pixel shape and times to take
    std::vector<std::pair<std::string, std::string>> sets;
    std::vector<std::string> positional;
};

// A mistake in the command line itself; the message is printed with a hint at --help.
struct UsageError {
    std::string message;
};

// Reads the options that follow args[first]; throws UsageError.
Options parseOptions(const std::vector<std::string>& args, size_t first);

std::string joined(const std::vector<std::string>& v);

// Terminal columns a text takes: ASCII one, anything else counted as two so
// that kana and kanji never push a line past its room.
size_t displayWidth(const std::string& s);

// Applies --preset and --set; false (with the reason printed) when one is refused.
bool applyOptions(app::Session& session, const Options& o);

// A session for a converting command. The settings file is read, never written.
struct Converter {
    StderrReporter reporter;
    measure::FreeTypeMeasurer measurer;
    app::Session session{reporter, measurer};
};

// Reads the settings file and applies --preset, --media and --set. A media
// file that cannot be read fails it.
bool prepare(Converter& c, const Options& o);
// The same, handing back what the probe of --media read and wrote.
bool prepare(Converter& c, const Options& o, std::optional<app::MediaProbeResult>& probe);

// The subcommands; each returns its exit code (0 done, 1 done with reports, 2 failed).
int presetsCommand(const std::vector<std::string>& args);
int convertCommand(const std::vector<std::string>& args);
int checkCommand(const std::vector<std::string>& args);
int kraCommand(const std::vector<std::string>& args);
int probeCommand(const std::vector<std::string>& args);
int batchCommand(const std::vector<std::string>& args);
int renderCommand(const std::vector<std::string>& args);
int readingsCommand(const std::vector<std::string>& args);
// kvelmor-render runs burn as it runs render: both draw with libass.
int burnCommand(const std::vector<std::string>& args);
int fieldsCommand(const std::vector<std::string>& args);

}  // namespace kvelmor::cli
