// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/schema.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <tuple>
#include <unordered_map>

namespace kvelmor::settings {
namespace {

using I = Invalidates;
using F = PresetForm;
using Does = FollowRule::Does;

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

FieldReaction validate(Replace r, Invalidates refresh = I::Nothing) { return {true, r, refresh, false, false}; }

// One row under construction: the kind-specific constructors below fill the
// behaviour, the member functions the columns every kind has.
struct Row {
    SettingDef d;

    Row& key(std::string k, F form) {
        d.key = std::move(k);
        d.form = form;
        return *this;
    }
    Row& key(std::string k) { return key(std::move(k), d.form); }
    Row& alsoKey(std::string k) {
        d.secondKey = std::move(k);
        return *this;
    }
    Row& says(std::string caption, std::string description, std::vector<ChoiceEntry> choices = {}) {
        d.caption = std::move(caption);
        d.description = std::move(description);
        d.choices = std::move(choices);
        return *this;
    }
    Row& at(std::string frame) {
        d.frame = std::move(frame);
        return *this;
    }
    Row& tip(std::string toolTip) {
        d.toolTip = std::move(toolTip);
        return *this;
    }
    Row& startsRow() {
        d.newRow = true;
        return *this;
    }
    Row& offers(std::vector<std::string> values) {
        d.offered = std::move(values);
        return *this;
    }
    Row& then(FollowRule r) {
        d.rules.push_back(std::move(r));
        return *this;
    }
    Row& kept(Storage s) {
        d.storage = s;
        return *this;
    }
    Row& follows(std::string source) {
        d.followsDefault = std::move(source);
        d.defaultValue.clear();
        return *this;
    }
};

// The form a kind takes in the settings file unless its row says otherwise.
F naturalForm(Kind k) {
    switch (k) {
    case Kind::NumberText:
    case Kind::Text:
    case Kind::PixelHeight: return F::AsTyped;
    case Kind::Box: return F::Box;
    case Kind::OptionMember: return F::OptionIndex;
    case Kind::FontFace: return F::FaceName;
    case Kind::FontFlag: return F::Flag;
    case Kind::Choice:
    case Kind::ListIndex:
    case Kind::Colour:
    case Kind::Level: return F::Decimal;
    }
    return F::AsTyped;
}

Row row(std::string name, std::string field, Kind kind, std::string def, Invalidates onChange = I::Nothing) {
    Row r;
    r.d.name = std::move(name);
    r.d.field = std::move(field);
    r.d.kind = kind;
    r.d.defaultValue = std::move(def);
    r.d.onChange = onChange;
    r.d.form = naturalForm(kind);
    return r;
}

// A number field whose Enter and leaving both validate with `r` and make `refresh` stale.
Row number(std::string name, std::string field, std::string def, Accepts accepts, NumberRange range, Replace r,
           Invalidates refresh = I::Nothing) {
    Row x = row(std::move(name), std::move(field), Kind::NumberText, std::move(def));
    x.d.accepts = accepts;
    x.d.range = range;
    x.d.onEnter = validate(r, refresh);
    x.d.onLeave = validate(r, refresh);
    return x;
}

// A number field that only reacts when it is left.
Row numberOnLeave(std::string name, std::string field, std::string def, Accepts accepts, NumberRange range,
                  FieldReaction leave = {}) {
    Row x = row(std::move(name), std::move(field), Kind::NumberText, std::move(def));
    x.d.accepts = accepts;
    x.d.range = range;
    x.d.onLeave = leave;
    return x;
}

Row counted(std::string name, std::string field, Kind kind, std::string def, int count,
            Invalidates onChange = I::Nothing) {
    Row x = row(std::move(name), std::move(field), kind, std::move(def), onChange);
    x.d.choiceCount = count;
    return x;
}

using When = FollowRule::When;
FollowRule copyTo(std::string target) { return {Does::CopyTo, std::move(target), {}, When::NumericOnLeave}; }
FollowRule tenTimesTo(std::string target) { return {Does::TenTimesTo, std::move(target), {}, When::Always}; }
FollowRule clears(std::string target, When when = When::Always) {
    return {Does::ClearOther, std::move(target), {}, when};
}
FollowRule measures(std::string pixel, When when = When::Always) {
    return {Does::MeasurePixelHeight, std::move(pixel), {}, when};
}
FollowRule keepRowGap() { return {Does::KeepRowGapAboveRuby, "margin.rowGap", {}, When::Always}; }
FollowRule songInfoColour(std::string target, int style) {
    return {Does::SongInfoColour, std::move(target), std::to_string(style), When::Always};
}
FollowRule fillFromTenTimes(std::string target, std::string source) {
    return {Does::FillFromTenTimes, std::move(target), std::move(source), When::Ticked};
}

using Table = std::vector<SettingDef>;

void add(Table& t, Row r) { t.push_back(std::move(r.d)); }

// A font button, its four flags and its size. Keys: <prefix>fontName,
// <prefix>Bold ...; the size's key is given (the lyrics font's is "tagfontSize").
struct FontRows {
    std::string area;         // "lyricsFont"
    std::string field;        // "Command2"
    std::string keyPrefix;    // "", "ruby", "title", "Credit"
    std::string frame;        // where the face's button is
    std::string what;         // "lyrics"
    std::string followsFace;  // the face's default follows this field
    Invalidates onChange;
};

void addFont(Table& t, const FontRows& f, Group group = Group::Conversion) {
    Row face = row(f.area + ".face", f.field, Kind::FontFace, "MS UI Gothic", f.onChange)
                   .key(f.keyPrefix + "fontName")
                   .at(f.frame)
                   .says("フォント", "face of the " + f.what + " font (also the button's caption)");
    if (!f.followsFace.empty()) face.follows(f.followsFace);
    face.d.group = group;
    add(t, face);
    const std::pair<const char*, const char*> flags[4] = {
        {"Bold", "太字"}, {"Italic", "斜体"}, {"Underline", "下線"}, {"Strikethrough", "取り消し線"}};
    const char* words[4] = {"bold", "italic", "underlined", "struck-through"};
    for (int i = 0; i < 4; ++i) {
        std::string lower = flags[i].first;
        lower[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[0])));
        Row r = row(f.area + "." + lower, f.field + "." + flags[i].first, Kind::FontFlag, "0", f.onChange)
                    .key(f.keyPrefix + flags[i].first)
                    .says(flags[i].second, std::string(words[i]) + " " + f.what + " font");
        r.d.optionGroup = f.field;
        r.d.group = group;
        add(t, r);
    }
}

// The pixel height of a font at a size, shown beside the size in `frame`.
Row pixelHeight(std::string name, std::string field, std::string font, std::string size, std::string frame,
                std::string description) {
    Row r = row(std::move(name), std::move(field), Kind::PixelHeight, "0")
                .kept(Storage::NotStored)
                .at(std::move(frame))
                .says("ピクセル", std::move(description));
    r.d.optionGroup = std::move(font);
    r.d.measuredFrom = std::move(size);
    return r;
}

// One option button of a group.
struct Member {
    std::string name, field;
    std::string key;  // a Flag key of its own; empty: the group's key holds the selected member
    std::string caption, description;
    std::string rowLabel;
};

void addGroup(Table& t, const std::string& group, const std::string& frame, const std::vector<Member>& members,
              int selected, Invalidates onChange) {
    for (size_t i = 0; i < members.size(); ++i) {
        const Member& m = members[i];
        Row r = row(m.name, m.field, Kind::OptionMember, static_cast<int>(i) == selected ? "1" : "0", onChange)
                    .at(frame)
                    .says(m.caption, m.description);
        r.d.rowLabel = m.rowLabel;
        if (m.key.empty())
            r.key(group, F::OptionIndex);
        else
            r.key(m.key, F::Flag);
        r.d.optionGroup = group;
        r.d.memberIndex = static_cast<int>(i);
        add(t, r);
    }
}

const std::vector<ChoiceEntry> kCharacterSets{
    {"SHIFT JIS(128)", "Japanese, character set 128"},
    {"ANSI (0)", "Western, character set 0"},
    {"CHINESE BIG5 (136)", "traditional Chinese, character set 136"},
};

// Hour, minute and second fields of one clock time, stored joined under one
// key, side by side in one row of `frame` ("時", "分", "秒" after `hourCaption`).
struct Clock {
    std::string area, what, fieldPrefix, key;
    std::string frame, hourCaption;
    bool startsRow;
    std::string hourDescription, minuteDescription, secondDescription;
    Replace minuteReplace;
};

void addClock(Table& t, const Clock& c) {
    Row hour = numberOnLeave(c.area + "." + c.what + "Hour", c.fieldPrefix + "H", "0", Accepts::Digits, kClock,
                             validate(Replace::Zero))
                   .key(c.key, F::JoinedTime)
                   .at(c.frame)
                   .says(c.hourCaption + "時", c.hourDescription);
    hour.d.newRow = c.startsRow;
    add(t, hour);
    const std::tuple<const char*, const char*, std::string> units[2] = {{"Minute", "分", c.minuteDescription},
                                                                        {"Second", "秒", c.secondDescription}};
    for (const auto& [unit, caption, description] : units) {
        FieldReaction r = validate(c.minuteReplace);
        r.padOneDigit = true;
        add(t, numberOnLeave(c.area + "." + c.what + unit, c.fieldPrefix + unit[0], "00", Accepts::Digits, kClock, r)
                   .key(c.key, F::JoinedTime)
                   .at(c.frame)
                   .says(caption, description));
    }
}

Table buildTable() {
    Table t;
    // Output frame, fonts and measurement.
    add(t, number("frame.width", "dispWidth", "640", Accepts::Digits, kFrame, Replace::Zero, I::FrameSize)
               .key("SizeWidth")
               .at("frameSize")
               .offers({"320", "640", "704", "856", "1280", "1920"})
               .says("動画の横幅", "width of the video frame in pixels; the script's PlayResX"));
    add(t, number("frame.height", "dispHeight", "480", Accepts::Digits, kFrame, Replace::Zero, I::FrameSize)
               .key("SizeHeight")
               .at("frameSize")
               .offers({"180", "240", "360", "396", "480", "484", "720", "1080"})
               .says("動画の縦幅", "height of the video frame in pixels; the script's PlayResY"));
    addFont(t, {"lyricsFont", "Command2", "", "frameFont", "lyrics", "", I::StyleLayout});
    // The main face becomes the ruby and song-information face too.
    t[2].rules = {{Does::FaceToAllFonts, {}, {}, When::Always},
                  measures("lyricsFont.pixelHeight"),
                  measures("rubyFont.pixelHeight"),
                  {Does::KeepRowGapAboveRubyUnscaled, "margin.rowGap", {}, When::Always}};
    add(t, numberOnLeave("lyricsFont.size", "ssaFontSize", "36", Accepts::Digits, kFontSize,
                         validate(Replace::PresetValue, I::StyleLayout))
               .key("tagfontSize")
               .at("frameFont")
               .tip("フォント設定から指定してください")
               .says("サイズ", "lyrics font size in points; 0 restores the preset's size")
               .then(measures("lyricsFont.pixelHeight")));
    add(t, pixelHeight("lyricsFont.pixelHeight", "tagFontPixcel", "Command2", "ssaFontSize", "frameFont",
                       "pixel height of the lyrics font at its size (derived)"));
    addFont(t, {"rubyFont", "Command6", "ruby", "frameRubyFont", "ruby", "lyricsFont.face", I::StyleLayout});
    t[t.size() - 5].rules = {measures("rubyFont.pixelHeight"), keepRowGap()};
    add(t, numberOnLeave("rubyFont.size", "rubyFontSize", "14", Accepts::Digits, kFontSize,
                         validate(Replace::PresetValue, I::StyleLayout))
               .key("rubyfontSize")
               .at("frameRubyFont")
               .tip("フォント設定から指定してください")
               .says("サイズ", "ruby font size in points; 0 restores the preset's size")
               .then(measures("rubyFont.pixelHeight"))
               .then(keepRowGap()));
    add(t, pixelHeight("rubyFont.pixelHeight", "Label19", "Command6", "rubyFontSize", "frameRubyFont",
                       "pixel height of the ruby font at its size (derived)"));
    add(t, counted("style.charset", "Combo1", Kind::ListIndex, "0", 3, I::Styles)
               .key("Encoding")
               .at("frameCharset")
               .says("文字コード", "character set of the styles", kCharacterSets));
    // The style names of the lines are renewed with the rows, and the time
    // correction starts the display windows again from the tags, so a new
    // style number makes stale what a new line count does; styles and times
    // alone would leave events naming the old style and without lead-in.
    add(t, numberOnLeave("style.number", "StyleNumber", "1", Accepts::Digits, kStyleNumber,
                         validate(Replace::None, I::StyleSet))
               .key("StyleNumber")
               .at("frameStyleNumber")
               .says("番号", "number appended to the style names Kanji and Ruby (Kanji1, Ruby1)"));
    {
        Row r = number("scale.x", "mojiScaleX", "1", Accepts::DigitsPoint, kScale, Replace::Zero)
                    .kept(Storage::NotStored)
                    .at("frameScale")
                    .says("横", "horizontal scale of every measured width (wide pixels); not stored");
        r.d.onEnter = validate(Replace::One);
        add(t, r);
    }
    {
        Row r = number("scale.y", "mojiScaleY", "1", Accepts::DigitsPoint, kScale, Replace::Zero)
                    .key("mojiScaleY")
                    .at("frameScale")
                    .says("縦", "vertical scale of the line spacing");
        r.d.onEnter = validate(Replace::One, I::LineSpacing);
        r.d.onEnter.refreshOnlyWhenNumeric = true;
        add(t, r);
    }

    // Colours and transparency of the standard style and the spare styles.
    // A colour of the style titleInfo names is the song information's colour too.
    add(t, row("colour.afterWipe", "PrimaryColor", Kind::Colour, "65535", I::Styles)
               .key("primaryColor")
               .at("frameColor")
               .says("ワイプ後", "after-wipe (sung) colour of the standard style")
               .then(songInfoColour("songInfo.colour", 0)));
    add(t, row("colour.beforeWipe", "secondaryColor", Kind::Colour, "16711680", I::Styles)
               .key("secondaryColor")
               .at("frameColor")
               .says("ワイプ前", "before-wipe colour of the standard style"));
    add(t, row("colour.outline", "TeritaryColor", Kind::Colour, "0", I::Styles)
               .key("teritaryColor")
               .at("frameColor")
               .says("縁", "outline colour of the standard style")
               .then(songInfoColour("songInfo.outlineColour", 0)));
    add(t, row("colour.shadow", "ShadowColor", Kind::Colour, "0", I::Styles)
               .key("shadowColor")
               .at("frameColor")
               .says("影", "shadow colour of the standard style")
               .then(songInfoColour("songInfo.shadowColour", 0)));
    add(t, row("colour.outlineBeforeWipe", "teritaryColor2", Kind::Colour, "0")
               .key("teritaryColor2")
               .at("frameColor")
               .says("ワイプ前縁", "outline colour before the wipe, standard style"));
    add(t, row("colour.extended", "Command9", Kind::Colour, "", I::ExtendedColour)
               .follows("colour.afterWipe")
               .key("exColor")
               .at("frameColor")
               .says("拡張色", "extended colour of the standard style (see colour.extendedTarget)"));
    for (const auto& [sub, prefix, keyPrefix, style, index] : {std::tuple{"sub1Colour", "second", "sub1", "Sub1", 1},
                                                               std::tuple{"sub2Colour", "third", "sub2", "Sub2", 2}}) {
        const std::string area = sub, p = prefix, k = keyPrefix, s = style;
        add(t, row(area + ".afterWipe", p + "PrimaryColor", Kind::Colour, "", I::Styles)
                   .follows("colour.afterWipe")
                   .key(k + "PrimaryColor")
                   .at(index == 1 ? "frameSub1" : "frameSub2")
                   .says("ワイプ後", "after-wipe (sung) colour of the " + s + " style")
                   .then(songInfoColour("songInfo.colour", index)));
        add(t, row(area + ".beforeWipe", p + "SecondaryColor", Kind::Colour, "", I::Styles)
                   .follows("colour.beforeWipe")
                   .key(k + "SecondaryColor")
                   .at(index == 1 ? "frameSub1" : "frameSub2")
                   .says("ワイプ前", "before-wipe colour of the " + s + " style"));
        add(t, row(area + ".outline", p + "TeritaryColor", Kind::Colour, "", I::Styles)
                   .follows("colour.outline")
                   .key(k + "TeritaryColor")
                   .at(index == 1 ? "frameSub1" : "frameSub2")
                   .says("縁", "outline colour of the " + s + " style")
                   .then(songInfoColour("songInfo.outlineColour", index)));
        add(t, row(area + ".shadow", p + "ShadowColor", Kind::Colour, "", I::Styles)
                   .follows("colour.shadow")
                   .key(k + "ShadowColor")
                   .at(index == 1 ? "frameSub1" : "frameSub2")
                   .says("影", "shadow colour of the " + s + " style")
                   .then(songInfoColour("songInfo.shadowColour", index)));
        add(t, row(area + ".outlineBeforeWipe", p + "TeritaryColor2", Kind::Colour, "0")
                   .key(k + "teritaryColor2")
                   .at(index == 1 ? "frameSub1" : "frameSub2")
                   .says("ワイプ前縁", "outline colour before the wipe, " + s + " style"));
        add(t, row(area + ".extended", index == 1 ? "Command11" : "Command12", Kind::Colour, "", I::ExtendedColour)
                   .follows(area + ".afterWipe")
                   .key(index == 1 ? "exColor1" : "exColor2")
                   .at(index == 1 ? "frameSub1" : "frameSub2")
                   .says("拡張色", "extended colour of " + s + " (see colour.extendedTarget)"));
    }
    // The levels are written a second time under shorter keys; on loading those decide.
    add(t, row("alpha.afterWipe", "PrimaryAlpha", Kind::Level, "0", I::Styles)
               .key("primaryAlphaLevel")
               .alsoKey("primaryAlpha")
               .at("frameColor")
               .says("透明度 ワイプ後", "transparency of the after-wipe colour, 0 opaque to 10 invisible"));
    add(t, row("alpha.beforeWipe", "secondaryAlpha", Kind::Level, "0", I::Styles)
               .key("secondaryAlphaLevel")
               .alsoKey("secondaryAlpha")
               .at("frameColor")
               .says("透明度 ワイプ前", "transparency of the before-wipe colour"));
    add(t, row("alpha.outline", "TeritaryAlpha", Kind::Level, "0", I::Styles)
               .key("teritaryAlphaLevel")
               .alsoKey("teritaryAlpha")
               .at("frameColor")
               .says("透明度 縁", "transparency of the outline"));
    add(t, row("alpha.shadow", "backAlpha", Kind::Level, "5", I::Styles)
               .key("backAlphaLevel")
               .alsoKey("backAlpha")
               .at("frameColor")
               .says("透明度 影", "transparency of the shadow"));
    add(t, counted("colour.extendedTarget", "ExColor", Kind::Choice, "0", 5)
               .key("ExColorMode")
               .at("frameExColor")
               .says("拡張色の適用先", "which colour the extended colour replaces",
                     {{"ワイプ前", "unsung colour"},
                      {"縁", "outline"},
                      {"影", "shadow"},
                      {"固定色", "a fixed colour"},
                      {"ワイプ後", "sung colour"}}));
    add(t, row("output.hexColours", "ColorHex", Kind::Box, "0")
               .key("ColorHex")
               .at("frameHex")
               .tip("色をHEX表示する場合にチェック")
               .says("HEX表示", "write colours in hexadecimal form"));
    // The border style is part of the style lines, so a change refreshes them.
    addGroup(t, "OptionBorder", "frameBorder",
             {{"border.outlined", "OptionBorder1", "BorderStyle1", "縁付", "border style: outline and shadow"},
              {"border.boxed", "OptionBorder2", "BorderStyle2", "枠囲", "border style: an opaque box"}},
             0, I::Styles);
    {
        Row r = number("border.outline", "outLine", "3", Accepts::Digits, kBorder, Replace::Zero, I::Styles)
                    .key("Outline")
                    .at("frameBorder")
                    .startsRow()
                    .says("縁", "outline width in pixels");
        r.d.onEnter = validate(Replace::Zero);  // Enter replaces but does not refresh
        add(t, r);
    }
    add(t, number("border.shadow", "shadowDepth", "3", Accepts::Digits, kBorder, Replace::Zero, I::StyleLayout)
               .key("shadowDepth")
               .at("frameBorder")
               .says("影", "shadow depth in pixels"));

    // Placement. Each change ends with the fit and height checks.
    add(t, number("margin.left", "MarginL", "30", Accepts::DigitsMinus, kSignedPixels, Replace::Zero, I::StyleLayout)
               .key("MarginL")
               .at("frameMargin")
               .says("左", "left margin in pixels; also sets margin.right")
               .then(copyTo("margin.right")));
    add(t, number("margin.right", "MarginR", "30", Accepts::Digits, kPixels, Replace::Zero, I::StyleLayout)
               .key("MarginR")
               .at("frameMargin")
               .says("右", "right margin in pixels"));
    add(t, number("margin.rowGap", "MarginN", "20", Accepts::Digits, kPixels, Replace::Zero, I::StyleLayout)
               .key("MarginN")
               .at("frameMargin")
               .tip("ルビを含まない行の文字間隔")
               .says("行間", "line spacing in pixels of lines without ruby"));
    add(t, number("margin.bottom", "MarginV", "50", Accepts::DigitsMinus, kSignedPixels, Replace::Zero, I::StyleLayout)
               .key("MarginV")
               .at("frameMargin")
               .says("下", "bottom margin in pixels"));
    // Kept in presets and carried through unchanged; nothing reads it.
    add(t, row("unused.alphaLevel", "AlphaLevel", Kind::Text, "0")
               .key("AlphaLevel")
               .says("", "kept in presets for older files; not used"));
    {
        std::vector<ChoiceEntry> rows;
        for (int i = 1; i <= 10; ++i)
            rows.push_back({std::to_string(i), i == 1 ? "one row" : std::to_string(i) + " rows"});
        add(t, counted("rows.count", "LineNumber", Kind::ListIndex, "1", 10, I::StyleSet)
                   .key("LineNumber")
                   .at("frameLines")
                   .says("行数", "number of lyric rows on screen at once (index 0 is one row)", rows));
    }
    const std::tuple<const char*, const char*, const char*> sides[3] = {
        {"left", "Left", "左"}, {"centre", "Centre", "中"}, {"right", "Right", "右"}};
    auto alignRows = [&](const std::string& group, const std::string& area, int first, const std::string& rowLabel,
                         const std::string& what, int selected) {
        std::vector<Member> members;
        for (int i = 0; i < 3; ++i) {
            const auto& [side, name, caption] = sides[i];
            members.push_back({"align." + area + name,
                               "Optionalign" + std::to_string(first + i),
                               {},
                               caption,
                               std::string(side) + "-align the " + what,
                               i == 0 ? rowLabel : ""});
        }
        addGroup(t, group, "frameAlign", members, selected, I::Alignment);
    };
    alignRows("AlignmentUp", "upper", 1, "上段", "upper row", 0);
    alignRows("AlignmentMiddle", "middle", 4, "中段", "middle rows", 1);
    alignRows("AlignmentDown", "lower", 7, "下段", "lower row", 2);
    add(t, row("align.detectAlone", "oneLineCheck", Kind::Box, "1")
               .key("oneLineCheck")
               .at("frameAlign")
               .says("1行時判定", "detect a line shown alone and use the 1行時 alignment"));
    addGroup(t, "Oneline", "frameAlign",
             {{"align.aloneLeft", "Oneline1", {}, "左", "left-align a line shown alone", "1行時"},
              {"align.aloneCentre", "Oneline2", {}, "中", "centre a line shown alone"},
              {"align.aloneRight", "Oneline3", {}, "右", "right-align a line shown alone"}},
             1, I::Alignment);
    add(t, row("align.fineCentring", "setXpositon", Kind::Box, "1", I::Alignment)
               .key("setXpositon")
               .at("frameCentering")
               .says("微妙ｾﾝﾀﾘﾝｸﾞ", "fine centring of each line"));
    add(t, row("ruby.spread", "kintouCheck", Kind::Box, "1")
               .key("kintou")
               .at("frameKintou")
               .says("均等割付", "spread ruby evenly over its base characters"));
    add(t, row("rows.autoBreak", "kaigyo", Kind::Box, "0", I::LineText)
               .key("AutoKaigyo")
               .at("frameKaigyo")
               .says("自動改行", "break a lyrics line too wide for the frame"));
    add(t, row("text.halfWidthSpaces", "MojiSize", Kind::Box, "0")
               .key("MojiSize")
               .at("frameMojiSize")
               .says("全角→半角", "turn full-width spaces into half-width ones"));
    add(t, number("ruby.gapAbove", "rubyUp", "5", Accepts::Digits, kPixels, Replace::Zero, I::RubyGaps)
               .key("rubyUp")
               .at("frameRubyPos")
               .tip("ルビと文字の間隔")
               .says("ルビ上", "pixels between the ruby and the line above"));
    add(t, number("ruby.gapBelow", "rubyDown", "3", Accepts::Digits, kPixels, Replace::Zero, I::RubyGaps)
               .key("rubyDown")
               .at("frameRubyPos")
               .tip("文字とルビの間隔")
               .says("ルビ下", "pixels between the text and its ruby"));
    {
        Row r =
            number("ruby.offsetX", "rubyLeft", "0", Accepts::DigitsMinus, kSignedPixels, Replace::Zero, I::RubyOffset)
                .kept(Storage::NotStored)
                .at("frameRubyPos")
                .says("ルビ左", "horizontal ruby offset in pixels; not stored");
        r.d.onLeave = validate(Replace::Zero);
        add(t, r);
    }
    add(t, numberOnLeave("ruby.positionScale", "rubyScale", "1", Accepts::AnyKey, kScale,
                         validate(Replace::Zero, I::RubyPositions))
               .key("rubyScale")
               .at("frameRubyPos")
               .tip("ルビの位置ズレ対策用 1=標準")
               .says("位置倍率", "scale of the ruby positions (1 = as measured)"));

    // Timing (centiseconds). The fades follow the lead-in and lead-out (ms).
    add(t, number("timing.leadIn", "preTime", "80", Accepts::Digits, kShift, Replace::Zero, I::LeadInOut)
               .key("preTime")
               .at("frameTime")
               .says("表示前", "how long a line shows before its wipe starts, in centiseconds")
               .then(tenTimesTo("fade.inMs")));
    add(t, number("timing.leadOut", "aftTime", "20", Accepts::Digits, kShift, Replace::Zero, I::LeadInOut)
               .key("aftTime")
               .at("frameTime")
               .says("表示後", "how long a line stays after its wipe ends, in centiseconds")
               .then(tenTimesTo("fade.outMs")));
    add(t, number("timing.shift", "upTime", "0", Accepts::DigitsMinus, kShift, Replace::Zero, I::TagShift)
               .key("upTime")
               .at("frameTime")
               .tip("全体のタグ時間を指定したミリ秒だけ前後に移動")
               .says("タグ補正", "shift added to every tag time, in centiseconds (negative: earlier)"));
    add(t,
        row("timing.winampStretch", "WinAMPTime", Kind::Box, "1", I::LineText)
            .key("WinAmpTime")
            .at("frameWinAmp")
            .says("WinAMP時間", "stretch the tag times by 640/637 (times taken with a player running 0.9953125 fast)"));
    addGroup(t, "DisplayType", "frameDisplayType",
             {{"display.allAtOnce", "DisplayType1", "DisplayType1", "一括表示",
               "display type: a whole group of rows is shown together"},
              {"display.oneByOne", "DisplayType2", "DisplayType2", "逐次表示",
               "display type: lines appear one after another"}},
             0, I::DisplayType);
    add(t, row("rows.bottomAligned", "LowerCheck", Kind::Box, "1", I::LineText)
               .key("lower")
               .at("frameDisplayType")
               .startsRow()
               .says("下揃え", "align the block of rows to the bottom"));
    add(t, row("display.groupGaps", "spaceTime", Kind::Box, "1", I::LineText)
               .key("spaceTime")
               .at("frameSpaceTime")
               .says("一括表示時時間", "use the two gaps below in group display"));
    add(t, numberOnLeave("display.gapBefore", "spaceTimePre", "20", Accepts::Digits, kTime)
               .key("spaceTimePre")
               .at("frameSpaceTime")
               .says("前行との間隔開始", "gap to the previous line, at the start, in centiseconds"));
    add(t, numberOnLeave("display.gapAfter", "spaceTimeAft", "30", Accepts::Digits, kTime)
               .key("spaceTimeAft")
               .at("frameSpaceTime")
               .says("後行との間隔終了", "gap to the following line, at the end, in centiseconds"));
    add(t, row("display.newLineFirst", "LyricsDisp", Kind::Box, "1")
               .key("LyricsDisp")
               .at("frameLyricsDisp")
               .says("新規行優先", "a new line takes its row at once, cutting the old line short"));
    add(t, numberOnLeave("display.newLineGap", "LyricsDispTime", "10", Accepts::Digits, kTime)
               .key("LyricsDispTime")
               .at("frameLyricsDisp")
               .says("間隔(ms)", "gap kept by that rule, in centiseconds"));
    // Ticking a fade fills its time (ms) from the lead time; a fade time
    // that is not a number unticks its box.
    add(t, row("fade.in", "fadeInCheck", Kind::Box, "0")
               .kept(Storage::NotStored)
               .at("frameFade")
               .says("イン", "fade lines in; not stored")
               .then(fillFromTenTimes("fade.inMs", "timing.leadIn")));
    add(t, numberOnLeave("fade.inMs", "FadeIn", "0", Accepts::Digits, kMilliseconds, validate(Replace::ClearBox))
               .kept(Storage::NotStored)
               .at("frameFade")
               .says("(ms)", "fade-in in milliseconds; set from timing.leadIn; not stored")
               .then(clears("fade.in", When::NotNumeric)));
    add(t, row("fade.out", "fadeOutCheck", Kind::Box, "0")
               .kept(Storage::NotStored)
               .at("frameFade")
               .says("アウト", "fade lines out; not stored")
               .then(fillFromTenTimes("fade.outMs", "timing.leadOut")));
    add(t, numberOnLeave("fade.outMs", "FadeOut", "0", Accepts::Digits, kMilliseconds, validate(Replace::ClearBox))
               .kept(Storage::NotStored)
               .at("frameFade")
               .says("(ms)", "fade-out in milliseconds; set from timing.leadOut; not stored")
               .then(clears("fade.out", When::NotNumeric)));

    // Wipe and effects. Choosing a wipe style clears "no position": only the
    // template styles can place a line themselves, and a sample that does so
    // ticks the box again when it is chosen.
    add(t, counted("wipe.style", "wipe", Kind::Choice, "0", 8)
               .key("wipeType")
               .at("frameWipe")
               .says("ワイプ",
                     "wipe style: how a line changes colour as it is sung (free: the templates wipe.lineTemplate "
                     "and wipe.charTemplate decide; sweep + delayed Sub1: a second layer in the Sub1 style follows)",
                     {{"カラオケ", "sweep per syllable (\\K)"},
                      {"1文字毎", "syllable at once (\\k)"},
                      {"ワイプなし", "no wipe"},
                      {"縁ワイプ", "outline sweep"},
                      {"自由設定", "free (templates)"},
                      {"ワイプ強調", "sweep + delayed Sub1"},
                      {"文字毎設定", "event per syllable"},
                      {"空白区切毎", "sweep per word"}})
               .then(clears("wipe.noPosition")));
    add(t, row("wipe.sweep", "KaraokeWipe", Kind::Box, "1")
               .key("KaraokeWipe")
               .at("frameFreeWipe")
               .says("カラオケワイプあり", "add the sweep (\\K) to wipes 4 to 7"));
    add(t, row("wipe.noPosition", "posNo", Kind::Box, "0")
               .key("posNo")
               .at("frameFreeWipe")
               .says("座標指定なし", "give no position for wipes 4 to 7"));
    add(t, counted("wipe.sample", "TagSample", Kind::ListIndex, "0", 0)
               .key("TagSample")
               .at("frameWipe")
               .says("サンプル", "selected effect sample; fills the two templates"));
    add(t, row("wipe.lineTemplate", "commandLine", Kind::Text, "")
               .key("CommandLine")
               .at("frameWipe")
               .says("共通(行)", "effect template applied per line"));
    add(t, row("wipe.charTemplate", "commandChar", Kind::Text, "")
               .key("CommandChar")
               .at("frameWipe")
               .says("共通(文字)", "effect template applied per character"));
    add(t, row("wipe.freeColour", "OriginalColor", Kind::Colour, "0")
               .key("originalColor")
               .at("frameWipe")
               .says("自由設定色", "the colour the free-setting wipe (wipe 4) uses"));
    add(t, row("wipe.freeAlpha", "OriginalColorAlpha", Kind::Level, "10")
               .key("OriginalColorAlpha")
               .at("frameWipe")
               .says("透明度", "transparency of that colour"));
    add(t, numberOnLeave("wipe.delay", "DelayTime", "10", Accepts::Digits, kTime, validate(Replace::Ten))
               .key("DelayTime")
               .at("frameDelay")
               .says("間隔(ms)", "delay of the second layer of wipe 5, in centiseconds"));
    add(t, numberOnLeave("wipe.outlineClip", "ClipWipe", "0", Accepts::AnyKey, kSignedPixels)
               .key("ClipWipe")
               .at("frameClipWipe")
               .says("縁ワイプ微調整", "outline-wipe adjustment in pixels, when a line's last character is not wiped"));

    // Song information.
    add(t, row("songInfo.show", "songInfoCheck", Kind::Box, "0", I::Everything)
               .key("songInfoCheck")
               .at("frameInfoTop")
               .says("画面上部への曲情報の表示", "show the song information at the top while the song plays"));
    add(t, counted("songInfo.mode", "InfoMode", Kind::Choice, "0", 2)
               .key("infoMode")
               .at("frameInfoMode")
               .says("表示形式", "how the top-of-screen information is shown",
                     {{"2行固定表示(番組/曲+歌手)", "two fixed lines"}, {"1行スクロール表示", "one scrolling line"}}));
    add(t, numberOnLeave("songInfo.x", "songInfoX", "10", Accepts::Digits, kPixels, validate(Replace::Zero))
               .key("songInfoX")
               .at("frameInfoPos")
               .says("X", "left edge of the top-of-screen information in pixels"));
    add(t, numberOnLeave("songInfo.y", "songInfoY", "10", Accepts::Digits, kPixels, validate(Replace::Zero))
               .key("songInfoY")
               .at("frameInfoPos")
               .says("Y", "top edge of the top-of-screen information in pixels"));
    addFont(t, {"songInfoFont", "Command8", "title", "frameInfoFont", "song-information", "lyricsFont.face", I::Nothing});
    // A size typed (or set by --set) is measured as the font dialog measures
    // it: the style's Fontsize and the layout's row height are that pixel
    // height, and a stale one puts ruby off its characters and rows off the frame.
    add(t,
        numberOnLeave("songInfoFont.size", "titleFontSize", "14", Accepts::Digits, kFontSize, validate(Replace::Zero))
            .key("titlefontSize")
            .at("frameInfoSize")
            .says("サイズ", "size of the top-of-screen information in points")
            .then(measures("songInfoFont.pixelHeight", When::Numeric)));
    add(t, pixelHeight("songInfoFont.pixelHeight", "titleFontPixcel", "Command8", "titleFontSize", "frameInfoSize",
                       "pixel height of the song-information font at that size (derived)"));
    add(t, counted("songInfo.coloursFrom", "titleInfo", Kind::Choice, "0", 3)
               .key("titleInfo")
               .at("frameInfoFont")
               .says("色の連動", "whose colours the song information follows when one is picked",
                     {{"標準", "standard style"}, {"Sub1", "Sub1 style"}, {"Sub2", "Sub2 style"}}));
    add(t, row("songInfo.colour", "titlePrimaryColor", Kind::Colour, "")
               .follows("colour.afterWipe")
               .key("titleprimaryColor")
               .at("frameInfoFont")
               .says("文字", "text colour of the song information"));
    add(t, row("songInfo.alpha", "titlePrimaryAlpha", Kind::Level, "0")
               .key("titleprimaryAlphaLevel")
               .at("frameInfoFont")
               .says("透明度", "transparency of the song information's text"));
    add(t, row("songInfo.outlineColour", "titleTeritaryColor", Kind::Colour, "")
               .follows("colour.outline")
               .key("titleteritaryColor")
               .at("frameInfoFont")
               .says("縁", "outline colour of the song information"));
    add(t, row("songInfo.outlineAlpha", "titleTeritaryAlpha", Kind::Level, "0")
               .key("titleteritaryAlphaLevel")
               .at("frameInfoFont")
               .says("透明度", "transparency of its outline"));
    add(t, row("songInfo.shadowColour", "titleShadowColor", Kind::Colour, "")
               .follows("colour.shadow")
               .key("titleshadowColor")
               .at("frameInfoFont")
               .says("影", "shadow colour of the song information"));
    add(t, row("songInfo.shadowAlpha", "titleBackAplha", Kind::Level, "5")
               .key("titlebackAlphaLevel")
               .at("frameInfoFont")
               .says("透明度", "transparency of its shadow"));
    add(t, row("titles.show", "songInfoPreCheck", Kind::Box, "0", I::Everything)
               .key("songInfoPreCheck")
               .at("frameInfoPre")
               .says("曲演奏前の情報表示", "show title, artist and credits before the singing starts"));
    add(t,
        numberOnLeave("titles.titleSize", "titleFontSize1", "50", Accepts::Digits, kFontSize, validate(Replace::Zero))
            .key("titlefontSize1")
            .at("frameTitleSize")
            .says("サイズ", "size of the title before the song, in points")
            .then(measures("titles.titlePixelHeight", When::Numeric)));
    add(t, pixelHeight("titles.titlePixelHeight", "titleFontPixcel1", "Command8", "titleFontSize1", "frameTitleSize",
                       "pixel height of the title before the song (derived)"));
    add(t,
        numberOnLeave("titles.otherSize", "titleFontSize2", "20", Accepts::Digits, kFontSize, validate(Replace::Zero))
            .key("titlefontSize2")
            .at("frameTitleSize2")
            .says("サイズ", "size of the other lines before the song, in points")
            .then(measures("titles.otherPixelHeight", When::Numeric)));
    add(t, pixelHeight("titles.otherPixelHeight", "titleFontPixcel2", "Command8", "titleFontSize2", "frameTitleSize2",
                       "pixel height of those lines (derived)"));
    add(t, counted("titles.timing", "titleDispType", Kind::Choice, "0", 2)
               .key("titleDispType")
               .at("frameTitleTime")
               .says("表示",
                     "when the titles before the song are shown: until titles.endBeforeSinging before the singing "
                     "starts, or between the start and end times",
                     {{"歌い始め前まで表示(ms)", "before singing (ms)"},
                      {"表示時間指定", "times below"}}));
    add(t, numberOnLeave("titles.endBeforeSinging", "titleEndTime", "3000", Accepts::Digits, kTime)
               .key("titleEndTime")
               .at("frameTitleTime")
               .says("(ms)", "how long before the first line the titles end, in centiseconds"));
    addClock(t, {"titles", "start", "titleStart", "titleLengthStart", "frameTitleTime", "開始　", true,
                 "hour the titles start", "minute the titles start (two digits)",
                 "second the titles start (two digits)", Replace::DoubleZero});
    addClock(t, {"titles", "end", "titleEnd", "titleLength", "frameTitleTime", "終了　", false, "hour the titles end",
                 "minute the titles end (two digits)", "second the titles end (two digits)", Replace::DoubleZero});
    add(t, numberOnLeave("titles.y", "TitleY", "100", Accepts::Digits, kPixels)
               .key("titleY")
               .at("frameTitlePos")
               .says("上部", "vertical position of the titles (from the bottom while titles.oneRow is ticked)"));
    add(t, numberOnLeave("titles.spacing", "spacer", "0", Accepts::DigitsMinus, kSignedPixels)
               .key("spacer")
               .at("frameTitlePos")
               .says("間隔", "extra gap between title lines in pixels"));
    add(t, row("titles.oneRow", "CheckDouRetu", Kind::Box, "0")
               .key("DouRetu")
               .at("frameTitlePos")
               .startsRow()
               .says("同列表示", "show the titles in one row"));
    add(t, numberOnLeave("titles.fadeIn", "titleFadeIn", "500", Accepts::Digits, kMilliseconds)
               .key("titleFadeIn")
               .at("frameTitleFade")
               .says("イン", "fade-in of the titles in milliseconds"));
    add(t, numberOnLeave("titles.fadeOut", "titleFadeOut", "500", Accepts::Digits, kMilliseconds)
               .key("titleFadeOut")
               .at("frameTitleFade")
               .says("アウト", "fade-out of the titles in milliseconds"));
    // Minutes and seconds start in two digits, as leaving the field leaves
    // them, so the song length is stored "0:00:00" and reads back the same.
    addClock(t, {"songInfo", "end", "end", "songLength", "frameInfoEnd", "", false,
                 "hour the top-of-screen information ends (the song's length)", "minute it ends", "second it ends",
                 Replace::Zero});

    // Output options.
    add(t, row("output.unicode", "unicode", Kind::Box, "1")
               .kept(Storage::Info)
               .key("unicode")
               .at("commands")
               .says("unicodeで保存", "write UTF-16 (1) or Shift-JIS (0) files"));
    add(t, row("output.kra", "KraCheck", Kind::Box, "0")
               .key("MakeKra")
               .at("commands")
               .says("kraファイル作成", "also write the karaoke tag file (.kra)"));
    add(t, row("output.mediaTimes", "MediaTimeCheck", Kind::Box, "0")
               .kept(Storage::Info)
               .key("MediaTimeCheck")
               .at("commands")
               .says("ﾒﾃﾞｨｱ時間取得", "a media probe also sets the title times from the media's length"));
    add(t, row("output.credit", "menuCreditOn", Kind::Box, "0")
               .kept(Storage::Info)
               .key("CleditOn", F::Flag)
               .at("menu")
               .says("クレジット表示", "write the credit line (the credit.* fields)"));
    return t;
}

Table buildCreditTable() {
    Table t;
    addFont(t, {"credit.font", "Command1", "Credit", "", "credit", "", I::Nothing}, Group::Credit);
    auto credit = [&](Row r) {
        r.d.group = Group::Credit;
        r.d.storage = Storage::Info;
        add(t, std::move(r));
    };
    credit(row("credit.colour", "PrimaryColor", Kind::Colour, "65535")
               .key("CreditprimaryColor")
               .says("色", "text colour of the credit"));
    credit(row("credit.outlineColour", "TeritaryColor", Kind::Colour, "0")
               .key("CreditteritaryColor")
               .says("縁", "outline colour of the credit"));
    credit(row("credit.shadowColour", "ShadowColor", Kind::Colour, "0")
               .key("CreditshadowColor")
               .says("影", "shadow colour of the credit"));
    credit(row("credit.alpha", "PrimaryAlpha", Kind::Level, "0")
               .key("CreditprimaryAlpha")
               .says("透明度", "transparency of the credit's text"));
    credit(row("credit.outlineAlpha", "TeritaryAlpha", Kind::Level, "0")
               .key("CreditteritaryAlpha")
               .says("透明度", "transparency of its outline"));
    credit(row("credit.shadowAlpha", "BackAplha", Kind::Level, "5")
               .key("CreditbackAlpha")
               .says("透明度", "transparency of its shadow"));
    // The position's defaults are those of a 640 × 480 frame; it follows the frame.
    auto typed = [&](std::string name, std::string field, std::string def, Replace leave, std::string key,
                     std::string caption, std::string description) {
        Row r = row(std::move(name), std::move(field), Kind::NumberText, std::move(def)).key(std::move(key));
        r.d.accepts = Accepts::Digits;
        if (leave != Replace::None) r.d.onLeave = validate(leave);
        r.d.onLeave.padOneDigit = leave == Replace::DoubleZero;
        r.says(std::move(caption), std::move(description));
        credit(std::move(r));
    };
    typed("credit.posX", "posX", "512", Replace::None, "CreditX", "X",
          "left edge of the credit in pixels (from the right with credit.fromRight)");
    typed("credit.posY", "posY", "48", Replace::None, "CreditY", "Y", "bottom edge of the credit in pixels");
    typed("credit.fontSize", "CreditFontSize", "20", Replace::Zero, "CreditSize", "サイズ",
          "size of the credit font in points");
    credit(row("credit.text", "Credit", Kind::Text, "").key("CreditText").says("テキスト", "the credit text"));
    typed("credit.fadeIn", "FadeIn", "500", Replace::None, "CreditFadeIn", "イン",
          "fade-in of the credit in milliseconds");
    typed("credit.fadeOut", "FadeOut", "500", Replace::None, "CreditFadeOut", "アウト",
          "fade-out of the credit in milliseconds");
    // The end fields follow the start fields' rules, so both times always hold the same form.
    typed("credit.startHour", "titleStartH", "0", Replace::Zero, "CreditTimeStartHH", "開始　時",
          "hour the credit appears");
    typed("credit.startMinute", "titleStartM", "00", Replace::DoubleZero, "CreditTimeStartMM", "分",
          "minute it appears (two digits)");
    typed("credit.startSecond", "titleStartS", "00", Replace::DoubleZero, "CreditTimeStartSS", "秒",
          "second it appears (two digits)");
    typed("credit.endHour", "titleEndH", "0", Replace::Zero, "CreditTimeEndHH", "終了　時", "hour the credit goes");
    typed("credit.endMinute", "titleEndM", "00", Replace::DoubleZero, "CreditTimeEndMM", "分",
          "minute it goes (two digits)");
    typed("credit.endSecond", "titleEndS", "00", Replace::DoubleZero, "CreditTimeEndSS", "秒",
          "second it goes (two digits)");
    credit(counted("credit.charset", "Combo1", Kind::ListIndex, "0", 3)
               .key("CreditEncoding")
               .says("", "character set of the credit's style", kCharacterSets));
    credit(row("credit.tag", "CreditTag", Kind::Text, "")
               .key("CreditTag")
               .says("タグ", "override tags put before the text (a \\move replaces the position)"));
    credit(row("credit.fromRight", "xRight", Kind::Box, "0")
               .key("xRight")
               .tip("X軸の指定を右側からのマージン指定とする")
               .says("X軸右から", "credit.posX counts from the right edge"));
    for (auto& d : t) {
        d.group = Group::Credit;
        d.storage = Storage::Info;
        // The credit's typed fields are kept as typed; the font's are flags.
        if (d.kind == Kind::NumberText || d.kind == Kind::Text || d.kind == Kind::FontFace) d.form = F::AsTyped;
    }
    return t;
}

// The window's captions in English, by the setting's meaningful name:
// caption, then the row label and the tooltip where the row has them. Short,
// as an English-speaking karaoke maker calls these things, and worded as
// `kvelmor fields` and the README word them (sung and unsung colours).
struct English {
    const char* name;
    const char* caption;
    const char* rowLabel = "";
    const char* toolTip = "";
};

const std::vector<English>& englishCaptions() {
    static const char* const kSetInFontDialog = "Set it with the font button";
    static const std::vector<English> rows{
        {"frame.width", "Width"},
        {"frame.height", "Height"},
        {"lyricsFont.face", "Font"},
        {"lyricsFont.size", "Size", "", kSetInFontDialog},
        {"lyricsFont.pixelHeight", "Pixels"},
        {"rubyFont.face", "Font"},
        {"rubyFont.size", "Size", "", kSetInFontDialog},
        {"rubyFont.pixelHeight", "Pixels"},
        {"style.charset", "Charset"},
        {"style.number", "Number"},
        {"scale.x", "Horizontal"},
        {"scale.y", "Vertical"},
        {"colour.afterWipe", "Sung colour"},
        {"colour.beforeWipe", "Unsung colour"},
        {"colour.outline", "Outline"},
        {"colour.shadow", "Shadow"},
        {"colour.outlineBeforeWipe", "Unsung outline"},
        {"colour.extended", "Extended"},
        {"sub1Colour.afterWipe", "Sung colour"},
        {"sub1Colour.beforeWipe", "Unsung colour"},
        {"sub1Colour.outline", "Outline"},
        {"sub1Colour.shadow", "Shadow"},
        {"sub1Colour.outlineBeforeWipe", "Unsung outline"},
        {"sub1Colour.extended", "Extended"},
        {"sub2Colour.afterWipe", "Sung colour"},
        {"sub2Colour.beforeWipe", "Unsung colour"},
        {"sub2Colour.outline", "Outline"},
        {"sub2Colour.shadow", "Shadow"},
        {"sub2Colour.outlineBeforeWipe", "Unsung outline"},
        {"sub2Colour.extended", "Extended"},
        {"alpha.afterWipe", "Sung alpha"},
        {"alpha.beforeWipe", "Unsung alpha"},
        {"alpha.outline", "Outline alpha"},
        {"alpha.shadow", "Shadow alpha"},
        {"colour.extendedTarget", "Extended replaces"},
        {"output.hexColours", "Hexadecimal", "", "Tick to write the colours in hexadecimal"},
        {"border.outlined", "Outline"},
        {"border.boxed", "Box"},
        {"border.outline", "Outline"},
        {"border.shadow", "Shadow"},
        {"margin.left", "Left"},
        {"margin.right", "Right"},
        {"margin.rowGap", "Row gap", "", "Spacing of rows without ruby"},
        {"margin.bottom", "Bottom"},
        {"rows.count", "Rows"},
        {"align.upperLeft", "Left", "Top"},
        {"align.upperCentre", "Centre"},
        {"align.upperRight", "Right"},
        {"align.middleLeft", "Left", "Middle"},
        {"align.middleCentre", "Centre"},
        {"align.middleRight", "Right"},
        {"align.lowerLeft", "Left", "Bottom"},
        {"align.lowerCentre", "Centre"},
        {"align.lowerRight", "Right"},
        {"align.detectAlone", "Detect a line alone"},
        {"align.aloneLeft", "Left", "Alone"},
        {"align.aloneCentre", "Centre"},
        {"align.aloneRight", "Right"},
        {"align.fineCentring", "Fine centring"},
        {"ruby.spread", "Spread ruby evenly"},
        {"rows.autoBreak", "Break long lines"},
        {"text.halfWidthSpaces", "Full → half width"},
        {"ruby.gapAbove", "Above", "", "Gap between the ruby and the line above"},
        {"ruby.gapBelow", "Below", "", "Gap between the text and its ruby"},
        {"ruby.offsetX", "Left"},
        {"ruby.positionScale", "Scale", "", "Corrects ruby positions that drift; 1 = as measured"},
        {"timing.leadIn", "Lead-in"},
        {"timing.leadOut", "Lead-out"},
        {"timing.shift", "Tag shift", "", "Moves every tag time earlier or later"},
        {"timing.winampStretch", "WinAMP time"},
        {"display.allAtOnce", "Show a screen at a time"},
        {"display.oneByOne", "Line by line"},
        {"rows.bottomAligned", "Align to bottom"},
        {"display.groupGaps", "Use these gaps"},
        {"display.gapBefore", "Start after previous"},
        {"display.gapAfter", "End before next"},
        {"display.newLineFirst", "New line first"},
        {"display.newLineGap", "Gap (ms)"},
        {"fade.in", "In"},
        {"fade.inMs", "(ms)"},
        {"fade.out", "Out"},
        {"fade.outMs", "(ms)"},
        {"wipe.style", "Style"},
        {"wipe.sweep", "Karaoke sweep"},
        {"wipe.noPosition", "No position"},
        {"wipe.sample", "Sample"},
        {"wipe.lineTemplate", "Per line"},
        {"wipe.charTemplate", "Per character"},
        {"wipe.freeColour", "Free colour"},
        {"wipe.freeAlpha", "Alpha"},
        {"wipe.delay", "Delay (ms)"},
        {"wipe.outlineClip", "Outline wipe nudge"},
        {"songInfo.show", "Show song info at the top"},
        {"songInfo.mode", "Display"},
        {"songInfo.x", "X"},
        {"songInfo.y", "Y"},
        {"songInfoFont.face", "Font"},
        {"songInfoFont.size", "Size"},
        {"songInfoFont.pixelHeight", "Pixels"},
        {"songInfo.coloursFrom", "Colours follow"},
        {"songInfo.colour", "Text"},
        {"songInfo.alpha", "Alpha"},
        {"songInfo.outlineColour", "Outline"},
        {"songInfo.outlineAlpha", "Alpha"},
        {"songInfo.shadowColour", "Shadow"},
        {"songInfo.shadowAlpha", "Alpha"},
        {"songInfo.endHour", "h"},
        {"songInfo.endMinute", "min"},
        {"songInfo.endSecond", "s"},
        {"titles.show", "Show titles before the song"},
        {"titles.titleSize", "Size"},
        {"titles.titlePixelHeight", "Pixels"},
        {"titles.otherSize", "Size"},
        {"titles.otherPixelHeight", "Pixels"},
        {"titles.timing", "Show"},
        {"titles.endBeforeSinging", "(ms)"},
        {"titles.startHour", "Start h"},
        {"titles.startMinute", "min"},
        {"titles.startSecond", "s"},
        {"titles.endHour", "End h"},
        {"titles.endMinute", "min"},
        {"titles.endSecond", "s"},
        {"titles.y", "Top"},
        {"titles.spacing", "Spacing"},
        {"titles.oneRow", "One row"},
        {"titles.fadeIn", "In"},
        {"titles.fadeOut", "Out"},
        {"output.unicode", "Save as Unicode"},
        {"output.kra", "Write .kra"},
        {"output.mediaTimes", "Media length"},
        {"output.credit", "Show credit"},
        {"credit.font.face", "Font"},
        {"credit.colour", "Colour"},
        {"credit.outlineColour", "Outline"},
        {"credit.shadowColour", "Shadow"},
        {"credit.alpha", "Alpha"},
        {"credit.outlineAlpha", "Alpha"},
        {"credit.shadowAlpha", "Alpha"},
        {"credit.posX", "X"},
        {"credit.posY", "Y"},
        {"credit.fontSize", "Size"},
        {"credit.text", "Text"},
        {"credit.fadeIn", "In"},
        {"credit.fadeOut", "Out"},
        {"credit.startHour", "Start h"},
        {"credit.startMinute", "min"},
        {"credit.startSecond", "s"},
        {"credit.endHour", "End h"},
        {"credit.endMinute", "min"},
        {"credit.endSecond", "s"},
        {"credit.tag", "Tags"},
        {"credit.fromRight", "X from right", "", "X is the margin from the right edge"},
    };
    return rows;
}

// Puts the English captions into the rows of one group's table (the list holds
// both groups'; a row left without its caption is refused by the Index).
Table withEnglish(Table t) {
    for (const English& e : englishCaptions()) {
        auto it = std::find_if(t.begin(), t.end(), [&](const SettingDef& d) { return d.name == e.name; });
        if (it == t.end()) continue;  // a row of the other group
        it->captionEn = e.caption;
        it->rowLabelEn = e.rowLabel;
        it->toolTipEn = e.toolTip;
    }
    return t;
}

// A table with its look-up by both names, checked once when built: every
// name and field unique, every row complete, every rule's target a field.
struct Index {
    Table table;
    std::unordered_map<std::string, size_t> byName;  // meaningful names and field names
    std::vector<OptionGroup> groups;

    explicit Index(Table t) : table(std::move(t)) {
        auto fail = [](const std::string& why) { throw std::logic_error("settings schema: " + why); };
        for (size_t i = 0; i < table.size(); ++i) {
            const SettingDef& d = table[i];
            if (d.name.empty() || d.field.empty()) fail("a row without a name or field");
            if (!byName.emplace(d.name, i).second) fail("two rows named " + d.name);
            if (d.field != d.name && !byName.emplace(d.field, i).second) fail("two rows with the field " + d.field);
            if (d.storage != Storage::NotStored && d.key.empty()) fail(d.field + " is stored under no key");
            if (d.description.empty()) fail(d.field + " has no description");
            // A row the window shows says in English what it says in Japanese.
            const bool shown = d.kind != Kind::FontFlag && (!d.frame.empty() || d.group == Group::Credit);
            if (shown && !d.caption.empty() && d.captionEn.empty()) fail(d.field + " has no English caption");
            if (!d.rowLabel.empty() && d.rowLabelEn.empty()) fail(d.field + " has no English row label");
            if (!d.toolTip.empty() && d.toolTipEn.empty()) fail(d.field + " has no English tooltip");
            // Every index a choice or list takes has its caption and meaning;
            // the effect samples (choiceCount 0) are listed by the samples themselves.
            if (static_cast<int>(d.choices.size()) != d.choiceCount)
                fail(d.field + " lists a different number of choices");
            if (!d.followsDefault.empty() && !byName.count(d.followsDefault))
                fail(d.field + " follows a field not defined before it");
            // A default of its own is one the setting can hold.
            const bool own = d.followsDefault.empty();
            const bool onOff = own && (d.kind == Kind::Box || d.kind == Kind::FontFlag || d.kind == Kind::OptionMember);
            if (onOff && d.defaultValue != "0" && d.defaultValue != "1") fail(d.field + " defaults to neither 0 nor 1");
            const bool indexed = own && (d.kind == Kind::Choice || d.kind == Kind::ListIndex);
            if (indexed && d.choiceCount > 0 && std::stoi(d.defaultValue) >= d.choiceCount)
                fail(d.field + " defaults past its choices");
            if (own && d.range && !d.range->contains(std::stod(d.defaultValue)))
                fail(d.field + " defaults outside its range");
            if (d.group == Group::Conversion && d.kind == Kind::NumberText && !d.range) fail(d.field + " has no range");
            if (d.kind != Kind::OptionMember) continue;
            auto it = std::find_if(groups.begin(), groups.end(),
                                   [&](const OptionGroup& g) { return g.name == d.optionGroup; });
            if (it == groups.end()) {
                groups.push_back({d.optionGroup, {}});
                it = groups.end() - 1;
            }
            it->members.push_back(d.field);
        }
        for (const auto& d : table) {
            for (const auto& r : d.rules)
                if (!r.target.empty() && !byName.count(r.target)) fail(d.field + " has a rule for an unknown field");
            // A setting placed in a frame the window does not show would have no widget.
            const bool placed = d.frame.empty() || d.frame == kCommandArea || d.frame == kMenu || findFrame(d.frame);
            if (!placed) fail(d.field + " is placed in an unknown frame " + d.frame);
        }
    }

    const SettingDef* find(std::string_view name) const {
        auto it = byName.find(std::string(name));
        return it == byName.end() ? nullptr : &table[it->second];
    }
};

const Index& conversionIndex() {
    static const Index idx(withEnglish(buildTable()));
    return idx;
}

const Index& creditIndex() {
    static const Index idx(withEnglish(buildCreditTable()));
    return idx;
}

}  // namespace

const std::vector<WindowTab>& windowTabs() {
    static const std::vector<WindowTab> tabs{
        {"基本", "Basic",
         {{{"frameFont", "フォント設定", "Font", 1},
           {"frameSize", "動画サイズ", "Video size", 1},
           {"frameTime", "時間(10ms)", "Time (10 ms)", 1},
           {"frameMargin", "表示位置", "Position", 2},
           {"frameKaigyo", "自動改行", "Line breaks", 1}},
          {{"frameColor", "色&&透明度", "Colour && transparency", 2},
           {"frameSub1", "Sub1", "Sub1", 2},
           {"frameSub2", "Sub2", "Sub2", 2},
           {"frameExColor", "拡張カラー設定", "Extended colour", 1}}}},
        {"拡張", "More",
         {{{"frameLines", "行数", "Rows", 1},
           {"frameAlign", "表示位置", "Alignment", 3},
           {"frameWinAmp", "WinAMP時間", "WinAMP time", 1},
           {"frameFade", "フェード", "Fade", 2},
           {"frameStyleNumber", "スタイル番号", "Style number", 1},
           {"frameSpaceTime", "一括表示時時間(ms)", "Screen-at-a-time gaps (ms)", 1}},
          {{"frameCentering", "微妙ｾﾝﾀﾘﾝｸﾞ", "Centring", 1},
           {"frameBorder", "文字境界&&影", "Border && shadow", 2},
           {"frameDisplayType", "表示形式", "Display", 2},
           {"frameLyricsDisp", "歌詞表示形式  間隔(ms)", "Lyrics display, gap (ms)", 1},
           {"frameScale", "文字倍率", "Text scale", 2},
           {"frameCharset", "文字コード", "Character set", 1},
           {"frameMojiSize", "スペースの変換", "Spaces", 1},
           {"frameHex", "HEX表示", "Hex colours", 1}}}},
        {"ルビ", "Ruby",
         {{{"frameKintou", "均等割付", "Spacing", 1}, {"frameRubyPos", "ルビ表示位置", "Ruby position", 1}},
          {{"frameRubyFont", "フォント設定", "Ruby font", 1}}}},
        {"曲情報", "Song info",
         {{{"frameInfoTop", "画面上部への曲情報の表示", "Song info at the top", 1},
           {"frameInfoMode", "表示形式", "Display", 1},
           {"frameInfoPos", "表示位置", "Position", 2},
           {"frameInfoSize", "文字サイズ", "Text size", 2},
           {"frameInfoEnd", "表示終了時間", "Shown until", 3},
           {"frameInfoFont", "曲情報色", "Song info colours", 2}},
          {{"frameInfoPre", "曲演奏前の情報表示", "Titles before the song", 1},
           {"frameTitleSize", "サイズ", "Title size", 2},
           {"frameTitleSize2", "他サイズ", "Other sizes", 2},
           {"frameTitleTime", "表示終了時間", "Shown until", 3},
           {"frameTitlePos", "表示位置", "Position", 2},
           {"frameTitleFade", "フェード(ms)", "Fade (ms)", 2}}}},
        {"タグ拡張", "Effects",
         {{{"frameWipe", "ワイプ設定", "Wipe", 1},
           {"frameFreeWipe", "自由設定＆ワイプ強調設定", "Free && emphasis wipe", 2},
           {"frameDelay", "ワイプ強調設定", "Emphasis wipe", 1},
           {"frameClipWipe", "縁ワイプ微調整", "Outline wipe", 1}}}},
    };
    return tabs;
}

const WindowFrame* findFrame(std::string_view name) {
    for (const auto& tab : windowTabs())
        for (const auto& column : tab.columns)
            for (const auto& f : column)
                if (f.name == name) return &f;
    return nullptr;
}

const std::vector<SettingDef>& settingTable() { return conversionIndex().table; }
const std::vector<SettingDef>& creditFieldTable() { return creditIndex().table; }
const SettingDef* findSetting(std::string_view name) { return conversionIndex().find(name); }
const SettingDef* findCreditField(std::string_view name) { return creditIndex().find(name); }
const std::vector<OptionGroup>& optionGroups() { return conversionIndex().groups; }

const std::vector<PixelHeightSource>& pixelHeightSources() {
    static const std::vector<PixelHeightSource> sources = [] {
        std::vector<PixelHeightSource> s;
        for (const auto& d : settingTable())
            if (d.kind == Kind::PixelHeight) s.push_back({d.field, d.optionGroup, d.measuredFrom});
        return s;
    }();
    return sources;
}

std::string shownName(const SettingDef& d) {
    const std::string old = d.group == Group::Credit ? "Form7." + d.field : d.field;
    return d.name == old ? d.name : d.name + " (" + old + ")";
}

std::string fontSizeField(std::string_view fontField) {
    for (const auto& s : pixelHeightSources())
        if (s.fontName == fontField) return s.sizeName;
    return {};
}

}  // namespace kvelmor::settings
