// SPDX-License-Identifier: GPL-3.0-or-later
// The tag file round trip: the working lines of any lyrics file, written as a
// tag file and read back, are the same lines: the same characters, the same
// ruby over the same characters, and every time tag the writer keeps (all but
// those inside a ruby base) at the same place with the same time as written.
// Songs a tag file cannot hold (times outside the first hour, more lines than
// a file may have) are left out.
//
// Input: two bytes of settings, then the bytes of a lyrics file.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/encoding.h"
#include "fuzz_input.h"
#include "measure/fixed_measurer.h"
#include "lyrics/kra_writer.h"
#include "lyrics/reader.h"
#include "lyrics/segmentation.h"
#include "lyrics/time_value.h"
#include "settings/conversion_settings.h"

using namespace kvelmor;
using lyrics::LyricLine;

namespace {

[[noreturn]] void fail(const std::string& what, const std::string& kra) {
    std::fprintf(stderr, "%s\n--- tag file\n%s\n", what.c_str(), kra.c_str());
    std::abort();
}

struct TagAt {
    int charsBefore = 0;
    lyrics::Centiseconds time = 0;
    bool operator==(const TagAt&) const = default;
};

// A tag file holds times from 0 to just below one hour: a tag's text drops
// the hours and writes a negative time as 0.
constexpr lyrics::Centiseconds kOneHour = 360000;

// Nor can it hold characters that spell a tag: a tag file has no way to
// write them as text. Read from text they were none, but a full-width space
// narrowed to a space ("[00:　0:01]"), or the tags inside a ruby base gone
// (a tag file does not keep them), can make them one.
bool fitsATagFile(const lyrics::Song& song) {
    for (int i = 1; i <= song.lineCount(); ++i) {
        const LyricLine& line = song.workLines[i];
        if (lyrics::holdsTimeTag(line.plainText)) return false;
        for (int k = 1; k <= line.unitCount; ++k)
            if (!line.unit(k).isChar && (line.unit(k).rawTime < 0 || line.unit(k).rawTime >= kOneHour)) return false;
    }
    return true;
}

// The tags of a line with the number of characters before each; with
// `keptOnly`, the ones a ruby base holds are left out.
std::vector<TagAt> tags(const LyricLine& line, bool keptOnly) {
    std::vector<TagAt> out;
    int chars = 0;
    int baseEnd = 0;  // characters before the end of the ruby base being passed
    for (int k = 1; k <= line.unitCount; ++k) {
        const auto& u = line.unit(k);
        if (u.isChar) {
            const lyrics::SlotRuby& r = u.rubyFields();
            if (!r.ruby.empty() && r.rubySpan > 0) baseEnd = chars + r.rubySpan;
            ++chars;
            continue;
        }
        if (keptOnly && chars < baseEnd) continue;
        out.push_back({chars, u.rawTime});
    }
    return out;
}

bool isSubsequence(const std::vector<TagAt>& part, const std::vector<TagAt>& whole) {
    size_t j = 0;
    for (const auto& t : whole)
        if (j < part.size() && t == part[j]) ++j;
    return j == part.size();
}

std::string describe(const std::vector<TagAt>& v) {
    std::string s;
    for (const auto& t : v) s += " " + std::to_string(t.charsBefore) + "@" + std::to_string(t.time);
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzInput in(data, size);
    const uint8_t flags = in.byte();
    const uint8_t width = in.byte();
    NullReporter reporter;
    measure::FixedMeasurer measurer;
    settings::ConversionSettings s;
    s.setAsUser("MojiSize", flags & 1 ? "1" : "0");
    s.setAsUser("WinAMPTime", flags & 2 ? "1" : "0");
    s.setAsUser("kaigyo", flags & 4 ? "1" : "0");
    s.setAsUser("dispWidth", std::to_string(width * 8));

    lyrics::Song song;
    if (!lyrics::loadLyricsText(song, decodeText(in.rest()).utf8, "fuzz.txt", s, measurer, reporter).ok) return 0;
    lyrics::rebuildWorkLines(song, settings::ConversionOptions(s), measurer, reporter);
    // The automatic line break can cut a song into more lines than a file may
    // hold, and times outside the first hour cannot be written as they are.
    if (song.lineCount() > lyrics::kMaxRawLines || !fitsATagFile(song)) return 0;

    const std::string kra = lyrics::kraFileText(song);
    // A line whose readings, written inline, take it past the slots a line
    // may hold is refused by the write command; it cannot come back whole.
    if (lyrics::firstKraLineOverSlots(kra) != 0) return 0;
    // The lines of a tag file written with the line break on are the pieces
    // already; it is read back with the line break off.
    s.setAsUser("kaigyo", "0");
    lyrics::Song back;
    if (!lyrics::loadLyricsText(back, kra, "fuzz.kra", s, measurer, reporter).ok)
        fail("the tag file cannot be read", kra);
    lyrics::rebuildWorkLines(back, settings::ConversionOptions(s), measurer, reporter);

    if (back.songInfo != song.songInfo) fail("the song information differs", kra);
    if (back.lineCount() != song.lineCount())
        fail(std::to_string(song.lineCount()) + " lines read back as " + std::to_string(back.lineCount()), kra);
    for (int i = 1; i <= song.lineCount(); ++i) {
        const LyricLine& a = song.workLines[i];
        const LyricLine& b = back.workLines[i];
        const std::string where = "line " + std::to_string(i) + ": ";
        if (a.plainText != b.plainText)
            fail(where + "\"" + a.plainText + "\" reads back as \"" + b.plainText + "\"", kra);
        std::vector<const lyrics::LyricUnit*> charsA, charsB;
        for (int k = 1; k <= a.unitCount; ++k)
            if (a.unit(k).isChar) charsA.push_back(&a.unit(k));
        for (int k = 1; k <= b.unitCount; ++k)
            if (b.unit(k).isChar) charsB.push_back(&b.unit(k));
        if (charsA.size() != charsB.size()) fail(where + "another number of characters", kra);
        for (size_t c = 0; c < charsA.size(); ++c) {
            const lyrics::SlotRuby& ra = charsA[c]->rubyFields();
            const lyrics::SlotRuby& rb = charsB[c]->rubyFields();
            if (ra.ruby != rb.ruby || ra.rubySpan != rb.rubySpan)
                fail(where + "character " + std::to_string(c + 1) + ": ruby \"" + ra.ruby + "\"/" +
                         std::to_string(ra.rubySpan) + " reads back as \"" + rb.ruby + "\"/" +
                         std::to_string(rb.rubySpan),
                     kra);
        }
        const auto kept = tags(a, true);
        const auto read = tags(b, false);
        if (!isSubsequence(kept, read)) fail(where + "tags" + describe(kept) + " read back as" + describe(read), kra);
    }
    return 0;
}
