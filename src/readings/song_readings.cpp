// SPDX-License-Identifier: GPL-3.0-or-later
#include "readings/song_readings.h"

#include <algorithm>

#include "common/encoding.h"
#include "lyrics/kra_writer.h"
#include "lyrics/reader.h"
#include "lyrics/segmentation.h"
#include "lyrics/time_value.h"
#include "readings/kana.h"

namespace kvelmor::readings {
namespace {

bool isBaseOpener(char32_t c) { return c == U'|' || c == U'｜'; }

// The character slots of the line in order, and for each whether a ruby covers it.
struct CharMap {
    std::vector<int> slots;
    std::vector<bool> covered;
};

CharMap charMap(const lyrics::LyricLine& line) {
    CharMap map;
    int remaining = 0;  // characters still under the last ruby
    for (int k = 1; k <= line.unitCount && k < static_cast<int>(line.units.size()); ++k) {
        const lyrics::LyricUnit& u = line.unit(k);
        if (!u.isChar) continue;
        const lyrics::SlotRuby& r = u.rubyFields();
        if (!r.ruby.empty()) remaining = std::max(r.rubySpan, 1);
        map.slots.push_back(k);
        map.covered.push_back(remaining > 0);
        if (remaining > 0) --remaining;
    }
    return map;
}

}  // namespace

std::vector<RubyPlacement> placeSuggestions(const lyrics::LyricLine& line, const LineSuggestions& suggestions) {
    const CharMap map = charMap(line);
    std::vector<RubyPlacement> out;
    for (const Suggestion& s : suggestions.readings) {
        if (s.count == 0 || s.first + s.count > map.slots.size()) continue;
        bool free = true;
        for (size_t i = s.first; i < s.first + s.count; ++i) free = free && !map.covered[i];
        if (!free) continue;
        // The syllables of the base: character slots with no tag between them.
        std::vector<std::pair<int, int>> groups;  // first slot, characters
        for (size_t i = s.first; i < s.first + s.count; ++i) {
            const int slot = map.slots[i];
            if (!groups.empty() && slot == map.slots[i - 1] + 1) ++groups.back().second;
            else groups.emplace_back(slot, 1);
        }
        if (groups.size() == 1) {
            out.push_back({groups[0].first, groups[0].second, s.reading});
            continue;
        }
        const std::vector<std::u32string> mora = splitMora(toU32(s.reading));
        size_t next = 0;
        for (size_t g = 0; g < groups.size(); ++g) {
            const size_t share = mora.size() / groups.size() + (g < mora.size() % groups.size() ? 1 : 0);
            std::u32string part;
            for (size_t m = 0; m < share; ++m) part += mora[next++];
            if (!part.empty()) out.push_back({groups[g].first, groups[g].second, toUtf8(part)});
        }
    }
    return out;
}

void applyPlacements(lyrics::LyricLine& line, const std::vector<RubyPlacement>& placements) {
    for (const RubyPlacement& p : placements) {
        lyrics::SlotRuby& r = line.unit(p.slot).editRuby();
        r.ruby = p.reading;
        r.rubySpan = p.span;
    }
}

AnnotatedLine parseUntimedNotation(std::u32string_view line) {
    AnnotatedLine out;
    size_t opened = std::u32string::npos;  // where a "|" base starts in `plain`
    for (size_t i = 0; i < line.size(); ++i) {
        const char32_t c = line[i];
        // A bar opens a base only where a reading follows; else it is lyric text.
        if (isBaseOpener(c) && line.find(U'(', i + 2) != std::u32string_view::npos) {
            opened = out.plain.size();
            continue;
        }
        if (c == U'(') {
            const size_t close = line.find(U')', i + 1);
            size_t first = out.plain.size();
            if (opened != std::u32string::npos) {
                first = opened;
            } else {
                while (first > 0 && isKanjiLike(out.plain[first - 1])) --first;
                // A base never reaches back under the reading before it.
                if (!out.rubies.empty()) first = std::max(first, out.rubies.back().first + out.rubies.back().count);
            }
            const std::u32string_view reading =
                close == std::u32string_view::npos ? std::u32string_view() : line.substr(i + 1, close - i - 1);
            if (close != std::u32string_view::npos && first < out.plain.size() && !reading.empty() &&
                reading.find(U'(') == std::u32string_view::npos) {
                out.rubies.push_back({first, out.plain.size() - first, toUtf8(reading)});
                i = close;
                opened = std::u32string::npos;
                continue;
            }
        }
        out.plain += c;
    }
    return out;
}

std::u32string writeUntimedNotation(const AnnotatedLine& line) {
    std::u32string out;
    size_t at = 0;
    for (const Suggestion& r : line.rubies) {
        out += line.plain.substr(at, r.first - at);
        const std::u32string_view base = std::u32string_view(line.plain).substr(r.first, r.count);
        bool allKanji = true;
        for (char32_t c : base) allKanji = allKanji && isKanjiLike(c);
        // The reader takes the whole run of kanji before "(": a base that
        // starts inside one is opened explicitly.
        const bool startsInRun = r.first > at && isKanjiLike(line.plain[r.first - 1]);
        if (!allKanji || startsInRun) out += U'|';
        out += base;
        out += U'(';
        out += toU32(r.reading);
        out += U')';
        at = r.first + r.count;
    }
    out += line.plain.substr(at);
    return out;
}

lyrics::LyricLine lineFromTimedText(std::u32string_view text) {
    lyrics::LyricLine line;
    for (size_t i = 0; i < text.size();) {
        lyrics::LyricUnit u;
        if (const auto t = lyrics::timeTagAt(text, i)) {
            u.rawTime = *t;
            u.time = *t;
            i += 10;
        } else {
            u.isChar = true;
            u.text = toUtf8(text[i]);
            line.plainText += u.text;
            ++i;
        }
        if (!line.appendUnit(std::move(u))) break;
    }
    lyrics::foldRubyNotation(line);
    return line;
}

FilledSong fillSongText(Analyzer& analyzer, std::string_view utf8) {
    FilledSong out;
    std::optional<bool> timeCorrection;  // a header line's; only its text is kept
    int number = 0;
    auto unread = [&out, &number](const LineSuggestions& s) {
        for (const std::string& w : s.unread) out.unread.push_back({number, w});
    };
    for (std::string_view raw : splitLines(utf8)) {
        ++number;
        const std::string text(raw);
        // Each line keeps the line end it had (none after a last line without one).
        const size_t after = static_cast<size_t>(raw.data() - utf8.data()) + raw.size();
        std::string end;
        if (after < utf8.size()) end = utf8[after] == '\n' ? "\n" : utf8.substr(after, 2) == "\r\n" ? "\r\n" : "\r";
        if (lyrics::readHeaderLine(out.song.songInfo, timeCorrection, text) || text.empty() || text[0] == '@') {
            out.text += text + end;
            continue;
        }
        const std::u32string line = toU32(text);
        if (lyrics::isTimedLine(line)) {
            ++out.timedLines;
            lyrics::LyricLine slots = lineFromTimedText(line);
            const LineSuggestions s = suggestReadings(analyzer, toU32(slots.plainText));
            unread(s);
            std::vector<RubyPlacement> placed = placeSuggestions(slots, s);
            // Each reading adds its notation's slots; a line the reader would
            // refuse (more than 300) keeps only the readings that fit, first to last.
            std::string written = text;
            for (size_t n = placed.size(); n > 0; --n) {
                lyrics::LyricLine trial = slots;
                applyPlacements(trial, {placed.begin(), placed.begin() + static_cast<std::ptrdiff_t>(n)});
                std::string candidate = lyrics::serializeLine(trial);
                if (lyrics::firstKraLineOverSlots(candidate) != 0) continue;
                if (n < placed.size()) out.overfull.push_back(number);
                slots = std::move(trial);
                written = std::move(candidate);
                out.added += static_cast<int>(n);
                placed.clear();
                break;
            }
            if (!placed.empty()) out.overfull.push_back(number);  // not even one fits
            out.text += written + end;
            out.song.workLines.append(std::move(slots));
            continue;
        }
        if (!hasKanji(line)) {
            out.text += text + end;
            continue;
        }
        ++out.plainLines;
        AnnotatedLine annotated = parseUntimedNotation(line);
        const LineSuggestions s = suggestReadings(analyzer, annotated.plain);
        unread(s);
        std::vector<bool> covered(annotated.plain.size(), false);
        for (const Suggestion& r : annotated.rubies)
            for (size_t i = r.first; i < r.first + r.count; ++i) covered[i] = true;
        int added = 0;
        for (const Suggestion& sug : s.readings) {
            bool free = true;
            for (size_t i = sug.first; i < sug.first + sug.count; ++i) free = free && !covered[i];
            if (!free) continue;
            annotated.rubies.push_back(sug);
            ++added;
        }
        std::sort(annotated.rubies.begin(), annotated.rubies.end(),
                  [](const Suggestion& a, const Suggestion& b) { return a.first < b.first; });
        out.added += added;
        out.text += (added == 0 ? text : toUtf8(writeUntimedNotation(annotated))) + end;
    }
    if (out.song.workLines.count() > 0) out.song.rubyState = lyrics::kRubyAssigned;
    return out;
}

}  // namespace kvelmor::readings
