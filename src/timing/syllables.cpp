// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/syllables.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "common/encoding.h"
#include "lyrics/time_value.h"
#include "readings/song_readings.h"
#include "timing/hyphenation.h"

namespace kvelmor::timing {
namespace {

}  // namespace

bool isKanjiBase(char32_t c) {
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0x20000 && c <= 0x3FFFF) || c == U'々' || c == U'〆' || c == U'ヶ';
}

namespace {

bool isKanji(char32_t c) { return isKanjiBase(c); }

bool isKana(char32_t c) { return (c >= 0x3041 && c <= 0x3096) || (c >= 0x30A1 && c <= 0x30FA) || c == U'ー'; }

// Kana sung with the kana before them.
bool joinsKanaBefore(char32_t c) {
    switch (c) {
    case U'ぁ': case U'ぃ': case U'ぅ': case U'ぇ': case U'ぉ': case U'ゃ': case U'ゅ': case U'ょ': case U'ゎ':
    case U'ァ': case U'ィ': case U'ゥ': case U'ェ': case U'ォ': case U'ャ': case U'ュ': case U'ョ': case U'ヮ':
    case U'ー':
        return true;
    default:
        return c >= 0x31F0 && c <= 0x31FF;  // small katakana for Ainu sounds (ㇰ ...)
    }
}

bool isSokuonOrHatsuon(char32_t c) { return c == U'っ' || c == U'ッ' || c == U'ん' || c == U'ン'; }

bool isWordChar(char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) || (c >= 0xFF10 && c <= 0xFF19) ||
           (c >= 0xFF21 && c <= 0xFF3A) || (c >= 0xFF41 && c <= 0xFF5A);
}

bool isOpening(char32_t c) {
    switch (c) {
    case U'(': case U'[': case U'{': case U'「': case U'『': case U'（': case U'【': case U'〈': case U'《':
    case U'〔': case U'“': case U'‘': case U'＜':
        return true;
    default:
        return false;
    }
}

bool isBar(char32_t c) { return c == U'|' || c == U'｜'; }

// A piece of a plain line: one character, or a base with its reading.
struct Piece {
    std::u32string base;
    std::u32string reading;
    bool ruby = false;
};

// The untimed notation taken apart, as the readings write and read it.
std::vector<Piece> readNotation(std::u32string_view line) {
    const readings::AnnotatedLine annotated = readings::parseUntimedNotation(line);
    std::vector<Piece> pieces;
    size_t at = 0;
    auto plainUpTo = [&](size_t end) {
        for (; at < end; ++at) pieces.push_back({std::u32string(1, annotated.plain[at]), {}, false});
    };
    for (const readings::Suggestion& r : annotated.rubies) {
        plainUpTo(r.first);
        pieces.push_back({annotated.plain.substr(r.first, r.count), toU32(r.reading), true});
        at = r.first + r.count;
    }
    plainUpTo(annotated.plain.size());
    return pieces;
}

class LineSplitter {
public:
    LineSplitter(TimingLine& line, const SplitOptions& options) : m_line(line), m_options(options) {}

    void add(const Piece& p) {
        if (!p.ruby) {
            addChar(p.base[0]);
            return;
        }
        const int ruby = static_cast<int>(m_line.rubies.size());
        m_line.rubies.push_back({p.base});
        m_rubyStart = m_line.count();
        for (char32_t c : p.reading) addReadingChar(c, ruby);
        // A reading of only punctuation still gets its one syllable.
        if (m_line.count() == m_rubyStart) newSyllable(p.reading, ruby);
        m_readingLead.clear();
        m_rubyStart = -1;
    }

    void addWord(const std::u32string& word) {
        if (m_options.latin == LatinSplit::ByWord) {
            newSyllable(word, -1);
            return;
        }
        // The word is split where it is sung, at the points of printed
        // hyphenation where its patterns know the word.
        const std::vector<size_t> points =
            m_options.hyphenator ? hyphenPointsOf(m_options.hyphenator->parts(word)) : std::vector<size_t>{};
        for (auto& syllable : splitWhereSung(word, points)) newSyllable(std::move(syllable), -1);
    }

    void finish() {
        if (!m_lead.empty() && !m_line.syllables.empty()) m_line.syllables.back().tail += m_lead;
        m_lead.clear();
    }

private:
    bool joinsBefore(char32_t c) const {
        return isKana(c) && (joinsKanaBefore(c) || (m_options.joinSokuonAndHatsuon && isSokuonOrHatsuon(c)));
    }

    // Every character of a reading stays in it, where the file writes it:
    // one that is no mora goes with the mora before it (or the first).
    void addReadingChar(char32_t c, int ruby) {
        Syllable* last = m_line.count() > m_rubyStart ? &m_line.syllables.back() : nullptr;
        if ((isKana(c) || isKanji(c)) && !(joinsBefore(c) && last)) {
            newSyllable(m_readingLead + c, ruby);
            m_readingLead.clear();
        } else if (last) {
            last->text += c;
        } else {
            m_readingLead += c;
        }
    }

    // A character of lyric text, outside readings.
    void addChar(char32_t c) {
        Syllable* last = m_line.syllables.empty() ? nullptr : &m_line.syllables.back();
        if (isKana(c) || isKanji(c)) {
            if (joinsBefore(c) && last && last->ruby < 0 && last->tail.empty()) last->text += c;
            else newSyllable(std::u32string(1, c), -1);
        } else if (isOpening(c) || !last) {
            m_lead += c;
        } else {
            last->tail += m_lead + c;  // an opening bracket closed again: both stay in order
            m_lead.clear();
        }
    }

    void newSyllable(std::u32string text, int ruby) {
        Syllable s;
        s.text = std::move(text);
        s.ruby = ruby;
        s.lead = std::move(m_lead);
        m_lead.clear();
        m_line.syllables.push_back(std::move(s));
    }

    TimingLine& m_line;
    const SplitOptions& m_options;
    std::u32string m_lead;
    std::u32string m_readingLead;  // a reading's characters before its first mora
    int m_rubyStart = -1;
};

std::u32string trimmed(std::u32string_view s) {
    size_t a = 0, b = s.size();
    while (a < b && (s[a] == U' ' || s[a] == U'\t' || s[a] == U'\u3000')) ++a;
    while (b > a && (s[b - 1] == U' ' || s[b - 1] == U'\t' || s[b - 1] == U'\u3000')) --b;
    return std::u32string(s.substr(a, b - a));
}

Millis scaled(lyrics::Centiseconds cs, double scale) { return std::llround(static_cast<double>(cs) * 10.0 * scale); }

}  // namespace

bool isUnsungRun(std::u32string_view run) {
    return std::ranges::none_of(run, [](char32_t c) { return isKana(c) || isKanji(c) || isWordChar(c); });
}

bool TimingLine::sameRuby(int a, int b) const {
    return syllables[static_cast<size_t>(a)].ruby == syllables[static_cast<size_t>(b)].ruby;
}

std::pair<int, int> TimingLine::rubyRange(int i) const {
    const int r = syllables[static_cast<size_t>(i)].ruby;
    if (r < 0) return {i, i + 1};
    int a = i, b = i + 1;
    while (a > 0 && syllables[static_cast<size_t>(a - 1)].ruby == r) --a;
    while (b < count() && syllables[static_cast<size_t>(b)].ruby == r) ++b;
    return {a, b};
}

std::optional<Millis> TimingLine::endOf(int i) const {
    const Syllable& s = syllables[static_cast<size_t>(i)];
    if (s.end) return s.end;
    if (i + 1 < count()) return syllables[static_cast<size_t>(i + 1)].start;
    return std::nullopt;
}

TimingLine splitPlainLine(std::u32string_view text, const SplitOptions& options) {
    TimingLine line;
    line.lyric = true;
    LineSplitter splitter(line, options);
    const std::vector<Piece> pieces = readNotation(text);
    for (size_t i = 0; i < pieces.size();) {
        if (!pieces[i].ruby && isWordChar(pieces[i].base[0])) {
            std::u32string word;
            // An apostrophe between letters belongs to the word ("don't").
            while (i < pieces.size() && !pieces[i].ruby &&
                   (isWordChar(pieces[i].base[0]) ||
                    ((pieces[i].base[0] == U'\'' || pieces[i].base[0] == U'’') && i + 1 < pieces.size() &&
                     !pieces[i + 1].ruby && isWordChar(pieces[i + 1].base[0]))))
                word += pieces[i++].base[0];
            splitter.addWord(word);
            continue;
        }
        splitter.add(pieces[i++]);
    }
    splitter.finish();
    return line;
}

TimingLine readTimedLine(std::u32string_view text, double scale, const SplitOptions& split) {
    // The line as tags, each with the characters after it up to the next tag.
    struct Stretch {
        Millis time = 0;
        std::u32string run;
    };
    std::u32string lead;  // characters before the first tag
    std::vector<Stretch> stretches;
    for (size_t p = 0; p < text.size();) {
        if (auto t = lyrics::timeTagAt(text, p)) {
            stretches.push_back({scaled(*t, scale), {}});
            p += 10;
        } else {
            (stretches.empty() ? lead : stretches.back().run) += text[p++];
        }
    }
    const size_t n = stretches.size();
    auto runIs = [&](size_t j, std::u32string_view s) { return j < n && stretches[j].run == s; };

    TimingLine line;
    line.lyric = true;
    auto endLast = [&](Millis t) {
        if (!line.syllables.empty() && !line.syllables.back().end) line.syllables.back().end = t;
    };
    // Text before the first tag: syllables not tapped yet (readings among
    // them in the untimed notation), or only what leads the first one.
    if (!lead.empty()) {
        TimingLine before = splitPlainLine(lead, split);
        if (!before.syllables.empty()) {
            line = std::move(before);
            lead.clear();
        }
    }
    // Whether stretch j may be the base of a reading: base T ( T reading U ) U.
    auto opensReading = [&](size_t j) {
        return j < n && !stretches[j].run.empty() && runIs(j + 1, U"(") && j + 2 < n &&
               stretches[j + 2].time == stretches[j + 1].time;
    };
    bool openEnded = false;  // the last syllable is the text after the last tag
    std::u32string pendingLead;  // punctuation leading the next syllable
    for (size_t j = 0; j < n; ++j) {
        const Stretch& s = stretches[j];
        if (opensReading(j)) {
            size_t close = 0;
            for (size_t m = j + 2; m + 1 < n && close == 0; ++m)
                if (runIs(m, U")") && stretches[m + 1].time == stretches[m].time) close = m;
            bool reading = false;
            for (size_t k = j + 2; k < close; ++k) reading = reading || !stretches[k].run.empty();
            if (close > 0 && reading) {
                endLast(s.time);
                const int ruby = static_cast<int>(line.rubies.size());
                line.rubies.push_back({s.run});
                bool first = true;
                for (size_t k = j + 2; k < close; ++k) {
                    if (stretches[k].run.empty()) {
                        if (!first) endLast(stretches[k].time);  // a gap after a mora
                        continue;
                    }
                    endLast(stretches[k].time);
                    Syllable mora;
                    mora.text = stretches[k].run;
                    mora.start = first ? s.time : stretches[k].time;
                    mora.ruby = ruby;
                    if (first) mora.lead = std::exchange(pendingLead, {});
                    line.syllables.push_back(std::move(mora));
                    first = false;
                }
                line.syllables.back().end = stretches[close].time;
                openEnded = false;
                j = close;  // the closing tag's twin is read as the next tag
                continue;
            }
        }
        endLast(s.time);
        if (s.run.empty()) continue;  // an end of its own: a gap or the line's end
        // Punctuation after a reading, shown at its end ("...)[te]、[te]"): one run.
        const bool zeroLength = j + 1 < n && stretches[j + 1].time == s.time;
        const bool punctuation = isUnsungRun(s.run);
        // Punctuation leading a reading, written "[tb]「[tb]base[tb](".
        if (zeroLength && punctuation && opensReading(j + 1)) {
            pendingLead += s.run;
            continue;
        }
        if (zeroLength && punctuation && !line.syllables.empty() && line.syllables.back().ruby >= 0 &&
            line.syllables.back().end == s.time && line.syllables.back().tail.empty()) {
            line.syllables.back().tail += s.run;
            continue;
        }
        Syllable syl;
        syl.text = s.run;
        syl.start = s.time;
        syl.lead = std::exchange(pendingLead, {});
        line.syllables.push_back(std::move(syl));
        openEnded = j + 1 == n;
    }
    if (!pendingLead.empty()) {  // nothing came to take it: kept where it stood
        if (line.syllables.empty()) lead += pendingLead;
        else line.syllables.back().tail += pendingLead;
    }
    if (openEnded) {
        TimingLine rest = splitPlainLine(line.syllables.back().text, split);
        if (rest.count() > 1 && rest.rubies.empty()) {
            rest.syllables.front().start = line.syllables.back().start;
            line.syllables.pop_back();
            std::ranges::move(rest.syllables, std::back_inserter(line.syllables));
        }
    }
    if (!lead.empty()) {
        if (line.syllables.empty()) {
            // Tags after text that is no syllable: the text ends at the last.
            line.syllables.push_back({});
            if (n > 0) line.syllables.back().end = stretches.back().time;
        }
        line.syllables.front().lead = lead + line.syllables.front().lead;
    }
    // An end where the next syllable starts is no gap.
    for (int i = 0; i + 1 < line.count(); ++i) {
        Syllable& syl = line.syllables[static_cast<size_t>(i)];
        if (syl.end && syl.end == line.syllables[static_cast<size_t>(i + 1)].start) syl.end.reset();
    }
    return line;
}

std::vector<TimingLine> readLyrics(std::string_view utf8, const ParseOptions& options) {
    if (utf8.starts_with("\xEF\xBB\xBF")) utf8.remove_prefix(3);
    // As the converter reads a file: a "@timeratio=" line holds for the lines after it.
    double scale = options.correctUnmarkedTimes ? 1.0 / lyrics::kTimeCorrectionFactor : 1.0;
    std::vector<TimingLine> out;
    for (std::string_view l : splitLines(utf8)) {
        const std::u32string u = toU32(l);
        TimingLine line;
        std::string key(l.substr(0, 11));
        for (auto& c : key) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (key == "@timeratio=") {
            const auto value = l.substr(11);
            if (value == "0.9953125") scale = 1.0 / lyrics::kTimeCorrectionFactor;
            else if (value == "1") scale = 1.0;
            continue;  // the times are kept in real time, and written with "@timeratio=1" first
        } else if ((!l.empty() && l[0] == '@') || trimmed(u).empty()) {
            line.text = std::string(l);
        } else if (lyrics::holdsTimeTag(l)) {
            line = readTimedLine(u, scale, options.split);
        } else {
            line = splitPlainLine(u, options.split);
            if (line.syllables.empty()) {
                line.lyric = false;
                line.text = std::string(l);
            }
        }
        out.push_back(std::move(line));
    }
    return out;
}

std::u32string shownText(const Syllable& s) { return s.lead + s.text + s.tail; }

}  // namespace kvelmor::timing
