// SPDX-License-Identifier: GPL-3.0-or-later
#include "layout/placement.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "common/encoding.h"
#include "common/number_text.h"
#include "layout/spans.h"
#include "layout/timing.h"

namespace kvelmor::layout {

using lyrics::LyricLine;

namespace {

int32_t saturate32(int64_t v) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// Half to even, held inside the 32-bit range (NaN gives 0).
int32_t round32(double v) { return saturate32(roundHalfEven(v)); }

// Toward negative infinity, held inside the 32-bit range.
int32_t floor32(double v) {
    if (std::isnan(v)) return 0;
    return round32(std::floor(v));
}

// Pixel height of a lyric row at the vertical scale: the scale is taken to
// two decimals first (1.234 counts as 1.23), then the height is
// scale100 * tagFontPixcel / 100, not rounded.
double scaledFontHeight(const settings::ConversionOptions& o) {
    const int64_t scale100 = round32(o.scale.y * 100);
    return static_cast<double>(scale100 * o.lyricsFont.size.pixels) / 100.0;
}

// Distance between two rows, pixels.
double rowPitch(const settings::ConversionOptions& o) {
    return scaledFontHeight(o) + static_cast<double>(o.margins.rowGap) + o.border.shadow + o.ruby.up + o.ruby.down;
}

// Bottom edge of the bottom row, pixels.
double bottomRowY(const settings::ConversionOptions& o) {
    return static_cast<double>(o.frame.height) - o.margins.vertical;
}

// Sum of the character widths as measured, before any rubyScale.
int32_t measuredWidth(const LyricLine& line) {
    int64_t sum = 0;
    const int last = usedSlots(line);
    for (int k = 1; k <= last; ++k)
        if (line.unit(k).isChar) sum += line.unit(k).width;
    return saturate32(sum);
}

}  // namespace

int32_t horizontalPosition(int32_t& width, LineAlign code, const settings::ConversionOptions& o) {
    const int64_t dispWidth = o.frame.width;
    const int64_t marginL = o.margins.left;
    const int64_t marginR = o.margins.right;
    const double room = static_cast<double>(dispWidth - marginL - marginR);
    const double scale = o.ruby.scale;

    width = round32(scale * width);
    // A line is wide when half of it (scaled once more, as it always has been)
    // reaches a third of the room; only narrow lines are moved into the
    // outer thirds.
    const bool wide = room / 3 <= scale * width / 2;
    const bool thirds = !wide && o.rows.fineCentring;
    const double half = width / 2.0;

    switch (code) {
    case LineAlign::Left:
        return thirds ? saturate32(round32(room / 3 - half) + marginL) : saturate32(marginL);
    case LineAlign::Centre:
        return round32(room / 2 - half + static_cast<double>(marginL));
    case LineAlign::Right:
        return thirds ? saturate32(round32(2 * room / 3 - half) + marginL)
                      : saturate32(dispWidth - marginR - width);
    }
    return 0;
}

void placeLines(lyrics::Song& song, const settings::ConversionOptions& o, measure::TextMeasurer& measurer) {
    const std::string& face = o.lyricsFont.font.face;
    const int32_t pointSize = o.lyricsFont.size.points;
    const double scaleX = o.scale.x;
    const int32_t lineHeight = round32(o.scale.y * o.lyricsFont.size.pixels);
    const bool singleLineOptions = o.rows.detectSingleLine;
    const int32_t rows = rowCount(o);
    const double pitch = rowPitch(o);
    const double bottom = bottomRowY(o);

    // True at the start and after a first-row line: the next line that is not
    // in row 1 takes the bottom-row alignment, the next one in row 1 the
    // single-line alignment.
    bool afterFirstRow = true;
    auto& table = song.workLines;
    for (int i = 1; i <= table.count(); ++i) {
        LyricLine& line = table[i];
        int64_t width = 0;
        const int last = usedSlots(line);
        for (int k = 1; k <= last; ++k) {
            lyrics::LyricUnit& u = line.unit(k);
            if (!u.isChar) continue;
            u.width = measure::textWidth(measurer, face, pointSize, u.text, scaleX);
            width += u.width;
        }
        line.lineWidth = saturate32(width);
        line.lineHeight = lineHeight;

        const std::optional<LineAlign>* align = nullptr;
        if (line.rowNumber == 1) {
            align = singleLineOptions && afterFirstRow ? &o.rows.singleLine : &o.rows.top;
            afterFirstRow = true;
        } else if (line.rowNumber == rows || afterFirstRow) {
            align = &o.rows.bottom;
            afterFirstRow = false;
        } else {
            align = &o.rows.middle;
        }
        if (*align) line.posX = horizontalPosition(line.lineWidth, **align, o);

        line.posY = round32(bottom - pitch * (rows - static_cast<int64_t>(line.rowNumber)));
    }
}

void bottomAlign(lyrics::Song& song, const settings::ConversionOptions& o) {
    const int32_t rows = rowCount(o);
    // The same pitch as placeLines, so a moved screen's rows sit exactly where
    // the bottom rows of every other screen sit, at any vertical scale.
    const double pitch = rowPitch(o);
    const double bottom = bottomRowY(o);
    auto& table = song.workLines;
    const std::vector<std::vector<int>> screens = groupScreens(table);

    for (size_t c = screens.size(); c-- > 0;) {
        const std::vector<int>& lines = screens[c];
        const int32_t k = table[lines.back()].rowNumber;  // rows the screen uses
        if (k >= rows) continue;

        // The rows the screen would move to, m and the ones below it, must be
        // free (their lines on the previous screen ended) when the screen
        // comes up. Before the first screen every row is free from 0.
        const int64_t m = static_cast<int64_t>(rows) - k + 1;
        int64_t rowEnd = 0;
        if (c > 0)
            for (int i : screens[c - 1])
                if (table[i].rowNumber >= m) rowEnd = std::max<int64_t>(rowEnd, table[i].endTime);
        if (!(rowEnd < table[lines.front()].startTime)) continue;

        for (int i : lines) {
            LyricLine& line = table[i];
            line.posY = round32(bottom - pitch * (static_cast<int64_t>(k) - line.rowNumber));
        }
        if (k == 1) {
            // Centred from the measured width, so that rubyScale is applied
            // once, as placeLines applied it.
            LyricLine& line = table[lines.front()];
            line.lineWidth = measuredWidth(line);
            line.posX = horizontalPosition(line.lineWidth, LineAlign::Centre, o);
        }
    }
}

RubyFont rubyFont(const settings::ConversionOptions& o) {
    return {o.rubyFont.font.face, o.rubyFont.size.points, o.scale.x};
}

int32_t rubyTextWidth(measure::TextMeasurer& measurer, const RubyFont& font, std::string_view ruby) {
    return measure::textWidth(measurer, font.face, font.pointSize, ruby, font.scaleX);
}

namespace {

// The columns one ruby of a line takes, pixels: [left, right).
struct Reading {
    int slot = 0;
    int64_t left = 0;
    int64_t right = 0;
    bool fixed = false;  // spread over its characters: rubySpacing places it
    int64_t base = 0;    // pixels: the width of the characters it reads
};

// Pixels: the letter spacing rubySpacing gives this ruby over its `base`
// pixels of characters, 0 when it is not spread.
int64_t spreadSpacing(const lyrics::SlotRuby& r, int64_t base) {
    const int64_t letters = static_cast<int64_t>(utf8Length(r.ruby));
    const int64_t room = base - r.rubyWidth;
    if (letters <= 1 || room <= 0) return 0;
    return round32(static_cast<double>(room) / static_cast<double>(letters));
}

// Readings of one line that run into each other (a reading wider than its
// kanji beside the next one), or come nearer than `gap` pixels, are moved
// apart by the least amount: readings that touch form a run laid side by
// side, `gap` apart, placed where the readings' own centred places lie on
// average (the least sum of squared moves; a half pixel goes left, as in
// centring), or where a spread reading of the run must stay. Readings that
// touch nothing keep their places.
void separateReadings(LyricLine& line, const std::vector<Reading>& readings, int64_t gap) {
    struct Run {
        size_t first = 0, last = 0;    // indices into readings
        int64_t width = 0;             // pixels, side by side
        int64_t sum = 0;               // sum over movable members of (own left - offset in the run)
        int64_t movable = 0;           // their number
        std::optional<int64_t> fixed;  // the left a spread member holds the run at
        int64_t left() const {
            if (fixed) return *fixed;
            // Floor of the mean: a half pixel goes left.
            return sum >= 0 ? sum / movable : -((-sum + movable - 1) / movable);
        }
    };
    std::vector<Run> runs;
    for (size_t i = 0; i < readings.size(); ++i) {
        const Reading& r = readings[i];
        Run run{i, i, r.right - r.left, r.fixed ? 0 : r.left, r.fixed ? 0 : 1, std::nullopt};
        if (r.fixed) run.fixed = r.left;
        runs.push_back(run);
        while (runs.size() >= 2) {
            Run& a = runs[runs.size() - 2];
            const Run& b = runs.back();
            if (a.left() + a.width + gap <= b.left()) break;
            a.sum += b.sum - b.movable * (a.width + gap);
            a.movable += b.movable;
            if (!a.fixed && b.fixed) a.fixed = *b.fixed - a.width - gap;
            a.width += gap + b.width;
            a.last = b.last;
            runs.pop_back();
        }
    }
    for (const Run& run : runs) {
        if (run.first == run.last) continue;  // touches nothing: stays
        int64_t x = run.left();
        for (size_t i = run.first; i <= run.last; ++i) {
            const Reading& r = readings[i];
            if (!r.fixed) line.unit(r.slot).editRuby().rubyX = saturate32(x);
            x += r.right - r.left + gap;
        }
    }
}

// The narrowest a reading is drawn to stay over its kanji, percent of its
// width; narrower would not read. Past it, readings move apart instead.
constexpr int64_t kMinReadingScale = 50;

// Readings wider than their kanji that would come nearer their neighbours
// than `gap` pixels are first drawn narrower (rubyScaleX), each staying
// centred over its kanji: two neighbours share the room between their
// centres, less the gap, in proportion to their widths. A reading already
// spread over its characters (`fixed`) keeps its width, and so does one
// that nothing crowds. The readings' columns are updated to the drawn
// widths.
void narrowReadings(LyricLine& line, std::vector<Reading>& readings, int64_t gap) {
    const size_t n = readings.size();
    // Twice the centre of each reading as placed (centred over its kanji).
    std::vector<int64_t> centre2(n);
    std::vector<double> allowed(n, std::numeric_limits<double>::infinity());
    for (size_t i = 0; i < n; ++i) centre2[i] = readings[i].left + readings[i].right;
    // A reading no wider than its kanji, or spread over them, keeps its
    // width: it is not the one that crowds.
    auto keepsWidth = [](const Reading& r) { return r.fixed || r.right - r.left <= r.base; };
    for (size_t i = 0; i + 1 < n; ++i) {
        const Reading& a = readings[i];
        const Reading& b = readings[i + 1];
        if (a.right + gap <= b.left) continue;
        // Room for the two half widths: between the centres, less the gap.
        const double room = static_cast<double>(centre2[i + 1] - centre2[i]) / 2.0 - static_cast<double>(gap);
        const double wa = static_cast<double>(a.right - a.left), wb = static_cast<double>(b.right - b.left);
        if (keepsWidth(a) && keepsWidth(b)) continue;
        if (keepsWidth(a)) {
            allowed[i + 1] = std::min(allowed[i + 1], std::max(0.0, 2 * (room - wa / 2)));
        } else if (keepsWidth(b)) {
            allowed[i] = std::min(allowed[i], std::max(0.0, 2 * (room - wb / 2)));
        } else {
            allowed[i] = std::min(allowed[i], std::max(0.0, 2 * room * wa / (wa + wb)));
            allowed[i + 1] = std::min(allowed[i + 1], std::max(0.0, 2 * room * wb / (wa + wb)));
        }
    }
    for (size_t i = 0; i < n; ++i) {
        Reading& r = readings[i];
        const int64_t width = r.right - r.left;
        if (r.fixed || width <= 0 || allowed[i] >= static_cast<double>(width)) continue;
        const int64_t percent =
            std::clamp<int64_t>(static_cast<int64_t>(std::floor(allowed[i] * 100 / static_cast<double>(width))),
                                kMinReadingScale, 100);
        const int64_t drawn = width * percent / 100;
        lyrics::SlotRuby& ruby = line.unit(r.slot).editRuby();
        ruby.rubyScaleX = static_cast<int32_t>(percent);
        // Centred as before: a half pixel goes left.
        r.left = static_cast<int64_t>(std::floor(static_cast<double>(centre2[i] - drawn) / 2.0));
        r.right = r.left + drawn;
        ruby.rubyX = saturate32(r.left);
    }
}

}  // namespace

void placeRuby(lyrics::Song& song, const settings::ConversionOptions& o, measure::TextMeasurer& measurer) {
    const RubyFont font = rubyFont(o);
    const int32_t rubyHeight = o.rubyFont.size.pixels;
    const std::string standardStyle = "Ruby" + o.styleNumber;
    // From a line's bottom edge to its ruby's bottom edge, pixels.
    const double rise = scaledFontHeight(o) + static_cast<double>(o.border.shadow) + o.ruby.down;

    const bool spreadRuby = o.ruby.spread;
    // Readings of different kanji stay at least a quarter of the ruby
    // font's height apart, so that they do not read as one word.
    const int64_t gap = (static_cast<int64_t>(rubyHeight) + 3) / 4;
    std::vector<Reading> readings;
    auto& table = song.workLines;
    for (int i = 1; i <= table.count(); ++i) {
        LyricLine& line = table[i];
        if (line.kanjiStyle == "substyle1") line.rubyStyle = "substyleRuby1";
        else if (line.kanjiStyle == "substyle2") line.rubyStyle = "substyleRuby2";
        else line.rubyStyle = standardStyle;

        const int last = usedSlots(line);
        // cellLeft(line, j), carried along the walk rather than summed again
        // for every ruby.
        int64_t walkLeft = line.posX;
        for (int j = 1; j <= last; ++j) {
            lyrics::LyricUnit& u = line.unit(j);
            if (!u.isChar) continue;
            const int64_t left = walkLeft;
            walkLeft += u.width;
            if (u.rubyFields().ruby.empty()) continue;
            lyrics::SlotRuby& r = u.editRuby();
            r.rubyWidth = rubyTextWidth(measurer, font, r.ruby);
            r.rubyHeight = rubyHeight;
            const int64_t base = runWidth(line, r.rubySpan, j);
            // Centred over the characters it reads; a half pixel goes left.
            r.rubyX = floor32(static_cast<double>(base - r.rubyWidth) / 2 + saturate32(left));
            r.rubyY = round32(static_cast<double>(line.posY) - rise);
            r.rubyScaleX = 100;
            // A ruby spread over its characters stays where rubySpacing puts
            // it, half a spacing in, its letters a spacing apart; any other
            // ruby may be moved off a neighbour.
            const int64_t spacing = spreadRuby ? spreadSpacing(r, base) : 0;
            if (spacing != 0) {
                const int64_t from = left + static_cast<int64_t>(std::floor(static_cast<double>(spacing) / 2));
                const int64_t letters = static_cast<int64_t>(utf8Length(r.ruby));
                readings.push_back({j, from, from + r.rubyWidth + (letters - 1) * spacing, true, base});
            } else {
                readings.push_back({j, r.rubyX, static_cast<int64_t>(r.rubyX) + r.rubyWidth, false, base});
            }
        }
        narrowReadings(line, readings, gap);
        separateReadings(line, readings, gap);
        readings.clear();
    }
}

void timeRuby(lyrics::Song& song) {
    auto& table = song.workLines;
    for (int i = 1; i <= table.count(); ++i) {
        LyricLine& line = table[i];
        const int last = usedSlots(line);
        int64_t syllableStart = 0;  // centiseconds
        int64_t offset = 0;         // sung time of the syllable's earlier characters
        for (int j = 1; j <= last; ++j) {
            lyrics::LyricUnit& u = line.unit(j);
            if (!u.isChar) {
                syllableStart = u.time;
                offset = 0;
                continue;
            }
            if (!u.rubyFields().ruby.empty()) {
                lyrics::SlotRuby& r = u.editRuby();
                const int64_t start = syllableStart + offset;
                int64_t end = start + u.duration;
                // The ruby lasts while its characters are sung; tags between
                // them add nothing.
                int counted = 1;
                for (int k = j + 1; k <= last && counted < r.rubySpan; ++k) {
                    if (!line.unit(k).isChar) continue;
                    end += line.unit(k).duration;
                    ++counted;
                }
                r.rubyStartTime = saturate32(start);
                r.rubyEndTime = saturate32(end);
                r.rubyDuration = saturate32(end - start);
            }
            offset += u.duration;
        }
    }
}

std::vector<int32_t> rubyPieceDurations(const lyrics::SlotRuby& r) {
    std::vector<int32_t> pieces;
    int64_t from = r.rubyStartTime;
    for (const lyrics::RubyBeat& b : r.beats) {
        const int64_t at = std::clamp<int64_t>(b.time, from, std::max<int64_t>(from, r.rubyEndTime));
        pieces.push_back(saturate32(at - from));
        from = at;
    }
    pieces.push_back(saturate32(std::max<int64_t>(0, int64_t{r.rubyEndTime} - from)));
    return pieces;
}

int32_t rubySpacing(lyrics::LyricLine& line, int j) {
    if (j < 1 || j > usedSlots(line)) return 0;
    lyrics::LyricUnit& u = line.unit(j);
    const lyrics::SlotRuby& r = u.rubyFields();
    const int64_t letters = static_cast<int64_t>(utf8Length(r.ruby));
    if (letters == 1 && letters == r.rubySpan) return 0;
    const int64_t room = static_cast<int64_t>(runWidth(line, r.rubySpan, j)) - r.rubyWidth;
    if (room <= 0 || letters <= 1) return 0;
    const int32_t spacing = round32(static_cast<double>(room) / static_cast<double>(letters));
    u.editRuby().rubyX = round32(std::floor(spacing / 2.0) + cellLeft(line, j));
    return spacing;
}

}  // namespace kvelmor::layout
