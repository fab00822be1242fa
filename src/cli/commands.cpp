// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <new>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/options.h"

namespace kvelmor::cli {
namespace {

const char* const kHelp = R"(Kvelmor turns timed karaoke lyrics into Advanced SubStation Alpha scripts.

Usage: kvelmor COMMAND [OPTIONS] [FILE...]

Commands:
  convert FILE...              Lay out each lyrics file (.txt or .kra) and write its
                               script beside it (FILE.ass), or to -o OUT for one FILE.
                               Also writes the .kra with --kra or when KraCheck is 1.
                               The checks' reports go to stderr.
  check FILE                   Lay out FILE and print every report of the checks to
                               stdout, or "no reports" (exit 0: none, 1: some,
                               2: unreadable).
  kra FILE                     Write the tag file of the laid-out song (cut by the
                               automatic line break when kaigyo is 1) beside FILE
                               (FILE.kra), or to -o OUT.
  batch FOLDER                 Convert every .txt file of FOLDER (.TXT too; not its
                               subfolders) in name order, each script beside its lyrics
                               file; no .kra. A file that cannot be read or written is
                               skipped with its reason and the others are converted.
                               Ends with a summary on stdout.
  probe MEDIA                  Read the length, frame size and pixel shape of a video (or
                               audio) file and print them with every field they set:
                               dispWidth, dispHeight, mojiScaleX, the credit's end time
                               and, when MediaTimeCheck is 1, titleStart* and titleEnd*.
                               With --save they are kept in the preset (of --preset, else
                               "default") and the settings file; mojiScaleX never is.
  render FILE --at TIME...      Lay FILE out and draw the frame at TIME (seconds, or m:ss.cc)
                               as a player shows it, into a PNG (-o OUT, else FILE.png).
                               Several --at give one contact sheet, each frame with its
                               time under it. --media VIDEO draws over the video's
                               picture (and takes its frame size, as convert does);
                               --background COLOUR (#RRGGBB) over a solid colour.
  readings FILE                Write FILE with a suggested reading for every kanji that has
                               none (MeCab with the IPA dictionary, mecab-ipadic-utf8) to
                               -o OUT (a .kra OUT: a tag file), else beside it (song.txt:
                               song.readings.txt). Readings already given are kept. Lists
                               the words it could not read (exit 1 when there are some).
  burn FILE --media MEDIA      Lay FILE out as convert does (the frame size taken from
                               MEDIA) and write the karaoke video: every picture of MEDIA
                               with the song drawn over it as a player shows it, and its
                               sound, to -o OUT (else FILE.mp4). OUT's extension chooses
                               the kind: .mp4 and .mkv (H.264), .webm (VP9). --quality N:
                               0 (best, largest) to 51, 20 by default. For MEDIA of sound
                               only, --background IMAGE (scaled to fit) or COLOUR (#RRGGBB)
                               is shown behind the lyrics (else its cover picture, or black).
  presets list                 The preset names, one a line, in file order.
  presets show NAME            The preset's key=value lines, in the order a save writes them.
  presets save NAME            Save the settings (of --preset, else "default", with the
                               --set values) as preset NAME and write the settings file.
  presets delete NAME          Delete preset NAME and write the settings file.
  fields [PATTERN]             List every field --set takes: its caption in the window,
                               what it does, kind, default, what it accepts (each index
                               of a choice with its meaning) and its settings-file key.
                               PATTERN picks fields by name, key, caption or words of
                               the description ("fields wipe", "fields 'title*'").
  help                         Show this help.
  version                      Show the version.

Options:
  --settings FILE              Use FILE as the settings file instead of
                               $XDG_CONFIG_HOME/Kvelmor/Kvelmor.ini (~/.config/Kvelmor/Kvelmor.ini).
  --preset NAME                Start from preset NAME instead of "default".
  --set FIELD=VALUE            Set a field as typing VALUE and leaving the field would
                               (repeatable); kvelmor fields lists them all. A field is
                               named by its name (frame.width), as in the main window
                               (dispWidth), or by its settings-file key with the value
                               as the file holds it (tagfontSize=40 is lyricsFont.size=40,
                               DouRetu=1, AlignmentUp=2, Bold=True):
                                 --set frame.width=1280   a number field
                                 --set display.oneByOne=1 select an option button
                                 --set wipe.style=3       a choice or list, by index
                                 --set colour.afterWipe=255   a colour, 0x00BBGGRR in decimal
                                 --set alpha.afterWipe=5  a transparency level 0..10
                                 --set rows.autoBreak=1   a box, 0 or 1
                                 --set lyricsFont.face="IPAGothic"   a font face; flags as
                                                          lyricsFont.bold=1 (.italic,
                                                          .underline, .strikethrough)
                                 --set credit.text=...    a field of the credit settings
  --media FILE                 Before converting, take the frame size, pixel shape and
                               times from the video FILE as probe does, so the script
                               matches it; --set values still win.
  -o, --output OUT             Where convert or kra writes (one FILE only).
  --kra                        convert also writes the .kra tag file.
  --                           Ends the options: what follows are files (or the preset
                               name, the pattern) even when they start with "-".
  -h, --help                   Show this help.
  --version                    Show the version.

Commands that only convert never write the settings file, and no command
saves settings over a file that is not a settings file. No command writes
over a file it reads (lyrics, settings or media file), nor into a pipe, a
socket or a disk device (a character device such as /dev/null is written,
but not by burn: a video is made whole in a file beside OUT, then renamed).
Japanese messages are followed by a short English gloss.
Exit codes: 0 done, 1 done with reports, 2 failed.
)";

constexpr const char* kRenderProgram = "kvelmor-render";

// Options that take the next argument as their value, whatever it looks like.
constexpr std::string_view kOptionsWithValues[] = {"--settings", "--preset", "--media",      "--set",     "-o",
                                                   "--output",   "--at",     "--background", "--quality"};

// Whether the arguments after the command ask for help: -h or --help before
// any "--", and not as the value of an option (--preset --help names a preset).
bool asksForHelp(const std::vector<std::string>& args) {
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--") return false;
        if (a == "-h" || a == "--help") return true;
        if (std::find(std::begin(kOptionsWithValues), std::end(kOptionsWithValues), a) != std::end(kOptionsWithValues))
            ++i;
    }
    return false;
}

// The lines of the help that describe `command` (each form of it: presets
// has four), then the options and the notes; empty for no command.
std::string commandHelp(const std::string& command) {
    const std::string_view help = kHelp;
    const size_t optionsAt = help.find("\nOptions:\n");
    std::string lines;
    bool inCommand = false;
    for (size_t start = help.find("\nCommands:\n") + 1; start < optionsAt;) {
        const size_t end = help.find('\n', start);
        const std::string_view line = help.substr(start, end - start);
        start = end + 1;
        // "  convert FILE...   Lay out ..." starts a command; deeper lines go on with it.
        if (line.substr(0, 3) != "   ")
            inCommand = line.substr(0, 2 + command.size()) == "  " + command &&
                        (line.size() == 2 + command.size() || line[2 + command.size()] == ' ');
        if (inCommand) {
            lines += line;
            lines += '\n';
        }
    }
    if (lines.empty()) return {};
    return "Usage: kvelmor " + command + " [OPTIONS]\n\n" + lines + std::string(help.substr(optionsAt));
}

// The command and its files, for a failure that stops a command midway.
std::string what(const std::vector<std::string>& args) {
    std::string text = "\"" + args[0];
    for (size_t i = 1; i < args.size(); ++i) text += " " + args[i];
    return text + "\"";
}

// The render program: beside kvelmor in the build tree, in
// PREFIX/libexec/kvelmor/ once installed (kvelmor in PREFIX/bin/).
// KVELMOR_RENDER_PROGRAM names it outright.
int runRenderProgram(char** argv) {
    namespace fs = std::filesystem;
    std::vector<fs::path> candidates;
    if (const char* forced = std::getenv("KVELMOR_RENDER_PROGRAM"); forced != nullptr && *forced != '\0') {
        candidates.emplace_back(forced);
    } else {
        std::error_code ec;
        const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
        if (!ec) {
            candidates.push_back(exe.parent_path() / kRenderProgram);
            candidates.push_back(exe.parent_path().parent_path() / "libexec" / "kvelmor" / kRenderProgram);
        }
    }
    std::string tried;
    for (const fs::path& program : candidates) {
        tried += (tried.empty() ? "" : ", ") + program.string();
        if (::access(program.c_str(), X_OK) != 0) continue;
        argv[0] = const_cast<char*>(program.c_str());
        ::execv(program.c_str(), argv);
        std::cerr << "kvelmor: render: " << program.string() << " could not be started (" << std::strerror(errno)
                  << ")\n";
        return 2;
    }
    std::cerr << "kvelmor: render needs the program " << kRenderProgram << ", which was not found (looked for "
              << tried << "); build the target " << kRenderProgram << ", or install kvelmor with cmake --install\n";
    return 2;
}

}  // namespace

bool printedCommandHelp(const std::vector<std::string>& args) {
    if (args.empty() || !asksForHelp(args)) return false;
    const std::string help = commandHelp(args[0]);
    if (help.empty()) return false;  // an unknown command is said to be one
    std::fputs(help.c_str(), stdout);
    return true;
}

int guarded(const std::vector<std::string>& args, const std::function<int()>& command) {
    try {
        return command();
    } catch (const UsageError& e) {
        std::cerr << "kvelmor: " << e.message << " (see kvelmor --help)\n";
        return 2;
    } catch (const std::bad_alloc&) {
        std::cerr << "kvelmor: " << what(args) << " could not be finished: there is not enough memory; the file "
                  << "being written, if any, was left as it was\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "kvelmor: " << what(args) << " could not be finished (" << e.what()
                  << "); the file being written, if any, was left as it was\n";
        return 2;
    }
}

int run(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(kHelp, stderr);
        return 2;
    }
    const std::string& cmd = args[0];
    if (printedCommandHelp(args)) return 0;
    if (cmd == "render" || cmd == "burn") return runRenderProgram(argv);
    return guarded(args, [&] {
        if (cmd == "help" || cmd == "-h" || cmd == "--help") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (cmd == "version" || cmd == "--version") {
            std::puts(kVersionText);
            return 0;
        }
        if (cmd == "presets") return presetsCommand(args);
        if (cmd == "convert") return convertCommand(args);
        if (cmd == "check") return checkCommand(args);
        if (cmd == "kra") return kraCommand(args);
        if (cmd == "probe") return probeCommand(args);
        if (cmd == "batch") return batchCommand(args);
        if (cmd == "fields") return fieldsCommand(args);
        if (cmd == "readings") return readingsCommand(args);
        throw UsageError{"unknown command \"" + cmd + "\""};
    });
}

}  // namespace kvelmor::cli
