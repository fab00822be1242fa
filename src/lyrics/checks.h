// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lyrics checks over the working table. The tag repair supplies
// a missing first or last time tag of each line; the time-order check and the
// fit check only report. Each check that finds something reports one message
// (a warning, naming the song's lyrics file) in the program's fixed Japanese
// wording; the caller goes on either way.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/reporter.h"
#include "lyrics/lyrics_table.h"
#include "settings/conversion_options.h"

namespace kvelmor::measure {
class TextMeasurer;
}

namespace kvelmor::lyrics {

// Message heads (the counts and entries follow them).
inline constexpr const char* kMissingTagsHead = "開始終了のタグが欠落している行が";
inline constexpr const char* kTimeOrderHead = "時間が前後している行が";
inline constexpr const char* kOverflowHead = "1行に収まらない行が";
inline constexpr const char* kMarginHead = "指定範囲に収まらない行が";
inline constexpr const char* kCutWhileSungHead = "歌い終わる前に消える行が";
inline constexpr const char* kNoSungTimeHead = "歌う時間のない行が";
inline constexpr const char* kOutsideFrameHead = "画面の上下にはみ出す行が";
inline constexpr const char* kUnderSongInfoHead = "画面上部の曲情報と重なる行が";
// What joins a message's head to its entries: a line feed, then a carriage return.
inline constexpr const char* kReportBreak = "\n\r";
// The entries of a report stand one a line after its head, each naming its
// line of the lyrics file: "3行目 [0:00:06.50]". A report lists at most this
// many, then "ほか" + the number left + "行".
inline constexpr int kMaxReportEntries = 30;
inline constexpr const char* kLineNumberMark = "行目";
inline constexpr const char* kMoreLinesMark = "ほか";

// What the repair of one line did.
struct LineRepair {
    int missing = 0;      // missing tags found (0, 1 or 2), each with its report entry
    int notSupplied = 0;  // of those, tags that could not be added: the line already had 300 slots
};

// Repairs one line: a first slot that is a character gets a tag in front of
// it with the time of the line's first tag (0 and "" when it has none), entry
// "[時間なし]"; a last slot that is a character gets a closing tag after it,
// entry "[" + the first slot's timeText + "]": a copy of `next`'s first tag
// slot when there is a next line (the blank tag, time 0, when that line has
// none), else the tag estimated from the line's own syllables: the k
// characters after the last tag are taken to be sung at the pace of the b
// characters before it, each lasting the last syllable's length (q - p, or
// qr - pr as written) over b, so rawTime = qr + k (qr - pr) / b and
// duration = k (q - p) / b;
// its time is q + k (q - p) / b too, except that with `timeCorrection` (the
// WinAMPTime setting) on it is correctTime(rawTime), the time the reader
// gives that tag when the line is written to a .kra file and read back (the
// formula above can differ from it by a centisecond of rounding). Sets
// startTime / startText / firstTagTime, and endTime / endText / lastTagTime,
// from the tags it adds. An empty line is left alone. A line of 300 slots is
// never made longer: its missing tag is counted and listed but not added
// (`notSupplied`).
LineRepair repairLine(LyricLine& line, const LyricLine* next, std::string& entries, bool timeCorrection);

// Stage 3 of the refresh: repairLine over every working line (the last line's
// `next` is none), then, when any tag was missing, the report
// "開始終了のタグが欠落している行が" + n + "行あります" + "\n\r" + one entry
// a line: the lyrics file's line number + "行目 " + the line's entries.
// Lines whose tag could not be added are reported in one further warning.
// Returns n, the number of missing tags (a line lacking both counts twice).
int repairLineTags(Song& song, const settings::ConversionOptions& o, Reporter& r);

// Stage 16, three reports, each with one entry a line (line number + "行目 "
// + the line's first tag time in script time):
// - "時間が前後している行が" + n + "行あります": lines that the rows planned to
//   show before the previous line of the same row was gone (their planned
//   windows, before stage 13 cut or held back either line), and lines with a
//   tag written earlier than the tag before it or far later than every tag
//   of the lines after it (such a syllable is timed as sung for no time);
// - "歌い終わる前に消える行が" + n + "行あります": lines that are not on the
//   screen for part of the time they are sung; each entry ends with the
//   seconds lost ("1.00秒");
// - "歌う時間のない行が" + n + "行あります": lines whose tags are all equal or
//   run backwards, so that nothing of them is ever sung.
// Returns n of the first.
int checkTimeOrder(Song& song, const settings::ConversionOptions& o, Reporter& r);
// The lines the first report of checkTimeOrder names, 1-based, in table order.
std::vector<int> linesOutOfOrder(const Song& song);

struct FitCount {
    int overflow = 0;  // o: lines reaching the frame's right edge or starting left of pixel 1
    int margin = 0;    // m: lines beyond the right margin or left of the left margin
};

// Stage 17: lines that do not fit dispWidth or its margins MarginL / MarginR.
// With o > 0 reports "1行に収まらない行が" + o + "行あります", or, when m > 0
// too, "1行に収まらない行が" + o + "行" + "\n\r" + "指定範囲に収まらない行が"
// + m + "行あります"; nothing when o = 0, whatever m is. The lines follow,
// one entry a line, as in the reports of stage 16.
FitCount checkLineFit(Song& song, const settings::ConversionOptions& o, Reporter& r);

// The part of the frame the top song information (songInfoCheck) covers
// while the song is sung, pixels: from the top edge down to `bottom`,
// between `left` and `right` (its outline and shadow included). Its width
// is measured when a measurer is given, else it reaches the right edge.
struct ScreenBand {
    int64_t bottom = 0, left = 0, right = 0;
};
std::optional<ScreenBand> topSongInfoBand(const SongInfo& info, const settings::ConversionOptions& o,
                                          measure::TextMeasurer* measurer);

// Stage 17 too: lines whose text or readings are drawn above the frame's top
// edge or below its bottom edge ("画面の上下にはみ出す行が" + n + "行あります"),
// and, while songInfoCheck shows song information at the top, lines whose
// text or readings lie under it ("画面上部の曲情報と重なる行が" + n +
// "行あります"). Returns the number of lines of both reports.
int checkLineHeights(Song& song, const settings::ConversionOptions& o, measure::TextMeasurer* measurer, Reporter& r);

// One line that checkLineFit counts, 1-based.
struct LineFit {
    int line = 0;
    bool overflow = false;  // counted in FitCount::overflow
    bool margin = false;    // counted in FitCount::margin
};
std::vector<LineFit> linesNotFitting(const Song& song, const settings::ConversionOptions& o);

}  // namespace kvelmor::lyrics
