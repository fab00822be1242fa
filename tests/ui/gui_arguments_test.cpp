// SPDX-License-Identifier: GPL-3.0-or-later
// kvelmor-gui's arguments as users type them: a refused one ends the program
// with its reason before any window opens.

#include "cli/cli_test_support.h"

namespace kvelmor::test {
namespace {

TEST_F(CliTest, AtRefusesWhatIsNoTimeInTheSong) {
    for (const char* at : {"nan", "NaN", "inf", "-inf", "-5", "90000", "six", ""}) {
        SCOPED_TRACE(at);
        // `timeout` ends a window that opened after all (exit 124).
        const CliRun r = kvelmor("--settings " + settings + " --at '" + at + "'",
                                 "QT_QPA_PLATFORM=offscreen exec timeout 20 ", KVELMOR_GUI_BINARY);
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(stderrText().find("kvelmor-gui: --at takes seconds from the start of the song"), std::string::npos)
            << stderrText();
    }
}

}  // namespace
}  // namespace kvelmor::test
