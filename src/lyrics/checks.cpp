#include "lyrics/checks.h"

#include <map>
#include <optional>
#include <vector>

#include "common/number_text.h"
#include "settings/conversion_settings.h"

namespace kvelmor::lyrics {
namespace {

// The first tag slot of a line, or 0.
int firstTagSlot(const LyricLine& line) {
    for (int i = 1; i <= line.unitCount; ++i)
        if (!line.unit(i).isChar) return i;
    return 0;
}

Centiseconds roundedTime(double v) {
    int64_t r = roundHalfEven(v);
    if (r > INT32_MAX) return INT32_MAX;
    if (r < INT32_MIN) return INT32_MIN;
    return static_cast<Centiseconds>(r);
}

// The closing tag of the last line, estimated from its syllables.
// With the time correction on, `time` is the corrected `rawTime`, as the
// reader gives it to the tag once the line is written and read back.
LyricUnit estimatedEndTag(const LyricLine& line, bool timeCorrection) {
    int64_t p = 0, q = 0, pr = 0, qr = 0;
    int64_t b = 0;  // characters before the last tag
    int64_t c = 0;  // characters since the last tag
    for (int i = 1; i <= line.unitCount; ++i) {
        const LyricUnit& u = line.unit(i);
        if (u.isChar) {
            ++c;
            continue;
        }
        p = q;
        q = u.time;
        pr = qr;
        qr = u.rawTime;
        b += c;
        c = 0;
    }
    const int64_t k = c;
    if (b == 0) b = 1;
    LyricUnit tag;
    tag.isChar = false;
    const double share = static_cast<double>(k) * static_cast<double>(q - p) / static_cast<double>(b);
    tag.time = roundedTime(static_cast<double>(q) + share);
    tag.rawTime = roundedTime(static_cast<double>(qr) +
                              static_cast<double>(k) * static_cast<double>(qr - pr) / static_cast<double>(b));
    tag.duration = roundedTime(share);
    if (timeCorrection) tag.time = correctTime(tag.rawTime);
    return tag;
}

}  // namespace

LineRepair repairLine(LyricLine& line, const LyricLine* next, std::string& entries, bool timeCorrection) {
    LineRepair result;
    if (line.unitCount == 0) return result;
    if (static_cast<int>(line.units.size()) > line.unitCount + 1)
        line.units.resize(static_cast<size_t>(line.unitCount) + 1);

    // A tag put in where the line has none at all carries no time text, so
    // its entry and the line's start or end text stay empty; so does a
    // character slot, which slot 1 still is when a full line got no tag.
    bool blankFirst = false;
    // 1. Missing first tag.
    if (line.unit(1).isChar) {
        ++result.missing;
        entries += "[時間なし]";
        if (line.unitCount >= kMaxSlots) {
            ++result.notSupplied;
        } else {
            LyricUnit tag;  // blank: a tag at time 0
            tag.isChar = false;
            if (int f = firstTagSlot(line)) {
                tag.time = line.unit(f).time;
                tag.rawTime = line.unit(f).rawTime;
            } else {
                blankFirst = true;
            }
            line.units.insert(line.units.begin() + 1, tag);
            ++line.unitCount;
            line.firstTagTime = line.unit(1).rawTime;
            line.startTime = line.unit(1).time;
            line.startText = blankFirst ? std::string() : timeText(line.unit(1));
        }
    }

    // 2. Missing last tag.
    if (line.unit(line.unitCount).isChar) {
        ++result.missing;
        const bool timed = !blankFirst && !line.unit(1).isChar;
        entries += "[" + (timed ? timeText(line.unit(1)) : std::string()) + "]";
        if (line.unitCount >= kMaxSlots) {
            ++result.notSupplied;
        } else {
            LyricUnit tag;  // blank: a tag at time 0
            tag.isChar = false;
            bool blank = false;
            if (next) {
                if (int f = firstTagSlot(*next)) tag = next->unit(f);
                else blank = true;
            } else {
                tag = estimatedEndTag(line, timeCorrection);
            }
            line.appendUnit(tag);
            line.endTime = tag.time;
            line.endText = blank ? std::string() : timeText(tag);
            line.lastTagTime = tag.rawTime;
        }
    }
    return result;
}

int repairLineTags(Song& song, const settings::ConversionSettings& s, Reporter& r) {
    const bool timeCorrection = s.isOn("WinAMPTime");
    int n = 0;
    int notSupplied = 0;
    std::string entries;
    LineTable& table = song.LyricsTable;
    for (int i = 1; i <= table.count(); ++i) {
        const LyricLine* next = i < table.count() ? &table[i + 1] : nullptr;
        LineRepair done = repairLine(table[i], next, entries, timeCorrection);
        n += done.missing;
        notSupplied += done.notSupplied;
    }
    if (n > 0)
        r.warning(std::string(kMissingTagsHead) + std::to_string(n) + "行あります" + kReportBreak + entries,
                  song.lyricsPath);
    if (notSupplied > 0)
        r.warning(std::to_string(notSupplied) +
                      " missing start or end tag(s) could not be added: the line already holds 300 slots "
                      "(characters and time tags together)",
                  song.lyricsPath);
    return n;
}

namespace {

// Centiseconds as written: the last tag of a line, or nothing without tags.
std::optional<Centiseconds> lastRawTag(const LyricLine& line) {
    for (int k = line.unitCount; k >= 1; --k)
        if (!line.unit(k).isChar) return line.unit(k).rawTime;
    return std::nullopt;
}

// A tag written earlier than the tag before it, or later than every tag of
// the lines after it (`limit`): its syllable is sung for no time.
bool hasTagOutOfOrder(const LyricLine& line, std::optional<Centiseconds> limit) {
    std::optional<Centiseconds> previous;
    for (int k = 1; k <= line.unitCount; ++k) {
        const LyricUnit& u = line.unit(k);
        if (u.isChar) continue;
        if (previous && u.rawTime < *previous) return true;
        if (previous && limit && u.rawTime > *limit) return true;
        previous = u.rawTime;
    }
    return false;
}

}  // namespace

std::vector<int> linesOutOfOrder(const Song& song) {
    std::map<int32_t, Centiseconds> lastEnd;  // by row; every row starts at 0
    // For each line, the latest tag as written of the lines after it.
    std::vector<std::optional<Centiseconds>> latestLater(static_cast<size_t>(song.lineCount()) + 2);
    for (int i = song.lineCount() - 1; i >= 1; --i) {
        std::optional<Centiseconds> latest = latestLater[static_cast<size_t>(i + 1)];
        if (const auto t = lastRawTag(song.LyricsTable[i + 1])) latest = std::max(latest.value_or(*t), *t);
        latestLater[static_cast<size_t>(i)] = latest;
    }
    std::vector<int> lines;
    for (int i = 1; i <= song.lineCount(); ++i) {
        const LyricLine& line = song.LyricsTable[i];
        Centiseconds& end = lastEnd[line.rowNumber];
        const auto limit = latestLater[static_cast<size_t>(i)];
        if (line.startTime < end || hasTagOutOfOrder(line, limit)) lines.push_back(i);
        end = line.endTime;
    }
    return lines;
}

int checkTimeOrder(Song& song, const settings::ConversionSettings&, Reporter& r) {
    const std::vector<int> lines = linesOutOfOrder(song);
    std::string entries;
    for (int i : lines) entries += "[" + formatScriptTime(song.LyricsTable[i].firstTagTime) + "]";
    const int n = static_cast<int>(lines.size());
    if (n > 0)
        r.warning(std::string(kTimeOrderHead) + std::to_string(n) + "行あります" + kReportBreak + entries,
                  song.lyricsPath);
    return n;
}

std::vector<LineFit> linesNotFitting(const Song& song, const settings::ConversionSettings& s) {
    const int64_t W = s.wholeNumber("dispWidth");
    const int64_t marginL = s.wholeNumber("MarginL");
    const int64_t marginR = s.wholeNumber("MarginR");
    std::vector<LineFit> out;
    for (int i = 1; i <= song.lineCount(); ++i) {
        const LyricLine& line = song.LyricsTable[i];
        // Each count is of lines: a line past both edges is one line that
        // does not fit, not two.
        const int64_t right = static_cast<int64_t>(line.posX) + line.lineWidth;
        LineFit f{i, right >= W || line.posX < 1, right + marginR > W || line.posX < marginL};
        if (f.overflow || f.margin) out.push_back(f);
    }
    return out;
}

FitCount checkLineFit(Song& song, const settings::ConversionSettings& s, Reporter& r) {
    FitCount f;
    for (const LineFit& l : linesNotFitting(song, s)) {
        f.overflow += l.overflow ? 1 : 0;
        f.margin += l.margin ? 1 : 0;
    }
    if (f.overflow > 0) {
        std::string text = std::string(kOverflowHead) + std::to_string(f.overflow);
        if (f.margin > 0)
            text += std::string("行") + kReportBreak + kMarginHead + std::to_string(f.margin) + "行あります";
        else
            text += "行あります";
        r.warning(text, song.lyricsPath);
    }
    return f;
}

}  // namespace kvelmor::lyrics
