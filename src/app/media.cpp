// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/media.h"

#include <algorithm>
#include <filesystem>

#include "app/refresh.h"
#include "app/session.h"
#include "common/file_io.h"
#include "common/number_text.h"

namespace kvelmor::app {
namespace {

// The titles start this long before the end of the media.
constexpr int64_t kTitleLead = 500;  // centiseconds

std::string twoDigits(int64_t v) { return (v < 10 ? "0" : "") + std::to_string(v); }

class FieldWriter {
public:
    FieldWriter(settings::ConversionSettings& s, settings::CreditSettings& credit) : m_settings(s), m_credit(credit) {}

    void setting(const std::string& name, const std::string& value) {
        settings::Change c = m_settings.setAsUser(name, value);
        for (int stage : stagesFor(c.refresh))
            if (std::find(m_out.stages.begin(), m_out.stages.end(), stage) == m_out.stages.end())
                m_out.stages.push_back(stage);
        // The value as the field now holds it, which the window shows.
        m_out.fields.push_back({name, m_settings.text(name), false});
    }
    void creditField(const std::string& name, const std::string& value) {
        m_credit.setText(name, value);
        m_out.fields.push_back({name, value, true});
    }
    MediaFieldWrites take() { return std::move(m_out); }

private:
    settings::ConversionSettings& m_settings;
    settings::CreditSettings& m_credit;
    MediaFieldWrites m_out;
};

// The frame's width over its stored width, as the text of mojiScaleX.
std::string scaleText(const media::MediaInfo& info) {
    if (!info.hasVideo || info.aspectX <= 0 || info.aspectY <= 0) return "1";
    // Each product is a whole number well inside a double's exact range, so
    // the one division rounds once: 16:9 at 720 × 480 gives exactly 32 / 27.
    double num = static_cast<double>(info.aspectX) * info.height;
    double den = static_cast<double>(info.aspectY) * info.width;
    return realToText(num / den);
}

}  // namespace

TimeFields splitMediaTime(int64_t centiseconds) {
    int64_t seconds = std::max<int64_t>(centiseconds, 0) / 100;
    return {std::to_string(seconds / 3600), twoDigits(seconds / 60 % 60), twoDigits(seconds % 60)};
}

MediaFieldWrites applyMediaInfo(const media::MediaInfo& info, settings::ConversionSettings& s,
                                settings::CreditSettings& credit) {
    // The fields are written by their names, as the window would write them;
    // what they hold is read back as options.
    FieldWriter w(s, credit);
    if (info.hasVideo) {
        const settings::ConversionOptions::Frame old = settings::ConversionOptions(s).frame;
        w.setting("dispWidth", std::to_string(info.width));
        w.setting("dispHeight", std::to_string(info.height));
        const settings::ConversionOptions::Frame now = settings::ConversionOptions(s).frame;
        credit.followFrame(old.width, old.height, now.width, now.height);
    }
    w.setting("mojiScaleX", scaleText(info));
    if (info.duration) {
        const int64_t length = *info.duration / 10000;  // µs to centiseconds, cut
        TimeFields end = splitMediaTime(length);
        w.creditField("titleEndH", end.hours);
        w.creditField("titleEndM", end.minutes);
        w.creditField("titleEndS", end.seconds);
        if (settings::ConversionOptions(s).output.mediaTime) {
            w.setting("titleEndH", end.hours);
            w.setting("titleEndM", end.minutes);
            w.setting("titleEndS", end.seconds);
            TimeFields start = splitMediaTime(length > kTitleLead ? length - kTitleLead : 0);
            w.setting("titleStartH", start.hours);
            w.setting("titleStartM", start.minutes);
            w.setting("titleStartS", start.seconds);
        }
    }
    return w.take();
}

std::optional<MediaProbeResult> probeMedia(Session& session, const std::string& path) {
    // Only a regular file is handed to the demuxer: a FIFO would wait for a
    // writer forever and a device such as /dev/zero never ends.
    if (std::string why; !isRegularFile(path, why)) {
        session.reporter().error("cannot read the media file: " + why, path);
        return std::nullopt;
    }
    std::optional<media::MediaInfo> info = media::readMediaInfo(path, session.reporter());
    if (!info) return std::nullopt;
    session.mediaFile = path;
    if (!info->duration)
        session.reporter().warning("the length of the media is unknown, so the times are left as they are", path);
    MediaFieldWrites writes = applyMediaInfo(*info, session.settings, session.appState.credit);
    session.runStages(writes.stages);
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(path, ec);
    session.appState.mediaPath = (ec ? std::filesystem::path(path) : full).parent_path().string();
    return MediaProbeResult{path, *info, std::move(writes.fields)};
}

}  // namespace kvelmor::app
