// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The media probe as the program uses it: the frame size, pixel shape and
// length of the video a script will be shown over, written into the
// settings so that the script matches it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "media/media_probe.h"
#include "settings/app_state.h"
#include "settings/conversion_settings.h"

namespace kvelmor::app {

class Session;

// One field the probe wrote, with the value it holds now.
struct MediaField {
    std::string name;     // a main-window field; with `credit`, a field of the credit settings
    std::string value;
    bool credit = false;
};

// The fields written, in the order written, and the refresh stages their
// changes run (each stage once, in the order first asked for).
struct MediaFieldWrites {
    std::vector<MediaField> fields;
    std::vector<int> stages;
};

// A time as the hour, minute and second fields take it: 24567 centiseconds
// gives "0", "04", "05". The hundredths are cut off, never rounded. Hours
// keep all their digits (ten hours and more give "10" and up).
struct TimeFields {
    std::string hours;
    std::string minutes;
    std::string seconds;
};
TimeFields splitMediaTime(int64_t centiseconds);

// Writes what was read into the settings, each field as the user would set it:
//   dispWidth, dispHeight      the frame size; left as they are without video
//   mojiScaleX                 aspectX × height / (aspectY × width) as decimal
//                              text, "1" when the pixel shape is unknown or
//                              there is no video
//   credit titleEndH, M, S     the length, cut to whole seconds
// and, while MediaTimeCheck is ticked:
//   titleEndH, M, S            the same three values
//   titleStartH, M, S          the length less 5 seconds, 0 for 5 seconds or less
// A length the file does not tell leaves all the times as they are.
MediaFieldWrites applyMediaInfo(const media::MediaInfo& info, settings::ConversionSettings& s,
                                settings::CreditSettings& credit);

struct MediaProbeResult {
    std::string path;  // as given
    media::MediaInfo info;
    std::vector<MediaField> fields;  // as applyMediaInfo wrote them
};

// `probeMedia`: reads the media file, writes its values into the session's
// settings and credit settings, runs the refresh stages the changes call for
// and remembers the file's folder as mediaPath. Nothing, with nothing
// changed, when the file cannot be read; the reason is reported naming the
// file. An unknown length is reported as a warning.
std::optional<MediaProbeResult> probeMedia(Session& session, const std::string& path);

}  // namespace kvelmor::app
