#include "lyrics/lyrics_table.h"

namespace kvelmor::lyrics {

bool LyricLine::appendUnit(LyricUnit u) {
    if (unitCount >= kMaxSlots) return false;
    units.resize(static_cast<size_t>(unitCount) + 1);
    units.push_back(std::move(u));
    ++unitCount;
    return true;
}

LyricLine& LineTable::appendLine() {
    m_lines.emplace_back();
    return m_lines.back();
}

void Song::reset() {
    RawLyricsTable.reset();
    LyricsTable.reset();
    rubyState = kNoRuby;
    songInfo = SongInfo{};
}

}  // namespace kvelmor::lyrics
