// SPDX-License-Identifier: GPL-3.0-or-later
// A song's sound decoded through the media module, and its waveform peaks.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "media/song_sound.h"
#include "media/spectrogram.h"
#include "media/waveform.h"
#include "media_files.h"

namespace kvelmor::media {
namespace {

TEST(SongSound, EveryFormatDecodesToTheRateAskedAndClicksLandWhereTheyWere) {
    KVELMOR_NEED_FFMPEG();
    test::MediaFolder folder("song_sound");
    // Clicks of 10 ms every half second for three seconds, at 48 kHz.
    const std::string clicks = "-f lavfi -i \"aevalsrc='if(lt(mod(t\\,0.5)\\,0.01)\\,0.8\\,0)':s=48000:d=3\" ";
    struct Case {
        const char* name;
        const char* options;
    };
    const Case cases[] = {
        {"clicks.wav", ""},
        {"clicks.flac", ""},
        {"clicks.mp3", "-b:a 192k"},
        {"clicks.m4a", "-c:a aac"},
        {"clicks.ogg", "-c:a libvorbis"},
        {"clicks.mkv", "-f lavfi -i color=c=black:s=64x48:d=3 -c:v mpeg4 -c:a mp2 -shortest"},  // a video's sound
    };
    for (const Case& c : cases) {
        const std::string path = folder.make(c.name, clicks + c.options);
        if (path.empty()) {
            ADD_FAILURE() << "ffmpeg could not make " << c.name;
            continue;
        }
        CollectingReporter reports;
        const auto sound = decodeSongSound(path, {}, reports);
        ASSERT_TRUE(sound) << c.name << ": " << (reports.reports.empty() ? "" : reports.reports[0].text);
        EXPECT_EQ(sound->sampleRate, 44100);
        EXPECT_EQ(sound->channels, 2);
        // Encoders add up to a few tens of milliseconds of padding.
        EXPECT_NEAR(sound->durationMillis(), 3000, 80) << c.name;
        const WaveformSummary wave(*sound);
        // One column per millisecond around the second click and between clicks.
        const auto atClick = wave.columns(995, 1015, 20);
        const auto between = wave.columns(1200, 1300, 20);
        float clickHigh = 0, quietHigh = 0;
        for (const Peak& p : atClick) clickHigh = std::max(clickHigh, p.high);
        for (const Peak& p : between) quietHigh = std::max({quietHigh, p.high, -p.low});
        EXPECT_GT(clickHigh, 0.5f) << c.name;
        EXPECT_LT(quietHigh, 0.1f) << c.name;
    }
}

TEST(SongSound, WhatCannotBeDecodedIsReportedNamingTheFile) {
    KVELMOR_NEED_FFMPEG();
    test::MediaFolder folder("song_sound_bad");
    struct Case {
        std::string path;
        std::string reason;
        SoundRequest request;
    };
    const Case cases[] = {
        {folder.write("lyrics.mp3", "not a song at all\n"), "cannot decode the sound", {}},
        {folder.make("video.mp4", "-f lavfi -i color=c=black:s=64x48:d=1 -c:v mpeg4"), "holds no sound", {}},
        {folder.file("missing.wav"), "cannot decode the sound", {}},
        {folder.make("long.wav", "-f lavfi -i anullsrc=r=8000:cl=mono -t 130"), "more than 2 minutes",
         {44100, 2, 120}},
    };
    for (const Case& c : cases) {
        CollectingReporter reports;
        EXPECT_FALSE(decodeSongSound(c.path, c.request, reports)) << c.path;
        ASSERT_EQ(reports.reports.size(), 1u) << c.path;
        EXPECT_EQ(reports.reports[0].file, c.path);
        EXPECT_NE(reports.reports[0].text.find(c.reason), std::string::npos) << reports.reports[0].text;
    }
}

TEST(Spectrogram, TheLoudestBandFollowsTheNoteSung) {
    // 440 Hz for a second, then 2 kHz, then silence.
    SongSound sound{44100, 2, {}};
    for (int f = 0; f < 44100 * 3; ++f) {
        const double t = f / 44100.0;
        const double hz = t < 1 ? 440 : 2000;
        const auto v = static_cast<float>(t < 2 ? 0.5 * std::sin(2 * M_PI * hz * t) : 0.0);
        sound.samples.push_back(v);
        sound.samples.push_back(v);
    }
    const Spectrogram spectrum(sound);
    struct Case {
        int64_t ms;
        int band;  // the loudest, give or take one; -1: all quiet
    };
    const Case cases[] = {{500, Spectrogram::bandOf(440)}, {1500, Spectrogram::bandOf(2000)}, {2600, -1}};
    for (const Case& c : cases) {
        const uint8_t* levels = spectrum.at(c.ms);
        ASSERT_NE(levels, nullptr) << c.ms;
        const auto loudest = std::max_element(levels, levels + Spectrogram::kBands);
        if (c.band < 0) {
            EXPECT_LT(*loudest, 40) << c.ms;
        } else {
            EXPECT_NEAR(loudest - levels, c.band, 1) << c.ms;  // a bin is 21.5 Hz wide
            EXPECT_GT(*loudest, 200) << c.ms;                  // -6 dB of full scale
        }
    }
    EXPECT_EQ(spectrum.at(3100), nullptr);
}

}  // namespace
}  // namespace kvelmor::media
