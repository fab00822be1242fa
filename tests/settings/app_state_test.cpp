// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/app_state.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

using namespace kvelmor::settings;
namespace fs = std::filesystem;

TEST(AppState, DefaultsOnAFirstStart) {
    IniFile ini;
    ConversionSettings s;
    AppState st;
    loadAppState(ini, st, s, "/fallback");
    EXPECT_TRUE(s.isOn("unicode"));
    EXPECT_FALSE(s.isOn("MediaTimeCheck"));
    EXPECT_FALSE(s.isOn("menuCreditOn"));
    EXPECT_EQ(st.credit.text("posX"), "512");  // 640 x 8 / 10 from the frame in force
    EXPECT_EQ(st.credit.text("posY"), "48");
    EXPECT_EQ(st.credit.text("Command1"), "MS UI Gothic");
    EXPECT_EQ(st.textPath, "/fallback");
}

TEST(AppState, CreditPositionFollowsTheFrameSizeInForce) {
    IniFile ini;
    ConversionSettings s;
    s.setText("dispWidth", "1279");
    s.setText("dispHeight", "719");
    AppState st;
    loadAppState(ini, st, s, "/");
    EXPECT_EQ(st.credit.text("posX"), "1023");  // whole part of 1023.2
    EXPECT_EQ(st.credit.text("posY"), "71");
}

TEST(AppState, SavedAndLoadedBack) {
    IniFile ini;
    ini.setPath("/nonexistent/x.ini");
    ConversionSettings s;
    AppState st;
    st.textPath = "/";
    st.credit.setText("Credit", "歌: テスト");
    st.credit.setText("Command1.Bold", "1");
    st.credit.setText("xRight", "1");
    s.setText("menuCreditOn", "1");
    s.setText("unicode", "0");
    saveAppState(ini, st, s);
    EXPECT_EQ(ini.keysOf("info").front(), "textPath");
    EXPECT_EQ(ini.value("info", "CleditOn", ""), "True");
    EXPECT_EQ(ini.value("info", "CreditBold", ""), "True");

    ConversionSettings s2;
    AppState st2;
    loadAppState(ini, st2, s2, "/fallback");
    EXPECT_EQ(st2.credit.values(), st.credit.values());
    EXPECT_FALSE(s2.isOn("unicode"));
    EXPECT_TRUE(s2.isOn("menuCreditOn"));
    EXPECT_EQ(st2.textPath, "/");
}

TEST(ExistingFolder, WalksUpToTheNearestExistingFolderAndAlwaysEnds) {
    fs::path base = fs::temp_directory_path() / ("kvelmor_folder_" + std::to_string(getpid()));
    fs::create_directories(base);
    EXPECT_EQ(ExistingFolder("", "/fb"), "/fb");
    EXPECT_EQ(ExistingFolder(base.string(), "/fb"), base.string());
    EXPECT_EQ(ExistingFolder((base / "gone" / "deeper").string(), "/fb"), base.string());
    EXPECT_EQ(ExistingFolder("/no-such-root-folder/x", "/fb"), "/");  // "/" stands for the drive root
    EXPECT_EQ(ExistingFolder("relative/gone", "/fb"), "/fb");
    EXPECT_EQ(ExistingFolder("/", "/fb"), "/");
}
