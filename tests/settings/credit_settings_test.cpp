// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/credit_settings.h"

#include <gtest/gtest.h>

#include <set>

#include "settings/app_state.h"

using namespace kvelmor::settings;

namespace {

TEST(CreditSettings, DefaultsAreThoseOfAFileWithoutCreditKeys) {
    // A first start on the 640 × 480 frame the window starts with.
    IniFile ini;
    ConversionSettings s;
    AppState st;
    loadAppState(ini, st, s, "/fallback");
    EXPECT_EQ(st.credit.values(), CreditSettings().values());
}

TEST(CreditSettings, KeyFilters) {
    struct Case {
        const char* field;
        char32_t key;
        bool accepted;
        const char* why;
    };
    const Case cases[] = {
        {"titleStartH", U'7', true, "digits"},
        {"titleStartM", U'\b', true, "backspace"},
        {"titleStartS", U'a', false, "letters are dropped"},
        {"posX", U'-', false, "no sign"},
        {"FadeIn", U'０', false, "full-width digits are not digits"},
        {"titleEndM", U'x', false, "the end fields filter like the start fields"},
        {"titleEndS", U'5', true, "digits in the end fields"},
        {"CreditFontSize", U'x', false, "the size is whole points"},
        {"Credit", U'字', true, "any printable character in the text"},
        {"CreditTag", U'\\', true, "tags need backslashes"},
        {"Credit", U'\n', false, "no line break in one script line"},
        {"Credit", U'\t', false, "nor any other control character"},
        {"NoSuchField", U'1', false, "an unknown field takes nothing"},
    };
    CreditSettings c;
    for (const auto& k : cases) {
        SCOPED_TRACE(k.why);
        EXPECT_EQ(c.acceptsKey(k.field, k.key), k.accepted);
    }
}

TEST(CreditSettings, LeavingAFieldPadsAndReplaces) {
    struct Case {
        const char* field;
        const char* typed;
        const char* after;
        const char* why;
    };
    const Case cases[] = {
        {"titleStartS", "7", "07", "one digit gets its leading zero"},
        {"titleStartS", "", "00", "nothing typed"},
        {"titleStartM", "123", "123", "more digits stay"},
        {"titleStartH", "", "0", "an hour that is not a number"},
        {"titleStartH", "2", "2", "hours are not padded"},
        {"titleEndM", "5", "05", "the end minute is padded like the start"},
        {"titleEndS", "x", "00", "and replaced like it"},
        {"titleEndH", "", "0", "the end hour too"},
        {"CreditFontSize", "", "0", "a size that is not a number"},
        {"CreditFontSize", "24", "24", "a size that is"},
        {"posX", "", "", "the position has no rule of its own"},
        {"Credit", "7", "7", "nor has the text"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        CreditSettings s;
        s.setText(c.field, c.typed);
        EXPECT_TRUE(s.leaveField(c.field).ok);
        EXPECT_EQ(s.text(c.field), c.after);
    }
    CreditSettings s;
    EXPECT_FALSE(s.leaveField("Nope").ok);
}

TEST(CreditSettings, SetAsUser) {
    struct Case {
        const char* field;
        std::string value;
        bool ok;
        const char* stored;  // the field afterwards (unchanged when refused)
        const char* error;   // the refusal, when refused
        const char* why;
    };
    const Case cases[] = {
        {"titleStartS", "7", true, "07", "", "typed, then left"},
        {"titleEndM", "3", true, "03", "", "the end fields are padded too"},
        {"titleStartS", "7a", false, "00", "credit.startSecond (Form7.titleStartS): takes the digits 0-9 only", "a key the field drops"},
        {"posX", "-5", false, "512", "credit.posX (Form7.posX): takes the digits 0-9 only", "no sign"},
        {"posX", "", true, "", "", "an empty position"},
        {"Credit", "字幕: 誰か", true, "字幕: 誰か", "", "free text"},
        {"Credit", "a\nDialogue: x", false, "", "credit.text (Form7.Credit): takes one line of text without control characters",
         "a line break would add a script line"},
        {"CreditTag", std::string("\xff\xfe"), false, "", "credit.tag (Form7.CreditTag): is not valid UTF-8 text", "bytes, not text"},
        {"Command1", "Noto Sans", true, "Noto Sans", "", "a face name"},
        {"Command1", "", false, "MS UI Gothic", "credit.font.face (Form7.Command1): takes a font face name", "no face at all"},
        {"Command1.Italic", "True", false, "0", "credit.font.italic (Form7.Command1.Italic): takes 0 or 1", "flags take 0 or 1"},
        {"xRight", "2", false, "0", "credit.fromRight (Form7.xRight): takes 0 or 1", "a box takes 0 or 1"},
        {"PrimaryColor", "16777215", true, "16777215", "", "white"},
        {"PrimaryColor", "0016", true, "16", "", "leading zeros dropped"},
        {"PrimaryColor", "#ff8000", true, "33023", "", "#RRGGBB: red in the low byte"},
        {"PrimaryColor", "#FF800", false, "65535", "credit.colour (Form7.PrimaryColor): takes a colour as #RRGGBB or as a decimal number from 0 to 16777215 (0x00BBGGRR)", "six digits"},
        {"TeritaryColor", "16777216", false, "0",
         "credit.outlineColour (Form7.TeritaryColor): takes a colour as #RRGGBB or as a decimal number from 0 to 16777215 (0x00BBGGRR)", "past 24 bits"},
        {"ShadowColor", "1e3", false, "0",
         "credit.shadowColour (Form7.ShadowColor): takes a colour as #RRGGBB or as a decimal number from 0 to 16777215 (0x00BBGGRR)", "digits only"},
        {"BackAplha", "10", true, "10", "", "the top level"},
        {"BackAplha", "11", false, "5", "credit.shadowAlpha (Form7.BackAplha): takes a level from 0 to 10", "past the top level"},
        {"Combo1", "2", true, "2", "", "CHINESE BIG5"},
        {"Combo1", "3", false, "0", "credit.charset (Form7.Combo1): takes an index from 0 to 2", "past the list"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        CreditSettings s;
        Change r = s.setAsUser(c.field, c.value);
        EXPECT_EQ(r.ok, c.ok);
        EXPECT_EQ(r.error, c.error);
        EXPECT_EQ(s.text(c.field), c.stored);
    }
    CreditSettings s;
    Change r = s.setAsUser("Credits", "x");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Credits: the credit settings have no field \"Credits\"");
}

}  // namespace
