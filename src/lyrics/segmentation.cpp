// SPDX-License-Identifier: GPL-3.0-or-later
#include "lyrics/segmentation.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>
#include <vector>

#include "common/encoding.h"
#include "common/number_text.h"
#include "measure/text_measure.h"
#include "lyrics/japanese_chars.h"
#include "lyrics/kra_writer.h"
#include "lyrics/reader.h"

namespace kvelmor::lyrics {
namespace {

void rebuildPlainText(LyricLine& line) {
    line.plainText.clear();
    for (int i = 1; i <= line.unitCount; ++i)
        if (line.unit(i).isChar) line.plainText += line.unit(i).text;
}

// The build values of a working line; the record is already blank.
void setBuildValues(LyricLine& line, const std::string& styleNumber) {
    line.lineKind = 10;
    line.kanjiStyle = "Kanji" + styleNumber;
    line.rubyStyle = "Ruby" + styleNumber;
    line.marginLText = "0000";
    line.marginRText = "0000";
    line.marginVText = "0000";
    line.pieceList = "Karaoke";
}

LyricUnit tagUnit(Centiseconds rawTime) {
    LyricUnit u;
    u.isChar = false;
    u.rawTime = rawTime;
    u.time = rawTime;
    return u;
}

bool isSpace(const LyricUnit& u) { return u.isChar && charClass(std::string_view(u.text)) == kClassSpace; }

struct Candidate {
    int index = 0;
    int64_t width = 0;  // running character width at the slot
};

// The candidate whose width is nearest to the target; ties keep the earlier
// one. The best distance so far is kept in whole pixels (half to even), the
// unit widths are measured in: a later candidate must come nearer than that
// whole distance, so a fraction of a pixel in the target never moves a
// break away from an earlier, equally good place.
int nearest(const std::vector<Candidate>& cs, double target) {
    int best = cs.front().index;
    int64_t bestDistance = roundHalfEven(std::fabs(static_cast<double>(cs.front().width) - target));
    for (size_t i = 1; i < cs.size(); ++i) {
        double d = std::fabs(static_cast<double>(cs[i].width) - target);
        if (d < static_cast<double>(bestDistance)) {
            best = cs[i].index;
            bestDistance = roundHalfEven(d);
        }
    }
    return best;
}

}  // namespace

int charClass(char32_t c) {
    const std::u32string converted = toHalfWidth(std::u32string(1, hiraganaToKatakana(c)));
    if (converted == U" ") return kClassSpace;
    const uint16_t code = cp932Code(converted.front()).value_or(static_cast<uint16_t>('?'));
    if (code > 0xFF) return (code >= 0x8040 && code <= 0x879F) ? kClassSymbol : kClassKanji;
    if (code <= 64) return kClassSymbol;
    if (code <= 122) return kClassLatin;
    return toFullWidth(converted) == std::u32string(1, c) ? kClassKatakana : kClassHiragana;
}

int charClass(std::string_view utf8Char) {
    const std::u32string chars = toU32(utf8Char);
    return chars.empty() ? kClassSymbol : charClass(chars.front());
}

int32_t availableWidth(const settings::ConversionOptions& o) {
    const int64_t a = static_cast<int64_t>(o.frame.width) - o.margins.left - o.margins.right;
    return static_cast<int32_t>(std::clamp<int64_t>(a, INT32_MIN, INT32_MAX));
}

int32_t totalCharWidth(const LyricLine& line) {
    int64_t t = 0;
    for (int i = 1; i <= line.unitCount; ++i)
        if (line.unit(i).isChar) t += line.unit(i).width;
    return static_cast<int32_t>(std::clamp<int64_t>(t, INT32_MIN, INT32_MAX));
}

int foldRubyNotation(LyricLine& line) {
    // The notation is found and taken out on a list of slot numbers, and the
    // slots are moved once at the end: erasing slots from the line itself
    // would move every slot behind each notation again.
    // Every working line passes through here on each rebuild; the list's
    // storage is kept from one line to the next.
    thread_local std::vector<int> order;
    order.resize(static_cast<size_t>(line.unitCount) + 1);
    std::iota(order.begin(), order.end(), 0);
    auto count = [&] { return static_cast<int>(order.size()) - 1; };
    auto unit = [&](int i) -> LyricUnit& { return line.unit(order[static_cast<size_t>(i)]); };
    auto isChar = [&](int i, std::string_view text) {
        return i >= 1 && i <= count() && unit(i).isChar && unit(i).text == text;
    };
    auto isTag = [&](int i) { return i >= 1 && i <= count() && !unit(i).isChar; };

    int folded = 0;
    // A notation refused for what its reading held can be whole once a
    // notation inside it is folded (an empty one leaves nothing behind), and
    // so it is in the tag file written from the line: the line is passed
    // over again until nothing more folds, so that it reads back the same.
    for (int foldedBefore = -1; folded != foldedBefore;) {
        foldedBefore = folded;
        int i = 1;
        while (i <= count()) {
            // "(" framed by one time twice in a row ("吹 T ( T ( T よみ U ) U"):
            // the second one opens the notation and the first is its base, as
            // the tag file writes a ruby over a "(" character; taken the other
            // way, the "(" would become part of the reading.
            const bool baseIsParenthesis = isChar(i + 2, "(") && isTag(i + 3) && unit(i + 3).rawTime == unit(i + 1).rawTime;
            if (isChar(i, "(") && isTag(i - 1) && isTag(i + 1) && unit(i - 1).rawTime == unit(i + 1).rawTime &&
                !baseIsParenthesis) {
                // The base: the character slots directly before the tag in front of "(".
                int J = i - 1;
                while (J - 1 >= 1 && unit(J - 1).isChar) --J;
                const int span = (i - 1) - J;
                // A ruby over a lone ")" is written "T ) T ( T ...": read back, that
                // ")" would close a notation opened before it. It stays lyric text.
                const bool baseIsClosing = span == 1 && unit(J).text == ")";
                std::string reading;  // collected afresh for every notation tried
                std::vector<RubyBeat> beats;
                for (int v = i + 2; span > 0 && !baseIsClosing && v <= count() - 2; ++v) {
                    const LyricUnit& u = unit(v);
                    if (u.isChar) {
                        reading += u.text;
                        continue;
                    }
                    if (!isChar(v + 1, ")") || !isTag(v + 2) || unit(v + 2).rawTime != u.rawTime) {
                        // A tag inside the reading times the piece of it that
                        // follows; one before any letter times nothing.
                        const RubyBeat beat{static_cast<uint32_t>(reading.size()), u.rawTime, u.time};
                        if (!beats.empty() && beats.back().offset == beat.offset) beats.back() = beat;
                        else if (!reading.empty()) beats.push_back(beat);
                        continue;
                    }
                    // Characters joined around an ignored tag can spell a tag of
                    // their own ("[00:0" "5:60]"); such a reading would not come
                    // back from a tag file, so the notation stays lyric text.
                    if (holdsTimeTag(reading)) break;
                    // Nor would a reading holding the notation's own brackets: the
                    // tag file writes the tags around them anew, and a ")" framed
                    // by one time twice ("よ T ) T み") would close the notation, a
                    // "(" opening it ("T ( T ( T よみ") make a ruby over a "(".
                    if (reading.find_first_of("()") != std::string::npos) break;
                    // A tag right before the closing one starts no piece.
                    while (!beats.empty() && beats.back().offset >= reading.size()) beats.pop_back();
                    // Remove T1 "(" T1 reading T2 ")" so that the closing T2 lands at i - 1.
                    order.erase(order.begin() + (i - 1), order.begin() + (v + 2));
                    SlotRuby& r = unit(J).editRuby();
                    r.beats = std::move(beats);
                    r.ruby = reading;
                    r.rubySpan = reading.empty() ? 0 : span;  // an empty reading is no ruby
                    ++folded;
                    i -= 1;
                    break;
                }
            }
            i += 1;
        }
    }
    if (folded == 0) return 0;
    // The slot numbers only grow, so every kept slot moves down at most once.
    size_t w = 0;
    auto keep = [&](size_t k) {
        if (k != w) line.units[w] = std::move(line.units[k]);
        ++w;
    };
    for (int k : order) keep(static_cast<size_t>(k));
    for (size_t k = static_cast<size_t>(line.unitCount) + 1; k < line.units.size(); ++k) keep(k);
    line.units.erase(line.units.begin() + static_cast<std::ptrdiff_t>(w), line.units.end());
    line.unitCount = count();
    rebuildPlainText(line);
    return folded;
}

int buildWorkLine(Song& song, std::string_view text, const settings::ConversionOptions& o, Reporter& r) {
    const bool correction = o.timing.correction;
    const bool narrowSpaces = o.rows.narrowSpaces;
    const std::string& styleNumber = o.styleNumber;

    // Slot 0 first, so that a text that fits one working line hands its slots
    // over as they are. They are written over the slots of a line of the
    // previous build when there is one.
    std::vector<LyricUnit> storage = song.workLines.takeSpareUnits();
    storage.reserve(std::min(text.size(), static_cast<size_t>(kMaxSlots)) + 1);
    UnitListBuilder builder(std::move(storage));
    // The text is read character by character as UTF-8, as toU32 reads it.
    for (size_t p = 0, len = 0; p < text.size(); p += len) {
        LyricUnit& u = builder.next();
        if (auto tag = timeTagAt(text, p)) {
            u.isChar = false;
            u.rawTime = *tag;
            u.time = correction ? correctTime(*tag) : *tag;
            len = 10;
        } else {
            const char32_t c = decodeUtf8At(text, p, len);
            u.isChar = true;
            assignUtf8(u.text, (narrowSpaces && c == 0x3000) ? U' ' : c);
        }
    }
    std::vector<LyricUnit> units = builder.take();
    if (units.size() - 1 <= static_cast<size_t>(kMaxSlots)) {
        LyricLine& L = song.workLines.appendLine();
        setBuildValues(L, styleNumber);
        L.unitCount = static_cast<int32_t>(units.size() - 1);
        L.units = std::move(units);
        // A fold makes the plain text itself.
        if (foldRubyNotation(L) > 0) song.rubyState = kRubyAssigned;
        else rebuildPlainText(L);
        return 1;
    }

    int made = 0;
    size_t pos = 1;
    const LyricUnit* lastTag = nullptr;
    do {
        LyricLine& L = song.workLines.appendLine();
        setBuildValues(L, styleNumber);
        L.units = UnitListBuilder(song.workLines.takeSpareUnits()).take();
        // Room for all the slots at once, so they are not moved again as the line grows.
        L.units.reserve(std::min(units.size() - pos, static_cast<size_t>(kMaxSlots)) + 2);
        if (made > 0 && units[pos].isChar && lastTag) L.appendUnit(*lastTag);
        while (pos < units.size() && L.unitCount < kMaxSlots) {
            // Characters move into the line; tags are copied, as the last one
            // may open the next working line.
            if (units[pos].isChar) {
                L.appendUnit(std::move(units[pos]));
            } else {
                L.appendUnit(units[pos]);
                lastTag = &units[pos];
            }
            ++pos;
        }
        rebuildPlainText(L);
        if (foldRubyNotation(L) > 0) song.rubyState = kRubyAssigned;
        ++made;
    } while (pos < units.size());

    if (made > 1)
        r.warning("a line needs more than 300 slots (characters and time tags together) and was continued in " +
                      std::to_string(made - 1) + " further working line" + (made > 2 ? "s" : "") + ": " +
                      std::string(text),
                  song.lyricsPath);
    return made;
}

int chooseBreak(const LyricLine& line, int32_t totalWidth, int32_t available) {
    const int n = line.unitCount;
    int firstChar = 0;
    for (int i = 1; i <= n && firstChar == 0; ++i)
        if (line.unit(i).isChar) firstChar = i;
    if (firstChar == 0 || firstChar + 1 > n || available <= 0) return n + 1;

    const double A = available;
    const double T = totalWidth;
    double pieces = std::floor(T / A + 0.99);
    if (pieces < 1) pieces = 1;
    const double target = T / pieces;  // G

    // Step 2: the last character slots below the target, a quarter and the whole width.
    int iTarget = n;
    int iQuarter = 0;
    int iAvail = n;
    {
        int64_t W = 0;
        for (int i = 1; i <= n; ++i) {
            const LyricUnit& u = line.unit(i);
            if (!u.isChar) continue;
            W += u.width;
            if (static_cast<double>(W) < target) iTarget = i;
            if (static_cast<double>(W) < A / 4) iQuarter = i;
            if (static_cast<double>(W) < A) iAvail = i;
        }
    }

    // Step 3: strong and weak candidates over 1..iAvail.
    std::vector<Candidate> strong;
    std::vector<Candidate> weak;
    {
        int64_t W = 0;
        int o = kClassSpace;
        int charsBefore = 0;
        for (int i = 1; i <= iAvail; ++i) {
            const LyricUnit& u = line.unit(i);
            if (!u.isChar) {
                if (i > 1 && !line.unit(i - 1).isChar && charsBefore > 0) strong.push_back({i, W});
                continue;
            }
            W += u.width;
            const int k = charClass(std::string_view(u.text));
            bool isStrong = false;
            bool isWeak = false;
            switch (k) {
            case kClassSpace: isStrong = true; break;
            case kClassLatin: isStrong = o >= 2 && o <= 5; break;
            case kClassHiragana:
                isStrong = o == 1 || o == 5;
                isWeak = o == 3 || o == 4;
                break;
            case kClassKatakana: isStrong = o == 1 || o == 2 || o == 4 || o == 5; break;
            case kClassKanji: isStrong = o == 1 || o == 2 || o == 3 || o == 5; break;
            case kClassSymbol: isWeak = o >= 1 && o <= 4; break;
            default: break;
            }
            o = k;
            if (charsBefore > 0) {
                if (isStrong) strong.push_back({i, W});
                if (isWeak) weak.push_back({i, W});
            }
            ++charsBefore;
        }
    }

    // Step 4: the choice.
    auto reachesQuarter = [iQuarter](const std::vector<Candidate>& cs) {
        for (const auto& c : cs)
            if (c.index >= iQuarter) return true;
        return false;
    };
    int c;
    if (reachesQuarter(strong)) c = nearest(strong, target);
    else if (reachesQuarter(weak)) c = nearest(weak, target);
    else c = iTarget;

    // Guard: the piece keeps at least one character.
    if (c <= firstChar) c = firstChar + 1;

    // Guard: a ruby base is not cut; the cut moves to the base's start, or
    // after its end when the base starts the piece.
    for (int J = 1; J <= n; ++J) {
        const LyricUnit& u = line.unit(J);
        const SlotRuby& r = u.rubyFields();
        if (!u.isChar || r.ruby.empty() || r.rubySpan < 2) continue;
        int end = J;
        for (int seen = 1, i = J + 1; i <= n && seen < r.rubySpan; ++i) {
            if (line.unit(i).isChar) {
                ++seen;
                end = i;
            }
        }
        if (c > J && c <= end) {
            c = J > firstChar ? J : end + 1;
            break;
        }
    }
    return std::min(c, n + 1);
}

std::string takeNextPiece(LyricLine& line, int32_t available) {
    if (line.unitCount == 0) return {};
    auto takeWhole = [&line]() {
        std::string text = serializeLine(line);
        line.units.resize(1);
        line.unitCount = 0;
        return text;
    };
    const int32_t total = totalCharWidth(line);
    if (available <= 0 || available >= total) return takeWhole();
    const int c = chooseBreak(line, total, available);
    if (c > line.unitCount) return takeWhole();

    // The piece: slots 1..c-1, closed by a tag at the cut when it ends in a character.
    LyricLine piece;
    bool pieceHasTag = false;
    for (int i = 1; i <= c - 1; ++i) {
        piece.appendUnit(line.unit(i));
        if (!line.unit(i).isChar) pieceHasTag = true;
    }
    if (line.unit(c - 1).isChar) {
        // At a tag slot the cut takes that tag's own time.
        const Centiseconds e = line.unit(c).isChar ? interpolateTime(line, c) : line.unit(c).rawTime;
        // A piece without any tag would not be a timed line; it is closed even at time 0.
        if (e != 0 || !pieceHasTag) piece.appendUnit(tagUnit(e));
    }
    std::string text = serializeLine(piece);

    // The rest: from the cut, spaces at the cut dropped, opened by a tag.
    int s;
    if (!line.unit(c).isChar) {
        s = c + 1;
    } else if (isSpace(line.unit(c))) {
        s = c + 1;
        while (s <= line.unitCount && isSpace(line.unit(s))) ++s;
    } else {
        s = c;
    }
    bool restHasChar = false;
    for (int i = s; i <= line.unitCount && !restHasChar; ++i) restHasChar = line.unit(i).isChar;
    if (!restHasChar) {
        line.units.resize(1);
        line.unitCount = 0;
        return text;
    }
    std::vector<LyricUnit> rest;
    rest.reserve(static_cast<size_t>(line.unitCount - s) + 3);
    rest.emplace_back();  // slot 0
    if (line.unit(s).isChar) rest.push_back(tagUnit(interpolateTime(line, s)));
    for (int i = s; i <= line.unitCount; ++i) rest.push_back(std::move(line.unit(i)));
    line.units = std::move(rest);
    line.unitCount = static_cast<int32_t>(line.units.size()) - 1;
    return text;
}

namespace {

// What the ruby editor gives a working line that no lyrics text can hold: its
// marked characters (by their order among the line's characters) and a spare
// style.
struct EditorMarks {
    int32_t readLine = 0;
    std::string plainText;
    std::string spareStyle;
    std::vector<int> markedChars;
    bool taken = false;
};

bool isSpareStyle(const std::string& style) { return style == "substyle1" || style == "substyle2"; }

std::vector<EditorMarks> editorMarksOf(const LineTable& table) {
    std::vector<EditorMarks> kept;
    for (int i = 1; i <= table.count(); ++i) {
        const LyricLine& line = table[i];
        EditorMarks e;
        int ordinal = 0;
        for (int k = 1; k <= line.unitCount; ++k) {
            if (!line.unit(k).isChar) continue;
            if (line.unit(k).cellMark) e.markedChars.push_back(ordinal);
            ++ordinal;
        }
        if (e.markedChars.empty() && !isSpareStyle(line.kanjiStyle)) continue;
        e.readLine = line.readLine;
        e.plainText = line.plainText;
        if (isSpareStyle(line.kanjiStyle)) e.spareStyle = line.kanjiStyle;
        kept.push_back(std::move(e));
    }
    return kept;
}

// Gives each rebuilt line the marks its earlier self had: the line built from
// the same raw line with the same characters.
void restoreEditorMarks(LineTable& table, std::vector<EditorMarks>& kept) {
    for (int i = 1; i <= table.count(); ++i) {
        LyricLine& line = table[i];
        auto e = std::find_if(kept.begin(), kept.end(), [&line](const EditorMarks& m) {
            return !m.taken && m.readLine == line.readLine && m.plainText == line.plainText;
        });
        if (e == kept.end()) continue;
        e->taken = true;
        if (!e->spareStyle.empty()) line.kanjiStyle = e->spareStyle;
        int ordinal = 0;
        auto mark = e->markedChars.begin();
        for (int k = 1; k <= line.unitCount && mark != e->markedChars.end(); ++k) {
            if (!line.unit(k).isChar) continue;
            if (ordinal++ == *mark) {
                line.unit(k).cellMark = true;
                ++mark;
            }
        }
    }
}

}  // namespace

void rebuildWorkLines(Song& song, const settings::ConversionOptions& o, measure::TextMeasurer& m,
                        Reporter& r) {
    std::vector<EditorMarks> marks = editorMarksOf(song.workLines);
    song.workLines.recycle();
    const bool lineBreak = o.rows.lineBreak;
    const int32_t available = availableWidth(o);
    const std::string& face = o.lyricsFont.font.face;
    const int32_t size = o.lyricsFont.size.points;
    const double scale = o.scale.x;
    for (int i = 1; i <= song.rawLineCount(); ++i) {
        const LyricLine& raw = song.readLines[i];
        const int firstMade = song.lineCount() + 1;
        if (!lineBreak) {
            buildWorkLine(song, raw.rawText, o, r);
        } else {
            LyricLine L = raw;  // scratch copy; the raw table is never changed
            for (int k = 1; k <= L.unitCount; ++k) {
                LyricUnit& u = L.unit(k);
                if (u.isChar) u.width = measure::textWidth(m, face, size, u.text, scale);
            }
            if (foldRubyNotation(L) > 0) song.rubyState = kRubyAssigned;
            while (L.unitCount > 0) {
                std::string piece = takeNextPiece(L, available);
                if (piece.empty()) break;
                if (isTimedLine(std::string_view(piece))) buildWorkLine(song, piece, o, r);
            }
        }
        // Every working line made from the raw line names the raw line and its source.
        for (int k = firstMade; k <= song.lineCount(); ++k) {
            song.workLines[k].sourceLine = raw.sourceLine;
            song.workLines[k].readLine = i;
        }
    }
    if (!marks.empty()) restoreEditorMarks(song.workLines, marks);
}

}  // namespace kvelmor::lyrics
