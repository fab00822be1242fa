// SPDX-License-Identifier: GPL-3.0-or-later
// The whole way from a lyrics file to the script text: the reader, the full
// refresh, a later change of one setting (as a user makes it), the template
// expansion and the writer, under settings taken from the first bytes. The
// written script must keep the rules renderers rely on (support/script_rules.h).
//
// Input: 16 bytes of settings, then the bytes of a lyrics file, optionally
// followed by a line "[[settings]]" and a settings file read at start-up,
// and by a line "[[set]]" and lines FIELD=VALUE applied as --set applies
// them, so that every value a user can hand over, in range or not, reaches
// the layout and the writer.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/session.h"
#include "common/encoding.h"
#include "effects/templates.h"
#include "fuzz_input.h"
#include "measure/fixed_measurer.h"
#include "layout/timing.h"
#include "lyrics/kra_writer.h"
#include "lyrics/reader.h"
#include "settings/conversion_settings.h"
#include "script/script_writer.h"
#include "support/script_rules.h"

using namespace kvelmor;

namespace {

// The bytes applySettings and the field change after the load take.
constexpr int kSettingBytes = 16;

std::string flag(bool on) { return on ? "1" : "0"; }

void applySettings(app::Session& session, fuzz::FuzzInput& in) {
    auto& s = session.settings;
    auto set = [&s](const char* name, const std::string& value) { s.setAsUser(name, value); };

    const uint8_t b0 = in.byte();
    const uint8_t b1 = in.byte();
    const uint8_t b2 = in.byte();
    const uint8_t b3 = in.byte();
    // A built-in effect sample first: it sets KaraokeWipe and posNo, which
    // the bits below may change again.
    if (b3 % 16 < effects::kBuiltInSampleCount) session.samples.applySample(b3 % 16, s);
    set("wipe", std::to_string(b0 & 7));
    set("KaraokeWipe", flag(in.bit(b0, 3)));
    set("posNo", flag(in.bit(b0, 4)));
    set("kintouCheck", flag(in.bit(b0, 5)));
    set("MojiSize", flag(in.bit(b0, 6)));
    set("kaigyo", flag(in.bit(b0, 7)));
    set(in.bit(b1, 0) ? "DisplayType2" : "DisplayType1", "1");
    set("LowerCheck", flag(in.bit(b1, 1)));
    set("LyricsDisp", flag(in.bit(b1, 2)));
    set("WinAMPTime", flag(in.bit(b1, 3)));
    set("spaceTime", flag(in.bit(b1, 4)));
    set("setXpositon", flag(in.bit(b1, 5)));
    set("fadeInCheck", flag(in.bit(b1, 6)));
    set("fadeOutCheck", flag(in.bit(b1, 7)));
    set("LineNumber", std::to_string((b2 & 15) % 10));
    set("ExColor", std::to_string((b2 >> 4) % 5));
    set((b3 >> 4) & 1 ? "Optionalign2" : "Optionalign1", "1");
    set((b3 >> 5) & 1 ? "Optionalign9" : "Optionalign8", "1");
    set((b3 >> 6) & 1 ? "Oneline3" : "Oneline2", "1");
    set("upTime", std::to_string(in.int16()));  // centiseconds, either sign
    set("preTime", std::to_string(in.byte() * 2));
    set("aftTime", std::to_string(static_cast<int8_t>(in.byte()) * 2));  // a typed "-40" is kept
    set("LyricsDispTime", std::to_string(in.byte()));
    const uint8_t spaces = in.byte();
    set("spaceTimePre", std::to_string((spaces & 15) * 5));
    set("spaceTimeAft", std::to_string((spaces >> 4) * 5));
    set("dispWidth", std::to_string(static_cast<uint16_t>(in.int16()) % 2000));
    set("MarginL", std::to_string(static_cast<int8_t>(in.byte())));
    const uint8_t b13 = in.byte();
    set("MarginR", std::to_string(b13 & 63));
    set("StyleNumber", std::to_string((b13 >> 6) % 3 + 1));
}

// One field changed after the load, with the stages it runs.
void changeOneField(app::Session& session, uint8_t which, uint8_t value) {
    static const char* const kFields[] = {
        "preTime",  "aftTime",     "upTime",       "LineNumber",  "DisplayType2", "DisplayType1",
        "kaigyo",   "dispWidth",   "LowerCheck",   "WinAMPTime",  "spaceTime",    "Optionalign2",
        "MarginL",  "ssaFontSize", "rubyFontSize", "StyleNumber", "MojiSize",     "songInfoCheck",
    };
    constexpr size_t kCount = sizeof kFields / sizeof kFields[0];
    if (which >= kCount) return;  // most inputs change nothing after the load
    const std::string field = kFields[which];
    std::string text = std::to_string(value);
    if (field == "upTime" || field == "aftTime" || field == "MarginL")
        text = std::to_string(static_cast<int8_t>(value));  // either sign
    if (field == "LineNumber") text = std::to_string(value % 10);
    if (field.starts_with("Display") || field.starts_with("Optionalign")) text = "1";
    if (field == "kaigyo" || field == "LowerCheck" || field == "WinAMPTime" || field == "spaceTime" ||
        field == "MojiSize" || field == "songInfoCheck")
        text = flag(value & 1);
    session.setField(field, text);
}

// The user's text with its braces turned into angle brackets: every brace
// of the script is then one the program wrote, which the rules check.
std::string withoutBraces(std::string_view userText) {
    std::string text(userText);
    for (char& c : text) {
        if (c == '{') c = '<';
        if (c == '}') c = '>';
    }
    return text;
}

// Cuts `text` at the first line `marker`; `after` receives what follows it.
std::string_view cutAt(std::string_view text, std::string_view marker, std::string_view& after) {
    const size_t at = text.find(marker);
    if (at == std::string_view::npos) {
        after = {};
        return text;
    }
    after = text.substr(at + marker.size());
    return text.substr(0, at);
}

// FIELD=VALUE lines, each applied as --set applies it: a value the field's
// keys or range refuse is refused, and the rest is set as the user sets it.
void applySetLines(app::Session& session, std::string_view lines) {
    for (std::string_view line : splitLines(lines)) {
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos || eq == 0) continue;
        const settings::SettingDef* def = settings::findSetting(line.substr(0, eq));
        if (!def || !settings::refusedValue(*def, line.substr(eq + 1)).empty()) continue;
        session.setField(def->name, std::string(line.substr(eq + 1)));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzInput in(data, size);
    NullReporter reporter;
    measure::FixedMeasurer measurer;
    app::Session session(reporter, measurer);
    session.setStageTable(app::standardStages());
    // The settings file is read at start-up, before the settings of the
    // first bytes are made as the user makes them, so it is found first.
    fuzz::FuzzInput ahead = in;
    for (int i = 0; i < kSettingBytes; ++i) ahead.byte();
    std::string_view settingsPart, setPart;
    const std::string_view lyricsBytes = cutAt(ahead.rest(), "\n[[settings]]\n", settingsPart);
    settingsPart = cutAt(settingsPart, "\n[[set]]\n", setPart);
    // Braces in templates are the user's text, as in the lyrics below.
    const std::string settingsFile = withoutBraces(settingsPart), setLines = withoutBraces(setPart);
    session.startUpFromText("fuzz.ini", settingsFile);
    applySettings(session, in);
    const uint8_t which = in.byte();
    const uint8_t value = in.byte();
    if (in.rest().data() != ahead.rest().data()) std::abort();  // kSettingBytes is out of date
    applySetLines(session, setLines);

    // Braces in the lyrics are the user's text; they are kept out so that
    // every brace of the script is one the program wrote.
    const std::string text = withoutBraces(decodeText(lyricsBytes).utf8);
    if (!lyrics::loadLyricsText(session.song, text, "fuzz.txt", session.settings, measurer, reporter).ok) return 0;
    session.runFullRefresh();
    changeOneField(session, which, value);

    // The write command, as Session::writeScript runs it, into memory.
    const settings::ConversionOptions& o = session.options();
    layout::applyNewLinePriority(session.song, o);
    if (effects::estimateScriptSize(session.song, o).bytes > effects::kMaxScriptBytes) return 0;
    effects::expandTemplates(session.song, o);
    const std::string script = script::scriptText(session.song, o, session.header, o.credit,
                                                  script::readSongInfoLabels(session.ini), measurer);
    if (const auto bad = testing::scriptViolations(script); !bad.empty()) {
        std::fprintf(stderr, "the script breaks a renderer rule:\n%s", testing::describe(bad).c_str());
        std::abort();
    }
    (void)lyrics::kraFileText(session.song);
    return 0;
}
