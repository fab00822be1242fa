#include "app/lyrics_editing.h"

#include "app/session.h"
#include "common/encoding.h"
#include "lyrics/reader.h"

namespace kvelmor::app {

std::string lyricsEditText(const lyrics::Song& song) {
    std::string text;
    for (int i = 1; i <= song.rawLineCount(); ++i) {
        text += song.RawLyricsTable[i].rawText;
        text += '\n';
    }
    return text;
}

bool applyLyricsEdit(Session& session, std::string_view text) {
    // Read into a fresh table; the song's is replaced only when every line was taken.
    lyrics::LineTable raw;
    const lyrics::LineParser parser{session.settings, session.measurer(), session.settings.isOn("WinAMPTime")};
    int lineNo = 0;
    for (std::string_view line : splitLines(text)) {
        ++lineNo;
        switch (lyrics::appendRawLine(raw, line, parser, lineNo)) {
        case lyrics::AppendResult::Appended: break;
        case lyrics::AppendResult::TooManyLines:
            session.reporter().error(lyrics::kTooManyLinesMessage, kLyricsEditName, lineNo);
            return false;
        case lyrics::AppendResult::TooManySlots:
            session.reporter().error(
                "this line needs more than 300 slots (characters and time tags together); the edit was not applied",
                kLyricsEditName, lineNo);
            return false;
        }
    }
    session.song.RawLyricsTable = std::move(raw);
    session.runFullRefresh();
    return true;
}

}  // namespace kvelmor::app
