#pragma once
// The lyrics checks over the working table. The tag repair supplies
// a missing first or last time tag of each line; the time-order check and the
// fit check only report. Each check that finds something reports one message
// (a warning, naming the song's lyrics file) in the program's fixed Japanese
// wording; the caller goes on either way.

#include <string>
#include <vector>

#include "common/reporter.h"
#include "lyrics/lyrics_table.h"

namespace kvelmor::settings {
class ConversionSettings;
}

namespace kvelmor::lyrics {

// Message heads (the counts and entries follow them).
inline constexpr const char* kMissingTagsHead = "開始終了のタグが欠落している行が";
inline constexpr const char* kTimeOrderHead = "時間が前後している行が";
inline constexpr const char* kOverflowHead = "1行に収まらない行が";
inline constexpr const char* kMarginHead = "指定範囲に収まらない行が";
// What joins a message's head to its entries: a line feed, then a carriage return.
inline constexpr const char* kReportBreak = "\n\r";

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
// "開始終了のタグが欠落している行が" + n + "行あります" + "\n\r" + entries.
// Lines whose tag could not be added are reported in one further warning.
// Returns n, the number of missing tags (a line lacking both counts twice).
int repairLineTags(Song& song, const settings::ConversionSettings& s, Reporter& r);

// Stage 16: lines that start before the previous line of the same row ended,
// and lines with a tag written earlier than the tag before it or later than
// every tag of the lines after it (such a syllable is timed as sung for no
// time).
// Reports "時間が前後している行が" + n + "行あります" + "\n\r" + entries, one
// entry "[" + firstTagTime in script time + "]" per such line. Returns n.
int checkTimeOrder(Song& song, const settings::ConversionSettings& s, Reporter& r);
// The lines checkTimeOrder reports, 1-based, in table order.
std::vector<int> linesOutOfOrder(const Song& song);

struct FitCount {
    int overflow = 0;  // o: lines reaching the frame's right edge or starting left of pixel 1
    int margin = 0;    // m: lines beyond the right margin or left of the left margin
};

// Stage 17: lines that do not fit dispWidth or its margins MarginL / MarginR.
// With o > 0 reports "1行に収まらない行が" + o + "行あります", or, when m > 0
// too, "1行に収まらない行が" + o + "行" + "\n\r" + "指定範囲に収まらない行が"
// + m + "行あります"; nothing when o = 0, whatever m is.
FitCount checkLineFit(Song& song, const settings::ConversionSettings& s, Reporter& r);

// One line that checkLineFit counts, 1-based.
struct LineFit {
    int line = 0;
    bool overflow = false;  // counted in FitCount::overflow
    bool margin = false;    // counted in FitCount::margin
};
std::vector<LineFit> linesNotFitting(const Song& song, const settings::ConversionSettings& s);

}  // namespace kvelmor::lyrics
