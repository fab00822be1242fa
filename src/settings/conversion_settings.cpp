#include "settings/conversion_settings.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <stdexcept>

#include "common/encoding.h"
#include "common/number_text.h"
#include "measure/text_measure.h"

namespace kvelmor::settings {

std::vector<int> stageRange(int first, int last) {
    std::vector<int> s;
    for (int i = first; i <= last; ++i) s.push_back(i);
    return s;
}

namespace {

using Stages = std::vector<int>;

FieldReaction validate(Replace r, Stages stages = {}) { return {true, r, std::move(stages), false, false}; }
FieldReaction none() { return {}; }

// The ranges of the number fields. Pixels of the script frame (sizes,
// positions, margins, spacings) stay within the largest frame renderers
// take; times are centiseconds (kMaxTimeCs), fades milliseconds.
constexpr NumberRange kFrame{1, 16384};
constexpr NumberRange kPixels{0, 16384};
constexpr NumberRange kSignedPixels{-16384, 16384};
constexpr NumberRange kBorder{0, 1000};
constexpr NumberRange kFontSize{1, 1000};
constexpr NumberRange kScale{0, 100, true};
constexpr NumberRange kStyleNumber{0, 99999};
constexpr NumberRange kTime{0, kMaxTimeCs};
// Shifts and lead-in/lead-out: a settings file may hold a negative one,
// which the layout takes.
constexpr NumberRange kShift{-kMaxTimeCs, kMaxTimeCs};
constexpr NumberRange kMilliseconds{0, kMaxTimeCs * 10};
constexpr NumberRange kClock{0, 99};  // hours, minutes or seconds of a clock time

// A number field whose Enter and leaving both validate with `r` and run `stages`.
SettingDef number(std::string name, std::string def, Accepts accepts, NumberRange range, Replace r,
                  Stages stages = {}) {
    SettingDef d;
    d.name = std::move(name);
    d.kind = Kind::NumberText;
    d.defaultValue = std::move(def);
    d.accepts = accepts;
    d.range = range;
    d.onEnter = validate(r, stages);
    d.onLeave = validate(r, stages);
    return d;
}

// A number field that only reacts when it is left.
SettingDef numberOnLeave(std::string name, std::string def, Accepts accepts, NumberRange range,
                         FieldReaction leave) {
    SettingDef d;
    d.name = std::move(name);
    d.kind = Kind::NumberText;
    d.defaultValue = std::move(def);
    d.accepts = accepts;
    d.range = range;
    d.onLeave = std::move(leave);
    return d;
}

SettingDef simple(std::string name, Kind kind, std::string def, Stages stages = {}) {
    SettingDef d;
    d.name = std::move(name);
    d.kind = kind;
    d.defaultValue = std::move(def);
    d.changeStages = std::move(stages);
    return d;
}

SettingDef follows(std::string name, Kind kind, std::string source, Stages stages = {}) {
    SettingDef d = simple(std::move(name), kind, "", std::move(stages));
    d.followsDefault = std::move(source);
    return d;
}

SettingDef counted(std::string name, Kind kind, std::string def, int count, Stages stages = {}) {
    SettingDef d = simple(std::move(name), kind, std::move(def), std::move(stages));
    d.choiceCount = count;
    return d;
}

SettingDef stored(SettingDef d, Storage s) {
    d.storage = s;
    return d;
}

void addFont(std::vector<SettingDef>& t, const std::string& name, const std::string& followsFace,
             Stages stages) {
    SettingDef face = followsFace.empty() ? simple(name, Kind::FontFace, "MS UI Gothic", stages)
                                          : follows(name, Kind::FontFace, followsFace, stages);
    t.push_back(face);
    for (const char* flag : {"Bold", "Italic", "Underline", "Strikethrough"}) {
        SettingDef f = simple(name + "." + flag, Kind::FontFlag, "0", stages);
        f.group = name;
        t.push_back(f);
    }
}

void addGroup(std::vector<SettingDef>& t, const std::string& group, const std::vector<std::string>& members,
              int selected, Stages stages) {
    for (size_t i = 0; i < members.size(); ++i) {
        SettingDef d = simple(members[i], Kind::OptionMember, static_cast<int>(i) == selected ? "1" : "0", stages);
        d.group = group;
        d.memberIndex = static_cast<int>(i);
        t.push_back(d);
    }
}

std::vector<SettingDef> buildTable() {
    std::vector<SettingDef> t;
    const Stages fontStages{5, 11, 12, 14, 17};
    const Stages oneTo12 = stageRange(1, 12);
    const Stages alignStages = stageRange(2, 13);

    // Output frame, fonts and measurement.
    t.push_back(number("dispWidth", "640", Accepts::Digits, kFrame, Replace::Zero, {4, 11, 12, 14, 17}));
    t.push_back(number("dispHeight", "480", Accepts::Digits, kFrame, Replace::Zero, {4, 11, 12, 14, 17}));
    addFont(t, "Command2", "", fontStages);
    t.push_back(numberOnLeave("ssaFontSize", "36", Accepts::Digits, kFontSize, validate(Replace::PresetValue, fontStages)));
    t.push_back(simple("tagFontPixcel", Kind::PixelHeight, "0"));
    addFont(t, "Command6", "Command2", fontStages);
    t.push_back(numberOnLeave("rubyFontSize", "14", Accepts::Digits, kFontSize, validate(Replace::PresetValue, fontStages)));
    t.push_back(simple("Label19", Kind::PixelHeight, "0"));
    t.push_back(counted("Combo1", Kind::ListIndex, "0", 3, {5}));
    // The style names of the lines are renewed with the rows (stage 9), and the
    // time correction (stage 6) starts the display windows again from the
    // tags, so a new style number runs what a new line count runs; styles and
    // times alone would leave events naming the old style and without lead-in.
    t.push_back(numberOnLeave("StyleNumber", "1", Accepts::Digits, kStyleNumber,
                              validate(Replace::None, {5, 6, 7, 8, 9, 10, 11, 14, 15, 12, 13, 16, 17})));
    {
        SettingDef d = number("mojiScaleX", "1", Accepts::DigitsPoint, kScale, Replace::Zero);
        d.onEnter = validate(Replace::One);
        d.storage = Storage::NotStored;
        t.push_back(d);
    }
    {
        SettingDef d = number("mojiScaleY", "1", Accepts::DigitsPoint, kScale, Replace::Zero);
        d.onEnter = validate(Replace::One, {11, 12, 13});
        d.onEnter.stagesOnlyWhenNumeric = true;
        t.push_back(d);
    }

    // Colours and transparency of the standard style and the spare styles.
    t.push_back(simple("PrimaryColor", Kind::Colour, "65535", {5}));
    t.push_back(simple("secondaryColor", Kind::Colour, "16711680", {5}));
    t.push_back(simple("TeritaryColor", Kind::Colour, "0", {5}));
    t.push_back(simple("ShadowColor", Kind::Colour, "0", {5}));
    t.push_back(simple("teritaryColor2", Kind::Colour, "0"));
    t.push_back(follows("Command9", Kind::Colour, "PrimaryColor", stageRange(6, 13)));
    for (const std::string prefix : {"second", "third"}) {
        t.push_back(follows(prefix + "PrimaryColor", Kind::Colour, "PrimaryColor", {5}));
        t.push_back(follows(prefix + "SecondaryColor", Kind::Colour, "secondaryColor", {5}));
        t.push_back(follows(prefix + "TeritaryColor", Kind::Colour, "TeritaryColor", {5}));
        t.push_back(follows(prefix + "ShadowColor", Kind::Colour, "ShadowColor", {5}));
        t.push_back(simple(prefix + "TeritaryColor2", Kind::Colour, "0"));
        t.push_back(follows(prefix == "second" ? "Command11" : "Command12", Kind::Colour, prefix + "PrimaryColor",
                            stageRange(6, 13)));
    }
    t.push_back(simple("PrimaryAlpha", Kind::Level, "0", {5}));
    t.push_back(simple("secondaryAlpha", Kind::Level, "0", {5}));
    t.push_back(simple("TeritaryAlpha", Kind::Level, "0", {5}));
    t.push_back(simple("backAlpha", Kind::Level, "5", {5}));
    t.push_back(counted("ExColor", Kind::Choice, "0", 5));
    t.push_back(simple("OriginalColor", Kind::Colour, "0"));
    t.push_back(simple("OriginalColorAlpha", Kind::Level, "10"));
    t.push_back(simple("ColorHex", Kind::Box, "0"));
    // The border style is part of the style lines, so a change refreshes them.
    addGroup(t, "OptionBorder", {"OptionBorder1", "OptionBorder2"}, 0, {5});
    {
        SettingDef d = number("outLine", "3", Accepts::Digits, kBorder, Replace::Zero, {5});
        d.onEnter = validate(Replace::Zero);  // Enter replaces but does not refresh
        t.push_back(d);
    }
    t.push_back(number("shadowDepth", "3", Accepts::Digits, kBorder, Replace::Zero, {5, 11, 12, 14, 17}));

    // Placement. Each change ends with the fit and height checks (stage 17).
    t.push_back(number("MarginL", "30", Accepts::DigitsMinus, kSignedPixels, Replace::Zero, {5, 11, 12, 14, 17}));
    t.push_back(number("MarginR", "30", Accepts::Digits, kPixels, Replace::Zero, {5, 11, 12, 14, 17}));
    t.push_back(number("MarginV", "50", Accepts::DigitsMinus, kSignedPixels, Replace::Zero, {5, 11, 12, 14, 17}));
    t.push_back(number("MarginN", "20", Accepts::Digits, kPixels, Replace::Zero, {5, 11, 12, 14, 17}));
    // Kept in presets and carried through unchanged; nothing reads it.
    t.push_back(simple("AlphaLevel", Kind::Text, "0"));
    t.push_back(counted("LineNumber", Kind::ListIndex, "1", 10, {5, 6, 7, 8, 9, 10, 11, 14, 15, 12, 13, 16, 17}));
    addGroup(t, "AlignmentUp", {"Optionalign1", "Optionalign2", "Optionalign3"}, 0, alignStages);
    addGroup(t, "AlignmentMiddle", {"Optionalign4", "Optionalign5", "Optionalign6"}, 1, alignStages);
    addGroup(t, "AlignmentDown", {"Optionalign7", "Optionalign8", "Optionalign9"}, 2, alignStages);
    addGroup(t, "Oneline", {"Oneline1", "Oneline2", "Oneline3"}, 1, alignStages);
    t.push_back(simple("oneLineCheck", Kind::Box, "1"));
    t.push_back(simple("setXpositon", Kind::Box, "1", alignStages));
    t.push_back(simple("kintouCheck", Kind::Box, "1"));
    t.push_back(simple("LowerCheck", Kind::Box, "1", oneTo12));
    t.push_back(simple("kaigyo", Kind::Box, "0", oneTo12));
    t.push_back(simple("MojiSize", Kind::Box, "0"));
    t.push_back(number("rubyUp", "5", Accepts::Digits, kPixels, Replace::Zero, {11, 12, 14, 17}));
    t.push_back(number("rubyDown", "3", Accepts::Digits, kPixels, Replace::Zero, {11, 12, 14, 17}));
    {
        SettingDef d = number("rubyLeft", "0", Accepts::DigitsMinus, kSignedPixels, Replace::Zero, {11, 12, 14});
        d.onLeave = validate(Replace::Zero);
        d.storage = Storage::NotStored;
        t.push_back(d);
    }
    t.push_back(numberOnLeave("rubyScale", "1", Accepts::AnyKey, kScale, validate(Replace::Zero, {14})));

    // Timing (centiseconds).
    t.push_back(number("preTime", "80", Accepts::Digits, kShift, Replace::Zero, {8, 15, 9, 10, 11, 12, 14}));
    t.push_back(number("aftTime", "20", Accepts::Digits, kShift, Replace::Zero, {8, 15, 9, 10, 11, 12, 14}));
    t.push_back(number("upTime", "0", Accepts::DigitsMinus, kShift, Replace::Zero, {6, 7, 8, 15, 10}));
    t.push_back(simple("WinAMPTime", Kind::Box, "1", oneTo12));
    {
        Stages s = oneTo12;
        s.push_back(14);
        addGroup(t, "DisplayType", {"DisplayType1", "DisplayType2"}, 0, s);
    }
    t.push_back(simple("spaceTime", Kind::Box, "1", oneTo12));
    t.push_back(numberOnLeave("spaceTimePre", "20", Accepts::Digits, kTime, none()));
    t.push_back(numberOnLeave("spaceTimeAft", "30", Accepts::Digits, kTime, none()));
    t.push_back(simple("LyricsDisp", Kind::Box, "1"));
    t.push_back(numberOnLeave("LyricsDispTime", "10", Accepts::Digits, kTime, none()));
    t.push_back(stored(simple("fadeInCheck", Kind::Box, "0"), Storage::NotStored));
    t.push_back(stored(simple("fadeOutCheck", Kind::Box, "0"), Storage::NotStored));
    t.push_back(stored(numberOnLeave("FadeIn", "0", Accepts::Digits, kMilliseconds, validate(Replace::ClearBox)), Storage::NotStored));
    t.push_back(stored(numberOnLeave("FadeOut", "0", Accepts::Digits, kMilliseconds, validate(Replace::ClearBox)), Storage::NotStored));

    // Wipe and effects.
    t.push_back(counted("wipe", Kind::Choice, "0", 8));
    t.push_back(simple("KaraokeWipe", Kind::Box, "1"));
    t.push_back(simple("posNo", Kind::Box, "0"));
    t.push_back(counted("TagSample", Kind::ListIndex, "0", 0));
    t.push_back(simple("commandLine", Kind::Text, ""));
    t.push_back(simple("commandChar", Kind::Text, ""));
    t.push_back(numberOnLeave("DelayTime", "10", Accepts::Digits, kTime, validate(Replace::Ten)));
    t.push_back(numberOnLeave("ClipWipe", "0", Accepts::AnyKey, kSignedPixels, none()));

    // Song information.
    t.push_back(simple("songInfoCheck", Kind::Box, "0", stageRange(1, 17)));
    t.push_back(counted("InfoMode", Kind::Choice, "0", 2));
    t.push_back(numberOnLeave("songInfoX", "10", Accepts::Digits, kPixels, validate(Replace::Zero)));
    t.push_back(numberOnLeave("songInfoY", "10", Accepts::Digits, kPixels, validate(Replace::Zero)));
    addFont(t, "Command8", "Command2", {});
    t.push_back(numberOnLeave("titleFontSize", "14", Accepts::Digits, kFontSize, validate(Replace::Zero)));
    t.push_back(simple("titleFontPixcel", Kind::PixelHeight, "0"));
    t.push_back(counted("titleInfo", Kind::Choice, "0", 3));
    t.push_back(follows("titlePrimaryColor", Kind::Colour, "PrimaryColor"));
    t.push_back(follows("titleTeritaryColor", Kind::Colour, "TeritaryColor"));
    t.push_back(follows("titleShadowColor", Kind::Colour, "ShadowColor"));
    t.push_back(simple("titlePrimaryAlpha", Kind::Level, "0"));
    t.push_back(simple("titleTeritaryAlpha", Kind::Level, "0"));
    t.push_back(simple("titleBackAplha", Kind::Level, "5"));
    t.push_back(simple("songInfoPreCheck", Kind::Box, "0", stageRange(1, 17)));
    t.push_back(numberOnLeave("titleFontSize1", "50", Accepts::Digits, kFontSize, validate(Replace::Zero)));
    t.push_back(simple("titleFontPixcel1", Kind::PixelHeight, "0"));
    t.push_back(numberOnLeave("titleFontSize2", "20", Accepts::Digits, kFontSize, validate(Replace::Zero)));
    t.push_back(simple("titleFontPixcel2", Kind::PixelHeight, "0"));
    t.push_back(counted("titleDispType", Kind::Choice, "0", 2));
    t.push_back(numberOnLeave("titleEndTime", "3000", Accepts::Digits, kTime, none()));
    for (const std::string prefix : {"titleStart", "titleEnd"}) {
        t.push_back(numberOnLeave(prefix + "H", "0", Accepts::Digits, kClock, validate(Replace::Zero)));
        for (const char* unit : {"M", "S"}) {
            FieldReaction r = validate(Replace::DoubleZero);
            r.padOneDigit = true;
            t.push_back(numberOnLeave(prefix + unit, "00", Accepts::Digits, kClock, r));
        }
    }
    t.push_back(numberOnLeave("TitleY", "100", Accepts::Digits, kPixels, none()));
    t.push_back(numberOnLeave("spacer", "0", Accepts::DigitsMinus, kSignedPixels, none()));
    t.push_back(simple("CheckDouRetu", Kind::Box, "0"));
    t.push_back(numberOnLeave("titleFadeIn", "500", Accepts::Digits, kMilliseconds, none()));
    t.push_back(numberOnLeave("titleFadeOut", "500", Accepts::Digits, kMilliseconds, none()));
    t.push_back(numberOnLeave("endH", "0", Accepts::Digits, kClock, validate(Replace::Zero)));
    // Minutes and seconds start in two digits, as leaving the field leaves
    // them, so the song length is stored "0:00:00" and reads back the same.
    for (const char* name : {"endM", "endS"}) {
        FieldReaction r = validate(Replace::Zero);
        r.padOneDigit = true;
        t.push_back(numberOnLeave(name, "00", Accepts::Digits, kClock, r));
    }

    // Output options.
    t.push_back(simple("KraCheck", Kind::Box, "0"));
    t.push_back(stored(simple("unicode", Kind::Box, "1"), Storage::Info));
    t.push_back(stored(simple("MediaTimeCheck", Kind::Box, "0"), Storage::Info));
    t.push_back(stored(simple("menuCreditOn", Kind::Box, "0"), Storage::Info));

    // Pixel heights are derived, never stored as such.
    for (auto& d : t)
        if (d.kind == Kind::PixelHeight) d.storage = Storage::NotStored;
    return t;
}

struct Index {
    std::vector<SettingDef> table = buildTable();
    std::unordered_map<std::string, size_t> byName;
    std::vector<OptionGroup> groups;
    Index() {
        for (size_t i = 0; i < table.size(); ++i) {
            byName.emplace(table[i].name, i);
            if (table[i].kind != Kind::OptionMember) continue;
            auto it = std::find_if(groups.begin(), groups.end(),
                                   [&](const OptionGroup& g) { return g.name == table[i].group; });
            if (it == groups.end()) {
                groups.push_back({table[i].group, {}});
                it = groups.end() - 1;
            }
            it->members.push_back(table[i].name);
        }
    }
};

const Index& tableIndex() {
    static const Index idx;
    return idx;
}

size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<size_t> prev(b.size() + 1), cur(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) prev[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        cur[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            char ca = static_cast<char>(std::tolower(static_cast<unsigned char>(a[i - 1])));
            char cb = static_cast<char>(std::tolower(static_cast<unsigned char>(b[j - 1])));
            cur[j] = std::min({prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + (ca == cb ? 0 : 1)});
        }
        std::swap(prev, cur);
    }
    return prev[b.size()];
}

}  // namespace

const std::vector<SettingDef>& settingTable() { return tableIndex().table; }

const SettingDef* findSetting(std::string_view name) {
    const auto& idx = tableIndex();
    auto it = idx.byName.find(std::string(name));
    return it == idx.byName.end() ? nullptr : &idx.table[it->second];
}

std::vector<std::string> closestSettingNames(std::string_view name, size_t count) {
    std::vector<std::pair<size_t, std::string>> scored;
    for (const auto& d : settingTable()) {
        if (d.kind == Kind::PixelHeight) continue;
        scored.emplace_back(editDistance(name, d.name), d.name);
    }
    std::stable_sort(scored.begin(), scored.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> out;
    for (size_t i = 0; i < scored.size() && i < count; ++i) out.push_back(scored[i].second);
    return out;
}

const std::vector<OptionGroup>& optionGroups() { return tableIndex().groups; }

const std::vector<PixelHeightSource>& pixelHeightSources() {
    static const std::vector<PixelHeightSource> sources{
        {"tagFontPixcel", "Command2", "ssaFontSize"},
        {"Label19", "Command6", "rubyFontSize"},
        {"titleFontPixcel", "Command8", "titleFontSize"},
        {"titleFontPixcel1", "Command8", "titleFontSize1"},
        {"titleFontPixcel2", "Command8", "titleFontSize2"},
    };
    return sources;
}

ConversionSettings::ConversionSettings() {
    const auto& table = settingTable();
    m_values.reserve(table.size());
    // Defaults that follow another setting always follow one defined earlier.
    for (const auto& d : table)
        m_values.push_back(d.followsDefault.empty() ? d.defaultValue : m_values[indexOf(d.followsDefault)]);
}

size_t ConversionSettings::indexOf(std::string_view name) const {
    const auto& idx = tableIndex();
    auto it = idx.byName.find(std::string(name));
    if (it == idx.byName.end()) throw std::out_of_range("unknown setting: " + std::string(name));
    return it->second;
}

const std::string& ConversionSettings::text(std::string_view name) const { return m_values[indexOf(name)]; }

void ConversionSettings::setText(std::string_view name, std::string value) {
    m_values[indexOf(name)] = std::move(value);
}

int32_t ConversionSettings::wholeNumber(std::string_view name) const { return toWholeNumber(text(name)); }
double ConversionSettings::real(std::string_view name) const { return leadingNumber(text(name)); }
bool ConversionSettings::isOn(std::string_view name) const { return wholeNumber(name) != 0; }
int32_t ConversionSettings::index(std::string_view name) const { return wholeNumber(name); }

uint32_t ConversionSettings::colour(std::string_view name) const {
    auto v = parseNumber(text(name));
    if (!v || *v < 0) return 0;
    return static_cast<uint32_t>(std::min<double>(*v, 0xFFFFFFFFu));
}

FontValue ConversionSettings::font(std::string_view fontName) const {
    std::string n(fontName);
    return {text(n), isOn(n + ".Bold"), isOn(n + ".Italic"), isOn(n + ".Underline"), isOn(n + ".Strikethrough")};
}

void ConversionSettings::setFont(std::string_view fontName, const FontValue& f) {
    std::string n(fontName);
    setText(n, f.face);
    setText(n + ".Bold", f.bold ? "1" : "0");
    setText(n + ".Italic", f.italic ? "1" : "0");
    setText(n + ".Underline", f.underline ? "1" : "0");
    setText(n + ".Strikethrough", f.strikethrough ? "1" : "0");
}

int ConversionSettings::selectedMember(std::string_view group) const {
    for (const auto& g : optionGroups()) {
        if (g.name != group) continue;
        for (size_t i = 0; i < g.members.size(); ++i)
            if (isOn(g.members[i])) return static_cast<int>(i);
        return 0;
    }
    throw std::out_of_range("unknown option group: " + std::string(group));
}

const std::string& ConversionSettings::selectedMemberName(std::string_view group) const {
    for (const auto& g : optionGroups())
        if (g.name == group) return g.members[static_cast<size_t>(selectedMember(group))];
    throw std::out_of_range("unknown option group: " + std::string(group));
}

void ConversionSettings::selectMember(std::string_view memberName) {
    const SettingDef* def = findSetting(memberName);
    if (!def || def->kind != Kind::OptionMember) throw std::out_of_range("not an option: " + std::string(memberName));
    for (const auto& g : optionGroups())
        if (g.name == def->group)
            for (const auto& m : g.members) setText(m, m == memberName ? "1" : "0");
}

std::string ConversionSettings::replacementFor(const SettingDef& def, Replace r) const {
    switch (r) {
    case Replace::Zero: return "0";
    case Replace::One: return "1";
    case Replace::Ten: return "10";
    case Replace::DoubleZero: return "00";
    case Replace::PresetValue: {
        if (storedPresetValue) {
            if (auto v = storedPresetValue(def.name); v && isNumeric(*v) && toWholeNumber(*v) != 0) return *v;
        }
        return def.defaultValue;
    }
    case Replace::None:
    case Replace::ClearBox: break;
    }
    return text(def.name);
}

Change ConversionSettings::react(const SettingDef& def, const FieldReaction& r) {
    Change c;
    if (!r.reacts) return c;
    std::string& value = m_values[indexOf(def.name)];
    bool numeric = isNumeric(value);
    // The size fields also take "0" as "not set".
    if (r.replace == Replace::PresetValue && numeric && toWholeNumber(value) == 0) numeric = false;
    if (!numeric) {
        if (r.replace == Replace::ClearBox) {
            setText(def.name == "FadeIn" ? "fadeInCheck" : "fadeOutCheck", "0");
        } else if (r.replace != Replace::None) {
            value = replacementFor(def, r.replace);
        }
    } else if (r.padOneDigit && utf8Length(value) == 1) {
        value = "0" + value;
    }
    // Reactions of single fields that touch another field.
    if (def.name == "MarginL" && numeric && &r == &def.onLeave) setText("MarginR", text("MarginL"));
    if (def.name == "preTime") setText("FadeIn", std::to_string(static_cast<int64_t>(wholeNumber("preTime")) * 10));
    if (def.name == "aftTime") setText("FadeOut", std::to_string(static_cast<int64_t>(wholeNumber("aftTime")) * 10));
    // A size typed (or set by --set) is measured as the font dialog measures
    // it: the style's Fontsize and the layout's row height are that pixel
    // height, and a stale one puts ruby off its characters and rows off the
    // frame.
    if (numeric && (def.name == "titleFontSize" || def.name == "titleFontSize1" || def.name == "titleFontSize2"))
        recomputePixelHeight(def.name == "titleFontSize" ? "titleFontPixcel"
                             : def.name == "titleFontSize1" ? "titleFontPixcel1" : "titleFontPixcel2");
    if (def.name == "ssaFontSize") recomputePixelHeight("tagFontPixcel");
    if (def.name == "rubyFontSize") {
        recomputePixelHeight("Label19");
        keepRowGapAboveRuby();
    }
    if (!r.stagesOnlyWhenNumeric || numeric) c.stages = r.stages;
    return c;
}

Change ConversionSettings::pressEnter(std::string_view name) {
    const SettingDef* def = findSetting(name);
    if (!def) return {false, "unknown setting: " + std::string(name), {}};
    // A field without an Enter rule of its own takes the typed value on
    // Enter as it does on being left, so Enter never leaves a value unused.
    return react(*def, def->onEnter.reacts ? def->onEnter : def->onLeave);
}

bool ConversionSettings::enterActsAsLeaving(std::string_view name) const {
    const SettingDef* def = findSetting(name);
    return def && !def->onEnter.reacts && def->onLeave.reacts;
}

Change ConversionSettings::leaveField(std::string_view name) {
    const SettingDef* def = findSetting(name);
    if (!def) return {false, "unknown setting: " + std::string(name), {}};
    return react(*def, def->onLeave);
}

bool ConversionSettings::acceptsKey(std::string_view name, char32_t key) const {
    const SettingDef* def = findSetting(name);
    if (!def || def->kind != Kind::NumberText) return true;
    if (key == U'\b') return true;
    bool digit = key >= U'0' && key <= U'9';
    switch (def->accepts) {
    case Accepts::Digits: return digit;
    case Accepts::DigitsMinus: return digit || key == U'-';
    case Accepts::DigitsPoint: return digit || key == U'.';
    case Accepts::AnyKey: return true;
    }
    return true;
}

void ConversionSettings::recomputePixelHeight(std::string_view pixelName) {
    if (!m_measurer) return;
    for (const auto& s : pixelHeightSources()) {
        if (s.pixelName != pixelName) continue;
        int32_t size = wholeNumber(s.sizeName);
        int32_t h = size > 0 ? measure::TextHeight(*m_measurer, text(s.fontName), size, "あ") : 0;
        setText(s.pixelName, std::to_string(h));
    }
}

void ConversionSettings::keepRowGapAboveRuby() {
    // The ruby height scaled by mojiScaleY (taken to two decimals) keeps MarginN at least as large.
    double scale = static_cast<double>(roundHalfEven(real("mojiScaleY") * 100)) / 100.0;
    int64_t scaled = roundHalfEven(static_cast<double>(wholeNumber("Label19")) * scale);
    if (scaled > wholeNumber("MarginN")) setText("MarginN", std::to_string(scaled));
}

void ConversionSettings::recomputeAllPixelHeights() {
    for (const auto& s : pixelHeightSources()) recomputePixelHeight(s.pixelName);
}

namespace {

bool isBoxText(std::string_view v) { return v == "0" || v == "1"; }

// A whole number from lo to hi; the test runs on the real, so no value out of
// an integer's range is ever converted to one.
bool isWhole(double v, double lo, double hi) { return v >= lo && v <= hi && v == std::trunc(v); }

std::string numberWords(double v) { return realToText(v); }

}  // namespace

std::string takesText(const SettingDef& d) {
    if (d.kind != Kind::NumberText) return {};
    std::string keys;
    switch (d.accepts) {
    case Accepts::Digits: keys = "digits"; break;
    case Accepts::DigitsMinus: keys = "digits and \"-\""; break;
    case Accepts::DigitsPoint: keys = "digits and \".\""; break;
    case Accepts::AnyKey: keys = "a number"; break;
    }
    if (!d.range) return keys;
    const NumberRange& r = *d.range;
    const bool whole = d.accepts == Accepts::Digits || d.accepts == Accepts::DigitsMinus;
    std::string what = whole ? "a whole number" : "a number";
    if (r.aboveMin) return keys + ": " + what + " above " + numberWords(r.min) + " and at most " + numberWords(r.max);
    return keys + ": " + what + " from " + numberWords(r.min) + " to " + numberWords(r.max);
}

std::string refusedValue(const SettingDef& d, std::string_view value) {
    if (d.kind != Kind::NumberText) return {};
    for (char c : value) {
        const bool digit = c >= '0' && c <= '9';
        const bool ok = d.accepts == Accepts::AnyKey || digit || (d.accepts == Accepts::DigitsMinus && c == '-') ||
                        (d.accepts == Accepts::DigitsPoint && c == '.');
        if (!ok) return d.name + " takes " + takesText(d) + ", not \"" + std::string(value) + "\"";
    }
    // A value given whole must be a number where the field counts one: the
    // text the field would turn into 0 ("nan", "inf", "0x10", "1-2") is no
    // value the user meant. Empty clears the field as in the window; a text
    // that unticks a box when the field is left has that meaning.
    const bool clearsBox = d.onLeave.reacts && d.onLeave.replace == Replace::ClearBox;
    if (d.range && !value.empty() && !clearsBox && !parseNumber(value))
        return d.name + " takes " + takesText(d) + ", not \"" + std::string(value) + "\"";
    return refusedStoredValue(d, value);
}

std::string refusedStoredValue(const SettingDef& d, std::string_view value) {
    if (d.kind != Kind::NumberText || !d.range) return {};
    auto v = parseNumber(value);
    // A field that replaces a non-number never holds one.
    const bool replaces = (d.onLeave.reacts && d.onLeave.replace != Replace::None) ||
                          (d.onEnter.reacts && d.onEnter.replace != Replace::None);
    if (!v) return replaces && d.onLeave.replace != Replace::ClearBox ? d.name + " takes " + takesText(d) : std::string();
    // The size fields take 0 as "the preset's value", which is never stored.
    if (!d.range->contains(*v)) return d.name + " takes " + takesText(d);
    return {};
}

namespace {

}  // namespace

Change ConversionSettings::setAsUser(std::string_view name, std::string_view value) {
    const SettingDef* def = findSetting(name);
    if (!def) return {false, "unknown setting: " + std::string(name), {}};
    auto refuse = [&](const std::string& why) { return Change{false, std::string(name) + ": " + why, {}}; };
    switch (def->kind) {
    case Kind::NumberText:
    case Kind::Text: {
        // Kept whole so that a refused value leaves every field as it was
        // (a reaction may have copied the value into another field).
        std::vector<std::string> before = m_values;
        setText(name, std::string(value));
        Change c;
        if (def->onLeave.reacts) c = leaveField(name);
        else if (def->onEnter.reacts) c = pressEnter(name);
        if (def->range) {
            auto v = parseNumber(text(name));
            if (v && !def->range->contains(*v)) {
                m_values = std::move(before);
                return refuse("takes " + takesText(*def));
            }
        }
        return c;
    }
    case Kind::Box:
        if (!isBoxText(value)) return refuse("takes 0 or 1");
        setText(name, std::string(value));
        // Ticking a fade fills its duration (ms) from the lead-in or lead-out (10 ms units).
        if (value == "1" && (name == "fadeInCheck" || name == "fadeOutCheck")) {
            const bool in = name == "fadeInCheck";
            setText(in ? "FadeIn" : "FadeOut",
                    std::to_string(static_cast<int64_t>(wholeNumber(in ? "preTime" : "aftTime")) * 10));
        }
        return {true, {}, def->changeStages};
    case Kind::OptionMember:
        if (value != "1") return refuse("select an option with 1 (select another member to clear this one)");
        selectMember(name);
        return {true, {}, def->changeStages};
    case Kind::Choice:
    case Kind::ListIndex: {
        // Compared as reals before any conversion: 1e300 has no int.
        const double last = def->choiceCount > 0 ? def->choiceCount - 1 : INT32_MAX;
        auto v = parseNumber(value);
        if (!v || !isWhole(*v, 0, last))
            return refuse("takes an index from 0 to " + std::to_string(std::max(def->choiceCount - 1, 0)));
        setText(name, std::to_string(static_cast<int32_t>(*v)));
        // Choosing a wipe style clears "no position": only the template
        // styles can place a line themselves, and a sample that does so
        // ticks the box again when it is chosen.
        if (name == "wipe") setText("posNo", "0");
        return {true, {}, def->changeStages};
    }
    case Kind::Level: {
        auto v = parseNumber(value);
        if (!v || !isWhole(*v, 0, 10)) return refuse("takes a level from 0 to 10");
        setText(name, std::to_string(static_cast<int32_t>(*v)));
        return {true, {}, def->changeStages};
    }
    case Kind::Colour: {
        auto v = parseNumber(value);
        if (!v || !isWhole(*v, 0, 0xFFFFFF))
            return refuse("takes a colour as a decimal number from 0 to 16777215 (0x00BBGGRR)");
        std::string text = std::to_string(static_cast<int64_t>(*v));
        setText(name, text);
        // The song information follows the colours of the style chosen in titleInfo.
        static const char* const kStyles[3] = {"", "second", "third"};
        int follow = index("titleInfo");
        if (follow >= 0 && follow < 3) {
            std::string prefix = kStyles[follow];
            auto match = [&](const char* base) {
                std::string n = prefix.empty() ? base : prefix + base;
                return name == n;
            };
            if (match("PrimaryColor")) setText("titlePrimaryColor", text);
            if (match("TeritaryColor")) setText("titleTeritaryColor", text);
            if (match("ShadowColor")) setText("titleShadowColor", text);
        }
        return {true, {}, def->changeStages};
    }
    case Kind::FontFace: {
        FontValue f = font(name);
        f.face = std::string(value);
        std::string sizeName = name == "Command2" ? "ssaFontSize" : name == "Command6" ? "rubyFontSize" : "titleFontSize";
        return chooseFont(name, f, wholeNumber(sizeName));
    }
    case Kind::FontFlag:
        if (!isBoxText(value)) return refuse("takes 0 or 1");
        setText(name, std::string(value));
        return {true, {}, def->changeStages};
    case Kind::PixelHeight:
        return refuse("is derived from its font and size and cannot be set");
    }
    return {};
}

Change ConversionSettings::chooseFont(std::string_view fontName, const FontValue& f, int32_t pointSize) {
    Change c;
    std::string size = std::to_string(pointSize);
    if (fontName == "Command2") {
        // The main face becomes the ruby and song-information face too.
        for (const char* n : {"Command2", "Command6", "Command8"}) setText(n, f.face);
        setText("Command2.Bold", f.bold ? "1" : "0");
        setText("Command2.Italic", f.italic ? "1" : "0");
        setText("ssaFontSize", size);
        recomputePixelHeight("tagFontPixcel");
        recomputePixelHeight("Label19");
        if (wholeNumber("MarginN") < wholeNumber("Label19")) setText("MarginN", text("Label19"));
        c.stages = {5, 11, 12, 14, 17};
    } else if (fontName == "Command6") {
        setText("Command6", f.face);
        setText("Command6.Bold", f.bold ? "1" : "0");
        setText("Command6.Italic", f.italic ? "1" : "0");
        setText("rubyFontSize", size);
        recomputePixelHeight("Label19");
        keepRowGapAboveRuby();
        c.stages = {5, 11, 12, 14, 17};
    } else if (fontName == "Command8") {
        setText("Command8", f.face);
        setText("Command8.Bold", f.bold ? "1" : "0");
        setText("Command8.Italic", f.italic ? "1" : "0");
        setText("titleFontSize", size);
    } else {
        return {false, "not a font: " + std::string(fontName), {}};
    }
    return c;
}

}  // namespace kvelmor::settings
