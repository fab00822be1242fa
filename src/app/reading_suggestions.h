// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Suggested readings in the working table: the ruby editor's 読み候補 (shown
// apart until the user accepts them) and the whole song filled in at once
// from the main window.

#include <string>
#include <vector>

namespace kvelmor::readings {
class Analyzer;
}

namespace kvelmor::app {

class Session;

// Before the list of words the dictionary does not know.
inline constexpr const char* kUnreadWordsMessage = "読みの分からない語（ルビなし）：";

// The message when MeCab or its dictionary is missing (the window's; `why`
// is the English detail from the loader).
std::string missingDictionaryMessage(const std::string& why);

// The analyser the window's commands share, opened on the first call and
// kept for the rest of the run; nothing (with the reason) when MeCab or
// its dictionary is missing. Opened lazily so that a run that never asks
// for readings never loads MeCab.
readings::Analyzer* sharedAnalyzer(std::string& failure);

// Readings suggested in the ruby editor. They go straight into the working
// table, measured in the ruby font, so the line (and anything drawn from
// the table) shows them at once; until accepted they are pending, and
// dropPending() takes the pending ones out again.
class RubySuggestions {
public:
    explicit RubySuggestions(Session& session) : m_session(session) {}

    // Suggests readings for the kanji of working line `line` (1-based) that
    // have none; false when there is no dictionary. What the user should
    // know (the dictionary missing, the words it does not know) is kept for notice().
    bool suggestLine(int line);
    bool suggestAll();
    // Whether the ruby that starts at `slot` of `line` is a pending suggestion.
    bool isPending(int line, int slot) const;
    // Accepts the pending suggestion over character slot `slot` (the one it
    // starts at or any it covers); false when there is none.
    bool accept(int line, int slot);
    // Accepts every pending suggestion; returns how many.
    int acceptAll();
    // Takes every pending suggestion out of the table; returns how many.
    int dropPending();
    int pendingCount() const;
    // After the last suggestion: the missing dictionary and which packages
    // to install, or the words it could not read (after kUnreadWordsMessage); "" when neither.
    const std::string& notice() const { return m_notice; }

private:
    struct Pending {
        int line;
        int slot;
        int span;
        std::string reading;
    };
    bool suggest(int first, int last);
    bool stillThere(const Pending& p) const;

    Session& m_session;
    std::vector<Pending> m_pending;
    std::string m_notice;
};

// The ファイル menu's 読み候補: every missing reading of the song filled in
// and accepted, then ruby placement and timing run and ruby assigned, as the
// ruby editor's closing does.
struct SongReadingsResult {
    bool available = false;  // the dictionary was there (else reported)
    int added = 0;
    int unread = 0;          // words the dictionary does not know (reported)
};
SongReadingsResult fillSongReadings(Session& session);

}  // namespace kvelmor::app
