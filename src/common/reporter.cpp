// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/reporter.h"

namespace kvelmor {

std::string formatReport(const Report& r) {
    std::string out;
    if (!r.file.empty()) {
        out += r.file;
        if (r.line > 0) out += ":" + std::to_string(r.line);
        out += ": ";
    } else if (r.line > 0) {
        out += "line " + std::to_string(r.line) + ": ";
    }
    out += r.text;
    return out;
}

}  // namespace kvelmor
