// SPDX-License-Identifier: GPL-3.0-or-later
#include "lyrics/checks.h"

#include <map>
#include <optional>
#include <vector>

#include "common/number_text.h"
#include "measure/text_measure.h"

namespace kvelmor::lyrics {
namespace {

// The entries of one report, one a line, each starting with the lyrics
// file's line number when it is known.
class Entries {
public:
    void add(const LyricLine& line, std::string_view detail) {
        ++m_count;
        if (m_count > kMaxReportEntries) return;
        if (!m_text.empty()) m_text += '\n';
        if (line.sourceLine > 0) m_text += std::to_string(line.sourceLine) + kLineNumberMark + " ";
        m_text += detail;
    }
    int count() const { return m_count; }
    // The report: head + count + "行あります", then the entries.
    std::string report(std::string_view head) const { return std::string(head) + std::to_string(m_count) + "行あります" + kReportBreak + text(); }
    std::string text() const {
        if (m_count <= kMaxReportEntries) return m_text;
        return m_text + "\n" + kMoreLinesMark + std::to_string(m_count - kMaxReportEntries) + "行";
    }

private:
    std::string m_text;
    int m_count = 0;
};

std::string firstTagEntry(const LyricLine& line) { return "[" + formatScriptTime(line.firstTagTime) + "]"; }

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

int repairLineTags(Song& song, const settings::ConversionOptions& o, Reporter& r) {
    const bool timeCorrection = o.timing.correction;
    int n = 0;
    int notSupplied = 0;
    Entries entries;
    std::string lineEntries;
    LineTable& table = song.workLines;
    for (int i = 1; i <= table.count(); ++i) {
        const LyricLine* next = i < table.count() ? &table[i + 1] : nullptr;
        lineEntries.clear();
        LineRepair done = repairLine(table[i], next, lineEntries, timeCorrection);
        if (done.missing > 0) entries.add(table[i], lineEntries);
        n += done.missing;
        notSupplied += done.notSupplied;
    }
    // n counts the missing tags, which is what the head has always counted.
    if (n > 0)
        r.warning(std::string(kMissingTagsHead) + std::to_string(n) + "行あります" + kReportBreak + entries.text(),
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

// A tag written earlier than the tag before it, or far later than every tag
// of the lines after it (`limit`): its syllable is sung for no time.
bool hasTagOutOfOrder(const LyricLine& line, std::optional<Centiseconds> limit) {
    std::optional<Centiseconds> previous;
    for (int k = 1; k <= line.unitCount; ++k) {
        const LyricUnit& u = line.unit(k);
        if (u.isChar) continue;
        if (previous && u.rawTime < *previous) return true;
        if (previous && limit && u.rawTime > int64_t{*limit} + kMistypedTagSlack) return true;
        previous = u.rawTime;
    }
    return false;
}

// The times (after correction) a line's first and last syllables are sung:
// from its first tag to its last. Nothing for a line without characters
// between tags.
struct SungTime {
    Centiseconds from = 0;
    Centiseconds to = 0;
};
std::optional<SungTime> sungTime(const LyricLine& line) {
    int first = 0, last = 0;
    bool sawChar = false;
    for (int k = 1; k <= line.unitCount; ++k) {
        const LyricUnit& u = line.unit(k);
        if (u.isChar) {
            sawChar = sawChar || first != 0;
            continue;
        }
        if (first == 0) first = k;
        last = k;
    }
    if (first == 0 || !sawChar) return std::nullopt;
    return SungTime{line.unit(first).time, line.unit(last).time};
}

// "1.00秒": seconds with two decimals.
std::string secondsText(int64_t centiseconds) {
    std::string cs = std::to_string(centiseconds % 100);
    return std::to_string(centiseconds / 100) + "." + (cs.size() < 2 ? "0" : "") + cs + "秒";
}

}  // namespace

std::vector<int> linesOutOfOrder(const Song& song) {
    std::map<int32_t, Centiseconds> plannedEnd;  // by row; every row starts at 0
    // For each line, the latest tag as written of the lines after it.
    std::vector<std::optional<Centiseconds>> latestLater(static_cast<size_t>(song.lineCount()) + 2);
    for (int i = song.lineCount() - 1; i >= 1; --i) {
        std::optional<Centiseconds> latest = latestLater[static_cast<size_t>(i + 1)];
        if (const auto t = lastRawTag(song.workLines[i + 1])) latest = std::max(latest.value_or(*t), *t);
        latestLater[static_cast<size_t>(i)] = latest;
    }
    std::vector<int> lines;
    for (int i = 1; i <= song.lineCount(); ++i) {
        const LyricLine& line = song.workLines[i];
        // The planned windows, not the shown ones: the lines are cut so that
        // no two share a row, and the cut ones are what this reports.
        Centiseconds& end = plannedEnd[line.rowNumber];
        if (line.plannedStart < end || hasTagOutOfOrder(line, latestLater[static_cast<size_t>(i)]))
            lines.push_back(i);
        end = line.plannedEnd;
    }
    return lines;
}

int checkTimeOrder(Song& song, const settings::ConversionOptions&, Reporter& r) {
    Entries outOfOrder, cut, unsung;
    for (int i : linesOutOfOrder(song)) outOfOrder.add(song.workLines[i], firstTagEntry(song.workLines[i]));
    for (int i = 1; i <= song.lineCount(); ++i) {
        const LyricLine& line = song.workLines[i];
        const std::optional<SungTime> sung = sungTime(line);
        if (!sung) continue;
        if (sung->to <= sung->from) {
            unsung.add(line, firstTagEntry(line));
            continue;
        }
        // Centiseconds of [from, to] during which the line is not shown.
        const int64_t shown = std::max<int64_t>(
            0, int64_t{std::min(sung->to, line.endTime)} - std::max(sung->from, line.startTime));
        if (const int64_t lost = int64_t{sung->to} - sung->from - shown; lost > 0)
            cut.add(line, firstTagEntry(line) + " " + secondsText(lost));
    }
    if (outOfOrder.count() > 0) r.warning(outOfOrder.report(kTimeOrderHead), song.lyricsPath);
    if (cut.count() > 0) r.warning(cut.report(kCutWhileSungHead), song.lyricsPath);
    if (unsung.count() > 0) r.warning(unsung.report(kNoSungTimeHead), song.lyricsPath);
    return outOfOrder.count();
}

std::vector<LineFit> linesNotFitting(const Song& song, const settings::ConversionOptions& o) {
    const int64_t W = o.frame.width;
    const int64_t marginL = o.margins.left;
    const int64_t marginR = o.margins.right;
    std::vector<LineFit> out;
    for (int i = 1; i <= song.lineCount(); ++i) {
        const LyricLine& line = song.workLines[i];
        // Each count is of lines: a line past both edges is one line that
        // does not fit, not two.
        const int64_t right = static_cast<int64_t>(line.posX) + line.lineWidth;
        LineFit f{i, right >= W || line.posX < 1, right + marginR > W || line.posX < marginL};
        if (f.overflow || f.margin) out.push_back(f);
    }
    return out;
}

FitCount checkLineFit(Song& song, const settings::ConversionOptions& o, Reporter& r) {
    FitCount f;
    Entries entries;
    for (const LineFit& l : linesNotFitting(song, o)) {
        f.overflow += l.overflow ? 1 : 0;
        f.margin += l.margin ? 1 : 0;
        entries.add(song.workLines[l.line], firstTagEntry(song.workLines[l.line]));
    }
    if (f.overflow > 0) {
        std::string text = std::string(kOverflowHead) + std::to_string(f.overflow);
        if (f.margin > 0)
            text += std::string("行") + kReportBreak + kMarginHead + std::to_string(f.margin) + "行あります";
        else
            text += "行あります";
        r.warning(text + kReportBreak + entries.text(), song.lyricsPath);
    }
    return f;
}

std::optional<ScreenBand> topSongInfoBand(const SongInfo& info, const settings::ConversionOptions& o,
                                          measure::TextMeasurer* measurer) {
    const settings::SongInfoOptions& songInfo = o.songInfo;
    if (!songInfo.top) return std::nullopt;
    // Its lines are drawn with their bottom-left corner at (songInfoX, y),
    // y = titleFontSize + songInfoY for the first, and their outline and
    // shadow around them.
    const int64_t border = int64_t{o.border.outline} + o.border.shadow;
    const int64_t y = int64_t{songInfo.topSize.points} + songInfo.y;
    const int64_t p = songInfo.topSize.pixels;
    // The scrolling line crosses the whole width.
    if (songInfo.mode == settings::SongInfoMode::OneScrollingLine) return ScreenBand{y + border, 0, o.frame.width};
    std::string second = info.title;
    if (!info.title.empty() && !info.artist.empty()) second += " / ";
    second += info.artist;
    const int64_t x = songInfo.x;
    int64_t width = int64_t{o.frame.width} - x;
    if (measurer) {
        auto measured = [&](const std::string& text) {
            return measure::textWidth(*measurer, songInfo.font.face, songInfo.topSize.points, text, o.scale.x);
        };
        width = std::max(measured(info.album), measured(second));
    }
    return ScreenBand{y + p + p / 4 + border, x - border, x + width + border};
}

int checkLineHeights(Song& song, const settings::ConversionOptions& o, measure::TextMeasurer* measurer, Reporter& r) {
    const int64_t height = o.frame.height;
    const std::optional<ScreenBand> songInfo = topSongInfoBand(song.songInfo, o, measurer);

    Entries outside, underInfo;
    for (int i = 1; i <= song.lineCount(); ++i) {
        const LyricLine& line = song.workLines[i];
        if (line.unitCount == 0) continue;
        // The line's top: its text, or the highest of its readings. Each is
        // drawn with its bottom-left corner at its position.
        int64_t top = int64_t{line.posY} - line.lineHeight;
        int64_t left = line.posX, right = int64_t{line.posX} + line.lineWidth;
        for (int k = 1; k <= line.unitCount; ++k) {
            const LyricUnit& u = line.unit(k);
            if (!u.isChar || u.rubyFields().ruby.empty()) continue;
            const SlotRuby& ruby = u.rubyFields();
            top = std::min<int64_t>(top, int64_t{ruby.rubyY} - ruby.rubyHeight);
            left = std::min<int64_t>(left, ruby.rubyX);
            right = std::max<int64_t>(right, int64_t{ruby.rubyX} + ruby.rubyWidth);
        }
        if (top < 0 || line.posY > height) outside.add(line, firstTagEntry(line));
        else if (songInfo && top < songInfo->bottom && left < songInfo->right && right > songInfo->left)
            underInfo.add(line, firstTagEntry(line));
    }
    if (outside.count() > 0) r.warning(outside.report(kOutsideFrameHead), song.lyricsPath);
    if (underInfo.count() > 0) r.warning(underInfo.report(kUnderSongInfoHead), song.lyricsPath);
    return outside.count() + underInfo.count();
}

}  // namespace kvelmor::lyrics
