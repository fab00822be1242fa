// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/karaoke_events.h"

#include <algorithm>

#include "layout/timing.h"
#include "script/line_output.h"
#include "script/script_header.h"

namespace kvelmor::script {

using lyrics::LyricLine;
using lyrics::SlotTexts;
using settings::ConversionOptions;

namespace {

constexpr std::string_view kNoWrap = "{\\q2}";  // every event: no automatic wrapping
constexpr int64_t kLowerLayer = 100;
constexpr int64_t kUpperLayer = 110;

// Settings read by every mode, read once per line.
struct LineContext {
    const LyricLine& line;
    const EventTexts& texts;
    bool posNo = false;
    int slots = 0;
};

// "{\q2}" + position tag + fade tag + vertical-scale prefix: the start of
// every karaoke event text.
std::string textHead(const LineContext& c, std::string_view pos) {
    std::string t(kNoWrap);
    t += pos;
    t += c.texts.fadeTag;
    t += c.texts.verticalScalePrefix;
    return t;
}

// Piece n of a text, as pieceAt(splitPieces(text), n) gives it, and the
// number of its pieces, without building the list: the pass form asks this of
// every character of every line.
std::string_view pieceOf(std::string_view text, size_t n) {
    size_t start = 0;
    for (size_t i = 1; i < n; ++i) {
        const size_t semi = text.find(';', start);
        if (semi == std::string_view::npos) break;
        start = semi + 1;
    }
    const size_t end = text.find(';', start);
    return text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

size_t pieceCount(std::string_view text) { return static_cast<size_t>(std::count(text.begin(), text.end(), ';')) + 1; }

// Centiseconds from the event's start to the line's first tag.
int64_t leadIn(const LyricLine& line) {
    return std::max<int64_t>(0, static_cast<int64_t>(line.preTimeUsed) + static_cast<int64_t>(line.advanceTime));
}

// Pass form (karaoke, per character, no wipe, free setting) and wipe emphasis: one event per
// pass n, the text of pass n being piece n of the line's pieceList and, for
// every character slot, its postText, piece n of its own preText and the
// character. The passes run as long as pieceList or the last character's
// preText has a piece n.
void appendPasses(std::string& out, const LineContext& c, const ConversionOptions& o, bool emphasis) {
    const LyricLine& line = c.line;
    std::string pos = c.posNo ? std::string() : posTag(line.posX, line.posY);
    std::vector<std::string_view> linePieces = splitPieces(line.pieceList);

    std::vector<int> chars;
    for (int k = 1; k <= c.slots; ++k)
        if (line.unit(k).isChar) chars.push_back(k);
    size_t passes = linePieces.size();
    if (!chars.empty()) passes = std::max(passes, pieceCount(line.texts(chars.back()).preText));

    // The lead-in holds the first syllable back until its tag; a line that
    // does not sweep has none (it would sweep the whole line meanwhile).
    const bool sweeps = layout::karaokeSweeps(o);
    std::string lead = sweeps ? karaokeTag(leadIn(line)) : std::string();
    std::string delayedLead =
        emphasis && sweeps
            ? karaokeTag(std::max<int64_t>(0, static_cast<int64_t>(o.templates.delay) + leadIn(line)))
            : std::string();
    const int64_t lower = static_cast<int64_t>(line.lineKind) + kLowerLayer;
    const int64_t upper = static_cast<int64_t>(line.lineKind) + kUpperLayer;

    // The event texts are written straight into the script rather than
    // put together in temporary strings first.
    auto appendCharacters = [&](size_t n) {
        for (int k : chars) {
            const SlotTexts t = line.texts(k);
            out += t.postText;
            out += pieceOf(t.preText, n);
            out += line.unit(k).text;
        }
        out += kLineEnd;
    };
    for (size_t n = 1; n <= passes; ++n) {
        std::string head = textHead(c, pos);
        head += pieceAt(linePieces, n);
        appendDialogueStart(out, line, lower, line.kanjiStyle);
        out += head;
        out += lead;
        appendCharacters(n);
        if (emphasis) {
            appendDialogueStart(out, line, upper, "substyle1");
            out += head;
            out += delayedLead;
            appendCharacters(n);
        }
    }
}

// Border wipe: the plain line below, the line's prepared karaoke text
// (rawText) above. Both always carry the position.
void appendBorderWipe(std::string& out, const LineContext& c) {
    const LyricLine& line = c.line;
    std::string head = textHead(c, posTag(line.posX, line.posY));
    appendDialogue(out, line, static_cast<int64_t>(line.lineKind) + kLowerLayer, line.kanjiStyle,
                   head + line.plainText);
    appendDialogue(out, line, static_cast<int64_t>(line.lineKind) + kUpperLayer, line.kanjiStyle,
                   head + line.rawText);
}

// Per-character setting: one event per pass and syllable (a run of
// character slots closed by a tag slot), placed at the syllable's own x.
// Within a syllable the postTexts come first, then piece n of each slot's own
// preText, then the characters. Characters after the last tag slot form no
// event.
void appendSyllables(std::string& out, const LineContext& c) {
    const LyricLine& line = c.line;
    std::vector<std::string_view> linePieces = splitPieces(line.pieceList);
    const int64_t layer = static_cast<int64_t>(line.lineKind) + kLowerLayer;

    int64_t x = line.posX;  // pixels: left edge of the next character
    std::string pos;
    std::vector<int> syllable;  // its character slots

    auto flush = [&] {
        std::string post, text;
        size_t passes = linePieces.size();
        for (int k : syllable) {
            const SlotTexts slot = line.texts(k);
            post += slot.postText;
            text += line.unit(k).text;
            passes = std::max(passes, pieceCount(slot.preText));
        }
        for (size_t n = 1; n <= passes; ++n) {
            std::string t = textHead(c, pos);
            t += pieceAt(linePieces, n);
            t += post;
            for (int k : syllable) t += pieceOf(line.texts(k).preText, n);
            t += text;
            appendDialogue(out, line, layer, line.kanjiStyle, t);
        }
        syllable.clear();
    };

    for (int k = 1; k <= c.slots; ++k) {
        const auto& u = line.unit(k);
        if (!u.isChar) {
            if (!syllable.empty()) flush();
            continue;
        }
        if (k == 1 || !line.unit(k - 1).isChar) pos = c.posNo ? std::string() : posTag(x, line.posY);
        x += u.width;
        syllable.push_back(k);
    }
}

bool isSpace(std::string_view ch) { return ch == " " || ch == "\u3000"; }

// Per space-separated word: one event per word, the space that
// closes it included, placed at the x of the word's first character. A last
// word that no space closes is written too. The word sweeps as its syllables
// are sung: a lead-in up to its first character, then each character's
// postText (the karaoke tag of the syllable it starts, its mark colour) and
// preText (the syllable's template) in front of it. A word that starts
// inside a syllable takes the rest of that syllable as its first sweep.
void appendWords(std::string& out, const LineContext& c, bool sweeps) {
    const LyricLine& line = c.line;
    const int64_t layer = static_cast<int64_t>(line.lineKind) + kLowerLayer;

    int64_t x = line.posX;           // pixels: left edge of the next character
    int64_t syllableStart = 0;       // centiseconds from the event start
    int64_t syllableEnd = 0;
    int64_t sung = 0;                // start of the next character in its syllable
    bool inSyllable = false;
    int64_t t = leadIn(line);        // start of the next syllable
    std::string pos, head, word;
    auto flush = [&] {
        appendDialogue(out, line, layer, line.kanjiStyle, head + word);
        word.clear();
    };

    for (int k = 1; k <= c.slots; ++k) {
        const auto& u = line.unit(k);
        if (!u.isChar) {
            syllableStart = t;
            syllableEnd = t + std::max<int64_t>(0, u.duration);
            t = syllableEnd;
            sung = syllableStart;
            inSyllable = true;
            continue;
        }
        const SlotTexts texts = line.texts(k);
        if (word.empty()) {
            pos = c.posNo ? std::string() : posTag(x, line.posY);
            head = textHead(c, pos) + line.pieceList;
            if (sweeps && inSyllable) {
                const bool startsSyllable = !line.unit(k - 1).isChar;  // k > 1: a tag came before
                head += karaokeTag(std::min(sung, syllableEnd));
                if (!startsSyllable) head += karaokeTag(syllableEnd - std::min(sung, syllableEnd));
            }
        }
        sung += std::max<int64_t>(0, u.duration);
        x += u.width;
        word += texts.postText;
        word += texts.preText;
        word += u.text;
        if (isSpace(u.text)) flush();
    }
    if (!word.empty()) flush();
}

}  // namespace

EventTexts eventTexts(const ConversionOptions& o) { return {verticalScalePrefix(o), fadeTag(o)}; }

std::vector<std::string_view> splitPieces(std::string_view text) {
    std::vector<std::string_view> pieces;
    size_t start = 0;
    for (;;) {
        size_t semi = text.find(';', start);
        if (semi == std::string_view::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, semi - start));
        start = semi + 1;
    }
}

std::string_view pieceAt(const std::vector<std::string_view>& pieces, size_t n) {
    if (pieces.empty()) return {};
    return pieces[std::clamp<size_t>(n, 1, pieces.size()) - 1];
}

void appendEventsHeader(std::string& out) {
    appendLine(out, "[Events]");
    appendLine(out, "Format: Layer, Start, End, Style, Actor, MarginL, MarginR, MarginV, Effect, Text");
}

void appendKaraokeEvents(std::string& out, const LyricLine& line, const ConversionOptions& o,
                         const EventTexts& texts) {
    LineContext c{line, texts, o.templates.noPosition, slotCount(line)};
    using settings::Wipe;
    switch (o.wipe) {
    case Wipe::Border: appendBorderWipe(out, c); break;
    case Wipe::Emphasis: appendPasses(out, c, o, true); break;
    case Wipe::PerCharacterSetting: appendSyllables(out, c); break;
    case Wipe::PerWord: appendWords(out, c, layout::karaokeSweeps(o)); break;
    case Wipe::Karaoke:
    case Wipe::PerCharacter:
    case Wipe::NoWipe:
    case Wipe::FreeSetting: appendPasses(out, c, o, false); break;
    }
}

}  // namespace kvelmor::script
