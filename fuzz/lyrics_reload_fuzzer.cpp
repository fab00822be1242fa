// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a lyrics text again after an edit, only its changed lines parsed
// (the timing editor's preview after every mark), must leave the song, the
// settings and so the script exactly as reading the edited text whole does.
//
// Input: 4 bytes of choices, then the bytes of a lyrics file. The choices are
// the time correction and the full-width spaces setting, where the edit
// falls (a fraction of the text) and what it writes there: one byte
// replaced, a byte put in, one taken out, or a line break put in.

#include <cstdlib>
#include <string>

#include "app/session.h"
#include "fuzz_input.h"
#include "lyrics/reader.h"
#include "measure/fixed_measurer.h"

using namespace kvelmor;

namespace {

struct Converter {
    NullReporter reporter;
    measure::FixedMeasurer measurer;
    app::Session session{reporter, measurer};
};

std::string edited(std::string text, uint8_t where, uint8_t what) {
    if (text.empty()) return text;
    const size_t at = text.size() * where / 256;
    const char c = static_cast<char>('0' + what % 10);
    switch (what / 64) {
    case 0: text[at] = c; break;
    case 1: text.insert(at, 1, c); break;
    case 2: text.erase(at, 1); break;
    default: text.insert(at, 1, '\n'); break;
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzInput in(data, size);
    const uint8_t flags = in.byte();
    const uint8_t where = in.byte();
    const uint8_t what = in.byte();
    const uint8_t again = in.byte();
    const std::string text(in.rest());
    const std::string edit = edited(text, where, what);
    Converter quick, whole;
    for (Converter* c : {&quick, &whole}) {
        c->session.settings.setAsUser("WinAMPTime", (flags & 1) ? "1" : "0");
        c->session.settings.setAsUser("MojiSize", (flags & 2) ? "1" : "0");
    }
    lyrics::LyricsReloader reader;
    // The edit, and with `again` a second edit on top of it.
    std::vector<std::string> texts{text, edit};
    if (again & 1) texts.push_back(edited(edit, static_cast<uint8_t>(where ^ again), static_cast<uint8_t>(what + again)));
    for (const std::string& t : texts) {
        reader.load(quick.session.song, t, "song.txt", quick.session.settings, quick.measurer, quick.reporter);
        lyrics::loadLyricsText(whole.session.song, t, "song.txt", whole.session.settings, whole.measurer,
                               whole.reporter);
    }
    if (!(quick.session.settings == whole.session.settings)) std::abort();
    quick.session.runFullRefresh();
    whole.session.runFullRefresh();
    if (quick.session.scriptText() != whole.session.scriptText()) std::abort();
    return 0;
}
