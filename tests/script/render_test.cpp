// SPDX-License-Identifier: GPL-3.0-or-later
// The scripts the whole program writes, drawn by libass and judged by what a
// viewer would see: colours before and after the wipe, the border wipe's
// moving edge, lines inside the boxes they were measured to, ruby over its
// characters, and scripts libass reads without a complaint in every mode.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/session.h"
#include "common/encoding.h"
#include "common/file_io.h"
#include "effects/samples.h"
#include "measure/freetype_measurer.h"
#include "render/frame_renderer.h"
#include "libass_test_support.h"
#include "script_test_support.h"

using namespace kvelmor;
using namespace kvelmor::script::testing;
namespace fs = std::filesystem;

namespace {

const fs::path kExampleSong =
    fs::path(KVELMOR_TEST_DATA).parent_path().parent_path() / "examples" / "sakura_no_michi.txt";

// Karaoke events are on layer lineKind + 100 and up, ruby events below it.
constexpr int kFirstKaraokeLayer = 100;

int layerOf(const std::string& dialogue) { return std::atoi(dialogue.c_str() + std::strlen("Dialogue: ")); }

bool isDialogue(const std::string& line) { return line.rfind("Dialogue: ", 0) == 0; }

// The events of one lyric line as written: its karaoke events, then its ruby
// events in the order of the characters that carry them.
struct LineEvents {
    std::vector<std::string> karaoke;
    std::vector<std::string> ruby;
};

// The script split into everything before the events and the events of each
// lyric line, in table order. Every line must have `karaokePerLine` karaoke
// events, so a new group starts at every karaoke event that follows a ruby
// event or completes the previous group.
struct SplitScript {
    std::string head;  // [Script Info], [V4+ Styles] and the events' Format line
    std::vector<LineEvents> lines;

    SplitScript(const std::string& text, size_t karaokePerLine) {
        for (const auto& l : scriptLines(text)) {
            if (!isDialogue(l)) {
                head += l + "\r\n";
                continue;
            }
            if (layerOf(l) >= kFirstKaraokeLayer) {
                if (lines.empty() || !lines.back().ruby.empty() || lines.back().karaoke.size() == karaokePerLine)
                    lines.emplace_back();
                lines.back().karaoke.push_back(l);
            } else if (!lines.empty()) {
                lines.back().ruby.push_back(l);
            }
        }
    }

    // A script of the same head holding only these events.
    std::string with(const std::vector<std::string>& events) const {
        std::string s = head;
        for (const auto& e : events) s += e + "\r\n";
        return s;
    }
};

// A fontconfig configuration that loads the system's own and then the files
// the measurer loaded on top of it, so that libass resolves the face names of
// the styles ("MS UI Gothic") exactly as the measurement did, whether or not
// the aliases are installed system-wide.
fs::path writeFontconfigFile(const fs::path& dir, const measure::FreeTypeMeasurer& measurer) {
    const fs::path path = dir / "fonts.conf";
    std::ofstream(path, std::ios::binary) << render::fontconfigConfiguration(measurer.loadedConfigFiles());
    return path;
}

class RenderedSong : public ::testing::Test {
protected:
    CollectingReporter reporter;
    measure::FreeTypeMeasurer measurer;
    app::Session session{reporter, measurer};
    fs::path dir;
    Libass ass;
    RendererPtr renderer{nullptr, ass_renderer_done};
    fs::path fontconfigFile;

    void SetUp() override {
        dir = fs::temp_directory_path() / ("kvelmor_render_" + std::to_string(getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        session.startUp((dir / "Kvelmor.ini").string());
        fontconfigFile = writeFontconfigFile(dir, measurer);
    }
    void TearDown() override { fs::remove_all(dir); }

    // The write command on the example song with the settings set so far:
    // the script as written, decoded to UTF-8.
    std::string convert() {
        EXPECT_TRUE(session.loadLyrics(kExampleSong.string()));
        const fs::path out = dir / "song.ass";
        EXPECT_TRUE(session.writeScript(out.string()));
        std::string bytes;
        EXPECT_TRUE(readFileBytes(out.string(), bytes).ok);
        DecodedText decoded = decodeText(bytes);
        EXPECT_EQ(encodingName(decoded.encoding),
                  encodingName(session.settings.isOn("unicode") ? TextEncoding::Utf16LE : TextEncoding::Cp932));
        EXPECT_EQ(decoded.badLines, std::vector<int>{});
        return decoded.utf8;
    }

    // Draws a script at `ms` into a frame of its own size (PlayResX x PlayResY).
    Frame draw(const std::string& script, long long ms) {
        TrackPtr track = ass.read(script);
        if (!track) {
            ADD_FAILURE() << "libass could not read the script";
            return Frame(1, 1);
        }
        if (!renderer) {
            renderer.reset(ass_renderer_init(ass.library));
            ass_set_fonts(renderer.get(), nullptr, "sans-serif", ASS_FONTPROVIDER_FONTCONFIG,
                          fontconfigFile.c_str(), 1);
        }
        ass_set_frame_size(renderer.get(), track->PlayResX, track->PlayResY);
        return renderFrame(renderer.get(), track.get(), ms, track->PlayResX, track->PlayResY);
    }

    Rgba colourOf(const char* field) const { return rgbaOfBgr(session.settings.colour(field)); }
};

// A run of character slots between two tag slots, with the columns the
// measurement gave it.
struct Syllable {
    lyrics::Centiseconds start = 0;  // its tag
    lyrics::Centiseconds end = 0;    // the next tag
    int x0 = 0;                      // pixels: left edge
    int x1 = 0;                      // pixels: right edge (exclusive)
    bool blank = true;               // spaces only: nothing is drawn
};

std::vector<Syllable> syllablesOf(const lyrics::LyricLine& l) {
    std::vector<Syllable> out;
    int x = l.posX;
    bool open = false;  // a tag has been passed
    Syllable next;
    for (int k = 1; k <= l.unitCount; ++k) {
        const auto& u = l.unit(k);
        if (u.isChar) {
            x += u.width;
            next.blank = next.blank && (u.text == " " || u.text == "\u3000");
            continue;
        }
        // Characters before the first tag, or none between two tags, time nothing.
        if (open && x > next.x0) out.push_back({next.start, u.time, next.x0, x, next.blank});
        open = true;
        next = {u.time, 0, x, x, true};
    }
    return out;
}

long long ms(lyrics::Centiseconds cs) { return static_cast<long long>(cs) * 10; }
// The rubies of a line: the columns of the characters each reads (start and
// end: when they are sung) and the rows the ruby is drawn in.
struct RubyArea {
    Syllable cols;
    int top = 0, bottom = 0;
    std::string ruby;
};
std::vector<RubyArea> rubyCasesOfLine(const lyrics::LyricLine& line) {
    std::vector<RubyArea> out;
    int x = line.posX;
    for (int k = 1; k <= line.unitCount; ++k) {
        const auto& u = line.unit(k);
        if (!u.isChar) continue;
        const int left = x;
        x += u.width;
        const lyrics::SlotRuby& r = u.rubyFields();
        if (r.ruby.empty()) continue;
        int right = left;
        for (int j = k, chars = 0; j <= line.unitCount && chars < r.rubySpan; ++j)
            if (line.unit(j).isChar) {
                right += line.unit(j).width;
                ++chars;
            }
        out.push_back(
            {{r.rubyStartTime, r.rubyEndTime, left, right, false}, r.rubyY - r.rubyHeight - 2, r.rubyY + 1, r.ruby});
    }
    return out;
}


// Pixels of the fill colour `c` in a syllable's columns, leaving out `margin`
// pixels at each side where a neighbour or a clip edge may reach.
int fillIn(const Frame& f, const Syllable& s, const lyrics::LyricLine& l, const Rgba& c, int margin) {
    return f.count([&](const Rgba& p) { return looksLike(p, c); }, s.x0 + margin, s.x1 - margin,
                   l.posY - l.lineHeight, l.posY + 1);
}

// Libass must pick, for the face the styles name, the very font file the
// measurement used; otherwise no position written could be right.
TEST_F(RenderedSong, DrawsWithTheFontTheMeasurementUsed) {
    const std::string script = convert();
    const auto face = measurer.resolveFace(session.settings.font("Command2").face);
    ASSERT_TRUE(face.has_value());
    SplitScript split(script, 1);
    ASSERT_FALSE(split.lines.empty());
    draw(split.with(split.lines[0].karaoke), ms(session.song.workLines[1].startTime) + 100);
    std::vector<std::string> choices;
    for (const auto& n : ass.notes)
        if (n.rfind("fontselect:", 0) == 0) choices.push_back(n);
    ASSERT_FALSE(choices.empty());
    for (const auto& c : choices) EXPECT_NE(c.find(" -> " + face->file + ","), std::string::npos) << c;
}

// Wipe mode 0: every syllable is filled with the before-wipe colour until its
// tag and with the after-wipe colour from the next tag on. Looked at in the
// middle of each syllable, all syllables before it show only the after-wipe
// colour and all after it only the before-wipe colour.
TEST_F(RenderedSong, KaraokeSyllablesChangeColourAtTheirTags) {
    ASSERT_TRUE(session.setField("wipe", "0").ok);
    const std::string script = convert();
    const Rgba before = colourOf("secondaryColor");
    const Rgba after = colourOf("PrimaryColor");
    SplitScript split(script, 1);
    ASSERT_EQ(split.lines.size(), static_cast<size_t>(session.song.lineCount()));
    for (int i = 1; i <= session.song.lineCount(); ++i) {
        const auto& line = session.song.workLines[i];
        const std::string alone = split.with(split.lines[static_cast<size_t>(i - 1)].karaoke);
        const auto syllables = syllablesOf(line);
        ASSERT_GE(syllables.size(), 3u);
        // Before the first tag, in the middle of each syllable, after the last tag.
        std::vector<long long> times{ms(syllables.front().start) - 50};
        for (const auto& s : syllables) times.push_back(ms(s.start + s.end) / 2);
        times.push_back(ms(syllables.back().end) + 50);
        for (size_t t = 0; t < times.size(); ++t) {
            const Frame f = draw(alone, times[t]);
            for (size_t k = 0; k < syllables.size(); ++k) {
                if (k + 1 == t) continue;  // the syllable being wiped
                SCOPED_TRACE("line " + std::to_string(i) + ", syllable " + std::to_string(k + 1) + " at " +
                             std::to_string(times[t]) + " ms");
                const bool sung = k + 1 < t;
                if (syllables[k].blank) continue;
                const int beforeFill = fillIn(f, syllables[k], line, before, 2);
                const int afterFill = fillIn(f, syllables[k], line, after, 2);
                EXPECT_GT(sung ? afterFill : beforeFill, 0);
                EXPECT_EQ(sung ? beforeFill : afterFill, 0);
            }
        }
    }
}

// Wipe mode 3: the upper event, drawn in the before-wipe look, is clipped
// away from the left syllable by syllable and uncovers the line beneath in
// the after-wipe colour. At each tag the uncovered part ends at the syllable
// boundary, and it grows from tag to tag.
TEST_F(RenderedSong, BorderWipeUncoversTheLineSyllableBySyllable) {
    ASSERT_TRUE(session.setField("wipe", "3").ok);
    const std::string script = convert();
    const Rgba before = colourOf("secondaryColor");
    const Rgba after = colourOf("PrimaryColor");
    // The clip edge stands outLine - shadowDepth left of the boundary (and
    // outLine - ClipWipe for the last syllable); the margin keeps it out of
    // the syllables' columns looked at.
    const int margin = session.settings.wholeNumber("outLine") + session.settings.wholeNumber("shadowDepth") + 2;
    SplitScript split(script, 2);
    ASSERT_EQ(split.lines.size(), static_cast<size_t>(session.song.lineCount()));
    for (int i = 1; i <= session.song.lineCount(); ++i) {
        const auto& line = session.song.workLines[i];
        const std::string alone = split.with(split.lines[static_cast<size_t>(i - 1)].karaoke);
        const auto syllables = syllablesOf(line);
        ASSERT_GE(syllables.size(), 3u);
        int uncovered = -1;
        // At the first tag nothing is uncovered; at the end of syllable n, n are.
        for (size_t n = 0; n <= syllables.size(); ++n) {
            const long long t = n == 0 ? ms(syllables.front().start) : ms(syllables[n - 1].end);
            const Frame f = draw(alone, t);
            const int afterPixels = f.count([&](const Rgba& p) { return looksLike(p, after); }, 0, 1 << 30,
                                            line.posY - line.lineHeight, line.posY + 1);
            SCOPED_TRACE("line " + std::to_string(i) + " at " + std::to_string(t) + " ms");
            if (n == 0) EXPECT_EQ(afterPixels, 0);
            else if (syllables[n - 1].blank) EXPECT_GE(afterPixels, uncovered);
            else EXPECT_GT(afterPixels, uncovered) << "the uncovered part must grow with every syllable";
            uncovered = afterPixels;
            for (size_t k = 0; k < syllables.size(); ++k) {
                if (syllables[k].blank || syllables[k].x1 - syllables[k].x0 <= 2 * margin) continue;
                SCOPED_TRACE("syllable " + std::to_string(k + 1));
                const int beforeFill = fillIn(f, syllables[k], line, before, margin);
                const int afterFill = fillIn(f, syllables[k], line, after, margin);
                EXPECT_GT(k < n ? afterFill : beforeFill, 0);
                EXPECT_EQ(k < n ? beforeFill : afterFill, 0);
            }
        }
    }
}

// Every wipe style, base text and ruby alike: looked at one frame (at 30 fps)
// after a syllable's tag and one frame before the next tag, everything sung
// earlier shows only the after-wipe colour and everything sung later only the
// before-wipe colour, so the boundary lies inside the syllable being sung. The
// per-character style switches a syllable, and its ruby, whole; the style
// without a wipe shows everything in the after-wipe colour all the time.
TEST_F(RenderedSong, EverySweepKeepsTimeWithItsSyllable) {
    constexpr long long kFrame = 34;  // ms: one frame at 30 fps, rounded up
    const Rgba before = colourOf("secondaryColor");
    const Rgba after = colourOf("PrimaryColor");
    // Clip edges (style 3) and neighbours stay out of the columns looked at.
    const int margin = session.settings.wholeNumber("outLine") + session.settings.wholeNumber("shadowDepth") + 2;
    struct Case {
        int wipe;
        const char* what;
    };
    const Case cases[] = {{0, "karaoke"},           {1, "per character: switched whole"},
                          {2, "no wipe: still"},    {3, "edge wipe, ruby by karaoke"},
                          {4, "free setting"},      {5, "wipe emphasis, two layers"},
                          {6, "one event per syllable"}, {7, "one event per word"}};
    for (const Case& c : cases) {
        SCOPED_TRACE("wipe " + std::to_string(c.wipe) + " (" + c.what + ")");
        ASSERT_TRUE(session.setField("wipe", std::to_string(c.wipe)).ok);
        const std::string script = convert();
        // Every line of the song has ruby, so its events end each line's group.
        SplitScript split(script, 1000);
        ASSERT_EQ(split.lines.size(), static_cast<size_t>(session.song.lineCount()));
        for (int i = 1; i <= session.song.lineCount(); ++i) {
            const auto& line = session.song.workLines[i];
            const LineEvents& events = split.lines[static_cast<size_t>(i - 1)];
            std::vector<std::string> all = events.karaoke;
            all.insert(all.end(), events.ruby.begin(), events.ruby.end());
            const std::string alone = split.with(all);
            const auto syllables = syllablesOf(line);
            // Each ruby: the columns of its characters, the rows above them, and when they are sung.
            const std::vector<RubyArea> readings = rubyCasesOfLine(line);
            ASSERT_FALSE(readings.empty());

            // Nothing is wiped while the line comes up, nor before its first tag.
            std::vector<long long> times{ms(line.startTime) + kFrame, ms(line.startTime + syllables.front().start) / 2,
                                         ms(syllables.front().start) - 3 * kFrame};
            for (const auto& s : syllables) {
                if (ms(s.end - s.start) < 4 * kFrame) continue;
                times.push_back(ms(s.start) + kFrame);
                times.push_back(ms(s.end) - kFrame);
            }
            for (long long t : times) {
                if (t < ms(line.startTime)) continue;
                const Frame f = draw(alone, t);
                auto expectOnly = [&](const Syllable& cols, int y0, int y1, bool sung, const std::string& what) {
                    SCOPED_TRACE("line " + std::to_string(i) + ", " + what + " at " + std::to_string(t) + " ms");
                    auto fill = [&](const Rgba& colour) {
                        return f.count([&](const Rgba& p) { return looksLike(p, colour); }, cols.x0 + margin,
                                       cols.x1 - margin, y0, y1);
                    };
                    const bool showsAfter = sung || c.wipe == 2;
                    EXPECT_GT(fill(showsAfter ? after : before), 0);
                    EXPECT_EQ(fill(showsAfter ? before : after), 0);
                };
                for (size_t k = 0; k < syllables.size(); ++k) {
                    const Syllable& s = syllables[k];
                    if (s.blank || s.x1 - s.x0 <= 2 * margin) continue;
                    const bool sung = t >= ms(s.end);
                    const bool being = !sung && t >= ms(s.start);
                    if (being && c.wipe != 1 && c.wipe != 2) continue;  // the sweep's own boundary
                    expectOnly(s, line.posY - line.lineHeight, line.posY + 1, sung || being,
                               "syllable " + std::to_string(k + 1));
                }
                for (const RubyArea& r : readings) {
                    const bool sung = t >= ms(r.cols.end);
                    const bool being = !sung && t >= ms(r.cols.start);
                    if (being && c.wipe != 1 && c.wipe != 2) continue;
                    expectOnly(r.cols, r.top, r.bottom, sung || being, "ruby over column " + std::to_string(r.cols.x0));
                }
            }
        }
    }
}

// With neither outline nor shadow, each line's ink lies within the box the
// measurement gave it, posX to posX + lineWidth, and starts at its left end;
// its bottom edge is the row that posY names.
TEST_F(RenderedSong, LineInkStaysInItsMeasuredBox) {
    ASSERT_TRUE(session.setField("outLine", "0").ok);
    ASSERT_TRUE(session.setField("shadowDepth", "0").ok);
    const std::string script = convert();
    SplitScript split(script, 1);
    ASSERT_EQ(split.lines.size(), static_cast<size_t>(session.song.lineCount()));
    for (int i = 1; i <= session.song.lineCount(); ++i) {
        const auto& line = session.song.workLines[i];
        SCOPED_TRACE("line " + std::to_string(i) + ": " + line.plainText);
        const Frame f = draw(split.with(split.lines[static_cast<size_t>(i - 1)].karaoke),
                             ms(line.startTime + line.endTime) / 2);
        const PixelBox ink = f.ink();
        ASSERT_FALSE(ink.empty());
        EXPECT_GE(ink.left, line.posX - 2);
        EXPECT_LE(ink.right + 1, line.posX + line.lineWidth + 2);
        // Only the first glyph's left side bearing is free.
        EXPECT_LE(ink.left, line.posX + line.lineHeight / 8);
        // Bottom-left alignment: posY is the bottom of the line's cell, which
        // holds the descent below the baseline the glyphs stand on.
        EXPECT_LE(ink.bottom + 1, line.posY + 2);
        EXPECT_GE(ink.bottom + 1, line.posY - line.lineHeight / 4);
        EXPECT_GE(ink.top, line.posY - line.lineHeight - 2);
    }
}

// A ruby with the characters it reads: the measured columns of those
// characters, and the event that draws the ruby.
struct RubyCase {
    int line = 0;
    std::string ruby;
    int baseLeft = 0;   // pixels
    int baseRight = 0;  // pixels, exclusive
    lyrics::Centiseconds sungFrom = 0;
    lyrics::Centiseconds sungTo = 0;
    std::string event;
};

// Every ruby of the song, each with its event; the events of a line follow
// its characters in order, one each (wipe modes 0, 1, 2, 4, 6, 7).
std::vector<RubyCase> rubyCases(const lyrics::Song& song, const SplitScript& split) {
    std::vector<RubyCase> out;
    for (int i = 1; i <= song.lineCount(); ++i) {
        const auto& line = song.workLines[i];
        const auto& events = split.lines[static_cast<size_t>(i - 1)].ruby;
        size_t next = 0;
        for (const RubyArea& a : rubyCasesOfLine(line)) {
            EXPECT_LT(next, events.size()) << "line " << i << ": ruby " << a.ruby << " has no event";
            out.push_back({i, a.ruby, a.cols.x0, a.cols.x1, a.cols.start, a.cols.end,
                           next < events.size() ? events[next] : std::string()});
            ++next;
        }
        EXPECT_EQ(next, events.size()) << "line " << i << ": an event without its ruby";
    }
    return out;
}

// Ruby stands just above the characters it reads, centred on the columns the
// measurement gave them, also after a font size is typed rather than chosen
// in the font dialog.
TEST_F(RenderedSong, RubyIsDrawnCentredAboveItsCharacters) {
    ASSERT_TRUE(session.setField("outLine", "0").ok);
    ASSERT_TRUE(session.setField("shadowDepth", "0").ok);
    for (const auto& [size, value] : std::vector<std::pair<const char*, const char*>>{
             {"ssaFontSize", "36"}, {"ssaFontSize", "54"}, {"rubyFontSize", "20"}}) {
        SCOPED_TRACE(std::string(size) + " " + value);
        ASSERT_TRUE(session.setField(size, value).ok);
        const std::string script = convert();
        SplitScript split(script, 1);
        ASSERT_EQ(split.lines.size(), static_cast<size_t>(session.song.lineCount()));
        const auto cases = rubyCases(session.song, split);
        EXPECT_GT(cases.size(), 5u);
        for (const auto& c : cases) {
            const auto& line = session.song.workLines[c.line];
            SCOPED_TRACE("line " + std::to_string(c.line) + ", ruby " + c.ruby);
            const long long t = ms(line.startTime + line.endTime) / 2;
            const PixelBox ruby = draw(split.with({c.event}), t).ink();
            const PixelBox base = draw(split.with(split.lines[static_cast<size_t>(c.line - 1)].karaoke), t)
                                      .ink(c.baseLeft, c.baseRight, line.posY - line.lineHeight, line.posY + 2);
            ASSERT_FALSE(ruby.empty());
            ASSERT_FALSE(base.empty());
            EXPECT_LT(ruby.bottom, base.top) << "above its characters";
            EXPECT_GT(ruby.bottom, base.top - line.lineHeight / 2) << "and close to them";
            EXPECT_NEAR((ruby.left + ruby.right + 1) / 2.0, (c.baseLeft + c.baseRight) / 2.0, 3.0) << "centred";
        }
    }
}

// Measurement and renderer agree on widths: libass advances the pen across a
// line by lineWidth. This holds because the style's Fontsize carries the
// unrounded cell height: a renderer sizes the font by its cell, and a
// whole-pixel cell (51 for a 48 px em of IPAPGothic) would draw 1.2 %
// narrower than measured.
TEST_F(RenderedSong, DrawnWidthsAreTheMeasuredWidths) {
    ASSERT_TRUE(session.setField("outLine", "0").ok);
    ASSERT_TRUE(session.setField("shadowDepth", "0").ok);
    const std::string script = convert();
    SplitScript split(script, 1);
    ASSERT_EQ(split.lines.size(), static_cast<size_t>(session.song.lineCount()));
    // A green bar set after the line's text starts where the pen stopped; set
    // alone at posX it gives its own side bearing.
    const std::string marker = "{\\1c&H00FF00&\\2c&H00FF00&}|";
    auto isMarker = [](const Rgba& p) { return p.g > 200 && p.r < 60 && p.b < 60; };
    for (int i = 1; i <= session.song.lineCount(); ++i) {
        const auto& line = session.song.workLines[i];
        SCOPED_TRACE("line " + std::to_string(i) + ": " + line.plainText);
        const std::string event = split.lines[static_cast<size_t>(i - 1)].karaoke.front();
        const std::string alone = event.substr(0, event.find("{\\q2}")) + "{\\q2}{\\pos(" +
                                  std::to_string(line.posX) + "," + std::to_string(line.posY) + ")}" + marker;
        const long long t = ms(line.startTime + line.endTime) / 2;
        const PixelBox afterText = draw(split.with({event + marker}), t).boxOf(isMarker);
        const PixelBox atPosX = draw(split.with({alone}), t).boxOf(isMarker);
        ASSERT_FALSE(afterText.empty());
        ASSERT_FALSE(atPosX.empty());
        EXPECT_NEAR(afterText.left - atPosX.left, line.lineWidth, 2);
    }
    // With the pen where the measurement says, every measured column is a
    // drawn column, so RubyIsDrawnCentredAboveItsCharacters (centred on the
    // measured columns) also holds for the characters as drawn.
}

struct Parsed {
    std::vector<std::string> complaints;
    std::vector<std::string> texts;  // the events' Text fields
};

// Reads a script as written, checks what every script must satisfy, and
// draws every line once so that complaints while drawing are heard too.
Parsed readAndDraw(const std::string& asWritten, const char* codepage, const app::Session& session,
                   const fs::path& fontconfigFile) {
    Libass ass;
    Parsed out;
    TrackPtr track = ass.read(asWritten, codepage);
    if (!track) {
        ADD_FAILURE() << "libass could not read the script";
        return out;
    }
    for (int i = 0; i < track->n_events; ++i) {
        const ASS_Event& e = track->events[i];
        EXPECT_GE(e.Duration, 0) << "event " << i << " ends before it starts: " << e.Text;
        EXPECT_GE(e.Style, 1) << "event " << i << " names a style that is not written";
        out.texts.emplace_back(e.Text ? e.Text : "");
    }
    RendererPtr renderer(ass_renderer_init(ass.library), ass_renderer_done);
    ass_set_fonts(renderer.get(), nullptr, "sans-serif", ASS_FONTPROVIDER_FONTCONFIG, fontconfigFile.c_str(), 1);
    ass_set_frame_size(renderer.get(), track->PlayResX, track->PlayResY);
    for (int i = 1; i <= session.song.lineCount(); ++i) {
        const auto& l = session.song.workLines[i];
        ass_render_frame(renderer.get(), track.get(), ms(l.startTime + l.endTime) / 2, nullptr);
    }
    out.complaints = ass.complaints;
    return out;
}

// Every wipe mode, and every built-in effect sample in each mode that applies
// templates, writes a script that libass reads and draws without a warning,
// whose events all end no earlier than they start.
TEST_F(RenderedSong, EveryModeAndSampleReadsWithoutWarnings) {
    struct Case {
        int mode;
        int sample;  // -1: the templates as they are
    };
    std::vector<Case> cases;
    for (int mode = 0; mode <= 7; ++mode) cases.push_back({mode, -1});
    for (int mode = 4; mode <= 7; ++mode)
        for (int sample = 0; sample < effects::kBuiltInSampleCount; ++sample) cases.push_back({mode, sample});
    for (const auto& c : cases) {
        SCOPED_TRACE("wipe " + std::to_string(c.mode) +
                     (c.sample < 0 ? std::string() : ", sample " + std::string(effects::builtInSamples()[static_cast<size_t>(c.sample)].name)));
        ASSERT_TRUE(session.setField("wipe", std::to_string(c.mode)).ok);
        if (c.sample >= 0) {
            ASSERT_TRUE(session.samples.applySample(c.sample, session.settings));
        }
        const std::string script = convert();
        size_t dialogues = 0;
        for (const auto& l : scriptLines(script)) dialogues += isDialogue(l) ? 1 : 0;
        const Parsed parsed = readAndDraw(script, nullptr, session, fontconfigFile);
        EXPECT_EQ(parsed.complaints, std::vector<std::string>{});
        EXPECT_EQ(parsed.texts.size(), dialogues);
        EXPECT_GE(dialogues, static_cast<size_t>(session.song.lineCount()));
    }
}

// A script saved in CP932 reads, through libass's own conversion, as the
// same events as the one saved in UTF-16.
TEST_F(RenderedSong, Cp932ScriptReadsAsTheUnicodeOne) {
    ASSERT_TRUE(session.setField("wipe", "3").ok);
    const Parsed unicode = readAndDraw(convert(), nullptr, session, fontconfigFile);
    ASSERT_TRUE(session.setField("unicode", "0").ok);
    convert();
    std::string bytes;
    ASSERT_TRUE(readFileBytes((dir / "song.ass").string(), bytes).ok);
    const Parsed cp932 = readAndDraw(bytes, "CP932", session, fontconfigFile);
    EXPECT_EQ(cp932.complaints, std::vector<std::string>{});
    EXPECT_EQ(cp932.texts, unicode.texts);
    EXPECT_FALSE(cp932.texts.empty());
}

}  // namespace

namespace {

// "Dialogue: 0,0:00:01.00,0:00:05.00,..." : its start and end, centiseconds.
std::pair<lyrics::Centiseconds, lyrics::Centiseconds> eventWindow(const std::string& dialogue) {
    const size_t a = dialogue.find(',') + 1;
    const size_t b = dialogue.find(',', a) + 1;
    return {lyrics::parseScriptTime(dialogue.substr(a, b - 1 - a)),
            lyrics::parseScriptTime(dialogue.substr(b, dialogue.find(',', b) - b))};
}

}  // namespace

// The README's walk-through (the song information before the singing and at
// the top, the credit of its example) at the frame of a small and of a full
// HD video: every event is drawn whole inside the frame, and the song
// information and the credit never draw over each other. Each event is drawn
// alone into the frame with a 100-pixel border around it, so that ink
// outside the frame is seen.
TEST_F(RenderedSong, TheReadmeWalkThroughStaysInsideTheFrame) {
    const fs::path song = dir / "song.txt";
    std::ofstream(song, std::ios::binary)
        << "@title=桜の道\n@subtitle=TVアニメ「星の物語」OP主題歌\n@artist=ミナト\n"
           "[00:05:00]春[00:05:00]([00:05:00]はる[00:05:60])[00:05:60]の[00:05:90]風[00:05:90]([00:05:90]かぜ"
           "[00:06:70])[00:06:70]が[00:07:10]\n"
           "[00:09:60]桜[00:09:60]([00:09:60]さくら[00:10:50])[00:10:50]の[00:10:90]道[00:11:60]\n";
    constexpr int kBorder = 100;
    for (const auto& [width, height] : {std::pair{"640", "480"}, std::pair{"1920", "1080"}}) {
        SCOPED_TRACE(std::string(width) + " x " + height);
        ASSERT_TRUE(session.setField("dispWidth", width).ok);
        ASSERT_TRUE(session.setField("dispHeight", height).ok);
        for (const auto& [field, value] :
             {std::pair{"songInfoPreCheck", "1"}, std::pair{"songInfoCheck", "1"}, std::pair{"menuCreditOn", "1"}})
            ASSERT_TRUE(session.setField(field, value).ok);
        for (const auto& [field, value] : {std::pair{"Credit", "歌詞データ: ミナト"}, std::pair{"titleStartS", "00"},
                                           std::pair{"titleEndM", "01"}})
            ASSERT_TRUE(session.appState.credit.setAsUser(field, value).ok);
        ASSERT_TRUE(session.loadLyrics(song.string()));
        const fs::path out = dir / "song.ass";
        ASSERT_TRUE(session.writeScript(out.string()));
        std::string bytes;
        ASSERT_TRUE(readFileBytes(out.string(), bytes).ok);
        const SplitScript script(decodeText(bytes).utf8, 1);
        std::vector<std::string> events;
        for (const auto& l : scriptLines(decodeText(bytes).utf8))
            if (isDialogue(l)) events.push_back(l);

        const int w = std::stoi(width), h = std::stoi(height);
        for (long long at : {100LL, 550LL}) {  // centiseconds: before the singing, and while it is sung
            std::vector<std::pair<PixelBox, std::string>> information;  // song information and credit
            for (const std::string& e : events) {
                const auto [start, end] = eventWindow(e);
                if (at < start || at >= end) continue;
                TrackPtr track = ass.read(script.with({e}));
                ASSERT_TRUE(track);
                RendererPtr bordered(ass_renderer_init(ass.library), ass_renderer_done);
                ass_set_fonts(bordered.get(), nullptr, "sans-serif", ASS_FONTPROVIDER_FONTCONFIG,
                              fontconfigFile.c_str(), 1);
                ass_set_frame_size(bordered.get(), w + 2 * kBorder, h + 2 * kBorder);
                ass_set_margins(bordered.get(), kBorder, kBorder, kBorder, kBorder);
                ass_set_use_margins(bordered.get(), 1);
                const Frame f = renderFrame(bordered.get(), track.get(), at * 10, w + 2 * kBorder, h + 2 * kBorder);
                const PixelBox ink = f.ink();
                if (ink.empty()) continue;  // an empty text (the top line's album here)
                EXPECT_GE(ink.left, kBorder) << e;
                EXPECT_GE(ink.top, kBorder) << e;
                EXPECT_LT(ink.right, kBorder + w) << e;
                EXPECT_LT(ink.bottom, kBorder + h) << e;
                if (e.find(",songInfo") != std::string::npos) information.push_back({ink, e});
            }
            for (size_t i = 0; i < information.size(); ++i)
                for (size_t j = i + 1; j < information.size(); ++j) {
                    const PixelBox& a = information[i].first;
                    const PixelBox& b = information[j].first;
                    const bool meet = a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
                    // The lines of the singer column are one block.
                    const bool bothColumn = a.left == b.left && a.left > kBorder + w / 2;
                    if (!bothColumn) EXPECT_FALSE(meet) << information[i].second << "\n" << information[j].second;
                }
        }
    }
}
