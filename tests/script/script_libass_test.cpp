// SPDX-License-Identifier: GPL-3.0-or-later
// libass, the renderer the scripts are made for, must read every written
// script without a complaint.

#include <ass/ass.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "measure/fixed_measurer.h"
#include "script/script_writer.h"
#include "libass_test_support.h"
#include "script_test_support.h"

using namespace kvelmor;
using namespace kvelmor::script;
using namespace kvelmor::script::testing;

namespace {

// A song that uses every kind of event: sub-styles, passes, ruby, fades.
lyrics::Song sampleSong() {
    lyrics::Song song;
    song.lyricsPath = "/tmp/song.txt";
    song.rubyState = lyrics::kRubyAssigned;
    auto& a = song.workLines.appendLine();
    a = builtLine(100, 400, 30, 430);
    addSlots(a, {tagSlot(180), charSlot("夜", 20, "{\\1c&HFF&};{\\3c&H0&}", "{\\K40}"), charSlot(" ", 10),
                 tagSlot(220), charSlot("空", 20, "", "{\\K60}"), tagSlot(280)});
    a.pieceList = "{\\be1};{\\blur2}";
    a.rawText = "{\\1c&H00FF00&}{\\clip(0,0,50,440)}夜 空";
    a.unit(2).editRuby().ruby = "よ";
    a.unit(2).editRuby().rubySpan = 1;
    a.unit(2).editRuby().rubyX = 33;
    a.unit(2).editRuby().rubyY = 395;
    a.unit(2).editRuby().rubyStartTime = 180;
    a.unit(2).editRuby().rubyEndTime = 220;
    a.setRubyText2(2, "{\\K40}");
    auto& b = song.workLines.appendLine();
    b = builtLine(300, 600, 30, 470);
    b.kanjiStyle = "substyle1";
    b.rubyStyle = "substyleRuby1";
    addSlots(b, {tagSlot(380), charSlot("星", 20, "", "{\\K50}"), tagSlot(430)});
    return song;
}

TEST(ScriptLibass, EveryModeReadsWithoutWarnings) {
    lyrics::Song song = sampleSong();
    for (int mode = 0; mode <= 7; ++mode) {
        SCOPED_TRACE("wipe mode " + std::to_string(mode));
        settings::ConversionSettings s;
        s.setText("wipe", std::to_string(mode));
        s.setText("tagFontPixcel", "30");
        s.setText("Label19", "12");
        s.setText("fadeInCheck", "1");
        s.setText("FadeIn", "500");
        s.setText("mojiScaleY", "1.2");
        s.setText("ColorHex", mode % 2 == 0 ? "0" : "1");
        s.setText("songInfoCheck", "1");
        s.setText("titleFontPixcel", "14");
        ScriptHeader header;
        refreshScriptInfo(header, song, settings::ConversionOptions(s), "default");
        refreshStyles(header, settings::ConversionOptions(s));
        measure::FixedMeasurer measurer;
        const std::string text = scriptText(song, settings::ConversionOptions(s), header, settings::CreditOptions{},
                                            SongInfoLabels{}, measurer);

        Libass ass;
        auto track = ass.read(text);
        ASSERT_NE(track, nullptr);
        EXPECT_EQ(ass.complaints, std::vector<std::string>{});
        EXPECT_EQ(track->PlayResX, 640);
        EXPECT_EQ(track->PlayResY, 480);
        EXPECT_EQ(track->n_styles - 1, 5) << "songInfo, Kanji1, substyle1, Ruby1, substyleRuby1 after libass's Default";
        size_t dialogues = 0;
        for (const auto& l : scriptLines(text)) dialogues += l.rfind("Dialogue: ", 0) == 0 ? 1 : 0;
        EXPECT_GT(dialogues, 2u);
        EXPECT_EQ(static_cast<size_t>(track->n_events), dialogues);
        for (int i = 0; i < track->n_events; ++i) {
            const ASS_Event& e = track->events[i];
            EXPECT_GE(e.Duration, 0) << "event " << i << " ends before it starts";
            EXPECT_GE(e.Style, 1) << "event " << i << " names a style that is not written";
        }
    }
}

// Song information before the song and at the top, and the credit, in
// every form: read without a complaint, every event in a written style and
// none ending before it starts.
TEST(ScriptLibass, SongInformationAndCreditReadWithoutWarnings) {
    lyrics::Song song = sampleSong();
    song.songInfo = {"題名", "副題", "歌手", "アルバム", "作詞者", "作曲者", "編曲者", "2024"};
    struct Case {
        int infoMode, dispType, sameColumn, xRight;
        const char* creditTag;
        const char* endS;  // top-of-screen end; "0" takes the last line's end
        const char* why;
    };
    const Case cases[] = {
        {0, 0, 0, 0, "", "0", "two fixed lines, until the singing starts, centred title"},
        {1, 1, 1, 1, "{\\be1}", "0", "scrolling, a set window, one column, x from the right"},
        {1, 0, 0, 0, "{\\move(0,0,100,100)}", "30", "scrolling far past the last line, a moving credit"},
        {0, 1, 0, 0, "", "0", "a set window ending before it starts is raised to its start"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        settings::ConversionSettings s;
        s.setText("tagFontPixcel", "30");
        s.setText("Label19", "12");
        s.setText("songInfoCheck", "1");
        s.setText("songInfoPreCheck", "1");
        s.setText("menuCreditOn", "1");
        s.setText("InfoMode", std::to_string(c.infoMode));
        s.setText("titleDispType", std::to_string(c.dispType));
        s.setText("CheckDouRetu", std::to_string(c.sameColumn));
        s.setText("titleStartS", "5");
        s.setText("titleEndS", c.dispType == 1 && c.sameColumn == 0 ? "1" : "09");
        s.setText("endS", c.endS);
        for (const char* f : {"titleFontPixcel", "titleFontPixcel1", "titleFontPixcel2"}) s.setText(f, "20");
        settings::CreditSettings credit;
        credit.setText("Credit", "字幕: 誰か");
        credit.setText("CreditTag", c.creditTag);
        credit.setText("xRight", std::to_string(c.xRight));
        credit.setText("titleStartS", "2");
        credit.setText("titleEndS", "1");  // before the start: an event of no length
        ScriptHeader header;
        refreshScriptInfo(header, song, settings::ConversionOptions(s), "default");
        refreshStyles(header, settings::ConversionOptions(s));
        measure::FixedMeasurer measurer;
        const std::string text = scriptText(song, settings::ConversionOptions(s), header,
                                            settings::CreditOptions(credit), SongInfoLabels{}, measurer);

        Libass ass;
        auto track = ass.read(text);
        ASSERT_NE(track, nullptr);
        EXPECT_EQ(ass.complaints, std::vector<std::string>{});
        EXPECT_EQ(track->n_styles - 1, 8)
            << "songInfo1, songInfo2, songInfo, songInfo3, Kanji1, substyle1, Ruby1, substyleRuby1";
        size_t dialogues = 0;
        for (const auto& l : scriptLines(text)) dialogues += l.rfind("Dialogue: ", 0) == 0 ? 1 : 0;
        EXPECT_EQ(static_cast<size_t>(track->n_events), dialogues);
        int infoEvents = 0;
        for (int i = 0; i < track->n_events; ++i) {
            const ASS_Event& e = track->events[i];
            EXPECT_GE(e.Duration, 0) << "event " << i << " ends before it starts";
            EXPECT_GE(e.Style, 1) << "event " << i << " names a style that is not written";
            if (e.Style >= 1 && std::string(track->styles[e.Style].Name).rfind("songInfo", 0) == 0) ++infoEvents;
        }
        EXPECT_GE(infoEvents, 1 + 1 + 2) << "the block, the top of the screen and the credit";
    }
}

TEST(ScriptLibass, ComplaintsAreHeard) {
    Libass ass;
    auto track = ass.read("[Script Info]\r\nScriptType: v4.00+\r\n\r\n[Events]\r\n"
                          "Format: Layer, Start, End, Style, Actor, MarginL, MarginR, MarginV, Effect, Text\r\n"
                          "Dialogue: 0,0:00:01.00,0:00:02.00,Nowhere,,0,0,0,,x\r\n");
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(ass.complaints.size(), 1u) << "a style that is not written is a warning";
}

// The pixels: a line is drawn with its left edge at posX and its bottom edge
// at posY, and only inside its display window.
TEST(ScriptLibass, RenderedWhereAndWhenPlaced) {
    lyrics::Song song;
    auto& l = song.workLines.appendLine();
    l = builtLine(100, 400, 100, 300);
    addSlots(l, {tagSlot(100), charSlot("A", 20, "", "{\\K50}"), charSlot("H", 20, "", "{\\K50}"), tagSlot(200)});
    settings::ConversionSettings s;
    s.setText("tagFontPixcel", "40");
    s.setFont("Command2", {"DejaVu Sans"});
    s.setText("shadowDepth", "0");
    ScriptHeader header;
    refreshScriptInfo(header, song, settings::ConversionOptions(s), "default");
    refreshStyles(header, settings::ConversionOptions(s));

    Libass ass;
    measure::FixedMeasurer measurer;
    auto track = ass.read(scriptText(song, settings::ConversionOptions(s), header, settings::CreditOptions{},
                                     SongInfoLabels{}, measurer));
    ASSERT_NE(track, nullptr);
    std::unique_ptr<ASS_Renderer, void (*)(ASS_Renderer*)> renderer(ass_renderer_init(ass.library), ass_renderer_done);
    ASSERT_NE(renderer, nullptr);
    ass_set_frame_size(renderer.get(), 640, 480);
    ass_set_fonts(renderer.get(), nullptr, "DejaVu Sans", ASS_FONTPROVIDER_AUTODETECT, nullptr, 1);

    struct Box {
        int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    };
    auto inked = [&](long long ms) {
        Box b;
        for (ASS_Image* img = ass_render_frame(renderer.get(), track.get(), ms, nullptr); img; img = img->next) {
            for (int y = 0; y < img->h; ++y)
                for (int x = 0; x < img->w; ++x) {
                    if (img->bitmap[y * img->stride + x] < 128) continue;
                    b.left = std::min(b.left, img->dst_x + x);
                    b.right = std::max(b.right, img->dst_x + x);
                    b.top = std::min(b.top, img->dst_y + y);
                    b.bottom = std::max(b.bottom, img->dst_y + y);
                }
        }
        return b;
    };

    EXPECT_EQ(inked(500).right, -1) << "nothing before the line's start";
    EXPECT_EQ(inked(4500).right, -1) << "nothing after its end";
    Box b = inked(1500);
    // Outline 3 px around the glyphs; the bottom edge is the line's descent
    // below the baseline of the capitals.
    EXPECT_GE(b.left, 100 - 4);
    EXPECT_LE(b.left, 100 + 4);
    EXPECT_LE(b.bottom, 300 + 3);
    EXPECT_GE(b.bottom, 300 - 12);
    EXPECT_GE(b.bottom - b.top, 25) << "capitals of a 40 px font";
}

}  // namespace
