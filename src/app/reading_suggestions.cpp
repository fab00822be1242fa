// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/reading_suggestions.h"

#include <algorithm>

#include "app/ruby_editing.h"
#include "app/lyrics_editing.h"
#include "app/session.h"
#include "common/encoding.h"
#include "layout/placement.h"
#include "readings/analyzer.h"
#include "readings/song_readings.h"
#include "readings/suggest.h"

namespace kvelmor::app {
namespace {

// The placements of one working line.
std::vector<readings::RubyPlacement> placementsFor(readings::Analyzer& analyzer, const lyrics::LyricLine& line,
                                                   std::vector<std::string>& unread) {
    const readings::LineSuggestions s = readings::suggestReadings(analyzer, toU32(line.plainText));
    for (const std::string& w : s.unread)
        if (std::find(unread.begin(), unread.end(), w) == unread.end()) unread.push_back(w);
    return readings::placeSuggestions(line, s);
}

// Stores a placement as the ruby editor stores a typed reading.
void store(Session& session, lyrics::LyricLine& line, const readings::RubyPlacement& p) {
    const int32_t width =
        layout::rubyTextWidth(session.measurer(), layout::rubyFont(session.options()), p.reading);
    storeRuby(line, p.slot, p.reading, p.span, width);
}

std::string joinedWords(const std::vector<std::string>& words) {
    std::string out;
    for (const std::string& w : words) out += (out.empty() ? "" : "、") + w;
    return out;
}

}  // namespace

std::string missingDictionaryMessage(const std::string& why) {
    return "読み候補には MeCab と辞書が必要です。パッケージ libmecab2 と mecab-ipadic-utf8 をインストールしてください。\n(" +
           why + ")";
}

readings::Analyzer* sharedAnalyzer(std::string& failure) {
    static std::unique_ptr<readings::Analyzer> analyzer;
    static std::string why;
    if (!analyzer && why.empty()) analyzer = readings::Analyzer::open(why);
    failure = why;
    return analyzer.get();
}

bool RubySuggestions::suggestLine(int line) { return suggest(line, line); }

bool RubySuggestions::suggestAll() { return suggest(1, m_session.song.lineCount()); }

bool RubySuggestions::suggest(int first, int last) {
    std::string failure;
    readings::Analyzer* analyzer = sharedAnalyzer(failure);
    m_notice.clear();
    if (analyzer == nullptr) {
        m_notice = missingDictionaryMessage(failure);
        return false;
    }
    std::vector<std::string> unread;
    for (int i = std::max(first, 1); i <= last && i <= m_session.song.lineCount(); ++i) {
        lyrics::LyricLine& line = m_session.song.workLines[i];
        for (const readings::RubyPlacement& p : placementsFor(*analyzer, line, unread)) {
            store(m_session, line, p);
            m_pending.push_back({i, p.slot, p.span, p.reading});
        }
    }
    if (!unread.empty()) m_notice = kUnreadWordsMessage + joinedWords(unread);
    return true;
}

bool RubySuggestions::stillThere(const Pending& p) const {
    if (p.line < 1 || p.line > m_session.song.lineCount()) return false;
    const lyrics::LyricLine& line = m_session.song.workLines[p.line];
    if (p.slot < 1 || p.slot > line.unitCount) return false;
    const lyrics::SlotRuby& r = line.unit(p.slot).rubyFields();
    return r.ruby == p.reading && r.rubySpan == p.span;
}

bool RubySuggestions::isPending(int line, int slot) const {
    return std::any_of(m_pending.begin(), m_pending.end(),
                       [&](const Pending& p) { return p.line == line && p.slot == slot && stillThere(p); });
}

bool RubySuggestions::accept(int line, int slot) {
    // A suggestion's characters lie in one syllable: slots slot .. slot + span - 1.
    auto it = std::find_if(m_pending.begin(), m_pending.end(), [&](const Pending& p) {
        return p.line == line && slot >= p.slot && slot < p.slot + std::max(p.span, 1) && stillThere(p);
    });
    if (it == m_pending.end()) return false;
    m_pending.erase(it);
    return true;
}

int RubySuggestions::acceptAll() {
    const int n = pendingCount();
    m_pending.clear();
    return n;
}

int RubySuggestions::dropPending() {
    int n = 0;
    for (const Pending& p : m_pending) {
        if (!stillThere(p)) continue;
        m_session.song.workLines[p.line].unit(p.slot).rubyHolder.clear();
        ++n;
    }
    m_pending.clear();
    return n;
}


int RubySuggestions::pendingCount() const {
    return static_cast<int>(std::count_if(m_pending.begin(), m_pending.end(),
                                          [this](const Pending& p) { return stillThere(p); }));
}

SongReadingsResult fillSongReadings(Session& session) {
    SongReadingsResult result;
    std::string failure;
    readings::Analyzer* analyzer = sharedAnalyzer(failure);
    if (analyzer == nullptr) {
        session.reporter().error(missingDictionaryMessage(failure), session.song.lyricsPath);
        return result;
    }
    result.available = true;
    std::vector<std::string> unread;
    for (int i = 1; i <= session.song.lineCount(); ++i) {
        lyrics::LyricLine& line = session.song.workLines[i];
        for (const readings::RubyPlacement& p : placementsFor(*analyzer, line, unread)) {
            store(session, line, p);
            ++result.added;
        }
    }
    result.unread = static_cast<int>(unread.size());
    if (!unread.empty())
        session.reporter().warning(kUnreadWordsMessage + joinedWords(unread), session.song.lyricsPath);
    if (result.added > 0) {
        keepReadingsInReadLines(session);
        session.runStages({14, 15});  // ruby placement and ruby timing
        session.song.rubyState = lyrics::kRubyAssigned;
        session.lyricsEdited = true;  // the readings reach a file only when the lyrics are saved
    }
    return result;
}

}  // namespace kvelmor::app
