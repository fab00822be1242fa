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
    c.session.runFullRefresh();
    if (c.reporter.count > before) return 1;
    std::cout << "no reports\n";
    return 0;
}

namespace {

// The files one conversion writes, each checked before anything is written:
// none may be the lyrics file read, nor may two be one file (the script and
// then the tag file on the same path). False, with the reason printed.
bool outputsAreApart(const std::string& input, const std::vector<std::string>& outputs) {
    for (size_t i = 0; i < outputs.size(); ++i) {
        if (sameFile(outputs[i], input)) {
            std::cerr << "kvelmor: " << input << ": writing " << outputs[i]
                      << " would replace the lyrics file it is made from; nothing was written\n";
            return false;
        }
        for (size_t j = 0; j < i; ++j)
            if (sameFile(outputs[i], outputs[j])) {
                std::cerr << "kvelmor: " << input << ": the script and the tag file would both be written to "
                          << outputs[i] << "; nothing was written\n";
                return false;
            }
    }
    return true;
}

}  // namespace

int kraCommand(const std::vector<std::string>& args) {
    Options o = parseOptions(args, 1);
    if (o.positional.size() != 1) throw UsageError{"kra takes one FILE"};
    if (!outputsAreApart(o.positional[0], {o.output.empty() ? lyrics::kraPathFor(o.positional[0]) : o.output}))
        return 2;
    Converter c;
    if (!prepare(c, o)) return 2;
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
    const bool kra = o.kra || c.session.settings.isOn("KraCheck");
    for (const auto& file : o.positional) {
        std::vector<std::string> outputs{o.output.empty() ? script::scriptPathFor(file) : o.output};
        if (kra) outputs.push_back(lyrics::kraPathFor(file));
        if (!outputsAreApart(file, outputs)) return 2;
    }
    bool failed = false;
    bool reported = c.reporter.count > 0;  // the settings file could not be read, or only in part
    for (const auto& file : o.positional) {
        int before = c.reporter.count;
        // A tag file that would not read back is refused before the script is written.
        bool ok = c.session.loadLyrics(file) && (!kra || c.session.kraFits()) && c.session.writeScript(o.output);
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
