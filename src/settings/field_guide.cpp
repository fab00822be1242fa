#include "settings/field_guide.h"

#include <unordered_map>

#include "settings/app_state.h"
#include "settings/credit_settings.h"
#include "settings/presets.h"

namespace kvelmor::settings {
namespace {

using Guides = std::unordered_map<std::string, FieldGuide>;

void add(Guides& g, std::string name, std::string caption, std::string description,
         std::vector<ChoiceEntry> entries = {}) {
    g.emplace(std::move(name), FieldGuide{std::move(caption), std::move(description), std::move(entries)});
}

// A font button and its four flags.
void addFont(Guides& g, const std::string& name, const std::string& caption, const std::string& what) {
    add(g, name, caption, "face of the " + what + " font (also the button's caption)");
    add(g, name + ".Bold", "太字", "bold " + what + " font");
    add(g, name + ".Italic", "斜体", "italic " + what + " font");
    add(g, name + ".Underline", "下線", "underlined " + what + " font");
    add(g, name + ".Strikethrough", "取り消し線", "struck-through " + what + " font");
}

// Three option buttons of one alignment group: left, centre, right.
void addAlignment(Guides& g, int first, const std::string& caption, const std::string& what) {
    const char* sides[3] = {"left", "centre", "right"};
    for (int i = 0; i < 3; ++i)
        add(g, "Optionalign" + std::to_string(first + i), caption, std::string(sides[i]) + "-align the " + what);
}

const std::vector<ChoiceEntry> kCharacterSets{
    {"SHIFT JIS(128)", "Japanese, character set 128"},
    {"ANSI (0)", "Western, character set 0"},
    {"CHINESE BIG5 (136)", "traditional Chinese, character set 136"},
};

Guides buildGuides() {
    Guides g;
    // Output frame, fonts and measurement.
    add(g, "dispWidth", "動画の横幅", "width of the video frame in pixels; the script's PlayResX");
    add(g, "dispHeight", "動画の縦幅", "height of the video frame in pixels; the script's PlayResY");
    addFont(g, "Command2", "フォント設定", "lyrics");
    add(g, "ssaFontSize", "フォント設定", "lyrics font size in points; 0 restores the preset's size");
    add(g, "tagFontPixcel", "", "pixel height of the lyrics font at its size (derived)");
    addFont(g, "Command6", "フォント設定 (ルビ)", "ruby");
    add(g, "rubyFontSize", "フォント設定 (ルビ)", "ruby font size in points; 0 restores the preset's size");
    add(g, "Label19", "", "pixel height of the ruby font at its size (derived)");
    add(g, "Combo1", "文字コード", "character set of the styles", kCharacterSets);
    add(g, "StyleNumber", "StyleNumber", "number appended to the style names Kanji and Ruby (Kanji1, Ruby1)");
    add(g, "mojiScaleX", "文字倍率", "horizontal scale of every measured width (wide pixels); not stored");
    add(g, "mojiScaleY", "文字倍率", "vertical scale of the line spacing");

    // Colours and transparency.
    const std::pair<const char*, const char*> styles[3] = {{"", "standard"}, {"second", "Sub1"}, {"third", "Sub2"}};
    for (const auto& [prefix, style] : styles) {
        const std::string p = prefix;
        const std::string s = style;
        const bool main = p.empty();
        add(g, main ? "PrimaryColor" : p + "PrimaryColor", "ワイプ後", "after-wipe (sung) colour of the " + s + " style");
        add(g, main ? "secondaryColor" : p + "SecondaryColor", "ワイプ前", "before-wipe colour of the " + s + " style");
        add(g, main ? "TeritaryColor" : p + "TeritaryColor", "縁", "outline colour of the " + s + " style");
        add(g, main ? "ShadowColor" : p + "ShadowColor", "影", "shadow colour of the " + s + " style");
        add(g, main ? "teritaryColor2" : p + "TeritaryColor2", "ワイプ前縁",
            "outline colour before the wipe, " + s + " style");
    }
    add(g, "Command9", "拡張色", "extended colour of the standard style (see ExColor)");
    add(g, "Command11", "拡張色", "extended colour of Sub1 (see ExColor)");
    add(g, "Command12", "拡張色", "extended colour of Sub2 (see ExColor)");
    add(g, "PrimaryAlpha", "透明度", "transparency of the after-wipe colour, 0 opaque to 10 invisible");
    add(g, "secondaryAlpha", "透明度", "transparency of the before-wipe colour");
    add(g, "TeritaryAlpha", "透明度", "transparency of the outline");
    add(g, "backAlpha", "透明度", "transparency of the shadow");
    add(g, "ExColor", "拡張カラー設定", "which colour the extended colour replaces",
        {{"ワイプ前", "before-wipe colour"},
         {"縁", "outline"},
         {"影", "shadow"},
         {"固定色", "a fixed colour"},
         {"ワイプ後", "after-wipe colour"}});
    add(g, "OriginalColor", "自由設定", "the colour the free-setting wipe (wipe 4) uses");
    add(g, "OriginalColorAlpha", "自由設定", "transparency of that colour");
    add(g, "ColorHex", "HEX表示", "write colours in hexadecimal form");
    add(g, "OptionBorder1", "縁付", "border style: outline and shadow");
    add(g, "OptionBorder2", "枠囲", "border style: an opaque box");
    add(g, "outLine", "縁", "outline width in pixels");
    add(g, "shadowDepth", "影", "shadow depth in pixels");

    // Placement.
    add(g, "MarginL", "表示位置 左", "left margin in pixels; also sets MarginR");
    add(g, "MarginR", "表示位置 右", "right margin in pixels");
    add(g, "MarginV", "表示位置 下", "bottom margin in pixels");
    add(g, "MarginN", "ルビを含まない行の文字間隔", "line spacing in pixels of lines without ruby");
    add(g, "AlphaLevel", "", "kept in presets for older files; not used");
    {
        std::vector<ChoiceEntry> rows;
        for (int i = 1; i <= 10; ++i)
            rows.push_back({std::to_string(i), i == 1 ? "one row" : std::to_string(i) + " rows"});
        add(g, "LineNumber", "行数", "number of lyric rows on screen at once (index 0 is one row)", rows);
    }
    addAlignment(g, 1, "上段", "upper row");
    addAlignment(g, 4, "中段", "middle rows");
    addAlignment(g, 7, "下段", "lower row");
    add(g, "Oneline1", "1行時", "left-align a line shown alone");
    add(g, "Oneline2", "1行時", "centre a line shown alone");
    add(g, "Oneline3", "1行時", "right-align a line shown alone");
    add(g, "oneLineCheck", "1行時判定", "detect a line shown alone and use the 1行時 alignment");
    add(g, "setXpositon", "微妙ｾﾝﾀﾘﾝｸﾞ", "fine centring of each line");
    add(g, "kintouCheck", "均等割付", "spread ruby evenly over its base characters");
    add(g, "LowerCheck", "下揃え", "align the block of rows to the bottom");
    add(g, "kaigyo", "自動改行", "break a lyrics line too wide for the frame");
    add(g, "MojiSize", "全角→半角", "turn full-width spaces into half-width ones");
    add(g, "rubyUp", "ルビ上", "pixels between the ruby and the line above");
    add(g, "rubyDown", "ルビ下", "pixels between the text and its ruby");
    add(g, "rubyLeft", "ルビ左", "horizontal ruby offset in pixels; not stored");
    add(g, "rubyScale", "ルビの位置ズレ対策用 1=標準", "scale of the ruby positions (1 = as measured)");

    // Timing.
    add(g, "preTime", "時間(10ms)", "how long a line shows before its wipe starts, in centiseconds");
    add(g, "aftTime", "時間(10ms)", "how long a line stays after its wipe ends, in centiseconds");
    add(g, "upTime", "時間(10ms)", "shift added to every tag time, in centiseconds (negative: earlier)");
    add(g, "WinAMPTime", "WinAMP時間", "stretch the tag times by 640/637 (times taken with a player running 0.9953125 fast)");
    add(g, "DisplayType1", "一括表示", "display type: a whole group of rows is shown together");
    add(g, "DisplayType2", "逐次表示", "display type: lines appear one after another");
    add(g, "spaceTime", "一括表示時時間", "use the two gaps below in group display");
    add(g, "spaceTimePre", "前行との間隔開始", "gap to the previous line, at the start, in centiseconds");
    add(g, "spaceTimeAft", "後行との間隔終了", "gap to the following line, at the end, in centiseconds");
    add(g, "LyricsDisp", "新規行優先", "a new line takes its row at once, cutting the old line short");
    add(g, "LyricsDispTime", "間隔(ms)", "gap kept by that rule, in centiseconds");
    add(g, "fadeInCheck", "フェード", "fade lines in; not stored");
    add(g, "fadeOutCheck", "フェード", "fade lines out; not stored");
    add(g, "FadeIn", "フェード", "fade-in in milliseconds; set from preTime; not stored");
    add(g, "FadeOut", "フェード", "fade-out in milliseconds; set from aftTime; not stored");

    // Wipe and effects.
    add(g, "wipe", "ワイプ設定", "wipe style: how a line changes colour as it is sung",
        {{"カラオケ", "colour sweeps across each syllable (\\K)"},
         {"1文字毎", "each syllable changes colour at once (\\k)"},
         {"ワイプなし", "no wipe: lines are shown in one colour"},
         {"縁ワイプ", "the outline sweeps across the line"},
         {"自由設定", "free setting: the templates commandLine and commandChar decide"},
         {"ワイプ強調", "sweep plus a delayed second layer in the Sub1 style"},
         {"文字毎設定", "one event per syllable, each with the character template"},
         {"空白区切毎", "colour sweeps across each blank-separated word"}});
    add(g, "KaraokeWipe", "カラオケワイプあり", "add the sweep (\\K) to wipes 4 to 7");
    add(g, "posNo", "座標指定なし", "give no position for wipes 4 to 7");
    add(g, "TagSample", "ワイプ設定", "selected effect sample; fills the two templates");
    add(g, "commandLine", "共通(行)", "effect template applied per line");
    add(g, "commandChar", "共通(文字)", "effect template applied per character");
    add(g, "DelayTime", "間隔(ms)", "delay of the second layer of wipe 5, in centiseconds");
    add(g, "ClipWipe", "縁ワイプ微調整", "outline-wipe adjustment in pixels, when a line's last character is not wiped");

    // Song information.
    add(g, "songInfoCheck", "画面上部への曲情報の表示", "show the song information at the top while the song plays");
    add(g, "InfoMode", "曲情報", "how the top-of-screen information is shown",
        {{"2行固定表示(番組/曲+歌手)", "two fixed lines"}, {"1行スクロール表示", "one scrolling line"}});
    add(g, "songInfoX", "曲情報", "left edge of the top-of-screen information in pixels");
    add(g, "songInfoY", "曲情報", "top edge of the top-of-screen information in pixels");
    addFont(g, "Command8", "曲情報フォント", "song-information");
    add(g, "titleFontSize", "曲情報", "size of the top-of-screen information in points");
    add(g, "titleFontPixcel", "", "pixel height of the song-information font at that size (derived)");
    add(g, "titleInfo", "曲情報色", "whose colours the song information follows when one is picked",
        {{"標準", "the standard style"}, {"Sub1", "spare style Sub1"}, {"Sub2", "spare style Sub2"}});
    add(g, "titlePrimaryColor", "曲情報色", "text colour of the song information");
    add(g, "titleTeritaryColor", "曲情報色", "outline colour of the song information");
    add(g, "titleShadowColor", "曲情報色", "shadow colour of the song information");
    add(g, "titlePrimaryAlpha", "透明度", "transparency of the song information's text");
    add(g, "titleTeritaryAlpha", "透明度", "transparency of its outline");
    add(g, "titleBackAplha", "透明度", "transparency of its shadow");
    add(g, "songInfoPreCheck", "曲演奏前の情報表示", "show title, artist and credits before the singing starts");
    add(g, "titleFontSize1", "サイズ", "size of the title before the song, in points");
    add(g, "titleFontPixcel1", "", "pixel height of the title before the song (derived)");
    add(g, "titleFontSize2", "他サイズ", "size of the other lines before the song, in points");
    add(g, "titleFontPixcel2", "", "pixel height of those lines (derived)");
    add(g, "titleDispType", "曲情報", "when the titles before the song are shown",
        {{"歌い始め前まで表示(ms)", "until titleEndTime before the singing starts"},
         {"表示時間指定", "between the start and end times below"}});
    add(g, "titleEndTime", "歌い始め前まで表示(ms)", "how long before the first line the titles end, in centiseconds");
    add(g, "titleStartH", "表示時間指定", "hour the titles start");
    add(g, "titleStartM", "表示時間指定", "minute the titles start (two digits)");
    add(g, "titleStartS", "表示時間指定", "second the titles start (two digits)");
    add(g, "titleEndH", "表示時間指定", "hour the titles end");
    add(g, "titleEndM", "表示時間指定", "minute the titles end (two digits)");
    add(g, "titleEndS", "表示時間指定", "second the titles end (two digits)");
    add(g, "TitleY", "上部", "vertical position of the titles (from the bottom while CheckDouRetu is ticked)");
    add(g, "spacer", "間隔", "extra gap between title lines in pixels");
    add(g, "CheckDouRetu", "同列表示", "show the titles in one row");
    add(g, "titleFadeIn", "曲情報", "fade-in of the titles in milliseconds");
    add(g, "titleFadeOut", "曲情報", "fade-out of the titles in milliseconds");
    add(g, "endH", "表示終了時間", "hour the top-of-screen information ends (the song's length)");
    add(g, "endM", "表示終了時間", "minute it ends");
    add(g, "endS", "表示終了時間", "second it ends");

    // Output options.
    add(g, "KraCheck", "kraファイル作成", "also write the karaoke tag file (.kra)");
    add(g, "unicode", "unicodeで保存", "write UTF-16 (1) or Shift-JIS (0) files");
    add(g, "MediaTimeCheck", "ﾒﾃﾞｨｱ時間取得", "a media probe also sets the title times from the media's length");
    add(g, "menuCreditOn", "クレジット表示", "write the credit line (the Form7 fields)");
    return g;
}

Guides buildCreditGuides() {
    Guides g;
    addFont(g, "Command1", "フォント", "credit");
    add(g, "PrimaryColor", "色", "text colour of the credit");
    add(g, "TeritaryColor", "縁", "outline colour of the credit");
    add(g, "ShadowColor", "影", "shadow colour of the credit");
    add(g, "PrimaryAlpha", "色&透明度", "transparency of the credit's text");
    add(g, "TeritaryAlpha", "色&透明度", "transparency of its outline");
    add(g, "BackAplha", "色&透明度", "transparency of its shadow");
    add(g, "posX", "X", "left edge of the credit in pixels (from the right with xRight)");
    add(g, "posY", "Y", "bottom edge of the credit in pixels");
    add(g, "CreditFontSize", "サイズ", "size of the credit font in points");
    add(g, "Credit", "クレジット", "the credit text");
    add(g, "FadeIn", "フェード(ms)", "fade-in of the credit in milliseconds");
    add(g, "FadeOut", "フェード(ms)", "fade-out of the credit in milliseconds");
    add(g, "titleStartH", "開始　時", "hour the credit appears");
    add(g, "titleStartM", "分", "minute it appears (two digits)");
    add(g, "titleStartS", "秒", "second it appears (two digits)");
    add(g, "titleEndH", "終了　時", "hour the credit goes");
    add(g, "titleEndM", "分", "minute it goes (two digits)");
    add(g, "titleEndS", "秒", "second it goes (two digits)");
    add(g, "Combo1", "文字コード", "character set of the credit's style", kCharacterSets);
    add(g, "CreditTag", "タグ", "override tags put before the text (a \\move replaces the position)");
    add(g, "xRight", "X軸右から", "posX counts from the right edge");
    return g;
}

const FieldGuide* find(const Guides& g, std::string_view name) {
    auto it = g.find(std::string(name));
    return it == g.end() ? nullptr : &it->second;
}

// What a key of a form holds, for messages (only forms whose text is converted).
std::string presetFormText(const PresetKey& k) {
    if (k.form == PresetForm::Flag) return "True or False";
    if (k.form == PresetForm::JoinedTime) return "a time H:MM:SS";
    for (const auto& g : optionGroups())
        if (g.name == k.setting) return "a member from 1 to " + std::to_string(g.members.size());
    return "a value of this key";
}

}  // namespace

const FieldGuide* fieldGuide(std::string_view name) {
    static const Guides guides = buildGuides();
    return find(guides, name);
}

const FieldGuide* creditFieldGuide(std::string_view name) {
    static const Guides guides = buildCreditGuides();
    return find(guides, name);
}

std::vector<StoredKey> storedKeysOf(std::string_view field) {
    std::vector<StoredKey> out;
    const SettingDef* def = findSetting(field);
    for (const auto& k : presetKeys()) {
        const bool whole = k.setting == field;
        const bool member = def && def->kind == Kind::OptionMember && k.form == PresetForm::OptionIndex &&
                            k.setting == def->group;
        const bool timePart = k.form == PresetForm::JoinedTime && field.size() == k.setting.size() + 1 &&
                              field.substr(0, k.setting.size()) == k.setting;
        if (whole || member || timePart) out.push_back({k.key, false});
    }
    for (const auto& k : infoKeys())
        if (k.target == InfoKey::Target::Setting && k.field == field) out.push_back({k.key, true});
    return out;
}

std::vector<StoredKey> creditStoredKeysOf(std::string_view creditField) {
    std::vector<StoredKey> out;
    for (const auto& k : infoKeys())
        if (k.target == InfoKey::Target::Credit && k.field == creditField) out.push_back({k.key, true});
    return out;
}

std::optional<KeyFields> fieldsForKey(std::string_view key, std::string_view value) {
    for (const auto& k : presetKeys()) {
        if (k.key != key) continue;
        KeyFields out;
        if (auto texts = presetKeyFieldTexts(k, value)) {
            for (auto& [field, text] : *texts) out.fields.push_back({std::move(field), std::move(text), false});
        } else {
            out.error = std::string(key) + ": \"" + std::string(value) + "\" is not " + presetFormText(k);
        }
        return out;
    }
    for (const auto& k : infoKeys()) {
        if (k.key != key) continue;
        KeyFields out;
        if (k.target != InfoKey::Target::Setting && k.target != InfoKey::Target::Credit) {
            out.error = std::string(key) + " is the folder last used, not a setting";
        } else if (auto held = infoValueAsHeld(k, std::string(value))) {
            out.fields.push_back({k.field, *held, k.target == InfoKey::Target::Credit});
        } else {
            out.error = std::string(key) + ": \"" + std::string(value) + "\" is not " +
                        (k.form == InfoKey::Form::Flag ? "True or False" : "a number");
        }
        return out;
    }
    return std::nullopt;
}

}  // namespace kvelmor::settings
