// SPDX-License-Identifier: GPL-3.0-or-later
// The timing editor's document: lyrics read to be timed (plain, timed or
// both), then keys and mouse edits in any order. Nothing may crash, and
// nothing made may be lost on the way out:
// - the recovery file gives back every line exactly as it was, and where
//   the next tap goes;
// - the timed lyrics saved, opened again to retime, save the same text
//   (unless lyric text spells the notation: a reading's brackets, a tag).
//
// Input: 1 byte of split options, 1 byte counting the edits, 3 bytes per
// edit (what, and two arguments), then the bytes of a lyrics file.

#include <cstdlib>
#include <string>
#include <vector>

#include "common/encoding.h"
#include "fuzz_input.h"
#include "lyrics/time_value.h"
#include "timing/hyphenation.h"
#include "timing/timing_document.h"

using namespace kvelmor;
using namespace kvelmor::timing;

namespace {

struct Edit {
    uint8_t what, a, b;
};

void apply(TimingDocument& doc, const Edit& e, Millis& now) {
    now += e.a * 37;
    const int lines = doc.lineCount();
    const int line = lines > 0 ? e.a % lines : 0;
    const int syllable = lines > 0 ? e.b % (doc.line(line).count() + 1) : 0;
    const std::vector<Mark> marks = doc.marks();
    const Mark* mark = marks.empty() ? nullptr : &marks[(e.a * 256u + e.b) % marks.size()];
    switch (e.what % 10) {
    case 0: doc.tap(now); break;
    case 1: doc.release(now); break;
    case 2: doc.endLine(now); break;
    case 3: doc.undo(); break;
    case 4: doc.redo(); break;
    case 5: if (lines > 0) doc.merge(line, syllable); break;
    case 6: if (lines > 0) doc.split(line, syllable, 1 + e.what / 10 % 3); break;
    case 7: if (mark) doc.moveMark(mark->ref, now - e.b * 53); break;
    case 8: if (mark) doc.nudgeMark(mark->ref, (e.b & 1) ? -10 : 10); break;
    default: doc.setCursor({e.a % (lines + 1), e.b % 8}); break;
    }
}

// Text the recovery file keeps byte for byte: without its two separators.
bool keptByteForByte(std::string_view text) { return text.find_first_of("\x1E\x1F") == std::string_view::npos; }

// Lyric text the file cannot hold as text: "(" or ")", which spell a reading
// once the tags beside them are moved to the same time, and text that spells
// a tag once the tags inside it are taken out ("[" [00:01:00] "00:02:00]").
// Such songs are not expected to come back as they were.
bool spellsNotation(const TimingDocument& doc) {
    for (const TimingLine& l : doc.lines()) {
        std::u32string text;
        for (const Syllable& s : l.syllables) text += s.lead + s.text + s.tail;
        for (const Ruby& r : l.rubies) text += U"\n" + r.base;
        if (text.find_first_of(U"()") != std::u32string::npos || lyrics::holdsTimeTag(toUtf8(text))) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Hyphenator hyphenator(Hyphenator::defaultDictionary());
    fuzz::FuzzInput in(data, size);
    const uint8_t flags = in.byte();
    std::vector<Edit> edits(in.byte() % 48);
    for (Edit& e : edits) e = {in.byte(), in.byte(), in.byte()};
    // As the window reads a lyrics file: decoded to UTF-8 first.
    const std::string text = decodeText(in.rest()).utf8;

    ParseOptions options;
    options.split.joinSokuonAndHatsuon = flags & 1;
    options.split.latin = (flags & 2) ? LatinSplit::ByWord : LatinSplit::ByHyphenation;
    options.split.hyphenator = (flags & 4) && hyphenator.ok() ? &hyphenator : nullptr;
    options.correctUnmarkedTimes = flags & 8;
    TimingDocument doc(readLyrics(text, options));
    Millis now = 0;
    for (const Edit& e : edits) apply(doc, e, now);

    if (keptByteForByte(text)) {
        // Through the whole file, as it is kept and read back.
        const RecoveryFile file{{"timing", {"/lyrics.txt", "/song.flac"}}, 1, 2, recoveryText(doc)};
        const RecoveryRead kept = parseRecoveryText(recoveryFileText(file));
        if (kept.state != RecoveryState::Whole || !(kept.file.key == file.key)) abort();
        const auto restored = readRecoveryText(kept.file.body);
        if (!restored || restored->lines != doc.lines()) abort();
        if (restoredDocument(*restored).cursor() != doc.cursor()) abort();
    }

    if (spellsNotation(doc)) return 0;
    const std::string saved = doc.timedText();
    ParseOptions again = options;
    again.correctUnmarkedTimes = false;
    if (TimingDocument(readLyrics(saved, again)).timedText() != saved) abort();
    return 0;
}
