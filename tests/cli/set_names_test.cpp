// SPDX-License-Identifier: GPL-3.0-or-later
// Every setting reached by each of its names through --set: the meaningful
// name, the window's field name (credit fields also as Form7.<field> and
// credit.<field>) and the settings-file key with the text the file holds.

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <sstream>

#include "app/session.h"
#include "cli/options.h"
#include "common/number_text.h"
#include "measure/fixed_measurer.h"
#include "settings/app_state.h"
#include "settings/presets.h"

using namespace kvelmor;
using settings::Kind;
using settings::SettingDef;

namespace {

struct Run {
    CollectingReporter reporter;
    measure::FixedMeasurer measurer{{10, 20, 30}};
    app::Session session{reporter, measurer};
    bool ok = false;

    Run() { session.startUpFromText("/nonexistent/kvelmor-set-names.ini", ""); }
    explicit Run(const std::vector<std::pair<std::string, std::string>>& sets) : Run() {
        cli::Options o;
        o.sets = sets;
        std::ostringstream err;
        std::streambuf* old = std::cerr.rdbuf(err.rdbuf());
        ok = cli::applyOptions(session, o);
        std::cerr.rdbuf(old);
    }
    bool sameAs(const Run& o) const {
        return session.settings == o.session.settings && session.appState.credit == o.session.appState.credit;
    }
};

// A value the setting can take that differs from its default where it can.
std::string otherValue(const SettingDef& d) {
    const std::string& def = d.defaultValue;
    switch (d.kind) {
    case Kind::NumberText: {
        const double v = toWholeNumber(def) + 1;
        return std::to_string(static_cast<int64_t>(d.range && !d.range->contains(v) ? v - 2 : v));
    }
    case Kind::Text: return "{\\be1}";
    case Kind::Box:
    case Kind::FontFlag: return def == "1" ? "0" : "1";
    case Kind::OptionMember: return "1";
    case Kind::Choice:
    case Kind::ListIndex: return d.choiceCount > 0 ? std::to_string((toWholeNumber(def) + 1) % d.choiceCount) : "1";
    case Kind::Colour: return "4660";
    case Kind::Level: return def == "7" ? "3" : "7";
    case Kind::FontFace: return "IPAGothic";
    case Kind::PixelHeight: return "12";
    }
    return {};
}

void checkEveryName(const SettingDef& d, const std::vector<std::string>& oldNames) {
    SCOPED_TRACE(d.name);
    const std::string value = otherValue(d);
    const Run fresh;
    const Run byName({{d.name, value}});
    // A derived height is measured, never set, by any name.
    if (d.kind == Kind::PixelHeight) {
        EXPECT_FALSE(byName.ok);
        for (const auto& old : oldNames) EXPECT_FALSE(Run({{old, value}}).ok) << old;
        return;
    }
    ASSERT_TRUE(byName.ok) << value;
    if (d.kind != Kind::OptionMember || d.defaultValue != "1") EXPECT_FALSE(byName.sameAs(fresh)) << value;
    for (const auto& old : oldNames) {
        const Run byOld({{old, value}});
        EXPECT_TRUE(byOld.ok) << old;
        EXPECT_TRUE(byOld.sameAs(byName)) << old;
    }
    // The key(s) with the text the settings file holds set the field alike.
    if (d.storage == settings::Storage::NotStored) return;
    settings::IniFile ini;
    ini.setPath("/nonexistent/kvelmor-set-names.ini");
    Run held({{d.name, value}});
    settings::savePresetSettings(ini, "p", held.session.settings);
    settings::saveAppState(ini, held.session.appState, held.session.settings);
    const bool info = d.storage == settings::Storage::Info;
    for (const std::string& key : {d.key, d.secondKey}) {
        if (key.empty()) continue;
        const std::string text = ini.value(info ? settings::kInfoSection : "p", key, "");
        const Run byKey({{key, text}});
        EXPECT_TRUE(byKey.ok) << key << "=" << text;
        const bool credit = d.group == settings::Group::Credit;
        EXPECT_EQ(credit ? byKey.session.appState.credit.text(d.field) : byKey.session.settings.text(d.field),
                  credit ? byName.session.appState.credit.text(d.field) : byName.session.settings.text(d.field))
            << key << "=" << text;
    }
}

}  // namespace

TEST(SetNames, EveryNameOfEverySettingReachesTheSameValue) {
    for (const auto& d : settings::settingTable()) checkEveryName(d, {d.field});
    for (const auto& d : settings::creditFieldTable())
        checkEveryName(
            d, {std::string(settings::kCreditWindowPrefix) + d.field, std::string(settings::kCreditPrefix) + d.field});
}
