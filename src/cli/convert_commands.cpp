// SPDX-License-Identifier: GPL-3.0-or-later
#include <iostream>

#include "cli/options.h"
#include "common/file_io.h"
#include "lyrics/kra_writer.h"
#include "script/script_header.h"

namespace kvelmor::cli {

int checkCommand(const std::vector<std::string>& args) {
    Options o = parseOptions(args, 1);
    if (o.positional.size() != 1) throw UsageError{"check takes one FILE"};
    Converter c;
    if (!prepare(c, o)) return 2;
    int before = c.reporter.count;
    if (!c.session.readLyrics(o.positional[0])) return 2;
    c.reporter.toStdout = true;
    // Not a finding: which times the checks and the script use.
    if (c.session.options().timing.correction)
        std::cout << "time correction: the tag times are stretched by 640/637 ("
                  << (c.session.song.timeCorrection ? "the file's \"@timeratio=0.9953125\"" : "WinAMPTime")
                  << ")\n";
    c.session.runFullRefresh();
    if (c.reporter.count > before) return 1;
    std::cout << "no reports\n";
    return 0;
}

int kraCommand(const std::vector<std::string>& args) {
    Options o = parseOptions(args, 1);
    if (o.positional.size() != 1) throw UsageError{"kra takes one FILE"};
    Converter c;
    if (!prepare(c, o)) return 2;
    if (!c.session.mayWrite({o.output.empty() ? lyrics::kraPathFor(o.positional[0]) : o.output}, o.positional))
        return 2;
    if (!c.session.loadLyrics(o.positional[0])) return 2;
    if (!c.session.writeKra(o.output)) return 2;
    std::cout << "wrote " << (o.output.empty() ? lyrics::kraPathFor(c.session.song.lyricsPath) : o.output) << "\n";
    return c.reporter.count > 0 ? 1 : 0;  // a settings file that could not be read counts too
}

int convertCommand(const std::vector<std::string>& args) {
    Options o = parseOptions(args, 1);
    if (o.positional.empty()) throw UsageError{"convert takes at least one FILE"};
    if (!o.output.empty() && o.positional.size() != 1) throw UsageError{"-o takes one FILE only"};
    Converter c;
    if (!prepare(c, o)) return 2;
    const bool kra = o.kra || c.session.options().output.kra;
    bool failed = false;
    bool reported = c.reporter.count > 0;  // the settings file could not be read, or only in part
    for (const auto& file : o.positional) {
        int before = c.reporter.count;
        // The files of a song are refused together, before either is written:
        // over any file the command reads, or both onto one path.
        std::vector<std::string> outputs{o.output.empty() ? script::scriptPathFor(file) : o.output};
        if (kra) outputs.push_back(lyrics::kraPathFor(file));
        std::vector<std::string> inputs{file};
        inputs.insert(inputs.end(), o.positional.begin(), o.positional.end());
        // A tag file that would not read back is refused before the script is written.
        bool ok = c.session.mayWrite(outputs, inputs) && c.session.loadLyrics(file) &&
                  (!kra || c.session.kraFits()) && c.session.writeScript(o.output);
        if (ok) {
            std::cout << "wrote " << (o.output.empty() ? c.session.defaultScriptPath() : o.output) << "\n";
            if (kra) {
                if (c.session.writeKra()) std::cout << "wrote " << lyrics::kraPathFor(c.session.song.lyricsPath) << "\n";
                else ok = false;
            }
        }
        failed = failed || !ok;
        reported = reported || c.reporter.count > before;
    }
    return failed ? 2 : reported ? 1 : 0;
}

}  // namespace kvelmor::cli
