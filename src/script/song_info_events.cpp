// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/song_info_events.h"

#include <algorithm>
#include <limits>

#include "common/number_text.h"
#include "script/line_output.h"
#include "settings/presets.h"

namespace kvelmor::script {

using lyrics::Centiseconds;
using settings::ConversionOptions;

namespace {

constexpr int64_t kMaxTime = std::numeric_limits<Centiseconds>::max();

Centiseconds clampTime(int64_t t) { return static_cast<Centiseconds>(std::clamp<int64_t>(t, 0, kMaxTime)); }

std::string timeText(int64_t t) { return lyrics::formatScriptTime(clampTime(t)); }

// The first and last lines' times; a song without lines starts and ends at 0.
struct LineTime {
    Centiseconds time = 0;
    std::string text;
};
LineTime firstStart(const lyrics::Song& song) {
    if (song.workLines.count() < 1) return {0, lyrics::formatScriptTime(0)};
    const auto& l = song.workLines[1];
    return {l.startTime, l.startText.empty() ? lyrics::formatScriptTime(l.startTime) : l.startText};
}
LineTime lastEnd(const lyrics::Song& song) {
    if (song.workLines.count() < 1) return {0, lyrics::formatScriptTime(0)};
    const auto& l = song.workLines[song.workLines.count()];
    return {l.endTime, l.endText.empty() ? lyrics::formatScriptTime(l.endTime) : l.endText};
}

std::string fadeTag(int64_t in, int64_t out) {
    return "{\\fad(" + std::to_string(in) + "," + std::to_string(out) + ")}";
}

// Joins the non-empty texts with " / ".
std::string joinNonEmpty(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (std::string_view p : parts) {
        if (p.empty()) continue;
        if (!out.empty()) out += " / ";
        out += p;
    }
    return out;
}

// A text `width` pixels wide that must fit in `room` pixels: the scale
// that makes it fit, in whole percent of the style's 100, both ways so the
// letters keep their shape. Text that fits is left alone (100). A title
// wider than the frame would otherwise be cut off on both sides.
int64_t fitPercent(int64_t width, int64_t room) {
    if (width <= room || width <= 0 || room <= 0) return 100;
    return std::max<int64_t>(room * 100 / width, 1);
}

// The override tags of a scale from fitPercent; none at 100.
std::string scaleTag(int64_t percent) {
    if (percent == 100) return {};
    return "{\\fscx" + std::to_string(percent) + "\\fscy" + std::to_string(percent) + "}";
}

// Measures in the song-information font at a size field's whole number.
struct InfoMeasure {
    measure::TextMeasurer& measurer;
    std::string face;
    double scaleX;
    int32_t operator()(std::string_view text, int32_t pointSize) const {
        return measure::textWidth(measurer, face, pointSize, text, scaleX);
    }
};

// One line of the before-song block.
struct BlockLine {
    const char* style;
    int64_t x, y;  // pixels: bottom-left corner
    std::string text;
    int64_t percent;  // scale, fitPercent
    int64_t width;    // pixels as drawn
    int64_t natural;  // pixels at 100 %
    int64_t height;   // pixels: the font's pixel height
};

// Pixels a line takes with its outline and shadow (`border`) around it.
struct Box {
    int64_t left, top, right, bottom;
};
Box boxOf(const BlockLine& l, int64_t border) {
    return {l.x - border, l.y - l.height - border, l.x + l.width + border, l.y + border};
}
bool meet(const Box& a, const Box& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// The centred title lines and the singer column stand where they always
// have as long as they do not meet. Where a centred line would run into
// the column, the column moves down below it, as far as the frame's bottom
// (`lowest`, the lowest a line's bottom may be) allows; a centred line it
// still meets shrinks to the room left of the column and is centred there.
void keepApart(std::vector<BlockLine>& centred, std::vector<BlockLine>& column, int64_t lowest, int64_t border) {
    if (centred.empty() || column.empty()) return;
    auto columnBox = [&] {
        Box b = boxOf(column.front(), border);
        for (const BlockLine& l : column) {
            const Box o = boxOf(l, border);
            b = {std::min(b.left, o.left), std::min(b.top, o.top), std::max(b.right, o.right),
                 std::max(b.bottom, o.bottom)};
        }
        return b;
    };
    Box box = columnBox();
    int64_t shift = 0;
    for (const BlockLine& c : centred)
        if (meet(boxOf(c, border), box)) shift = std::max(shift, boxOf(c, border).bottom - box.top);
    if (shift == 0) return;
    // The column's first line is its bottom one.
    shift = std::min(shift, std::max<int64_t>(0, lowest - column.front().y));
    for (BlockLine& l : column) l.y += shift;
    box = columnBox();
    for (BlockLine& c : centred) {
        if (!meet(boxOf(c, border), box)) continue;
        const int64_t room = box.left - 2 * border;
        c.percent = fitPercent(c.natural, room);
        c.width = c.natural * c.percent / 100;
        c.x = border + (room - c.width) / 2;
    }
}

}  // namespace

SongInfoLabels readSongInfoLabels(const settings::IniFile& ini) {
    SongInfoLabels l;
    l.singer = ini.value(settings::kInfoSection, "songInfo1", l.singer);
    l.lyricist = ini.value(settings::kInfoSection, "songInfo2", l.lyricist);
    l.composer = ini.value(settings::kInfoSection, "songInfo3", l.composer);
    l.arranger = ini.value(settings::kInfoSection, "songInfo4", l.arranger);
    return l;
}

void appendInfoEvent(std::string& out, const InfoEvent& e) {
    out += "Dialogue: 0,";
    out += e.start;
    out += ',';
    out += e.end;
    out += ',';
    out += e.style;
    out += ",,0000,0000,0000,Karaoke,";
    out += e.text;
    out += kLineEnd;
}

Centiseconds timeFromFields(std::string_view hours, std::string_view minutes, std::string_view seconds) {
    return timeFromClock({toWholeNumber(hours), toWholeNumber(minutes), toWholeNumber(seconds)});
}

Centiseconds timeFromClock(const settings::ClockTime& t) {
    auto field = [](int32_t v) { return std::max<int64_t>(v, 0); };
    return clampTime(((field(t.hours) * 60 + field(t.minutes)) * 60 + field(t.seconds)) * 100);
}

TimeWindow beforeSongWindow(const lyrics::Song& song, const ConversionOptions& o) {
    int64_t start = 0;
    int64_t end = 0;
    if (o.songInfo.window == settings::TitleWindow::BetweenTimes) {
        start = timeFromClock(o.songInfo.start);
        end = timeFromClock(o.songInfo.end);
    } else {
        // titleEndTime is subtracted as centiseconds, like every lead time.
        const int64_t first = firstStart(song).time;
        end = first - o.songInfo.untilSinging;
        if (end < 0) end = std::max<int64_t>(first - 100, 0);
    }
    return {clampTime(start), clampTime(std::max(end, start))};
}

FrameScale frameScale(const ConversionOptions& o) {
    return {static_cast<double>(o.frame.width) / kDesignWidth, static_cast<double>(o.frame.height) / kDesignHeight};
}

int64_t FrameScale::alongX(int64_t pixels) const { return roundHalfEven(static_cast<double>(pixels) * x); }
int64_t FrameScale::alongY(int64_t pixels) const { return roundHalfEven(static_cast<double>(pixels) * y); }

std::vector<InfoEvent> songInfoBeforeSongEvents(const lyrics::Song& song, const ConversionOptions& o,
                                                const SongInfoLabels& labels, measure::TextMeasurer& measurer,
                                                std::vector<InfoArea>* areas) {
    std::vector<InfoEvent> events;
    const settings::SongInfoOptions& options = o.songInfo;
    if (!options.beforeSong) return events;
    const lyrics::SongInfo& info = song.songInfo;
    const TimeWindow window = beforeSongWindow(song, o);
    const std::string start = timeText(window.start);
    const std::string end = timeText(window.end);
    const std::string fade = fadeTag(options.fadeIn, options.fadeOut);
    const InfoMeasure width{measurer, options.font.face, o.scale.x};
    const int32_t size1 = options.firstTitleSize.points;
    const int32_t size2 = options.secondTitleSize.points;
    const int64_t pixel1 = options.firstTitleSize.pixels;
    const int64_t pixel2 = options.secondTitleSize.pixels;
    const int64_t border = static_cast<int64_t>(o.border.outline) + o.border.shadow;
    const int64_t dispWidth = o.frame.width;
    const int64_t dispHeight = o.frame.height;
    const bool sameColumn = options.sameColumn;
    // The block keeps the places it has in a 640 × 480 frame: its distances
    // from the frame's edges grow with the frame; the text keeps its size.
    const FrameScale frame = frameScale(o);

    using Line = BlockLine;
    auto add = [&](const Line& l) {
        events.push_back({start, end, l.style, "{\\q2}" + posTag(l.x, l.y) + fade + scaleTag(l.percent) + l.text});
        if (areas) {
            const Box b = boxOf(l, border);
            areas->push_back({b.left, b.top, b.right, b.bottom});
        }
    };
    // The frame's width less the outline and shadow on both sides.
    const int64_t room = dispWidth - 2 * border;

    // The column's width: the widest of its texts, empty values included.
    int64_t blockWidth = std::max({width(labels.singer + info.artist, size2),
                                   width(labels.lyricist + info.lyrics, size2),
                                   width(labels.composer + info.compose, size2),
                                   width(labels.arranger + info.arrange, size2), width(info.year, size2)});
    if (sameColumn)
        blockWidth = std::max({blockWidth, static_cast<int64_t>(width(info.title, size1)),
                               static_cast<int64_t>(width(info.subtitle, size2)),
                               static_cast<int64_t>(width(info.album, size2))});
    // A column wider than the frame starts one border from its left edge, and
    // only its lines that are still too wide shrink, each to the room left.
    const int64_t columnRoom = blockWidth <= room ? blockWidth : room - border;
    // Never nearer the edges than the outline and shadow reach.
    const int64_t x = dispWidth - std::min(blockWidth, columnRoom) - std::max(2 * border, frame.alongX(2 * border));
    const int64_t bottom = dispHeight - std::max(border, frame.alongY(border));
    int64_t y = bottom - (sameColumn ? 0 : frame.alongY(options.titleY));
    const int64_t spacer = options.spacer;

    // From the bottom up; a positive spacer brings the lines closer.
    std::vector<Line> column;
    auto columnLine = [&](const char* style, int32_t size, int64_t pixel, const std::string& value,
                          const std::string& text) {
        if (value.empty()) return;
        const int64_t w = width(text, size);
        const int64_t percent = fitPercent(w, columnRoom);
        column.push_back({style, x, y, text, percent, w * percent / 100, w, pixel});
        y = y - pixel - border + spacer;
    };
    columnLine("songInfo2", size2, pixel2, info.year, info.year);
    columnLine("songInfo2", size2, pixel2, info.arrange, labels.arranger + info.arrange);
    columnLine("songInfo2", size2, pixel2, info.compose, labels.composer + info.compose);
    columnLine("songInfo2", size2, pixel2, info.lyrics, labels.lyricist + info.lyrics);
    columnLine("songInfo2", size2, pixel2, info.artist, labels.singer + info.artist);
    if (sameColumn) {
        columnLine("songInfo2", size2, pixel2, info.subtitle, info.subtitle);
        columnLine("songInfo1", size1, pixel1, info.title, info.title);
        columnLine("songInfo2", size2, pixel2, info.album, info.album);
        for (const Line& l : column) add(l);
        return events;
    }

    // Centred lines from the top down; each step down belongs to its line,
    // so a missing album or title leaves no gap.
    std::vector<Line> centred;
    int64_t top = frame.alongY(size2);
    auto centredLine = [&](const char* style, int32_t size, int64_t pixel, const std::string& text) {
        // dispWidth / 2 − width / 2, rounded half to even; the width as drawn.
        const int64_t w = width(text, size);
        const int64_t percent = fitPercent(w, room);
        const int64_t drawn = w * percent / 100;
        centred.push_back({style, roundHalfEven(static_cast<double>(dispWidth) / 2.0 - static_cast<double>(drawn) / 2.0),
                           top, text, percent, drawn, w, pixel});
    };
    if (!info.album.empty()) {
        top += frame.alongY(options.titleY);
        centredLine("songInfo2", size2, pixel2, info.album);
    }
    if (!info.title.empty()) {
        top += pixel1 + 2 * border;
        centredLine("songInfo1", size1, pixel1, info.title);
    }
    if (!info.subtitle.empty()) {
        top += pixel2 + 2 * border;
        centredLine("songInfo2", size2, pixel2, info.subtitle);
    }
    keepApart(centred, column, bottom, border);
    for (const Line& l : column) add(l);
    for (const Line& l : centred) add(l);
    return events;
}

std::vector<InfoEvent> songInfoTopEvents(const lyrics::Song& song, const ConversionOptions& o,
                                         measure::TextMeasurer& measurer) {
    std::vector<InfoEvent> events;
    const settings::SongInfoOptions& options = o.songInfo;
    if (!options.top) return events;
    const lyrics::SongInfo& info = song.songInfo;

    const LineTime first = firstStart(song);
    LineTime last = lastEnd(song);
    if (!options.songEnd.isZero()) {
        Centiseconds t = timeFromClock(options.songEnd);
        last = {t, lyrics::formatScriptTime(t)};
    }
    if (last.time < first.time) last = {first.time, first.text};

    const int64_t y = static_cast<int64_t>(options.topSize.points) + options.y;
    const int64_t x = options.x;

    if (options.mode == settings::SongInfoMode::TwoFixedLines) {
        // Two fixed lines: the programme (album), then the song and its singer.
        const int64_t p = options.topSize.pixels;
        const int64_t y2 = y + p + p / 4;
        const std::string fade = "{\\q2}{\\fad(800,800)}";
        // A line longer than the frame right of songInfoX shrinks to end at its edge.
        const int64_t room = static_cast<int64_t>(o.frame.width) - x -
                             (static_cast<int64_t>(o.border.outline) + o.border.shadow);
        auto line = [&](int64_t lineY, const std::string& text) {
            const int64_t w =
                measure::textWidth(measurer, options.font.face, options.topSize.points, text, o.scale.x);
            events.push_back({first.text, last.text, "songInfo",
                              fade + posTag(x, lineY) + scaleTag(fitPercent(w, room)) + text});
        };
        line(y, info.album);
        line(y2, joinNonEmpty({info.title, info.artist}));
        return events;
    }

    // One line crossing the screen from the right edge (the script's
    // PlayResX) to just past the left edge at 5 centiseconds per pixel.
    const std::string text = joinNonEmpty({info.album, info.title, info.artist});
    const int64_t w = std::max<int32_t>(
        measure::textWidth(measurer, options.font.face, options.topSize.points, text, o.scale.x), 0);
    const int64_t playResX = o.frame.width;
    const int64_t period = 5 * w + 25;  // centiseconds between passes
    const int64_t passes = std::min((static_cast<int64_t>(last.time) - first.time) / period + 1, kMaxScrollPasses);
    const std::string move = "{\\q2}{\\move(" + std::to_string(playResX) + "," + std::to_string(y) + "," +
                             std::to_string(-w) + "," + std::to_string(y) + ")}";
    // Every pass lasts the same 5 × (PlayResX + width) centiseconds, so the
    // line keeps its speed and no pass can end before it starts. (Ending pass
    // k at start + 5 × width × (k + 1) + 5 × PlayResX would shorten each pass
    // by 25 centiseconds more than the last.)
    const int64_t duration = 5 * (playResX + w);
    for (int64_t k = 0; k < passes; ++k) {
        const int64_t start = first.time + period * k;
        events.push_back({timeText(start), timeText(start + std::max<int64_t>(duration, 0)), "songInfo", move + text});
    }
    return events;
}

}  // namespace kvelmor::script
