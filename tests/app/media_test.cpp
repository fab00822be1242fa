// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/media.h"

#include <gtest/gtest.h>

#include "app/session.h"
#include "measure/fixed_measurer.h"
#include "../media/media_files.h"

using namespace kvelmor;
using namespace kvelmor::app;

namespace {

constexpr int64_t kSecond = 1000000;  // microseconds

media::MediaInfo video(int32_t w, int32_t h, int64_t ax, int64_t ay, std::optional<int64_t> duration) {
    media::MediaInfo i;
    i.hasVideo = true;
    i.width = w;
    i.height = h;
    i.aspectX = ax;
    i.aspectY = ay;
    i.duration = duration;
    return i;
}

media::MediaInfo audio(std::optional<int64_t> duration) {
    media::MediaInfo i;
    i.duration = duration;
    return i;
}

std::string fieldsText(const std::vector<MediaField>& fields) {
    std::string s;
    for (const auto& f : fields) s += (f.credit ? "Form7." : "") + f.name + "=" + f.value + "\n";
    return s;
}

std::string timeText(const TimeFields& t) { return t.hours + "|" + t.minutes + "|" + t.seconds; }

const char* const kTitleFields[] = {"titleStartH", "titleStartM", "titleStartS",
                                    "titleEndH",   "titleEndM",   "titleEndS"};

struct ApplyFixture : ::testing::Test {
    settings::ConversionSettings s;
    settings::CreditSettings credit;

    void SetUp() override {
        // Values the probe must either replace or leave alone.
        for (const char* f : kTitleFields) s.setText(f, "7");
        s.setText("mojiScaleX", "1.5");
        for (const char* f : {"titleStartH", "titleStartM", "titleStartS"}) credit.setText(f, "9");
    }
    std::string mainTimes() const {
        std::string t;
        for (const char* f : kTitleFields) t += s.text(f) + "|";
        return t;
    }
    std::string creditTimes() const {
        return credit.text("titleStartH") + "|" + credit.text("titleStartM") + "|" + credit.text("titleStartS") + "|" +
               credit.text("titleEndH") + "|" + credit.text("titleEndM") + "|" + credit.text("titleEndS");
    }
};

}  // namespace

TEST(SplitMediaTime, HoursMinutesSecondsWithoutHundredths) {
    struct Case {
        int64_t cs;
        const char* fields;
        const char* why;
    };
    const std::vector<Case> cases = {
        {0, "0|00|00", "nothing"},
        {99, "0|00|00", "hundredths are cut, not rounded"},
        {24567, "0|04|05", "4 minutes 5.67 seconds"},
        {359999, "0|59|59", "just under an hour"},
        {360000, "1|00|00", "the hour rolls over"},
        {3599999, "9|59|59", "the last time of one hour digit"},
        {3600000, "10|00|00", "ten hours keep both digits"},
        {-100, "0|00|00", "a time before the start is the start"},
    };
    for (const auto& c : cases) EXPECT_EQ(timeText(splitMediaTime(c.cs)), c.fields) << c.why;
}

TEST_F(ApplyFixture, WidePixelsSetFrameScaleAndCreditEnd) {
    MediaFieldWrites w = applyMediaInfo(video(720, 480, 16, 9, 245678000), s, credit);
    EXPECT_EQ(fieldsText(w.fields),
              "dispWidth=720\ndispHeight=480\nmojiScaleX=1.1851851851851851\n"
              "Form7.titleEndH=0\nForm7.titleEndM=04\nForm7.titleEndS=05\n");
    EXPECT_EQ(s.text("dispWidth"), "720");
    EXPECT_EQ(s.text("dispHeight"), "480");
    EXPECT_EQ(s.real("mojiScaleX"), 32.0 / 27.0);
    EXPECT_EQ(creditTimes(), "9|9|9|0|04|05");  // the credit's start is not the probe's
    EXPECT_EQ(mainTimes(), "7|7|7|7|7|7|");      // MediaTimeCheck is clear
    // dispWidth's stages, then nothing new from dispHeight's.
    EXPECT_EQ(w.stages, (std::vector<int>{4, 11, 12, 14, 17}));
}

TEST_F(ApplyFixture, ScaleIsTheFramesWidthOverItsStoredWidth) {
    struct Case {
        media::MediaInfo info;
        const char* scale;
        const char* why;
    };
    const std::vector<Case> cases = {
        {video(1280, 720, 16, 9, kSecond), "1", "square pixels"},
        {video(720, 576, 4, 3, kSecond), "1.0666666666666667", "PAL 4:3, pixels 16:15"},
        {video(720, 576, 16, 9, kSecond), "1.4222222222222223", "PAL 16:9, pixels 64:45"},
        {video(720, 480, 0, 0, kSecond), "1", "the pixel shape is unknown"},
        {video(720, 480, 16, 0, kSecond), "1", "one term is 0"},
        {audio(kSecond), "1", "no video at all"},
    };
    for (const auto& c : cases) {
        s.setText("mojiScaleX", "1.5");
        applyMediaInfo(c.info, s, credit);
        EXPECT_EQ(s.text("mojiScaleX"), c.scale) << c.why;
    }
}

TEST_F(ApplyFixture, MediaTimeCheckAlsoSetsTheTitleTimes) {
    s.setText("MediaTimeCheck", "1");
    struct Case {
        int64_t duration;   // microseconds
        std::string start;  // titleStartH|M|S
        std::string end;    // titleEndH|M|S
        const char* why;
    };
    const std::vector<Case> cases = {
        {245678000, "0|04|00", "0|04|05", "the titles start 5 seconds before the end"},
        {3500000, "0|00|00", "0|00|03", "5 seconds or less start at 0"},
        {5000000, "0|00|00", "0|00|05", "exactly 5 seconds"},
        {5009999, "0|00|00", "0|00|05", "5.00 and a bit: 0 centiseconds are left"},
        {6000000, "0|00|01", "0|00|06", "one second left"},
        {3600000000, "0|59|55", "1|00|00", "the start goes back over the hour"},
    };
    for (const auto& c : cases) {
        applyMediaInfo(video(640, 480, 4, 3, c.duration), s, credit);
        EXPECT_EQ(mainTimes(), c.start + "|" + c.end + "|") << c.why;
        EXPECT_EQ(creditTimes(), "9|9|9|" + c.end) << c.why;  // the credit's start is not the probe's
    }
    MediaFieldWrites w = applyMediaInfo(video(640, 480, 4, 3, 245678000), s, credit);
    EXPECT_EQ(fieldsText(w.fields),
              "dispWidth=640\ndispHeight=480\nmojiScaleX=1\n"
              "Form7.titleEndH=0\nForm7.titleEndM=04\nForm7.titleEndS=05\n"
              "titleEndH=0\ntitleEndM=04\ntitleEndS=05\ntitleStartH=0\ntitleStartM=04\ntitleStartS=00\n");
}

TEST_F(ApplyFixture, AudioOnlyKeepsTheFrameAndStillTakesTheTimes) {
    s.setText("dispWidth", "1280");
    s.setText("dispHeight", "720");
    s.setText("MediaTimeCheck", "1");
    MediaFieldWrites w = applyMediaInfo(audio(65 * kSecond), s, credit);
    EXPECT_EQ(s.text("dispWidth"), "1280");
    EXPECT_EQ(s.text("dispHeight"), "720");
    EXPECT_EQ(s.text("mojiScaleX"), "1");
    EXPECT_EQ(mainTimes(), "0|01|00|0|01|05|");
    EXPECT_EQ(creditTimes(), "9|9|9|0|01|05");
    EXPECT_EQ(w.stages, std::vector<int>{});  // nothing that moves the lines
}

TEST_F(ApplyFixture, UnknownLengthLeavesEveryTime) {
    s.setText("MediaTimeCheck", "1");
    MediaFieldWrites w = applyMediaInfo(video(320, 240, 4, 3, std::nullopt), s, credit);
    EXPECT_EQ(fieldsText(w.fields), "dispWidth=320\ndispHeight=240\nmojiScaleX=1\n");
    EXPECT_EQ(mainTimes(), "7|7|7|7|7|7|");
    EXPECT_EQ(creditTimes(), "9|9|9|0|00|00");
}

namespace {

struct ProbeFixture : ::testing::Test {
    CollectingReporter reporter;
    measure::FixedMeasurer measurer;
    Session session{reporter, measurer};
    std::vector<int> ran;

    void SetUp() override {
        StageTable t;
        for (int i = 0; i <= kStageCount; ++i) t[static_cast<size_t>(i)] = [this, i](Session&) { ran.push_back(i); };
        session.setStageTable(t);
        session.appState.mediaPath = "/where/it/was";
    }
};

std::string testName() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

}  // namespace

TEST_F(ProbeFixture, ProbeWritesTheSettingsRunsTheStagesAndRemembersTheFolder) {
    KVELMOR_NEED_FFMPEG();
    test::MediaFolder dir("app_media_" + testName());
    std::string path = dir.make("ntsc.mp4", test::testVideo("720x480", "2") + " -vf setsar=32/27 -c:v mpeg4");
    ASSERT_FALSE(path.empty());
    session.settings.setText("MediaTimeCheck", "1");
    auto result = probeMedia(session, path);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(reporter.reports.size(), 0u);
    EXPECT_EQ(result->path, path);
    EXPECT_EQ(result->info.width, 720);
    EXPECT_EQ(fieldsText(result->fields),
              "dispWidth=720\ndispHeight=480\nmojiScaleX=1.1851851851851851\n"
              "Form7.titleEndH=0\nForm7.titleEndM=00\nForm7.titleEndS=02\n"
              "titleEndH=0\ntitleEndM=00\ntitleEndS=02\ntitleStartH=0\ntitleStartM=00\ntitleStartS=00\n");
    EXPECT_EQ(session.settings.text("dispWidth"), "720");
    EXPECT_EQ(session.appState.credit.text("titleEndS"), "02");
    EXPECT_EQ(ran, (std::vector<int>{4, 11, 12, 14, 17}));  // the song is laid out for the new frame, once
    EXPECT_EQ(session.appState.mediaPath, dir.path().string());
}

TEST_F(ProbeFixture, AFileThatIsNotMediaChangesNothing) {
    KVELMOR_NEED_FFMPEG();
    test::MediaFolder dir("app_media_" + testName());
    std::string path = dir.write("song.mp4", "[00:01:00]あ\r\n");
    session.settings.setText("MediaTimeCheck", "1");
    settings::ConversionSettings before = session.settings;
    auto creditBefore = session.appState.credit.values();
    EXPECT_EQ(probeMedia(session, path).has_value(), false);
    for (const auto& def : settings::settingTable())
        EXPECT_EQ(session.settings.text(def.field), before.text(def.field)) << def.field;
    EXPECT_EQ(session.appState.credit.values(), creditBefore);
    EXPECT_EQ(session.appState.mediaPath, "/where/it/was");
    EXPECT_EQ(ran, std::vector<int>{});
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].file, path);
}

TEST_F(ProbeFixture, UnknownLengthIsAWarningNamingTheFile) {
    KVELMOR_NEED_FFMPEG();
    test::MediaFolder dir("app_media_" + testName());
    std::string path = dir.make("bare.h264", test::testVideo("320x240", "1") + " -c:v libx264 -f h264");
    ASSERT_FALSE(path.empty());
    auto result = probeMedia(session, path);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(session.settings.text("dispWidth"), "320");
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].severity, Severity::Warning);
    EXPECT_EQ(reporter.reports[0].file, path);
}
