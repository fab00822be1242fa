#include "ui/form_table.h"

namespace kvelmor::ui {
namespace {

FormField f(std::string name, std::string caption, std::string rowLabel = {}) {
    return {std::move(name), std::move(caption), std::move(rowLabel), {}, {}};
}
FormField list(std::string name, std::string caption, std::vector<std::string> items) {
    return {std::move(name), std::move(caption), {}, std::move(items), {}};
}
FormField br(FormField field) {
    field.newRow = true;
    return field;
}
FormField tip(FormField field, std::string toolTip) {
    field.toolTip = std::move(toolTip);
    return field;
}

std::vector<std::string> lineCounts() {
    std::vector<std::string> v;
    for (int i = 1; i <= 10; ++i) v.push_back(std::to_string(i));
    return v;
}

std::vector<FormTab> buildTabs() {
    const std::vector<std::string> charsets{"SHIFT JIS(128)", "ANSI (0)", "CHINESE BIG5 (136)"};
    std::vector<FormTab> tabs;

    tabs.push_back({"基本",
                    {{{"frameFont", "フォント設定", 1,
                       {f("Command2", "フォント"),
                        tip(f("ssaFontSize", "サイズ"), "フォント設定から指定してください"),
                        f("tagFontPixcel", "ピクセル")}},
                      {"frameSize", "動画サイズ", 1,
                       {list("dispWidth", "動画の横幅", {"320", "640", "704", "856", "1280", "1920"}),
                        list("dispHeight", "動画の縦幅", {"180", "240", "360", "396", "480", "484", "720", "1080"})}},
                      {"frameTime", "時間(10ms)", 1,
                       {f("preTime", "表示前"), f("aftTime", "表示後"),
                        tip(f("upTime", "タグ補正"), "全体のタグ時間を指定したミリ秒だけ前後に移動")}},
                      {"frameMargin", "表示位置", 2,
                       {f("MarginL", "左"), f("MarginR", "右"),
                        tip(f("MarginN", "行間"), "ルビを含まない行の文字間隔"), f("MarginV", "下")}},
                      {"frameKaigyo", "自動改行", 1, {f("kaigyo", "自動改行")}}},
                     {{"frameColor", "色&&透明度", 2,
                       {f("PrimaryColor", "ワイプ後"), f("secondaryColor", "ワイプ前"), f("TeritaryColor", "縁"),
                        f("ShadowColor", "影"), f("teritaryColor2", "ワイプ前縁"), f("Command9", "拡張色"),
                        f("PrimaryAlpha", "透明度 ワイプ後"), f("secondaryAlpha", "透明度 ワイプ前"),
                        f("TeritaryAlpha", "透明度 縁"), f("backAlpha", "透明度 影")}},
                      {"frameSub1", "Sub1", 2,
                       {f("secondPrimaryColor", "ワイプ後"), f("secondSecondaryColor", "ワイプ前"),
                        f("secondTeritaryColor", "縁"), f("secondShadowColor", "影"),
                        f("secondTeritaryColor2", "ワイプ前縁"), f("Command11", "拡張色")}},
                      {"frameSub2", "Sub2", 2,
                       {f("thirdPrimaryColor", "ワイプ後"), f("thirdSecondaryColor", "ワイプ前"),
                        f("thirdTeritaryColor", "縁"), f("thirdShadowColor", "影"),
                        f("thirdTeritaryColor2", "ワイプ前縁"), f("Command12", "拡張色")}},
                      {"frameExColor", "拡張カラー設定", 1,
                       {list("ExColor", "拡張色の適用先", {"ワイプ前", "縁", "影", "固定色", "ワイプ後"})}}}}});

    tabs.push_back(
        {"拡張",
         {{{"frameLines", "行数", 1, {list("LineNumber", "行数", lineCounts())}},
           {"frameAlign", "表示位置", 3,
            {f("Optionalign1", "左", "上段"), f("Optionalign2", "中"), f("Optionalign3", "右"),
             f("Optionalign4", "左", "中段"), f("Optionalign5", "中"), f("Optionalign6", "右"),
             f("Optionalign7", "左", "下段"), f("Optionalign8", "中"), f("Optionalign9", "右"),
             f("oneLineCheck", "1行時判定"), f("Oneline1", "左", "1行時"), f("Oneline2", "中"),
             f("Oneline3", "右")}},
           {"frameWinAmp", "WinAMP時間", 1, {f("WinAMPTime", "WinAMP時間")}},
           {"frameFade", "フェード", 2,
            {f("fadeInCheck", "イン"), f("FadeIn", "(ms)"), f("fadeOutCheck", "アウト"), f("FadeOut", "(ms)")}},
           {"frameStyleNumber", "スタイル番号", 1, {f("StyleNumber", "番号")}},
           {"frameSpaceTime", "一括表示時時間(ms)", 1,
            {f("spaceTime", "一括表示時時間"), f("spaceTimePre", "前行との間隔開始"),
             f("spaceTimeAft", "後行との間隔終了")}}},
          {{"frameCentering", "微妙ｾﾝﾀﾘﾝｸﾞ", 1, {f("setXpositon", "微妙ｾﾝﾀﾘﾝｸﾞ")}},
           {"frameBorder", "文字境界&&影", 2,
            {f("OptionBorder1", "縁付"), f("OptionBorder2", "枠囲"), br(f("outLine", "縁")), f("shadowDepth", "影")}},
           {"frameDisplayType", "表示形式", 2,
            {f("DisplayType1", "一括表示"), f("DisplayType2", "逐次表示"), br(f("LowerCheck", "下揃え"))}},
           {"frameLyricsDisp", "歌詞表示形式  間隔(ms)", 1,
            {f("LyricsDisp", "新規行優先"), f("LyricsDispTime", "間隔(ms)")}},
           {"frameScale", "文字倍率", 2, {f("mojiScaleX", "横"), f("mojiScaleY", "縦")}},
           {"frameCharset", "文字コード", 1, {list("Combo1", "文字コード", charsets)}},
           {"frameMojiSize", "スペースの変換", 1, {f("MojiSize", "全角→半角")}},
           {"frameHex", "HEX表示", 1, {tip(f("ColorHex", "HEX表示"), "色をHEX表示する場合にチェック")}}}}});

    tabs.push_back({"ルビ",
                    {{{"frameKintou", "均等割付", 1, {f("kintouCheck", "均等割付")}},
                      {"frameRubyPos", "ルビ表示位置", 1,
                       {tip(f("rubyUp", "ルビ上"), "ルビと文字の間隔"), tip(f("rubyDown", "ルビ下"), "文字とルビの間隔"),
                        f("rubyLeft", "ルビ左"), tip(f("rubyScale", "位置倍率"), "ルビの位置ズレ対策用 1=標準")}}},
                     {{"frameRubyFont", "フォント設定", 1,
                       {f("Command6", "フォント"),
                        tip(f("rubyFontSize", "サイズ"), "フォント設定から指定してください"),
                        f("Label19", "ピクセル")}}}}});

    tabs.push_back(
        {"曲情報",
         {{{"frameInfoTop", "画面上部への曲情報の表示", 1, {f("songInfoCheck", "画面上部への曲情報の表示")}},
           {"frameInfoMode", "表示形式", 1,
            {list("InfoMode", "表示形式", {"2行固定表示(番組/曲+歌手)", "1行スクロール表示"})}},
           {"frameInfoPos", "表示位置", 2, {f("songInfoX", "X"), f("songInfoY", "Y")}},
           {"frameInfoSize", "文字サイズ", 2, {f("titleFontSize", "サイズ"), f("titleFontPixcel", "ピクセル")}},
           {"frameInfoEnd", "表示終了時間", 3, {f("endH", "時"), f("endM", "分"), f("endS", "秒")}},
           {"frameInfoFont", "曲情報色", 2,
            {f("Command8", "フォント"),
             list("titleInfo", "色の連動", {"標準", "Sub1", "Sub2"}), f("titlePrimaryColor", "文字"),
             f("titlePrimaryAlpha", "透明度"), f("titleTeritaryColor", "縁"), f("titleTeritaryAlpha", "透明度"),
             f("titleShadowColor", "影"), f("titleBackAplha", "透明度")}}},
          {{"frameInfoPre", "曲演奏前の情報表示", 1, {f("songInfoPreCheck", "曲演奏前の情報表示")}},
           {"frameTitleSize", "サイズ", 2, {f("titleFontSize1", "サイズ"), f("titleFontPixcel1", "ピクセル")}},
           {"frameTitleSize2", "他サイズ", 2, {f("titleFontSize2", "サイズ"), f("titleFontPixcel2", "ピクセル")}},
           {"frameTitleTime", "表示終了時間", 3,
            {list("titleDispType", "表示", {"歌い始め前まで表示(ms)", "表示時間指定"}), f("titleEndTime", "(ms)"),
             br(f("titleStartH", "開始　時")), f("titleStartM", "分"), f("titleStartS", "秒"), f("titleEndH", "終了　時"),
             f("titleEndM", "分"), f("titleEndS", "秒")}},
           {"frameTitlePos", "表示位置", 2,
            {f("TitleY", "上部"), f("spacer", "間隔"), br(f("CheckDouRetu", "同列表示"))}},
           {"frameTitleFade", "フェード(ms)", 2, {f("titleFadeIn", "イン"), f("titleFadeOut", "アウト")}}}}});

    tabs.push_back(
        {"タグ拡張",
         {{{"frameWipe", "ワイプ設定", 1,
            {list("wipe", "ワイプ",
                  {"カラオケ", "1文字毎", "ワイプなし", "縁ワイプ", "自由設定", "ワイプ強調", "文字毎設定", "空白区切毎"}),
             list("TagSample", "サンプル", {}), f("commandLine", "共通(行)"), f("commandChar", "共通(文字)"),
             f("OriginalColor", "自由設定色"), f("OriginalColorAlpha", "透明度")}},
           {"frameFreeWipe", "自由設定＆ワイプ強調設定", 2,
            {f("KaraokeWipe", "カラオケワイプあり"), f("posNo", "座標指定なし")}},
           {"frameDelay", "ワイプ強調設定", 1, {f("DelayTime", "間隔(ms)")}},
           {"frameClipWipe", "縁ワイプ微調整", 1, {f("ClipWipe", "縁ワイプ微調整")}}}}});
    return tabs;
}

}  // namespace

const std::vector<FormTab>& formTabs() {
    static const std::vector<FormTab> tabs = buildTabs();
    return tabs;
}

const std::vector<FormField>& commandAreaFields() {
    static const std::vector<FormField> fields{f("unicode", "unicodeで保存"), f("KraCheck", "kraファイル作成"),
                                               f("MediaTimeCheck", "ﾒﾃﾞｨｱ時間取得")};
    return fields;
}

bool hasNoField(const std::string& name) { return name == "AlphaLevel"; }

}  // namespace kvelmor::ui
