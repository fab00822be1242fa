// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Japanese texts of the core's messages. The core reports in English,
// which the command line prints as it is; the window, whose every word is
// Japanese, shows the same reports through these functions. A message made
// of fixed words around names and numbers is matched with its holes, and
// the parts in the holes (an operating system's reason, a nested message)
// are put into Japanese in turn where they are known. A text without a
// Japanese form is shown as it is (file names, texts already in Japanese).

#include <string>
#include <string_view>

#include "common/reporter.h"

namespace kvelmor {

std::string japaneseText(std::string_view english);

// formatReport in Japanese: "file (12行目): text", "file: text" or "text".
std::string formatReportInJapanese(const Report& r);

}  // namespace kvelmor
