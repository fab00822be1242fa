// SPDX-License-Identifier: GPL-3.0-or-later
// kvelmor readings FILE [-o OUT]: the song with every missing reading filled in.

#include <filesystem>
#include <iostream>

#include "cli/options.h"
#include "common/encoding.h"
#include "common/file_io.h"
#include "lyrics/kra_writer.h"
#include "readings/analyzer.h"
#include "readings/song_readings.h"

namespace kvelmor::cli {
namespace {

bool endsWithNoCase(const std::string& text, std::string_view end) {
    if (text.size() < end.size()) return false;
    for (size_t i = 0; i < end.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - end.size() + i])) != end[i]) return false;
    return true;
}

// Beside the input: "song.txt" -> "song.readings.txt", "song.kra" -> "song.readings.kra".
std::string defaultOutput(const std::string& input) {
    namespace fs = std::filesystem;
    const fs::path in(input);
    const std::string ext = in.extension().string();
    return (in.parent_path() / (in.stem().string() + ".readings" + (ext.empty() ? ".txt" : ext))).string();
}

}  // namespace

int readingsCommand(const std::vector<std::string>& args) {
    Options o = parseOptions(args, 1);
    if (o.positional.size() != 1) throw UsageError{"readings takes one FILE"};
    const std::string& input = o.positional[0];
    const std::string output = o.output.empty() ? defaultOutput(input) : o.output;
    if (sameFile(input, output)) {
        std::cerr << "kvelmor: " << input << ": writing " << output
                  << " would replace the lyrics file it is made from; nothing was written\n";
        return 2;
    }
    std::string bytes;
    if (const FileResult r = readFileBytes(input, bytes, kMaxTextFileBytes); !r.ok) {
        std::cerr << "kvelmor: " << input << ": cannot read the lyrics file: " << r.error << "\n";
        return 2;
    }
    const DecodedText decoded = decodeText(bytes);

    std::string failure;
    std::unique_ptr<readings::Analyzer> analyzer = readings::Analyzer::open(failure);
    if (!analyzer) {
        std::cerr << "kvelmor: readings: " << failure << "\n";
        return 2;
    }
    readings::FilledSong filled = readings::fillSongText(*analyzer, decoded.utf8);
    bool reported = !decoded.badLines.empty();

    std::string badBytesFate = " were written as U+FFFD into ";
    if (endsWithNoCase(output, ".kra")) {
        if (filled.song.lineCount() == 0) {
            std::cerr << "kvelmor: " << input << ": a tag file holds timed lines, and this file has none; "
                      << "write a .txt instead\n";
            return 2;
        }
        if (const int over = lyrics::firstKraLineOverSlots(lyrics::kraFileText(filled.song))) {
            std::cerr << "kvelmor: " << input << ": lyric line " << over
                      << " with its readings would hold more than 300 slots and could not be read back; "
                      << "nothing was written\n";
            return 2;
        }
        if (filled.plainLines > 0)
            std::cerr << "kvelmor: " << input << ": " << filled.plainLines
                      << " lines without time tags have no place in a tag file and were left out; write a .txt to "
                         "keep them\n";
        reported = reported || filled.plainLines > 0;
        StderrReporter reporter;
        if (!lyrics::writeKraFile(filled.song, output, reporter).written) return 2;
    } else {
        // In the encoding it was read in, so that the song stays the file its
        // user and other programs know; UTF-8 only when that cannot hold it.
        std::optional<std::string> same = encodeLike(filled.text, decoded);
        if (const FileResult w = writeFileAtomically(output, same ? *same : "\xEF\xBB\xBF" + filled.text); !w.ok) {
            std::cerr << "kvelmor: cannot write " << output << ": " << w.error << "\n";
            return 2;
        }
        if (!same) {
            std::cerr << "kvelmor: " << output << ": written as UTF-8 with a byte-order mark: the text does not fit in "
                      << encodingName(decoded.encoding) << ", the encoding of " << input << "\n";
            reported = true;
        } else if (decoded.encoding == TextEncoding::Cp932) {
            badBytesFate = " were copied unchanged into ";
        }
    }
    // What became of the bytes that were not text, said once the file is written.
    for (int line : decoded.badLines)
        std::cerr << "kvelmor: " << input << ":" << line << ": bytes that are not valid "
                  << encodingName(decoded.encoding) << (decoded.badBytesLeftOut ? " were left out of " : badBytesFate)
                  << output << "\n";
    std::cout << "wrote " << output << " (" << filled.added << (filled.added == 1 ? " reading" : " readings") << " added)\n";
    for (const readings::UnreadWord& w : filled.unread)
        std::cout << input << ":" << w.lineNumber << ": no reading for " << w.word << "\n";
    for (int line : filled.overfull)
        std::cout << input << ":" << line
                  << ": the line would hold more than 300 slots with all its readings; those that did not fit "
                     "were left out\n";
    return filled.unread.empty() && filled.overfull.empty() && !reported ? 0 : 1;
}

}  // namespace kvelmor::cli
