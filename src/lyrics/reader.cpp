// SPDX-License-Identifier: GPL-3.0-or-later
#include "lyrics/reader.h"

#include <algorithm>
#include <array>
#include <filesystem>

#include "common/encoding.h"
#include "common/file_io.h"
#include "measure/text_measure.h"
#include "settings/conversion_options.h"

namespace kvelmor::lyrics {
namespace {

bool startsWithNoCase(std::string_view text, std::string_view key) {
    if (text.size() < key.size()) return false;
    for (size_t i = 0; i < key.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(text[i]) != lower(key[i])) return false;
    }
    return true;
}

std::string lowerAscii(std::string s) {
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// A file of many bad lines (binary data read as lyrics) gets this many
// reports of one kind, then one that counts the rest.
constexpr int kMaxLineReports = 10;

class LineReports {
public:
    LineReports(Reporter& reporter, Severity severity, std::string text, const std::string& file)
        : m_reporter(reporter), m_severity(severity), m_text(std::move(text)), m_file(file) {}
    void add(int line) {
        if (++m_count <= kMaxLineReports) m_reporter.report({m_severity, m_text, m_file, line});
    }
    // The summary of the lines not reported one by one.
    void finish() {
        if (m_count > kMaxLineReports)
            m_reporter.report({m_severity, m_text + " (and on " + std::to_string(m_count - kMaxLineReports) +
                                               " more lines)",
                               m_file, 0});
    }

private:
    Reporter& m_reporter;
    Severity m_severity;
    std::string m_text;
    const std::string& m_file;
    int m_count = 0;
};

}  // namespace

bool isTimedLine(std::u32string_view line) {
    if (line.size() <= 10 || line[0] == U'@') return false;
    for (size_t p = 0; p + 10 <= line.size(); ++p)
        if (timeTagAt(line, p)) return true;
    return false;
}

bool isTimedLine(std::string_view utf8) { return isTimedLine(toU32(utf8)); }

AppendResult appendRawLine(LineTable& raw, std::string_view utf8, const LineParser& parser, int sourceLine) {
    if (raw.count() >= kMaxRawLines) return AppendResult::TooManyLines;
    const std::u32string line = toU32(utf8);
    const std::string& face = parser.options.lyricsFont.font.face;
    const int32_t size = parser.options.lyricsFont.size.points;
    const double scale = parser.options.scale.x;

    LyricLine rec;
    rec.rawText = std::string(utf8);
    rec.sourceLine = sourceLine;
    rec.units.reserve(std::min<size_t>(line.size(), kMaxSlots) + 1);
    for (size_t p = 0; p < line.size();) {
        LyricUnit u;
        if (auto tag = timeTagAt(line, p)) {
            u.isChar = false;
            u.rawTime = *tag;
            u.time = parser.timeCorrection ? correctTime(*tag) : *tag;
            p += 10;
        } else {
            u.isChar = true;
            u.text = toUtf8(line[p]);
            u.width = measure::textWidth(parser.measurer, face, size, u.text, scale);
            p += 1;
        }
        if (!rec.appendUnit(std::move(u))) return AppendResult::TooManySlots;
    }
    raw.append(std::move(rec));
    return AppendResult::Appended;
}

std::string timeRatioLine(bool correction) {
    return correction ? "@timeratio=0.9953125" : "@timeratio=1";
}

void applySongTimeCorrection(settings::ConversionOptions& o, const Song& song) {
    if (song.timeCorrection) o.timing.correction = *song.timeCorrection;
}

bool readHeaderLine(SongInfo& info, std::optional<bool>& timeCorrection, std::string_view line) {
    struct Key {
        std::string_view key;
        std::string SongInfo::*field;
    };
    static const std::array<Key, 8> kKeys{{
        {"@artist=", &SongInfo::artist},
        {"@album=", &SongInfo::album},
        {"@title=", &SongInfo::title},
        {"@subtitle=", &SongInfo::subtitle},
        {"@lyrics=", &SongInfo::lyrics},
        {"@compose=", &SongInfo::compose},
        {"@arrange=", &SongInfo::arrange},
        {"@year=", &SongInfo::year},
    }};
    for (const auto& k : kKeys) {
        if (startsWithNoCase(line, k.key)) {
            info.*k.field = std::string(line.substr(k.key.size()));
            return true;
        }
    }
    constexpr std::string_view kRatio = "@timeratio=";
    if (startsWithNoCase(line, kRatio)) {
        auto value = line.substr(kRatio.size());
        if (value == "0.9953125") timeCorrection = true;
        else if (value == "1") timeCorrection = false;
        return true;
    }
    return false;
}

LoadResult loadLyricsText(Song& song, std::string_view utf8, const std::string& name,
                          const settings::ConversionSettings& settings, measure::TextMeasurer& measurer,
                          Reporter& reporter) {
    LoadResult result;
    // NUL bytes are binary data, never lyrics (a file whose end was lost in a
    // crash often reads as a run of them); they are left out and the first
    // line holding one is reported.
    std::string withoutNul;
    const bool binary = utf8.find('\0') != std::string_view::npos;
    if (binary) {
        int lineNo = 0;
        for (std::string_view line : splitLines(utf8)) {
            ++lineNo;
            if (line.find('\0') != std::string_view::npos) break;
        }
        reporter.warning("binary data (NUL bytes) was left out: this may not be a lyrics file", name, lineNo);
        withoutNul = std::string(utf8);
        std::erase(withoutNul, '\0');
        utf8 = withoutNul;
    }
    // Read into fresh tables; the song is replaced only when the whole file was read.
    LineTable raw;
    SongInfo info;
    const ::kvelmor::settings::ConversionOptions options(settings);
    LineParser parser{options, measurer, options.timing.correction};
    std::optional<bool> fileCorrection;  // the last "@timeratio=" read
    LineReports tooLong(reporter, Severity::Error,
                        "this line needs more than 300 slots (characters and time tags together) and was left out",
                        name);
    int lineNo = 0;
    for (std::string_view line : splitLines(utf8)) {
        ++lineNo;
        if (!isTimedLine(line)) {
            if (readHeaderLine(info, fileCorrection, line) && fileCorrection)
                parser.timeCorrection = *fileCorrection;
            continue;
        }
        switch (appendRawLine(raw, line, parser, lineNo)) {
        case AppendResult::Appended: break;
        case AppendResult::TooManySlots:
            ++result.skippedLines;
            tooLong.add(lineNo);
            break;
        case AppendResult::TooManyLines:
            tooLong.finish();
            reporter.error(kTooManyLinesMessage, name, lineNo);
            return result;
        }
    }
    tooLong.finish();
    if (raw.count() == 0)
        reporter.warning(!binary && isPlainLyricsText(utf8)
                             ? "plain lyrics: no line holds a \"[mm:ss:cc]\" time tag, so there is nothing to lay out "
                               "yet; time them in the timing window first (kvelmor-gui --timing FILE --audio SONG)"
                             : "no timed lines: no line holds a \"[mm:ss:cc]\" time tag, so there are no lyrics to "
                               "lay out",
                         name);
    song.reset();
    song.readLines = std::move(raw);
    song.songInfo = std::move(info);
    song.timeCorrection = fileCorrection;
    song.lyricsPath = name;
    result.ok = true;
    return result;
}

bool isPlainLyricsText(std::string_view utf8) {
    // NUL bytes and bytes that did not decode (U+FFFD) are data, not lyrics.
    if (utf8.find('\0') != std::string_view::npos || utf8.find("\xEF\xBF\xBD") != std::string_view::npos) return false;
    bool sung = false;
    for (std::string_view line : splitLines(utf8)) {
        if (isTimedLine(line)) return false;
        const bool blank = line.find_first_not_of(" \t\r") == std::string_view::npos;
        sung = sung || (!blank && line.front() != '@');
    }
    return sung;
}

bool isPlainLyricsFile(const std::string& path) {
    if (!hasLyricsExtension(path)) return false;
    std::string bytes;
    if (!readFileBytes(path, bytes, kMaxTextFileBytes).ok) return false;
    const DecodedText text = decodeText(bytes);
    return text.badLines.empty() && isPlainLyricsText(text.utf8);
}

LyricsReloader::LyricsReloader() = default;
LyricsReloader::~LyricsReloader() = default;

LoadResult LyricsReloader::load(Song& song, std::string text, const std::string& name,
                                 const settings::ConversionSettings& settings, measure::TextMeasurer& measurer,
                                 Reporter& reporter) {
    if (loadChangedLines(song, text, name, settings, measurer)) {
        // Which record each line is, and the rest, stay as they were.
        m_text = std::move(text);
        m_lines = splitLines(m_text);
        return {true, 0};
    }
    m_song = nullptr;
    const LoadResult result = loadLyricsText(song, text, name, settings, measurer, reporter);
    m_linesParsed = song.rawLineCount();
    // Lines refused leave records out of step with the text, and so do NUL
    // bytes, which the whole read leaves out: such a text is read whole every time.
    if (result.ok && result.skippedLines == 0 && text.find('\0') == std::string::npos)
        remember(song, std::move(text), name, settings);
    return result;
}

bool LyricsReloader::loadChangedLines(Song& song, std::string& text, const std::string& name,
                                      const settings::ConversionSettings& settings, measure::TextMeasurer& measurer) {
    if (m_song != &song || m_rawLines != song.rawLineCount() || name != m_name || !m_settings ||
        !(settings == *m_settings) || text.find('\0') != std::string::npos)
        return false;
    const std::vector<std::string_view> lines = splitLines(text);
    if (lines.size() != m_lines.size()) return false;
    struct Change {
        size_t textLine;
        LineTable parsed;
    };
    std::vector<Change> changes;
    const ::kvelmor::settings::ConversionOptions options(settings);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == m_lines[i]) continue;
        // Only a timed line that stays timed is read alone; a header line
        // changes what follows it.
        if (m_read[i].raw == 0 || !isTimedLine(lines[i])) return false;
        Change change{i, {}};
        const LineParser parser{options, measurer, m_read[i].timeCorrection};
        if (appendRawLine(change.parsed, lines[i], parser, static_cast<int>(i) + 1) != AppendResult::Appended)
            return false;
        changes.push_back(std::move(change));
    }
    // Nothing is changed before every line has been read.
    for (Change& c : changes) song.readLines[m_read[c.textLine].raw] = std::move(c.parsed[1]);
    m_linesParsed = static_cast<int>(changes.size());
    return true;
}

void LyricsReloader::remember(Song& song, std::string text, const std::string& name,
                              const settings::ConversionSettings& settings) {
    m_text = std::move(text);
    m_lines = splitLines(m_text);
    m_read.assign(m_lines.size(), {});
    // The same walk as the whole read: which record each timed line became,
    // and the time correction in force there. A whole read starts from the
    // correction the settings hold.
    SongInfo info;
    bool timeCorrection = ::kvelmor::settings::ConversionOptions(settings).timing.correction;
    std::optional<bool> fileCorrection;
    int raw = 0;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        if (!isTimedLine(m_lines[i])) {
            if (readHeaderLine(info, fileCorrection, m_lines[i]) && fileCorrection) timeCorrection = *fileCorrection;
            continue;
        }
        m_read[i] = {++raw, timeCorrection};
    }
    // A walk that finds another number of timed lines than the read made
    // records cannot tell which record a line is: such a text is read whole.
    if (raw != song.rawLineCount()) return;
    m_name = name;
    m_settings = std::make_unique<settings::ConversionSettings>(settings);
    m_song = &song;
    m_rawLines = song.rawLineCount();
}

bool hasLyricsExtension(std::string_view path) {
    std::string ext = std::filesystem::path(path).extension().string();
    ext = lowerAscii(ext.empty() ? ext : ext.substr(1));
    return ext == "txt" || ext == "kra";
}

LoadResult loadLyricsFile(Song& song, const std::string& path, const settings::ConversionSettings& settings,
                          measure::TextMeasurer& measurer, Reporter& reporter) {
    if (!hasLyricsExtension(path)) {
        reporter.error("not a lyrics file: only .txt and .kra files can be read", path);
        return {};
    }
    std::string bytes;
    if (auto r = readFileBytes(path, bytes, kMaxTextFileBytes); !r.ok) {
        reporter.error("cannot read the file: " + r.error, path);
        return {};
    }
    DecodedText text = decodeText(bytes);
    if (text.withoutBom)
        reporter.info(std::string("read as ") + encodingName(text.encoding) +
                          ": the file has no byte-order mark, but every other byte is NUL as in UTF-16 text",
                      path);
    LineReports badBytes(reporter, Severity::Warning,
                         std::string("bytes that are not valid ") + encodingName(text.encoding) +
                             (text.badBytesLeftOut ? " were left out (the file is read as UTF-8)"
                                                   : " were read as \xEF\xBF\xBD (U+FFFD)"),
                         path);
    for (int line : text.badLines) badBytes.add(line);
    badBytes.finish();
    LineReports cp932(reporter, Severity::Warning, "read as CP932: the line is not UTF-8 like the rest of the file",
                      path);
    for (int line : text.cp932Lines) cp932.add(line);
    cp932.finish();
    return loadLyricsText(song, text.utf8, path, settings, measurer, reporter);
}

}  // namespace kvelmor::lyrics
