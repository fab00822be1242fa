// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/timing_document.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "common/encoding.h"
#include "common/file_io.h"
#include "lyrics/kra_writer.h"
#include "lyrics/reader.h"
#include "lyrics/segmentation.h"
#include "measure/fixed_measurer.h"
#include "settings/conversion_settings.h"

namespace kvelmor::timing {

// The lines an edit changes, copied before and after.
class TimingDocument::Change {
public:
    explicit Change(TimingDocument& doc) : m_doc(doc) { m_edit.cursorBefore = doc.m_cursor; }
    TimingLine& touch(int i) {
        const bool seen = std::ranges::any_of(m_edit.before, [i](const auto& e) { return e.first == i; });
        if (!seen) m_edit.before.emplace_back(i, m_doc.m_lines[static_cast<size_t>(i)]);
        return m_doc.changeLine(i);
    }
    void setTapTime(Millis t) { m_edit.tapTime = t; }
    void commit() {
        for (const auto& [i, unused] : m_edit.before) m_edit.after.emplace_back(i, m_doc.m_lines[static_cast<size_t>(i)]);
        m_edit.cursorAfter = m_doc.m_cursor;
        m_doc.record(std::move(m_edit));
    }

private:
    TimingDocument& m_doc;
    Edit m_edit;
};

TimingDocument::TimingDocument(std::vector<TimingLine> lines)
    : m_lines(std::move(lines)),
      m_lineTexts(m_lines.size()),
      m_lineTextKnown(m_lines.size(), false),
      m_markSpans(m_lines.size()),
      m_markSpanKnown(m_lines.size(), false) {
    skipEmptyLines();
}

TimingLine& TimingDocument::changeLine(int i) {
    m_lineTextKnown[static_cast<size_t>(i)] = false;
    m_markSpanKnown[static_cast<size_t>(i)] = false;
    return m_lines[static_cast<size_t>(i)];
}

std::optional<std::pair<Millis, Millis>> TimingDocument::markSpan(int i) const {
    const auto k = static_cast<size_t>(i);
    if (!m_markSpanKnown[k]) {
        std::optional<std::pair<Millis, Millis>> span;
        auto widen = [&](const std::optional<Millis>& t) {
            if (!t) return;
            if (!span) span = std::pair{*t, *t};
            else span = std::pair{std::min(span->first, *t), std::max(span->second, *t)};
        };
        for (const Syllable& s : m_lines[k].syllables) {
            widen(s.start);
            widen(s.end);
        }
        m_markSpans[k] = span;
        m_markSpanKnown[k] = true;
    }
    return m_markSpans[k];
}

bool TimingDocument::hasSyllables() const {
    return std::ranges::any_of(m_lines, [](const TimingLine& l) { return l.lyric && l.count() > 0; });
}

int TimingDocument::lyricLineCount() const {
    return static_cast<int>(std::ranges::count_if(m_lines, [](const TimingLine& l) { return l.lyric; }));
}

void TimingDocument::skipEmptyLines() {
    while (m_cursor.line < lineCount() && (!line(m_cursor.line).lyric || line(m_cursor.line).count() == 0)) {
        ++m_cursor.line;
        m_cursor.syllable = 0;
    }
}

void TimingDocument::setCursor(Position p) {
    m_cursor = p;
    m_cursor.line = std::clamp(m_cursor.line, 0, lineCount());
    if (m_cursor.line < lineCount()) m_cursor.syllable = std::clamp(m_cursor.syllable, 0, line(m_cursor.line).count());
    skipEmptyLines();
    m_held.reset();
}

void TimingDocument::record(Edit edit) {
    m_history.resize(m_done);
    if (m_savedAt > m_done) m_savedAt = SIZE_MAX;  // the saved state can no longer be reached
    m_history.push_back(std::move(edit));
    m_done = m_history.size();
}

void TimingDocument::apply(const std::vector<std::pair<int, TimingLine>>& lines, Position cursor) {
    for (const auto& [i, l] : lines) changeLine(i) = l;
    m_cursor = cursor;
    m_held.reset();
}

bool TimingDocument::undo() {
    if (!canUndo()) return false;
    const Edit& e = m_history[--m_done];
    apply(e.before, e.cursorBefore);
    return true;
}

bool TimingDocument::redo() {
    if (!canRedo()) return false;
    const Edit& e = m_history[m_done++];
    apply(e.after, e.cursorAfter);
    return true;
}

std::optional<Millis> TimingDocument::undoTapTime() const {
    return m_done > 0 ? m_history[m_done - 1].tapTime : std::nullopt;
}

void TimingDocument::tap(Millis t) {
    if (finished()) return;
    Change change(*this);
    change.setTapTime(t);
    if (m_cursor.syllable == line(m_cursor.line).count()) {
        // At a line's end: the line ends here and the next one starts.
        TimingLine& l = change.touch(m_cursor.line);
        l.syllables.back().end = t;
        ++m_cursor.line;
        m_cursor.syllable = 0;
        skipEmptyLines();
        if (finished()) {
            change.commit();
            return;
        }
    }
    TimingLine& l = change.touch(m_cursor.line);
    const int i = m_cursor.syllable;
    Syllable& s = l.syllables[static_cast<size_t>(i)];
    s.start = t;
    // Times read with the lyrics that this tap has overtaken no longer hold.
    if (s.end && *s.end <= t) s.end.reset();
    if (i > 0) {
        Syllable& before = l.syllables[static_cast<size_t>(i - 1)];
        if (before.end && *before.end > t) before.end.reset();
    }
    m_held = MarkRef{m_cursor.line, i, false};
    m_heldSince = t;
    ++m_cursor.syllable;
    change.commit();
}

bool TimingDocument::release(Millis t) {
    if (!m_held) return false;
    const MarkRef held = *m_held;
    m_held.reset();
    if (t - m_heldSince < kHoldMillis) return false;
    Change change(*this);
    TimingLine& l = change.touch(held.line);
    l.syllables[static_cast<size_t>(held.syllable)].end = t;
    // The line's last syllable held to its end: the line is done.
    if (m_cursor.line == held.line && m_cursor.syllable == l.count()) {
        ++m_cursor.line;
        m_cursor.syllable = 0;
        skipEmptyLines();
    }
    change.commit();
    return true;
}

void TimingDocument::endLine(Millis t) {
    if (finished() || m_cursor.syllable == 0) return;
    m_held.reset();
    Change change(*this);
    change.setTapTime(t);
    TimingLine& l = change.touch(m_cursor.line);
    l.syllables[static_cast<size_t>(m_cursor.syllable - 1)].end = t;
    if (m_cursor.syllable == l.count()) {
        ++m_cursor.line;
        m_cursor.syllable = 0;
        skipEmptyLines();
    }
    change.commit();
}

Syllable* TimingDocument::syllableAt(const MarkRef& ref) {
    if (ref.line < 0 || ref.line >= lineCount()) return nullptr;
    TimingLine& l = m_lines[static_cast<size_t>(ref.line)];
    if (ref.syllable < 0 || ref.syllable >= l.count()) return nullptr;
    return &l.syllables[static_cast<size_t>(ref.syllable)];
}

std::vector<Mark> TimingDocument::marks() const {
    std::vector<Mark> out;
    for (int li = 0; li < lineCount(); ++li) {
        const TimingLine& l = line(li);
        for (int i = 0; i < l.count(); ++i) {
            const Syllable& s = l.syllables[static_cast<size_t>(i)];
            if (s.start) out.push_back({{li, i, false}, *s.start, s.text});
            if (s.end) out.push_back({{li, i, true}, *s.end, {}});
        }
    }
    return out;
}

std::optional<Millis> TimingDocument::markTime(const MarkRef& ref) const {
    Syllable* s = const_cast<TimingDocument*>(this)->syllableAt(ref);
    if (!s) return std::nullopt;
    return ref.end ? s->end : s->start;
}

bool TimingDocument::moveMark(const MarkRef& ref, Millis t) {
    if (!markTime(ref)) return false;
    // The marks of the line in order; this one stays between its neighbours.
    const TimingLine& l = line(ref.line);
    std::optional<Millis> low, high;
    bool past = false;
    for (int i = 0; i < l.count(); ++i) {
        const Syllable& s = l.syllables[static_cast<size_t>(i)];
        for (bool isEnd : {false, true}) {
            const auto time = isEnd ? s.end : s.start;
            if (!time) continue;
            if (MarkRef{ref.line, i, isEnd} == ref) past = true;
            else if (!past) low = time;
            else if (!high) high = time;
        }
    }
    if (low) t = std::max(t, *low);
    if (high) t = std::min(t, *high);
    t = std::max<Millis>(t, 0);
    if (t == *markTime(ref)) return true;
    Change change(*this);
    Syllable& s = change.touch(ref.line).syllables[static_cast<size_t>(ref.syllable)];
    (ref.end ? s.end : s.start) = t;
    change.commit();
    return true;
}

bool TimingDocument::nudgeMark(const MarkRef& ref, Millis delta) {
    const auto t = markTime(ref);
    return t && moveMark(ref, *t + delta);
}

bool TimingDocument::merge(int li, int i) {
    if (li < 0 || li >= lineCount()) return false;
    const TimingLine& l = line(li);
    if (i < 0 || i + 1 >= l.count() || !l.sameRuby(i, i + 1)) return false;
    Change change(*this);
    TimingLine& w = change.touch(li);
    Syllable& a = w.syllables[static_cast<size_t>(i)];
    Syllable& b = w.syllables[static_cast<size_t>(i + 1)];
    a.text += a.tail + b.lead + b.text;
    a.tail = b.tail;
    a.end = b.end;
    if (!a.start) a.start = b.start;
    w.syllables.erase(w.syllables.begin() + i + 1);
    if (m_cursor.line == li && m_cursor.syllable > i) --m_cursor.syllable;
    change.commit();
    return true;
}

bool TimingDocument::split(int li, int i, int at) {
    if (li < 0 || li >= lineCount()) return false;
    const TimingLine& l = line(li);
    if (i < 0 || i >= l.count()) return false;
    const Syllable& s = l.syllables[static_cast<size_t>(i)];
    if (at < 1 || at >= static_cast<int>(s.text.size())) return false;
    Change change(*this);
    TimingLine& w = change.touch(li);
    Syllable second;
    Syllable& first = w.syllables[static_cast<size_t>(i)];
    second.text = first.text.substr(static_cast<size_t>(at));
    second.tail = std::move(first.tail);
    second.ruby = first.ruby;
    second.end = first.end;
    first.text.resize(static_cast<size_t>(at));
    first.tail.clear();
    first.end.reset();
    w.syllables.insert(w.syllables.begin() + i + 1, std::move(second));
    if (m_cursor.line == li && m_cursor.syllable > i) ++m_cursor.syllable;
    change.commit();
    return true;
}

namespace {

// "[mm:ss:cc]" of a time, rounded to the centisecond and kept within 99:59:99.
struct Tag {
    char text[10];
    explicit Tag(Millis t) {
        long long cs = t <= 0 ? 0 : (t + 5) / 10;
        cs = std::min<long long>(cs, 99LL * 6000 + 5999);
        const auto two = [](char* at, long long v) {
            at[0] = static_cast<char>('0' + v / 10);
            at[1] = static_cast<char>('0' + v % 10);
        };
        text[0] = '[';
        two(text + 1, cs / 6000);
        text[3] = ':';
        two(text + 4, cs / 100 % 60);
        text[6] = ':';
        two(text + 7, cs % 100);
        text[9] = ']';
    }
    std::string_view view() const { return {text, sizeof text}; }
};

}  // namespace

std::string tagText(Millis t) { return std::string(Tag(t).view()); }

namespace {

// A base and reading in the untimed notation, opened with "|" where the
// base alone would not be read back as the same base.
std::u32string untimedRuby(const std::u32string& before, const std::u32string& base, const std::u32string& reading) {
    const bool kanjiOnly = std::ranges::all_of(base, [](char32_t c) { return isKanjiBase(c); });
    const bool afterKanji = !before.empty() && isKanjiBase(before.back());
    return (kanjiOnly && !afterKanji ? U"" : U"|") + base + U"(" + reading + U")";
}

std::string untimedLine(const TimingLine& l) {
    std::u32string out;
    for (int i = 0; i < l.count();) {
        const auto [a, b] = l.rubyRange(i);
        const Syllable& s = l.syllables[static_cast<size_t>(i)];
        if (s.ruby < 0) {
            out += shownText(s);
        } else {
            std::u32string reading;
            for (int k = a; k < b; ++k) reading += l.syllables[static_cast<size_t>(k)].text;
            out += s.lead;
            out += untimedRuby(out, l.rubies[static_cast<size_t>(s.ruby)].base, reading);
            out += l.syllables[static_cast<size_t>(b - 1)].tail;
        }
        i = b;
    }
    return toUtf8(out);
}

std::string timedLine(const TimingLine& l) {
    std::string out;
    std::optional<Millis> lastTag;
    auto tag = [&](std::optional<Millis> t) {
        if (!t) return;
        const Tag text(*t);
        // The same tag twice in a row reads back as one: an end within the
        // same hundredth as the next start is no gap.
        if (lastTag && Tag(*lastTag).view() == text.view() && out.ends_with(text.view())) return;
        out += text.view();
        lastTag = t;
    };
    for (int i = 0; i < l.count();) {
        const auto [a, b] = l.rubyRange(i);
        const Syllable& s = l.syllables[static_cast<size_t>(i)];
        if (s.ruby < 0) {
            tag(s.start);
            out += toUtf8(shownText(s));
            tag(s.end);
            i = b;
            continue;
        }
        // base tb ( tb mora [t] mora ... te ) te; a reading not tapped yet
        // takes the last time written, so that it still reads as a reading.
        const Syllable& last = l.syllables[static_cast<size_t>(b - 1)];
        std::optional<Millis> tb = s.start ? s.start : lastTag;
        for (int k = a; k < b && !tb; ++k) tb = l.syllables[static_cast<size_t>(k)].start;
        std::optional<Millis> te = l.endOf(b - 1);
        if (!tb) {
            // Nothing timed yet: the untimed notation, as a plain line writes it.
            std::u32string reading;
            for (int k = a; k < b; ++k) reading += l.syllables[static_cast<size_t>(k)].text;
            out += toUtf8(s.lead);
            out += toUtf8(untimedRuby(toU32(out), l.rubies[static_cast<size_t>(s.ruby)].base, reading) + last.tail);
            // Punctuation taking no time at the reading's end ("(...)[t]、[t]",
            // however many syllables with no time of their own it is made of)
            // reads back as its tail, ended there: it is written so.
            int after = b;
            std::optional<Millis> end = last.end;
            if (b < l.count() && last.tail.empty()) {
                const auto same = [](std::optional<Millis> x, std::optional<Millis> y) {
                    return x && y && Tag(*x).view() == Tag(*y).view();
                };
                const std::optional<Millis> from = last.end ? last.end : l.syllables[static_cast<size_t>(b)].start;
                std::u32string run;
                std::optional<Millis> to;
                int k = b;
                for (; k < l.count(); ++k) {
                    const Syllable& p = l.syllables[static_cast<size_t>(k)];
                    if (p.ruby >= 0 || !p.lead.empty() || (p.start && !(k == b && same(p.start, from)))) break;
                    run += p.text + p.tail;
                    if (p.end) {
                        to = p.end;
                        ++k;
                        break;
                    }
                }
                if (!to && k < l.count() && k > b) to = l.syllables[static_cast<size_t>(k)].start;
                if (k > b && !run.empty() && isUnsungRun(run) && same(from, to)) {
                    out += toUtf8(run);
                    end = from;
                    after = k;
                }
            }
            tag(end);  // an end read with the lyrics, before any start
            i = after;
            continue;
        }
        // What leads the reading (an opening bracket) between two tags of its
        // start, so that it is not read back as the text before it.
        if (!s.lead.empty()) {
            tag(tb);
            out += toUtf8(s.lead);
        }
        tag(tb);
        out += toUtf8(l.rubies[static_cast<size_t>(s.ruby)].base);
        tag(tb);
        out += "(";
        out += Tag(*tb).view();
        lastTag = tb;
        for (int k = a; k < b; ++k) {
            const Syllable& m = l.syllables[static_cast<size_t>(k)];
            if (k > a) tag(m.start);
            out += toUtf8(m.text);
            if (k + 1 < b) tag(m.end);
        }
        // A reading not ended yet closes at its last time, never before it.
        if (!te || (lastTag && *te < *lastTag)) te = lastTag;
        const Tag end(*te);
        out += end.view();
        out += ")";
        out += end.view();
        lastTag = te;
        if (!last.tail.empty()) {
            out += toUtf8(last.tail);
            out += end.view();
        }
        i = b;
    }
    return out;
}

bool isTimed(const TimingLine& l) {
    return std::ranges::any_of(l.syllables, [](const Syllable& s) { return s.start || s.end; });
}

}  // namespace

std::string TimingDocument::timedText() const {
    // The time ratio line first: the converter applies it to the lines after it.
    std::string out = "@timeratio=1\n";
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const TimingLine& l = m_lines[i];
        if (!l.lyric) {
            out += l.text;
        } else {
            if (!m_lineTextKnown[i]) {
                m_lineTexts[i] = isTimed(l) ? timedLine(l) : untimedLine(l);
                m_lineTextKnown[i] = true;
            }
            out += m_lineTexts[i];
        }
        out += "\n";
    }
    return out;
}

bool writeTimedText(const TimingDocument& doc, const std::string& path, Reporter& reporter) {
    const FileResult w = writeFileAtomically(path, doc.timedText());
    if (!w.ok) reporter.error("cannot write the timed lyrics: " + w.error, path);
    return w.ok;
}

std::optional<int> lyricLinesInFile(const std::string& path, const ParseOptions& options) {
    std::string bytes;
    if (!readFileBytes(path, bytes, kMaxTextFileBytes).ok) return std::nullopt;
    return TimingDocument(readLyrics(decodeText(bytes).utf8, options)).lyricLineCount();
}

bool writeTimedKra(const TimingDocument& doc, const std::string& path, Reporter& reporter) {
    // Read back as the converter reads it, then written by the tag file
    // writer; lines without times are not lyrics to it and are left out.
    // The store is written as the window would (no automatic line break);
    // the rebuild reads it as options.
    settings::ConversionSettings store;
    store.setText("kaigyo", "0");
    measure::FixedMeasurer measurer;
    lyrics::Song song;
    CollectingReporter readReports;
    if (!lyrics::loadLyricsText(song, doc.timedText(), path, store, measurer, readReports).ok) {
        for (const Report& r : readReports.reports) reporter.report(r);
        return false;
    }
    settings::ConversionOptions options(store);
    lyrics::applySongTimeCorrection(options, song);
    lyrics::rebuildWorkLines(song, options, measurer, readReports);
    // The tag file writer writes no time ratio line; taps are in real time,
    // and the line must come before the lyrics it applies to.
    const std::string text = lyrics::timeRatioLine(false) + "\r\n" + lyrics::kraFileText(song);
    if (const int over = lyrics::firstKraLineOverSlots(text); over > 0) {
        reporter.error("this line would need more than 300 slots in a tag file", path, over);
        return false;
    }
    const FileResult w = writeFileAtomically(path, encodeForReadBack(text));
    if (!w.ok) {
        reporter.error("cannot write the karaoke tag file " + path + ": " + w.error, path);
        return false;
    }
    // A tag file holds timed lines only: lyrics not yet tapped are said, so
    // that they are saved as text before they are lost.
    int untimed = 0;
    for (const TimingLine& l : doc.lines())
        if (l.lyric && std::ranges::none_of(l.syllables, [](const Syllable& s) { return s.start.has_value(); })) ++untimed;
    if (untimed > 0)
        reporter.warning(std::to_string(untimed) + " lyric line" + (untimed > 1 ? "s have" : " has") +
                             " no times yet and " + (untimed > 1 ? "are" : "is") +
                             " not in the tag file; save as .txt to keep them",
                         path);
    return true;
}

namespace {

// The recovery file keeps every syllable as it is, timed or not: a line of
// fields per lyric line, so that nothing is joined or split on the way back.
// Fields are split by U+001F, syllables by U+001E (neither occurs in lyrics;
// they are taken out of any text written).
constexpr char kField = '\x1F';
constexpr char kRecord = '\x1E';

std::string clean(std::u32string_view text) {
    std::string s = toUtf8(text);
    std::erase_if(s, [](char c) { return c == kField || c == kRecord || c == '\n' || c == '\r'; });
    return s;
}

std::string timeField(const std::optional<Millis>& t) { return t ? std::to_string(*t) : std::string(); }

std::vector<std::string_view> splitOn(std::string_view s, char sep) {
    std::vector<std::string_view> out;
    size_t from = 0;
    for (size_t at; (at = s.find(sep, from)) != std::string_view::npos; from = at + 1) out.push_back(s.substr(from, at - from));
    out.push_back(s.substr(from));
    return out;
}

std::optional<Millis> readTime(std::string_view s) {
    if (s.empty()) return std::nullopt;
    Millis v = 0;
    for (char c : s) {
        if (c < '0' || c > '9' || v > (INT64_MAX - 9) / 10) return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

// A syllable's time: taps are never before the song, but times read with
// the lyrics can be, and are kept as they were read.
std::optional<Millis> readSignedTime(std::string_view s) {
    if (!s.starts_with('-')) return readTime(s);
    const auto v = readTime(s.substr(1));
    return v ? std::optional<Millis>(-*v) : std::nullopt;
}

}  // namespace

std::string recoveryText(const TimingDocument& doc) {
    const Position cursor = doc.cursor();
    std::string out = "C" + std::string(1, kField) + std::to_string(cursor.line) + kField +
                      std::to_string(cursor.syllable) + "\n";
    for (const TimingLine& l : doc.lines()) {
        if (!l.lyric) {
            out += "T" + std::string(1, kField) + clean(toU32(l.text)) + "\n";
            continue;
        }
        out += "L";
        for (const Ruby& r : l.rubies) out += kField + clean(r.base);
        for (const Syllable& s : l.syllables)
            out += kRecord + clean(s.text) + kField + clean(s.tail) + kField + clean(s.lead) + kField +
                   std::to_string(s.ruby) + kField + timeField(s.start) + kField + timeField(s.end);
        out += "\n";
    }
    return out;
}

std::optional<RecoveredMarks> readRecoveryText(std::string_view body) {
    // The cursor first: a body without it is not one this program wrote.
    const size_t eol = body.find('\n');
    if (eol == std::string_view::npos) return std::nullopt;
    const auto cursor = splitOn(body.substr(0, eol), kField);
    if (cursor.size() != 3 || cursor[0] != "C") return std::nullopt;
    const auto line = readTime(cursor[1]), syllable = readTime(cursor[2]);
    if (!line || !syllable || *line > INT32_MAX || *syllable > INT32_MAX) return std::nullopt;
    RecoveredMarks marks;
    marks.cursor = {static_cast<int>(*line), static_cast<int>(*syllable)};
    std::vector<TimingLine>& lines = marks.lines;
    for (std::string_view row : splitLines(body.substr(eol + 1))) {
        TimingLine l;
        const auto records = splitOn(row, kRecord);
        const auto head = splitOn(records[0], kField);
        if (head[0] == "T" && head.size() == 2 && records.size() == 1) {
            l.text = std::string(head[1]);
        } else if (head[0] == "L") {
            l.lyric = true;
            for (size_t i = 1; i < head.size(); ++i) l.rubies.push_back({toU32(head[i])});
            for (size_t i = 1; i < records.size(); ++i) {
                const auto f = splitOn(records[i], kField);
                if (f.size() != 6) return std::nullopt;
                Syllable s{toU32(f[0]), toU32(f[1]), toU32(f[2]), -1, readSignedTime(f[4]), readSignedTime(f[5])};
                if (f[3] != "-1") {
                    const auto r = readTime(f[3]);
                    if (!r || *r >= static_cast<Millis>(l.rubies.size())) return std::nullopt;
                    s.ruby = static_cast<int>(*r);
                }
                l.syllables.push_back(std::move(s));
            }
        } else {
            return std::nullopt;  // not a file this program wrote
        }
        lines.push_back(std::move(l));
    }
    return marks;
}

RecoveryKey timingRecoveryKey(const std::string& lyricsPath, const std::string& songPath) {
    return recoveryKey("timing", {lyricsPath, songPath});
}

bool writeRecovery(const TimingDocument& doc, const RecoveryKey& key, Reporter& reporter) {
    const FileResult w = keepRecoveryFile(key, recoveryText(doc));
    if (!w.ok) reporter.warning("cannot keep the marks in the recovery file: " + w.error, recoveryPath(key));
    return w.ok;
}

Recovery readRecovery(const RecoveryKey& key) {
    const RecoveryRead file = readRecoveryFile(key);
    Recovery r{file.state, {}, file.file.keptAt, file.path, file.problem};
    if (file.state != RecoveryState::Whole) return r;
    auto marks = readRecoveryText(file.file.body);
    if (!marks) {
        r.state = RecoveryState::Cut;
        r.problem = "its lines are damaged";
        return r;
    }
    r.marks = std::move(*marks);
    return r;
}

TimingDocument restoredDocument(RecoveredMarks marks) {
    TimingDocument doc(std::move(marks.lines));
    doc.setCursor(marks.cursor);
    return doc;
}

}  // namespace kvelmor::timing
