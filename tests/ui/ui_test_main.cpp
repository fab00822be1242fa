// SPDX-License-Identifier: GPL-3.0-or-later
// The windows' tests run inside one QApplication (offscreen unless
// QT_QPA_PLATFORM says otherwise), in Japanese whatever the machine's
// locale: the tests name the windows' Japanese texts. Recovery files go to a
// state folder of the run's own.
#include <gtest/gtest.h>

#include <QApplication>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "ui/language.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Recovery files the windows keep go to a folder of this run's own.
    const auto state = std::filesystem::temp_directory_path() / ("kvelmor_ui_state_" + std::to_string(getpid()));
    setenv("XDG_STATE_HOME", state.c_str(), 1);
    QApplication app(argc, argv);
    kvelmor::ui::useLanguage(kvelmor::ui::Language::Japanese);
    ::testing::InitGoogleTest(&argc, argv);
    const int failed = RUN_ALL_TESTS();
    std::filesystem::remove_all(state);
    return failed;
}
