// SPDX-License-Identifier: GPL-3.0-or-later
// The windows' tests run inside one QApplication (offscreen unless
// QT_QPA_PLATFORM says otherwise), in Japanese whatever the machine's
// locale: the tests name the windows' Japanese texts.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "ui/language.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    kvelmor::ui::useLanguage(kvelmor::ui::Language::Japanese);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
