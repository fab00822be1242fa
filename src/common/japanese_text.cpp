// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/japanese_text.h"

#include <array>
#include <optional>
#include <vector>

namespace kvelmor {
namespace {

// English with "{}" for each hole, and Japanese naming the holes {1}, {2}, ...
struct Phrase {
    std::string_view english;
    std::string_view japanese;
};

// Longer and more specific forms come before the forms they begin with.
constexpr std::array kPhrases = {
    // Reading lyrics.
    Phrase{"not a lyrics file: only .txt and .kra files can be read",
           "歌詞ファイルではありません。読み込めるのは .txt と .kra のファイルです"},
    Phrase{"cannot read the file: {}", "ファイルを読み込めません: {1}"},
    Phrase{"this is a subtitle script, which Kvelmor writes from lyrics: give the lyrics file (.txt or .kra) it was "
           "made from",
           "これは Kvelmor が歌詞から書き出す字幕スクリプトです。元の歌詞ファイル (.txt か .kra) を指定してください"},
    Phrase{"not a lyrics file: it holds data that is not text and no line with a \"[mm:ss:cc]\" time tag, so it was "
           "not opened",
           "歌詞ファイルではありません。文字でないデータを含み、時間タグ \"[mm:ss:cc]\" のある行もないため、開きませんでした"},
    Phrase{"not a lyrics file: no line holds a \"[mm:ss:cc]\" time tag, so it was not opened",
           "歌詞ファイルではありません。時間タグ \"[mm:ss:cc]\" のある行がないため、開きませんでした"},
    Phrase{"binary data (NUL bytes) was left out: this may not be a lyrics file",
           "文字でないデータ (NUL バイト) を読み飛ばしました。歌詞ファイルではないかもしれません"},
    Phrase{"plain lyrics: no line holds a \"[mm:ss:cc]\" time tag, so there is nothing to lay out yet; time them in "
           "the timing window first (kvelmor-gui --timing FILE --audio SONG)",
           "時間タグ \"[mm:ss:cc]\" のない歌詞のため、まだ配置できません。先にタイミングウィンドウでタイミングを付けてください "
           "(kvelmor-gui --timing FILE --audio SONG)"},
    Phrase{"no timed lines: no line holds a \"[mm:ss:cc]\" time tag, so there are no lyrics to lay out",
           "時間タグ \"[mm:ss:cc]\" のある行がないため、配置する歌詞がありません"},
    Phrase{"bytes that are not valid {} were left out (the rest of the file is valid UTF-8)",
           "{1} として正しくないバイトを読み飛ばしました (ほかは正しい UTF-8 です)"},
    Phrase{"bytes that are not valid {} were read as {}",
           "{1} として正しくないバイトを {2} として読み込みました"},
    Phrase{"read as {}: the file has no byte-order mark, but every other byte is NUL as in UTF-16 text",
           "{1} として読み込みました (BOM はありませんが、UTF-16 の文字の並びです)"},
    Phrase{"this line needs more than 300 slots (characters and time tags together) and was left out",
           "この行は 300 スロット (文字と時間タグの合計) を超えるため、読み込みませんでした"},
    Phrase{"this line needs more than 300 slots (characters and time tags together); the edit was not applied",
           "この行は 300 スロット (文字と時間タグの合計) を超えるため、編集を反映しませんでした"},
    Phrase{"a line needs more than 300 slots (characters and time tags together) and was continued in {} further "
           "working line{}: {}",
           "300 スロット (文字と時間タグの合計) を超える行を、続く {1} 行に分けました: {3}"},
    Phrase{"{} missing start or end tag(s) could not be added: the line already holds 300 slots (characters and "
           "time tags together)",
           "欠けている開始・終了タグのうち {1} 個は、行がすでに 300 スロットあるため補えませんでした"},
    Phrase{"a reading cannot hold a time tag (\"[mm:ss:cc]\"): the tag file would read it back as lyrics, so it was "
           "not stored",
           "ルビに時間タグ (\"[mm:ss:cc]\") は入れられません (タグファイルで歌詞として読まれるため)。保存しませんでした"},
    Phrase{"there are no lyric lines to give ruby to: load a lyrics file first",
           "ルビを付ける歌詞の行がありません。先に歌詞ファイルを読み込んでください"},
    // Writing.
    Phrase{"no lyrics file is loaded, so there is nothing to write",
           "歌詞ファイルが読み込まれていないため、書き出すものがありません"},
    Phrase{"the song has no timed lines, so nothing was written to {}",
           "時間タグのある行がないため、{1} には何も書き込みませんでした"},
    Phrase{"writing {} would replace the lyrics file it is made from; nothing was written",
           "{1} に書き込むと元の歌詞ファイルを上書きしてしまうため、何も書き込みませんでした"},
    Phrase{"the effect template {} would make a script of about {} MB, more than the {} MB a script may have; "
           "shorten it. Nothing was written to {}",
           "エフェクトのテンプレート {1} ではスクリプトが約 {2} MB になり、上限の {3} MB を超えます。短くしてください。{4} "
           "には何も書き込みませんでした"},
    Phrase{"line {} of the tag file would hold more than {} characters and tags with its readings written inline, "
           "and could not be read back whole; nothing was written",
           "タグファイルの {1} 行目がルビを含めて {2} を超える文字とタグになり、読み戻せないため、何も書き込みませんでした"},
    Phrase{"\nthe automatic line break made {} lines, and a tag file of more than {} cannot be read back; nothing "
           "was written",
           "\n自動改行で {1} 行になりました。{2} 行を超えるタグファイルは読み戻せないため、何も書き込みませんでした"},
    Phrase{"cannot write the karaoke tag file {}: {}", "タグファイル {1} を書き込めません: {2}"},
    Phrase{"cannot write the script: {}", "スクリプトを書き込めません: {1}"},
    Phrase{"characters that CP932 cannot hold: {}", "CP932 で表せない文字があります: {1}"},
    Phrase{"the script was not written: {} line holds characters that CP932 cannot hold; tick unicode to save it as "
           "UTF-16",
           "スクリプトを書き込みませんでした: {1} 行に CP932 で表せない文字があります。「unicodeで保存」を選ぶと UTF-16 "
           "で保存できます"},
    Phrase{"the script was not written: {} lines hold characters that CP932 cannot hold; tick unicode to save it as "
           "UTF-16",
           "スクリプトを書き込みませんでした: {1} 行に CP932 で表せない文字があります。「unicodeで保存」を選ぶと UTF-16 "
           "で保存できます"},
    Phrase{"cannot be written: {}", "書き込めません: {1}"},
    // Batch conversion.
    Phrase{"the folder does not exist", "フォルダがありません"},
    Phrase{"not a folder", "フォルダではありません"},
    Phrase{"cannot list the folder: {}", "フォルダの中を読み取れません: {1}"},
    Phrase{"no .txt files in this folder; nothing was converted", "このフォルダには .txt ファイルがないため、何も変換していません"},
    Phrase{"not a regular file, so it was not read", "通常のファイルではないため、読み込みませんでした"},
    Phrase{"its script {} was already written from another file of this folder",
           "スクリプト {1} は、このフォルダの別のファイルから書き込み済みです"},
    Phrase{"could not be converted", "変換できませんでした"},
    // Media.
    Phrase{"cannot read the media file: {}", "メディアファイルを読み込めません: {1}"},
    Phrase{"the length of the media is unknown, so the times are left as they are",
           "メディアの長さが分からないため、時間は変えていません"},
    Phrase{"cannot be read as a media file ({})", "メディアファイルとして読み込めません ({1})"},
    Phrase{"the streams of the media file cannot be read ({})", "メディアファイルのストリームを読み取れません ({1})"},
    Phrase{"holds neither video nor audio", "映像も音声も含まれていません"},
    Phrase{"holds no video to show", "表示できる映像が含まれていません"},
    Phrase{"no decoder for the video of this file is installed", "このファイルの映像のデコーダがインストールされていません"},
    Phrase{"the video decoder cannot start", "映像のデコーダを開始できません"},
    Phrase{"no memory to decode the video", "映像をデコードするメモリが足りません"},
    Phrase{"the media module {} could not be loaded ({}); are FFmpeg's libraries (libavformat) installed?",
           "メディアモジュール {1} を読み込めません ({2})。FFmpeg のライブラリ (libavformat) はインストールされていますか?"},
    Phrase{"Invalid data found when processing input", "入力に不正なデータがあります"},
    // The settings file.
    Phrase{"cannot read the settings file: {}", "設定ファイルを読み込めません: {1}"},
    Phrase{"this is not a settings file ({}), so it is never saved over",
           "設定ファイルではありません ({1})。このファイルに上書き保存はしません"},
    Phrase{"binary data (NUL bytes): this does not look like a settings file",
           "文字でないデータ (NUL バイト) があります。設定ファイルではないようです"},
    Phrase{"the settings file ends inside a line, so it may be cut off; that line is read as it stands",
           "設定ファイルが行の途中で終わっています (途中で切れているかもしれません)。その行はそのまま読み込みました"},
    Phrase{"key line before the first section header: ignored, and dropped when the settings are saved",
           "最初のセクションより前のキーの行です。無視し、設定の保存時に削除します"},
    Phrase{"{}: {} more lines", "{1}: ほかに {2} 行"},
    Phrase{"cannot save the settings: no settings file is set", "設定を保存できません: 設定ファイルが決まっていません"},
    Phrase{"the settings were not saved: the settings file could not be read, and saving would replace what it holds",
           "設定ファイルを読み込めなかったため、設定を保存しませんでした (保存すると中身を置き換えてしまいます)"},
    Phrase{"cannot create the folder of the settings file: {}", "設定ファイルのフォルダを作れません: {1}"},
    Phrase{"the settings were not saved: {}", "設定を保存しませんでした: {1}"},
    Phrase{"cannot save the settings file: {}", "設定ファイルを保存できません: {1}"},
    Phrase{"cannot store key \"{}\" of section [{}]: {}", "セクション [{2}] のキー \"{1}\" を保存できません: {3}"},
    Phrase{"[{}] {}={} is not used ({}); the default \"{}\" is used instead",
           "[{1}] {2}={3} は使えません ({4})。既定値 \"{5}\" を使います"},
    // Recovery files.
    Phrase{"cannot keep the marks in the recovery file: {}", "タイミングを復元用ファイルに保管できません: {1}"},
    Phrase{"cannot keep the edits of the lyrics in the recovery file: {}",
           "歌詞の変更を復元用ファイルに保管できません: {1}"},
    Phrase{"the recovery file is damaged ({}); nothing was restored",
           "復元用ファイルが壊れているため ({1})、何も復元しませんでした"},
    Phrase{"the edits kept in the recovery file could not be read back; nothing was restored",
           "復元用ファイルに保管した変更を読み込めなかったため、何も復元しませんでした"},
    Phrase{"it is cut short (its end line is missing or does not match what comes before it)",
           "途中で切れています (終わりの行がないか、それまでの内容と合いません)"},
    Phrase{"it is not a recovery file of this program", "このプログラムの復元用ファイルではありません"},
    Phrase{"its header is damaged", "見出しの行が壊れています"},
    Phrase{"its lines are damaged", "歌詞の行が壊れています"},
    Phrase{"it names no lyrics file", "歌詞ファイルの名前がありません"},
    // Reasons given inside other messages.
    Phrase{"not a regular file but a pipe (FIFO)", "通常のファイルではなくパイプ (FIFO) です"},
    Phrase{"not a regular file but a socket", "通常のファイルではなくソケットです"},
    Phrase{"not a regular file but a device", "通常のファイルではなくデバイスです"},
    Phrase{"not a regular file", "通常のファイルではありません"},
    Phrase{"the file is larger than {}, too large for this kind of file", "{1} を超えていて、この種類のファイルとしては大きすぎます"},
    Phrase{"the text is not valid UTF-8", "文字列が正しい UTF-8 ではありません"},
    Phrase{"No such file or directory", "ファイルまたはフォルダがありません"},
    Phrase{"Permission denied", "アクセスが許可されていません"},
    Phrase{"Is a directory", "フォルダです"},
    Phrase{"Not a directory", "フォルダではありません"},
    Phrase{"No space left on device", "ディスクの空きがありません"},
    Phrase{"Read-only file system", "読み取り専用のファイルシステムです"},
    Phrase{"File too large", "ファイルが大きすぎます"},
    Phrase{"Disk quota exceeded", "ディスクの割り当てを超えました"},
    Phrase{"Input/output error", "入出力エラーです"},
    Phrase{"File name too long", "ファイル名が長すぎます"},
    Phrase{"Too many levels of symbolic links", "シンボリックリンクの階層が深すぎます"},
};

// The literal pieces of a form, around its holes.
std::vector<std::string_view> piecesOf(std::string_view form) {
    std::vector<std::string_view> pieces;
    size_t start = 0;
    for (size_t hole; (hole = form.find("{}", start)) != std::string_view::npos; start = hole + 2)
        pieces.push_back(form.substr(start, hole - start));
    pieces.push_back(form.substr(start));
    return pieces;
}

// The texts in the holes when `text` has the form, else nothing. A hole
// takes the shortest text after which the next piece follows, except the
// last hole, which takes what is left before the final piece.
std::optional<std::vector<std::string_view>> match(std::string_view form, std::string_view text) {
    const auto pieces = piecesOf(form);
    if (pieces.size() == 1) {
        if (text == form) return std::vector<std::string_view>{};
        return std::nullopt;
    }
    const std::string_view first = pieces.front(), last = pieces.back();
    if (!text.starts_with(first) || !text.ends_with(last) || text.size() < first.size() + last.size())
        return std::nullopt;
    std::string_view rest = text.substr(first.size(), text.size() - first.size() - last.size());
    std::vector<std::string_view> holes;
    for (size_t i = 1; i + 1 < pieces.size(); ++i) {
        const size_t at = rest.find(pieces[i]);
        if (at == std::string_view::npos) return std::nullopt;
        holes.push_back(rest.substr(0, at));
        rest = rest.substr(at + pieces[i].size());
    }
    holes.push_back(rest);
    return holes;
}

std::string fill(std::string_view japanese, const std::vector<std::string_view>& holes) {
    std::string out;
    for (size_t i = 0; i < japanese.size(); ++i) {
        if (japanese[i] == '{' && i + 2 < japanese.size() && japanese[i + 2] == '}' && japanese[i + 1] >= '1' &&
            japanese[i + 1] <= '9') {
            const size_t n = static_cast<size_t>(japanese[i + 1] - '1');
            if (n < holes.size()) out += japaneseText(holes[n]);
            i += 2;
            continue;
        }
        out += japanese[i];
    }
    return out;
}

}  // namespace

std::string japaneseText(std::string_view english) {
    for (const Phrase& p : kPhrases)
        if (auto holes = match(p.english, english)) return fill(p.japanese, *holes);
    // A message that starts with a Japanese sentence and goes on in English
    // ("読み込める行数を超えています" and its reason).
    if (const size_t br = english.find('\n'); br != std::string_view::npos && br > 0) {
        const std::string_view tail = english.substr(br);
        if (std::string t = japaneseText(tail); t != tail) return std::string(english.substr(0, br)) + t;
    }
    return std::string(english);
}

std::string formatReportInJapanese(const Report& r) {
    std::string out;
    if (!r.file.empty()) {
        out += r.file;
        if (r.line > 0) out += " (" + std::to_string(r.line) + "行目)";
        out += ": ";
    } else if (r.line > 0) {
        out += std::to_string(r.line) + "行目: ";
    }
    out += japaneseText(r.text);
    return out;
}

}  // namespace kvelmor
