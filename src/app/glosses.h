// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// English for the Japanese messages of the checks and presets, so that a
// user who does not read Japanese can follow them: the command line adds
// the English after each line, the window in English shows it instead.

#include <string>
#include <string_view>

namespace kvelmor::app {

// The text with a short English gloss in parentheses after each line that
// is one of the program's Japanese messages.
std::string withEnglishGlosses(std::string_view text);

// The text with each of those lines in English alone: a head with its count
// ("3行あります") becomes "Gloss: 3", an entry "12行目 ..." becomes
// "line 12 ...", "ほか40行" becomes "and 40 more lines". Lines that are not
// such messages (the core's own reports are English) stay as they are.
std::string inEnglish(std::string_view text);

}  // namespace kvelmor::app
