// SPDX-License-Identifier: GPL-3.0-or-later
// The bracket arithmetic and the template expansion with templates of any
// text. A group's value is the group's own text, the empty text or a plain
// 32-bit whole number; the expanded templates go through the writer, whose
// event times must stay readable and in order (braces are the user's here).
//
// Input: one byte of settings, then lines: a bracket group's contents, the
// line template (commandLine), the character template (commandChar), and the
// lyrics (a small song when there are none).

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#include "app/session.h"
#include "common/encoding.h"
#include "effects/expression.h"
#include "effects/templates.h"
#include "fuzz_input.h"
#include "measure/fixed_measurer.h"
#include "lyrics/reader.h"
#include "script/script_writer.h"
#include "support/script_rules.h"

using namespace kvelmor;

namespace {

constexpr std::string_view kSong =
    "@title=fuzz\n"
    "[00:01:00]夜[00:01:50]空[00:02:00]([00:02:00]よぞら[00:02:80])[00:02:80]の[00:03:00]星[00:03:40]\n"
    "[00:03:20]a b[00:03:60]c  d[00:04:00]\n";

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "%s\n", what.c_str());
    std::abort();
}

std::string_view takeLine(std::string_view& text) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    return line;
}

void checkGroupValue(std::string_view group) {
    const std::string value = effects::evaluateExpression(group);
    if (value.empty() || value == group) return;
    int64_t v = 0;
    const auto r = std::from_chars(value.data(), value.data() + value.size(), v);
    if (r.ec != std::errc() || r.ptr != value.data() + value.size() || std::to_string(v) != value ||
        v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        fail("[" + std::string(group) + "] gives \"" + value + "\", not a 32-bit whole number");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzInput in(data, size);
    const uint8_t flags = in.byte();
    std::string_view rest = in.rest();
    const std::string_view group = takeLine(rest);
    const std::string_view lineTemplate = takeLine(rest);
    const std::string_view charTemplate = takeLine(rest);

    checkGroupValue(group);
    (void)effects::expandBrackets(group);

    NullReporter reporter;
    measure::FixedMeasurer measurer;
    app::Session session(reporter, measurer);
    session.setStageTable(app::standardStages());
    auto& s = session.settings;
    s.setAsUser("wipe", std::to_string(flags & 7));
    s.setAsUser("KaraokeWipe", (flags >> 3) & 1 ? "1" : "0");
    s.setAsUser("kintouCheck", (flags >> 4) & 1 ? "1" : "0");
    s.setAsUser("posNo", (flags >> 5) & 1 ? "1" : "0");
    s.setAsUser("ExColor", std::to_string((flags >> 6) % 5));
    s.setText("commandLine", std::string(lineTemplate));
    s.setText("commandChar", std::string(charTemplate));

    const std::string lyricsText = rest.empty() ? std::string(kSong) : decodeText(rest).utf8;
    if (!lyrics::loadLyricsText(session.song, lyricsText, "fuzz.txt", s, measurer, reporter).ok) return 0;
    session.runFullRefresh();
    const settings::ConversionOptions& o = session.options();
    effects::expandTemplates(session.song, o);
    const std::string script = script::scriptText(session.song, o, session.header, o.credit,
                                                  script::readSongInfoLabels(session.ini), measurer);
    if (const auto bad = testing::scriptViolations(script, false); !bad.empty())
        fail("the script breaks a renderer rule:\n" + testing::describe(bad));
    return 0;
}
