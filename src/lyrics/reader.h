// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading timed-lyrics files (.txt, .kra): time tags "[mm:ss:cc]" between
// the syllables, header lines ("@title=" ...) and everything else ignored.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/reporter.h"
#include "lyrics/lyrics_table.h"

namespace kvelmor::measure {
class TextMeasurer;
}
namespace kvelmor::settings {
class ConversionSettings;
struct ConversionOptions;
}

namespace kvelmor::lyrics {

// Longer than ten characters, not starting with "@", holding a time tag.
bool isTimedLine(std::u32string_view line);
bool isTimedLine(std::string_view utf8);

// What the line parser needs besides the line.
struct LineParser {
    const settings::ConversionOptions& options;  // the lyrics font and its scale
    measure::TextMeasurer& measurer;
    bool timeCorrection;  // the time correction for the lines parsed now
};

enum class AppendResult { Appended, TooManyLines, TooManySlots };

// Parses a timed line into a new record of the raw table: each tag a tag
// slot, each other character a character slot with its measured width. A
// line is refused whole when the table already has 299 lines or when the
// line would need more than 300 slots; the table is then unchanged.
// `sourceLine` is the line's number in the file or text it was read from
// (0 when there is none), so that reports can name it.
AppendResult appendRawLine(LineTable& raw, std::string_view utf8, const LineParser& parser, int sourceLine = 0);

// Applies a header line ("@title=..." etc., keys in any letter case) and
// returns whether it was one. "@timeratio=" sets `timeCorrection` on for
// exactly "0.9953125" and off for exactly "1"; any other value leaves it.
bool readHeaderLine(SongInfo& info, std::optional<bool>& timeCorrection, std::string_view utf8);

// The header line that gives a song its time correction: "@timeratio=0.9953125"
// (times stretched by 640/637) or "@timeratio=1" (times as written).
std::string timeRatioLine(bool correction);

// The options `song` is laid out with: its own time correction ("@timeratio="
// of its file) in place of the settings' WinAMPTime, when it has one.
void applySongTimeCorrection(settings::ConversionOptions& o, const Song& song);

// The message shown when a song has more lines than the tables hold.
inline constexpr const char* kTooManyLinesMessage = "読み込める行数を超えています";

// Whether a text (UTF-8) holds plain lyrics: lines to sing, none of them
// timed (header lines and blank lines aside), and no binary data. The timing
// window times such lyrics; the converter has nothing to lay out in them.
bool isPlainLyricsText(std::string_view utf8);
// The same for a lyrics file (.txt or .kra) that reads as text without a
// byte it could not decode.
bool isPlainLyricsFile(const std::string& path);

// Whether the file name ends in ".txt" or ".kra" (any letter case): the
// files the reader reads.
bool hasLyricsExtension(std::string_view path);

struct LoadResult {
    bool ok = false;
    int skippedLines = 0;  // lines refused for having too many slots
};

// Loads a .txt or .kra file into `song`, replacing what it held. On failure
// (unreadable file, wrong extension, more than 299 timed lines) the reason is
// reported and `song` and the settings stay exactly as they were. On success
// the raw table and the song information are the file's, `lyricsPath` is
// `path`, the song's own time correction is the file's last "@timeratio="
// line (none without one: the settings' WinAMPTime then holds), and the
// working table is left for the caller's full refresh to rebuild. The
// settings are only read.
// What is read with reports: undecodable bytes (as U+FFFD), NUL bytes (left
// out), lines of more than 300 slots (left out) and a file without any timed
// line (an empty song). A kind of problem found on many lines is reported
// for the first ten of them, then counted.
LoadResult loadLyricsFile(Song& song, const std::string& path, const settings::ConversionSettings& settings,
                          measure::TextMeasurer& measurer, Reporter& reporter);

// The same for text already in memory (the lyrics editor, tests); `name` is
// used in messages.
LoadResult loadLyricsText(Song& song, std::string_view utf8, const std::string& name,
                          const settings::ConversionSettings& settings, measure::TextMeasurer& measurer,
                          Reporter& reporter);

// Reads one version of a lyrics text after another into the same song,
// parsing again only the timed lines that changed when nothing else did: the
// timing editor's preview reads the song after every mark, and a mark
// changes one line of hundreds. The song ends exactly as loadLyricsText would
// leave it; whatever cannot be told line by line (another line count, a
// header line changed, a line turning timed or untimed, a line refused, other
// settings, another song) is read whole. Between loads the song may be
// refreshed (which never changes the raw table) but not read or edited.
class LyricsReloader {
public:
    LyricsReloader();
    ~LyricsReloader();
    LoadResult load(Song& song, std::string text, const std::string& name, const settings::ConversionSettings& settings,
                    measure::TextMeasurer& measurer, Reporter& reporter);
    // Text lines parsed by the last load (every timed line when it read whole).
    int linesParsed() const { return m_linesParsed; }

private:
    bool loadChangedLines(Song& song, std::string& text, const std::string& name,
                          const settings::ConversionSettings& settings, measure::TextMeasurer& measurer);
    void remember(Song& song, std::string text, const std::string& name, const settings::ConversionSettings& settings);

    std::string m_text;                     // the text read last
    std::vector<std::string_view> m_lines;  // its lines
    struct TextLine {
        int raw = 0;                  // the line's record in the raw table; 0 for none
        bool timeCorrection = false;  // the "@timeratio=" in force at the line
    };
    std::vector<TextLine> m_read;  // for each of m_lines
    std::string m_name;
    std::unique_ptr<settings::ConversionSettings> m_settings;  // as the last load left them
    const Song* m_song = nullptr;
    int m_rawLines = 0;
    int m_linesParsed = 0;
};

}  // namespace kvelmor::lyrics
